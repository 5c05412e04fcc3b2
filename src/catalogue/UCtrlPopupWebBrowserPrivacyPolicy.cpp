#include "UCtrlPopupWebBrowserPrivacyPolicy.h"

#include "LumLabService.h"
#include "ULangText.h"
#include "UPopupPanel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

TLangText& txtTitle()
{
    static TLangText& t = TLangText::Create(QStringLiteral("Privacy Policy"));
    return t;
}

} // namespace

void TCtrlPopupWebBrowserPrivacyPolicy::BuildForm(TPopupPanel* bg)
{
    if (bg->findChild<QGroupBox*>())
        return;
    static TLangText& txtCancel = TLangText::Create(QStringLiteral("Cancel"));
    static TLangText& txtAgree = TLangText::Create(QStringLiteral("Agree"));
    auto* box = new QGroupBox(txtTitle().Text(), bg);
    box->setObjectName(QStringLiteral("gbPopUpWebBrowser"));
    box->resize(700, 450);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(5, 40, 5, 10);
    auto* content = new QWidget(box);
    content->setObjectName(QStringLiteral("LayoutPopUpWebBrowserContent"));
    content->setContentsMargins(0, 1, 0, 0);
    new QVBoxLayout(content);
    content->layout()->setContentsMargins(0, 0, 0, 0);
    v->addWidget(content, 1);
    auto* bar = new QHBoxLayout();
    v->addLayout(bar);
    auto* cancel = new QPushButton(txtCancel.Text(), box);
    cancel->setObjectName(QStringLiteral("btnPopUpWebBrowserCancel"));
    bar->addWidget(cancel);
    auto* status = new QLabel(box);
    status->setObjectName(QStringLiteral("lblPopUpWebBrowserStatus"));
    status->setAlignment(Qt::AlignCenter);
    bar->addWidget(status, 1);
    auto* agree = new QPushButton(txtAgree.Text(), box);
    agree->setObjectName(QStringLiteral("btnPopUpWebBrowserAccept"));
    agree->hide();
    bar->addWidget(agree);
}

TCtrlPopupWebBrowserPrivacyPolicy::TCtrlPopupWebBrowserPrivacyPolicy(IMainFrame* main, TPopupPanel* bg)
    : TCtrlPopupHard(main, bg, nullptr)
{
    if (bg)
        BuildForm(bg);
    fOriginalWidth = 700;
    fOriginalHeight = 450;
    fMarginsWidth = 5;
}

TCtrlPopupWebBrowserPrivacyPolicy::~TCtrlPopupWebBrowserPrivacyPolicy()
{
    stopBrowser();
}

QString TCtrlPopupWebBrowserPrivacyPolicy::PolicyAddress(const QString& url, const QString& lang)
{
    QString code = lang;
    code.remove(QLatin1Char('?'));
    return QString(url).replace(QStringLiteral("[langCode]"), code);
}

void TCtrlPopupWebBrowserPrivacyPolicy::OnOpen(IMainFrame* main)
{
    static TLangText& txtExplain = TLangText::Create(
        QStringLiteral("If you have read and agree the privacy policy, please tap or click \"Agree\""));
    static TLangText& txtLoading = TLangText::Create(QStringLiteral("Loading..."));
    if (QGroupBox* box = popupGroupBox())
        box->setTitle(txtTitle().Text());
    if (fAcceptProc) {
        btnPopUpWebBrowserAccept->show();
        fHandlers << QObject::connect(btnPopUpWebBrowserAccept.get(), &QPushButton::clicked, [this] { accept(); });
        if (QGroupBox* box = popupGroupBox()) {
            fTextExplanatory = new QLabel(txtExplain.Text(), box);
            fTextExplanatory->setObjectName(QStringLiteral("TextExplanatory"));
            fTextExplanatory->setAlignment(Qt::AlignCenter);
            fTextExplanatory->setWordWrap(true);
            fTextExplanatory->setFixedHeight(60);
            fTextExplanatory->setContentsMargins(20, 5, 20, 5);
            if (auto* v = qobject_cast<QVBoxLayout*>(box->layout()))
                v->insertWidget(v->count() - 1, fTextExplanatory);
        }
    } else {
        btnPopUpWebBrowserAccept->hide();
    }
    TCtrlPopupHard::OnOpen(main);
    fHandlers << QObject::connect(btnPopUpWebBrowserCancel.get(), &QPushButton::clicked, [this] { ButtonCloseClick(); });
    lblPopUpWebBrowserStatus->setText(txtLoading.Text());
    startBrowser();
}

