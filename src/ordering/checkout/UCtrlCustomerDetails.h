#pragma once
// TCtrlCustomerDetails: the customer-details step (tab
// "TabItem_8200customerDetails"): name, telephone number and notes, as the
// kiosk's configuration asks, checked as they are typed and written into
// the order by the Next button.
#include "UCtrlHandlers.h"
#include "UCtrlStepBase.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

class TCtrlCustomerDetails : public TCtrlStepBase {
public:
    TCtrlCustomerDetails(IMainFrame* main, QWidget* stepTabItem);

    static void BuildForm(QWidget* stepTabItem);

    KIOSK_PUBLISHED(QWidget, LayoutCustomerDetailsName);
    KIOSK_PUBLISHED(QLabel, LabelCustomerDetailsName);
    KIOSK_PUBLISHED(QLineEdit, EditCustomerDetailsName);
    KIOSK_PUBLISHED(QWidget, LayoutCustomerDetailsPhone);
    KIOSK_PUBLISHED(QLabel, LabelCustomerDetailsPhone);
    KIOSK_PUBLISHED(QLineEdit, EditCustomerDetailsPhone);
    KIOSK_PUBLISHED(QWidget, LayoutCustomerDetailsNotes);
    KIOSK_PUBLISHED(QLabel, LabelCustomerDetailsNotes);
    KIOSK_PUBLISHED(QPlainTextEdit, MemoCustomerDetailsNotes);
    KIOSK_PUBLISHED(QPushButton, ButtonCustomerDetailsPlaceOrder);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;

    // Checks the visible fields; the button is enabled when all are valid.
    bool fieldsCheck();
    void fieldsChangeTracking();
    void ButtonCustomerDetailsPlaceOrderClick();

private:
    TCtrlHandlers fHandlers;
    bool fLastCheckOk = false;
};
