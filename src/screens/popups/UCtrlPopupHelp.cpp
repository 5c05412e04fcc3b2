#include "UCtrlPopupHelp.h"

#include "ULangText.h"
#include "UPopupPanel.h"

#include <QAction>
#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

namespace {
TLangText& txtTitle = TLangText::Create(QStringLiteral("More actions..."));
TLangText& txtClose = TLangText::Create(QStringLiteral("Close"));
TLangText& txtMyAccount = TLangText::Create(QStringLiteral("My Account"));
TLangText& txtCgu = TLangText::Create(QStringLiteral("Terms of service"));
TLangText& txtCgv = TLangText::Create(QStringLiteral("Terms of sales"));
TLangText& txtPrivacy = TLangText::Create(QStringLiteral("Privacy Policy"));
TLangText& txtPrices = TLangText::Create(QStringLiteral("Prices file"));
TLangText& txtZoomOut = TLangText::Create(QStringLiteral("Zoom out"));
TLangText& txtZoomIn = TLangText::Create(QStringLiteral("Zoom in"));
TLangText& txtFullscreen = TLangText::Create(QStringLiteral("Fullscreen"));
TLangText& txtExit = TLangText::Create(QStringLiteral("Exit {APP}"));
TLangText& txtUpdate = TLangText::Create(QStringLiteral("Update {APP}"));

constexpr int kBarH = 57;
constexpr int kCloseW = 175;

QAction* windowAction(IMainFrame* main, const QString& name)
{
    QVariant v;
    if (!main || !main->GetFieldValueByName(name, v))
        return nullptr;
    return qobject_cast<QAction*>(v.value<QObject*>());
}
} // namespace

