#pragma once
// Month indexes of calendar designs: year × 12 + month - 1, for the years
// 2000 to 2100, and the run of consecutive months that a design's month
// pictures cover. Shared by the template catalogue part (which trims the
// designs it keeps) and the templates information of the customer.
#include "ULabTemplateContracts.h"

class TTplCalDates {
public:
    // Raises "TTemplatesInfo.TplCalDateCalc: month invalid" for a month
    // outside 1..12, then "...: year invalid" for a year outside 2000..2100.
    static qint32 TplCalDateCalc(qint32 year, qint32 month);

    // The run of consecutive month indexes that the pictures of year
    // yearMin or later cover: the most recent run, unless it spans fewer
    // than 12 indexes and an earlier run is longer. Both 0 when no picture
    // counts. A picture with a month or year out of range raises.
    static void TplCalDateRangeCalc(const TemplateCalendrierImage2List& images, qint32& dateMin, qint32& dateMax,
                                    qint32 yearMin);
};
