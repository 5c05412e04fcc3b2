#include "UStartDateRange.h"

#include <algorithm>

TStartDateRange::TStartDateRange(int dateMin, int dateMax)
    : fFirst(dateMin)
    , fLast(std::max(dateMin, dateMax - 11))
{
}

QList<int> TStartDateRange::years() const
{
    QList<int> out;
    for (int y = yearOf(fFirst); y <= yearOf(fLast); ++y)
        out << y;
    return out;
}

QList<int> TStartDateRange::months(int year) const
{
    QList<int> out;
    for (int m = 0; m < 12; ++m) {
        const int d = dateOf(year, m);
        if (d >= fFirst && d <= fLast)
            out << m;
    }
    return out;
}

int TStartDateRange::monthAfterYearChange(int year, int remembered) const
{
    const QList<int> offered = months(year);
    if (offered.isEmpty())
        return -1;
    if (offered.contains(remembered))
        return remembered;
    return year == yearOf(fLast) ? offered.last() : -1;
}

int TStartDateRange::clamp(int date) const
{
    return std::clamp(date, fFirst, fLast);
}

TStartDateLayout TStartDateLayout::calc(float frameW, float frameH, float titleW, float titleH, float yearH,
                                        float monthH, float continueH)
{
    TStartDateLayout l;
    l.scale = std::min(2.0f, frameW / (titleW + 40));
    const float a = l.scale;
    const float h = (titleH + monthH + yearH + continueH + 65) * a;
    l.containerHeight = std::max(frameH, h);
    l.left = (frameW - titleW * a) / 2;
    l.titleTop = h < frameH ? (frameH - h) / 2 : 0;
    l.yearTop = l.titleTop + (titleH + 20) * a;
    l.monthTop = l.yearTop + (yearH + 5) * a;
    l.continueTop = l.monthTop + (monthH + 25) * a;
    return l;
}
