#include "UQzFileSystemRoot.h"

#include "IMainFrame.h"
#include "UConfig.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UPrintOrder.h"
#include "UQzFileSystemDemo.h"
#include "UQzFileSystemDrives.h"
#include "UQzFileSystemExtern.h"
#include "UQzFileSystemRes.h"
#include "UTools.h"

#include <QStandardPaths>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TOrderImageNotFound, TOrderImageBase, )

namespace {

QString txt(const char* english)
{
    return TLangText::Create(QString::fromUtf8(english)).Text();
}

// A folder of the PC inside a merge root; without a path (a place the
// system does not have) it stays invisible instead of naming a relative path.
class TQzfsFolderPlace : public TQzfsFolderDisk {
public:
    TQzfsFolderPlace(IMainFrame* main, IQzfsFolder* parent, const QString& subId, const QString& path)
        : TQzfsFolderDisk(main, parent, subId, path.isEmpty() ? subId : path)
    {
        if (path.isEmpty())
            fdiskPath.clear();
    }
};

} // namespace

TQzfsRootSources TQzfsRootSources::UserDefaults()
{
    TQzfsRootSources s;
    s.desktop = TFileTools::GetDesktopPath();
    s.pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    s.documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    s.downloads = TFileTools::GetDownloadsPath();
    return s;
}

// -------------------------------------------------------- TOrderImageNotFound

TOrderImageNotFound::TOrderImageNotFound(TOrderImageBase* imgReplacement, const QString& imgid,
                                         const QString& imglabel, const QString& imgdata)
    : fimgid(imgid)
    , fimglabel(imglabel)
    , fimgdata(imgdata)
    , fdate(QDateTime::currentDateTime())
    , fImgReplacement(imgReplacement)
{
}

TOrderImageNotFound::~TOrderImageNotFound()
{
    ImageCacheDetach();
}

QSizeF TOrderImageNotFound::ImageSize()
{
    return fImgReplacement ? fImgReplacement->ImageSize() : QSizeF(1, 1);
}

float TOrderImageNotFound::ImageOrientationFull()
{
    return fImgReplacement ? fImgReplacement->ImageOrientationFull() : 0;
}

int TOrderImageNotFound::ImageOrientationBase()
{
    return fImgReplacement ? fImgReplacement->ImageOrientationBase() : 0;
}

float TOrderImageNotFound::ImageOrientationWisp()
{
    return fImgReplacement ? fImgReplacement->ImageOrientationWisp() : 0;
}

TImageSource* TOrderImageNotFound::GetImageCacheRef()
{
    return fImgReplacement ? fImgReplacement->GetImageCacheRef() : this;
}

void TOrderImageNotFound::LoadBitmap(QImage&, int, int, TOrderBitmapMode)
{
    throw ESystem(QStringLiteral("TOrderImageNotFound.LoadBitmap : image source invalid or not found !"));
}

void TOrderImageNotFound::CopyToFile(const QString&)
{
    throw Exception(QStringLiteral("TOrderImageNotFound.CopyToFile: not supported"));
}

// ------------------------------------------------------------ TQzfsFolderRoot

TQzfsFolderRoot::TQzfsFolderRoot(IMainFrame* main, const QString& imgCachePath)
    : TQzfsFolderAdvWithFolderDicoBase(main, nullptr, QString())
    , fImgCachePath(imgCachePath)
{
}

TQzfsFolderRoot::~TQzfsFolderRoot() = default;

std::shared_ptr<TQzfsFolderRoot> TQzfsFolderRoot::Create(IMainFrame* main, const QString& imgCachePath,
                                                         TQzfsRootSources sources)
{
    auto root = std::make_shared<TQzfsFolderRoot>(main, imgCachePath);
    root->createSources(sources);
    return root;
}

