#include "UMainFrameTools.h"

#include "UAppStyle.h"
#include "UConfig.h"
#include "UCtrlPopupCalibration.h"
#include "UCtrlPopupHiddenBck.h"
#include "UCtrlPopupUpdater.h"
#include "UDebug.h"
#include "ULangTexts.h"
#include "UPopupPanel.h"
#include "UTools.h"
#include "UWorkflowSteps.h"
#include "UCtrlPopupLangText.h"
#include "UWorkflowType.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTextEdit>
#include <QUrl>

namespace {

// name, caption, in the order of the action list.
struct TActionDef {
    const char* name;
    const char* caption;
};
const TActionDef kActionDefs[] = {
    { "ActionPreviousStep", "Previous" },
    { "ActionNextStep", "Next" },
    { "ActionCancelOrder", "Abandon this order" },
    { "ActionExitApp", "Exit application" },
    { "ActionZoomInc", "Zoom +" },
    { "ActionZoomDec", "Zoom -" },
    { "ActionZoomStd", "Zoom default" },
    { "ActionFullScreen", "Full Screen" },
    { "ActionMyAccount", "My Account" },
    { "ActionCgu", "T&&C" },
    { "ActionCgv", "Terms of sales" },
    { "ActionPriceFile", "Prices" },
    { "ActionUpdateApp", "Update" },
    { "ActionHome", "Start again but keep my photos" },
    { "ActionCart", "$ 0.00" },
    { "ActionStartAgain", "Home" },
    { "ActionLoadOrder", "Load" },
    { "ActionMyOrders", "My Orders" },
    { "ActionSaveOrder", "Save" },
    { "ActionMobileMenuOpen", "Open" },
    { "ActionDisconnect", "Disconnect" },
    { "ActionShopInfo", "Shop Info" },
    { "ActionLang", "Language" },
    { "ActionClearCache", "Clear Cache" },
    { "ActionLangKiosk", "ActionLangKiosk" },
    { "ActionPrivacyPolicy", "Privacy Policy" },
};

// The left-aligned desktop buttons in their order, then the right-aligned.
const char* const kLeftButtons[] = { "ButtonToolBarSave", "ButtonToolBarLoad", "ButtonToolBarUpdate",
                                     "ButtonToolBarPrices", "ButtonToolBarCG", "ButtonToolBarCGV",
                                     "ButtonToolBarMenu", "LayoutLanguageChoose", "ButtonToolBarLang" };
const char* const kRightButtons[] = { "ButtonToolBarMyOrders", "ButtonToolBarCart" };

const char* const kScaleProperty = "kioskScale";
constexpr int kKeyHardwareBack = 137;
constexpr int kKeyAlt = 18;
constexpr int kKeyContextMenu = 93;

QHash<QString, TMainFrameTools::TPopupFactory>& popupFactories()
{
    static QHash<QString, TMainFrameTools::TPopupFactory> factories;
    return factories;
}

// The application style sheet with every length in pixels multiplied by
// scale: set on a widget, it scales the widget and everything inside it,
// texts and touch targets alike, as the sheet lays them out.
QString scaledStyleSheet(float scale)
{
    static const QRegularExpression px(QStringLiteral("(\\d+(?:\\.\\d+)?)px"));
    const QString sheet = TAppStyle::StyleSheet();
    QString out;
    qsizetype last = 0;
    for (auto it = px.globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += sheet.mid(last, m.capturedStart() - last);
        const double v = m.captured(1).toDouble();
        out += QString::number(v == 0 ? 0 : std::max(1L, std::lround(v * scale))) + QStringLiteral("px");
        last = m.capturedEnd();
    }
    return out + sheet.mid(last);
}

void scaleWidget(QWidget* w, float scale)
{
    w->setStyleSheet(scale == 1.0f ? QString() : scaledStyleSheet(scale));
    w->setProperty(kScaleProperty, scale);
}

// The letter of a key code (Qt::Key_A .. Key_Z), or a null character.
QChar keyLetter(int key)
{
    return key >= Qt::Key_A && key <= Qt::Key_Z ? QChar(char16_t(key)) : QChar();
}

class TKeyFilter : public QObject {
public:
    explicit TKeyFilter(std::function<bool(QObject*, QEvent*)> f)
        : fFilter(std::move(f))
    {
    }
    bool eventFilter(QObject* watched, QEvent* e) override { return fFilter(watched, e); }

private:
    std::function<bool(QObject*, QEvent*)> fFilter;
};

} // namespace

TMainFrameTools::TMainFrameTools(TConfig* cfg, QWidget* parent)
    : TMainFrameWorkflow(cfg, parent)
{
    if (fCfg)
        fZoomFactor = std::clamp(fCfg->ZoomFactor(), kZoomMin, kZoomMax);
    buildActions();
    buildToolBar();
    fKeyFilter = std::make_unique<TKeyFilter>([this](QObject* w, QEvent* e) { return keyEventFilter(w, e); });
    qApp->installEventFilter(fKeyFilter.get());
    toolBarDesignApply(Zebdesign());
    putToolbarButtonsBackInOrder();
    LayoutAppContentResize();
}

