#include "UBarCode.h"

#include "UAppExceptions.h"
#include "UBarCodeSymbologies.h"

#include <QPainter>
#include <cmath>

void TBarCodeCommon::error(const QString& message)
{
    fErrors << message;
    throw Exception(QStringLiteral("TBarCodeCommon.error: ") + message);
}

bool TBarCodeCommon::isNumeric(const QString& text)
{
    bool ok = false;
    text.toInt(&ok);
    return ok;
}

QImage TBarCode::encode()
{
    bool blank = true;
    for (const QChar c : fRawData)
        blank = blank && c.unicode() <= 32;
    if (blank)
        throw Exception(QStringLiteral("TBarCode.encode: Input data not allowed to be blank."));
    fEncodedValue.clear();
    {
        TCode128 encoder(fRawData);
        fEncodedValue = encoder.EncodedValue();
    }
    return GenerateBitmap();
}

QImage TBarCode::encode(const QString& stringToEncode)
{
    fRawData = stringToEncode;
    return encode();
}

QImage TBarCode::encode(const QString& stringToEncode, TAlphaColor foreColor, TAlphaColor backColor)
{
    fForeColor = foreColor;
    fBackColor = backColor;
    return encode(stringToEncode);
}

QImage TBarCode::encode(const QString& stringToEncode, int width, int height)
{
    fWidth = width;
    fHeight = height;
    return encode(stringToEncode);
}

QImage TBarCode::encode(const QString& stringToEncode, TAlphaColor foreColor, TAlphaColor backColor, int width,
                        int height)
{
    fWidth = width;
    fHeight = height;
    return encode(stringToEncode, foreColor, backColor);
}

TBarCode::TModuleGeometry TBarCode::ModuleGeometry(int modules, int width, int barWidthMax)
{
    // The module width leaves room for the quiet zone on both sides: a
    // symbol drawn edge to edge has no margin a scanner can lock on.
    int m = modules > 0 ? width / (modules + 2 * kQuietZoneModules) : 0;
    if (m < 1)
        throw Exception(QStringLiteral(
            "Image size specified not large enough to draw image. (Bar size determined to be less than 1 pixel)"));
    if (barWidthMax > 0 && barWidthMax < m)
        m = barWidthMax;
    // Halves round to the even neighbour (the default rounding mode).
    const int offset = int(std::nearbyint((width - double(modules) * m) / 2.0));
    return { m, offset };
}

void TBarCode::paint(QPainter& canvas, const QPointF& topLeft) const
{
    if (fEncodedValue.isEmpty())
        throw Exception(QStringLiteral("TBarCode.GenerateBitmap:  Must be encoded first."));
    const int modules = int(fEncodedValue.size());
    const TModuleGeometry g = ModuleGeometry(modules, fWidth, fBarWidthMax);
    const QColor bars = QColor::fromRgba(fBackColor);
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.translate(topLeft);
    // One rectangle per run of bar modules.
    for (int k = 0; k < modules;) {
        if (fEncodedValue[k] != u'1') {
            ++k;
            continue;
        }
        int end = k;
        while (end < modules && fEncodedValue[end] == u'1')
            ++end;
        canvas.fillRect(QRect(k * g.moduleWidth + g.offset, 0, (end - k) * g.moduleWidth, fHeight), bars);
        k = end;
    }
    canvas.restore();
}

QImage TBarCode::GenerateBitmap() const
{
    if (fEncodedValue.isEmpty())
        throw Exception(QStringLiteral("TBarCode.GenerateBitmap:  Must be encoded first."));
    QImage bitmap(fWidth, fHeight, QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull())
        throw Exception(QStringLiteral("TBarCode.GenerateBitmap: cannot create a %1 x %2 bitmap").arg(fWidth).arg(fHeight));
    bitmap.fill(Qt::transparent);
    QPainter painter(&bitmap);
    paint(painter, QPointF(0, 0));
    return bitmap;
}
