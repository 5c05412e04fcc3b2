#include "UQzFileSystemExtern.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TQzfsExternImage, TOrderImageFile, )

namespace {
const QString ExternPrefix = QStringLiteral("extern:");
}

TQzfsExternImage::TQzfsExternImage(const QString& imgpath)
    : TOrderImageFile(TQzfsFolderExternRoot::imgPathToImgId(imgpath), imgpath)
{
}

QString TQzfsExternImage::ImageLabel()
{
    return QFileInfo(ImagePath()).completeBaseName();
}

TQzfsFolderExternRoot::TQzfsFolderExternRoot(IMainFrame* main)
    : TQzfsFolderDiskRoot(main, ExternPrefix, QString(), QStringLiteral("Extern files"), -1)
{
}

QString TQzfsFolderExternRoot::imgPathToImgId(const QString& imgPath)
{
    return ExternPrefix + QLatin1Char('\\') + QString::fromLatin1(QUrl::toPercentEncoding(imgPath));
}

QString TQzfsFolderExternRoot::imgIdToImgPath(const QString& imgId)
{
    QString part = imgId;
    if (part.startsWith(ExternPrefix + QLatin1Char('\\')))
        part = part.mid(ExternPrefix.size() + 1);
    return QUrl::fromPercentEncoding(part.toUtf8());
}

TOrderImageRef TQzfsFolderExternRoot::ImageFind(const QString& imgId, const QString&, const QString&)
{
    if (imgId.isEmpty() || imgId.contains(QLatin1Char('\\')))
        return nullptr;
    const QString path = subPathMake(imgId);
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path || path.contains(QChar(0)))
        return nullptr;
    const QFileInfo fi(path);
    if (!fi.isFile() || !QzfsNameMatchesMasks(fi.fileName(), QzfsImageMasks(mainFrame())))
        return nullptr;
    return subImageCreate(imgId);
}

IQzfsFolderRef TQzfsFolderExternRoot::onFolderCreate(const QString&)
{
    throw Exception(QStringLiteral("TQzfsFolderExternRoot.onFolderCreate: not supported"));
}

TOrderImageRef TQzfsFolderExternRoot::subImageCreate(const QString& name)
{
    return std::make_unique<TQzfsExternImage>(subIdMake(name), subPathMake(name));
}
