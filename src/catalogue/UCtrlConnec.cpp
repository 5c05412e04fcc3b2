#include "UCtrlConnec.h"

#include "UAniIndicator.h"
#include "UConfig.h"
#include "UConnecEndpoints.h"
#include "UCtrlConnecNotif.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UShopConnect.h"
#include "UTools.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

TLangText& txt(const char* text)
{
    // Each text is created once, on first use, and re-translated in place
    // by the language switch.
    static QHash<const char*, TLangText*> texts;
    static std::mutex sync;
    std::lock_guard lk(sync);
    TLangText*& t = texts[text];
    if (!t)
        t = &TLangText::Create(QString::fromUtf8(text));
    return *t;
}

QWidget* findInWindow(QWidget* from, const char* name)
{
    QWidget* top = from ? from->window() : nullptr;
    return top ? top->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr;
}

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

void TCtrlConnec::BuildForm(QWidget* stepTabItem)
{
    auto* outer = new QVBoxLayout(stepTabItem);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* layoutStep = named(new QWidget(stepTabItem), "LayoutStepConnec");
    outer->addWidget(layoutStep);
    auto* center = new QVBoxLayout(layoutStep);
    center->setContentsMargins(0, 30, 0, 0);
    auto* box = named(new QGroupBox(txt("Connection").Text(), layoutStep), "gbConnecSteps");
    box->setFixedWidth(597);
    center->addWidget(box, 0, Qt::AlignHCenter | Qt::AlignTop);
    center->addStretch(1);

    auto* boxLayout = new QVBoxLayout(box);
    auto* pages = named(new QStackedWidget(box), "TabControlStepLogin");
    boxLayout->addWidget(pages);
    auto* login = named(new QWidget(pages), "TabItemConnectLogin");
    pages->addWidget(login);
    auto* form = new QFormLayout(login);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(named(new QLabel(txt("Login *").Text(), login), "lblLogin"), named(new QLineEdit(login), "EditLogin"));
    auto* pwd = named(new QLineEdit(login), "EditPassword");
    pwd->setEchoMode(QLineEdit::Password);
    form->addRow(named(new QLabel(txt("Password *").Text(), login), "lblPassword"), pwd);
    form->addRow(named(new QLabel(txt("Use Mode").Text(), login), "lblConnecMode"),
                 named(new QComboBox(login), "cbConnecMode"));
    form->addRow(named(new QLabel(txt("Server *").Text(), login), "lblConnecServer"),
                 named(new QComboBox(login), "cbConnecServer"));
    auto* server = named(new QLineEdit(login), "EditConnecServer");
    server->setInputMethodHints(Qt::ImhUrlCharactersOnly);
    form->addRow(QString(), server);

    auto* bar = new QHBoxLayout();
    boxLayout->addLayout(bar);
    bar->addWidget(named(new QPushButton(box), "btnConnectStepPrevious"));
    bar->addStretch(1);
    auto* ani = named(new TAniIndicator(box), "ConnecAniIndicator");
    ani->setFixedSize(24, 24);
    bar->addWidget(ani);
    auto* status = named(new QLabel(box), "lblConnecStatus");
    status->setAlignment(Qt::AlignCenter);
    status->setWordWrap(false);
    bar->addWidget(status);
    bar->addStretch(1);
    bar->addWidget(named(new QPushButton(txt("Go >").Text(), box), "btnConnectStepNext"));
    auto* progress = named(new QProgressBar(box), "ProgressBarConnect");
    progress->setRange(0, 100);
    progress->hide();
    boxLayout->addWidget(progress);
}

TCtrlConnec::TCtrlConnec(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlStepBase(main, stepTabItem)
    , fNotif(dynamic_cast<ICtrlConnecNotif*>(main))
    , fConfig(fNotif ? fNotif->ConfigObj() : nullptr)
{
    if (!fNotif)
        throw Exception(QStringLiteral("TCtrlConnec.Create: the main frame offers no connection notifications"));
    // The step's components are built with its first controller; the
    // binding that follows the construction finds them.
    if (stepTabItem && !stepTabItem->findChild<QGroupBox*>(QStringLiteral("gbConnecSteps")))
        BuildForm(stepTabItem);
}

TCtrlConnec::~TCtrlConnec() = default;

bool TCtrlConnec::initDataMode() const
{
    return int(fMain->GetLaunchMode()) == kLaunchModeInitData;
}

void TCtrlConnec::statusShow(const QString& text)
{
    lblConnecStatus->setText(text);
}

void TCtrlConnec::waitShow()
{
    if (QWidget* lang = findInWindow(StepTabItem(), "LayoutLanguageChoose"))
        lang->setEnabled(false);
    gbConnecSteps->setEnabled(false);
    ConnecAniIndicator->show();
    ConnecAniIndicator->setEnabled(true);
}

void TCtrlConnec::waitHide()
{
    ProgressBarConnect->hide();
    ConnecAniIndicator->hide();
    ConnecAniIndicator->setEnabled(false);
    gbConnecSteps->setEnabled(true);
    if (QWidget* lang = findInWindow(StepTabItem(), "LayoutLanguageChoose"))
        lang->setEnabled(true);
}

void TCtrlConnec::updateProgressBar(int val, int total, const TLangText& text)
{
    TThreadTaskQueueWithoutThread::CheckCancel();
    if (!isMainThread()) {
        TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { updateProgressBar(val, total, text); });
        return;
    }
    ProgressBarConnect->setValue(int(ConnecProgressPercent(val, total)));
    ProgressBarConnect->show();
    statusShow(text.Text({ val, total }));
}

