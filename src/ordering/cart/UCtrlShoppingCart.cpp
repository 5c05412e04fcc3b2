#include "UCtrlShoppingCart.h"

#include "UAlbumProduct.h"
#include "UAppExceptions.h"
#include "UCartProductWorkflows.h"
#include "UConfig.h"
#include "UDebug.h"
#include "UOrderingTexts.h"
#include "UPrintOrder.h"
#include "UShoppingCartCrossSelling.h"
#include "UTemplateProduct.h"
#include "UWorkflowSteps.h"

#include "ULabPartyContracts.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// Annual calendars are told by their first page's template, which only
// the full template product knows.
bool isCalendar(TTemplateProduct* p)
{
    if (auto* impl = dynamic_cast<TTemplateProductImpl*>(p))
        return impl->IsCalendar();
    return p->TplType() == TTemplateType::MonthCalendar;
}

} // namespace

void TCtrlShoppingCart::BuildForm(QWidget* tab)
{
    auto* outer = new QVBoxLayout(tab);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* title = named(new QLabel(OrderingText("Order Summary").Text(), tab), "LabelShoppingCartTitle");
    title->setAlignment(Qt::AlignCenter);
    title->setFixedHeight(50);
    outer->addWidget(title);
    auto* scroll = named(new QScrollArea(tab), "VertScrollBoxShoppingCartContent");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = named(new QWidget(scroll), "LayoutShoppingCartContent");
    auto* lines = new QVBoxLayout(content);
    lines->setContentsMargins(10, 0, 10, 0);
    lines->setSpacing(10);
    lines->addStretch(1);
    scroll->setWidget(content);
    outer->addWidget(scroll, 1);

    auto* bottom = named(new QWidget(tab), "LayoutShoppingCartBottom");
    bottom->setFixedHeight(300);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(0);
    auto* subTotal = named(new QWidget(bottom), "LayoutShoppingCartSubTotal");
    subTotal->setFixedHeight(40);
    auto* subRow = new QHBoxLayout(subTotal);
    subRow->setContentsMargins(0, 0, 195, 0);
    subRow->addStretch(1);
    auto* subText = named(new QLabel(subTotal), "TextShoppingCartSubTotal");
    subText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    subText->setMinimumWidth(300);
    subRow->addWidget(subText);
    bottomLayout->addWidget(subTotal);
    auto* checkout = named(new QWidget(bottom), "LayoutShoppingCartCheckout");
    auto* checkoutRow = new QHBoxLayout(checkout);
    checkoutRow->setContentsMargins(10, 0, 10, 10);
    auto* home = named(new QPushButton(OrderingText("Continue Shopping").Text(), checkout), "ButtonShoppingCartHome");
    home->hide();
    checkoutRow->addWidget(home, 0, Qt::AlignTop);
    checkoutRow->addStretch(1);
    // The button stands lower than the tiles' top: a spacer above it that
    // the bar's scale sizes.
    auto* orderColumn = named(new QWidget(checkout), "LayoutShoppingCartOrder");
    auto* orderLayout = new QVBoxLayout(orderColumn);
    orderLayout->setContentsMargins(0, 0, 0, 0);
    orderLayout->addSpacing(110);
    auto* order = named(new QPushButton(OrderingText("Next").Text(), orderColumn), "ButtonShoppingCartOrder");
    order->setProperty("primary", true);
    orderLayout->addWidget(order);
    orderLayout->addStretch(1);
    checkoutRow->addWidget(orderColumn);
    bottomLayout->addWidget(checkout, 1);
    outer->addWidget(bottom);
}

