#include "UZebguiColorPalette.h"

#include "UCtrlCommonBase.h"
#include "UDebug.h"
#include "ULangTexts.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <cmath>

namespace {

constexpr int kPopupWidth = 240;
constexpr int kPopupHeight = 414;
constexpr int kPopupMargin = 5;
constexpr int kAlphaStripHeight = 40;
constexpr int kPerRow = 4;

QRgb rgb(int r, int g, int b)
{
    return 0xFF000000u + QRgb(r) * 65536u + QRgb(g) * 256u + QRgb(b);
}

} // namespace

// ---------------------------------------------------------------------------
// TColorButtonPicker

TColorButtonPicker::TColorButtonPicker(QWidget* owner, QRgb color) : QPushButton(owner), fColor(color)
{
    KioskSetStyleLookup(this, QStringLiteral("layoutcolorpicker"));
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void TColorButtonPicker::SetColor(QRgb c)
{
    if (c == fColor)
        return;
    fColor = c;
    update();
}

void TColorButtonPicker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(3, 3, -3, -3);
    p.fillRect(r, QColor::fromRgba(fColor));
    p.setPen(QPen(isDown() ? Qt::white : Qt::gray, 1));
    p.drawRect(r);
}

// ---------------------------------------------------------------------------
// TColorPalette

const std::array<QRgb, 16>& TColorPalette::SwatchColors()
{
    static const std::array<QRgb, 16> colors = {
        rgb(0, 0, 0),       rgb(87, 87, 87),    rgb(160, 160, 160), rgb(255, 255, 255),
        rgb(233, 222, 187), rgb(255, 238, 51),  rgb(255, 146, 51),  rgb(255, 205, 243),
        rgb(157, 175, 255), rgb(41, 208, 208),  rgb(42, 75, 215),   rgb(129, 38, 192),
        rgb(173, 35, 35),   rgb(129, 74, 25),   rgb(129, 197, 122), rgb(29, 105, 20),
    };
    return colors;
}

TColorPalette::TColorPalette(QWidget* owner, bool useAlpha) : QWidget(owner), fUseAlpha(useAlpha)
{
    KioskSetStyleLookup(this, QStringLiteral("comboboxstyle"));
    setFocusPolicy(Qt::StrongFocus);
    resize(60, 22);
    buildPopup();
}

TColorPalette::~TColorPalette()
{
    qApp->removeEventFilter(this);
    delete fPopup.data();
}

void TColorPalette::buildPopup()
{
    // The popup lives on the window once it opens; until then it has no parent.
    fPopup = new QFrame(nullptr);
    fPopup->setObjectName(QStringLiteral("ColorPalettePopup"));
    KioskSetStyleLookup(fPopup, QStringLiteral("combopopupstyle"));
    fPopup->setFrameShape(QFrame::NoFrame);
    fPopup->resize(kPopupWidth, kPopupHeight);
    fPopup->setAutoFillBackground(true);
    fColorLayout = new QWidget(fPopup);
    fAlphaChoiceLayout = new QWidget(fPopup);
    fAlphaChoiceLayout->setVisible(fUseAlpha);
    fAlphaCheckBox = new QCheckBox(LangTexts::Design::Transparent.Text(), fAlphaChoiceLayout);
    connect(fAlphaCheckBox, &QCheckBox::toggled, this, [this](bool on) { SetTransparency(on); });
    for (QRgb c : SwatchColors()) {
        auto* b = new TColorButtonPicker(fColorLayout, c);
        connect(b, &QPushButton::clicked, this, [this, b] {
            SetColor(b->Color());
            DoChange();
            ClosePopup();
        });
        fColorPaletteButtonList.push_back(b);
    }
    fPopup->hide();
}

void TColorPalette::SetColor(QRgb c)
{
    fColor = c;
    // Only fully opaque or fully transparent colours are kept.
    SetTransparency(qAlpha(c) == 0);
    emit Change();
}

void TColorPalette::SetTransparency(bool transparent)
{
    fColor = (fColor & 0x00FFFFFFu) | (transparent ? 0u : 0xFF000000u);
    {
        const QSignalBlocker block(fAlphaCheckBox);
        fAlphaCheckBox->setChecked(transparent);
    }
    update();
    emit Change();
}

void TColorPalette::DoChange()
{
    update();
    emit Change();
}

bool TColorPalette::PopupOpen() const
{
    return fPopup && fPopup->isVisible();
}

void TColorPalette::placePopup()
{
    QWidget* win = window();
    if (fPopup->parentWidget() != win)
        fPopup->setParent(win);
    QPoint pos = mapTo(win, QPoint(0, height()));
    pos.setX(std::clamp(pos.x(), 0, std::max(0, win->width() - fPopup->width())));
    pos.setY(std::clamp(pos.y(), 0, std::max(0, win->height() - fPopup->height())));
    fPopup->move(pos);
}