void TCtrlConnec::hideProgressBar()
{
    TThreadTaskQueueWithoutThread::MainThreadSynchro([this] { ProgressBarConnect->hide(); });
}

// ------------------------------------------------------------------- form

void TCtrlConnec::ServerListInit()
{
    fServerListChange = false;
    cbConnecServer->clear();
    for (const TConnecEndpoint& e : ConnecEndpoints())
        cbConnecServer->addItem(e.label, e.url);
    fServerListChange = true;
}

void TCtrlConnec::ServerEditFromChoice()
{
    if (cbConnecServer->currentIndex() < 0)
        return;
    fServerChangeTracking = false;
    EditConnecServer->setText(cbConnecServer->currentData().toString());
    fServerChangeTracking = true;
}

void TCtrlConnec::ServerChoiceFromEdit()
{
    fServerListChange = false;
    cbConnecServer->setCurrentIndex(ConnecEndpointIndexOf(EditConnecServer->text()));
    fServerListChange = true;
}

void TCtrlConnec::LoginFieldsInit(IMainFrame* main)
{
    EditLogin->setText(main->GetWebSvcAskerClearLogin());
    EditPassword->setText(main->GetWebSvcAskerClearPassword());
    EditConnecServer->setText(QString());
    EditConnecServer->setText(main->WebSvcRootUrl());
    cbConnecMode->setEnabled(true);
    cbConnecMode->setCurrentIndex(-1);
    cbConnecMode->setCurrentIndex(cbConnecMode->findData(int(main->QzUseMode())));
}

void TCtrlConnec::DebugModeVisibility()
{
    const bool debug = fMain->GetDebugMode();
    for (QWidget* w : { static_cast<QWidget*>(lblConnecMode.get()), static_cast<QWidget*>(cbConnecMode.get()),
                        static_cast<QWidget*>(lblConnecServer.get()), static_cast<QWidget*>(cbConnecServer.get()),
                        static_cast<QWidget*>(EditConnecServer.get()) })
        w->setVisible(debug);
}

void TCtrlConnec::handlersConnect()
{
    fHandlers << QObject::connect(btnConnectStepNext.get(), &QPushButton::clicked, [this] {
        try {
            NextClick();
        } catch (const std::exception& e) {
            fMain->ShowEx(e, nullptr);
        }
    });
    fHandlers << QObject::connect(cbConnecServer.get(), qOverload<int>(&QComboBox::currentIndexChanged), [this](int) {
        if (fServerListChange)
            ServerEditFromChoice();
    });
    fHandlers << QObject::connect(EditConnecServer.get(), &QLineEdit::textChanged, [this](const QString&) {
        if (fServerChangeTracking)
            ServerChoiceFromEdit();
    });
}

void TCtrlConnec::handlersDisconnect()
{
    for (const QMetaObject::Connection& c : fHandlers)
        QObject::disconnect(c);
    fHandlers.clear();
}

void TCtrlConnec::loginPageShow()
{
    statusShow(QString());
    gbConnecSteps->setTitle(initDataMode() ? txt("Please wait while downloading installation datas").Text()
                                           : txt("Connection").Text());
    btnConnectStepPrevious->hide();
    btnConnectStepNext->setText(txt("Go >").Text());
    EditLogin->setFocus();
    LogDebug(QStringLiteral("Connection: login form start (ram: %1)").arg(TAppTools::AppMemoryUsageStr()));
}

