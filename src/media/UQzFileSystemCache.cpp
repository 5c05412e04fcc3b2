#include "UQzFileSystemCache.h"

#include "UDebug.h"
#include "UQzFileSystemDisk.h"
#include "UTools.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TQzfsDriveCacheImage, TOrderImageFile, )

namespace {

// Characters kept as they are in a cache file name; every other one is
// written "%XX" (UTF-8 bytes), which keeps names apart and reversible.
bool keptInName(QChar c)
{
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
        return false;
    switch (c.unicode()) {
    case '%': case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return false;
    default:
        return true;
    }
}

} // namespace

TQzfsCacheRoot::TQzfsCacheRoot(const QString& imgCachePath, const QString& cacheId)
    : fCacheId(cacheId)
    , fImgCachePath(imgCachePath)
{
}

QString TQzfsCacheRoot::EscapePart(const QString& part)
{
    QString out;
    out.reserve(part.size() + 4);
    for (QChar c : part) {
        if (keptInName(c)) {
            out += c;
        } else {
            for (unsigned char b : QString(c).toUtf8())
                out += QLatin1Char('%') + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        }
    }
    return out;
}

QString TQzfsCacheRoot::UnescapePart(const QString& escaped)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(escaped.toUtf8()));
}

QString TQzfsCacheRoot::idToCachePath(const QString& id)
{
    QString result = fImgCachePath;
    const QStringList parts = id.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        throw Exception(QStringLiteral("TQzfsCacheRoot.idToCachePath: empty id"));
    for (const QString& part : parts) {
        if (part == QStringLiteral(".") || part == QStringLiteral(".."))
            throw Exception(QStringLiteral("TQzfsCacheRoot.idToCachePath: invalid id [%1]").arg(id));
        result += QLatin1Char('/') + EscapePart(part);
    }
    return result;
}

QString TQzfsCacheRoot::sourceCachePath() const
{
    return fImgCachePath + QLatin1Char('/') + EscapePart(fCacheId);
}

void TQzfsCacheRoot::Purge()
{
    if (fImgCachePath.isEmpty() || fCacheId.isEmpty())
        return;
    QDir dir(sourceCachePath());
    if (dir.exists() && !dir.removeRecursively())
        LogError(QStringLiteral("TQzfsCacheRoot.Purge: could not empty ") + dir.path());
}

void QzfsWriteFileChecked(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, f.errorString()));
    if (f.write(data) != data.size()) {
        f.cancelWriting();
        throw EStreamError(QStringLiteral("Short write to \"%1\"").arg(path));
    }
    if (!f.commit())
        throw EStreamError(QStringLiteral("Cannot write \"%1\". %2").arg(path, f.errorString()));
    if (QFileInfo(path).size() != data.size())
        throw EStreamError(QStringLiteral("Size check failed on \"%1\"").arg(path));
}

// ------------------------------------------------------- TQzfsDriveCacheImage

TQzfsDriveCacheImage::TQzfsDriveCacheImage(const QString& imgid, const QString& imglabel, const QString& imgdata,
                                           const QString& imgpath)
    : TOrderImageFile(imgid, imgpath)
    , fimglabel(imglabel)
    , fimgdata(imgdata)
{
}

// -------------------------------------------------------- TQzfsDriveCacheRoot

TQzfsDriveCacheRoot::TQzfsDriveCacheRoot(IMainFrame* main, const QString& imgCachePath, const QString& subId)
    : TQzfsFolderAdvWithFolderDicoBase(main, nullptr, subId)
{
    fCacheRoot = TQzfsDriveCacheRoot::cacheRootCreate(imgCachePath, subId);
}

IQzfsCacheRootRef TQzfsDriveCacheRoot::cacheRootCreate(const QString& imgCachePath, const QString& subId)
{
    return std::make_shared<TQzfsCacheRoot>(imgCachePath, subId);
}

QStringList TQzfsDriveCacheRoot::cacheCandidates(const QString& fullId)
{
    return { fCacheRoot->idToCachePath(fullId) };
}

TOrderImageRef TQzfsDriveCacheRoot::ImageFind(const QString& imgId, const QString& imglabel, const QString& imgdata)
{
    if (TOrderImageRef img = TQzfsFolderAdvWithFolderDicoBase::ImageFind(imgId, imglabel, imgdata))
        return img;
    if (imgId.isEmpty() || !TQzfsFolderDisk::IsSafeRelativeId(imgId))
        return nullptr;
    const QString fullId = folderSubId() + folderIdSeparator() + imgId;
    const QStringList masks = QzfsImageMasks(mainFrame());
    for (const QString& path : cacheCandidates(fullId)) {
        const QFileInfo fi(path);
        if (fi.isFile() && QzfsNameMatchesMasks(fi.fileName(), masks))
            return cacheImageCreate(path, fullId, imglabel, imgdata);
    }
    return nullptr;
}

IQzfsFolderRef TQzfsDriveCacheRoot::folderFindLocal(const QString& subId)
{
    IQzfsFolderRef f = TQzfsFolderAdvWithFolderDicoBase::folderFindLocal(subId);
    if (f && fStartDriveHiddenIfUsedRemove) {
        if (auto drive = std::dynamic_pointer_cast<IQzfsRootDrive>(f); drive && drive->IsDriveHidden())
            drive->SetDriveHidden(false);
    }
    return f;
}

void TQzfsDriveCacheRoot::MarkStartupDrivesAsShown()
{
    LogInfo(QStringLiteral("Reshow hidden removeable drives detected at startup:"));
    try {
        TQzfsCursor cursor;
        for (int i = 0;; ++i) {
            IQzfsFolderRef f = FolderByIndice(i, cursor);
            if (!f)
                break;
            if (auto sub = std::dynamic_pointer_cast<IQzfsDrivesRoot>(f)) {
                sub->MarkStartupDrivesAsShown();
            } else if (auto drive = std::dynamic_pointer_cast<IQzfsRootDrive>(f); drive && drive->IsDriveHidden()) {
                LogInfoFmt(QStringLiteral(" - drive %s(%s) shown."), { f->folderLabel(), f->folderId() });
                drive->SetDriveHidden(false);
            }
        }
        FolderByIndiceFreeData(cursor);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFolderRoot.MarkStartupDrivesAsShown"), e);
    }
}

void TQzfsDriveCacheRoot::SessionClear()
{
    if (auto cache = std::dynamic_pointer_cast<TQzfsCacheRoot>(fCacheRoot))
        cache->Purge();
}