TMainFrameTools::~TMainFrameTools()
{
    qApp->removeEventFilter(fKeyFilter.get());
    for (auto it = fBindings.begin(); it != fBindings.end(); ++it)
        QObject::disconnect(it.value());
}

const QStringList& TMainFrameTools::ActionNames()
{
    static const QStringList names = [] {
        QStringList n;
        for (const TActionDef& d : kActionDefs)
            n << QString::fromLatin1(d.name);
        return n;
    }();
    return names;
}

QAction* TMainFrameTools::Action(const QString& name) const
{
    return fActions.value(name, nullptr);
}

void TMainFrameTools::setActionActivatedStatus(QAction* action, bool on)
{
    action->setVisible(on);
    action->setEnabled(on);
}

void TMainFrameTools::buildActions()
{
    QAction* shared[] = { ActionPreviousStep(), ActionNextStep(), ActionMobileMenuOpen() };
    for (const TActionDef& d : kActionDefs) {
        const QString name = QString::fromLatin1(d.name);
        QAction* a = nullptr;
        for (QAction* s : shared)
            if (s->objectName() == name)
                a = s;
        if (!a) {
            fOwnActions.push_back(std::make_unique<QAction>());
            a = fOwnActions.back().get();
            a->setObjectName(name);
            setActionActivatedStatus(a, false);
        }
        a->setText(QString::fromUtf8(d.caption));
        fActions.insert(name, a);
        RegisterField(name, a);
    }
    // Offered from the start: the window's own commands.
    for (const char* name : { "ActionExitApp", "ActionZoomInc", "ActionZoomDec", "ActionZoomStd", "ActionLang",
                              "ActionClearCache", "ActionHome" })
        setActionActivatedStatus(Action(QString::fromLatin1(name)), true);
    Action(QStringLiteral("ActionFullScreen"))->setCheckable(true);

    auto on = [this](const char* name, void (TMainFrameTools::*handler)()) {
        QObject::connect(Action(QString::fromLatin1(name)), &QAction::triggered, this,
                         [this, handler] { runAction([this, handler] { (this->*handler)(); }); });
    };
    on("ActionCancelOrder", &TMainFrameTools::ActionCancelOrderExecute);
    on("ActionExitApp", &TMainFrameTools::ActionExitAppExecute);
    on("ActionFullScreen", &TMainFrameTools::ActionFullScreenExecute);
    on("ActionPriceFile", &TMainFrameTools::ActionPriceFileExecute);
    on("ActionUpdateApp", &TMainFrameTools::ActionUpdateAppExecute);
    on("ActionHome", &TMainFrameTools::ActionHomeExecute);
    on("ActionCart", &TMainFrameTools::ActionCartExecute);
    on("ActionStartAgain", &TMainFrameTools::ActionStartAgainExecute);
    on("ActionSaveOrder", &TMainFrameTools::ActionSaveOrderExecute);
    on("ActionMobileMenuOpen", &TMainFrameTools::ActionMobileMenuOpenExecute);
    on("ActionDisconnect", &TMainFrameTools::ActionDisconnectExecute);
    on("ActionClearCache", &TMainFrameTools::ActionClearCacheExecute);
    auto action = [this](const char* name, std::function<void()> f) {
        QObject::connect(Action(QString::fromLatin1(name)), &QAction::triggered, this,
                         [this, f] { runAction(f); });
    };
    action("ActionZoomInc", [this] { SetZoomFactor(fZoomFactor + kZoomStep); });
    action("ActionZoomDec", [this] { SetZoomFactor(fZoomFactor - kZoomStep); });
    action("ActionMyAccount", [this] { popupPush(QStringLiteral("TCtrlPopupMyAccount"), QStringLiteral("PanelPopupMyAccount")); });
    action("ActionCgu", [this] { popupPush(QStringLiteral("TCtrlPopupCgu"), QStringLiteral("PanelPopUpCgu")); });
    action("ActionCgv", [this] { popupPush(QStringLiteral("TCtrlPopupCgv"), QStringLiteral("PanelPopUpCgv")); });
    action("ActionLoadOrder", [this] {
        popupPush(QStringLiteral("TCtrlPopupLoadOrderBackup"), QStringLiteral("PanelPopupLoadOrderBackup"));
    });
    action("ActionMyOrders", [this] { popupPush(QStringLiteral("TCtrlMyOrders"), QStringLiteral("PanelPopupMyOrders")); });
    action("ActionShopInfo", [this] { popupPush(QStringLiteral("TCtrlPopupShopInfo"), QStringLiteral("PanelPopUpShopInfo")); });
    action("ActionPrivacyPolicy", [this] {
        popupPush(QStringLiteral("TCtrlPopupWebBrowserPrivacyPolicy"), QStringLiteral("PanelPopUpWebBrowser"));
    });
    action("ActionLang", [this] { languagePopupOpen(TCtrlPopupLangMode::LangChoose); });
    action("ActionLangKiosk", [this] { languagePopupOpen(TCtrlPopupLangMode::LangChooseForKiosk); });
}

