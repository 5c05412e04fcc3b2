#pragma once
// The text of a text frame on a designed page, and the colour texts that the
// order stores (eight upper-case hexadecimal digits AARRGGBB, no "#").
#include "UXmlSerializer.h"

#include <QColor>
#include <QFont>
#include <QString>

// Placement of the text inside its frame, horizontally or vertically.
enum class TTextAlign : int { Center = 0, Leading = 1, Trailing = 2 };
KIOSK_ENUM_DECLARE(TTextAlign)

// Font style bits as the order stores them.
enum TFontStyleBit : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TColorText {
public:
    TColorText() = delete;
    // "AARRGGBB" of the colour, upper case.
    static QString ToText(QRgb argb);
    // The colour of a stored text ("#" put in front, then the colour parser:
    // "AARRGGBB", "RRGGBB" or a colour name). An unreadable text gives
    // fallback.
    static QRgb FromText(const QString& text, QRgb fallback);
};

class TTextBloc : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TTextBloc)
public:
    // The defaults of a new text block: the translated default text, 10 mm,
    // "Arial", black on transparent, no style, both placements Leading.
    TTextBloc();
    ~TTextBloc() override;

    QString Text() const { return fText; }
    void SetText(const QString& v) { fText = v; }
    // Character size in millimetres on the page.
    double FontSize() const { return fFontSize; }
    void SetFontSize(double v) { fFontSize = v; }
    QString FontFamily() const { return fFontFamily; }
    void SetFontFamily(const QString& v) { fFontFamily = v; }
    // TFontStyleBit bits.
    qint32 FontStyle() const { return fFontStyle; }
    void SetFontStyle(qint32 v) { fFontStyle = v & (fsBold | fsItalic | fsUnderline | fsStrikeOut); }
    TTextAlign FontVertPosition() const { return fFontVertPosition; }
    void SetFontVertPosition(TTextAlign v) { fFontVertPosition = v; }
    TTextAlign FontHorzPosition() const { return fFontHorzPosition; }
    void SetFontHorzPosition(TTextAlign v) { fFontHorzPosition = v; }
    QString FontColor() const { return fFontColor; }
    void SetFontColor(const QString& v) { fFontColor = v; }
    QString BackColor() const { return fBackColor; }
    void SetBackColor(const QString& v) { fBackColor = v; }

    QRgb FontAlphaColor() const;
    void SetFontAlphaColor(QRgb v) { fFontColor = TColorText::ToText(v); }
    QRgb BackAlphaColor() const;
    void SetBackAlphaColor(QRgb v) { fBackColor = TColorText::ToText(v); }

    // The font of the block at a pixel size (family and style; no size set
    // when pixelSize is 0 or less).
    QFont QtFont(double pixelSize) const;

private:
    QString fText;
    double fFontSize = 10;
    QString fFontFamily;
    qint32 fFontStyle = 0;
    TTextAlign fFontVertPosition = TTextAlign::Leading;
    TTextAlign fFontHorzPosition = TTextAlign::Leading;
    QString fFontColor;
    QString fBackColor;
};
