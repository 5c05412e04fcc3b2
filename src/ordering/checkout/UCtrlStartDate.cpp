#include "UCtrlStartDate.h"

#include "UAppExceptions.h"
#include "UOrderingTexts.h"
#include "UTemplateProduct.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

TStartDateCalendarProvider& provider()
{
    static TStartDateCalendarProvider p;
    return p;
}

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

const char* const kMonthNames[12] = { "January", "February", "March", "April", "May", "June",
                                      "July", "August", "September", "October", "November", "December" };

} // namespace

void SetStartDateCalendarProvider(TStartDateCalendarProvider p)
{
    provider() = std::move(p);
}

TCtrlStartDate::TCtrlStartDate(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlStepBase(main, stepTabItem)
{
    if (stepTabItem && !stepTabItem->findChild<QWidget*>(QStringLiteral("LayoutStartDateContainer")))
        BuildForm(stepTabItem);
}

void TCtrlStartDate::BuildForm(QWidget* tab)
{
    auto* outer = new QVBoxLayout(tab);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = named(new QScrollArea(tab), "VertScrollBoxStartDate");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll);
    auto* container = named(new QWidget(scroll), "LayoutStartDateContainer");
    scroll->setWidget(container);
    // The four blocks are placed by hand (layoutControls): they scale
    // together with the window.
    auto* title = named(new QWidget(container), "LayoutStartDateTitle");
    title->resize(350, 50);
    auto* titleText = named(new QLabel(OrderingText("Choose a Start Date").Text(), title), "LabelStartDateTitle");
    titleText->setAlignment(Qt::AlignCenter);
    (new QHBoxLayout(title))->addWidget(titleText);
    auto comboRow = [&](const char* layoutName, const char* labelText, const char* comboName) {
        auto* row = named(new QWidget(container), layoutName);
        row->resize(350, 25);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(new QLabel(OrderingText(labelText).Text(), row), 1);
        auto* combo = named(new QComboBox(row), comboName);
        combo->setFixedWidth(150);
        h->addWidget(combo);
    };
    comboRow("LayoutStartDateYear", "Year:", "ComboBoxStartDateYear");
    comboRow("LayoutStartDateMonth", "Month:", "ComboBoxStartDateMonth");
    auto* cont = named(new QWidget(container), "LayoutStartDateContinue");
    cont->resize(350, 35);
    auto* h = new QHBoxLayout(cont);
    h->setContentsMargins(0, 0, 0, 0);
    auto* button = named(new QPushButton(OrderingText("Continue").Text(), cont), "ButtonStartDateContinue");
    button->setProperty("styleLookup", QStringLiteral("btnfloatingblack"));
    button->setFixedSize(100, 35);
    h->addWidget(button, 0, Qt::AlignCenter);
}

void TCtrlStartDate::OnOpen(IMainFrame* main)
{
    TCtrlStepBase::OnOpen(main);
    ComboBoxStartDateYear->clear();
    ComboBoxStartDateMonth->clear();
    fHandlers << QObject::connect(ButtonStartDateContinue.get(), &QPushButton::clicked,
                                  [this] { ButtonStartDateContinueClick(); });
    fCalendar = provider() ? provider()(main) : std::nullopt;
    if (fCalendar && fCalendar->product) {
        fRange.emplace(fCalendar->dateMin, fCalendar->dateMax);
        // A start the template cannot offer is brought into its range, so
        // that a year is always selected and the customer can go on.
        const int start = fRange->clamp(fCalendar->product->DateStart());
        for (int y : fRange->years())
            ComboBoxStartDateYear->addItem(QString::number(y), y);
        ComboBoxStartDateYear->setCurrentIndex(ComboBoxStartDateYear->findData(TStartDateRange::yearOf(start)));
        monthsFill();
        const int m = ComboBoxStartDateMonth->findData(TStartDateRange::monthOf(start));
        if (m >= 0)
            ComboBoxStartDateMonth->setCurrentIndex(m);
    }
    fHandlers << QObject::connect(ComboBoxStartDateYear.get(), &QComboBox::currentIndexChanged,
                                  [this](int) { monthsFill(); });
}

void TCtrlStartDate::OnClose()
{
    TCtrlStepBase::OnClose();
    fHandlers.clear();
}

void TCtrlStartDate::monthsFill()
{
    if (!fRange || ComboBoxStartDateYear->count() == 0)
        return;
    const int year = ComboBoxStartDateYear->currentData().isValid() ? ComboBoxStartDateYear->currentData().toInt() : -1;
    const int remembered = ComboBoxStartDateMonth->currentIndex() >= 0 ? ComboBoxStartDateMonth->currentData().toInt() : -1;
    const QSignalBlocker block(ComboBoxStartDateMonth.get());
    ComboBoxStartDateMonth->clear();
    for (int m : fRange->months(year))
        ComboBoxStartDateMonth->addItem(OrderingText(kMonthNames[m]).Text(), m);
    ComboBoxStartDateMonth->setCurrentIndex(
        ComboBoxStartDateMonth->findData(fRange->monthAfterYearChange(year, remembered)));
}

void TCtrlStartDate::ButtonStartDateContinueClick()
{
    if (ComboBoxStartDateYear->currentIndex() < 0 || ComboBoxStartDateMonth->currentIndex() < 0 || !fCalendar) {
        fMain->ShowError(OrderingText("Please fill year and month").Text(), nullptr);
        return;
    }
    fCalendar->product->SetDateStart(TTemplateProductImpl::getDateAsInt(ComboBoxStartDateYear->currentData().toInt(),
                                                                    ComboBoxStartDateMonth->currentData().toInt() + 1));
    if (fCalendar->updatePages)
        fCalendar->updatePages();
    fMain->goWorkflowNext(true);
}

void TCtrlStartDate::OnResize(QWidget* parent)
{
    if (!parent)
        return;
    const QSizeF size = parent->size();
    if (size == fszFrm)
        return;
    fszFrm = size;
    layoutControls();
}

void TCtrlStartDate::layoutControls()
{
    const TStartDateLayout l = TStartDateLayout::calc(float(fszFrm.width()), float(fszFrm.height()), 350, 50, 25, 25, 35);
    const float a = l.scale;
    auto place = [a, &l](QWidget* w, float top, float width, float height) {
        w->setGeometry(int(l.left), int(top), int(width * a), int(height * a));
    };
    place(LayoutStartDateTitle, l.titleTop, 350, 50);
    place(LayoutStartDateYear, l.yearTop, 350, 25);
    place(LayoutStartDateMonth, l.monthTop, 350, 25);
    place(LayoutStartDateContinue, l.continueTop, 350, 35);
    LayoutStartDateContainer->setMinimumHeight(int(l.containerHeight));
}
