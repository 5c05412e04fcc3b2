#include "UImageCodec.h"

#include "UAppExceptions.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <mutex>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace {

constexpr qint64 kLimitBytes = qint64(TImageCodec::AllocationLimitMb) * 1024 * 1024;

QString fileLabel(const QString& path)
{
    return QStringLiteral(" (") + path + QLatin1Char(')');
}

[[noreturn]] void raiseLoad(const QString& path, const QString& problem)
{
    throw Exception(QStringLiteral("TImageCodec.LoadFromFile: ") + problem + fileLabel(path));
}

[[noreturn]] void raiseTooBig(const QString& path, QSize size)
{
    throw EImgTooBig(QStringLiteral("TImageCodec.LoadFromFile: picture too big (%1x%2)")
                         .arg(size.width())
                         .arg(size.height())
                     + fileLabel(path));
}

bool isJpegName(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    return ext == QLatin1String("jpg") || ext == QLatin1String("jpeg");
}

bool looksLikeJpeg(const QByteArray& head)
{
    return head.size() >= 3 && uchar(head[0]) == 0xFF && uchar(head[1]) == 0xD8 && uchar(head[2]) == 0xFF;
}

// Size inside the box (maxWidth, maxHeight) with the picture's ratio; the
// picture's own size when no box is given or it fits.
QSize fitInBox(QSize size, int maxWidth, int maxHeight)
{
    if (maxWidth <= 0 || maxHeight <= 0 || (size.width() <= maxWidth && size.height() <= maxHeight))
        return size;
    return size.scaled(maxWidth, maxHeight, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// --- libjpeg glue ----------------------------------------------------------

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    cinfo->err->num_warnings++;
    // The decoder fills a cut-off picture with grey and only warns; a
    // picture that ends early is refused. Other warnings (extraneous bytes
    // between markers, common in camera files) are harmless.
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) {
        err->truncated = true;
        (*cinfo->err->format_message)(cinfo, err->message);
    }
}

void jpegOutputMessage(j_common_ptr) { }

void initError(JpegError& err, jpeg_common_struct* cinfo)
{
    cinfo->err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegEmitMessage;
    err.mgr.output_message = jpegOutputMessage;
    err.message[0] = 0;
    err.truncated = false;
}

// Adobe CMYK/YCCK pictures are stored inverted.
void cmykRowToBgra(const uchar* in, uchar* out, int width)
{
    for (int x = 0; x < width; ++x, in += 4, out += 4) {
        const int k = in[3];
        out[0] = uchar(in[2] * k / 255);
        out[1] = uchar(in[1] * k / 255);
        out[2] = uchar(in[0] * k / 255);
        out[3] = 255;
    }
}

// Decodes a JPEG held in memory. Only plain data lives between setjmp and
// the calls that may jump back to it; the surface is created before.
QImage decodeJpeg(const QString& path, const QByteArray& data, int maxWidth, int maxHeight)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    initError(err, reinterpret_cast<jpeg_common_struct*>(&cinfo));
    QImage result;
    std::vector<uchar> cmykRow;
    QSize fullSize;
    QSize wanted;
    bool cmyk = false;

    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        raiseLoad(path, QStringLiteral("damaged JPEG data: ") + QString::fromLatin1(err.message));
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);

    fullSize = QSize(int(cinfo.image_width), int(cinfo.image_height));
    wanted = fitInBox(fullSize, maxWidth, maxHeight);
    if (wanted != fullSize) {
        // Smallest DCT reduction (k/8) that still gives at least the wanted size.
        for (int k = 1; k <= 8; ++k) {
            if ((qint64(fullSize.width()) * k + 7) / 8 >= wanted.width()
                && (qint64(fullSize.height()) * k + 7) / 8 >= wanted.height()) {
                cinfo.scale_num = unsigned(k);
                cinfo.scale_denom = 8;
                break;
            }
        }
    }
    cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_calc_output_dimensions(&cinfo);
    if (qint64(cinfo.output_width) * cinfo.output_height * 4 > kLimitBytes) {
        jpeg_destroy_decompress(&cinfo);
        raiseTooBig(path, fullSize);
    }
    result = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (result.isNull()) {
        jpeg_destroy_decompress(&cinfo);
        raiseTooBig(path, fullSize);
    }
    if (cmyk)
        cmykRow.resize(size_t(cinfo.output_width) * 4);

    jpeg_start_decompress(&cinfo);
    {
        uchar* bits = result.bits();
        const qsizetype bpl = result.bytesPerLine();
        while (cinfo.output_scanline < cinfo.output_height && !err.truncated) {
            uchar* line = bits + qsizetype(cinfo.output_scanline) * bpl;
            JSAMPROW row = cmyk ? cmykRow.data() : line;
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
                break;
            if (cmyk)
                cmykRowToBgra(cmykRow.data(), line, int(cinfo.output_width));
        }
    }
    if (err.truncated || cinfo.output_scanline < cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        raiseLoad(path, QStringLiteral("truncated or damaged JPEG file: ") + QString::fromLatin1(err.message));
    }
    jpeg_finish_decompress(&cinfo);
    const bool truncated = err.truncated;
    jpeg_destroy_decompress(&cinfo);
    if (truncated)
        raiseLoad(path, QStringLiteral("truncated or damaged JPEG file: ") + QString::fromLatin1(err.message));

    if (result.size() != wanted)
        result = result.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return result;
}

