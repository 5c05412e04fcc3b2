#include "UCtrlTileChoiceHomeProducts.h"

#include "LumLabService.h"
#include "UAniIndicator.h"
#include "UAppExceptions.h"
#include "UCtrlPopupCgBase.h"
#include "UCtrlPopupMediaForgotten.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UMainFrameBase.h"
#include "UPopupPanel.h"
#include "UPrintOrder.h"
#include "UResImagePart.h"
#include "UScreensResources.h"
#include "UWorkflowSteps.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace {
TLangText& txtPrints = TLangText::Create(QStringLiteral("Prints"));
TLangText& txtPhotoBooks = TLangText::Create(QStringLiteral("Photo Books"));
TLangText& txtCalendars = TLangText::Create(QStringLiteral("Calendars"));
TLangText& txtCards = TLangText::Create(QStringLiteral("Cards"));
TLangText& txtDesignerPrints = TLangText::Create(QStringLiteral("Designer Prints"));
TLangText& txtWelcome = TLangText::Create(QStringLiteral("Welcome to {APP}!"));
TLangText& txtLoading = TLangText::Create(QStringLiteral("Loading..."));
TLangText& txtLoadError = TLangText::Create(QStringLiteral("Load error !"));
TLangText& txtPackBalance = TLangText::Create(QStringLiteral("Pack balance : "));
TLangText& txtPhotographerMessage = TLangText::Create(QStringLiteral("Photographer message : "));

// The tiles keep the ratio of their 800 x 560 pictures.
constexpr float kTileWidthMax = 800;
constexpr float kTileHeightMax = 560;
constexpr int kShopInfoHeight = 190;
constexpr int kShopInfoMargin = 10;
constexpr int kShopTextBoxWidth = 420;
constexpr int kShopRectMargin = 10;

QLabel* makeText(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setWordWrap(true);
    return l;
}
} // namespace

// ---------------------------------------------------------------------------
// THomeButton

THomeButton::THomeButton(QWidget* parent)
    : TTileButton(nullptr, QStringLiteral("btntileblack"), parent)
{
    fDrawLayout = new TResImagePart(QStringLiteral("THomeButton"), QStringLiteral("THomeButton.layoutHomeButtonPaint"),
                                    resizePart());
    fLoadingLayout = new QWidget(this);
    fLoadingLayout->setObjectName(QStringLiteral("layoutloading"));
    fLoadingLayout->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* ll = new QVBoxLayout(fLoadingLayout);
    fLoadingAni = new TAniIndicator(fLoadingLayout);
    fLoadingAni->setObjectName(QStringLiteral("aniloading"));
    fLoadingAni->setFixedSize(64, 64);
    fLoadingText = new QLabel(txtLoading.Text(), fLoadingLayout);
    fLoadingText->setObjectName(QStringLiteral("textloading"));
    fLoadingText->setAlignment(Qt::AlignCenter);
    ll->addStretch(1);
    ll->addWidget(fLoadingAni, 0, Qt::AlignHCenter);
    ll->addWidget(fLoadingText);
    ll->addStretch(1);
    fErrorLayout = new QWidget(this);
    fErrorLayout->setObjectName(QStringLiteral("layouterror"));
    fErrorLayout->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* el = new QVBoxLayout(fErrorLayout);
    fErrorText = new QLabel(txtLoadError.Text(), fErrorLayout);
    fErrorText->setObjectName(QStringLiteral("texterror"));
    fErrorText->setAlignment(Qt::AlignCenter);
    el->addWidget(fErrorText);
    setVisible(false);
    statePartsUpdate();
    updateImage();
}

THomeButton::~THomeButton() = default;

void THomeButton::setMain(IMainFrame* main)
{
    fMain = main;
    fDrawLayout->setMain(main);
}

void THomeButton::setResId(const QString& resId)
{
    if (resId == fResId)
        return;
    fResId = resId;
    fHomeImg = nullptr;
    try {
        if (fMain)
            fHomeImg = fMain->GetResImg(resId, QStringLiteral("jpg"));
    } catch (const std::exception& e) {
        fHomeImg = nullptr;
        LogError(QStringLiteral("THomeButton.sethomeId"), e);
    }
    fDrawLayout->setImage(fHomeImg);
    updateImage();
}

void THomeButton::updateImage()
{
    TTileButton::updateImage();
    if (!fDrawLayout)
        return;
    fDrawLayout->setVisible(fHomeImg != nullptr);
    imagePart()->setVisible(fHomeImg == nullptr && imagePart()->document() != nullptr);
}