bool ShellOpen(const QString& pathOrUrl)
{
    const QUrl url = QUrl::fromUserInput(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

bool ShellOpenSupported()
{
    // The offscreen and minimal platforms have no desktop to hand files to.
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

TCtrlPopupHelp::TCtrlPopupHelp(IMainFrame* main, TPopupPanel* bg)
    : TCtrlPopupHard(main, bg)
{
    fOriginalWidth = 565;
    fOriginalHeight = 434;
    fBox = new QGroupBox(txtTitle.Text(), bg);
    fBox->setObjectName(QStringLiteral("GroupBoxPopUpHelp"));
    auto* lay = new QVBoxLayout(fBox);
    lay->setContentsMargins(20, 60, 20, 16);
    auto* content = new QWidget(fBox);
    content->setObjectName(QStringLiteral("LayoutPopUpHelpContent"));
    auto* cl = new QVBoxLayout(content);
    cl->setContentsMargins(0, 0, 0, 0);
    auto* flow = new QWidget(content);
    flow->setObjectName(QStringLiteral("FlowLayoutPopUpHelpContent"));
    auto* grid = new QGridLayout(flow);
    grid->setSpacing(10);
    const struct {
        const char* name;
        const char* action;
        TLangText& tip;
        const char* glyph;
    } buttons[] = {
        { "SpeedButtonPopUpHelpMyAccount", "ActionMyAccount", txtMyAccount, "\u263A" },
        { "SpeedButtonPopUpHelpCgu", "ActionCgu", txtCgu, "\u00A7" },
        { "SpeedButtonPopUpHelpCgv", "ActionCgv", txtCgv, "\u00A7" },
        { "SpeedButtonPopUpHelpPrivacyPolicy", "ActionPrivacyPolicy", txtPrivacy, "\u00B6" },
        { "SpeedButtonPopUpHelpPriceFile", "ActionPriceFile", txtPrices, "\u20AC" },
        { "SpeedButtonPopUpHelpZoomOut", "ActionZoomDec", txtZoomOut, "\u2212" },
        { "SpeedButtonPopUpHelpZoomIn", "ActionZoomInc", txtZoomIn, "+" },
        { "SpeedButtonPopUpHelpFullscreen", "ActionFullScreen", txtFullscreen, "\u2922" },
        { "SpeedButtonPopUpHelpUpdate", "ActionUpdateApp", txtUpdate, "\u21BB" },
        { "SpeedButtonPopUpHelpExit", "ActionExitApp", txtExit, "\u2715" },
    };
    int i = 0;
    for (const auto& b : buttons) {
        auto* pb = new QPushButton(QString::fromUtf8(b.glyph), flow);
        pb->setObjectName(QLatin1String(b.name));
        pb->setFixedSize(64, 64);
        pb->setFocusPolicy(Qt::NoFocus);
        KioskSetStyleLookup(pb, QStringLiteral("SpeedButtonPopupHelpStyle1"));
        grid->addWidget(pb, i / 5, i % 5, Qt::AlignCenter);
        fSpeed.push_back({ pb, QLatin1String(b.action), b.tip.Text() });
        ++i;
    }
    cl->addWidget(flow, 0, Qt::AlignHCenter);
    fTooltip = new QLabel(content);
    fTooltip->setObjectName(QStringLiteral("LabelPopUpHelpTooltip"));
    fTooltip->setAlignment(Qt::AlignCenter);
    fTooltip->setMinimumHeight(40);
    cl->addWidget(fTooltip);
    cl->addStretch(1);
    lay->addWidget(content, 1);
    fBar = new QWidget(fBox);
    fBar->setObjectName(QStringLiteral("LayoutPopUpHelpButton"));
    fBar->setFixedHeight(kBarH);
    fClose = new QPushButton(txtClose.Text(), fBar);
    fClose->setObjectName(QStringLiteral("ButtonPopUpHelpClose"));
    KioskSetStyleLookup(fClose, QStringLiteral("BackBtnNext"));
    lay->addWidget(fBar);
    fBox->hide();
}

TCtrlPopupHelp::~TCtrlPopupHelp()
{
    delete fHoverWatcher.data();
    if (fBox)
        fBox->deleteLater();
}

QGroupBox* TCtrlPopupHelp::popupGroupBox()
{
    return fBox.data();
}

QPushButton* TCtrlPopupHelp::button(const QString& name) const
{
    for (const TSpeed& s : fSpeed)
        if (s.button->objectName() == name)
            return s.button;
    return nullptr;
}

bool TCtrlPopupHelp::eventFilterButtons(QObject* watched, QEvent* event)
{
    for (const TSpeed& s : fSpeed) {
        if (s.button != watched)
            continue;
        if (event->type() == QEvent::Enter)
            fTooltip->setText(s.tooltip);
        else if (event->type() == QEvent::Leave)
            fTooltip->clear();
    }
    return false;
}

void TCtrlPopupHelp::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    if (fBox) {
        fBox->show();
        fBox->raise();
    }
    QObject::connect(fClose, &QPushButton::clicked, fClose, [this] { Close(); });
    struct TWatcher : QObject {
        TCtrlPopupHelp* popup;
        explicit TWatcher(TCtrlPopupHelp* p) : popup(p) { }
        bool eventFilter(QObject* watched, QEvent* event) override { return popup->eventFilterButtons(watched, event); }
    };
    auto* watcher = new TWatcher(this);
    fHoverWatcher = watcher;
    for (const TSpeed& s : fSpeed) {
        s.button->installEventFilter(watcher);
        QAction* action = windowAction(main, s.action);
        s.button->setEnabled(action != nullptr && action->isEnabled());
        QObject::connect(s.button, &QPushButton::clicked, s.button, [action] {
            if (action)
                action->trigger();
        });
    }
    button(QStringLiteral("SpeedButtonPopUpHelpCgu"))->setVisible(false);
    button(QStringLiteral("SpeedButtonPopUpHelpCgv"))->setVisible(false);
    const bool shell = ShellOpenSupportedHook ? ShellOpenSupportedHook() : ShellOpenSupported();
    button(QStringLiteral("SpeedButtonPopUpHelpPriceFile"))
        ->setVisible(shell && !main->GetWebSvcPhotographerPriceFilepath().isEmpty() && !main->IsKiosk());
    button(QStringLiteral("SpeedButtonPopUpHelpUpdate"))->setVisible(!main->IsKiosk());
}

void TCtrlPopupHelp::OnResize(QWidget* parent)
{
    TCtrlPopupHard::OnResize(parent);
    if (!fBox || !fBar)
        return;
    if (fBox->layout())
        fBox->layout()->activate();
    const int w = fBox->width();
    fBarScale = w >= 205 ? 1 : w / 205.0;
    const double s = fBarScale;
    fBar->setFixedHeight(int(std::lround(kBarH * s)));
    const int cw = int(std::lround(kCloseW * s));
    fClose->setGeometry(fBar->width() - cw, 0, cw, int(std::lround(kBarH * s)));
}

void TCtrlPopupHelp::OnClose()
{
    TCtrlPopupHard::OnClose();
    if (fBox)
        fBox->hide();
    QObject::disconnect(fClose, &QPushButton::clicked, nullptr, nullptr);
    for (const TSpeed& s : fSpeed) {
        QObject::disconnect(s.button, &QPushButton::clicked, nullptr, nullptr);
        if (fHoverWatcher)
            s.button->removeEventFilter(fHoverWatcher);
    }
    delete fHoverWatcher.data();
}
