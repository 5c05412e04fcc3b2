#pragma once
// The calendar kind: single-page (annual) or page-per-month calendars, each
// tile listed when the shop offers calendars of that kind; the choice sets
// the calendar workflow and moves to the calendar size step.
#include "UCtrlProductChoiceBase.h"


class TCtrlTileChoiceCalendarTypes : public TCtrlTileChoiceBase {
public:
    using TCtrlTileChoiceBase::TCtrlTileChoiceBase;

    void OnOpen(IMainFrame* main) override;
    // A picture tile (TCalTypeButton) with the description on the leading
    // edge.
    TTileButton* AddTileButton(const QString& caption, QSvgRenderer* svg) override;
    TTileButton* calTypeButtonCreate(const QString& caption, const QString& resName);

    TCalTypeButton* ButtonCalendarTypesYear = nullptr;
    TCalTypeButton* ButtonCalendarTypesMonth = nullptr;

protected:
    void createButtons() override;

private:
    void choose(bool annual);
};