void THomeButton::setVisibilityMode(TProductVisibilityMode mode)
{
    if (mode == fVisibilityMode)
        return;
    fVisibilityMode = mode;
    statePartsUpdate();
    if (mode == pvm_hidden)
        setVisible(false);
}

void THomeButton::statePartsUpdate()
{
    const bool loading = fVisibilityMode == pvm_loading;
    fLoadingAni->setEnabled(loading);
    fLoadingLayout->setVisible(loading);
    fErrorLayout->setVisible(fVisibilityMode == pvm_error);
    setProperty("IsLoading", loading);
    setProperty("IsError", fVisibilityMode == pvm_error);
    style()->unpolish(this);
    style()->polish(this);
}

void THomeButton::resizeEvent(QResizeEvent* event)
{
    TTileButton::resizeEvent(event);
    // The state parts cover the picture part.
    const QRect r = resizePart()->geometry();
    fLoadingLayout->setGeometry(r);
    fErrorLayout->setGeometry(r);
}

// ---------------------------------------------------------------------------
// TCtrlTileChoiceHomeProducts

struct TCtrlTileChoiceHomeProducts::TFamily {
    TLangText& caption;
    const char* resId;
    TProductVisibilityType family;
    TWorkflowType workflow;
};

const TCtrlTileChoiceHomeProducts::TFamily* TCtrlTileChoiceHomeProducts::families(int& count)
{
    static const TFamily table[] = {
        { txtPrints, "home_prints", pvt_print, TWorkflowPrint },
        { txtPhotoBooks, "home_photobooks", pvt_book, TWorkflowAlbum },
        { txtCalendars, "home_calendars", pvt_calendar, TWorkflowCalendarMonthly },
        { txtCards, "home_cards", pvt_card, TWorkflowCard },
        { txtDesignerPrints, "home_designer_prints", pvt_photoprod, TWorkflowDesignerPrint },
    };
    count = int(std::size(table));
    return table;
}

THomeButton*& TCtrlTileChoiceHomeProducts::familyButton(int index)
{
    switch (index) {
    case 0:
        return ButtonHomePrints;
    case 1:
        return ButtonHomePhotoBooks;
    case 2:
        return ButtonHomeCalendars;
    case 3:
        return ButtonHomeCards;
    default:
        return ButtonHomeDesignerPrints;
    }
}

