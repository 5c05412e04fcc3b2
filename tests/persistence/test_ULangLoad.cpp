#include "ULangLoad.h"

#include "UAppExceptions.h"
#include "ULangTexts.h"
#include "ULanguages.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace {

class ENetDown : public Exception {
public:
    using Exception::Exception;
};

// The lab and the main window as the language load sees them.
class FakeHost : public ILangLoadHost {
public:
    QString CacheFolder() override { return folder; }
    bool IsOnline() override { return online; }
    std::vector<TLangChoice> GetLangChoices() override
    {
        ++choiceCalls;
        if (fault)
            fault();
        return labChoices;
    }
    std::unique_ptr<TLangDico> GetLangDico(int appId, const QString& iso, const std::optional<QDateTime>& since) override
    {
        asked.push_back({ appId, since });
        if (fault)
            fault();
        auto it = lab.find({ appId, iso.toUpper() });
        if (it == lab.end() || (since && it->second.LastUpdate && *it->second.LastUpdate <= *since && !labIgnoresSince))
            return nullptr;
        return std::make_unique<TLangDico>(it->second);
    }
    bool IsNetError(const std::exception& e) override { return dynamic_cast<const ENetDown*>(&e) != nullptr; }
    void LanguageSet(const QString& iso, bool save) override { sets.push_back(iso + (save ? "+save" : "")); }
    void ApplySwitch() override
    {
        ++switches;
        TLangSwitch::Apply({});
    }

    QString folder;
    bool online = false;
    bool labIgnoresSince = false;
    std::function<void()> fault;
    std::vector<TLangChoice> labChoices;
    std::map<std::pair<int, QString>, TLangDico> lab;
    std::vector<std::pair<int, std::optional<QDateTime>>> asked;
    QStringList sets;
    int switches = 0;
    int choiceCalls = 0;
};

TLangDico labDico(const QString& iso, const QDateTime& when, const QString& yes)
{
    TLangDico d;
    d.IsoCode = iso;
    d.LastUpdate = when;
    d.Translations = { { QStringLiteral("Yes"), yes } };
    return d;
}

class LangLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.folder = dir.path() + QLatin1Char('/');
        TLanguages::setLanguagesListToUpdate(true);
    }
    void TearDown() override
    {
        TLangSwitch::ClearPending();
        TLangSwitch::Restore({});
        TLanguages::SetLanguagesListPath(QString());
    }
    QTemporaryDir dir;
    FakeHost host;
    TLanguages lg;
};

} // namespace

TEST_F(LangLoad, OfflineLoadsBuiltInAndConfirmsTheCode)
{
    EXPECT_TRUE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("?de"), true, false));
    EXPECT_EQ(host.sets, QStringList { QStringLiteral("de+save") });
    EXPECT_EQ(host.switches, 1);
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Ja"));
    EXPECT_TRUE(QFile::exists(host.folder + QStringLiteral("langapp_de.xml")));
    EXPECT_TRUE(host.asked.empty());
}

TEST_F(LangLoad, UnconfirmedCodeWithoutDictionaryFallsBackToEnglishQuietly)
{
    EXPECT_FALSE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("?xx"), true, false));
    EXPECT_EQ(host.sets, QStringList { QStringLiteral("en+save") });
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Yes"));
}

TEST_F(LangLoad, ConfirmedCodeWithoutDictionaryShowsTheMessage)
{
    struct Case { const char* name; bool online; QString message; } cases[] = {
        { "off line", false, QStringLiteral("No translation found for language \"xx\".\nPlease connect to internet.") },
        { "on line", true, QStringLiteral("Translations are not yet available for language \"xx\".\nPlease retry later.") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.online = c.online;
        host.sets.clear();
        try {
            TLangLoad::LanguageLoad(host, lg, QStringLiteral("xx"), true, false);
            ADD_FAILURE() << "no exception";
        } catch (const EUser& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(host.sets, QStringList { QStringLiteral("en") }) << "English loaded first, not saved";
    }
}

TEST_F(LangLoad, NotRequiredMissingLanguageAnswersFalse)
{
    EXPECT_FALSE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("xx"), false, true));
    EXPECT_EQ(host.switches, 0);
}

