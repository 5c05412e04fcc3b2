#include "UCtrlProductChoiceCardGroups.h"

#include "UDebug.h"
#include "UResImagePart.h"
#include "UTemplateChoices.h"
#include "UWorkflowDataProductCard.h"
#include "UWorkflowSteps.h"

TProductThemeButton::TProductThemeButton(QSvgRenderer* defaultImage, QWidget* parent)
    : TProductButton(defaultImage, parent)
{
    fDrawLayout = new TResImagePart(QStringLiteral("TProductThemeButton"),
                                    QStringLiteral("TProductThemeButton.layoutCardPaint"), resizePart());
    updateImage();
}

void TProductThemeButton::setMain(IMainFrame* main)
{
    fMain = main;
    if (fDrawLayout)
        fDrawLayout->setMain(main);
}

void TProductThemeButton::setThemeId(int id)
{
    if (id != fThemeId) {
        fThemeId = id;
        fThemeImg = nullptr;
        try {
            if (fMain)
                fThemeImg = fMain->GetResImg(TCardChoices::themeResName(id), QStringLiteral("jpg"));
        } catch (const std::exception& e) {
            fThemeImg = nullptr;
            LogError(QStringLiteral("TProductThemeButton.setThemeId"), e);
        }
        if (fDrawLayout)
            fDrawLayout->setImage(fThemeImg);
    }
    updateImage();
}

void TProductThemeButton::updateImage()
{
    TProductButton::updateImage();
    if (!fDrawLayout)
        return;
    fDrawLayout->setVisible(fThemeImg != nullptr);
    imagePart()->setVisible(fThemeImg == nullptr);
}

void TCtrlProductChoiceCardGroups::OnOpen(IMainFrame* main)
{
    TCtrlProductChoiceBase::OnOpen(main);
    c.fBtnPerRowMax = 5;
}

void TCtrlProductChoiceCardGroups::createButtons()
{
    c.fButtonList.clear();
    auto data = WorkflowData<TWorkflowDataProductCard>();
    const QList<qint32>& codes = data->getCardThemeList();
    for (int code : TCardChoices::themesOffered(std::vector<int>(codes.begin(), codes.end()), data->mode())) {
        auto* b = new TProductThemeButton(c.svgDocMountain, tilesContainer());
        b->setCaption(TCardChoices::themeName(code));
        b->setMain(MainFrame());
        b->setThemeId(code);
        QObject::connect(b, &QAbstractButton::clicked, b, [this, code] {
            try {
                themeClick(code);
            } catch (const std::exception& e) {
                if (MainFrame())
                    MainFrame()->ShowEx(e, nullptr);
            }
        });
        c.fButtonList.push_back(b);
    }
    c.fButtonMarginHorzDiv = 0;
    c.fButtonWidthMax = 800;
    c.fButtonHeightMax = 560;
    c.fButtonWidth = 300;
    c.fButtonHeight = 210;
}

void TCtrlProductChoiceCardGroups::themeClick(int themeId)
{
    WorkflowData<TWorkflowDataProductCard>()->setCardTheme(themeId);
    MainFrame()->goWorkflowStep(&WorkflowSteps::TCtrlProductSizeCard, true, true);
}