void TMainFrameTools::runAction(const std::function<void()>& handler)
{
    // An action runs from an event handler: what it raises is shown, as
    // the application's exception handler would.
    try {
        handler();
    } catch (const std::exception& e) {
        ShowEx(e, nullptr);
    }
}

// ----------------------------------------------------------------- tool bar

QPushButton* TMainFrameTools::toolBarButton(const QString& name, QWidget* parent, QAction* action)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    KioskSetStyleLookup(b, QStringLiteral("ToolBarHdrstyle"));
    if (action)
        bindButton(b, action);
    else
        b->hide();
    fButtons.insert(name, b);
    return b;
}

void TMainFrameTools::bindButton(QAbstractButton* button, QAction* action)
{
    if (fBindings.contains(button)) {
        QObject::disconnect(fBindings.take(button));
        QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
    }
    if (!action) {
        button->hide();
        return;
    }
    auto sync = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    };
    sync();
    fBindings.insert(button, QObject::connect(action, &QAction::changed, button, sync));
    QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
}

void TMainFrameTools::buildToolBar()
{
    auto* bar = qobject_cast<QHBoxLayout*>(fTopToolBar->layout());

    fLayoutToolBarButtonHome = new QWidget(fTopToolBar);
    fLayoutToolBarButtonHome->setObjectName(QStringLiteral("LayoutToolBarButtonHome"));
    auto* homeLay = new QHBoxLayout(fLayoutToolBarButtonHome);
    homeLay->setContentsMargins(0, 0, 8, 0);
    homeLay->addWidget(toolBarButton(QStringLiteral("btnHome"), fLayoutToolBarButtonHome, Action(QStringLiteral("ActionStartAgain"))));
    bar->insertWidget(0, fLayoutToolBarButtonHome);

    for (const char* name : { "ButtonMobileMenuOpen", "ButtonMobileBack", "ButtonMobileDone" })
        bar->insertWidget(bar->indexOf(fLayoutTopBar), toolBarButton(QString::fromLatin1(name), fTopToolBar, nullptr));

    fLayoutToolBarButtons = new QWidget(fTopToolBar);
    fLayoutToolBarButtons->setObjectName(QStringLiteral("LayoutToolBarButtons"));
    auto* lay = new QHBoxLayout(fLayoutToolBarButtons);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(6);
    fLayoutLeft = fLayoutToolBarButtons;
    const std::pair<const char*, const char*> bound[] = {
        { "ButtonToolBarSave", "ActionSaveOrder" },     { "ButtonToolBarLoad", "ActionLoadOrder" },
        { "ButtonToolBarUpdate", "ActionUpdateApp" },   { "ButtonToolBarPrices", "ActionPriceFile" },
        { "ButtonToolBarCG", "ActionCgu" },             { "ButtonToolBarCGV", "ActionCgv" },
        { "ButtonToolBarLang", "ActionLang" },          { "ButtonToolBarMyOrders", "ActionMyOrders" },
        { "ButtonToolBarCart", "ActionCart" },
    };
    for (const auto& [name, action] : bound)
        toolBarButton(QString::fromLatin1(name), fLayoutToolBarButtons, Action(QString::fromLatin1(action)));
    QPushButton* menu = toolBarButton(QStringLiteral("ButtonToolBarMenu"), fLayoutToolBarButtons, nullptr);
    menu->setText(QStringLiteral("More..."));
    menu->show();
    QObject::connect(menu, &QPushButton::clicked, this, [this] {
        runAction([this] { popupPush(QStringLiteral("TCtrlPopupHelp"), QStringLiteral("PanelPopUpHelp")); });
    });

    auto* langChoose = new QWidget(fLayoutToolBarButtons);
    langChoose->setObjectName(QStringLiteral("LayoutLanguageChoose"));
    auto* langLay = new QHBoxLayout(langChoose);
    langLay->setContentsMargins(0, 0, 0, 0);
    auto* langImage = new QPushButton(langChoose);
    langImage->setObjectName(QStringLiteral("Image_lang_selected"));
    langImage->setFocusPolicy(Qt::NoFocus);
    fLabelLanguageChoose = new QLabel(langChoose);
    fLabelLanguageChoose->setObjectName(QStringLiteral("LabelLanguageChoose"));
    langLay->addWidget(langImage);
    langLay->addWidget(fLabelLanguageChoose);
    QObject::connect(langImage, &QPushButton::clicked, this,
                     [this] { runAction([this] { languagePopupOpen(TCtrlPopupLangMode::LangChoose); }); });
    langChoose->hide();
    bar->insertWidget(bar->indexOf(fLayoutTopBar) + 1, fLayoutToolBarButtons, 2);

    for (const char* name : { "ButtonMobileCart", "ButtonMobileShopInfo" }) {
        QPushButton* b = toolBarButton(QString::fromLatin1(name), fTopToolBar, nullptr);
        bar->insertWidget(bar->indexOf(fLayoutToolBarButtons) + 1, b);
    }

    fLabelPopUpHelpZoom = new QLabel(this);
    fLabelPopUpHelpZoom->setObjectName(QStringLiteral("LabelPopUpHelpZoom"));
    fLabelPopUpHelpZoom->hide();
    fLabelPopUpHelpZoom->setText(QString::number(qRound(fZoomFactor)) + QLatin1Char('%'));
}

