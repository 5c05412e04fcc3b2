#include "UAppExceptions.h"
#include "ULangText.h"
#include "UTools.h"

#include <QHash>
#include <QSet>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

namespace {

// Applies one "language switch": every constant goes through dict (texts
// missing from it stay as they are), the family keys it holds are pending.
void switchTo(const QHash<QString, QString>& dict)
{
    TLangTextBase::SetTranslateHook([dict](const QString& t) { return dict.value(t, t); });
    TLangTextBase::SetPendingDictionary([dict](const QString& key) { return dict.contains(key); });
    TLangTextBase::CollectConstTranslate();
    TLangTextBase::SetPendingDictionary(nullptr);
    TLangTextBase::SetTranslateHook(nullptr);
}

// The reverse of a switch: back to the English source texts.
QHash<QString, QString> inverse(const QHash<QString, QString>& dict)
{
    QHash<QString, QString> inv;
    for (auto it = dict.begin(); it != dict.end(); ++it)
        inv.insert(it.value(), it.key());
    return inv;
}

} // namespace

TEST(LangText, AppPlaceholderIsTheDisplayName)
{
    struct Case {
        const char* name;
        QString source;
        QString expected;
    };
    const QString app = TAppTools::GetAppNameStrForUI();
    const Case cases[] = {
        { "one placeholder", "Update {APP}", "Update " + app },
        { "two placeholders", "{APP} is connected.\r\n{APP} is ready", app + " is connected.\r\n" + app + " is ready" },
        { "no placeholder", "Retry", "Retry" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TLangText::Create(c.source).Text(), c.expected);
    }
    EXPECT_FALSE(app.isEmpty());
}

TEST(LangText, FormatNeverRaises)
{
    struct Case {
        const char* name;
        QString text;
        QVariantList args;
        QString expected;
    };
    const Case cases[] = {
        { "fits", "Page %d", { 3 }, "Page 3" },
        { "indexed", "the %0:s %1:d page", { "left", 2 }, "the left 2 page" },
        { "missing argument", "Pages %d and %d", { 3 }, "Pages %d and %d" },
        { "wrong kind", "Page %d", { "three" }, "Page %d" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TLangTextBase::Format(c.text, c.args), c.expected);
        EXPECT_EQ(TLangText::Create(c.text).Text(c.args), c.expected);
    }
}

TEST(LangText, TranslationThatLostItsPlaceholderIsShownUnformatted)
{
    TLangText& t = TLangText::Create("Print %s");
    switchTo({ { "Print %s", "Tirage" } });
    EXPECT_EQ(t.Text({ "10x15" }), QStringLiteral("Tirage"));
    switchTo(inverse({ { "Print %s", "Tirage" } }));
    EXPECT_EQ(t.Text({ "10x15" }), QStringLiteral("Print 10x15"));
}

TEST(LangText, ExceptionKeepsTheLanguageOfItsCreation)
{
    TLangText& t = TLangText::Create("Your cart is empty, you can't complete your order");
    const QHash<QString, QString> de { { t.Text(), "Ihr Warenkorb ist leer" } };
    switchTo(de);
    EUser e(t);
    ECancel c(t);
    switchTo(inverse(de));
    EXPECT_EQ(e.Message(), QStringLiteral("Ihr Warenkorb ist leer"));
    EXPECT_EQ(c.Message(), QStringLiteral("Ihr Warenkorb ist leer"));
    EXPECT_EQ(EappBase(t).Message(), QStringLiteral("Your cart is empty, you can't complete your order"));
}

