#include "UCtrlPopupBackHome.h"

#include "ULangText.h"
#include "UPopupPanel.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {
TLangText& txtTitle = TLangText::Create(QStringLiteral("Are you sure you want to start again?"));
TLangText& txtText = TLangText::Create(QStringLiteral("If you go back to the home screen now, you will lose this order."));
TLangText& txtAbandon = TLangText::Create(QStringLiteral("Abandon this order"));
TLangText& txtKeep = TLangText::Create(QStringLiteral("Start again but keep my photos"));
TLangText& txtContinue = TLangText::Create(QStringLiteral("Continue this order"));

constexpr int kDesignW = 900;
constexpr int kDesignH = 300;
constexpr int kMinW = 570;

// The window's action of that name (null when it has none).
QAction* windowAction(IMainFrame* main, const QString& name)
{
    QVariant v;
    if (!main || !main->GetFieldValueByName(name, v))
        return nullptr;
    return qobject_cast<QAction*>(v.value<QObject*>());
}
} // namespace

TCtrlPopupBackHome::TCtrlPopupBackHome(IMainFrame* main, TPopupPanel* bg)
    : TCtrlPopupHard(main, bg)
{
    fOriginalWidth = kDesignW;
    fOriginalHeight = kDesignH;
    fBox = new QGroupBox(txtTitle.Text(), bg);
    fBox->setObjectName(QStringLiteral("GroupBoxPopupBackHome"));
    auto* lay = new QVBoxLayout(fBox);
    lay->setContentsMargins(24, 60, 24, 24);
    auto* text = new QLabel(txtText.Text(), fBox);
    text->setObjectName(QStringLiteral("TextPopupBackHome"));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    lay->addWidget(text, 1);
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    row->addStretch(1);
    ButtonPopupBackHomeAbandon = new QPushButton(txtAbandon.Text(), fBox);
    ButtonPopupBackHomeAbandon->setObjectName(QStringLiteral("ButtonPopupBackHomeAbandon"));
    ButtonPopupBackHomeKeep = new QPushButton(txtKeep.Text(), fBox);
    ButtonPopupBackHomeKeep->setObjectName(QStringLiteral("ButtonPopupBackHomeKeep"));
    ButtonPopupBackHomeContinue = new QPushButton(txtContinue.Text(), fBox);
    ButtonPopupBackHomeContinue->setObjectName(QStringLiteral("ButtonPopupBackHomeContinue"));
    ButtonPopupBackHomeContinue->setProperty("primary", true);
    KioskSetStyleLookup(ButtonPopupBackHomeContinue, QStringLiteral("btnfloatingblack"));
    for (QPushButton* b : { ButtonPopupBackHomeAbandon, ButtonPopupBackHomeKeep, ButtonPopupBackHomeContinue })
        row->addWidget(b);
    row->addStretch(1);
    lay->addLayout(row);
    fBox->hide();
}

TCtrlPopupBackHome::~TCtrlPopupBackHome()
{
    if (fBox)
        fBox->deleteLater();
}

QGroupBox* TCtrlPopupBackHome::popupGroupBox()
{
    return fBox.data();
}

void TCtrlPopupBackHome::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    if (fBox) {
        fBox->show();
        fBox->raise();
    }
    // The two first buttons are the window's actions, enabled as they are.
    const std::pair<QPushButton*, const char*> linked[] = { { ButtonPopupBackHomeAbandon, "ActionCancelOrder" },
                                                            { ButtonPopupBackHomeKeep, "ActionHome" } };
    for (const auto& [button, name] : linked) {
        QAction* action = windowAction(main, QLatin1String(name));
        button->setEnabled(!action || action->isEnabled());
        QObject::connect(button, &QPushButton::clicked, button, [action] {
            if (action)
                action->trigger();
        });
    }
    QObject::connect(ButtonPopupBackHomeContinue, &QPushButton::clicked, ButtonPopupBackHomeContinue,
                     [this] { Close(); });
}

TCtrlPopupBackHome::TBoxLayout TCtrlPopupBackHome::BoxLayout(int p)
{
    TBoxLayout r;
    r.width = kDesignW + 40 <= p ? kDesignW : std::max(kMinW, p - 40);
    r.scale = p < kMinW + 40 ? double(p) / (kMinW + 40) : 1;
    return r;
}

void TCtrlPopupBackHome::OnResize(QWidget* parent)
{
    if (!fBox || !fbg)
        return;
    const int p = fbg->width();
    const TBoxLayout l = BoxLayout(p);
    fScale = l.scale;
    // Scaling the box as a whole: its design lengths shrink by the scale.
    const int w = int(l.width * l.scale);
    const int h = int(std::min<double>(kDesignH, fbg->height() - fMarginsHeight) * l.scale);
    fBox->setGeometry((p - w) / 2, (fbg->height() - h) / 2, w, std::max(0, h));
}

void TCtrlPopupBackHome::OnClose()
{
    TCtrlPopupHard::OnClose();
    if (fBox)
        fBox->hide();
    for (QPushButton* b : { ButtonPopupBackHomeAbandon, ButtonPopupBackHomeKeep, ButtonPopupBackHomeContinue })
        QObject::disconnect(b, &QPushButton::clicked, nullptr, nullptr);
}