void TQzfsFolderRoot::createSources(const TQzfsRootSources& s)
{
    IMainFrame* main = mainFrame();
    const bool kiosk = main && main->IsKiosk();
    TConfigInfo* config = main ? main->Config() : nullptr;
    auto add = [this](const IQzfsFolderRef& f) {
        if (f)
            folderListAdd(f);
    };
    if (s.bluetooth)
        add(s.bluetooth(this));
    if (s.facebook)
        add(s.facebook(this));
    if (kiosk && config) {
        fGalleryProRoot = std::make_shared<TQzfsFolderGalleryProRoot>(
            main, QStringLiteral("gallery:"), config->CalcGalleryProPath(), txt("Photographer gallery"), 12);
        add(fGalleryProRoot);
    }
    fDemoRoot = std::make_shared<TQzfsFolderDemoRoot>(main, QStringLiteral("demo:"),
                                                      config ? config->CalcDemoImagePath() : QString(),
                                                      txt("Demo Images"), 12);
    add(fDemoRoot);
    if (!kiosk) {
        add(std::make_shared<TQzfsFolderDiskRoot>(main, QStringLiteral("desktop:"), s.desktop, txt("Desktop"), 6));
        auto pictures = std::make_shared<TQzfsFolderMergeRoot>(main, QStringLiteral("pictures:"), txt("Pictures"), -1);
        add(pictures);
        auto documents
            = std::make_shared<TQzfsFolderMergeRoot>(main, QStringLiteral("documents:"), txt("Documents"), 5);
        add(documents);
        add(std::make_shared<TQzfsFolderDiskRoot>(main, QStringLiteral("download:"), s.downloads, txt("Downloads"), 5));
        auto fill = [main](TQzfsFolderMergeRoot& m, const QString& my, const QString& shared) {
            m.folderAdd(std::make_shared<TQzfsFolderPlace>(main, &m, QStringLiteral("my"), my));
            m.folderAdd(std::make_shared<TQzfsFolderPlace>(main, &m, QStringLiteral("shared"), shared));
        };
        fill(*pictures, s.pictures, s.picturesShared);
        fill(*documents, s.documents, s.documentsShared);
    }
    fDrivesRoot = std::make_shared<TQzfsWinDrivesRoot>(main, fImgCachePath, QStringLiteral("root:"), true, s.volumes);
    add(fDrivesRoot);
    if (kiosk && s.portableDevices) {
        fAltDrivesRoot = s.portableDevices(this, fDrivesRoot);
        add(fAltDrivesRoot);
    }
    add(std::make_shared<TQzfsFolderExternRoot>(main));
    add(std::make_shared<TQzfsFolderResScrapRoot>(main, QStringLiteral("scrap:")));
}

TOrderImageRef TQzfsFolderRoot::OrderImageReload(const QString& imgid, const QString& imglabel, const QString& imgdata)
{
    StartDriveHiddenIfUsedRemove(true);
    TOrderImageRef img;
    try {
        img = ImageFind(imgid, imglabel, imgdata);
    } catch (...) {
        StartDriveHiddenIfUsedRemove(false);
        throw;
    }
    StartDriveHiddenIfUsedRemove(false);
    if (!img)
        img = std::make_unique<TOrderImageNotFound>(ImageNotFound(), imgid, imglabel, imgdata);
    return img;
}

TOrderImageBase* TQzfsFolderRoot::ScrapImageLoad(TPrintOrder* order, const QString& scrapImageName, bool& imageToFree)
{
    const QString id = QStringLiteral("scrap:") + folderIdSeparator() + scrapImageName;
    if (order) {
        if (TOrderImageBase* used = order->ImageUsedFind(id)) {
            imageToFree = false;
            return used;
        }
    }
    imageToFree = true;
    return ImageGet(id).release();
}

TOrderImageBase* TQzfsFolderRoot::lazy(std::unique_ptr<TOrderImageBase>& slot,
                                       const std::function<TOrderImageBase*()>& make)
{
    std::lock_guard lk(fLazyLock);
    if (!slot)
        slot.reset(make());
    return slot.get();
}

TOrderImageBase* TQzfsFolderRoot::ImageNotFound()
{
    return lazy(fImgNotFound, [this] { return new TImageBroken(mainFrame(), QStringLiteral("filebroken"), QStringLiteral("jpg")); });
}

TOrderImageBase* TQzfsFolderRoot::ImageTooBig()
{
    return lazy(fImgTooBig, [this] { return new TImageBroken(mainFrame(), QStringLiteral("filetoobig"), QStringLiteral("jpg")); });
}

