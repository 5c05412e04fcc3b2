#pragma once
// The order-information steps after the cart: their common base, which
// refuses to open on an order that cannot be completed, and the express
// question (tab "TabItem_z205expressOrder"): printed express for a fee, or
// standard.
#include "UCtrlHandlers.h"
#include "UCtrlStepBase.h"

#include <QLabel>
#include <QPushButton>

class TPrintOrder;

class TCtrlOrderInfosBase : public TCtrlStepBase {
public:
    TCtrlOrderInfosBase(IMainFrame* main, QWidget* stepTabItem);
    ~TCtrlOrderInfosBase() override;

    // TPrintOrder::Check first: the main window stays on the previous step
    // and shows why.
    void OnOpen(IMainFrame* main) override;

protected:
    TPrintOrder* fOrder;
};

class TCtrlOrderInfosAskExpress : public TCtrlOrderInfosBase {
public:
    TCtrlOrderInfosAskExpress(IMainFrame* main, QWidget* stepTabItem);

    static void BuildForm(QWidget* stepTabItem);

    KIOSK_PUBLISHED(QPushButton, btnExpressPrinting);
    KIOSK_PUBLISHED(QLabel, lblPanelExpressOrderExpressPrice);
    KIOSK_PUBLISHED(QPushButton, btnStandardPrinting);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;

    void ExpressClick(bool express);

private:
    TCtrlHandlers fHandlers;
};
