#pragma once
// What the card, designer-print and calendar steps offer and show: the
// themes of each mode, a theme's name and picture, the description of a
// card format, which background templates fit the chosen card format, and
// the picture, caption, id and first month of a calendar.
#include <QString>

#include <vector>

class Tirage2;
class ZebtemplateVelmora2;
enum class TTemplateType : int;

class TCardChoices {
public:
    TCardChoices() = delete;

    // Cards take the themes below 100, designer prints those above 100;
    // theme 100 belongs to neither. Catalogue order is kept.
    static std::vector<int> themesOffered(const std::vector<int>& codes, TTemplateType mode);
    // The translated theme name on one line.
    static QString themeName(int code);
    // Name of the theme's picture among the program's resources ("card"
    // and the code in three digits; extension "jpg").
    static QString themeResName(int code);
    // Paper name (when the format has a paper group) and sides, each line
    // ending with a line feed.
    static QString sizeDescription(const Tirage2& format);
    // A background template (whose own format is tplFormat) fits the chosen
    // format: not without a back for a two-sided card, and of the same
    // template size, either way round.
    static bool backgroundFits(const Tirage2& chosen, const Tirage2& tplFormat, bool templateHasBack);
};

class TCalendarChoices {
public:
    TCalendarChoices() = delete;

    static constexpr int MonthlyPageCount = 13;

    // The size label, and for a monthly calendar ", 13 pages".
    static QString caption(const QString& sizeLabel, bool monthly);
    // The picture takes the template's orientation: the format's template
    // size as it is when it matches the template's paper, else turned.
    static void pictureSize(const Tirage2& format, const ZebtemplateVelmora2& tpl, int& x, int& y);
    // Distinct ids for templates sharing one format, in list order.
    static qint64 buttonId(int index, const Tirage2& format);
    // The first month (date code year x 12 + month - 1) of a monthly
    // calendar started on today's code: next month, not before the grid's
    // first month and not so late that its twelve months leave the grid.
    static qint32 startDate(qint32 today, qint32 gridMin, qint32 gridMax);
};
