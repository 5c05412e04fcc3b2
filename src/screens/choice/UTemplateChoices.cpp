#include "UTemplateChoices.h"

#include "UDesignedProducts.h"
#include "ULabTemplateContracts.h"
#include "ULangTexts.h"
#include "UTirageProduct.h"

#include <algorithm>

std::vector<int> TCardChoices::themesOffered(const std::vector<int>& codes, TTemplateType mode)
{
    std::vector<int> kept;
    for (int code : codes) {
        if (mode == TTemplateType::ClassicTemplate && code > 0 && code < 100)
            kept.push_back(code);
        else if (mode == TTemplateType::DesignerPrint && code > 100)
            kept.push_back(code);
    }
    return kept;
}

QString TCardChoices::themeName(int code)
{
    QString name = code < 100 ? LangTexts::Screens::TemplateTypes.Text(code)
                              : LangTexts::Screens::TemplateTypesFrom101.Text(code);
    name.remove(QLatin1Char('\r'));
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return name;
}

QString TCardChoices::themeResName(int code)
{
    return QStringLiteral("card%1").arg(code, 3, 10, QLatin1Char('0'));
}

QString TCardChoices::sizeDescription(const Tirage2& format)
{
    QString text;
    if (format.NumeroGroupePapier() > 0) {
        QString paper = LangTexts::Order::PaperTypes.Text(format.NumeroGroupePapier());
        paper.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text = paper + QLatin1Char('\n');
    }
    text += (format.TemplateRectoVerso() ? LangTexts::Screens::BothSides.Text()
                                         : LangTexts::Screens::SingleSide.Text())
        + QLatin1Char('\n');
    return text;
}

bool TCardChoices::backgroundFits(const Tirage2& chosen, const Tirage2& tplFormat, bool templateHasBack)
{
    if (chosen.TemplateRectoVerso() && !templateHasBack)
        return false;
    const bool same = chosen.TemplateHauteur() == tplFormat.TemplateHauteur()
        && chosen.TemplateLargeur() == tplFormat.TemplateLargeur();
    const bool turned = chosen.TemplateHauteur() == tplFormat.TemplateLargeur()
        && chosen.TemplateLargeur() == tplFormat.TemplateHauteur();
    return same || turned;
}

QString TCalendarChoices::caption(const QString& sizeLabel, bool monthly)
{
    if (!monthly)
        return sizeLabel;
    return sizeLabel + QStringLiteral(", ") + LangTexts::Screens::Pages.Text({ MonthlyPageCount });
}

void TCalendarChoices::pictureSize(const Tirage2& format, const ZebtemplateVelmora2& tpl, int& x, int& y)
{
    if (format.TemplateLargeur() == tpl.LargeurPapier() && format.TemplateHauteur() == tpl.HauteurPapier()) {
        x = format.TemplateLargeur();
        y = format.TemplateHauteur();
    } else {
        x = format.TemplateHauteur();
        y = format.TemplateLargeur();
    }
}

qint64 TCalendarChoices::buttonId(int index, const Tirage2& format)
{
    return qint64(index) * (qint64(1) << 32) + qint64(TTirageProductBase::tirageFormatMakeID(&format));
}

qint32 TCalendarChoices::startDate(qint32 today, qint32 gridMin, qint32 gridMax)
{
    // Kept early enough for the twelve months to find their grids: a start
    // on the grid's last month would leave eleven pages without one.
    const qint32 latest = std::max(gridMin, gridMax - (MonthlyPageCount - 2));
    return std::clamp(today + 1, gridMin, latest);
}
