#include "UAppExceptions.h"
#include "UDebug.h"
#include "UTools.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

namespace {

QString messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no exception>");
}

// Opens the global log in a temporary folder for the test's lifetime.
class ScopedGlobalLog {
public:
    explicit ScopedGlobalLog(TLogLevel level = ll_debug)
    {
        TLogFile::GlobalClose();
        TLogFile::GlobalOpen(fDir.path(), level, 0, QString(), level == ll_debug);
    }
    ~ScopedGlobalLog() { TLogFile::GlobalClose(); }
    QString content() const
    {
        return QString::fromUtf8(testsupport::readAll(QDir(fDir.path()).filePath(
            QStringLiteral("Qz-") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log"))));
    }

private:
    QTemporaryDir fDir;
};

// Sets an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : fName(name), fHad(qEnvironmentVariableIsSet(name)), fOld(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (fHad)
            qputenv(fName, fOld);
        else
            qunsetenv(fName);
    }

private:
    const char* fName;
    bool fHad;
    QByteArray fOld;
};

} // namespace

// ---------------------------------------------------------------------------
// Names and versions

TEST(AppTools, Names)
{
    EXPECT_EQ(TAppTools::GetAppNameStr(), QStringLiteral("Brindlewick"));
    EXPECT_EQ(TAppTools::GetAppNameStrForUI(), QStringLiteral("Brindlewick"));
}

TEST(AppTools, VersionOfRunningAndOtherProgramFiles)
{
    const QString v = TAppTools::GetAppVersionStr();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$")).match(v).hasMatch()) << v.toStdString();
    // This test program links the foundation, so its file carries the record.
    EXPECT_EQ(TAppTools::GetAppVersionStr(QCoreApplication::applicationFilePath()), v);

    QTemporaryDir tmp;
    const QString plain = tmp.filePath(QStringLiteral("plain.bin"));
    ASSERT_TRUE(testsupport::writeAll(plain, QByteArray(100000, 'x') + "@(#)KIOSK"));
    EXPECT_THROW(TAppTools::GetAppVersionStr(plain), EOSError);
    EXPECT_THROW(TAppTools::GetAppVersionStr(tmp.filePath(QStringLiteral("missing"))), EOSError);

    const QString web = TAppTools::GetAppWebSvcVersionStr();
    EXPECT_TRUE(web.startsWith(QLatin1Char('d')));
    EXPECT_TRUE(web.endsWith(QStringLiteral("w64")));
    EXPECT_LE(web.size(), 10);
}

