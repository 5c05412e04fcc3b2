#include "UCtrlCustomerDetails.h"

#include "UConfig.h"
#include "UOrderingTexts.h"
#include "UPrintOrder.h"
#include "UWorkflowSteps.h"

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

TCtrlCustomerDetails::TCtrlCustomerDetails(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlStepBase(main, stepTabItem)
{
    if (stepTabItem && !stepTabItem->findChild<QWidget*>(QStringLiteral("GroupBoxCustomerDetails")))
        BuildForm(stepTabItem);
}

void TCtrlCustomerDetails::BuildForm(QWidget* tab)
{
    auto* outer = new QVBoxLayout(tab);
    outer->setContentsMargins(20, 20, 20, 10);
    outer->addStretch(1);
    auto* box = named(new QGroupBox(OrderingText("Customer Details").Text(), tab), "GroupBoxCustomerDetails");
    box->setProperty("styleLookup", QStringLiteral("GroupBoxPanelSimpleStyle"));
    box->setFixedWidth(700);
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(30, 40, 30, 25);
    rows->setSpacing(20);
    auto row = [&](const char* layoutName, const char* labelName, const char* text, QWidget* field, int height) {
        auto* line = named(new QWidget(box), layoutName);
        auto* h = new QHBoxLayout(line);
        h->setContentsMargins(0, 0, 0, 0);
        auto* label = named(new QLabel(OrderingText(text).Text(), line), labelName);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFixedWidth(200);
        label->setProperty("styleLookup", QStringLiteral("lblFieldStyle"));
        h->addWidget(label, 0, height > 40 ? Qt::AlignTop : Qt::Alignment());
        field->setParent(line);
        field->setMinimumHeight(height);
        h->addWidget(field, 1);
        rows->addWidget(line);
    };
    auto* name = named(new QLineEdit, "EditCustomerDetailsName");
    // Names in Japanese are typed in katakana.
    name->setInputMethodHints(Qt::ImhPreferUppercase | Qt::ImhNoPredictiveText);
    row("LayoutCustomerDetailsName", "LabelCustomerDetailsName", "Name:", name, 48);
    auto* phone = named(new QLineEdit, "EditCustomerDetailsPhone");
    phone->setInputMethodHints(Qt::ImhDialableCharactersOnly);
    row("LayoutCustomerDetailsPhone", "LabelCustomerDetailsPhone", "Phone number:", phone, 48);
    auto* notes = named(new QPlainTextEdit, "MemoCustomerDetailsNotes");
    row("LayoutCustomerDetailsNotes", "LabelCustomerDetailsNotes", "Notes:", notes, 80);
    auto* button = named(new QPushButton(OrderingText("Next").Text(), box), "ButtonCustomerDetailsPlaceOrder");
    button->setProperty("styleLookup", QStringLiteral("btnfloatingblack"));
    button->setProperty("primary", true);
    button->setMinimumHeight(56);
    rows->addWidget(button);
    outer->addWidget(box, 0, Qt::AlignHCenter);
    outer->addStretch(2);
}

void TCtrlCustomerDetails::OnOpen(IMainFrame* main)
{
    TCtrlStepBase::OnOpen(main);
    TPrintOrder* order = main->GetOrder();
    EditCustomerDetailsName->setText(order->ConsumerName());
    EditCustomerDetailsPhone->setText(order->ConsumerPhone());
    MemoCustomerDetailsNotes->setPlainText(order->ConsumerReference());
    fHandlers << QObject::connect(EditCustomerDetailsName.get(), &QLineEdit::textEdited,
                                  [this](const QString&) { fieldsChangeTracking(); });
    fHandlers << QObject::connect(EditCustomerDetailsPhone.get(), &QLineEdit::textEdited,
                                  [this](const QString&) { fieldsChangeTracking(); });
    fHandlers << QObject::connect(MemoCustomerDetailsNotes.get(), &QPlainTextEdit::textChanged,
                                  [this] { fieldsChangeTracking(); });
    fHandlers << QObject::connect(ButtonCustomerDetailsPlaceOrder.get(), &QPushButton::clicked,
                                  [this] { ButtonCustomerDetailsPlaceOrderClick(); });
    ButtonCustomerDetailsPlaceOrder->setEnabled(false);
    TConfigInfo* cfg = main->Config();
    const bool nameRef = cfg && cfg->GetShowScreenNameRef();
    const bool tel = cfg && cfg->GetShowScreenTel();
    LayoutCustomerDetailsName->setVisible(nameRef);
    LayoutCustomerDetailsNotes->setVisible(nameRef);
    LayoutCustomerDetailsPhone->setVisible(tel);
    fieldsCheck();
}

void TCtrlCustomerDetails::OnClose()
{
    TCtrlStepBase::OnClose();
    fHandlers.clear();
}

bool TCtrlCustomerDetails::fieldsCheck()
{
    fieldCheckStart();
    if (!LayoutCustomerDetailsName->isHidden())
        fieldCheck(LabelCustomerDetailsName, EditCustomerDetailsName, 0, 1, QString(), false);
    if (!LayoutCustomerDetailsPhone->isHidden())
        fieldCheck(LabelCustomerDetailsPhone, EditCustomerDetailsPhone, 0, 1, QString(), false);
    fLastCheckOk = FieldCheckOk();
    ButtonCustomerDetailsPlaceOrder->setEnabled(fLastCheckOk);
    return fLastCheckOk;
}

void TCtrlCustomerDetails::fieldsChangeTracking()
{
    fieldsCheck();
    fMain->setWorkflowStepMax(&WorkflowSteps::TCtrlCustomerDetails);
}

void TCtrlCustomerDetails::ButtonCustomerDetailsPlaceOrderClick()
{
    if (!fLastCheckOk)
        return;
    TPrintOrder* order = fMain->GetOrder();
    order->SetConsumerName(EditCustomerDetailsName->text());
    order->SetConsumerPhone(EditCustomerDetailsPhone->text());
    order->SetConsumerReference(MemoCustomerDetailsNotes->toPlainText());
    fMain->setWorkflowStepNextMax(&WorkflowSteps::TCtrlCustomerDetails);
    fMain->goWorkflowNext(true);
}
