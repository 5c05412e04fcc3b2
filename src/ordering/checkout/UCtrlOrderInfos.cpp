#include "UCtrlOrderInfos.h"

#include "UOrderingTexts.h"
#include "UPrintOrder.h"
#include "UProductPrice.h"
#include "UWorkflowSteps.h"

#include "ULabPartyContracts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

TCtrlOrderInfosBase::TCtrlOrderInfosBase(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlStepBase(main, stepTabItem)
    , fOrder(main->GetOrder())
{
}

TCtrlOrderInfosBase::~TCtrlOrderInfosBase()
{
    fOrder = nullptr;
}

void TCtrlOrderInfosBase::OnOpen(IMainFrame* main)
{
    TCtrlStepBase::OnOpen(main);
    fOrder->Check();
}

TCtrlOrderInfosAskExpress::TCtrlOrderInfosAskExpress(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlOrderInfosBase(main, stepTabItem)
{
    if (stepTabItem && !stepTabItem->findChild<QWidget*>(QStringLiteral("GroupBoxPanelExpressOrder")))
        BuildForm(stepTabItem);
}

void TCtrlOrderInfosAskExpress::BuildForm(QWidget* tab)
{
    auto* outer = new QVBoxLayout(tab);
    outer->setContentsMargins(20, 20, 20, 10);
    outer->addStretch(1);
    auto* box = named(new QGroupBox(OrderingText("Express or standard print").Text(), tab), "GroupBoxPanelExpressOrder");
    box->setProperty("styleLookup", QStringLiteral("GroupBoxSimpleStyle"));
    auto* flow = new QHBoxLayout(box);
    flow->setContentsMargins(15, 30, 15, 15);
    flow->setSpacing(30);
    flow->addStretch(1);
    auto column = [&](const char* buttonName, const char* text, const char* labelName) {
        auto* col = new QWidget(box);
        col->setFixedSize(250, 120);
        auto* v = new QVBoxLayout(col);
        v->setContentsMargins(0, 0, 0, 0);
        auto* b = named(new QPushButton(OrderingText(text).Text(), col), buttonName);
        b->setProperty("styleLookup", QStringLiteral("buttonbighigh"));
        b->setFixedSize(250, 103);
        v->addWidget(b);
        auto* l = named(new QLabel(col), labelName);
        l->setAlignment(Qt::AlignCenter);
        l->setFixedHeight(17);
        v->addWidget(l);
        flow->addWidget(col);
    };
    column("btnExpressPrinting", "Express Printing (1h)", "lblPanelExpressOrderExpressPrice");
    column("btnStandardPrinting", "Standard Printing (24h)", "lblPanelExpressOrderStandardPrice");
    flow->addStretch(1);
    outer->addWidget(box, 0, Qt::AlignHCenter);
    outer->addStretch(2);
}

void TCtrlOrderInfosAskExpress::OnOpen(IMainFrame* main)
{
    TCtrlOrderInfosBase::OnOpen(main);
    Photographe2* p = main->GetWebSvcPhotographer();
    const Currency price = Money::FromDouble(p ? p->PrixExpress() : 0);
    lblPanelExpressOrderExpressPrice->setText(OrderingText("Fees : +%s").Text({ main->priceToStr(price, true) }));
    fHandlers << QObject::connect(btnExpressPrinting.get(), &QPushButton::clicked, [this] { ExpressClick(true); });
    fHandlers << QObject::connect(btnStandardPrinting.get(), &QPushButton::clicked, [this] { ExpressClick(false); });
    main->setWorkflowStepNextMax(&WorkflowSteps::TCtrlOrderInfosAskExpress);
}

void TCtrlOrderInfosAskExpress::OnClose()
{
    TCtrlOrderInfosBase::OnClose();
    fHandlers.clear();
}

void TCtrlOrderInfosAskExpress::ExpressClick(bool express)
{
    fMain->setWorkflowStepNextMax(&WorkflowSteps::TCtrlOrderInfosAskExpress);
    fOrder->SetExpressOrder(express);
    fMain->goWorkflowNext(true);
}