TEST(AppTools, WebServiceVersionString)
{
    struct Case {
        const char* name;
        int major, minor, build;
        QString expected;
        bool tooLong;
    };
    const Case cases[] = {
        { "two digits each", 3, 2, 15, QStringLiteral("d030215w64"), false },
        { "zero padded", 1, 0, 0, QStringLiteral("d010000w64"), false },
        { "two-digit parts", 10, 12, 99, QStringLiteral("d101299w64"), false },
        { "three-digit build cut to 7", 3, 2, 150, QStringLiteral("d030215w64"), true },
        { "three-digit major cut to 7", 100, 1, 1, QStringLiteral("d100010w64"), true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedGlobalLog log(ll_info);
        EXPECT_EQ(TAppTools::GetAppWebSvcVersionStr(c.major, c.minor, c.build), c.expected);
        EXPECT_EQ(log.content().contains(QStringLiteral(":App version for websvc too long: d")), c.tooLong);
    }
    ScopedGlobalLog log(ll_info);
    TAppTools::GetAppWebSvcVersionStr(3, 2, 150);
    EXPECT_TRUE(log.content().contains(QStringLiteral("ERROR ")));
    EXPECT_TRUE(log.content().contains(QStringLiteral(":App version for websvc too long: d0302150\r\n")));
}

TEST(AppTools, VersionCompare)
{
    struct Case {
        const char* name;
        QString v1, v2;
        int expected;
    };
    const Case cases[] = {
        { "integer not text comparison", "1.10", "1.9", 1 },
        { "equal", "2.0", "2.0", 0 },
        { "shorter is smaller", "2", "2.1", -1 },
        { "longer is greater", "2.1", "2", 1 },
        { "trailing zero still longer", "1.2", "1.2.0", -1 },
        { "difference itself", "3.1", "1.1", 2 },
        { "negative difference", "1.5.0.3", "1.9.0.3", -4 },
        { "four parts equal", "3.2.0.15", "3.2.0.15", 0 },
        { "leading space accepted", " 1.2", "1.2", 0 },
        { "first difference wins", "1.0.9", "2.0.0", -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TAppTools::VersionCompare(c.v1, c.v2), c.expected);
    }
    const char* bad[][2] = { { "1.x", "1.1" }, { "1.1", "1..1" }, { "", "1" }, { "1.2 ", "1.2" }, { "99999999999", "1" } };
    for (const auto& b : bad) {
        SCOPED_TRACE(b[0]);
        EXPECT_THROW(TAppTools::VersionCompare(QString::fromLatin1(b[0]), QString::fromLatin1(b[1])), EConvertError);
    }
    EXPECT_EQ(messageOf([] { TAppTools::VersionCompare(QStringLiteral("1.x"), QStringLiteral("1.1")); }),
        QStringLiteral("'x' is not a valid integer value"));
    // A difference that does not fit keeps its sign.
    EXPECT_GT(TAppTools::VersionCompare(QStringLiteral("2147483647"), QStringLiteral("-2147483648")), 0);
}

// ---------------------------------------------------------------------------
// Strings

TEST(AppTools, ServicePassword)
{
    EXPECT_EQ(TAppTools::CrypterMotDePasseAppelService(QStringLiteral("secret")), QStringLiteral("Q7#secret!K4"));
    EXPECT_EQ(TAppTools::CrypterMotDePasseAppelService(QString()), QString());
}

TEST(AppTools, CleanFileName)
{
    struct Case {
        const char* name;
        QString in;
        bool remove;
        QString expected;
    };
    const Case cases[] = {
        { "colon replaced", "a:b", false, "aXb" },
        { "colon removed", "a:b", true, "ab" },
        { "accented letter stays", QString::fromUtf8("caf\xc3\xa9"), false, QString::fromUtf8("caf\xc3\xa9") },
        { "tab replaced", "a\tb", false, "aXb" },
        { "kept signs", "report_2024-01 v=2.jpg", false, "report_2024-01 v=2.jpg" },
        { "path separators", "../a/b\\c", false, "..XaXbXc" },
        { "at sign is not forbidden", "x@y", false, "x@y" },
        { "euro sign forbidden", QString::fromUtf8("\xe2\x82\xac" "5"), false, "X5" },
        { "outer spaces trimmed", "  name  ", false, "name" },
        { "question mark space question mark", "? ?", true, "" },
        { "carets removed with the rest", "^a^", true, "a" },
        { "leading control removed", "\x01" "abc", true, "abc" },
        { "leading control replaced", "\x01" "abc", false, "Xabc" },
        { "quotes and brackets", "\"x\"[1](2){3}", false, "XxXX1XX2XX3X" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TAppTools::CleanFileName(c.in, c.remove), c.expected);
    }
    for (const QString& empty : { QStringLiteral("?"), QStringLiteral("   "), QString(), QStringLiteral("\t/") }) {
        SCOPED_TRACE(empty.toStdString());
        EXPECT_EQ(messageOf([&] { TAppTools::CleanFileName(empty, true); }),
            QStringLiteral("TAppTools.CleanFileName: called on an empty string"));
    }
}

TEST(AppTools, CleanFileNameAnsi)
{
    struct Case {
        const char* name;
        QString in;
        QString expected;
    };
    const Case cases[] = {
        { "transliterated", QString::fromUtf8("\xc3\x80\xc3\xa7\xc3\xa9\xc3\xbf\xc3\x91"), "AceyN" },
        { "at sign", "me@home", "meXhome" },
        { "forbidden", "a:b/c", "aXbXc" },
        { "kept signs", "a-b.c=d_e f", "a-b.c=d_e f" },
        { "other scripts", QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac"), "XX" },
        { "control", "a\nb", "aXb" },
        { "trimmed", QString::fromUtf8("  \xc3\xa9  "), "e" },
        { "empty stays empty", "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TAppTools::CleanFileNameAnsi(c.in), c.expected);
    }
}

TEST(AppTools, Md5)
{
    EXPECT_EQ(TAppTools::GetMd5FromStr(QStringLiteral("abc")), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_EQ(TAppTools::GetMd5FromStr(QString()), QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
}

// ---------------------------------------------------------------------------
// Bytes, resources and scrambling

TEST(AppTools, CryptXorRoundTrip)
{
    const QByteArray key = TAppTools::CryptKey();
    ASSERT_GT(key.size(), 1000);
    // The key is the shipped picture, byte for byte.
    EXPECT_EQ(key, testsupport::readAll(QStringLiteral(KIOSK_SOURCE_DIR "/resources/jombdqelp.png")));

    QByteArray data;
    for (int i = 0; i < key.size() * 2 + 17; ++i)
        data += char(i * 7);
    const QByteArray scrambled = TAppTools::CryptXOR(data, key);
    ASSERT_EQ(scrambled.size(), data.size());
    EXPECT_NE(scrambled, data);
    EXPECT_EQ(TAppTools::CryptXOR(scrambled, key), data);

    // A short key repeats from its first byte.
    EXPECT_EQ(TAppTools::CryptXOR(QByteArray("\x01\x02\x03\x04\x05", 5), QByteArray("\x10\x20", 2)),
        QByteArray("\x11\x22\x13\x24\x15", 5));
    EXPECT_EQ(TAppTools::CryptXOR(QByteArray(), QByteArray("k")), QByteArray());
    EXPECT_EQ(messageOf([] { TAppTools::CryptXOR(QByteArray("data"), QByteArray()); }),
        QStringLiteral("TAppTools.CryptXOR: empty key"));
}

TEST(AppTools, CryptFileInPlace)
{
    QTemporaryDir tmp;
    const QString f = tmp.filePath(QStringLiteral("catalogue.xml"));
    const QByteArray plain("<catalogue>prints</catalogue>");
    ASSERT_TRUE(testsupport::writeAll(f, plain));
    TAppTools::CryptFile(f);
    const QByteArray scrambled = testsupport::readAll(f);
    EXPECT_EQ(scrambled, TAppTools::CryptXOR(plain, TAppTools::CryptKey()));
    EXPECT_EQ(TAppTools::LoadByteArrayFromCryptedFile(f), plain);
    EXPECT_EQ(testsupport::readAll(f), scrambled);
    TAppTools::CryptFile(f);
    EXPECT_EQ(testsupport::readAll(f), plain);
}

TEST(AppTools, Resources)
{
    auto s = TAppTools::LoadStreamFromRes(QStringLiteral("jombdqelp"));
    ASSERT_TRUE(s);
    s->read(10);
    // The whole stream, whatever its position.
    EXPECT_EQ(TAppTools::StreamToByteArray(s.get()), TAppTools::CryptKey());
    EXPECT_EQ(TAppTools::StreamToByteArray(nullptr), QByteArray());
    EXPECT_THROW(TAppTools::LoadStreamFromRes(QStringLiteral("no-such-resource")), EResNotFound);
    EXPECT_THROW(TAppTools::LoadByteArrayFromRes(QStringLiteral("../jombdqelp")), EResNotFound);

    const QImage img = TImageTools::LoadBitmapFromRes(QStringLiteral("jombdqelp"));
    EXPECT_EQ(img.size(), QSize(96, 96));
    QImage target(4, 4, QImage::Format_RGB32);
    TImageTools::AssignBitmapFromRes(target, QStringLiteral("jombdqelp"));
    EXPECT_EQ(target.size(), QSize(96, 96));
    EXPECT_THROW(TImageTools::LoadBitmapFromRes(QStringLiteral("missing")), EResNotFound);
}

TEST(AppTools, ByteArrayFiles)
{
    QTemporaryDir tmp;
    const QString f = tmp.filePath(QStringLiteral("data.bin"));
    TAppTools::WriteByteArrayToFile(QByteArray("first content"), f);
    EXPECT_EQ(TAppTools::LoadByteArrayFromFile(f), QByteArray("first content"));
    TAppTools::WriteByteArrayToFile(QByteArray("2nd"), f);
    EXPECT_EQ(testsupport::readAll(f), QByteArray("2nd"));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_THROW(TAppTools::LoadByteArrayFromFile(tmp.filePath(QStringLiteral("missing"))), EFOpenError);
    EXPECT_THROW(TAppTools::WriteByteArrayToFile("x", tmp.filePath(QStringLiteral("no/such/dir/f"))), EFCreateError);
}

// ---------------------------------------------------------------------------
// Machine and process

TEST(AppTools, MachineAndProcess)
{
    ScopedGlobalLog log;
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    const QString name = TAppTools::ComputerName();
    EXPECT_FALSE(name.isEmpty());
    EXPECT_TRUE(QString::fromLocal8Bit(host).startsWith(name));
    EXPECT_FALSE(name.contains(QLatin1Char('.')));
    EXPECT_TRUE(log.content().contains(QStringLiteral(":TAppTools.ComputerName=%1(%2)\r\n").arg(name).arg(name.size())));

    EXPECT_GT(TAppTools::GetAppMemoryUsage(), quint64(1024 * 1024));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+[.,]\\d{3}MB$")).match(TAppTools::AppMemoryUsageStr()).hasMatch())
        << TAppTools::AppMemoryUsageStr().toStdString();

    EXPECT_TRUE(TAppTools::IsOutOfMem(std::bad_alloc()));
    EXPECT_TRUE(TAppTools::IsOutOfMem(EImgTooBig(QStringLiteral("big"))));
    EXPECT_FALSE(TAppTools::IsOutOfMem(ESystem(QStringLiteral("other"))));
    EXPECT_FALSE(TAppTools::IsOutOfMem(std::runtime_error("other")));
}

TEST(AppTools, Device)
{
    const QString lang = TAppTools::getDeviceLanguage();
    EXPECT_FALSE(lang.isEmpty());
    EXPECT_EQ(lang, lang.toLower());
    EXPECT_EQ(lang, TAppTools::getDeviceLanguageRaw().toLower().isEmpty() ? QStringLiteral("en")
                                                                           : TAppTools::getDeviceLanguageRaw().toLower());
    const QString model = TAppTools::getDeviceModelName();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(
                    "^PC( \\[multi touch screen\\]| \\[single touch screen \\([0-9A-F]{2}\\)\\]| \\[no touch screen \\([0-9A-F]{2}\\)\\])$"))
                    .match(model)
                    .hasMatch())
        << model.toStdString();
    EXPECT_EQ(TAppTools::getDeviceDebugInfo(), model + QStringLiteral(" (") + lang + QStringLiteral(")"));
}

TEST(AppTools, GuiTreeDump)
{
    ScopedGlobalLog log;
    QObject root;
    root.setObjectName(QStringLiteral("MainForm"));
    auto* panel = new QObject(&root);
    auto* button = new QObject(panel);
    button->setObjectName(QStringLiteral("ButtonOk"));
    TAppTools::guiTreeDump(&root);
    const QString c = log.content();
    const QString expected = QStringLiteral("<QObject name=\"MainForm\" >\r\n"
                                            "  <QObject >\r\n"
                                            "    <QObject name=\"ButtonOk\" />\r\n"
                                            "  </QObject>\r\n"
                                            "</QObject>\r\n");
    EXPECT_TRUE(c.contains(expected)) << c.toStdString();
    EXPECT_TRUE(c.contains(QString(77, QLatin1Char('-')) + QStringLiteral("\r\n")));
    EXPECT_TRUE(c.contains(QStringLiteral(":---------------- TAppTools.guiTreeDump: START -------------------------------\r\n")));
    EXPECT_TRUE(c.contains(QStringLiteral(":---------------- TAppTools.guiTreeDump: END   -------------------------------\r\n")));
}

// ---------------------------------------------------------------------------
// Image geometry

TEST(ImageTools, FitAndCoverSizing)
{
    enum Op { Fit, Cover };
    struct Case {
        const char* name;
        Op op;
        float w, h, rw, rh;
        float fw, fh; // float form
        int iw, ih; // integer form
    };
    const Case cases[] = {
        { "fit landscape into square", Fit, 400, 300, 1, 1, 300, 300, 300, 300 },
        { "cover landscape by square", Cover, 400, 300, 1, 1, 400, 400, 400, 400 },
        { "fit square to 4:3", Fit, 100, 100, 4, 3, 100, 75, 100, 75 },
        { "fit square to 3:4", Fit, 100, 100, 3, 4, 75, 100, 75, 100 },
        { "fit with tie to even", Fit, 101, 101, 2, 1, 101, 50.5f, 101, 50 },
        { "fit already at ratio", Fit, 300, 200, 3, 2, 300, 200, 300, 200 },
        { "cover already at ratio", Cover, 300, 200, 3, 2, 300, 200, 300, 200 },
        { "cover square by 4:3", Cover, 100, 100, 4, 3, 133.333333f, 100, 133, 100 },
        { "cover square by 3:4", Cover, 100, 100, 3, 4, 100, 133.333333f, 100, 133 },
        { "fit portrait into landscape", Fit, 200, 400, 3, 2, 200, 133.333333f, 200, 133 },
        { "cover portrait by landscape", Cover, 200, 400, 3, 2, 600, 400, 600, 400 },
        { "cover with tie to even", Cover, 101, 101, 1, 2, 101, 202, 101, 202 },
        { "cover rounds half down to even", Cover, 5, 1, 2, 5, 5, 12.5f, 5, 12 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        float w = c.w, h = c.h;
        int iw = int(c.w), ih = int(c.h);
        if (c.op == Fit) {
            TImageTools::AspectRatioSizeCoerceF(w, h, c.rw, c.rh);
            TImageTools::AspectRatioSizeCoerce(iw, ih, int(c.rw), int(c.rh));
        } else {
            TImageTools::AspectRatioSizeCoerceMinF(w, h, c.rw, c.rh);
            TImageTools::AspectRatioSizeCoerceMin(iw, ih, int(c.rw), int(c.rh));
            float mw = c.w, mh = c.h;
            TImageTools::AspectRatioSizeMaxF(mw, mh, c.rw, c.rh);
            EXPECT_NEAR(mw, c.fw, 1e-3);
            EXPECT_NEAR(mh, c.fh, 1e-3);
        }
        EXPECT_FLOAT_EQ(w, c.fw);
        EXPECT_FLOAT_EQ(h, c.fh);
        EXPECT_EQ(iw, c.iw);
        EXPECT_EQ(ih, c.ih);
    }
}

TEST(ImageTools, FloatModPositive)
{
    struct Case {
        float a, b, expected;
    };
    const Case cases[] = {
        { -90, 360, 270 }, { 450, 360, 90 }, { 360, 360, 0 }, { -0.5f, 360, 359.5f }, { 720, 360, 0 },
        { 0, 360, 0 }, { -720, 360, 0 }, { 10.25f, 360, 10.25f }, { 7.5f, 2, 1.5f },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " mod " << c.b);
        EXPECT_FLOAT_EQ(FloatModPositive(c.a, c.b), c.expected);
    }
    // A tiny negative angle would round up to the modulus itself.
    const float tiny = FloatModPositive(-1e-6f, 360);
    EXPECT_GE(tiny, 0.0f);
    EXPECT_LT(tiny, 360.0f);
    // A quotient beyond 64-bit integers still gives a value in range.
    const float huge = FloatModPositive(-3e38f, 360);
    EXPECT_GE(huge, 0.0f);
    EXPECT_LT(huge, 360.0f);
}

TEST(ImageTools, SmallUtilities)
{
    { TGarbageCollectScope scope; }
    EXPECT_NO_THROW(InstallStartUpFiles(false));
    EXPECT_NO_THROW(InstallStartUpFiles(true));
}
