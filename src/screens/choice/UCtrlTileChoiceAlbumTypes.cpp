#include "UCtrlTileChoiceAlbumTypes.h"

#include "ULangText.h"
#include "UQzguiButton.h"
#include "UWorkflowSteps.h"

namespace {
TLangText& txt1Day = TLangText::Create(QStringLiteral("Same-day photo books"));
TLangText& txt1DayDesc = TLangText::Create(QStringLiteral("Made on-site for your convenience."));
TLangText& txtPremium = TLangText::Create(QStringLiteral("Premium photo books"));
TLangText& txtPremiumDesc = TLangText::Create(
    QStringLiteral("Our highest-quality books. Made by specialist photo finishers, available for collection in 3 days."));
TLangText& txtTitle = TLangText::Create(QStringLiteral("Some-day books or Premium books?"));
} // namespace

void TCtrlTileChoiceAlbumTypes::OnOpen(IMainFrame* main)
{
    TCtrlTileChoiceBase::OnOpen(main);
    ButtonAlbumTypes1Day = AddTileButton(txt1Day.Text(), c.svgDocMountain);
    ButtonAlbumTypes1Day->setObjectName(QStringLiteral("ButtonAlbumTypes1Day"));
    ButtonAlbumTypes1Day->setDescription(txt1DayDesc.Text());
    ButtonAlbumTypesPremium = AddTileButton(txtPremium.Text(), c.svgDocMountain);
    ButtonAlbumTypesPremium->setObjectName(QStringLiteral("ButtonAlbumTypesPremium"));
    ButtonAlbumTypesPremium->setDescription(txtPremiumDesc.Text());
    // Both kinds lead to the same size step and record nothing.
    for (TTileButton* b : { ButtonAlbumTypes1Day, ButtonAlbumTypesPremium })
        QObject::connect(b, &QAbstractButton::clicked, b, [main] {
            main->goWorkflowStep(&WorkflowSteps::TCtrlProductSizeAlbum, true, true);
        });
    SetPageTitle(txtTitle.Text());
}

void TCtrlTileChoiceAlbumTypes::createButtons()
{
    c.fButtonList.clear();
    if (ButtonAlbumTypes1Day)
        c.fButtonList.push_back(ButtonAlbumTypes1Day);
    if (ButtonAlbumTypesPremium)
        c.fButtonList.push_back(ButtonAlbumTypesPremium);
}