TEST_F(LangLoad, NewerLabPartIsSavedAndApplied)
{
    host.online = true;
    host.labChoices = { { QStringLiteral("English"), QStringLiteral("en") }, { QStringLiteral("Deutsch"), QStringLiteral("de") } };
    host.lab[{ 4, QStringLiteral("DE") }] = labDico(QStringLiteral("DE"), QDateTime(QDate(2024, 1, 11), QTime(9, 30), Qt::UTC), QStringLiteral("Jawohl"));
    EXPECT_TRUE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("de"), true, true));
    EXPECT_EQ(host.switches, 1);
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Jawohl"));
    EXPECT_EQ(TLangTools::XmlLoadLang(host.folder + QStringLiteral("langapp_de.xml"))->Translations.size(), 1u);
    ASSERT_EQ(host.asked.size(), 2u);
    EXPECT_EQ(host.asked[0].first, 0);
    EXPECT_TRUE(host.asked[0].second.has_value()) << "the local part's date is sent";
    EXPECT_FALSE(TLanguages::isLanguagesListToUpdate());
    TLanguages saved;
    saved.loadFromXmlFile(host.folder + QStringLiteral("lang_choices.xml"), false);
    EXPECT_EQ(saved.Choices().size(), 2u);

    // Nothing newer: no switch when only changes are applied.
    host.switches = 0;
    EXPECT_TRUE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("de"), true, true));
    EXPECT_EQ(host.switches, 0);
    EXPECT_EQ(host.choiceCalls, 1) << "the list is asked once per run";
}

TEST_F(LangLoad, OlderLabAnswerIsDropped)
{
    host.online = true;
    host.labIgnoresSince = true;
    TLangTools::SaveLangToXmlFile(labDico(QStringLiteral("DE"), QDateTime(QDate(2024, 3, 1), QTime(0, 0), Qt::UTC), QStringLiteral("Ja!")),
                                  host.folder, QStringLiteral("de"), 4);
    QFile::copy(TLangTools::ResourcePath(QStringLiteral("langapp_de")), host.folder + QStringLiteral("langapp_de.xmlres"));
    host.lab[{ 4, QStringLiteral("DE") }] = labDico(QStringLiteral("DE"), QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC), QStringLiteral("Alt"));
    EXPECT_TRUE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("de"), true, true));
    EXPECT_EQ(host.switches, 0);
    EXPECT_EQ(TLangTools::XmlLoadLang(host.folder + QStringLiteral("langapp_de.xml"))->Translations[0].TranslatedString, QStringLiteral("Ja!"));
}

TEST_F(LangLoad, NetworkFailureGoesOfflineQuietlyOtherFailuresAreWrapped)
{
    host.online = true;
    host.fault = [] { throw ENetDown(QStringLiteral("no route")); };
    EXPECT_TRUE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("fr"), true, false));
    EXPECT_EQ(host.asked.size(), 1u) << "the second part is not asked";
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Oui"));

    host.fault = [] { throw Exception(QStringLiteral("bad reply")); };
    TLanguages::setLanguagesListToUpdate(false);
    try {
        TLangLoad::LanguageLoad(host, lg, QStringLiteral("fr"), true, false);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Loading language FR failure!"));
        ASSERT_TRUE(e.InnerException());
        EXPECT_THROW(std::rethrow_exception(e.InnerException()), Exception);
    }
    EXPECT_FALSE(TLangSwitch::HasPending());
}

TEST_F(LangLoad, OfferedLanguagesFallBackInOrder)
{
    TLanguages none;
    EXPECT_EQ(none.getLanguages().size(), 9u) << "no path yet: the last-resort list";
    TLanguages::SetLanguagesListPath(host.folder + QStringLiteral("lang_choices.xml"));
    TLanguages builtIn;
    const auto& list = builtIn.getLanguages();
    ASSERT_EQ(list.size(), 15u);
    EXPECT_EQ(list[7].DisplayName, QStringLiteral("русский "));
    EXPECT_EQ(list[6].IsoCode, QStringLiteral("zh-CN"));
    EXPECT_TRUE(QFile::exists(host.folder + QStringLiteral("lang_choices.xmlres")));
}
