#pragma once
// A small drop-down colour chooser for the page designer (font colour, text
// background, frame borders). It looks like a combo box showing the chosen
// colour over a checkerboard; a tap opens an overlay on the window with 16
// fixed swatches and, when allowed, a "Transparent" check box. Every colour
// it holds is either fully opaque or fully transparent.
#include <QColor>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <vector>

class QCheckBox;
#include <QFrame>

// One swatch of the palette's grid.
class TColorButtonPicker : public QPushButton {
    Q_OBJECT
public:
    TColorButtonPicker(QWidget* owner, QRgb color);
    QRgb Color() const { return fColor; }
    void SetColor(QRgb c);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QRgb fColor;
};

class TColorPalette : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor Color READ ColorValue WRITE SetColorValue NOTIFY Change USER true)
public:
    // The 16 swatch colours in grid order.
    static const std::array<QRgb, 16>& SwatchColors();

    TColorPalette(QWidget* owner, bool useAlpha);
    ~TColorPalette() override;

    QRgb Color() const { return fColor; }
    // Stores the colour with its alpha made 0 or 255, then tells the owner.
    void SetColor(QRgb c);
    bool Transparency() const { return qAlpha(fColor) == 0; }
    // Alpha 0 (true) or 255 (false); the RGB part stays.
    void SetTransparency(bool transparent);
    bool UseAlpha() const { return fUseAlpha; }
    void SetUseAlpha(bool b) { fUseAlpha = b; }

    // Opens the swatches under the control, or closes them when open.
    void DropDown();
    void ClosePopup();
    bool PopupOpen() const;
    QFrame* Popup() const { return fPopup; }
    const std::vector<TColorButtonPicker*>& Swatches() const { return fColorPaletteButtonList; }
    QCheckBox* AlphaCheckBox() const { return fAlphaCheckBox; }
    // Lays the swatches out, four per row, at the flow area's width; the
    // popup's height follows.
    void ResizeColorLayout();
    // A swatch's size as last laid out (fractional widths are rounded only
    // when the swatches are placed).
    QSizeF SwatchSize() const { return fSwatchSize; }

    // A typed colour text: colour names stay; otherwise only '#' and hex
    // digits are kept.
    static QString ColorTextFilter(const QString& text);

    QSize sizeHint() const override { return QSize(60, 22); }

signals:
    void Change();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    // A press on the window outside the open popup closes it.
    bool eventFilter(QObject* watched, QEvent* e) override;
    // A swatch was chosen: repaint and tell the owner.
    virtual void DoChange();

private:
    QColor ColorValue() const { return QColor::fromRgba(fColor); }
    void SetColorValue(const QColor& c) { SetColor(c.rgba()); }
    void buildPopup();
    void placePopup();

    QPointer<QFrame> fPopup;
    QWidget* fColorLayout = nullptr;
    QWidget* fAlphaChoiceLayout = nullptr;
    QCheckBox* fAlphaCheckBox = nullptr;
    std::vector<TColorButtonPicker*> fColorPaletteButtonList;
    QSizeF fSwatchSize;
    QRgb fColor = 0xFF000000;
    bool fUseAlpha;
};
