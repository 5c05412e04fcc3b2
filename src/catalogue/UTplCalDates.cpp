#include "UTplCalDates.h"

#include "UAppExceptions.h"

#include <QSet>
#include <algorithm>

qint32 TTplCalDates::TplCalDateCalc(qint32 year, qint32 month)
{
    if (month < 1 || month > 12)
        throw Exception(QStringLiteral("TTemplatesInfo.TplCalDateCalc: month invalid"));
    if (year < 2000 || year > 2100)
        throw Exception(QStringLiteral("TTemplatesInfo.TplCalDateCalc: year invalid"));
    return year * 12 + month - 1;
}

void TTplCalDates::TplCalDateRangeCalc(const TemplateCalendrierImage2List& images, qint32& dateMin, qint32& dateMax,
                                       qint32 yearMin)
{
    dateMin = 0;
    dateMax = 0;
    QSet<qint32> present;
    for (const auto& img : images)
        if (img && img->Annee() >= yearMin)
            present.insert(TplCalDateCalc(img->Annee(), img->Mois()));
    if (present.isEmpty())
        return;
    const qint32 first = *std::min_element(present.cbegin(), present.cend());
    const qint32 last = *std::max_element(present.cbegin(), present.cend());

    bool found = false;
    // The run judged when it closes: it replaces the answer when there is
    // none yet, or when the answer spans less than 12 and the run is longer.
    auto judge = [&](qint32 start, qint32 end) {
        if (!found || (dateMax - dateMin < 12 && end - start > dateMax - dateMin)) {
            dateMin = start;
            dateMax = end;
            found = true;
        }
    };
    bool open = true;
    qint32 runStart = last;
    qint32 runEnd = last;
    for (qint32 idx = last - 1; idx >= first; --idx) {
        if (present.contains(idx)) {
            if (open) {
                runStart = idx;
            } else {
                open = true;
                runStart = idx;
                runEnd = idx;
            }
        } else if (open) {
            judge(runStart, runEnd);
            open = false;
        }
    }
    if (open)
        judge(runStart, runEnd);
}
