// Labels of sizes, print formats and print products.
#include "OrderFakes.h"
#include "ULangTexts.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace orderfakes;

TEST(ProductLabels, FormatSize)
{
    struct Case {
        int w, h;
        TProductLabelMode mode;
        const char* expected;
    } cases[] = {
        { 100, 150, plm_std, "10x15" },
        { 100, 150, plm_short, "10x15" },
        { 100, 150, plm_full, "10 x 15 cm" },
        { 100, 150, plm_full_2_lines, "10x15" },
        { 105, 150, plm_std, "10.5x15.0" },
        { 105, 150, plm_full, "10.5 x 15.0 cm" },
        { 150, 105, plm_std, "15.0x10.5" },
        { 297, 420, plm_full, "29.7 x 42.0 cm" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(TProduct::FormatSize(nullptr, c.w, c.h, c.mode), QString::fromLatin1(c.expected));
    }
}

TEST(ProductLabels, FormatSizeFollowsTheLocaleSeparator)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(TProduct::FormatSize(nullptr, 105, 150, plm_full), QStringLiteral("10,5 x 15,0 cm"));
    QLocale::setDefault(saved);
}

TEST(ProductLabels, FormatTirageSize)
{
    struct Case {
        const char* name;
        int largeur, longueur;
        const char* prefix;
        bool hideSize;
        TProductLabelMode mode;
        const char* expected;
    } cases[] = {
        { "plain", 10, 15, "", false, plm_std, "10x15 " },
        { "smaller side first", 15, 10, "", false, plm_std, "10x15 " },
        { "prefix after the size", 10, 15, "Glossy", false, plm_full, "10 x 15 cm Glossy" },
        { "two lines in two-line mode", 10, 15, "Glossy\r\nPremium", false, plm_full_2_lines, "10x15\nGlossy" },
        { "two lines in one line", 10, 15, "Glossy\r\nPremium", false, plm_std, "10x15 Glossy Premium" },
        { "line feeds only", 10, 15, " Glossy\nPremium ", false, plm_std, "10x15 Glossy Premium" },
        { "line feed cut in two-line mode", 10, 15, "A\nB", false, plm_full_2_lines, "10x15\nA" },
        { "hidden size shows the prefix", 10, 15, "Square", true, plm_std, "Square" },
        { "hidden size without prefix keeps the size", 10, 15, "", true, plm_std, "10x15 " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = makeTirage(1, c.largeur, c.longueur, QString::fromLatin1(c.prefix));
        t->setMasquerFormatTirage(c.hideSize);
        EXPECT_EQ(TTirageProductBase::FormatTirageSize(nullptr, t.get(), c.mode), QString::fromLatin1(c.expected));
    }
}

TEST(ProductLabels, TemplatePaperDecidesTheOrientation)
{
    auto t = makeTirage(1, 15, 10);
    t->setTemplateLargeur(150);
    t->setTemplateHauteur(100);
    ZebtemplateVelmora2 tpl;
    tpl.setLargeurPapier(150);
    tpl.setHauteurPapier(100);
    EXPECT_EQ(TTirageProductBase::FormatTirageSize(nullptr, t.get(), plm_std, &tpl), QStringLiteral("15x10 "));
    tpl.setLargeurPapier(100);
    tpl.setHauteurPapier(150);
    EXPECT_EQ(TTirageProductBase::FormatTirageSize(nullptr, t.get(), plm_std, &tpl), QStringLiteral("10x15 "));
}

TEST(ProductLabels, FormatTirageNameAndProductLabels)
{
    OrderEnv env;
    Tirage2* t = env.main.addTirage(3, 13, 18);
    t->setPrefixe(QStringLiteral("Matt"));
    t->setNumeroGroupePapier(2);
    t->setAvecMarges(true);
    const QString paper = LangTexts::Order::PaperTypes.Text(2).replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
    EXPECT_EQ(TTirageProductBase::FormatTirageName(&env.main, t, plm_std),
              QStringLiteral("13x18 Matt ") + paper + QStringLiteral(" w/borders"));
    t->setMasquerSurfaceAndBorderTirage(true);
    EXPECT_EQ(TTirageProductBase::FormatTirageName(&env.main, t, plm_std), QStringLiteral("13x18 Matt"));

    TTirageProduct* p = env.order->TirageProductAdd(t, 1);
    EXPECT_EQ(p->ProductShortLabel(), QStringLiteral("13x18 Matt"));
    EXPECT_EQ(p->ProductLabel(), QStringLiteral("Print 13x18 Matt"));
    EXPECT_EQ(p->ProductCartLabel(), QStringLiteral("13 x 18 cm Matt"));
    EXPECT_EQ(TTirageProductBase::tirageFormatMakeID(t), 18 * 65536 + 13);
}
