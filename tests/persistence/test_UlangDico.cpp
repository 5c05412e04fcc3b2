#include "UlangDico.h"

#include "TestSupport.h"
#include "UAppExceptions.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TLangDico dico(const QString& iso, std::vector<TLangTranslation> items, std::optional<QDateTime> last = std::nullopt)
{
    TLangDico d;
    d.IsoCode = iso;
    d.LastUpdate = last;
    d.Translations = std::move(items);
    return d;
}

} // namespace

TEST(TLangTools, FileIdsAndPaths)
{
    struct Case { const char* name; QString iso; int kind; bool res; QString expected; } cases[] = {
        { "app part, region code", QStringLiteral("zh-CN"), 4, false, QStringLiteral("/c/langapp_zh_cn.xml") },
        { "common part, upper case", QStringLiteral("DE"), 0, false, QStringLiteral("/c/langcom_de.xml") },
        { "any other kind is the app part", QStringLiteral("fr"), 7, true, QStringLiteral("/c/langapp_fr.xmlres") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TLangTools::GetLangFilePath(QStringLiteral("/c/"), c.iso, c.kind, c.res), c.expected);
    }
}

TEST(TLangTools, FirstRunCreatesCacheFromBuiltInAndKeepsCopies)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    auto app = TLangTools::LoadLangFromXmlFile(folder, QStringLiteral("de"), 4);
    auto com = TLangTools::LoadLangFromXmlFile(folder, QStringLiteral("de"), 0);
    ASSERT_TRUE(app && com);
    EXPECT_GT(app->Translations.size(), 400u);
    for (const char* f : { "langapp_de.xml", "langcom_de.xml", "langapp_de.xmlres", "langcom_de.xmlres" })
        EXPECT_TRUE(QFile::exists(folder + QLatin1String(f))) << f;
    EXPECT_FALSE(TLangTools::LoadLangFromXmlFile(folder, QStringLiteral("xx"), 4)) << "no dictionary at all";
}

TEST(TLangTools, BuiltInAppPartReplacesOlderCacheOncePerVersion)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString cache = TLangTools::GetLangFilePath(folder, QStringLiteral("fr"), 4, false);
    // A cache newer than the built-in copy stays in use.
    const QDateTime newer(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC);
    TLangTools::XmlSaveLang(dico(QStringLiteral("FR"), { { QStringLiteral("Yes"), QStringLiteral("Oui!") } }, newer), cache);
    auto d = TLangTools::LoadLangFromXmlFile(folder, QStringLiteral("fr"), 4);
    ASSERT_EQ(d->Translations.size(), 1u);
    EXPECT_TRUE(QFile::exists(cache + QStringLiteral("res")));

    // Older than the built-in one: only compared again after the copies are
    // cleaned (a new program version).
    const QDateTime older(QDate(1899, 12, 29), QTime(0, 0), Qt::UTC);
    TLangTools::XmlSaveLang(dico(QStringLiteral("FR"), { { QStringLiteral("Yes"), QStringLiteral("Oui!") } }, older), cache);
    EXPECT_EQ(TLangTools::LoadLangFromXmlFile(folder, QStringLiteral("fr"), 4)->Translations.size(), 1u);
    TLangTools::CleanLangFileFromRes(folder);
    EXPECT_FALSE(QFile::exists(cache + QStringLiteral("res")));
    EXPECT_GT(TLangTools::LoadLangFromXmlFile(folder, QStringLiteral("fr"), 4)->Translations.size(), 400u);
    EXPECT_GT(TLangTools::XmlLoadLang(cache)->Translations.size(), 400u) << "cache replaced";
}

