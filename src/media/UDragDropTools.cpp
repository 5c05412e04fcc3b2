#include "UDragDropTools.h"

#include "UDebug.h"
#include "UQzFileSystemDisk.h"
#include "UQzFileSystemExtern.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

// ------------------------------------------------------------- TDraggedImage

TDraggedImage::TDraggedImage(IMainFrame* main, TOrderImageBase* img, bool bToFree)
    : TDraggedImageBase(main)
    , fImage(img)
    , fToFree(bToFree)
{
}

TDraggedImage::~TDraggedImage()
{
    if (fToFree)
        delete fImage;
}

void TDraggedImage::DraggedImageDetach(TOrderImageBase* img)
{
    if (img == fImage)
        fToFree = false;
}

// --------------------------------------------------- TDraggedFileSystemFiles

TDraggedFileSystemFiles::TDraggedFileSystemFiles(IMainFrame* main, IQzfsRootRef root)
    : TDraggedImageBase(main)
    , fRoot(std::move(root))
{
}

TDraggedFileSystemFiles::~TDraggedFileSystemFiles() = default;

IQzfsRootRef TDraggedFileSystemFiles::root()
{
    if (!fRoot)
        if (auto* container = dynamic_cast<IQzfsRootContainer*>(fMain))
            fRoot = container->RootFolder();
    return fRoot;
}

void TDraggedFileSystemFiles::SetData(const QMimeData* data)
{
    QStringList files;
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
    SetFiles(files);
}

void TDraggedFileSystemFiles::SetFiles(const QStringList& files)
{
    if (files == fFiles)
        return; // the same drag reported again
    fFiles = files;
    ClearData();
    fDataToExtract = true;
}

void TDraggedFileSystemFiles::ClearData()
{
    fImages.clear();
    fImagesOwned.clear();
    fDataToExtract = false;
}

void TDraggedFileSystemFiles::DropUseEnd()
{
    ClearData();
    fFiles.clear();
}

int TDraggedFileSystemFiles::DraggedImageCount()
{
    ExtractData();
    return int(fImages.size());
}

TOrderImageBase* TDraggedFileSystemFiles::DraggedImage(int index)
{
    ExtractData();
    if (index < 0 || index >= int(fImages.size()))
        return nullptr;
    return fImages[size_t(index)];
}

void TDraggedFileSystemFiles::DraggedImageDetach(TOrderImageBase* img)
{
    for (auto it = fImagesOwned.begin(); it != fImagesOwned.end(); ++it)
        if (it->get() == img) {
            (void)it->release();
            fImagesOwned.erase(it);
            return;
        }
}

bool TDraggedFileSystemFiles::imageFileSupported(const QString& path)
{
    return !path.isEmpty() && QzfsNameMatchesMasks(QFileInfo(path).fileName(), QzfsImageMasks(fMain));
}

TOrderImageRef TDraggedFileSystemFiles::ImageRootFSfind(const QString& path, QString& osFolder, QString& vFolder)
{
    if (!imageFileSupported(path))
        return nullptr;
    const QFileInfo fi(path);
    const QString dir = fi.absolutePath();
    IQzfsRootRef r = root();
    QString vpath;
    if (dir != osFolder) {
        vpath = r ? r->OSpathToVpath(path) : QString();
        if (!vpath.isEmpty()) {
            osFolder = dir;
            vFolder = vpath.left(vpath.lastIndexOf(QLatin1Char('\\')));
        }
    } else {
        vpath = vFolder + QLatin1Char('\\') + QzfsNameToSubId(fi.fileName());
    }
    if (!vpath.isEmpty())
        return r->ImageFind(vpath, QString(), QString());
    if (fi.isFile()) {
        LogDebug(QStringLiteral("TDraggedFileSystemFiles.ImageRootFSfind: file [") + path
                 + QStringLiteral("] inaccessible with vtree -> extern"));
        return std::make_unique<TQzfsExternImage>(fi.absoluteFilePath());
    }
    LogError(QStringLiteral("TDraggedFileSystemFiles.ImageRootFSfind: file [") + path + QStringLiteral("] inaccessible"));
    return nullptr;
}

void TDraggedFileSystemFiles::ExtractData()
{
    if (!fDataToExtract)
        return;
    ++fExtractCount;
    try {
        if (IQzfsRootRef r = root())
            r->refreshNow();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TDraggedFileSystemFiles.ExtractData(1)"), e);
    }
    QString osFolder, vFolder;
    try {
        for (const QString& path : fFiles) {
            TOrderImageRef img;
            try {
                img = ImageRootFSfind(path, osFolder, vFolder);
            } catch (const std::exception&) {
                LogErrorFmt(QStringLiteral("TDraggedFileSystemFiles.ExtractData: error on file path [%s]"), { path });
                throw;
            }
            if (!img)
                continue;
            fImages.push_back(img.get());
            fImagesOwned.push_back(std::move(img));
        }
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TDraggedFileSystemFiles.ExtractData(2)"), e);
    }
    fDataToExtract = false;
}

QString TDraggedFileSystemFiles::DialogFilter(IMainFrame* main)
{
    return QStringLiteral("Images (") + QzfsImageMasks(main).join(QLatin1Char(' ')) + QLatin1Char(')');
}

IDragOrderImagesSetRef TDraggedFileSystemFiles::getImagesSetFromSelectionWindow(IMainFrame* main,
                                                                                 const TFileChooser& chooser,
                                                                                 IQzfsRootRef root)
{
    auto set = std::make_shared<TDraggedFileSystemFiles>(main, std::move(root));
    const QStringList chosen = chooser ? chooser(DialogFilter(main)) : QStringList();
    if (!chosen.isEmpty())
        set->SetFiles(chosen);
    return set;
}