TCtrlShoppingCart::TCtrlShoppingCart(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlStepBase(main, stepTabItem)
{
    if (stepTabItem && !stepTabItem->findChild<QWidget*>(QStringLiteral("LayoutShoppingCartContent")))
        BuildForm(stepTabItem);
}

TCtrlShoppingCart::~TCtrlShoppingCart()
{
    linesClear();
}

void TCtrlShoppingCart::OnOpen(IMainFrame* main)
{
    TCtrlStepBase::OnOpen(main);
    if (main->getWorkflowType() != TWorkflowNone)
        main->deleteUserStepsList();
    TPrintOrder* order = main->GetOrder();
    order->ProductsClean();

    QWidget* content = layoutShoppingCartContent;
    for (TTirageProduct* p : order->TirageProducts())
        fShoppingCartList.emplace_back(new TShoppingCartLinePrint(main, this, content, p));
    for (TAlbumProduct* p : order->AlbumsProducts())
        fShoppingCartList.emplace_back(new TShoppingCartLineAlbum(main, this, content, p));
    for (TTemplateProduct* p : order->TemplatesProducts()) {
        if (isCalendar(p))
            fShoppingCartList.emplace_back(new TShoppingCartLineCalendar(main, this, content, p));
        else
            fShoppingCartList.emplace_back(new TShoppingCartLineCard(main, this, content, p));
    }
    totalRefresh();

    fHandlers << QObject::connect(ButtonShoppingCartOrder.get(), &QPushButton::clicked, [this] { fMain->ActionNextClick(); });
    fHandlers << QObject::connect(ButtonShoppingCartHome.get(), &QPushButton::clicked, [this] {
        fMain->goWorkflowStep(&WorkflowSteps::TCtrlTileChoiceHomeProducts, true, true);
    });
    KioskSetStyleLookup(ButtonShoppingCartOrder, QStringLiteral("btnfloatingblack"));
    if (main->Zebdesign() == zebd_mobile) {
        LayoutShoppingCartSubTotal->hide();
        ButtonShoppingCartHome->show();
    } else {
        fShoppingCartCrossSelling = new TShoppingCartCrossSelling(LayoutShoppingCartCheckout);
        fShoppingCartCrossSelling->setMain(main);
        fShoppingCartCrossSelling->setOptionNotif(this);
        auto* row = static_cast<QBoxLayout*>(LayoutShoppingCartCheckout->layout());
        row->insertWidget(row->indexOf(ButtonShoppingCartOrder->parentWidget()), fShoppingCartCrossSelling, 100);
        fShoppingCartCrossSelling->show();
        LayoutShoppingCartSubTotal->show();
        ButtonShoppingCartHome->hide();
        fShoppingCartCrossSelling->applyStyle();
    }
    bottomApply();

    auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this());
    main->EventObserverRegister(self, moe_cartEmptiedOrReloaded);
    main->EventObserverRegister(self, moe_orderChanged);
    fObserving = true;
}

void TCtrlShoppingCart::OnClose()
{
    if (fObserving) {
        auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this());
        fMain->EventObserverUnregister(self, moe_cartEmptiedOrReloaded);
        fMain->EventObserverUnregister(self, moe_orderChanged);
        fObserving = false;
    }
    fHandlers.clear();
    linesClear();
    for (const QPointer<TShoppingCartOptionLine>& line : fShoppingCartOptionDictionary)
        if (line)
            line->deleteLater();
    fShoppingCartOptionDictionary.clear();
    if (fShoppingCartCrossSelling) {
        fShoppingCartCrossSelling->hide();
        fShoppingCartCrossSelling->deleteLater();
        fShoppingCartCrossSelling = nullptr;
    }
    TCtrlStepBase::OnClose();
}

QString TCtrlShoppingCart::topBarTitle()
{
    return OrderingText("Basket").Text();
}

QString TCtrlShoppingCart::subTotalText()
{
    TPrintOrder* order = fMain->GetOrder();
    return OrderingText("Subtotal: %s").Text({ order ? fMain->priceToStr(order->totalPrice(), true) : QString() });
}

QString TCtrlShoppingCart::topBarSubTitle()
{
    return subTotalText();
}

void TCtrlShoppingCart::totalRefresh()
{
    TextShoppingCartSubTotal->setText(subTotalText());
    fMain->updateTopBarInfo();
    int lines = 0;
    for (const auto& l : fShoppingCartList)
        lines += l ? 1 : 0;
    int options = 0;
    for (const auto& o : fShoppingCartOptionDictionary)
        options += o ? 1 : 0;
    layoutShoppingCartContent->setMinimumHeight(
        TShoppingCartRules::contentHeight(lines, options, fMain->Zebdesign() == zebd_mobile));
    workflowStepsRefresh();
}

void TCtrlShoppingCart::workflowStepsRefresh()
{
    TPrintOrder* order = fMain->GetOrder();
    TShoppingCartRules::TCheckoutFacts facts;
    facts.readyToPrint = order->IsReadyToPrint();
    facts.kiosk = fMain->IsKiosk();
    facts.onlyDirectPrint = order->HasOnlyDirectPrint();
    if (Photographe2* p = fMain->GetWebSvcPhotographer())
        facts.prixExpress = p->PrixExpress();
    facts.connectionMode = fMain->QzConnectionMode();
    if (TConfigInfo* cfg = fMain->Config()) {
        facts.showNameRef = cfg->GetShowScreenNameRef();
        facts.showTel = cfg->GetShowScreenTel();
    }
    const TShoppingCartRules::TCheckoutSteps steps = TShoppingCartRules::checkoutSteps(facts);
    if (steps.nextReachable)
        fMain->setWorkflowStepNextMax(&WorkflowSteps::TCtrlShoppingCart);
    else
        fMain->setWorkflowStepMax(&WorkflowSteps::TCtrlShoppingCart);
    fMain->setWorkflowStepVisible(&WorkflowSteps::TCtrlOrderInfosAskExpress, steps.expressVisible);
    fMain->setWorkflowStepVisible(&WorkflowSteps::TCtrlCustomerDetails, steps.customerDetailsVisible);
}

