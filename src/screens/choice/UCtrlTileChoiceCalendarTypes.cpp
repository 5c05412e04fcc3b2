#include "UCtrlTileChoiceCalendarTypes.h"

#include "ULangText.h"
#include "UWorkflowDataProductCalendar.h"
#include "UWorkflowSteps.h"
#include "UWorkflowType.h"

namespace {
TLangText& txtYear = TLangText::Create(QStringLiteral("Single-page calendars"));
TLangText& txtYearDesc = TLangText::Create(QStringLiteral("Perfect for planning and the office."));
TLangText& txtMonth = TLangText::Create(QStringLiteral("Page-Per-Month Calendars"));
TLangText& txtMonthDesc
    = TLangText::Create(QStringLiteral("Make a unique gift and brighten every month with a memory!"));
// Picture 800 x 560 with room for the description: 800 x 650.
constexpr float kTileW = 800;
constexpr float kTileH = 650;
} // namespace

TTileButton* TCtrlTileChoiceCalendarTypes::AddTileButton(const QString& caption, QSvgRenderer* svg)
{
    auto* b = new TCalTypeButton(c.svgDocMountain, tilesContainer());
    b->setDescriptionAlign(Qt::AlignLeading);
    b->setCaption(caption);
    b->setImage(svg);
    return b;
}

TTileButton* TCtrlTileChoiceCalendarTypes::calTypeButtonCreate(const QString& caption, const QString& resName)
{
    auto* b = static_cast<TCalTypeButton*>(AddTileButton(caption, nullptr));
    b->setMain(MainFrame());
    b->setResId(resName);
    return b;
}

void TCtrlTileChoiceCalendarTypes::OnOpen(IMainFrame* main)
{
    TCtrlTileChoiceBase::OnOpen(main);
    ButtonCalendarTypesYear
        = static_cast<TCalTypeButton*>(calTypeButtonCreate(txtYear.Text(), QStringLiteral("calendaryear")));
    ButtonCalendarTypesYear->setObjectName(QStringLiteral("ButtonCalendarTypesYear"));
    ButtonCalendarTypesYear->setDescription(txtYearDesc.Text());
    ButtonCalendarTypesMonth
        = static_cast<TCalTypeButton*>(calTypeButtonCreate(txtMonth.Text(), QStringLiteral("calendarmonth")));
    ButtonCalendarTypesMonth->setObjectName(QStringLiteral("ButtonCalendarTypesMonth"));
    ButtonCalendarTypesMonth->setDescription(txtMonthDesc.Text());
    c.fButtonWidthMax = kTileW;
    c.fButtonHeightMax = kTileH;
    auto guarded = [this](bool annual) {
        return [this, annual] {
            try {
                choose(annual);
            } catch (const std::exception& e) {
                MainFrame()->ShowEx(e, nullptr);
            }
        };
    };
    QObject::connect(ButtonCalendarTypesYear, &QAbstractButton::clicked, ButtonCalendarTypesYear, guarded(true));
    QObject::connect(ButtonCalendarTypesMonth, &QAbstractButton::clicked, ButtonCalendarTypesMonth, guarded(false));
}

void TCtrlTileChoiceCalendarTypes::createButtons()
{
    c.fButtonList.clear();
    if (!ButtonCalendarTypesYear || !ButtonCalendarTypesMonth)
        return;
    auto data = WorkflowData<TWorkflowDataProductCalendar>();
    const bool year = data->annualCalendarProductCount() > 0;
    const bool month = data->monthlyCalendarProductCount() > 0;
    if (year)
        c.fButtonList.push_back(ButtonCalendarTypesYear);
    else
        ButtonCalendarTypesYear->hide();
    if (month)
        c.fButtonList.push_back(ButtonCalendarTypesMonth);
    else
        ButtonCalendarTypesMonth->hide();
    const float w = float(ButtonCalendarTypesYear->width());
    c.fButtonWidth = w > 0 ? w : kTileW;
    c.fButtonHeight = c.fButtonWidth * kTileH / kTileW;
}

void TCtrlTileChoiceCalendarTypes::choose(bool annual)
{
    IMainFrame* main = MainFrame();
    WorkflowData<TWorkflowDataProductCalendar>()->setCalType(annual ? ct_year : ct_month);
    main->setWorkflowType(annual ? TWorkflowCalendarAnnual : TWorkflowCalendarMonthly);
    main->goWorkflowStep(&WorkflowSteps::TCtrlProductSizeCalendar, true, true);
}
