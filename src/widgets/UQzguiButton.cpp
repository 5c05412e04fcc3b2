#include "UQzguiButton.h"

#include "UCtrlCommonBase.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QSvgRenderer>

#include <mutex>

// ---------------------------------------------------------------------------
// TSvgImagePart

TSvgImagePart::TSvgImagePart(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("image"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TSvgImagePart::setDocument(QSvgRenderer* doc)
{
    fDoc = doc;
    update();
}

void TSvgImagePart::setRotation(int degrees)
{
    fRotation = degrees;
    update();
}

void TSvgImagePart::paintEvent(QPaintEvent*)
{
    if (!fDoc || !fDoc->isValid())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    p.translate(box.center());
    p.rotate(fRotation);
    // A quarter turn swaps the box the picture must fit.
    const bool swapped = (qAbs(fRotation) / 90) % 2 == 1;
    const QSizeF room = swapped ? box.size().transposed() : box.size();
    const QSizeF size = QSizeF(fDoc->defaultSize()).scaled(room, Qt::KeepAspectRatio);
    fDoc->render(&p, QRectF(QPointF(-size.width() / 2, -size.height() / 2), size));
}

QSvgRenderer* DefaultTileImage()
{
    static std::once_flag once;
    static QSvgRenderer* doc = nullptr;
    std::call_once(once, [] {
        Q_INIT_RESOURCE(widgets);
        doc = new QSvgRenderer(QStringLiteral(":/widgets/mountain.svg"));
    });
    return doc;
}

// ---------------------------------------------------------------------------
// TFloatingButtonImage

TFloatingButtonImage::TFloatingButtonImage(QSvgRenderer* defaultImage, const QString& style, QWidget* parent)
    : QPushButton(parent)
    , fSVGImage(new TSvgImagePart(this))
    , fDefaultImage(defaultImage)
{
    resize(150, 35);
    if (!style.isEmpty())
        KioskSetStyleLookup(this, style);
    fSVGImage->setGeometry(4, 4, 27, 27);
    updateImage();
}

void TFloatingButtonImage::setImage(QSvgRenderer* image)
{
    fImage = image;
    updateImage();
}

void TFloatingButtonImage::setImageRotation(int degrees)
{
    fImageRotation = degrees;
    updateImage();
}

void TFloatingButtonImage::updateImage()
{
    QSvgRenderer* doc = fImage ? fImage.data() : fDefaultImage.data();
    fSVGImage->setDocument(doc);
    fSVGImage->setVisible(doc != nullptr);
    fSVGImage->setRotation(fImageRotation);
}

void TFloatingButtonImage::mousePressEvent(QMouseEvent* event)
{
    QPushButton::mousePressEvent(event);
    fPtClickTop = absoluteTop();
}

void TFloatingButtonImage::mouseReleaseEvent(QMouseEvent* event)
{
    if (absoluteTop() != fPtClickTop) {
        // The page scrolled under the finger: no click.
        setDown(false);
        event->accept();
        return;
    }
    QPushButton::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------
// TTileButton

namespace {
QLabel* makePart(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    return l;
}
} // namespace

TTileButton::TTileButton(QSvgRenderer* defaultImage, const QString& style, QWidget* parent)
    : TFloatingButtonImage(defaultImage, style, parent)
    , fTTextText(makePart(this, "text"))
    , fTTextDescription(makePart(this, "description"))
    , fTTextPrice(makePart(this, "pricetext"))
    , fTLayoutResize(new QWidget(this))
{
    fTLayoutResize->setObjectName(QStringLiteral("layoutresize"));
    fTLayoutResize->setAttribute(Qt::WA_TransparentForMouseEvents);
    fTLayoutResize->lower();
    fSVGImage->setParent(fTLayoutResize);
    resize(250, 250 / 5 * 4);
    setCaption(QString());
    descriptionUpdate();
    priceUpdate();
    layoutParts();
}

void TTileButton::setCaption(const QString& text)
{
    setText(text);
    fTTextText->setText(text);
    fTTextText->setVisible(!text.isEmpty());
    layoutParts();
}

void TTileButton::setDescription(const QString& text)
{
    fDescription = text;
    descriptionUpdate();
}

void TTileButton::setPriceTxt(const QString& text)
{
    fPriceTxt = text;
    priceUpdate();
}

void TTileButton::setDescriptionAlign(Qt::Alignment align)
{
    fTTextDescriptionAlign = align;
    fTTextDescription->setAlignment(align | Qt::AlignVCenter);
}

void TTileButton::descriptionUpdate()
{
    fTTextDescription->setText(fDescription);
    fTTextDescription->setVisible(!fDescription.isEmpty());
    layoutParts();
}

void TTileButton::priceUpdate()
{
    fTTextPrice->setText(fPriceTxt);
    fTTextPrice->setVisible(!fPriceTxt.isEmpty());
    layoutParts();
}

void TTileButton::applyTextMargins()
{
    layoutParts();
}

int TTileButton::getExternalHeight() const
{
    if (!fTLayoutResize)
        return 0;
    return qRound(double(height()) - fTLayoutResize->height());
}

void TTileButton::setTextAndDescMinWidth(int minWidth)
{
    const float m = minWidth > width() ? -float(minWidth - width()) / 2 : 0;
    if (m == fMargins)
        return;
    fMargins = m;
    applyTextMargins();
}

void TTileButton::layoutParts()
{
    // Picture above, caption, description and price below, each text line
    // as high as its font needs; the picture takes what is left.
    const int w = width();
    const int h = height();
    const int pad = 8;
    const int m = qRound(fMargins);
    int bottom = h - pad;
    auto placeText = [&](QLabel* l) {
        if (!l->isVisible() && l->text().isEmpty())
            return;
        const int lh = std::max(l->sizeHint().height(), l->fontMetrics().height() + 4);
        bottom -= lh;
        l->setGeometry(pad + m, bottom, w - 2 * (pad + m), lh);
    };
    placeText(fTTextPrice);
    placeText(fTTextDescription);
    placeText(fTTextText);
    fTLayoutResize->setGeometry(pad, pad, w - 2 * pad, std::max(0, bottom - 2 * pad));
    fSVGImage->setGeometry(fTLayoutResize->rect());
}

void TTileButton::paintEvent(QPaintEvent*)
{
    // The panel only: the caption shows in the "text" part.
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    opt.icon = QIcon();
    p.drawControl(QStyle::CE_PushButton, opt);
}

void TTileButton::resizeEvent(QResizeEvent* event)
{
    TFloatingButtonImage::resizeEvent(event);
    layoutParts();
}

void TTileButton::changeEvent(QEvent* event)
{
    TFloatingButtonImage::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) {
        layoutParts();
        if (fCtrlToResize)
            fCtrlToResize->CtrlResize(this);
    }
}

bool TTileButton::event(QEvent* event)
{
    const bool r = TFloatingButtonImage::event(event);
    if (event->type() == QEvent::Polish && fCtrlToResize)
        fCtrlToResize->CtrlResize(this);
    return r;
}