void TCtrlShoppingCart::optionRefresh(TShoppingCartOptions option)
{
    if (option != sco_cd && option != sco_index)
        throw EToDo(QStringLiteral("TCtrlShoppingCart.optionRefresh: option not supported"));
    TPrintOrder* order = fMain->GetOrder();
    Photographe2* p = fMain->GetWebSvcPhotographer();
    const double prixCd = p ? p->PrixCd() : 0;
    const double prixIndex = p ? p->PrixIndex() : 0;
    const Currency price = TShoppingCartRules::optionPrice(option, prixCd, prixIndex);
    TShoppingCartRules::TOptionFacts facts;
    facts.hasLabPrint = order->HasLabPrint();
    facts.design = fMain->Zebdesign();
    facts.prixCd = prixCd;
    facts.prixIndex = prixIndex;
    facts.cdBurnOnKiosk = p && p->CDburnOnKiosk();
    facts.cdBurningAvailable = facts.cdBurnOnKiosk && fMain->IsCdBurningAvailable();
    const bool available = TShoppingCartRules::optionAvailable(option, facts);
    const bool wanted = option == sco_cd ? order->CdWanted() : order->IndexWanted();

    QWidget* tile = nullptr;
    QLabel* tilePrice = nullptr;
    if (fShoppingCartCrossSelling) {
        tile = option == sco_cd ? fShoppingCartCrossSelling->layoutCd() : fShoppingCartCrossSelling->layoutIndex();
        tilePrice = option == sco_cd ? fShoppingCartCrossSelling->textCd() : fShoppingCartCrossSelling->textIndex();
    }
    auto lineDrop = [this, option] {
        if (QPointer<TShoppingCartOptionLine> line = fShoppingCartOptionDictionary.take(option)) {
            line->hide();
            line->deleteLater();
        }
    };
    if (!available) {
        if (wanted) {
            if (option == sco_cd)
                order->SetCdWanted(false);
            else
                order->SetIndexWanted(false);
            fMain->orderChanged();
        }
        if (tile)
            tile->hide();
        lineDrop();
        return;
    }
    if (wanted) {
        if (tile)
            tile->hide();
        if (!fShoppingCartOptionDictionary.value(option))
            fShoppingCartOptionDictionary.insert(
                option, new TShoppingCartOptionLine(fMain, this, layoutShoppingCartContent, option));
        fShoppingCartOptionDictionary.value(option)->setTotalPrice(price);
    } else {
        if (tile)
            tile->show();
        lineDrop();
    }
    if (tilePrice)
        tilePrice->setText(fMain->priceToStr(price, true));
    totalRefresh();
    if (fShoppingCartCrossSelling)
        fShoppingCartCrossSelling->recalcSize();
}

void TCtrlShoppingCart::askProductDel(TShoppingCartLineBase* line)
{
    QPointer<TShoppingCartLineBase> guard = line;
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    TProduct* product = line->product();
    fMain->ConfirmYesNo(
        OrderingText("Are you sure you want to delete product '%0:s' ?").Text({ product->ProductLabel() }),
        [this, weak, guard, product] {
            if (!weak.lock() || !guard)
                return;
            TPrintOrder* order = fMain->GetOrder();
            if (auto* album = dynamic_cast<TAlbumProduct*>(product))
                order->AlbumProductDel(album, true);
            else if (auto* tpl = dynamic_cast<TTemplateProduct*>(product))
                order->TemplateProductDel(tpl, true);
            else if (auto* print = dynamic_cast<TTirageProduct*>(product)) {
                order->TirageProductDel(print, true);
                optionRefresh(sco_cd);
                optionRefresh(sco_index);
            } else
                throw Exception(QStringLiteral("TCtrlShoppingCart.askProductDel/Yes: product not supported"));
            lineRemove(guard);
            fMain->orderChanged();
            if (order->ProductUsedCount() == 0)
                fMain->orderCancel();
        },
        [this, weak, guard, product] {
            if (!weak.lock() || !guard)
                return;
            if (product->Quantity() <= 0) {
                product->SetQuantity(1);
                guard->productRefresh();
                fMain->orderChanged();
            }
        });
}

void TCtrlShoppingCart::productChanged(TShoppingCartLineBase*)
{
    fMain->orderChanged();
}