TCtrlTileChoiceHomeProducts::TCtrlTileChoiceHomeProducts(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlTileChoiceBase(main, stepTabItem)
{
    TScreensResources::Init();
}

TCtrlTileChoiceHomeProducts::~TCtrlTileChoiceHomeProducts()
{
    delete fShopInfo.data();
}

IMainObserverRef TCtrlTileChoiceHomeProducts::observerRef()
{
    // The same control block as the controller: the table keeps it alive
    // while registered, and unregistering finds it again.
    return IMainObserverRef(shared_from_this(), static_cast<IMainObserver*>(this));
}

namespace {
QPushButton* windowButton(IMainFrame* main, const QString& name)
{
    QVariant v;
    if (!main->GetFieldValueByName(name, v))
        return nullptr;
    return qobject_cast<QPushButton*>(v.value<QObject*>());
}
} // namespace

void TCtrlTileChoiceHomeProducts::OnOpen(IMainFrame* main)
{
    TCtrlTileChoiceBase::OnOpen(main);
    ButtonMobileCart = windowButton(main, QStringLiteral("ButtonMobileCart"));
    ButtonMobileShopInfo = windowButton(main, QStringLiteral("ButtonMobileShopInfo"));
    main->deleteUserStepsList();
    if (main->Zebdesign() == zebd_home) {
        SetPageTitle(txtWelcome.Text());
        shopInfoBuild();
        c.fHeightAlreadyUsed += float(kShopInfoHeight + 2 * kShopInfoMargin);
        if (main->getProductVisibility(pvt_common) == pvm_visible) {
            shopInfoFill();
            fShopInfo->setVisible(true);
            fTextBox->setVisible(true);
        } else {
            fShopInfo->setVisible(false);
            fTextBox->setVisible(false);
        }
    }

    int count = 0;
    const TFamily* table = families(count);
    for (int i = 0; i < count; ++i) {
        THomeButton* b = homeButtonCreate(table[i].caption.Text(), QLatin1String(table[i].resId));
        b->setObjectName(QStringLiteral("ButtonHome%1").arg(QLatin1String(
            i == 0 ? "Prints" : i == 1 ? "PhotoBooks" : i == 2 ? "Calendars" : i == 3 ? "Cards" : "DesignerPrints")));
        familyButton(i) = b;
        QObject::connect(b, &QAbstractButton::clicked, b, [this, i] {
            try {
                homeButtonClick(i);
            } catch (const std::exception& e) {
                if (MainFrame())
                    MainFrame()->ShowEx(e, nullptr);
            }
        });
    }

    // The shop box may have made the base lay out before the tiles existed:
    // the next resize lists them.
    c.fButtonListMade = false;
    c.fszFrm = QSizeF();

    main->setWorkflowType(TWorkflowNone);
    if (TPrintOrder* order = main->GetOrder())
        order->ProductsClean();
    mobileButtonsUpdate();
    main->setWorkflowStepMax(&WorkflowSteps::TCtrlTileChoiceHomeProducts);

    if (main->Zebdesign() == zebd_kiosk) {
        TPrintOrder* order = main->GetOrder();
        if (!(order && order->isUsed()) && DevicesDetected && DevicesDetected(main)) {
            auto* base = dynamic_cast<TMainFrameBase*>(main);
            if (TPopupPanel* panel = base ? base->PopupPanel(QStringLiteral("PanelPopupMediaForgotten")) : nullptr)
                main->popupAdd(TCtrlCommonBase::Create<TCtrlPopupMediaForgotten>(main, panel, nullptr));
        }
    }

    main->EventObserverRegister(observerRef(), moe_productVisibility);
    fObserving = true;
}

THomeButton* TCtrlTileChoiceHomeProducts::homeButtonCreate(const QString& caption, const QString& resName)
{
    auto* b = new THomeButton(tilesContainer());
    b->setCaption(caption);
    b->setMain(MainFrame());
    b->setResId(resName);
    return b;
}

void TCtrlTileChoiceHomeProducts::createButtons()
{
    c.fButtonList.clear();
    int count = 0;
    const TFamily* table = families(count);
    for (int i = 0; i < count; ++i) {
        THomeButton* b = familyButton(i);
        if (!b)
            continue;
        const TProductVisibilityMode mode = MainFrame()->getProductVisibility(table[i].family);
        if (mode != pvm_hidden)
            c.fButtonList.push_back(b);
        b->setVisibilityMode(mode);
    }
    c.fButtonWidthMax = kTileWidthMax;
    c.fButtonHeightMax = kTileHeightMax;
    // The design size comes from the prints tile; a tile without width
    // (never laid out) falls back on the pictures' size rather than giving
    // the layout a zero to divide by.
    const float w = ButtonHomePrints ? float(ButtonHomePrints->width()) : 0;
    c.fButtonWidth = w > 0 ? w : kTileWidthMax;
    c.fButtonHeight = c.fButtonWidth * kTileHeightMax / kTileWidthMax;
}

void TCtrlTileChoiceHomeProducts::OnMainObservedEvent(TMainObservedEvent evtype, void*)
{
    if (evtype != moe_productVisibility || !MainFrame())
        return;
    mobileButtonsUpdate();
    if (MainFrame()->Zebdesign() == zebd_home && fShopInfo) {
        const bool common = MainFrame()->getProductVisibility(pvt_common) == pvm_visible;
        if (!common && !fShopInfo->isHidden()) {
            fShopInfo->setVisible(false);
            fTextBox->setVisible(false);
        } else if (common && fShopInfo->isHidden()) {
            shopInfoFill();
            fShopInfo->setVisible(true);
            fTextBox->setVisible(true);
        }
    }
    // Every tile takes its family's state; the layout runs again at the
    // same size.
    c.fButtonListMade = false;
    layoutTiles();
}

void TCtrlTileChoiceHomeProducts::mobileButtonsUpdate()
{
    IMainFrame* main = MainFrame();
    const bool mobile = main->Zebdesign() == zebd_mobile;
    if (ButtonMobileShopInfo)
        ButtonMobileShopInfo->setVisible(mobile && main->getProductVisibility(pvt_common) == pvm_visible);
    if (ButtonMobileCart)
        ButtonMobileCart->setVisible(mobile && main->getProductVisibility(pvt_all) == pvm_visible);
}

bool TCtrlTileChoiceHomeProducts::checkConditionsAccepted(TProc acceptProc)
{
    IMainFrame* main = MainFrame();
    TPrintOrder* order = main->GetOrder();
    auto* base = dynamic_cast<TMainFrameBase*>(main);
    if (main->IsKiosk()) {
        const ConditionsKioskUse2* cond = main->GetWebSvcCondKioskUse();
        if (!cond || !cond->ConditionsEnabled())
            return true;
        if (!order || order->acceptedCgv())
            return true;
        TPopupPanel* panel = base ? base->PopupPanel(QStringLiteral("PanelPopupCondKioskUse")) : nullptr;
        main->popupAdd(TCtrlCommonBase::Create<TCtrlPopupCondKioskUse>(main, panel, acceptProc));
        return false;
    }
    if (main->GetWebSvcPhotographerCgv().isEmpty())
        return true;
    if (!order || order->acceptedCgv())
        return true;
    if (!main->isCguMandatory())
        return true;
    TPopupPanel* panel = base ? base->PopupPanel(QStringLiteral("PanelPopUpCgv")) : nullptr;
    main->popupAdd(TCtrlCommonBase::Create<TCtrlPopupCgv>(main, panel, acceptProc));
    return false;
}

void TCtrlTileChoiceHomeProducts::homeButtonClick(int index)
{
    THomeButton* b = familyButton(index);
    // A family still loading or failed to load has nothing to start yet.
    if (!b || b->VisibilityMode() != pvm_visible) {
        LogDebug(QStringLiteral("TCtrlTileChoiceHomeProducts.homeButtonClick: family not ready"));
        return;
    }
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    TProc replay = [weak, index] {
        if (auto self = std::dynamic_pointer_cast<TCtrlTileChoiceHomeProducts>(weak.lock()))
            self->homeButtonClick(index);
    };
    if (!checkConditionsAccepted(replay))
        return;
    int count = 0;
    const TFamily& f = families(count)[index];
    IMainFrame* main = MainFrame();
    if (FamilyDataReset)
        FamilyDataReset(main, f.family);
    main->setWorkflowType(f.workflow);
    main->goWorkflowNext(true);
}

void TCtrlTileChoiceHomeProducts::shopInfoBuild()
{
    QWidget* tab = StepTabItem();
    fShopInfo = new QWidget(tab);
    fShopInfo->setObjectName(QStringLiteral("LayoutHomeProductsShopInfo"));
    fShopInfo->setFixedHeight(kShopInfoHeight + 2 * kShopInfoMargin);
    fShopInfo->setContentsMargins(0, kShopInfoMargin, 0, kShopInfoMargin);
    fInfosContent = new QWidget(fShopInfo);
    fInfosContent->setObjectName(QStringLiteral("LayoutHomeProductsInfosContent"));
    auto* contentLay = new QVBoxLayout(fInfosContent);
    contentLay->setContentsMargins(0, 0, 0, 0);
    contentLay->setSpacing(0);
    contentLay->addWidget(makeText(fInfosContent, "TextHomeProductsShopName"));
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    contentLay->addLayout(row, 1);

    auto* textBox = new QFrame(fInfosContent);
    textBox->setObjectName(QStringLiteral("RectangleHomeProductsTextBox"));
    textBox->setFixedWidth(kShopTextBoxWidth);
    auto* tl = new QVBoxLayout(textBox);
    tl->setSpacing(0);
    for (const char* name : { "TextHomeProductsContact", "TextHomeProductsAddress", "TextHomeProductsZipCode",
                              "TextHomeProductsCity", "TextHomeProductsPhone", "TextHomeProductsEmail" })
        tl->addWidget(makeText(textBox, name));
    tl->addStretch(1);
    fTextBox = textBox;

    auto* pack = new QFrame(fInfosContent);
    pack->setObjectName(QStringLiteral("RectangleHomeProductsPack"));
    auto* pl = new QVBoxLayout(pack);
    fPackBalance = new QWidget(pack);
    fPackBalance->setObjectName(QStringLiteral("LayoutInfosPackBalance"));
    auto* bl = new QHBoxLayout(fPackBalance);
    bl->setContentsMargins(0, 0, 0, 0);
    auto* packLabel = makeText(fPackBalance, "LabelInfosPackBalance");
    packLabel->setText(txtPackBalance.Text());
    packLabel->setWordWrap(false);
    bl->addWidget(packLabel);
    bl->addWidget(makeText(fPackBalance, "TextHomeProductsPackBalance"), 1);
    fMessage = new QWidget(pack);
    fMessage->setObjectName(QStringLiteral("LayoutInfosMessage"));
    auto* ml = new QVBoxLayout(fMessage);
    ml->setContentsMargins(0, 0, 0, 0);
    auto* msgLabel = makeText(fMessage, "LabelInfosMessage");
    msgLabel->setText(txtPhotographerMessage.Text());
    ml->addWidget(msgLabel);
    ml->addWidget(makeText(fMessage, "TextHomeProductsMessage"), 1);
    pl->addWidget(fPackBalance);
    pl->addWidget(fMessage, 1);
    fPackBox = pack;

    row->addSpacing(kShopRectMargin);
    row->addWidget(textBox);
    row->addSpacing(kShopRectMargin * 2);
    row->addWidget(pack, 1);
    row->addSpacing(kShopRectMargin);

    if (auto* lay = qobject_cast<QVBoxLayout*>(tab->layout()))
        lay->addWidget(fShopInfo);

    // shopInfoResize follows the size of the box.
    struct TWatcher : QObject {
        TCtrlTileChoiceHomeProducts* home;
        TWatcher(TCtrlTileChoiceHomeProducts* h, QObject* parent) : QObject(parent), home(h) { }
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            return home->eventFilterShopInfo(watched, event);
        }
    };
    auto* watcher = new TWatcher(this, fShopInfo);
    fShopInfo->installEventFilter(watcher);
    fShopInfoWatcher = watcher;
}