void TMainFrameTools::putToolbarButtonsBackInOrder()
{
    // Rebuilt in the fixed order: hidden buttons leave no gap, the left ones
    // keep Save, Load, Update, Prices, terms, More, language; My Orders and
    // the cart stay on the right.
    auto* lay = qobject_cast<QHBoxLayout*>(fLayoutToolBarButtons->layout());
    while (QLayoutItem* item = lay->takeAt(0))
        delete item;
    for (const char* name : kLeftButtons) {
        const QString n = QString::fromLatin1(name);
        QWidget* w = fButtons.value(n);
        if (!w)
            w = fLayoutToolBarButtons->findChild<QWidget*>(n);
        lay->addWidget(w);
    }
    lay->addStretch(1);
    for (const char* name : kRightButtons)
        lay->addWidget(fButtons.value(QString::fromLatin1(name)));
}

float TMainFrameTools::ToolBarScaleFor(int contentWidth, bool mobile)
{
    const float w = float(contentWidth - 5);
    const float reference = mobile ? 600 : 1200;
    return reference > w ? std::max(w, 1.0f) / reference : 1.0f;
}

void TMainFrameTools::toolBarScaleApply(float scale)
{
    fToolBarScale = scale;
    fTopToolBar->setProperty(kScaleProperty, scale);
    scaleWidget(fTopToolBar, scale);
}

void TMainFrameTools::LayoutAppContentResize()
{
    try {
        const float scale = ToolBarScaleFor(LayoutAppTabContent()->width(), Zebdesign() == zebd_mobile);
        if (scale != fToolBarScale)
            toolBarScaleApply(scale);
        breadCrumbScaleUpdate();
        for (const auto& p : Popups().Items())
            p->OnResize(this);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TMainNavi.LayoutAppContentResize"), e);
    }
}

// ------------------------------------------------------------ offered

void TMainFrameTools::actionsOnConnected()
{
    const bool kiosk = IsKiosk();
    const bool mobile = Zebdesign() == zebd_mobile;
    setActionActivatedStatus(Action(QStringLiteral("ActionStartAgain")), true);
    setActionActivatedStatus(Action(QStringLiteral("ActionUpdateApp")), !mobile && !kiosk);
    for (const char* name : { "ActionMyOrders", "ActionMyAccount", "ActionDisconnect" })
        setActionActivatedStatus(Action(QString::fromLatin1(name)), !kiosk);
    setActionActivatedStatus(Action(QStringLiteral("ActionLangKiosk")), !mobile);
}

void TMainFrameTools::shopActionsUpdate(const TShopActionsState& shop)
{
    const bool kiosk = IsKiosk();
    bool backupHasOrders = false;
    if (!kiosk && shop.allFamiliesVisible && fCfg)
        backupHasOrders = !TFileTools::GetFiles(fCfg->CalcOrderBackupPath(), { QStringLiteral("*.qzo") }).isEmpty();
    setActionActivatedStatus(Action(QStringLiteral("ActionLoadOrder")), !kiosk && shop.allFamiliesVisible && backupHasOrders);
    const bool common = !kiosk && shop.commonLoaded;
    setActionActivatedStatus(Action(QStringLiteral("ActionPriceFile")), common && !shop.priceFilePath.isEmpty());
    setActionActivatedStatus(Action(QStringLiteral("ActionCgu")), common && !shop.cguText.isEmpty());
    setActionActivatedStatus(Action(QStringLiteral("ActionCgv")), common && !shop.cgvText.isEmpty());
    setActionActivatedStatus(Action(QStringLiteral("ActionPrivacyPolicy")), common && !shop.privacyPolicyUrl.isEmpty());
    setActionActivatedStatus(Action(QStringLiteral("ActionShopInfo")), common);
    setActionActivatedStatus(Action(QStringLiteral("ActionCart")), shop.allFamiliesVisible);
}

void TMainFrameTools::cartCaptionSet(const QString& total)
{
    Action(QStringLiteral("ActionCart"))->setText(total);
}

