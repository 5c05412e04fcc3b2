#pragma once
// Picture codecs for pixel surfaces: reading a picture file into a straight
// 4-byte surface and writing a surface as JPEG (with a quality and a
// resolution) or PNG.
//
// JPEG goes through libjpeg directly: it decodes straight into the surface's
// rows, reduces large pictures while decoding, and tells a truncated or
// damaged file from a sound one (the generic reader would hand back a picture
// filled with grey). Other formats go through QImageReader, whose allocation
// limit is set to the same bound.
//
// Every failure is an exception that names the file: `EImgTooBig` when the
// picture would need more memory than the bound, `Exception` for an unknown
// format, a truncated or damaged file or a failed write.
#include <QImage>
#include <QSize>
#include <QString>

class TImageCodec {
public:
    TImageCodec() = delete;

    // Largest decoded picture accepted, in MiB of 4-byte pixels (about 134
    // megapixels): larger than any camera picture, small enough that a
    // hostile header cannot make the kiosk allocate gigabytes.
    static constexpr int AllocationLimitMb = 512;

    // Sets QImageReader's process-wide allocation limit to AllocationLimitMb
    // (once; every load calls it).
    static void InstallAllocationLimit();

    // Pixel size read from the header, without decoding.
    static QSize ReadImageSize(const QString& path);

    // Decodes the picture; with a box (maxWidth and maxHeight above 0) the
    // result is no larger than the box, keeping the picture's ratio. The
    // surface is Format_ARGB32 for pictures with transparency and
    // Format_RGB32 (alpha byte 255) for opaque ones.
    static QImage LoadFromFile(const QString& path, int maxWidth = 0, int maxHeight = 0);

    // Writes the surface: JPEG for ".jpg" and ".jpeg" (quality 1..100, dpi
    // written into the JFIF header when above 0), PNG for ".png" (quality
    // ignored). The file is written to a temporary file and renamed into
    // place.
    static void SaveToFile(const QImage& surface, const QString& path, int quality, int dpi = 0);

    // JPEG bytes of the surface (quality 1..100, dpi when above 0).
    static QByteArray EncodeJpeg(const QImage& surface, int quality, int dpi = 0);
};
