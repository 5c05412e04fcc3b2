#pragma once
// The customer's social-network albums and photos on top of the Graph
// client: which requests are made, which members are read, how lists are
// paged, which stored size of a photo serves which use, and how a photo is
// found again by its id.
//
// The objects take no lock: the media folders load an album while holding
// their load guard and look photos up under the source's lock.
//
// Reply elements that lack a member this layer needs, or whose id could not
// be a file name part (empty, ".", "..", holding "\" or "/"), are left out
// with a warning; a second element of an id already listed is left out too,
// so one bad element never costs the customer the rest of his album.
#include "UFacebookGraphAPI.h"

#include <QDateTime>
#include <QHash>
#include <QSize>
#include <memory>
#include <vector>

class IFacebookPhotoFile;
class IFacebookPhoto;
class IFacebookAlbum;
class IFacebookAlbums;
class IFacebookGraphPhoto;
using IFacebookPhotoFileRef = std::shared_ptr<IFacebookPhotoFile>;
using IFacebookPhotoRef = std::shared_ptr<IFacebookPhoto>;
using IFacebookAlbumRef = std::shared_ptr<IFacebookAlbum>;
using IFacebookAlbumsRef = std::shared_ptr<IFacebookAlbums>;
using IFacebookGraphPhotoRef = std::shared_ptr<IFacebookGraphPhoto>;

class IFacebookGraphPhoto : public virtual IFacebookGraph {
public:
    // A new album list of this client, already loaded.
    virtual IFacebookAlbumsRef CreateAlbums() = 0;
};

// One stored size of a photo.
class IFacebookPhotoFile {
public:
    virtual ~IFacebookPhotoFile() = default;
    virtual QString SourceWithoutHttpArg() = 0;
    virtual QString SourceExt() = 0;
    virtual int width() = 0;
    virtual int height() = 0;
    virtual QSize Size() = 0;
    // Fetches this size into fpath; false, with no file, when it failed.
    virtual bool DownloadTo(const QString& fpath) = 0;
};

class IFacebookPhoto {
public:
    virtual ~IFacebookPhoto() = default;
    virtual QString Name() = 0;
    virtual QString Id() = 0;
    // Invalid when the Graph gave no readable creation time.
    virtual QDateTime Date() = 0;
    virtual QString SourceWithoutHttpArg() = 0;
    virtual QString SourceExt() = 0;
    virtual IFacebookPhotoFileRef FileWithSize(int width, int height) = 0;
    virtual IFacebookPhotoFileRef FileWithSizeMax() = 0;
    virtual QSize SizeMax() = 0;
    virtual IFacebookPhotoRef RetrievePhotoFromFileId(const QString& fileId) = 0;
    virtual const std::vector<IFacebookPhotoFileRef>& Children() = 0;
};

class IFacebookAlbum {
public:
    virtual ~IFacebookAlbum() = default;
    virtual void Load() = 0;
    virtual bool Loaded() = 0;
    virtual IFacebookPhotoRef RetrievePhotoFromFileId(const QString& fileId) = 0;
    virtual IFacebookPhotoRef RetrievePhotoFromFileIndice(int idx) = 0;
    virtual QString Name() = 0;
    virtual QString Id() = 0;
    virtual int Count() = 0;
};

class IFacebookAlbums {
public:
    virtual ~IFacebookAlbums() = default;
    virtual void Load() = 0;
    virtual bool Loaded() = 0;
    virtual IFacebookPhotoRef RetrievePhotoFromFilePath(const QString& filePath) = 0;
    virtual IFacebookPhotoRef RetrievePhotoFromFileId(const QString& fileId) = 0;
    // The albums in the order of the Graph replies.
    virtual std::vector<IFacebookAlbumRef> Children() = 0;
    virtual IFacebookGraphPhotoRef Graph() = 0;
};

class TFacebookGraphPhoto : public TFacebookGraph, public virtual IFacebookGraphPhoto {
public:
    using TFacebookGraph::TFacebookGraph;

    IFacebookAlbumsRef CreateAlbums() override;
    std::shared_ptr<TFacebookGraphPhoto> selfPhoto();
};

// Pages of albums read at most, and pages of photos of one album.
constexpr int FacebookAlbumPagesMax = 11;
constexpr int FacebookPhotoPagesMax = 101;

