#include "UCtrlPopupLangText.h"

#include "ULangText.h"

#include <QAbstractButton>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int kButtonHeight = 70;
constexpr int kButtonStep = 80;
constexpr int kSideMargin = 150;
constexpr int kGroupChrome = 130;
} // namespace

TCtrlPopupLangText::TCtrlPopupLangText(TLangPopupHost host, QWidget* background, TCtrlPopupLangMode mode)
    : QWidget(background), fHost(std::move(host)), fMode(mode)
{
    fLG.LangNotif = this;
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    fPanel = new QFrame(this);
    fPanel->setObjectName(QStringLiteral("PanelPopupLangText"));
    fPanel->setFrameShape(QFrame::StyledPanel);
    outer->addWidget(fPanel);
    auto* panelLayout = new QVBoxLayout(fPanel);
    fGroupBox = new QGroupBox(fPanel);
    fGroupBox->setObjectName(QStringLiteral("GroupBoxPopupLangText"));
    panelLayout->addWidget(fGroupBox);
    auto* groupLayout = new QVBoxLayout(fGroupBox);
    fScrollBox = new QScrollArea(fGroupBox);
    fScrollBox->setObjectName(QStringLiteral("VertScrollBoxPopupLangText"));
    fScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fScrollBox->setWidgetResizable(true);
    fScrollBox->setFrameShape(QFrame::NoFrame);
    groupLayout->addWidget(fScrollBox);
    fLayout = new QWidget;
    fLayout->setObjectName(QStringLiteral("LayoutPopUpLangText"));
    fScrollBox->setWidget(fLayout);
}

TCtrlPopupLangText::~TCtrlPopupLangText()
{
    fLG.LangNotif = nullptr;
}

void TCtrlPopupLangText::OnOpen()
{
    if (fMode == TCtrlPopupLangMode::LangChoose || fMode == TCtrlPopupLangMode::LangChooseForKiosk) {
        fGroupBox->show();
        BuildPopupLangTextChoice();
    } else {
        fGroupBox->hide();
        StartAsyncLoad();
    }
}

void TCtrlPopupLangText::OnClose()
{
    fLG.LangNotif = nullptr;
}

void TCtrlPopupLangText::ClearPopupLangText()
{
    fLayout->hide();
    const auto buttons = fLayout->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
    for (QPushButton* b : buttons)
        delete b;
}

void TCtrlPopupLangText::BuildPopupLangTextChoice()
{
    ClearPopupLangText();
    const auto& langs = fLG.getLanguages();
    const int width = std::max(fLayout->width(), 2 * kSideMargin + 200);
    int i = 0;
    for (const TLangChoice& c : langs) {
        auto* b = new QPushButton(c.DisplayName, fLayout);
        b->setObjectName(QStringLiteral("btnLang_") + c.IsoCode);
        b->setProperty("noTranslate", true); // display names are shown as such
        b->setProperty("styleLookup", QStringLiteral("btnfloatinglow"));
        b->setProperty("tagString", c.IsoCode);
        b->setGeometry(kSideMargin, i * kButtonStep, width - 2 * kSideMargin, kButtonHeight);
        const QString code = c.IsoCode;
        connect(b, &QPushButton::clicked, this, [this, code] { fLG.BtnLangClick(code); });
        ++i;
    }
    fLayout->setMinimumHeight(kButtonStep * int(langs.size()));
    fLayout->setFixedHeight(kButtonStep * int(langs.size()));
    fLayout->show();
    OnResize();
}

void TCtrlPopupLangText::OnResize()
{
    if (fGroupBox->isHidden())
        return;
    const int buttonsHeight = fLayout->height();
    const int available = height() - kGroupChrome;
    int h = buttonsHeight + kGroupChrome;
    if (buttonsHeight > available && available > 0)
        h = available + kGroupChrome;
    fGroupBox->setFixedHeight(h);
    for (QPushButton* b : fLayout->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        b->setFixedWidth(std::max(fLayout->width() - 2 * kSideMargin, 100));
}

void TCtrlPopupLangText::OnLanguageChosen(const QString& isoCode)
{
    if (fHost.languageSet)
        fHost.languageSet(isoCode, fMode == TCtrlPopupLangMode::LangChooseForKiosk);
    fPopupCloseAll = fMode == TCtrlPopupLangMode::LangChoose;
    fMode = TCtrlPopupLangMode::LangLoad;
    StartAsyncLoad();
}

void TCtrlPopupLangText::StartAsyncLoad()
{
    fWaiting = true;
    fGroupBox->hide();
    if (fHost.startLoad)
        fHost.startLoad(fMode);
}

void TCtrlPopupLangText::LoadEnded()
{
    if (!fWaiting)
        return;
    fWaiting = false;
    if (fPopupCloseAll) {
        if (fHost.closeAll)
            fHost.closeAll();
    } else if (fHost.closeSelf) {
        fHost.closeSelf();
    }
}

void TCtrlPopupLangText::OnBackgroundClick()
{
    if (fMode == TCtrlPopupLangMode::LangChoose || fMode == TCtrlPopupLangMode::LangChooseForKiosk) {
        if (fHost.closeSelf)
            fHost.closeSelf();
    }
}

void TCtrlPopupLangText::RetranslateWidgets(QWidget* root)
{
    if (!root)
        return;
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    for (QWidget* w : all) {
        if (w->property("noTranslate").toBool())
            continue;
        if (!w->windowTitle().isEmpty())
            w->setWindowTitle(TLangTextBase::Translate(w->windowTitle()));
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty())
            b->setText(TLangTextBase::Translate(b->text()));
        else if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty())
            l->setText(TLangTextBase::Translate(l->text()));
        else if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty())
            g->setTitle(TLangTextBase::Translate(g->title()));
    }
}