void TMainFrameTools::actionsOnDisconnected()
{
    for (const char* name : { "ActionStartAgain", "ActionSaveOrder", "ActionLoadOrder", "ActionUpdateApp",
                              "ActionPriceFile", "ActionMyOrders", "ActionCart", "ActionCgu", "ActionCgv",
                              "ActionPrivacyPolicy", "ActionMyAccount", "ActionDisconnect", "ActionShopInfo" })
        setActionActivatedStatus(Action(QString::fromLatin1(name)), false);
    putToolbarButtonsBackInOrder();
}

void TMainFrameTools::actionsOnUseModeApplied(bool fullScreen, TZebdesign designBefore)
{
    const bool kiosk = IsKiosk();
    QAction* full = Action(QStringLiteral("ActionFullScreen"));
    setActionActivatedStatus(full, !kiosk && QzUseMode() != TQzUseMode::Mobile);
    full->setChecked(fullScreen);
    setActionActivatedStatus(Action(QStringLiteral("ActionExitApp")), !kiosk);
    setActionActivatedStatus(Action(QStringLiteral("ActionLangKiosk")), designBefore != zebd_mobile);
    putToolbarButtonsBackInOrder();
}

void TMainFrameTools::toolBarDesignApply(TZebdesign design)
{
    const bool mobile = design == zebd_mobile;
    fLayoutToolBarButtonHome->setVisible(!mobile);
    fLayoutToolBarButtons->setVisible(!mobile);
    // The mobile buttons are bound to their actions in the mobile design
    // only; otherwise they are unbound and hidden.
    setActionActivatedStatus(ActionMobileMenuOpen(), mobile);
    const std::pair<const char*, QAction*> mobileButtons[] = {
        { "ButtonMobileMenuOpen", ActionMobileMenuOpen() },
        { "ButtonMobileBack", ActionPreviousStep() },
        { "ButtonMobileDone", ActionNextStep() },
        { "ButtonMobileCart", Action(QStringLiteral("ActionCart")) },
        { "ButtonMobileShopInfo", Action(QStringLiteral("ActionShopInfo")) },
    };
    for (const auto& [name, action] : mobileButtons)
        bindButton(fButtons.value(QString::fromLatin1(name)), mobile ? action : nullptr);
    putToolbarButtonsBackInOrder();
}

void TMainFrameTools::actionsOnOrderChanged(bool orderFilled, bool orderInUse)
{
    setActionActivatedStatus(Action(QStringLiteral("ActionSaveOrder")), orderFilled && !IsKiosk());
    setActionActivatedStatus(Action(QStringLiteral("ActionCancelOrder")), orderInUse);
}

void TMainFrameTools::actionsOnOrderReset()
{
    setActionActivatedStatus(Action(QStringLiteral("ActionSaveOrder")), false);
    setActionActivatedStatus(Action(QStringLiteral("ActionCancelOrder")), false);
}

// ------------------------------------------------------------------- zoom

void TMainFrameTools::SetZoomFactor(float fact)
{
    TCtrlScreenBase::mainThreadCheck();
    if (fact == fZoomFactor)
        return;
    fZoomFactor = std::clamp(fact, kZoomMin, kZoomMax);
    Action(QStringLiteral("ActionZoomDec"))->setEnabled(fZoomFactor > kZoomMin);
    Action(QStringLiteral("ActionZoomInc"))->setEnabled(fZoomFactor < kZoomMax);
    ZoomApply();
}

float TMainFrameTools::WidgetScale(const QWidget* w)
{
    const QVariant v = w->property(kScaleProperty);
    return v.isValid() ? v.toFloat() : 1.0f;
}

void TMainFrameTools::ZoomApply()
{
    // Widgets have no scale of their own: the popup panels and the content
    // get the style sheet at the zoom's scale.
    const float s = fZoomFactor / 100;
    for (const QString& name : WindowPopupPanelNames())
        if (TPopupPanel* p = PopupPanel(name); p && WidgetScale(p) != s)
            scaleWidget(p, s);
    if (WidgetScale(LayoutAppTabContent()) != s)
        scaleWidget(LayoutAppTabContent(), s);
    fLabelPopUpHelpZoom->setText(QString::number(qRound(fZoomFactor)) + QLatin1Char('%'));
    if (fCfg && (!catalogueLoaded() || !IsKiosk()))
        fCfg->SetZoomFactor(fZoomFactor);
}

// ------------------------------------------------------------------- keys