QImage decodeOther(const QString& path, const QByteArray& data, int maxWidth, int maxHeight)
{
    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize fullSize = reader.size();
    if (!reader.canRead() || !fullSize.isValid())
        raiseLoad(path, QStringLiteral("unknown or unreadable picture format"));
    const QSize wanted = fitInBox(fullSize, maxWidth, maxHeight);
    // Checked here to report the picture as too big; QImageReader refuses it
    // too (its allocation limit), but only with a generic read error.
    if (qint64(fullSize.width()) * fullSize.height() * 4 > kLimitBytes
        && qint64(wanted.width()) * wanted.height() * 4 > kLimitBytes)
        raiseTooBig(path, fullSize);
    if (wanted != fullSize && reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(wanted);
    QImage img = reader.read();
    if (img.isNull()) {
        if (qint64(fullSize.width()) * fullSize.height() * 4 > kLimitBytes)
            raiseTooBig(path, fullSize);
        raiseLoad(path, QStringLiteral("cannot decode the picture: ") + reader.errorString());
    }
    if (img.size() != wanted)
        img = img.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    img.convertTo(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (img.isNull())
        raiseTooBig(path, fullSize);
    return img;
}

QByteArray readWholeFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        raiseLoad(path, QStringLiteral("cannot open the file: ") + f.errorString());
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        raiseLoad(path, QStringLiteral("cannot read the file: ") + f.errorString());
    if (data.isEmpty())
        raiseLoad(path, QStringLiteral("empty file"));
    return data;
}

} // namespace

void TImageCodec::InstallAllocationLimit()
{
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(AllocationLimitMb); });
}

QSize TImageCodec::ReadImageSize(const QString& path)
{
    InstallAllocationLimit();
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        throw Exception(QStringLiteral("TImageCodec.ReadImageSize: unknown or unreadable picture") + fileLabel(path));
    return size;
}

QImage TImageCodec::LoadFromFile(const QString& path, int maxWidth, int maxHeight)
{
    InstallAllocationLimit();
    const QByteArray data = readWholeFile(path);
    if (looksLikeJpeg(data.left(3)))
        return decodeJpeg(path, data, maxWidth, maxHeight);
    return decodeOther(path, data, maxWidth, maxHeight);
}

QByteArray TImageCodec::EncodeJpeg(const QImage& surface, int quality, int dpi)
{
    QImage src = surface;
    J_COLOR_SPACE space = JCS_EXT_BGRX;
    switch (src.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        break;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
        space = JCS_EXT_RGBX;
        break;
    default:
        src = src.convertToFormat(QImage::Format_RGB32);
        break;
    }
    if (src.isNull())
        throw Exception(QStringLiteral("TImageCodec.EncodeJpeg: empty picture"));

    jpeg_compress_struct cinfo;
    JpegError err;
    initError(err, reinterpret_cast<jpeg_common_struct*>(&cinfo));
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        throw Exception(QStringLiteral("TImageCodec.EncodeJpeg: ") + QString::fromLatin1(err.message));
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(src.width());
    cinfo.image_height = JDIMENSION(src.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    if (dpi > 0) {
        cinfo.write_JFIF_header = TRUE;
        cinfo.density_unit = 1; // dots per inch
        cinfo.X_density = UINT16(std::min(dpi, 65535));
        cinfo.Y_density = UINT16(std::min(dpi, 65535));
    }
    jpeg_start_compress(&cinfo, TRUE);
    const uchar* bits = src.constBits();
    const qsizetype bpl = src.bytesPerLine();
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bits + qsizetype(cinfo.next_scanline) * bpl);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    return bytes;
}

void TImageCodec::SaveToFile(const QImage& surface, const QString& path, int quality, int dpi)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    QByteArray bytes;
    if (isJpegName(path)) {
        bytes = EncodeJpeg(surface, quality, dpi);
    } else if (ext == QLatin1String("png")) {
        QImage img = surface;
        if (dpi > 0) {
            const int dpm = qRound(dpi / 0.0254);
            img.setDotsPerMeterX(dpm);
            img.setDotsPerMeterY(dpm);
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(img))
            throw Exception(QStringLiteral("TImageCodec.SaveToFile: ") + writer.errorString() + fileLabel(path));
    } else {
        throw Exception(QStringLiteral("TImageCodec.SaveToFile: unsupported file type") + fileLabel(path));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Exception(QStringLiteral("TImageCodec.SaveToFile: cannot write the file: ") + file.errorString()
                        + fileLabel(path));
}
