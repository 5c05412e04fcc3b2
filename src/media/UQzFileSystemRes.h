#pragma once
// The kiosk's own pictures: pictures built into the program (Qt resources
// under ":/media/"), placeholders, back-print pictures, decoration ("scrap")
// pictures of the page designer and the lab's catalogue pictures, which are
// fetched when missing from their local cache; and the sound of the
// media-forgotten reminder.
//
// Lab pictures are fetched only on task-queue workers (the main thread shows
// a missing one as broken rather than wait on the network), through the
// narrow ILabPictureSource: the store's transfer server, falling back on the
// lab service in compatibility mode. A download goes to a temporary file and
// is renamed into place; two workers asking for the same file wait for one
// download; a failure is logged and nothing is kept.
#include "UQzFileSystemDisk.h"

#include <QProcess>

class TNetTransfer;

// Where lab pictures come from: all the media sources need of the lab.
class ILabPictureSource {
public:
    virtual ~ILabPictureSource() = default;
    // A decoration picture by file name.
    virtual QByteArray LoadScrapBytes(const QString& scrapId) = 0;
    // A catalogue picture by number.
    virtual QByteArray LoadVisualBytes(int id) = 0;
};

// Makes the source a picture download uses; main is the worker queue's main
// frame. The default makes a TBaseLoadCtx.
using TLabPictureSourceFactory = std::function<std::unique_ptr<ILabPictureSource>(IMainFrame* main, bool bOldSvcCompat)>;
void QzfsSetLabPictureSourceFactory(TLabPictureSourceFactory factory);
std::unique_ptr<ILabPictureSource> QzfsLabPictureSource(IMainFrame* main, bool bOldSvcCompat);

enum loadResStatus { loadResStart = 0, loadResNew = 1, loadResOld = 2 };

// A download context over the transfer server and the lab service.
class TBaseLoadCtx : public ILabPictureSource {
public:
    TBaseLoadCtx(IMainFrame* main, bool bOldSvcCompat);
    ~TBaseLoadCtx() override;

    QByteArray LoadScrapBytes(const QString& scrapId) override;
    QByteArray LoadVisualBytes(int id) override;
    loadResStatus Status() const { return fStatus; }

private:
    QByteArray load(const QString& serverPath, const std::function<QByteArray()>& fromLab, const QString& what);

    loadResStatus fStatus;
    IMainFrame* fMain;
    std::unique_ptr<TNetTransfer> fNetTransfer;
};
using TScrapLoadCtx = TBaseLoadCtx;
using TVisualLoadCtx = TBaseLoadCtx;

// A decoration picture of the scrap cache folder, fetched when first read.
class TResScrapImage : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TResScrapImage)
public:
    using TOrderImageFile::TOrderImageFile;
    bool IsImageScrap() override { return true; }
    void checkFile() override;
};

// The hidden "scrap:" folder over the decoration-picture cache.
class TQzfsFolderResScrapRoot : public TQzfsFolderDiskRoot {
public:
    TQzfsFolderResScrapRoot(IMainFrame* main, const QString& id);
    bool IsVisible() override { return false; }
    // A picture for any plain picture file name (fetched when read); nil for
    // an empty name, a name with a separator or "..", or another file type.
    TOrderImageRef ImageFind(const QString& imgId, const QString& imglabel, const QString& imgdata) override;
    IQzfsFolderRef onFolderCreate(const QString& name) override;
    TOrderImageRef subImageCreate(const QString& name) override;
};

// A picture resource of the program written into the internal resource
// folder; objects of the same file share it, the last one deletes it.
class TImageExeResource : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TImageExeResource)
public:
    TImageExeResource(IMainFrame* main, const QString& resName, const QString& resExt);
    ~TImageExeResource() override;
    QString DebugLabel() override;
    TSimplifiedExifData* ExifData() override { return nullptr; }
    bool IsImageValid() override { return false; }
    bool Exists();

private:
    QString fResName;
    QString fFilePath;
};

// The placeholders of pictures that cannot be shown.
class TImageBroken : public TImageExeResource {
    KIOSK_SERIALIZABLE_CLASS(TImageBroken)
public:
    using TImageExeResource::TImageExeResource;
};

// A picture file of the program already on disk.
class TImageFileResource : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TImageFileResource)
public:
    TImageFileResource(const QString& resPath, const QString& resId);
    QString DebugLabel() override;
    TSimplifiedExifData* ExifData() override { return nullptr; }
    bool IsImageValid() override { return false; }
    bool Exists();
};

// A catalogue picture of the lab, cached under its number.
class TResWebSvcVignette : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TResWebSvcVignette)
public:
    TResWebSvcVignette(IMainFrame* main, int vignetteId);
    QString DebugLabel() override;
    TSimplifiedExifData* ExifData() override { return nullptr; }
    void checkFile() override;

private:
    int fVignetteId;
};

class TResWebSvcVignetteBg : public TResWebSvcVignette {
    KIOSK_SERIALIZABLE_CLASS(TResWebSvcVignetteBg)
public:
    using TResWebSvcVignette::TResWebSvcVignette;
};

// Writes the program resource ":/media/<name>.<ext>" into the internal
// resource folder (shared by objects of the same file) and returns its path;
// raises EResNotFound for a missing resource.
QString QzfsResourceFileAcquire(IMainFrame* main, const QString& resName, const QString& resExt);
// Gives the file back; the last user deletes it.
void QzfsResourceFileRelease(const QString& path);

// A sound resource, played by the desktop's sound player command.
class TSoundExeResource {
public:
    TSoundExeResource(IMainFrame* main, const QString& resName, const QString& resExt);
    ~TSoundExeResource();

    void PlayStart();
    void PlayStop();
    bool Playing();

    // The player command (the file path is appended); "paplay" by default.
    static void SetPlayerCommand(const QStringList& command);

private:
    QString fResName;
    QString fFilePath;
    std::unique_ptr<QProcess> fPlayer;
};
