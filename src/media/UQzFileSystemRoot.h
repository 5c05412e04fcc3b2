#pragma once
// The media root: the one folder above all sources. It creates the top
// folder of every source under its prefix, in a fixed order that depends on
// kiosk use; finds any picture of any source by its id (how a reloaded order
// gets its pictures back); holds the placeholders of missing and too big
// pictures and the back-print pictures; hides, in kiosk use, the drives
// present at start-up; and turns a file path into a picture id.
//
// Sources of other units plug in through TQzfsRootSources: the Bluetooth
// inbox ("bt:"), the social network ("facebook:") and the portable devices
// ("wpd:") are made by factories given there, and left out while none is
// given. The PC folders and the volume provider can be set there as well.
#include "UQzFileSystemBase.h"

#include <functional>

class TPrintOrder;
class IQzfsVolumeProvider;

class IQzfsRoot : public virtual IQzfsFolder {
public:
    virtual TOrderImageRef OrderImageReload(const QString& imgid, const QString& imglabel, const QString& imgdata) = 0;
    // The order's own picture (imageToFree false) or a new one (true).
    virtual TOrderImageBase* ScrapImageLoad(TPrintOrder* order, const QString& scrapImageName, bool& imageToFree) = 0;
    virtual TOrderImageBase* ImageNotFound() = 0;
    virtual TOrderImageBase* ImageTooBig() = 0;
    virtual TOrderImageBase* FrontPrintImgWithoutDate() = 0;
    virtual TOrderImageBase* FrontPrintImgWithDate() = 0;
    virtual TOrderImageBase* FrontPrintImgWithDateTime() = 0;
    virtual IQzfsFolderRef DrivesRoot() = 0;
    virtual bool DrivesRootAvailable() = 0;
    virtual IQzfsFolderRef DrivesAlt() = 0;
    virtual bool DrivesAltAvailable() = 0;
    virtual QString ImageCachePath() = 0;
    virtual bool FolderGalleryProAvailable() = 0;
    virtual bool FolderDemoAvailable() = 0;
    virtual IQzfsFolderRef FolderGalleryPro() = 0;
    virtual IQzfsFolderRef FolderDemo() = 0;
    virtual void MarkStartupDrivesAsHidden() = 0;
    virtual void MarkStartupDrivesAsShown() = 0;
    virtual bool IsReadyToUse() = 0;
    virtual QString OSpathToVpath(const QString& ospath) = 0;
};
using IQzfsRootRef = std::shared_ptr<IQzfsRoot>;

struct TQzfsRootSources {
    // Factories of the sources of other units; each gets the root.
    std::function<IQzfsFolderRef(IQzfsRoot*)> bluetooth;
    std::function<IQzfsFolderRef(IQzfsRoot*)> facebook;
    // Portable devices; also given the "root:" source, so that devices
    // already listed as drives are left out.
    std::function<IQzfsFolderRef(IQzfsRoot*, const IQzfsFolderRef& drivesRoot)> portableDevices;
    // The volumes behind "root:" (the mount table and udev by default).
    std::shared_ptr<IQzfsVolumeProvider> volumes;
    // The PC's folders outside kiosk use (freedesktop places by default; the
    // shared ones empty: Linux has no common picture or document folder).
    QString desktop, pictures, picturesShared, documents, documentsShared, downloads;

    // The PC's folders of the current user.
    static TQzfsRootSources UserDefaults();
};

// A picture an order names that no source can deliver any more: it keeps the
// id, label and data the order stored and shows the "not found" placeholder.
class TOrderImageNotFound : public TOrderImageBase {
    KIOSK_SERIALIZABLE_CLASS(TOrderImageNotFound)
public:
    TOrderImageNotFound(TOrderImageBase* imgReplacement, const QString& imgid, const QString& imglabel,
                        const QString& imgdata);
    ~TOrderImageNotFound() override;

