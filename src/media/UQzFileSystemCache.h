#pragma once
// The local picture cache of the sources whose pictures may vanish
// (removable drives, phones) or lie far away (the social network).
//
// TQzfsCacheRoot maps a picture id to a file below the kiosk's image cache
// folder: one folder level per id part, each part escaped reversibly ("%"
// and the characters a file name cannot hold become "%XX", so "E:" and "EX"
// stay apart) and "." or ".." refused, so no id ever reaches outside the
// cache folder. TQzfsDriveCacheRoot is the base of such sources: a picture
// looked up by id falls back on the cache when the live source no longer has
// it, and drives present at start-up can be hidden. The cache of a source is
// emptied when the customer session ends (SessionClear).
#include "UOrderImageFile.h"
#include "UQzFileSystemBase.h"

class IQzfsCacheRoot {
public:
    virtual ~IQzfsCacheRoot() = default;
    // Cache file of a picture id; raises on an id part "." or "..".
    virtual QString idToCachePath(const QString& id) = 0;
    virtual QString cacheId() = 0;
};
using IQzfsCacheRootRef = std::shared_ptr<IQzfsCacheRoot>;

class TQzfsCacheRoot : public IQzfsCacheRoot {
public:
    TQzfsCacheRoot(const QString& imgCachePath, const QString& cacheId);

    QString idToCachePath(const QString& id) override;
    QString cacheId() override { return fCacheId; }

    // The folder of the source's copies (the escaped cache id).
    QString sourceCachePath() const;
    // Deletes every copy of the source.
    void Purge();

    // One id part as a file name, and back.
    static QString EscapePart(const QString& part);
    static QString UnescapePart(const QString& escaped);

private:
    const QString fCacheId;
    const QString fImgCachePath;
};

// Writes bytes to a temporary file beside path, checks the size written and
// renames it into place; raises on any failure, leaving no partial file.
void QzfsWriteFileChecked(const QString& path, const QByteArray& data);

// A picture file rebuilt from the cache, keeping the label and data the
// order stored with it.
class TQzfsDriveCacheImage : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TQzfsDriveCacheImage)
public:
    TQzfsDriveCacheImage(const QString& imgid, const QString& imglabel, const QString& imgdata, const QString& imgpath);

    QString ImageLabel() override { return fimglabel; }
    QString ImageData() override { return fimgdata; }

private:
    QString fimglabel;
    QString fimgdata;
};

class TQzfsDriveCacheRoot : public TQzfsFolderAdvWithFolderDicoBase, public virtual IQzfsDrivesRoot {
public:
    TQzfsDriveCacheRoot(IMainFrame* main, const QString& imgCachePath, const QString& subId);

    TOrderImageRef ImageFind(const QString& imgId, const QString& imglabel, const QString& imgdata) override;
    IQzfsFolderRef folderFindLocal(const QString& subId) override;
    bool IsReadyToUse() override { return true; }
    void StartDriveHiddenIfUsedRemove(bool val) override { fStartDriveHiddenIfUsedRemove = val; }
    void MarkStartupDrivesAsShown() override;
    // The customer leaves: the copies of this source are deleted.
    void SessionClear() override;

    const IQzfsCacheRootRef& CacheRoot() const { return fCacheRoot; }

protected:
    // The picture class of a file found in the cache.
    virtual TOrderImageRef cacheImageCreate(const QString& cachePath, const QString& fullId, const QString& label,
                                            const QString& data)
        = 0;
    virtual IQzfsCacheRootRef cacheRootCreate(const QString& imgCachePath, const QString& subId);
    // Cache files that may hold the picture of that full id, best first.
    virtual QStringList cacheCandidates(const QString& fullId);

    IQzfsCacheRootRef fCacheRoot;
    std::atomic<bool> fStartDriveHiddenIfUsedRemove { false };
};
