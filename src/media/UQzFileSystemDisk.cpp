#include "UQzFileSystemDisk.h"

#include "IMainFrame.h"
#include "UTools.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

#include <functional>

namespace {

// Deep enough for any camera or phone tree; a guard against link loops.
constexpr int MaxDepth = 64;

QStringList defaultMasks()
{
    static const QStringList masks = [] {
        QStringList m;
        for (const QByteArray& f : QImageReader::supportedImageFormats())
            m << QStringLiteral("*.") + QString::fromLatin1(f);
        return m;
    }();
    return masks;
}

QString systemPathLower()
{
    try {
        return TFileTools::GetSystemPath().toLower();
    } catch (const std::exception&) {
        return QString();
    }
}

QStringList subDirectories(const QString& path)
{
    QStringList out;
    QDir dir(path);
    const QFileInfoList entries
        = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QFileInfo& fi : entries)
        out << fi.absoluteFilePath();
    return out;
}

// At least one picture file directly in the directory; stops at the first.
bool hasPictureFile(const QString& dirPath, const QStringList& masks)
{
    QDirIterator it(dirPath, masks, QDir::Files | QDir::System);
    return it.hasNext();
}

// Depth first below path: a directory that passes enter and holds a picture
// file. Links to directories are not followed below the first level.
bool picturesBelow(const QString& path, const QStringList& masks, int depth,
                   const std::function<bool(const QString&)>& enter)
{
    if (!enter(path))
        return false;
    if (hasPictureFile(path, masks))
        return true;
    if (depth >= MaxDepth)
        return false;
    for (const QString& sub : subDirectories(path)) {
        if (QFileInfo(sub).isSymLink())
            continue;
        if (picturesBelow(sub, masks, depth + 1, enter))
            return true;
    }
    return false;
}

} // namespace

QStringList QzfsImageMasks(IMainFrame* main)
{
    if (main) {
        const QStringList m = main->imageSupportedExtList();
        if (!m.isEmpty())
            return m;
    }
    return defaultMasks();
}

bool QzfsNameMatchesMasks(const QString& fileName, const QStringList& masks)
{
    if (fileName.isEmpty())
        return false;
    for (const QString& mask : masks) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(mask),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(fileName).hasMatch())
            return true;
    }
    return false;
}

QStringList QzfsPictureFiles(const QString& dirPath, const QStringList& masks)
{
    QStringList out;
    if (dirPath.isEmpty() || masks.isEmpty())
        return out;
    QDir dir(dirPath);
    dir.setNameFilters(masks);
    dir.setFilter(QDir::Files | QDir::System);
    dir.setSorting(QDir::Unsorted);
    for (const QFileInfo& fi : dir.entryInfoList())
        out << fi.absoluteFilePath();
    return out;
}

bool hasImagesInPath(IMainFrame* main, const QString& path)
{
    return picturesBelow(path, QzfsImageMasks(main), 0, [main](const QString& p) {
        QzfsTaskCheckStop(main);
        return !p.isEmpty() && QFileInfo(p).isDir();
    });
}

// ------------------------------------------------------------ TQzfsFolderDisk