    QString ImageID() override { return fimgid; }
    QString ImageLabel() override { return fimglabel; }
    QString ImageData() override { return fimgdata; }
    QDateTime ImageDate() override { return fdate; }
    QSizeF ImageSize() override;
    float ImageOrientationFull() override;
    int ImageOrientationBase() override;
    float ImageOrientationWisp() override;
    TImageSource* GetImageCacheRef() override;
    TSimplifiedExifData* ExifData() override { return nullptr; }
    bool IsImageValid() override { return false; }
    bool hasExifDate() override { return false; }
    void SortAndDesignInfoPreLoad() override { }
    void LoadBitmap(QImage& bmp, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    void CopyToFile(const QString& fname) override;

private:
    QString fimgid, fimglabel, fimgdata;
    QDateTime fdate;
    TOrderImageBase* fImgReplacement;
};

class TQzfsFolderRoot : public TQzfsFolderAdvWithFolderDicoBase, public virtual IQzfsRoot {
public:
    // Use Create: the sources are made once the root is owned.
    TQzfsFolderRoot(IMainFrame* main, const QString& imgCachePath);
    ~TQzfsFolderRoot() override;
    static std::shared_ptr<TQzfsFolderRoot> Create(IMainFrame* main, const QString& imgCachePath,
                                                   TQzfsRootSources sources = TQzfsRootSources::UserDefaults());

    QString fmxStyle() override { return QString(); }
    bool HasImagesInSubFolders() override { return true; }
    TOrderImageRef SubImageByIndice(int) override { return nullptr; }
    TOrderImageRef imageFindLocal(const QString&) override { return nullptr; }
    void SessionClear() override;

    TOrderImageRef OrderImageReload(const QString& imgid, const QString& imglabel, const QString& imgdata) override;
    TOrderImageBase* ScrapImageLoad(TPrintOrder* order, const QString& scrapImageName, bool& imageToFree) override;
    TOrderImageBase* ImageNotFound() override;
    TOrderImageBase* ImageTooBig() override;
    TOrderImageBase* FrontPrintImgWithoutDate() override;
    TOrderImageBase* FrontPrintImgWithDate() override;
    TOrderImageBase* FrontPrintImgWithDateTime() override;
    IQzfsFolderRef DrivesRoot() override { return fDrivesRoot; }
    bool DrivesRootAvailable() override { return fDrivesRoot != nullptr; }
    IQzfsFolderRef DrivesAlt() override { return fAltDrivesRoot; }
    bool DrivesAltAvailable() override { return fAltDrivesRoot != nullptr; }
    QString ImageCachePath() override { return fImgCachePath; }
    bool FolderGalleryProAvailable() override;
    bool FolderDemoAvailable() override;
    IQzfsFolderRef FolderGalleryPro() override { return fGalleryProRoot; }
    IQzfsFolderRef FolderDemo() override { return fDemoRoot; }
    void MarkStartupDrivesAsHidden() override;
    void MarkStartupDrivesAsShown() override;
    bool IsReadyToUse() override;
    QString OSpathToVpath(const QString& ospath) override;

    void StartDriveHiddenIfUsedRemove(bool val);

private:
    void createSources(const TQzfsRootSources& sources);
    TOrderImageBase* lazy(std::unique_ptr<TOrderImageBase>& slot, const std::function<TOrderImageBase*()>& make);

    std::mutex fLazyLock;
    std::unique_ptr<TOrderImageBase> fImgNotFound, fImgTooBig;
    std::unique_ptr<TOrderImageBase> fFrontPrintImgWithoutDate, fFrontPrintImgWithDate, fFrontPrintImgWithDateTime;
    IQzfsFolderRef fDrivesRoot;
    IQzfsFolderRef fAltDrivesRoot;
    IQzfsFolderRef fGalleryProRoot;
    IQzfsFolderRef fDemoRoot;
    QString fImgCachePath;
};
