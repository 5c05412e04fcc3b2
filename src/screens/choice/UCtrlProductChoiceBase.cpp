#include "UCtrlProductChoiceBase.h"

#include "IMainFrame.h"
#include "UDebug.h"
#include "UResImagePart.h"

// ---------------------------------------------------------------------------
// TCtrlProductChoiceBase

TCtrlProductChoiceBase::TCtrlProductChoiceBase(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlTileChoiceBase(main, stepTabItem)
{
}

void TCtrlProductChoiceBase::OnResize(QWidget* area)
{
    TCtrlTileChoiceBase::OnResize(area);
}

TProductButton* TCtrlProductChoiceBase::productButtonAdd(const QString& caption, QSvgRenderer* svg)
{
    auto* b = new TProductButton(c.svgDocMountain, tilesContainer());
    b->setCaption(caption);
    b->setImage(svg);
    return b;
}

// ---------------------------------------------------------------------------
// TCalTypeButton

TCalTypeButton::TCalTypeButton(QSvgRenderer* defaultImage, QWidget* parent)
    : TProductButton(defaultImage, parent)
{
    fDrawLayout = new TResImagePart(QStringLiteral("TCalTypeButton"),
                                    QStringLiteral("TCalTypeButton.layouTCalTypeButtonPaint"), resizePart());
    updateImage();
}

TCalTypeButton::~TCalTypeButton() = default;

void TCalTypeButton::setMain(IMainFrame* main)
{
    fMain = main;
    if (fDrawLayout)
        fDrawLayout->setMain(main);
}

void TCalTypeButton::setResId(const QString& resId)
{
    if (resId == fResId)
        return;
    fResId = resId;
    fImg = nullptr;
    try {
        if (fMain)
            fImg = fMain->GetResImg(resId, QStringLiteral("jpg"));
    } catch (const std::exception& e) {
        fImg = nullptr;
        LogError(QStringLiteral("TCalTypeButton.setResId"), e);
    }
    if (fDrawLayout)
        fDrawLayout->setImage(fImg);
    updateImage();
}

void TCalTypeButton::updateImage()
{
    TProductButton::updateImage();
    if (!fDrawLayout)
        return;
    fDrawLayout->setVisible(fImg != nullptr);
    imagePart()->setVisible(fImg == nullptr);
}
