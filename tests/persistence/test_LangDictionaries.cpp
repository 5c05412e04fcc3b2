// The built-in dictionaries: every language holds every text, and every
// translation keeps what the program relies on when it formats or joins the
// text (placeholders, "{APP}", line breaks).
#include "UlangDico.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const char* const kCodes[] = { "en", "de", "JA", "nl", "fr", "ES", "zh-CN", "RU",
                               "gr", "DK", "PT", "IT", "KO", "zh-TW", "MS" };

std::unique_ptr<TLangDico> builtIn(const QString& code, int kind)
{
    const QString res = TLangTools::ResourcePath(TLangTools::GetLangFileID(code, kind));
    if (res.isEmpty())
        return nullptr;
    return TLangTools::XmlLoadLang(res);
}

struct TShape {
    QStringList positional; // unindexed placeholders, in order
    QStringList indexed;    // "%0:s" style, any order
    int app = 0;
    QStringList breaks;
};

TShape shapeOf(const QString& text)
{
    static const QRegularExpression ph(
        QStringLiteral(R"(%%|%(?:(\d+|\*):)?-?(?:\d+|\*)?(?:\.(?:\d+|\*))?[dusefgnmpxDUSEFGNMPX])"));
    static const QRegularExpression br(QStringLiteral("\r\n|\r|\n"));
    TShape s;
    for (auto it = ph.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        (m.captured(1).isEmpty() ? s.positional : s.indexed) << m.captured(0).toLower();
    }
    s.indexed.sort();
    s.app = int(text.count(QStringLiteral("{APP}")));
    for (auto it = br.globalMatch(text); it.hasNext();)
        s.breaks << it.next().captured(0);
    return s;
}

bool isKey(const QString& s)
{
    static const QRegularExpression key(QStringLiteral(R"(^[A-Za-z][A-Za-z0-9]*(\.[A-Za-z0-9_]+)+$)"));
    return key.match(s).hasMatch();
}

QString show(const QString& s)
{
    QString out = s;
    return out.replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r"));
}

} // namespace

TEST(LangDictionaries, EveryLanguageHasBothPartsAndEveryText)
{
    for (int kind : { int(TLangTools::KindApp), int(TLangTools::KindCommon) }) {
        const auto en = builtIn(QStringLiteral("en"), kind);
        ASSERT_TRUE(en);
        ASSERT_FALSE(en->Translations.empty());
        QSet<QString> enKeys;
        for (const auto& t : en->Translations)
            enKeys.insert(t.InitialString);
        for (const char* code : kCodes) {
            SCOPED_TRACE(std::string(code) + (kind ? " app" : " common"));
            const auto d = builtIn(QString::fromLatin1(code), kind);
            ASSERT_TRUE(d) << "missing built-in dictionary";
            EXPECT_EQ(d->IsoCode, QString::fromLatin1(code).toUpper());
            ASSERT_TRUE(d->LastUpdate);
            EXPECT_EQ(*d->LastUpdate, QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC));
            QSet<QString> keys;
            for (const auto& t : d->Translations) {
                EXPECT_FALSE(keys.contains(t.InitialString)) << "duplicate " << show(t.InitialString).toStdString();
                keys.insert(t.InitialString);
                EXPECT_FALSE(t.TranslatedString.trimmed().isEmpty()) << "empty " << show(t.InitialString).toStdString();
            }
            for (const QString& k : enKeys)
                EXPECT_TRUE(keys.contains(k)) << "lacks " << show(k).toStdString();
            EXPECT_EQ(keys.size(), enKeys.size());
        }
    }
}

TEST(LangDictionaries, TranslationsKeepPlaceholdersAndLineBreaks)
{
    int checked = 0;
    for (int kind : { int(TLangTools::KindApp), int(TLangTools::KindCommon) }) {
        for (const char* code : kCodes) {
            const auto d = builtIn(QString::fromLatin1(code), kind);
            ASSERT_TRUE(d) << code;
            for (const auto& t : d->Translations) {
                SCOPED_TRACE(std::string(code) + ": " + show(t.InitialString).toStdString() + " => "
                             + show(t.TranslatedString).toStdString());
                const TShape src = shapeOf(t.InitialString);
                const TShape dst = shapeOf(t.TranslatedString);
                EXPECT_EQ(dst.positional, src.positional);
                EXPECT_EQ(dst.indexed, src.indexed);
                EXPECT_EQ(dst.app, src.app);
                // A key's value is the text itself; its line breaks are its own.
                if (!isKey(t.InitialString))
                    EXPECT_EQ(dst.breaks, src.breaks);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 15 * 400);
}

TEST(LangDictionaries, OfferedLanguagesListIsBuiltIn)
{
    EXPECT_FALSE(TLangTools::ResourcePath(QStringLiteral("lang_choices")).isEmpty());
    EXPECT_FALSE(TLangTools::ResourcePath(QStringLiteral("LANGAPP_ZH_CN")).isEmpty()) << "case is ignored";
    EXPECT_TRUE(TLangTools::ResourcePath(QStringLiteral("langapp_xx")).isEmpty());
    EXPECT_TRUE(TLangTools::ResourcePath(QStringLiteral("../lang/langapp_de")).isEmpty());
}