void TCtrlConnec::OnOpen(IMainFrame* main)
{
    TCtrlStepBase::OnOpen(main);
    if (cbConnecMode->count() == 0) {
        const std::pair<const char*, TQzUseMode> modes[] = {
            { "Standard Interface", TQzUseMode::Std }, { "Touch Screen", TQzUseMode::TouchScreen },
            { "Full Screen", TQzUseMode::FullScreen }, { "Full Touch Screen", TQzUseMode::FullTouchScreen },
            { "Public Kiosk", TQzUseMode::Kiosk }, { "Mobile", TQzUseMode::Mobile },
        };
        for (const auto& m : modes)
            cbConnecMode->addItem(txt(m.first).Text(), int(m.second));
    }
    statusShow(QString());
    ConnecAniIndicator->hide();
    DebugModeVisibility();
    ServerListInit();
    handlersConnect();
    LoginFieldsInit(main);
    QObject* sender = StepTabItem();
    if (initDataMode()) {
        if (QWidget* bar = findInWindow(StepTabItem(), "TopToolBar"))
            bar->hide();
        btnConnectStepNext->hide();
        gbConnecSteps->setFixedHeight(110);
        fNotif->SetAutoLogin(sender, true);
    }
    TabControlStepLogin->setCurrentWidget(TabItemConnectLogin);
    loginPageShow();
    fNotif->onCtrlDisconnected(sender);
    if (auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this()))
        main->EventObserverRegister(self, moe_debugMode);
    if (fNotif->AutoLogin(sender)) {
        fNotif->SetAutoLogin(sender, false);
        if (!EditLogin->text().isEmpty() && !EditPassword->text().isEmpty() && !EditConnecServer->text().isEmpty())
            StartConnect();
    }
}

void TCtrlConnec::OnClose()
{
    fConnecTask.reset();
    if (auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this()))
        fMain->EventObserverUnregister(self, moe_debugMode);
    handlersDisconnect();
    TCtrlStepBase::OnClose();
}

void TCtrlConnec::OnMainObservedEvent(TMainObservedEvent evtype, void*)
{
    if (evtype == moe_debugMode)
        DebugModeVisibility();
}

bool TCtrlConnec::isTaskWaiting()
{
    return fConnecTask && fConnecTask->IsWaitingForExec();
}

bool TCtrlConnec::taskCancel()
{
    if (!isTaskWaiting())
        return false;
    fConnecTask->CancelAsk(ttwm_nowait);
    return true;
}

void TCtrlConnec::OnResize(QWidget* parent)
{
    if (!parent)
        return;
    // The box keeps 597 wide while there is room, follows the window down to
    // 450, and stays 450 below that.
    const int W = parent->width() - 5;
    const int w = W >= 597 ? 597 : std::max(W, 450);
    if (gbConnecSteps->width() != w)
        gbConnecSteps->setFixedWidth(w);
}

// ------------------------------------------------------------- connecting

void TCtrlConnec::NextClick()
{
    fieldCheckStart();
    fieldCheck(lblConnecServer, EditConnecServer, 0, 1, QString(), true);
    fieldCheck(lblPassword, EditPassword, 0, 1, QString(), true);
    fieldCheck(lblLogin, EditLogin, 0, 1, QString(), true);
    if (FieldCheckOk())
        StartConnect();
}

void TCtrlConnec::StartConnect()
{
    QObject* sender = StepTabItem();
    fNotif->onCtrlDisconnected(sender);
    waitStart();
    try {
        if (EditLogin->text().isEmpty()) {
            EditLogin->setFocus();
            throw EUser(txt("Login is required"));
        }
        if (EditPassword->text().isEmpty()) {
            EditPassword->setFocus();
            throw EUser(txt("Password is required"));
        }
        status(txt("Connecting...").Text());
        fMain->SetWebSvcAskerClearLogin(EditLogin->text());
        fMain->SetWebSvcAskerClearPassword(EditPassword->text());
        const QVariant mode = cbConnecMode->currentData();
        fNotif->SetServerUrlAndUseMode(EditConnecServer->text(),
                                       mode.isValid() ? TQzUseMode(mode.toInt()) : fMain->QzUseMode());
        // The wait started above keeps the controller alive until the task
        // ends it; the task itself holds it weakly, or the controller and its
        // task would keep each other.
        std::weak_ptr<TCtrlConnec> weak = std::static_pointer_cast<TCtrlConnec>(shared_from_this());
        fConnecTask = fMain->WebSvcAddCall([weak] {
            if (auto self = weak.lock())
                self->AsyncConnect();
        });
    } catch (...) {
        statusShow(QString());
        waitEnd();
        throw;
    }
}

void TCtrlConnec::AsyncConnect()
{
    QObject* sender = StepTabItem();
    try {
        TShopConnect connect(fNotif, fMain, this, sender);
        connect.AsyncConnect();
        auto self = std::static_pointer_cast<TCtrlConnec>(shared_from_this());
        fMain->GuiQueueAddCall(
            [self, sender] {
                try {
                    self->fNotif->onCtrlConnected(sender);
                    self->waitEnd();
                } catch (const ETaskRetry&) {
                    throw;
                } catch (const std::exception& e) {
                    self->waitEndEx(e, nullptr);
                }
            },
            true, {});
    } catch (const std::exception& e) {
        waitEndEx(e, EditLogin.get());
    }
}