void TColorPalette::DropDown()
{
    if (!fPopup)
        return;
    if (PopupOpen()) {
        ClosePopup();
        return;
    }
    if (window() == this) {
        // Not on a window yet: nothing to open over.
        return;
    }
    placePopup();
    ResizeColorLayout();
    fPopup->show();
    fPopup->raise();
    qApp->installEventFilter(this);
    placePopup();
    ResizeColorLayout();
    fPopup->update();
}

void TColorPalette::ClosePopup()
{
    qApp->removeEventFilter(this);
    if (fPopup)
        fPopup->hide();
}

void TColorPalette::ResizeColorLayout()
{
    if (!fPopup)
        return;
    const int innerW = fPopup->width() - 2 * kPopupMargin;
    fColorLayout->setGeometry(kPopupMargin, kPopupMargin, innerW,
                              std::max(0, fPopup->height() - 2 * kPopupMargin - (fUseAlpha ? kAlphaStripHeight : 0)));
    fAlphaChoiceLayout->setGeometry(kPopupMargin, fPopup->height() - kPopupMargin - kAlphaStripHeight, innerW,
                                    kAlphaStripHeight);
    fAlphaCheckBox->adjustSize();
    fAlphaCheckBox->move(std::max(0, innerW - 15 - fAlphaCheckBox->width()),
                         kAlphaStripHeight - fAlphaCheckBox->height());

    const double w = fColorLayout->width() / double(kPerRow);
    const double h = std::ceil(w * 0.7);
    fSwatchSize = QSizeF(w, h);
    for (size_t i = 0; i < fColorPaletteButtonList.size(); ++i) {
        const int col = int(i) % kPerRow;
        const int row = int(i) / kPerRow;
        const int x0 = int(std::lround(col * w));
        const int x1 = int(std::lround((col + 1) * w));
        fColorPaletteButtonList[i]->setGeometry(x0, int(row * h), x1 - x0, int(h));
        fColorPaletteButtonList[i]->show();
    }
    const int rows = int((fColorPaletteButtonList.size() + kPerRow - 1) / kPerRow);
    const int newHeight = int(rows * h + 50);
    if (newHeight == fPopup->height())
        return;
    LogDebugFmt(QStringLiteral("TColorPalette.ResizeColorLayout: FPopup: old height=%.1f, new height=%.1f"),
                { double(fPopup->height()), double(newHeight) });
    fPopup->resize(fPopup->width(), newHeight);
    ResizeColorLayout();
}

QString TColorPalette::ColorTextFilter(const QString& text)
{
    const auto isName = [](const QString& t) {
        return !t.isEmpty() && !t.startsWith(QLatin1Char('#')) && QColor::isValidColor(t);
    };
    if (isName(text) || (text.startsWith(QStringLiteral("cla"), Qt::CaseInsensitive) && isName(text.mid(3))))
        return text;
    static const QString allowed = QStringLiteral("#0123456789abcdef");
    QString out;
    for (QChar ch : text)
        if (allowed.contains(ch.toLower()))
            out += ch;
    return out;
}

void TColorPalette::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRectF r = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5).translated(0.5, 0.5);
    p.save();
    p.setClipRect(r);
    p.setPen(Qt::NoPen);
    p.fillRect(r, Qt::white);
    // A checkerboard that shows through a transparent colour.
    const QColor grey = QColor::fromRgba(0xFFD3D3D3);
    const int ni = int(r.width() / 5) + 1;
    const int nj = int(r.height() / 5) + 1;
    for (int i = 0; i <= ni; ++i)
        for (int j = 0; j <= nj; ++j)
            if ((i + j) % 2 == 1)
                p.fillRect(QRectF(r.left() + 5 * i, r.top() + 5 * j, 5, 5), grey);
    p.fillRect(r, QColor::fromRgba(fColor));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

void TColorPalette::mousePressEvent(QMouseEvent* e)
{
    QWidget::mousePressEvent(e);
    if (e->button() == Qt::LeftButton)
        DropDown();
}

bool TColorPalette::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonPress && watched->isWidgetType() && PopupOpen()) {
        const QPoint global = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
        const QRect popup(fPopup->mapToGlobal(QPoint(0, 0)), fPopup->size());
        const QRect self(mapToGlobal(QPoint(0, 0)), size());
        if (!popup.contains(global) && !self.contains(global))
            ClosePopup();
    }
    return QWidget::eventFilter(watched, e);
}