// True when a Graph id may become part of a picture id and a cache path.
bool FacebookIdIsSafe(const QString& id);
// A URL up to its first "?" (when that is not its first character).
QString FacebookSourceWithoutHttpArg(const QString& url);
// The extension of a URL's last path segment, dot included, when it is a
// plain one (letters and digits, at most 5 of them); else empty.
QString FacebookSourceExt(const QString& url);

class TFacebookPhotoFile : public IFacebookPhotoFile {
public:
    TFacebookPhotoFile(IFacebookGraphPhotoRef graph, const QString& phid, int width, int height,
                       const QString& source);

    QString SourceWithoutHttpArg() override { return FacebookSourceWithoutHttpArg(fSource); }
    QString SourceExt() override { return FacebookSourceExt(SourceWithoutHttpArg()); }
    int width() override { return fWidth; }
    int height() override { return fHeight; }
    QSize Size() override { return QSize(fWidth, fHeight); }
    bool DownloadTo(const QString& fpath) override;
    const QString& Source() const { return fSource; }

private:
    IFacebookGraphPhotoRef fGraph;
    int fWidth;
    int fHeight;
    QString fSource;
    QString fPhid;
};

class TFacebookPhoto : public IFacebookPhoto, public std::enable_shared_from_this<TFacebookPhoto> {
public:
    // files: the "images" array of the photo; sizes without a usable width,
    // height or source are left out.
    TFacebookPhoto(IFacebookGraphPhotoRef graph, const QString& id, const QString& name, const QDateTime& dt,
                   const QString& source, const TFacebookJson& files);

    QString Name() override { return fName.isEmpty() ? fId : fName; }
    QString Id() override { return fId; }
    QDateTime Date() override { return fDt; }
    QString SourceWithoutHttpArg() override { return FacebookSourceWithoutHttpArg(fSource); }
    QString SourceExt() override { return FacebookSourceExt(SourceWithoutHttpArg()); }
    IFacebookPhotoFileRef FileWithSize(int width, int height) override;
    IFacebookPhotoFileRef FileWithSizeMax() override { return FileWithSize(-1, -1); }
    QSize SizeMax() override { return FileWithSizeMax()->Size(); }
    IFacebookPhotoRef RetrievePhotoFromFileId(const QString& fileId) override;
    const std::vector<IFacebookPhotoFileRef>& Children() override { return fChild; }

private:
    QString fName;
    QString fId;
    QString fSource;
    QDateTime fDt;
    IFacebookGraphPhotoRef fGraph;
    std::vector<IFacebookPhotoFileRef> fChild;
};

class TFacebookAlbum : public IFacebookAlbum {
public:
    TFacebookAlbum(IFacebookGraphPhotoRef graph, const QString& id, const QString& name);

    void Load() override;
    bool Loaded() override { return fBLoaded; }
    IFacebookPhotoRef RetrievePhotoFromFileId(const QString& fileId) override;
    IFacebookPhotoRef RetrievePhotoFromFileIndice(int idx) override;
    QString Name() override { return fName.isEmpty() ? fId : fName; }
    QString Id() override { return fId; }
    int Count() override { return int(fChildLst.size()); }

private:
    bool fBLoaded = false;
    QString fName;
    QString fId;
    IFacebookGraphPhotoRef fGraph;
    QHash<QString, IFacebookPhotoRef> fChild;
    std::vector<IFacebookPhotoRef> fChildLst;
};

class TFacebookAlbums : public IFacebookAlbums {
public:
    explicit TFacebookAlbums(IFacebookGraphPhotoRef graph);

    void Load() override;
    bool Loaded() override { return fBLoaded; }
    IFacebookPhotoRef RetrievePhotoFromFilePath(const QString& filePath) override;
    IFacebookPhotoRef RetrievePhotoFromFileId(const QString& fileId) override;
    std::vector<IFacebookAlbumRef> Children() override { return fChildLst; }
    IFacebookGraphPhotoRef Graph() override { return fGraph; }

    // The photo id a cached file name stands for: the name without its
    // extension, cut at its last "-" when that is not the first character.
    static QString PhotoIdFromFilePath(const QString& filePath);

private:
    bool fBLoaded = false;
    IFacebookGraphPhotoRef fGraph;
    QHash<QString, IFacebookAlbumRef> fChild;
    std::vector<IFacebookAlbumRef> fChildLst;
};
