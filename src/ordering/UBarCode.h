#pragma once
// Bar code pictures: the base of the symbology encoders and the front end
// that has an encoder produce the module pattern and paints it.
#include <QImage>
#include <QPointF>
#include <QRgb>
#include <QString>
#include <QStringList>

class QPainter;

// A colour with its opacity in the top byte ($AARRGGBB), as QRgb holds it.
using TAlphaColor = QRgb;

// Base of the symbology encoders: the text to encode and the errors met.
class TBarCodeCommon {
public:
    TBarCodeCommon() = default;
    virtual ~TBarCodeCommon() = default;

    const QString& RawData() const { return fRawData; }
    void SetRawData(const QString& v) { fRawData = v; }
    const QStringList& Errors() const { return fErrors; }

    // The module pattern of RawData: "1" a bar module, "0" a space module.
    virtual QString EncodedValue() = 0;

    // Records the message and raises "TBarCodeCommon.error: " + message.
    [[noreturn]] void error(const QString& message);
    // True when the text converts to an integer.
    static bool isNumeric(const QString& text);

protected:
    QString fRawData;
    QStringList fErrors;
};

// A text as a Code 128 picture: bars in BackColor on a transparent ground,
// the quiet zones included in Width.
class TBarCode {
public:
    // Modules of quiet zone kept at least on each side of the symbol, so
    // that a scanner finds where the symbol starts.
    static constexpr int kQuietZoneModules = 10;

    TBarCode() = default;
    explicit TBarCode(const QString& data) : fRawData(data) { }
    virtual ~TBarCode() = default;

    const QString& RawData() const { return fRawData; }
    void SetRawData(const QString& v) { fRawData = v; }
    const QString& EncodedValue() const { return fEncodedValue; }
    TAlphaColor ForeColor() const { return fForeColor; }
    void SetForeColor(TAlphaColor v) { fForeColor = v; }
    TAlphaColor BackColor() const { return fBackColor; }
    void SetBackColor(TAlphaColor v) { fBackColor = v; }
    int Width() const { return fWidth; }
    void SetWidth(int v) { fWidth = v; }
    int Height() const { return fHeight; }
    void SetHeight(int v) { fHeight = v; }
    int BarWidthMax() const { return fBarWidthMax; }
    void SetBarWidthMax(int v) { fBarWidthMax = v; }

    QImage encode();
    QImage encode(const QString& stringToEncode);
    QImage encode(const QString& stringToEncode, TAlphaColor foreColor, TAlphaColor backColor);
    QImage encode(const QString& stringToEncode, int width, int height);
    QImage encode(const QString& stringToEncode, TAlphaColor foreColor, TAlphaColor backColor, int width, int height);

    // Paints the encoded bars as rectangles into the Width x Height box at
    // topLeft, as the bitmap holds them: on paper the bars then stay sharp
    // whatever the printing path resamples pictures with.
    void paint(QPainter& canvas, const QPointF& topLeft) const;

    // Where the modules of an encoded pattern fall in a picture of the given
    // width: the module width and the left offset. Raises when a module
    // would be narrower than a pixel.
    struct TModuleGeometry {
        int moduleWidth;
        int offset;
    };
    static TModuleGeometry ModuleGeometry(int modules, int width, int barWidthMax);

private:
    QImage GenerateBitmap() const;

    QString fRawData;
    QString fEncodedValue;
    TAlphaColor fForeColor = 0xFFFFFFFF;
    TAlphaColor fBackColor = 0xFF000000;
    int fWidth = 300;
    int fHeight = 150;
    int fBarWidthMax = -1;
};
