#pragma once
// The buttons of the screens: a floating button with an SVG picture, the
// large tile button (caption, description, price) and its two product
// styles. Appearance comes from the application style sheet through the
// "styleLookup" property and the named parts ("image", "text",
// "description", "pricetext", "layoutresize"); the classes keep the texts and
// pictures the screens give them and hide the parts that are empty.
//
// A press is a click only when the button is still where it was at the
// press: a press that scrolled the page fires no clicked() signal.
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSvgRenderer>


class TTileButton;

// The part that shows an SVG document, turned by a multiple of any angle.
class TSvgImagePart : public QWidget {
    Q_OBJECT
public:
    explicit TSvgImagePart(QWidget* parent = nullptr);
    void setDocument(QSvgRenderer* doc);
    QSvgRenderer* document() const { return fDoc; }
    void setRotation(int degrees);
    int rotation() const { return fRotation; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QSvgRenderer> fDoc;
    int fRotation = 0;
};

// The default picture of new tiles (a mountain), built into the program.
QSvgRenderer* DefaultTileImage();

class TFloatingButtonImage : public QPushButton {
    Q_OBJECT
public:
    // defaultImage: shown while no image is set (not owned, may be null).
    explicit TFloatingButtonImage(QSvgRenderer* defaultImage,
                                  const QString& style = QStringLiteral("btnfloatingblackimage"), QWidget* parent = nullptr);

    QSvgRenderer* image() const { return fImage; }
    void setImage(QSvgRenderer* image);
    int imageRotation() const { return fImageRotation; }
    void setImageRotation(int degrees);
    TSvgImagePart* imagePart() const { return fSVGImage; }

protected:
    virtual void updateImage();
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Top-left corner in global coordinates.
    QPoint absoluteTop() const { return mapToGlobal(QPoint(0, 0)); }

    TSvgImagePart* fSVGImage;
    QPointer<QSvgRenderer> fImage;
    int fImageRotation = 0;
    QPointer<QSvgRenderer> fDefaultImage;
    QPoint fPtClickTop;
};

// Told after every style application of a tile, so a screen can size its
// tiles from them.
class ICtrlToResize {
public:
    virtual ~ICtrlToResize() = default;
    virtual void CtrlResize(TTileButton* button) = 0;
};

class TTileButton : public TFloatingButtonImage {
    Q_OBJECT
public:
    explicit TTileButton(QSvgRenderer* defaultImage, const QString& style = QStringLiteral("btntilewhite"),
                         QWidget* parent = nullptr);

    QString description() const { return fDescription; }
    void setDescription(const QString& text);
    QString priceTxt() const { return fPriceTxt; }
    void setPriceTxt(const QString& text);
    Qt::Alignment descriptionAlign() const { return fTTextDescriptionAlign; }
    void setDescriptionAlign(Qt::Alignment align);
    void setCtrlToResize(ICtrlToResize* ctrl) { fCtrlToResize = ctrl; }
    // The caption (the button's text) shows in the "text" part.
    void setCaption(const QString& text);
    QString caption() const { return text(); }
    // The height of what the "layoutresize" part does not cover, 0 without it.
    int getExternalHeight() const;
    // Lets the texts overflow a narrow button equally on both sides.
    void setTextAndDescMinWidth(int minWidth);
    float textMargins() const { return fMargins; }

    QLabel* textPart() const { return fTTextText; }
    QLabel* descriptionPart() const { return fTTextDescription; }
    QLabel* pricePart() const { return fTTextPrice; }
    QWidget* resizePart() const { return fTLayoutResize; }

protected:
    virtual void descriptionUpdate();
    virtual void priceUpdate();
    virtual void applyTextMargins();
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void layoutParts();

    QLabel* fTTextText;
    float fMargins = 0;
    QLabel* fTTextDescription;
    QLabel* fTTextPrice;
    Qt::Alignment fTTextDescriptionAlign = Qt::AlignHCenter;
    QString fDescription;
    QString fPriceTxt;
    ICtrlToResize* fCtrlToResize = nullptr;
    QWidget* fTLayoutResize;
};

class TProductButton : public TTileButton {
    Q_OBJECT
public:
    explicit TProductButton(QSvgRenderer* defaultImage, QWidget* parent = nullptr)
        : TTileButton(defaultImage, QStringLiteral("btnimage"), parent) { }
};

class TProductButtonText3lines : public TTileButton {
    Q_OBJECT
public:
    explicit TProductButtonText3lines(QSvgRenderer* defaultImage, QWidget* parent = nullptr)
        : TTileButton(defaultImage, QStringLiteral("btnImageTxt3line"), parent) { }
};