bool TMainFrameTools::keyEventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Resize && watched == LayoutAppTabContent()) {
        LayoutAppContentResize();
        return false;
    }
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this)
        return false;
    auto* ke = static_cast<QKeyEvent*>(e);
    const int key = ke->key();
    try {
        if (e->type() == QEvent::KeyPress) {
            fKeysDown.insert(key);
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                if (ke->modifiers() == Qt::ControlModifier || qobject_cast<QTextEdit*>(w)
                    || qobject_cast<QPlainTextEdit*>(w))
                    return false;
                // Enter moves on to the next control, as Tab would.
                focusNextChild();
                return true;
            }
            return FormKeyDown(key, ke->modifiers());
        }
        if (!ke->isAutoRepeat())
            fKeysDown.remove(key);
        return FormKeyUp(ke->nativeVirtualKey() ? int(ke->nativeVirtualKey()) : key, ke->modifiers());
    } catch (const std::exception& ex) {
        ShowEx(ex, nullptr);
        return true;
    }
}

bool TMainFrameTools::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers != Qt::ControlModifier)
        return false;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return true;
    // Ctrl+K with a second letter held down, in this order of precedence.
    if (!fKeysDown.contains(Qt::Key_K))
        return false;
    for (QChar letter : QStringLiteral("LMECDRZI"))
        if (fKeysDown.contains(letter.unicode()))
            return maintenanceShortcut(letter);
    return false;
}

bool TMainFrameTools::maintenanceShortcut(QChar letter)
{
    switch (letter.unicode()) {
    case 'E':
        languagePopupOpen(TCtrlPopupLangMode::LangsExport);
        return true;
    case 'C':
        ActionDisconnectExecute();
        return true;
    case 'Z':
        ActionClearCacheExecute();
        return true;
    case 'R': {
        if (!ActiveStep())
            return true;
        useModeSet(QzUseMode() == TQzUseMode::Mobile ? TQzUseMode::Std : TQzUseMode::Mobile);
        if (WorkflowStep() == &WorkflowSteps::TCtrlConnec) {
            activeStepRebuild();
            setWorkflowStepMax(&WorkflowSteps::TCtrlConnec);
        } else {
            homeStepShow();
        }
        for (auto set : { &IMainFrame::SetThumbnailsFactor, &IMainFrame::SetThumbnailsBigFactor,
                          &IMainFrame::SetThumbnailsOvwFactor }) {
            try {
                (this->*set)(100);
            } catch (const EToDo&) {
                // The display factors are not served by this window.
            }
        }
        return true;
    }
    default:
        return maintenanceKey(letter);
    }
}

bool TMainFrameTools::maintenanceKey(QChar letter)
{
    return false;
}

bool TMainFrameTools::FormKeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == kKeyHardwareBack || key == Qt::Key_Back) {
        ActionPreviousStep()->trigger();
        return true;
    }
    if (Zebdesign() == zebd_mobile
        && (key == kKeyAlt || key == kKeyContextMenu || key == Qt::Key_Alt || key == Qt::Key_Menu)) {
        ActionMobileMenuOpenExecute();
        return true;
    }
    return false;
}

// ----------------------------------------------------------------- popups

void TMainFrameTools::PopupClassRegister(const QString& className, TPopupFactory factory)
{
    popupFactories().insert(className, std::move(factory));
}

void TMainFrameTools::popupPush(const QString& className, const QString& panelName)
{
    const TPopupFactory factory = popupFactories().value(className);
    TPopupPanel* panel = PopupPanel(panelName);
    if (!factory || !panel)
        throw EToDo(QStringLiteral("TMainNavi.%1: not available yet").arg(className));
    popupAdd(factory(this, panel));
}

void TMainFrameTools::languagePopupOpen(TCtrlPopupLangMode mode)
{
    throw EToDo(QStringLiteral("TMainNavi.languagePopupOpen: not available yet"));
}

// ---------------------------------------------------------------- actions

void TMainFrameTools::ActionCancelOrderExecute()
{
    ConfirmYesNo(LangTexts::Shell::DoReallyWantCancelOrder.Text(),
                 [this] { GuiQueueAddCall([this] { orderCancelAndUserPrefReset(); }, false, nullptr); }, nullptr);
}

void TMainFrameTools::ActionExitAppExecute()
{
    fCloseMode = TCloseMode::CloseToAsk;
    close();
}

void TMainFrameTools::useModeSet(TQzUseMode mode)
{
    const TZebdesign before = Zebdesign();
    if (fCfg)
        fCfg->SetQzuseMode(mode);
    const bool full = mode == TQzUseMode::FullScreen || mode == TQzUseMode::FullTouchScreen || mode == TQzUseMode::Kiosk;
    if (full)
        showFullScreen();
    else if (isFullScreen())
        showNormal();
    actionsOnUseModeApplied(full, before);
}

void TMainFrameTools::ActionFullScreenExecute()
{
    const TQzUseMode mode = QzUseMode();
    if (IsKiosk() || mode == TQzUseMode::Mobile)
        throw Exception(QStringLiteral("TMainNavi.ActionFullScreenExecute: unexpected call"));
    if (Action(QStringLiteral("ActionFullScreen"))->isChecked())
        useModeSet(mode == TQzUseMode::FullTouchScreen ? TQzUseMode::TouchScreen : TQzUseMode::Std);
    else
        useModeSet(mode == TQzUseMode::TouchScreen ? TQzUseMode::FullTouchScreen : TQzUseMode::FullScreen);
}

