#include "USimplifiedExifData.h"

#include "UAppExceptions.h"
#include "UDebug.h"

#include <QFile>
#include <QSaveFile>

#include <exiv2/exiv2.hpp>

#include <mutex>

namespace {

void exivLogHandler(int level, const char* text)
{
    QString msg = QString::fromUtf8(text).trimmed();
    if (level >= Exiv2::LogMsg::error)
        LogInfo(QStringLiteral("exiv2: ") + msg);
    else
        LogDebug(QStringLiteral("exiv2: ") + msg);
}

float rationalValue(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() == 0)
        return 0;
    const Exiv2::Rational r = it->toRational(0);
    if (r.second == 0)
        return 0;
    return float(double(r.first) / double(r.second));
}

QDateTime dateValue(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return QDateTime();
    return TSimplifiedExifData::ParseExifDate(QString::fromStdString(it->toString()));
}

// Reads the block of an opened picture into data; false when it has none.
bool readInto(Exiv2::Image& image, TSimplifiedExifData& data)
{
    image.readMetadata();
    const Exiv2::ExifData& exif = image.exifData();
    if (exif.empty())
        return false;
    data.SetResolution(rationalValue(exif, "Exif.Image.XResolution"), rationalValue(exif, "Exif.Image.YResolution"));
    TTiffOrientation orientation = TTiffOrientation::toUndefined;
    const auto o = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (o != exif.end() && o->count() > 0) {
        const long v = o->toLong(0);
        if (v >= 1 && v <= 8)
            orientation = TTiffOrientation(v);
    }
    data.SetOrientation(orientation);
    data.SetDateTimeOriginal(dateValue(exif, "Exif.Photo.DateTimeOriginal"));
    QDateTime digitized = dateValue(exif, "Exif.Photo.DateTimeDigitized");
    if (!digitized.isValid())
        digitized = dateValue(exif, "Exif.Image.DateTime");
    data.SetDateTime(digitized);
    return true;
}

} // namespace

void ExifLibraryInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Needed once before threads use exiv2: it sets up the XMP toolkit
        // that exiv2 may call while reading any picture.
        Exiv2::XmpParser::initialize();
        Exiv2::LogMsg::setHandler(&exivLogHandler);
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
    });
}

int TSimplifiedExifData::OrientationAngle(TTiffOrientation o)
{
    switch (o) {
    case TTiffOrientation::toBottomRight:
    case TTiffOrientation::toBottomLeft:
        return 180;
    case TTiffOrientation::toLeftTop:
    case TTiffOrientation::toRightTop:
        return 90;
    case TTiffOrientation::toRightBottom:
    case TTiffOrientation::toLeftBottom:
        return 270;
    default:
        return 0;
    }
}

bool TSimplifiedExifData::OrientationMirrored(TTiffOrientation o)
{
    return o == TTiffOrientation::toTopRight || o == TTiffOrientation::toBottomLeft
        || o == TTiffOrientation::toLeftTop || o == TTiffOrientation::toRightBottom;
}

QDateTime TSimplifiedExifData::ParseExifDate(const QString& text)
{
    // Cameras pad the text with NULs or blanks, and write zeros or blanks
    // when they know no date; both must give "no date".
    QString t = text;
    while (!t.isEmpty() && (t.back().isNull() || t.back().isSpace()))
        t.chop(1);
    t = t.trimmed();
    const QDateTime d = QDateTime::fromString(t, QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return d.isValid() ? d : QDateTime();
}

QString TSimplifiedExifData::ExifDateText(const QDateTime& d)
{
    return d.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

bool TSimplifiedExifData::LoadFromGraphic(const QString& imgpath)
{
    ExifLibraryInit();
    try {
        if (!QFile::exists(imgpath))
            throw Exception(QStringLiteral("file not found"));
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(imgpath).toStdString(), false);
        if (!image.get())
            return false;
        return readInto(*image, *this);
    } catch (const std::exception& e) {
        LogErrorFmt(QStringLiteral("TSimplifiedExifData.LoadFromGraphic(%s) failed"), { imgpath }, e);
        return false;
    }
}

bool TSimplifiedExifData::LoadFromBytes(const QByteArray& bytes, const QString& nameForLog)
{
    ExifLibraryInit();
    try {
        if (bytes.isEmpty())
            throw Exception(QStringLiteral("empty picture"));
        Exiv2::Image::AutoPtr image
            = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
        if (!image.get())
            return false;
        return readInto(*image, *this);
    } catch (const std::exception& e) {
        LogErrorFmt(QStringLiteral("TSimplifiedExifData.LoadFromGraphic(%s) failed"), { nameForLog }, e);
        return false;
    }
}

QByteArray TExifWriter::WriteSoftwareAndDate(const QByteArray& picture, const QString& software,
                                             const QDateTime& dateOriginal)
{
    ExifLibraryInit();
    try {
        if (picture.isEmpty())
            throw Exception(QStringLiteral("empty picture"));
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(picture.constData()), long(picture.size()));
        if (!image.get())
            throw Exception(QStringLiteral("unknown picture format"));
        image->readMetadata();
        Exiv2::ExifData exif;
        exif["Exif.Image.Software"] = software.toStdString();
        if (dateOriginal.isValid())
            exif["Exif.Photo.DateTimeOriginal"] = TSimplifiedExifData::ExifDateText(dateOriginal).toStdString();
        image->setExifData(exif);
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const long size = long(io.size());
        Exiv2::DataBuf buf = io.read(size);
        if (buf.size_ != size)
            throw Exception(QStringLiteral("short read of the written picture"));
        return QByteArray(reinterpret_cast<const char*>(buf.pData_), int(buf.size_));
    } catch (const Exception&) {
        throw;
    } catch (const std::exception& e) {
        throw Exception(QString::fromUtf8(e.what()));
    }
}

void TExifWriter::WriteSoftwareAndDate(const QString& path, const QString& software, const QDateTime& dateOriginal)
{
    try {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            throw Exception(in.errorString());
        const QByteArray picture = in.readAll();
        in.close();
        const QByteArray out = WriteSoftwareAndDate(picture, software, dateOriginal);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
            throw Exception(file.errorString());
    } catch (const Exception& e) {
        Exception wrapped(QStringLiteral("TExifWriter.WriteSoftwareAndDate(%1): %2").arg(path, e.Message()));
        wrapped.SetInnerException(std::current_exception());
        throw wrapped;
    }
}