TOrderImageBase* TQzfsFolderRoot::FrontPrintImgWithoutDate()
{
    return lazy(fFrontPrintImgWithoutDate, [this] {
        return new TImageFileResource(mainFrame()->Config()->CalcFrontPrintImgWithoutDate(), QString());
    });
}

TOrderImageBase* TQzfsFolderRoot::FrontPrintImgWithDate()
{
    return lazy(fFrontPrintImgWithDate, [this] {
        return new TImageFileResource(mainFrame()->Config()->CalcFrontPrintImgWithDate(), QString());
    });
}

TOrderImageBase* TQzfsFolderRoot::FrontPrintImgWithDateTime()
{
    return lazy(fFrontPrintImgWithDateTime, [this] {
        return new TImageFileResource(mainFrame()->Config()->CalcFrontPrintImgWithDateTime(), QString());
    });
}

bool TQzfsFolderRoot::FolderGalleryProAvailable()
{
    return fGalleryProRoot && fGalleryProRoot->HasImagesInSubFolders();
}

bool TQzfsFolderRoot::FolderDemoAvailable()
{
    return fDemoRoot && fDemoRoot->HasImagesInSubFolders();
}

void TQzfsFolderRoot::MarkStartupDrivesAsHidden()
{
    LogInfo(QStringLiteral("Hide removeable drives detected at startup:"));
    try {
        IQzfsFolderEnumRef e = Folders();
        while (e->MoveNext()) {
            IQzfsFolderRef f = e->GetCurrentGen();
            auto drive = std::dynamic_pointer_cast<IQzfsRootDrive>(f);
            if (drive && drive->IsDriveRemoveable()) {
                LogInfoFmt(QStringLiteral(" - drive %s(%s) hidden."), { f->folderLabel(), f->folderId() });
                drive->SetDriveHidden(true);
            }
        }
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFolderRoot.MarkStartupDrivesAsHidden"), e);
    }
}

void TQzfsFolderRoot::MarkStartupDrivesAsShown()
{
    LogInfo(QStringLiteral("Reshow hidden removeable drives detected at startup:"));
    try {
        for (const IQzfsFolderRef& f : folderListSnapshot())
            if (auto d = std::dynamic_pointer_cast<IQzfsDrivesRoot>(f))
                d->MarkStartupDrivesAsShown();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFolderRoot.MarkStartupDrivesAsShown"), e);
    }
}

void TQzfsFolderRoot::StartDriveHiddenIfUsedRemove(bool val)
{
    try {
        for (const IQzfsFolderRef& f : folderListSnapshot())
            if (auto d = std::dynamic_pointer_cast<IQzfsDrivesRoot>(f))
                d->StartDriveHiddenIfUsedRemove(val);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFolderRoot.StartDriveHiddenIfUsedRemove"), e);
    }
}

bool TQzfsFolderRoot::IsReadyToUse()
{
    try {
        IQzfsFolderEnumRef e = Folders();
        while (e->MoveNext()) {
            IQzfsFolderRef f = e->GetCurrentGen();
            auto r = std::dynamic_pointer_cast<IQzfsRootFolder>(f);
            if (r && !r->IsReadyToUse()) {
                LogInfoFmt(QStringLiteral("TQzfsFolderRoot.IsReadyToUse: folder %s not ready to use"), { f->folderId() });
                return false;
            }
        }
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFolderRoot.IsReadyToUse"), e);
        return true;
    }
    LogInfo(QStringLiteral("TQzfsFolderRoot.IsReadyToUse: all folders are ready to use"));
    return true;
}

void TQzfsFolderRoot::SessionClear()
{
    try {
        for (const IQzfsFolderRef& f : folderListSnapshot())
            f->SessionClear();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFolderRoot.SessionClear"), e);
    }
}

QString TQzfsFolderRoot::OSpathToVpath(const QString& ospath)
{
    TQzosPathToVpathConverter cvt(ospath);
    try {
        IQzfsFolderEnumRef e = Folders();
        while (e->MoveNext())
            e->GetCurrentGen()->OSpathToVpathSearch(cvt);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFolderRoot.OSpathToVpath"), e);
    }
    return cvt.VpathFound();
}