TEST(TLangTools, SaveLoadRoundTripKeepsEveryCharacter)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.xml"));
    const QDateTime when(QDate(2023, 2, 3), QTime(4, 5, 6, 789), Qt::UTC);
    const TLangDico in = dico(QStringLiteral("zh-CN"),
                              { { QStringLiteral("Line 1\r\nLine 2  "), QStringLiteral(" <a> & \"b\" ") },
                                { QStringLiteral("Dup"), QStringLiteral("X") + TLangTools::DupMarker },
                                { QStringLiteral("Bell"), QStringLiteral("a\x07" "b") } },
                              when);
    TLangTools::XmlSaveLang(in, path);
    EXPECT_TRUE(testsupport::readAll(path).startsWith("\xEF\xBB\xBF"));
    const auto out = TLangTools::XmlLoadLang(path);
    EXPECT_EQ(out->IsoCode, in.IsoCode);
    EXPECT_EQ(out->LastUpdate, when);
    ASSERT_EQ(out->Translations.size(), 3u);
    EXPECT_EQ(out->Translations[0].InitialString, in.Translations[0].InitialString);
    EXPECT_EQ(out->Translations[0].TranslatedString, in.Translations[0].TranslatedString);
    EXPECT_EQ(out->Translations[1].TranslatedString, in.Translations[1].TranslatedString);
    EXPECT_EQ(out->Translations[2].TranslatedString, QStringLiteral("ab")) << "not writable in XML, left out";
}

TEST(TLangTools, MalformedDocumentsRaise)
{
    struct Case { const char* name; QByteArray bytes; } cases[] = {
        { "truncated", "<XmlSerializerV1_0><LangDico2><LangDico2.IsoCode>de" },
        { "other root object", "<XmlSerializerV1_0><TLanguages/></XmlSerializerV1_0>" },
        { "bad date", "<XmlSerializerV1_0><LangDico2><LangDico2.LastUpdate>soon</LangDico2.LastUpdate></LangDico2></XmlSerializerV1_0>" },
        { "unknown item", "<XmlSerializerV1_0><LangDico2><LangDico2.Translations><Foo/></LangDico2.Translations></LangDico2></XmlSerializerV1_0>" },
        { "empty", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(TLangTools::XmlLoadLangBytes(c.bytes, QStringLiteral("x")), Exception);
    }
}

TEST(TLangTools, TextHelpers)
{
    struct Case { const char* name; QString in; QString prepared; bool empty; } cases[] = {
        { "CR LF and trailing blank", QStringLiteral("A\r\nB "), QStringLiteral("A\nB"), false },
        { "blanks alone stay", QStringLiteral("   "), QStringLiteral("   "), true },
        { "tab is not a blank", QStringLiteral("A\t"), QStringLiteral("A\t"), false },
        { "marker and ideographic space", QString(TLangTools::DupMarker) + QChar(0x3000), QString(TLangTools::DupMarker) + QChar(0x3000), true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TLangTools::trPrepare(c.in), c.prepared);
        EXPECT_EQ(TLangTools::trEmpty(c.in), c.empty);
    }
    EXPECT_TRUE(TLangTools::trEqual(QStringLiteral("Oui") + TLangTools::DupMarker, QStringLiteral("Oui")));
    EXPECT_FALSE(TLangTools::trEqual(QStringLiteral("oui"), QStringLiteral("Oui")));
}

TEST(TLangTools, PrepareMakesTranslationsUniqueAndAppWins)
{
    TLangDico app = dico(QStringLiteral("FR"), { { QStringLiteral("Close "), QStringLiteral("Fermer") },
                                                 { QStringLiteral("Shut"), QStringLiteral("Fermer") },
                                                 { QStringLiteral("Empty"), QString() },
                                                 { QStringLiteral("Close"), QStringLiteral("again") } });
    TLangDico com = dico(QStringLiteral("FR"), { { QStringLiteral("Shut"), QStringLiteral("Clore") },
                                                 { QStringLiteral("Lid"), QStringLiteral("Fermer") } });
    const TLangLookup l = TLangTools::PrepareLangDico(&app, &com);
    EXPECT_EQ(l.value(QStringLiteral("Close")), QStringLiteral("Fermer"));
    EXPECT_EQ(l.value(QStringLiteral("Shut")), QStringLiteral("Fermer") + TLangTools::DupMarker);
    EXPECT_EQ(l.value(QStringLiteral("Lid")), QStringLiteral("Fermer") + TLangTools::DupMarker + TLangTools::DupMarker);
    EXPECT_EQ(l.value(QStringLiteral("Empty")), QStringLiteral("Empty"));
    EXPECT_EQ(l.size(), 4);
}

TEST(TLangTools, DuplicateMarkerTakesNoRoomOnScreen)
{
    const QFontMetricsF fm(QGuiApplication::font());
    const QString text = QStringLiteral("Fermer");
    EXPECT_DOUBLE_EQ(fm.horizontalAdvance(text + TLangTools::DupMarker + TLangTools::DupMarker), fm.horizontalAdvance(text));
}
