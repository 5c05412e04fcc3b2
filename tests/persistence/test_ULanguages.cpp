#include "ULanguages.h"

#include "UAppExceptions.h"
#include "ULangTexts.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LangSwitch : public ::testing::Test {
protected:
    void TearDown() override
    {
        TLangSwitch::ClearPending();
        TLangSwitch::Restore({});
    }

    // Loads the built-in parts of a language and applies them; returns the
    // texts a fake screen shows after the switch.
    void switchTo(const QString& code)
    {
        auto app = TLangTools::LoadLangFromXmlFile(fFolder, code, TLangTools::KindApp);
        auto com = TLangTools::LoadLangFromXmlFile(fFolder, code, TLangTools::KindCommon);
        ASSERT_TRUE(app && com);
        TLangSwitch::SetPending(TLangTools::PrepareLangDico(app.get(), com.get()));
        TLangSwitch::Apply([this] {
            for (QString& s : fScreen)
                s = TLangTextBase::Translate(s);
        });
        TLangSwitch::ClearPending();
    }

    QTemporaryDir fDir;
    QString fFolder = fDir.path() + QLatin1Char('/');
    QStringList fScreen { QStringLiteral("Cancel"), QStringLiteral("Yes") };
};

} // namespace

TEST_F(LangSwitch, EnglishGermanFrenchRetranslatesConstantsAndScreen)
{
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Yes"));
    switchTo(QStringLiteral("de"));
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Ja"));
    EXPECT_EQ(fScreen.at(1), QStringLiteral("Ja"));
    const QString germanCancel = fScreen.at(0);
    EXPECT_NE(germanCancel, QStringLiteral("Cancel"));

    switchTo(QStringLiteral("fr"));
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Oui"));
    EXPECT_EQ(fScreen.at(1), QStringLiteral("Oui")) << "a German text on screen becomes French";
    EXPECT_EQ(LangTexts::Catalogue::PrintFormats.Text(2), QStringLiteral("10 x 15 cm"));
    EXPECT_EQ(LangTexts::Order::PaperTypes.Text(1), QStringLiteral("Brillant"));
    EXPECT_EQ(LangTexts::Order::PaperTypes.MaxId(), 3) << "the family ends at the dictionary's last number";

    TLangSwitch::Restore([this] {
        for (QString& s : fScreen)
            s = TLangTextBase::Translate(s);
    });
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Yes"));
    EXPECT_EQ(LangTexts::Order::PaperTypes.MaxId(), 47);
    EXPECT_EQ(LangTexts::Order::PaperTypes.Text(1), QStringLiteral("Common.GroupeProduitPhotographe.Tirages.TypePapier001"));
    EXPECT_EQ(fScreen, (QStringList { QStringLiteral("Cancel"), QStringLiteral("Yes") }));
}

TEST_F(LangSwitch, SharedTranslationsSwitchBackToTheirOwnSource)
{
    // Two sources with one German translation: each finds its way back.
    fScreen = { QStringLiteral("Close"), QStringLiteral("Shut"), QStringLiteral("Untranslated") };
    TLangDico de;
    de.Translations = { { QStringLiteral("Close"), QStringLiteral("Schließen") }, { QStringLiteral("Shut"), QStringLiteral("Schließen") } };
    TLangDico fr;
    fr.Translations = { { QStringLiteral("Close"), QStringLiteral("Fermer") }, { QStringLiteral("Shut"), QStringLiteral("Clore") } };
    auto apply = [this](TLangDico& d) {
        TLangSwitch::SetPending(TLangTools::PrepareLangDico(&d, nullptr));
        TLangSwitch::Apply([this] {
            for (QString& s : fScreen)
                s = TLangTextBase::Translate(s);
        });
        TLangSwitch::ClearPending();
    };
    apply(de);
    EXPECT_EQ(fScreen.at(1), QStringLiteral("Schließen") + TLangTools::DupMarker);
    apply(fr);
    EXPECT_EQ(fScreen, (QStringList { QStringLiteral("Fermer"), QStringLiteral("Clore"), QStringLiteral("Untranslated") }));
}

TEST_F(LangSwitch, SecondPendingDictionaryIsRefused)
{
    TLangSwitch::SetPending({});
    try {
        TLangSwitch::SetPending({});
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TCtrlPopupLangText.AsyncLanguageLoad: unexpected state"));
    }
}

TEST_F(LangSwitch, FailingRestyleStillRemovesTheHook)
{
    TLangSwitch::SetPending({});
    EXPECT_THROW(TLangSwitch::Apply([] { throw Exception(QStringLiteral("boom")); }), Exception);
    EXPECT_FALSE(TLangTextBase::HasTranslateHook());
}

TEST_F(LangSwitch, CollectSeesSourcesAndLeavesTheScreenAlone)
{
    switchTo(QStringLiteral("de"));
    const QStringList before = fScreen;
    const QStringList collected = TLangSwitch::Collect([this] {
        for (QString& s : fScreen)
            s = TLangTextBase::Translate(s);
    });
    EXPECT_EQ(fScreen, before);
    EXPECT_TRUE(collected.contains(QStringLiteral("Cancel")));
    EXPECT_TRUE(collected.contains(QStringLiteral("Yes")));
}