bool TCtrlTileChoiceHomeProducts::eventFilterShopInfo(QObject* watched, QEvent* event)
{
    if (watched == fShopInfo && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        shopInfoResize();
    return false;
}

QLabel* TCtrlTileChoiceHomeProducts::shopText(const char* name) const
{
    return fShopInfo ? fShopInfo->findChild<QLabel*>(QLatin1String(name)) : nullptr;
}

void TCtrlTileChoiceHomeProducts::shopInfoFill()
{
    if (!fShopInfo)
        return;
    IMainFrame* main = MainFrame();
    auto set = [this](const char* name, const QString& text) {
        if (QLabel* l = shopText(name)) {
            l->setText(text);
            l->setVisible(!text.isEmpty());
        }
    };
    QString message;
    Tarif_TypeTarif tariff = Tarif_TypeTarif::Undef;
    int packs = 0;
    try {
        const Adresse2* addr = main->GetWebSvcAddressPhotographer();
        set("TextHomeProductsContact", addr ? addr->Identite() : QString());
        set("TextHomeProductsAddress", addr ? addr->Rue() : QString());
        set("TextHomeProductsCity", addr ? addr->Ville() : QString());
        set("TextHomeProductsZipCode", addr ? addr->CodePostal() : QString());
        set("TextHomeProductsPhone", addr ? addr->Telephone() : QString());
        const Photographe2* phot = main->GetWebSvcPhotographer();
        set("TextHomeProductsEmail", phot ? phot->Email() : QString());
        set("TextHomeProductsShopName", main->WebSvcPhotographerName());
        if (const Zebconsumer2* boot = main->GetWebSvcConsumerBoot())
            message = boot->Message_();
        if (const Consommateur2* full = main->GetWebSvcConsumerFull()) {
            tariff = full->TypeTarif();
            packs = full->SoldePacks();
        }
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TCtrlTileChoiceHomeProducts.shopInfoFill"), e);
    }
    const bool packsTariff = tariff == Tarif_TypeTarif::Packs;
    fPackBox->setVisible(!message.isEmpty() || packsTariff);
    fMessage->setVisible(!message.isEmpty());
    set("TextHomeProductsMessage", message);
    fPackBalance->setVisible(packsTariff);
    set("TextHomeProductsPackBalance", QString::number(packs));
    shopInfoResize();
}

void TCtrlTileChoiceHomeProducts::shopInfoResize()
{
    if (!fShopInfo || !fInfosContent)
        return;
    int needed = kShopTextBoxWidth + 2 * kShopRectMargin;
    // The pack area gets as much width as the text box.
    if (fPackBox && !fPackBox->isHidden())
        needed += kShopTextBoxWidth + 2 * kShopRectMargin;
    const QRect area = fShopInfo->contentsRect();
    if (area.width() > needed)
        fInfosContent->setGeometry(area.x() + (area.width() - needed) / 2, area.y(), needed, area.height());
    else
        fInfosContent->setGeometry(area);
}

void TCtrlTileChoiceHomeProducts::OnClose()
{
    if (fObserving && MainFrame()) {
        MainFrame()->EventObserverUnregister(observerRef(), moe_productVisibility);
        fObserving = false;
    }
    for (int i = 0; i < 5; ++i) {
        if (THomeButton* b = familyButton(i))
            QObject::disconnect(b, &QAbstractButton::clicked, nullptr, nullptr);
        familyButton(i) = nullptr;
    }
    TCtrlTileChoiceBase::OnClose();
    if (ButtonMobileCart)
        ButtonMobileCart->setVisible(false);
    if (ButtonMobileShopInfo)
        ButtonMobileShopInfo->setVisible(false);
    delete fShopInfoWatcher.data();
    delete fShopInfo.data();
}
