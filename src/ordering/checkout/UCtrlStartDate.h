#pragma once
// TCtrlStartDate: the calendar start-date step (tab "TabItem_3220startDate"):
// a year and a month within the range of the calendar's template, then
// Continue, which sets the calendar's start and rebuilds its pages.
#include "UCtrlHandlers.h"
#include "UCtrlStepBase.h"
#include "UStartDateRange.h"

#include <QComboBox>
#include <QPushButton>
#include <QScrollArea>
#include <functional>
#include <optional>

class TTemplateProductImpl;

// The calendar being designed, as the calendar workflow's data holds it:
// its product, the month range of its template and the rebuild of its
// pages for a new start. Installed by the product-data layer.
struct TStartDateCalendar {
    TTemplateProductImpl* product = nullptr;
    int dateMin = 0;
    int dateMax = 0;
    std::function<void()> updatePages;
};
using TStartDateCalendarProvider = std::function<std::optional<TStartDateCalendar>(IMainFrame* main)>;
void SetStartDateCalendarProvider(TStartDateCalendarProvider provider);

class TCtrlStartDate : public TCtrlStepBase {
public:
    TCtrlStartDate(IMainFrame* main, QWidget* stepTabItem);

    static void BuildForm(QWidget* stepTabItem);

    KIOSK_PUBLISHED(QScrollArea, VertScrollBoxStartDate);
    KIOSK_PUBLISHED(QWidget, LayoutStartDateContainer);
    KIOSK_PUBLISHED(QWidget, LayoutStartDateTitle);
    KIOSK_PUBLISHED(QWidget, LayoutStartDateYear);
    KIOSK_PUBLISHED(QWidget, LayoutStartDateMonth);
    KIOSK_PUBLISHED(QWidget, LayoutStartDateContinue);
    KIOSK_PUBLISHED(QComboBox, ComboBoxStartDateYear);
    KIOSK_PUBLISHED(QComboBox, ComboBoxStartDateMonth);
    KIOSK_PUBLISHED(QPushButton, ButtonStartDateContinue);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;

    void monthsFill();
    void ButtonStartDateContinueClick();

private:
    void layoutControls();

    std::optional<TStartDateCalendar> fCalendar;
    std::optional<TStartDateRange> fRange;
    QSizeF fszFrm;
    TCtrlHandlers fHandlers;
};
