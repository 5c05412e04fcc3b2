#pragma once
// TCtrlShoppingCart: the cart step (tab "TabItem_8000shoppingCart"). It
// shows the current order as one line per product, a line per option the
// customer took, the cross-selling tiles, the sub-total and the button
// towards checkout; it decides which checkout steps follow. Every change
// goes to the main window's order and is announced with orderChanged.
//
// The step's components belong to the main window: BuildForm creates them
// inside the tab item (the first controller does it when they are missing).
#include "UCtrlStepBase.h"
#include "UMainObservers.h"
#include "UCtrlHandlers.h"
#include "UShoppingCartCrossSelling.h"
#include "UShoppingCartLines.h"

#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <vector>


class TCtrlShoppingCart : public TCtrlStepBase, public IMainObserver, public IOptionNotif, public IProductNotif {
public:
    TCtrlShoppingCart(IMainFrame* main, QWidget* stepTabItem);
    ~TCtrlShoppingCart() override;

    static void BuildForm(QWidget* stepTabItem);

    KIOSK_PUBLISHED(QWidget, layoutShoppingCartContent);
    KIOSK_PUBLISHED(QWidget, LayoutShoppingCartCheckout);
    KIOSK_PUBLISHED(QWidget, LayoutShoppingCartBottom);
    KIOSK_PUBLISHED(QWidget, LayoutShoppingCartSubTotal);
    KIOSK_PUBLISHED(QLabel, TextShoppingCartSubTotal);
    KIOSK_PUBLISHED(QPushButton, ButtonShoppingCartHome);
    KIOSK_PUBLISHED(QPushButton, ButtonShoppingCartOrder);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    QString topBarTitle() override;
    QString topBarSubTitle() override;
    void OnResize(QWidget* parent) override;
    void OnStepLeaveNext() override;

    // IProductNotif and IOptionNotif.
    void totalRefresh() override;
    void askProductDel(TShoppingCartLineBase* line) override;
    void productChanged(TShoppingCartLineBase* line) override;
    void askProductTransfert(TShoppingCartLineBase* line) override;
    void optionRefresh(TShoppingCartOptions option) override;

    // IMainObserver.
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override;

    // For the tests and the screenshots.
    std::vector<TShoppingCartLineBase*> Lines() const;
    TShoppingCartOptionLine* OptionLine(TShoppingCartOptions option) const;
    TShoppingCartCrossSelling* CrossSelling() const { return fShoppingCartCrossSelling; }
    float BottomScale() const { return fBottomScale; }

private:
    QString subTotalText();
    void workflowStepsRefresh();
    void linesClear();
    void lineRemove(TShoppingCartLineBase* line);
    void bottomApply();

    std::vector<QPointer<TShoppingCartLineBase>> fShoppingCartList;
    QMap<TShoppingCartOptions, QPointer<TShoppingCartOptionLine>> fShoppingCartOptionDictionary;
    QPointer<TShoppingCartCrossSelling> fShoppingCartCrossSelling;
    float fBottomScale = 1;
    bool fObserving = false;
    TCtrlHandlers fHandlers;
};
