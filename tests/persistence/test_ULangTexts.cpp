#include "ULangTexts.h"
#include "UTools.h"

#include <QHash>
#include <gtest/gtest.h>

namespace {

// Every constant's current text, in creation order, as a switch sees it.
QStringList collect()
{
    QStringList seen;
    TLangTextBase::SetTranslateHook([&](const QString& t) {
        seen << t;
        return t;
    });
    TLangTextBase::CollectConstTranslate();
    TLangTextBase::SetTranslateHook(nullptr);
    return seen;
}

} // namespace

// The catalogue is created at start, before anything else creates texts: its
// constants come first in the global list, in the listed order.
TEST(LangTexts, CatalogueIsCreatedInListOrder)
{
    const QStringList seen = collect();
    // 486 texts and the numbered families (47 + 50 + 47 + 47 + 99 numbers).
    const int catalogue = 486 + 47 + 50 + 47 + 47 + 99;
    ASSERT_GE(seen.size(), catalogue);
    EXPECT_EQ(seen[0], QStringLiteral("Translations are not yet available for language \"%s\".\nPlease retry later."));
    EXPECT_EQ(seen[1], QStringLiteral("No translation found for language \"%s\".\nPlease connect to internet."));
    EXPECT_EQ(seen[2], QStringLiteral("Replace this default text with yours."));
    EXPECT_EQ(seen[catalogue - 1], QStringLiteral("Total: %s"));
    // The joined constant follows the text it was built from.
    const int insert = seen.indexOf(QStringLiteral("Please insert a new CD/DVD.\r\nClick on \"Start burn\" when CD/DVD is ready"));
    ASSERT_GE(insert, 0);
    EXPECT_EQ(seen[insert + 1], QStringLiteral("Impossible to write on this media.\r\nPlease insert a new CD/DVD.\r\nClick on \"Start burn\" when CD/DVD is ready"));
    // Texts used in several places are separate constants.
    EXPECT_GE(seen.count(QStringLiteral("Retry")), 2);
    EXPECT_GE(seen.count(QStringLiteral("Cancel")), 2);
}

TEST(LangTexts, AppPlaceholderAndFamilies)
{
    const QString app = TAppTools::GetAppNameStrForUI();
    EXPECT_EQ(LangTexts::Shell::UpdateApp.Text(), QStringLiteral("Update ") + app);
    EXPECT_EQ(LangTexts::Screens::ExitApp.Text(), QStringLiteral("Exit ") + app);
    EXPECT_EQ(LangTexts::Order::PageFmt.Text({ 12 }), QStringLiteral("Page 12"));
    EXPECT_EQ(LangTexts::Order::PageFmt.Text({ "twelve" }), QStringLiteral("Page %d")) << "a mismatch shows the text unformatted";

    struct Case {
        const char* name;
        const TLangTextArray& family;
        qint32 minId, maxId;
        QString key;
    };
    const Case cases[] = {
        { "template types", LangTexts::Screens::TemplateTypes, 1, 47, "Common.TypeTemplateVelmora.Type001" },
        { "template types from 101", LangTexts::Screens::TemplateTypesFrom101, 101, 150, "Common.TypeTemplateVelmora.Type101" },
        { "paper types", LangTexts::Order::PaperTypes, 1, 47, "Common.GroupeProduitPhotographe.Tirages.TypePapier001" },
        { "paper type descriptions", LangTexts::Catalogue::PaperTypeDescs, 1, 47, "Common.GroupeProduitPhotographe.Tirages.TypePapierDesc001" },
        { "print formats", LangTexts::Catalogue::PrintFormats, 1, 99, "Common.GroupeProduitPhotographe.Tirages.Format001" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.family.MinId(), c.minId);
        EXPECT_EQ(c.family.MaxMaxId(), c.maxId);
        EXPECT_EQ(c.family.Text(c.minId), c.key);
        EXPECT_EQ(c.family.Text(c.minId - 1), QString());
        EXPECT_EQ(c.family.Text(c.maxId + 1), QString());
    }
}