TQzfsFolderDisk::TQzfsFolderDisk(IMainFrame* main, IQzfsFolder* parent, const QString& subId, const QString& subPath)
    : TQzfsFolderBase(main, parent, subId)
{
    QString path = subPath;
    if (path.isEmpty()) {
        // A sub id of several levels reaches the directory below.
        QStringList parts;
        for (const QString& p : subId.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
            parts << QzfsSubIdToName(p);
        path = parts.join(QLatin1Char('/'));
    }
    if (auto* diskParent = dynamic_cast<TQzfsFolderDisk*>(parent)) {
        const QString base = diskParent->folderPath();
        fdiskPath = base.endsWith(QLatin1Char('/')) ? base + path : base + QLatin1Char('/') + path;
    } else {
        fdiskPath = path;
    }
}

bool TQzfsFolderDisk::IsSafeRelativeId(const QString& relId)
{
    const QStringList parts = relId.split(QLatin1Char('\\'));
    for (const QString& p : parts)
        if (QzfsUnsafeIdPart(p))
            return false;
    return true;
}

QString TQzfsFolderDisk::subIdMake(const QString& name)
{
    const QString id = folderId();
    return id.isEmpty() ? name : id + folderIdSeparator() + name;
}

QString TQzfsFolderDisk::subPathMake(const QString& name)
{
    QStringList parts;
    for (const QString& p : name.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        parts << QzfsSubIdToName(p);
    const QString rel = parts.join(QLatin1Char('/'));
    if (fdiskPath.isEmpty())
        return rel;
    if (fdiskPath.endsWith(QLatin1Char('/')))
        return fdiskPath + rel;
    return fdiskPath + QLatin1Char('/') + rel;
}

QString TQzfsFolderDisk::safeSubPath(const QString& relId)
{
    if (relId.isEmpty() || !IsSafeRelativeId(relId))
        return QString();
    return subPathMake(relId);
}

IQzfsFolderRef TQzfsFolderDisk::onFolderCreate(const QString& name)
{
    return std::make_shared<TQzfsFolderDisk>(fMainFrame, this, name);
}

TOrderImageRef TQzfsFolderDisk::subImageCreate(const QString& name)
{
    return std::make_unique<TOrderImageFile>(subIdMake(name), subPathMake(name));
}

bool TQzfsFolderDisk::IsVisible()
{
    return !fdiskPath.isEmpty() && QFileInfo(fdiskPath).isDir();
}

bool TQzfsFolderDisk::HasImagesInSubFolders()
{
    return IsVisible() && hasImagesInPath(fMainFrame, fdiskPath);
}

IQzfsFolderEnumRef TQzfsFolderDisk::Folders()
{
    return std::make_shared<TQzfsFolderDiskEnumFolderExcludeEmpty>(
        std::static_pointer_cast<TQzfsFolderDisk>(shared_from_this()));
}

IQzfsImageEnumRef TQzfsFolderDisk::Images()
{
    return std::make_shared<TQzfsFolderDiskEnumImage>(std::static_pointer_cast<TQzfsFolderDisk>(shared_from_this()));
}

IQzfsFolderRef TQzfsFolderDisk::FolderFind(const QString& fldId)
{
    QString id = fldId;
    while (id.startsWith(QLatin1Char('\\')))
        id.remove(0, 1);
    const QString path = safeSubPath(id);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return nullptr;
    return onFolderCreate(id);
}

TOrderImageRef TQzfsFolderDisk::ImageFind(const QString& imgId, const QString&, const QString&)
{
    QString id = imgId;
    while (id.startsWith(QLatin1Char('\\')))
        id.remove(0, 1);
    const QString path = safeSubPath(id);
    if (path.isEmpty())
        return nullptr;
    const QFileInfo fi(path);
    if (!fi.isFile() || !QzfsNameMatchesMasks(fi.fileName(), QzfsImageMasks(fMainFrame)))
        return nullptr;
    return subImageCreate(id);
}

IQzfsFolderRef TQzfsFolderDisk::FolderByIndice(int idx, TQzfsCursor& dataPtr)
{
    if (!dataPtr)
        dataPtr = std::make_shared<TQzfsFolderDiskEnumFolderExcludeEmpty>(
            std::static_pointer_cast<TQzfsFolderDisk>(shared_from_this()));
    auto cursor = std::static_pointer_cast<TQzfsFolderDiskEnumFolder>(dataPtr);
    IQzfsFolderRef f = cursor->FolderByIndice(idx);
    if (!f)
        dataPtr.reset();
    return f;
}

void TQzfsFolderDisk::OSpathToVpathSearch(TQzosPathToVpathConverter& pathCvt)
{
    pathCvt.Match(fdiskPath, this);
}

// -------------------------------------------------------- TQzfsFolderDiskRoot

TQzfsFolderDiskRoot::TQzfsFolderDiskRoot(IMainFrame* main, const QString& id, const QString& path, const QString& lbl,
                                         int icon)
    : TQzfsFolderDisk(main, nullptr, id, path.isEmpty() ? id : path)
    , fLabel(lbl)
    , fIcon(icon < 0 ? 0 : icon)
{
    if (path.isEmpty())
        fdiskPath.clear();
}

// -------------------------------------------------- TQzfsFolderDiskEnumFolder

TQzfsFolderDiskEnumFolder::TQzfsFolderDiskEnumFolder(std::shared_ptr<TQzfsFolderDisk> folder)
    : fFolder(std::move(folder))
    , fMain(fFolder->mainFrame())
{
    const QString path = fFolder->folderPath();
    if (!path.isEmpty())
        fdirs = subDirectories(path);
}

bool TQzfsFolderDiskEnumFolder::folderAccept(const QString& path)
{
    QzfsTaskCheckStop(fMain);
    if (path.isEmpty())
        return false;
    static const QString systemPath = systemPathLower();
    if (!systemPath.isEmpty() && path.toLower() == systemPath)
        return false;
    const QFileInfo fi(path);
    const QString name = fi.fileName();
    if (name.startsWith(QLatin1Char('$')) || name.startsWith(QLatin1Char('.')))
        return false;
    if (!fi.isDir() || fi.isHidden())
        return false;
    return true;
}

bool TQzfsFolderDiskEnumFolder::MoveNext()
{
    while (++fidx < fdirs.size())
        if (folderAccept(fdirs[fidx]))
            return true;
    return false;
}

IQzfsFolderRef TQzfsFolderDiskEnumFolder::GetCurrentGen()
{
    if (fidx < 0 || fidx >= fdirs.size())
        return nullptr;
    return fFolder->onFolderCreate(QzfsNameToSubId(QFileInfo(fdirs[fidx]).fileName()));
}

IQzfsFolderRef TQzfsFolderDiskEnumFolder::FolderByIndice(int idx)
{
    if (idx < 0)
        return nullptr;
    while (fdirsByIndice.size() <= idx) {
        if (!MoveNext())
            return nullptr;
        fdirsByIndice << fdirs[fidx];
    }
    return fFolder->onFolderCreate(QzfsNameToSubId(QFileInfo(fdirsByIndice[idx]).fileName()));
}

bool TQzfsFolderDiskEnumFolderExcludeEmpty::folderAccept(const QString& path)
{
    return picturesBelow(path, QzfsImageMasks(fMain), 0,
                         [this](const QString& p) { return TQzfsFolderDiskEnumFolder::folderAccept(p); });
}

// --------------------------------------------------- TQzfsFolderDiskEnumImage

TQzfsFolderDiskEnumImage::TQzfsFolderDiskEnumImage(std::shared_ptr<TQzfsFolderDisk> folder)
    : fFolder(std::move(folder))
    , fMain(fFolder->mainFrame())
{
    ffiles = QzfsPictureFiles(fFolder->folderPath(), QzfsImageMasks(fMain));
}

bool TQzfsFolderDiskEnumImage::MoveNext()
{
    ++fidx;
    return fidx < ffiles.size();
}

TOrderImageRef TQzfsFolderDiskEnumImage::GetCurrentGen()
{
    if (fidx < 0 || fidx >= ffiles.size())
        return nullptr;
    return fFolder->subImageCreate(QzfsNameToSubId(QFileInfo(ffiles[fidx]).fileName()));
}
