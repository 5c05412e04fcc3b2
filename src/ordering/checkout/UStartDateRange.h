#pragma once
// The start months a calendar template offers: month indexes (year x 12 +
// month - 1) from the template's first month to the last month from which
// 12 months still fit. A range shorter than 12 months offers its first
// month only, and a start outside the range is brought to its nearest end,
// so that the customer can always go on.
#include <QList>

class TStartDateRange {
public:
    TStartDateRange(int dateMin, int dateMax);

    int firstStart() const { return fFirst; }
    int lastStart() const { return fLast; }

    // The offered years, ascending.
    QList<int> years() const;
    // The offered month numbers (0..11) of a year, in calendar order; none
    // for a year outside the range.
    QList<int> months(int year) const;
    // The month selected after the year changed to year: the remembered
    // month (0..11, or -1) when the year offers it; otherwise none (-1),
    // except in the last year, where the last offered month is taken.
    int monthAfterYearChange(int year, int remembered) const;
    // The start brought into the range.
    int clamp(int date) const;

    static int yearOf(int date) { return date / 12; }
    static int monthOf(int date) { return date % 12; }
    static int dateOf(int year, int month0) { return year * 12 + month0; }

private:
    int fFirst;
    int fLast;
};

// Positions of the four blocks of the start-date step (title, year, month,
// continue) in a frame: scaled together by the frame's width (at most
// twice their size), centred horizontally, and centred vertically while
// they fit.
struct TStartDateLayout {
    float scale = 1;
    float left = 0;
    float titleTop = 0, yearTop = 0, monthTop = 0, continueTop = 0;
    float containerHeight = 0;

    static TStartDateLayout calc(float frameW, float frameH, float titleW, float titleH, float yearH, float monthH,
                                 float continueH);
};