void TCtrlPopupWebBrowserPrivacyPolicy::startBrowser()
{
    const QString url = fPolicyPhotographer ? fPolicyPhotographer->PolitiqueConfidentialiteUrl() : QString();
    if (url.isEmpty()) {
        // Nothing to read: agreeing to nothing is agreeing. The popup is
        // still being opened here, so it accepts from the GUI queue.
        std::weak_ptr<TCtrlCommonBase> weak = shared_from_this();
        fMain->GuiQueueAddCall(
            [weak] {
                if (auto self = std::static_pointer_cast<TCtrlPopupWebBrowserPrivacyPolicy>(weak.lock()))
                    self->accept();
            },
            false, {});
        return;
    }
    // No storage name: an off-the-record profile, nothing written to disk.
    fProfile = new QWebEngineProfile();
    fBrowser = new QWebEngineView(LayoutPopUpWebBrowserContent.get());
    fBrowser->setObjectName(QStringLiteral("WebBrowserPrivacyPolicy"));
    fBrowser->setPage(new QWebEnginePage(fProfile, fBrowser));
    LayoutPopUpWebBrowserContent->layout()->addWidget(fBrowser);
    QObject::connect(fBrowser.data(), &QWebEngineView::loadFinished, [label = QPointer<QLabel>(lblPopUpWebBrowserStatus.get())](bool) {
        if (label)
            label->clear();
    });
    fBrowser->load(QUrl(PolicyAddress(url, fMain->Lang())));
}

void TCtrlPopupWebBrowserPrivacyPolicy::stopBrowser()
{
    // The page goes before its profile, which must outlive every page.
    if (fBrowser) {
        fBrowser->stop();
        delete fBrowser.data();
    }
    delete fProfile;
    fProfile = nullptr;
}

void TCtrlPopupWebBrowserPrivacyPolicy::ButtonCloseClick()
{
    static TLangText& txtReturn = TLangText::Create(QStringLiteral("Return to the connection screen?"));
    if (!fRefuseProc) {
        Close();
        return;
    }
    if (fReturnToConnecScreenMsg) {
        auto self = std::static_pointer_cast<TCtrlPopupWebBrowserPrivacyPolicy>(shared_from_this());
        fMain->ConfirmYesNo(txtReturn.Text(), [self] { self->refuse(); }, nullptr);
        return;
    }
    refuse();
}

void TCtrlPopupWebBrowserPrivacyPolicy::accept()
{
    // Keeps the popup alive while a procedure drops the caller's reference.
    auto self = shared_from_this();
    if (TProc proc = fAcceptProc)
        proc();
    Close();
}

void TCtrlPopupWebBrowserPrivacyPolicy::refuse()
{
    auto self = shared_from_this();
    if (TProc proc = fRefuseProc)
        proc();
    Close();
}

void TCtrlPopupWebBrowserPrivacyPolicy::OnClose()
{
    stopBrowser();
    for (const QMetaObject::Connection& c : fHandlers)
        QObject::disconnect(c);
    fHandlers.clear();
    TCtrlPopupHard::OnClose();
    fAcceptProc = nullptr;
    fRefuseProc = nullptr;
    fPolicyPhotographer = nullptr;
    btnPopUpWebBrowserAccept->hide();
    delete fTextExplanatory.data();
}

void PrivacyPolicyPopupOpen(IMainFrame* main, TPopupPanel* bg, Photographe2* phot, TProc accept, TProc refuse)
{
    auto popup = std::make_shared<TCtrlPopupWebBrowserPrivacyPolicy>(main, bg);
    popup->SetAcceptProc(std::move(accept));
    popup->SetRefuseProc(std::move(refuse));
    popup->SetReturnToConnecScreenMsg(true);
    popup->SetPolicyPhotographer(phot);
    main->popupAdd(popup);
}