void TMainFrameTools::openWithShell(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

void TMainFrameTools::ActionPriceFileExecute()
{
    const QString path = GetWebSvcPhotographerPriceFilepath();
    LogInfoFmt(QStringLiteral("open price file in : %s"), { path });
    openWithShell(QUrl::fromLocalFile(path).toString());
}

void TMainFrameTools::ActionUpdateAppExecute()
{
    if (IsKiosk())
        throw Exception(QStringLiteral("TMainNavi.ActionUpdateAppExecute: unexpected call"));
    popupAdd(TCtrlCommonBase::Create<TCtrlPopupUpdater>(this, PopupPanel(QStringLiteral("PanelPopupUpdater")),
                                                         TCtrlPopupUpdaterMode::updaterCheckManual));
}

void TMainFrameTools::ActionHomeExecute()
{
    goWorkflowStep(&WorkflowSteps::TCtrlTileChoiceHomeProducts, true, true);
}

void TMainFrameTools::ActionCartExecute()
{
    setWorkflowType(TWorkflowNone);
    goWorkflowStep(&WorkflowSteps::TCtrlShoppingCart, true, true);
    EventObservedRaise(moe_orderChanged, nullptr);
}

void TMainFrameTools::ActionStartAgainExecute()
{
    if (!Action(QStringLiteral("ActionCancelOrder"))->isVisible())
        ActionHomeExecute();
    else
        popupPush(QStringLiteral("TCtrlPopupBackHome"), QStringLiteral("PanelPopupBackHome"));
}

void TMainFrameTools::ActionSaveOrderExecute()
{
    if (!fCfg)
        return;
    const QString backup = fCfg->GetFileOrderBackupPath();
    if (!QFileInfo::exists(backup))
        return;
    const QString folder = TFileTools::MakeDirRec(fCfg->CalcOrderBackupPath());
    const QString name = QDateTime::currentDateTime().toString(QStringLiteral("yy-MM-dd_hh-mm-ss-zzz")) + QStringLiteral(".qzo");
    const QString target = QDir(folder).filePath(name);
    // A copy never replaces an existing one.
    if (QFileInfo::exists(target) || !QFile::copy(backup, target))
        throw EOSError(QStringLiteral("Cannot copy \"%1\" to \"%2\"").arg(backup, target));
    ShowInfo(LangTexts::Shell::OrderNowBackuped.Text({ target }), nullptr);
    openWithShell(QUrl::fromLocalFile(folder).toString());
    setActionActivatedStatus(Action(QStringLiteral("ActionLoadOrder")),
                             !IsKiosk() && !TFileTools::GetFiles(folder, { QStringLiteral("*.qzo") }).isEmpty());
}

void TMainFrameTools::ActionMobileMenuOpenExecute()
{
    IMainControllerRef top = popupShownGet(0);
    if (!top)
        top = ActiveStep();
    if (top && top->onActionMobileMenuClick(ActionMobileMenuOpen()))
        return;
    popupPush(QStringLiteral("TCtrlMobileMenu"), QStringLiteral("PanelMobileMenuPopup"));
}

void TMainFrameTools::ActionDisconnectExecute()
{
    if (!catalogueLoaded() || !fTopToolBar->isEnabled())
        return;
    popupCloseAll();
    setWorkflowStepVisible(&WorkflowSteps::TCtrlConnec, true);
    goWorkflowStep(&WorkflowSteps::TCtrlConnec, true, true);
}

void TMainFrameTools::ActionClearCacheExecute()
{
    if (fCfg)
        fCfg->SetPopupHelpOpened(QString());
    LogInfoFmt(QStringLiteral("TMainNavi.memoryCleanUp: start%s"), { AppMemoryUsageStrRelease() });
    memoryCleanUp();
    LogInfoFmt(QStringLiteral("TMainNavi.memoryCleanUp: end%s"), { AppMemoryUsageStrRelease() });
    // An acknowledgement, not a problem: shown as information.
    ShowInfo(QStringLiteral("Cache cleared !"), nullptr);
}

// ------------------------------------------------------------ self-update

QStringList TMainFrameTools::launchArguments()
{
    return QCoreApplication::arguments().mid(1);
}

TProcessStarter TMainFrameTools::processStarter()
{
    return &TSelfUpdate::StartDetached;
}

TSelfUpdate& TMainFrameTools::SelfUpdate()
{
    if (!fSelfUpdate) {
        TSelfUpdatePaths p;
        p.tempFolder = fCfg ? fCfg->CalcTempPath() : TFileTools::AppTempPathLow();
        p.exeFolder = TFileTools::AppExePath();
        p.exeName = TFileTools::AppExeName();
        p.platformName = QString::fromLatin1(TConfig::kUpdatePlatformName);
        p.runningVersion = TAppTools::GetAppVersionStr();
        fSelfUpdate = std::make_unique<TSelfUpdate>(p);
    }
    return *fSelfUpdate;
}

QString TMainFrameTools::GetFolderUpdatePathWithOs()
{
    return SelfUpdate().GetFolderUpdatePathWithOs();
}

TLaunchMode TMainFrameTools::GetLaunchMode()
{
    return SelfUpdate().GetLaunchMode(launchArguments());
}

TUpdateType TMainFrameTools::GetUpdateType()
{
    return SelfUpdate().GetUpdateType();
}

bool TMainFrameTools::IsUpdateAvailable()
{
    return SelfUpdate().IsUpdateAvailable();
}

void TMainFrameTools::PurgeUpdateFolder()
{
    SelfUpdate().PurgeUpdateFolder();
}

void TMainFrameTools::closeWithoutAsking()
{
    fCloseMode = TCloseMode::CloseAsked;
    close();
}

void TMainFrameTools::LaunchUpdate()
{
    if (SelfUpdate().LaunchUpdate(processStarter()))
        closeWithoutAsking();
}

void TMainFrameTools::DoUpdate()
{
    GetLaunchMode();
    SelfUpdate().DoUpdate(processStarter());
    closeWithoutAsking();
}

void TMainFrameTools::RunWinExe(const QString& commandLine, quint32 visibility)
{
    // No console windows to hide here: the creation flags have no meaning.
    QStringList args = QProcess::splitCommand(commandLine);
    if (args.isEmpty())
        throw EOSError(QStringLiteral("RunWinExe: empty command line"));
    const QString program = args.takeFirst();
    processStarter()(program, args);
}

void TMainFrameTools::InitRuVodevadeConfig()
{
    if (!fCfg)
        return;
    TCompanionValues v;
    v.exeName = SelfUpdate().Paths().exeName;
    v.currentVersion = SelfUpdate().Paths().runningVersion;
    v.tempFolder = fCfg->CalcTempPath();
    v.internalResFolder = fCfg->CalcInternalResPath();
    v.updateTempFolder = fCfg->GetUpdateTempPath();
    v.updateInstallRoot = fCfg->GetUpdateInstallPathRoot();
    v.localOrdersFolder = fCfg->CalcLocalOrdersPath();
    v.photoFolder = fCfg->CalcGalleryProPath();
    v.logFolder = fCfg->CalcLogFilePath();
    v.cacheFolder = fCfg->CalcCachePath();
    v.configFilePath = fCfg->FilePath();
    TSelfUpdate::InitCompanion(QzConnectionMode(), fCfg->GetRuVodevadeExePath(), fCfg->GetRuVodevadeConfigPath(), v,
                               processStarter());
}

bool TMainFrameTools::updatePolicyAtStart()
{
    switch (GetLaunchMode()) {
    case TLaunchMode::Update:
        GuiQueueAddCall([this] { DoUpdate(); }, true, nullptr);
        return true;
    case TLaunchMode::InitData:
        return false;
    default:
        break;
    }
    if (!IsUpdateAvailable()) {
        PurgeUpdateFolder();
        return false;
    }
    if (GetUpdateType() == TUpdateType::Stop)
        return false;
    GuiQueueAddCall([this] { LaunchUpdate(); }, true, nullptr);
    return true;
}

void TMainFrameTools::updatePolicyAtIdleBackup()
{
    if (GetLaunchMode() != TLaunchMode::Normal || GetUpdateType() != TUpdateType::Manual)
        return;
    if (IsUpdateAvailable())
        GuiQueueAddCall([this] { LaunchUpdate(); }, true, nullptr);
    else
        PurgeUpdateFolder();
}

void TMainFrameTools::updatePolicyAtClose()
{
    if (GetLaunchMode() != TLaunchMode::Normal)
        return;
    if (!IsUpdateAvailable())
        PurgeUpdateFolder();
    else if (GetUpdateType() == TUpdateType::Stop)
        SelfUpdate().LaunchUpdate(processStarter()); // the window is closing already
}

// ------------------------------------------------- back office, calibration

void TMainFrameTools::hiddenBackOfficeShow()
{
    popupAdd(TCtrlCommonBase::Create<TCtrlPopupHiddenBck>(this, PopupPanel(QStringLiteral("PanelPopUpHiddenBck"))));
}

void TMainFrameTools::calibrationPopupShow(QAbstractButton* recapCheckBox)
{
    popupAdd(TCtrlPopupCalibration::Open(this, PopupPanel(QStringLiteral("PanelPopUpCalibration")), recapCheckBox,
                                         fCfg ? fCfg->GetCalibrationPath() : QString()));
}