void TCtrlShoppingCart::askProductTransfert(TShoppingCartLineBase* line)
{
    TWorkflowType type;
    TWorkflowStep step;
    if (dynamic_cast<TShoppingCartLinePrint*>(line)) {
        type = TWorkflowPrint;
        step = &WorkflowSteps::TCtrlPrintCropCheck;
    } else if (auto* cal = dynamic_cast<TShoppingCartLineCalendar*>(line)) {
        const bool monthly = cal->calendarProduct()->TplType() == TTemplateType::MonthCalendar;
        type = monthly ? TWorkflowCalendarMonthly : TWorkflowCalendarAnnual;
        step = monthly ? &WorkflowSteps::TCtrlOverviewCalendar : &WorkflowSteps::TCtrlDesignCalendar;
    } else if (auto* album = dynamic_cast<TShoppingCartLineAlbum*>(line)) {
        type = TWorkflowAlbum;
        IArcList<TCustomizedPageBase*> pages = album->albumProduct()->GetPagesList();
        step = pages && pages->GetCount() > 0 ? &WorkflowSteps::TCtrlOverviewAlbum : &WorkflowSteps::TCtrlAlbumTheme;
    } else if (auto* card = dynamic_cast<TShoppingCartLineCard*>(line)) {
        type = card->cardProduct()->TplType() == TTemplateType::DesignerPrint ? TWorkflowDesignerPrint : TWorkflowCard;
        step = &WorkflowSteps::TCtrlDesignCard;
    } else
        throw Exception(QStringLiteral("TCtrlShoppingCart.askProductTransfert: product not supported"));
    if (CartProductWorkflows().editProduct)
        CartProductWorkflows().editProduct(fMain, line->product());
    fMain->setWorkflowType(type);
    fMain->goWorkflowStep(step, true, true);
}

void TCtrlShoppingCart::OnResize(QWidget* parent)
{
    if (!parent)
        return;
    const float scale = TShoppingCartRules::bottomScale(float(parent->width()), float(parent->height()),
                                                        fMain->Zebdesign() == zebd_mobile,
                                                        fShoppingCartCrossSelling != nullptr);
    if (scale != fBottomScale) {
        fBottomScale = scale;
        bottomApply();
    }
    if (fShoppingCartCrossSelling)
        fShoppingCartCrossSelling->recalcSize();
}

void TCtrlShoppingCart::bottomApply()
{
    // The bar's design sizes times its scale: the whole bar shrinks with a
    // small window instead of cutting off its button.
    const bool mobile = fMain->Zebdesign() == zebd_mobile;
    const float s = fBottomScale;
    LayoutShoppingCartBottom->setFixedHeight(int((mobile ? 55 : 300) * s));
    const float buttonScale = mobile ? 1.0f : 1.5f;
    ButtonShoppingCartOrder->setFixedSize(int(150 * buttonScale * s), int(45 * buttonScale * s));
    if (QLayoutItem* spacer = ButtonShoppingCartOrder->parentWidget()->layout()->itemAt(0); spacer && spacer->spacerItem()) {
        spacer->spacerItem()->changeSize(0, int((mobile ? 10 : 110) * s), QSizePolicy::Minimum, QSizePolicy::Fixed);
        ButtonShoppingCartOrder->parentWidget()->layout()->invalidate();
    }
}

void TCtrlShoppingCart::OnStepLeaveNext()
{
    fMain->GetOrder()->Check();
    fMain->setWorkflowType(TWorkflowNone);
    TCtrlStepBase::OnStepLeaveNext();
}

void TCtrlShoppingCart::OnMainObservedEvent(TMainObservedEvent evtype, void*)
{
    if (evtype == moe_cartEmptiedOrReloaded) {
        linesClear();
        totalRefresh();
    } else if (evtype == moe_orderChanged)
        totalRefresh();
}

std::vector<TShoppingCartLineBase*> TCtrlShoppingCart::Lines() const
{
    std::vector<TShoppingCartLineBase*> out;
    for (const auto& l : fShoppingCartList)
        if (l)
            out.push_back(l);
    return out;
}

TShoppingCartOptionLine* TCtrlShoppingCart::OptionLine(TShoppingCartOptions option) const
{
    return fShoppingCartOptionDictionary.value(option);
}

void TCtrlShoppingCart::lineRemove(TShoppingCartLineBase* line)
{
    std::erase_if(fShoppingCartList, [line](const QPointer<TShoppingCartLineBase>& l) { return !l || l == line; });
    line->hide();
    line->deleteLater();
}

void TCtrlShoppingCart::linesClear()
{
    for (const QPointer<TShoppingCartLineBase>& l : fShoppingCartList) {
        if (l) {
            l->hide();
            l->deleteLater();
        }
    }
    fShoppingCartList.clear();
}