TEST(LangText, NumberedFamilyFollowsTheDictionary)
{
    TLangTextArray& fmt = TLangTextArray::Create("Test.Format%03d", 1, 99);
    EXPECT_EQ(fmt.MinId(), 1);
    EXPECT_EQ(fmt.MaxId(), 99);
    EXPECT_EQ(fmt.MaxMaxId(), 99);
    EXPECT_EQ(fmt.Text(7), QStringLiteral("Test.Format007")) << "before any switch a number reads its key";
    EXPECT_EQ(fmt.Text(0), QString());
    EXPECT_EQ(fmt.Text(100), QString());

    QHash<QString, QString> dict;
    for (int i = 1; i <= 40; ++i)
        dict.insert(QStringLiteral("Test.Format%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Format %1").arg(i));
    dict.insert("Test.Format042", "Format 42");
    switchTo(dict);

    struct Case {
        qint32 id;
        QString expected;
    };
    const Case cases[] = { { 0, "" }, { 1, "Format 1" }, { 40, "Format 40" }, { 41, "" }, { 42, "" }, { 99, "" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(fmt.Text(c.id), c.expected);
    }
    EXPECT_EQ(fmt.MaxId(), 40);
    EXPECT_EQ(fmt.MaxMaxId(), 99);
    EXPECT_EQ(fmt.Text(3, { 1 }), QStringLiteral("Format 3"));

    // A later dictionary knowing 1..60 extends the family; the new numbers
    // start from their keys.
    QHash<QString, QString> back = inverse(dict);
    for (int i = 41; i <= 60; ++i)
        back.insert(QStringLiteral("Test.Format%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Formato %1").arg(i));
    // The switch look-up sees the displayed texts; the pending dictionary
    // holds the keys.
    TLangTextBase::SetTranslateHook([&](const QString& t) { return back.value(t, t); });
    TLangTextBase::SetPendingDictionary([&](const QString& key) {
        return key.startsWith(QLatin1String("Test.Format")) && key.mid(11).toInt() <= 60;
    });
    TLangTextBase::CollectConstTranslate();
    TLangTextBase::SetPendingDictionary(nullptr);
    TLangTextBase::SetTranslateHook(nullptr);
    EXPECT_EQ(fmt.MaxId(), 60);
    EXPECT_EQ(fmt.Text(40), QStringLiteral("Test.Format040"));
    EXPECT_EQ(fmt.Text(41), QStringLiteral("Formato 41"));
    EXPECT_EQ(fmt.Text(60), QStringLiteral("Formato 60"));
    EXPECT_EQ(fmt.Text(61), QString());
}

TEST(LangText, TranslatesInCreationOrder)
{
    // A prefix of its own keeps the check apart from constants of earlier
    // runs of the test (the global list keeps every constant).
    static int run = 0;
    const QString p = QStringLiteral("Order%1.").arg(++run);
    TLangText& a = TLangText::Create(p + "First");
    TLangTextArray& b = TLangTextArray::Create(p + "Second%03d", 1, 2);
    TLangText& c = TLangText::Create(p + "Third");
    QStringList seen;
    TLangTextBase::SetTranslateHook([&](const QString& t) {
        if (t.startsWith(p))
            seen << t;
        return t;
    });
    TLangTextBase::CollectConstTranslate();
    TLangTextBase::SetTranslateHook(nullptr);
    EXPECT_EQ(seen, (QStringList { p + "First", p + "Second001", p + "Second002", p + "Third" }));
    EXPECT_EQ(a.Text(), p + "First");
    EXPECT_EQ(b.Text(2), p + "Second002");
    EXPECT_EQ(c.Text(), p + "Third");
}

// Worker threads read texts while the main thread switches language: every
// read is one whole text of one language.
TEST(LangText, ReadersNeverSeeAHalfSwitchedText)
{
    const QString en = QStringLiteral("Please reinsert/reconnect your usb key/smartphone/...\r\n{APP} needs it");
    const QString fr = QStringLiteral("Veuillez reconnecter votre clé usb/smartphone/...\r\n{APP} en a besoin");
    TLangText& t = TLangText::Create(en);
    TLangTextArray& fam = TLangTextArray::Create("Race.Type%03d", 1, 3);
    const QString app = TAppTools::GetAppNameStrForUI();
    const QSet<QString> allowed { QString(en).replace("{APP}", app), QString(fr).replace("{APP}", app) };

    std::atomic<bool> stop { false };
    std::atomic<int> bad { 0 };
    std::atomic<int> reads { 0 };
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i)
        readers.emplace_back([&] {
            while (!stop.load()) {
                if (!allowed.contains(t.Text()))
                    ++bad;
                const QString f = fam.Text(2);
                if (f != QLatin1String("Race.Type002") && f != QLatin1String("Type deux"))
                    ++bad;
                ++reads;
            }
        });
    const QHash<QString, QString> toFr { { en, fr }, { "Race.Type001", "Type un" }, { "Race.Type002", "Type deux" },
                                         { "Race.Type003", "Type trois" } };
    const QHash<QString, QString> toEn = inverse(toFr);
    // The dictionary being applied always knows the family's keys.
    TLangTextBase::SetPendingDictionary([&](const QString& key) { return toFr.contains(key); });
    for (int i = 0; i < 200; ++i) {
        // Each switch waits for the readers to have read since the last one, so
        // reads and switches interleave even on a single busy core.
        for (const int seen = reads.load(); reads.load() == seen;)
            std::this_thread::yield();
        const QHash<QString, QString>& dict = i % 2 == 0 ? toFr : toEn;
        TLangTextBase::SetTranslateHook([&](const QString& s) { return dict.value(s, s); });
        TLangTextBase::CollectConstTranslate();
    }
    TLangTextBase::SetTranslateHook(nullptr);
    TLangTextBase::SetPendingDictionary(nullptr);
    stop = true;
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(t.Text(), QString(en).replace("{APP}", app));
}
