// The configuration: where its file is found, what a first run imports, the
// keys' defaults, clamping and dirty rules, and how the file is written.
#include "ConfigTestSupport.h"
#include "LogCapture.h"
#include "UTools.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ConfigTest : public ConfigTestBase { };

QString deviceLanguageDefault()
{
    return QStringLiteral("?") + TAppTools::getDeviceLanguage();
}

TEST_F(ConfigTest, FirstRunCreatesThePerUserFileWithDefaults)
{
    auto cfg = start();
    EXPECT_EQ(cfg->IOerrorMsg(), QString());
    EXPECT_EQ(cfg->FilePath(), userFile());
    EXPECT_FALSE(cfg->AllFilesNearCfgFile());
    EXPECT_FALSE(cfg->IsDirty());
    ASSERT_TRUE(QFileInfo::exists(userFile()));
    // The file may hold the lab password.
    EXPECT_EQ(ownerGroupOther(userFile()), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    EXPECT_EQ(cfg->Language(), deviceLanguageDefault());
    EXPECT_EQ(cfg->ServerUrl(), QString::fromLatin1(TConfig::kDefaultServerUrl));
    EXPECT_TRUE(cfg->ServerUrl().startsWith(QLatin1String("https://")));
    EXPECT_TRUE(cfg->ServerUrl().endsWith(QLatin1String("/JPN/")));
    EXPECT_FALSE(cfg->ServerOffline());
    EXPECT_EQ(cfg->QzuseMode(), TQzUseMode::Std);
    EXPECT_TRUE(cfg->AutoLogin());
    EXPECT_EQ(cfg->LogFileMax(), 7);
    EXPECT_EQ(cfg->LogFileLevel(), 30);
    EXPECT_TRUE(cfg->ShowScreenTel());
    EXPECT_TRUE(cfg->ShowScreenNameRef());
    EXPECT_EQ(cfg->BluetoothMode(), TBluetoothMode::BluetoothAuto);
    EXPECT_EQ(cfg->ZoomFactor(), 100.0f);
    EXPECT_EQ(cfg->ThumbnailsFactor(), 100.0f);
    EXPECT_EQ(cfg->ThumbnailsBigFactor(), 100.0f);
    EXPECT_EQ(cfg->ThumbnailsOvwFactor(), 100.0f);
    EXPECT_EQ(cfg->BackupAutoDelayS(), 15);
    EXPECT_EQ(cfg->KioskReceiptWidth(), 0.0f);
    EXPECT_EQ(cfg->KioskReceiptCopyNumber(), 2);
    EXPECT_EQ(cfg->KioskTurnOverTimer(), 180);
    EXPECT_TRUE(cfg->AutoHideKeyboard());
    EXPECT_EQ(cfg->GalleryProCoeff(), 1.0);
    EXPECT_FALSE(cfg->UpdateAppOnLoad());
    EXPECT_EQ(cfg->PopupHelpOpened(), QString());
    EXPECT_FALSE(cfg->FacebookDisabled());
    EXPECT_EQ(cfg->FacebookGraphUrl(), QStringLiteral("https://graph.facebook.com/"));
    EXPECT_EQ(cfg->FacebookDialogUrl(), QStringLiteral("https://www.facebook.com/"));
    EXPECT_EQ(cfg->FacebookApiVersion(), QStringLiteral("v2.7"));

    // The second start reads what the first one wrote.
    auto again = start();
    EXPECT_EQ(again->FilePath(), userFile());
    EXPECT_EQ(again->Language(), deviceLanguageDefault());
    EXPECT_FALSE(again->IsDirty());
}

TEST_F(ConfigTest, ReadOnlyFileBesideTheExecutableIsCopiedOnceToThePerUserFolder)
{
    ASSERT_TRUE(testsupport::writeAll(exeFile(), configDoc("<Config.Login type=\"UString\">shop7</Config.Login>\r\n")));
    QFile::setPermissions(exeFile(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);

    auto cfg = start();
    EXPECT_EQ(cfg->IOerrorMsg(), QString());
    EXPECT_EQ(cfg->FilePath(), userFile());
    EXPECT_FALSE(cfg->AllFilesNearCfgFile());
    EXPECT_EQ(cfg->Login(), QStringLiteral("shop7"));
    cfg->SetLogin(QStringLiteral("shop8"));
    cfg->Save();
    EXPECT_EQ(ownerGroupOther(userFile()), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // Next start: the copy is kept, not overwritten by the file beside the
    // executable.
    auto again = start();
    EXPECT_EQ(again->FilePath(), userFile());
    EXPECT_EQ(again->Login(), QStringLiteral("shop8"));
    EXPECT_TRUE(testsupport::readAll(exeFile()).contains("shop7"));
}

TEST_F(ConfigTest, WritableFileBesideTheExecutableIsUsedInPlace)
{
    ASSERT_TRUE(testsupport::writeAll(exeFile(), configDoc("<Config.Login type=\"UString\">shop7</Config.Login>\r\n")));
    auto cfg = start();
    EXPECT_EQ(cfg->FilePath(), exeFile());
    EXPECT_TRUE(cfg->AllFilesNearCfgFile());
    EXPECT_EQ(cfg->Login(), QStringLiteral("shop7"));
    EXPECT_FALSE(QFileInfo::exists(userFile()));
}

struct SiblingCase {
    const char* name;
    bool beside;        // beside the executable, else at the fixed path
};

void PrintTo(const SiblingCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigSiblingTest : public ConfigTest, public ::testing::WithParamInterface<SiblingCase> { };

TEST_P(ConfigSiblingTest, FirstRunImportsServerAndAccountOfTheSiblingProduct)
{
    const SiblingCase c = GetParam();
    const QString sibling = c.beside ? fPlaces.exe + QStringLiteral("/Tallowfern.exe.config") : fPlaces.siblingFixed;
    ASSERT_TRUE(testsupport::writeAll(sibling, testsupport::readAll(testsupport::dataPath("Tallowfern.exe.config"))));

    auto cfg = start();
    EXPECT_EQ(cfg->IOerrorMsg(), QString());
    EXPECT_EQ(cfg->FilePath(), exeFile());
    EXPECT_TRUE(cfg->AllFilesNearCfgFile());
    EXPECT_EQ(cfg->ServerUrl(), QStringLiteral("https://lab.tallowfern.example/FRA/"));
    EXPECT_EQ(cfg->Login(), QStringLiteral("shop42"));
    EXPECT_EQ(cfg->Password(), QStringLiteral("s3cret&more"));
    EXPECT_TRUE(cfg->IsLoginOrPasswordFilled());
    // Written beside the executable, owner only.
    ASSERT_TRUE(QFileInfo::exists(exeFile()));
    EXPECT_EQ(ownerGroupOther(exeFile()), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(QFileInfo::exists(userFile()));

    // The next start uses that file and no longer imports.
    QFile::remove(sibling);
    auto again = start();
    EXPECT_EQ(again->FilePath(), exeFile());
    EXPECT_EQ(again->Password(), QStringLiteral("s3cret&more"));
}

INSTANTIATE_TEST_SUITE_P(Places, ConfigSiblingTest,
                         ::testing::Values(SiblingCase { "BesideTheExecutable", true },
                                           SiblingCase { "AtTheFixedPath", false }),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigTest, UnreadableSiblingConfigurationFallsBackToThePerUserFile)
{
    ASSERT_TRUE(testsupport::writeAll(fPlaces.exe + QStringLiteral("/Tallowfern.exe.config"),
                                      testsupport::readAll(testsupport::dataPath("Tallowfern-cut.exe.config"))));
    auto cfg = start();
    EXPECT_EQ(cfg->IOerrorMsg(), QString());
    EXPECT_EQ(cfg->FilePath(), userFile());
    EXPECT_FALSE(cfg->AllFilesNearCfgFile());
    EXPECT_EQ(cfg->ServerUrl(), QString::fromLatin1(TConfig::kDefaultServerUrl));
    EXPECT_FALSE(QFileInfo::exists(exeFile()));
}

TEST_F(ConfigTest, NoPerUserFolderLeavesNoFileAndEmptyPaths)
{
    fPlaces.userFails = true;
    auto cfg = start();
    EXPECT_EQ(cfg->FilePath(), QString());
    EXPECT_TRUE(cfg->IOerrorMsg().contains(QLatin1String("MakeDirRec failure")));
    EXPECT_EQ(cfg->CalcLogFilePath(), QString());
    EXPECT_EQ(cfg->CalcOrderArchivePath(), QString());
    EXPECT_EQ(cfg->CalcOrderBackupPath(), QString());
    // Paths in the configuration folder fail; the per-user cache still works.
    EXPECT_THROW(cfg->CalcLocalOrdersPath(), std::exception);
    EXPECT_THROW(cfg->CalcDemoImagePath(), std::exception);
    EXPECT_EQ(cfg->CalcCachePath(), fPlaces.cache);
    // Load and Save do nothing.
    cfg->SetLogin(QStringLiteral("x"));
    EXPECT_NO_THROW(cfg->Save());
    EXPECT_NO_THROW(cfg->Load());
    EXPECT_TRUE(cfg->IsDirty());
}

TEST_F(ConfigTest, UnparsableFileKeepsTheDefaultsAndReportsTheProblem)
{
    ASSERT_TRUE(testsupport::writeAll(userFile(), configDoc("<Config.Login type=\"UString\">shop7</Config.Login>\r\n"
                                                            "<Config.LogFileMax type=\"Int64\">12")));
    auto cfg = start();
    EXPECT_EQ(cfg->FilePath(), userFile());
    EXPECT_FALSE(cfg->IOerrorMsg().isEmpty());
    EXPECT_EQ(cfg->LogFileMax(), 7);
    // The broken file is left as it was for the store to look at.
    EXPECT_TRUE(testsupport::readAll(userFile()).contains("shop7"));
}

// A well-formed file with a bad value after good ones: nothing of it is
// loaded, the file is kept beside as ".bad" (and said so in the log) before
// the next save writes the defaults over it.
TEST_F(ConfigTest, FileWithABadValueLoadsNothingAndIsKeptBeforeTheNextSave)
{
    const QByteArray good = "<Config.Login type=\"UString\">shop7</Config.Login>\r\n"
                            "<Config.Password type=\"UString\">secret</Config.Password>\r\n";
    const struct {
        const char* name;
        QByteArray bad;
    } cases[] = {
        { "not a number", "<Config.LogFileMax type=\"Int64\">twelve</Config.LogFileMax>\r\n" },
        { "unknown type", "<Config.LogFileMax type=\"Quaternion\">12</Config.LogFileMax>\r\n" },
        { "stray text", "stray\r\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = configDoc(good + c.bad);
        ASSERT_TRUE(testsupport::writeAll(userFile(), bytes));
        QFile::remove(userFile() + QStringLiteral(".bad"));
        LogCapture log;
        auto cfg = start();
        EXPECT_FALSE(cfg->IOerrorMsg().isEmpty());
        EXPECT_EQ(cfg->Login(), QString());
        EXPECT_EQ(cfg->Password(), QString());
        EXPECT_EQ(cfg->LogFileMax(), 7);
        EXPECT_EQ(testsupport::readAll(userFile() + QStringLiteral(".bad")), bytes);
        EXPECT_TRUE(log.Text().contains(QStringLiteral("unreadable file kept as ") + userFile()
                                        + QStringLiteral(".bad")));
        // The next save writes what the object holds; the copy stays.
        cfg->SetLanguage(QStringLiteral("de"));
        cfg->Save();
        const QByteArray saved = testsupport::readAll(userFile());
        EXPECT_FALSE(saved.contains("shop7"));
        EXPECT_EQ(testsupport::readAll(userFile() + QStringLiteral(".bad")), bytes);
    }
}

TEST_F(ConfigTest, SizesAreClampedOnLoadAndLoadingLeavesTheObjectClean)
{
    ASSERT_TRUE(testsupport::writeAll(
        userFile(), configDoc("<Config.ZoomFactor type=\"Double\">20</Config.ZoomFactor>\r\n"
                              "<Config.ThumbnailsFactor type=\"Double\">1000</Config.ThumbnailsFactor>\r\n"
                              "<Config.ThumbnailsBigFactor type=\"Double\">75.5</Config.ThumbnailsBigFactor>\r\n"
                              "<Config.ThumbnailsOvwFactor type=\"Double\">-3</Config.ThumbnailsOvwFactor>\r\n")));
    auto cfg = start();
    EXPECT_EQ(cfg->IOerrorMsg(), QString());
    EXPECT_EQ(cfg->ZoomFactor(), 50.0f);
    EXPECT_EQ(cfg->ThumbnailsFactor(), 400.0f);
    EXPECT_EQ(cfg->ThumbnailsBigFactor(), 75.5f);
    EXPECT_EQ(cfg->ThumbnailsOvwFactor(), 50.0f);
    EXPECT_FALSE(cfg->IsDirty());
}

TEST_F(ConfigTest, EmptyTextsInTheFileKeepTheDefaults)
{
    ASSERT_TRUE(testsupport::writeAll(userFile(),
                                      configDoc("<Config.ServerUrl type=\"UString\"></Config.ServerUrl>\r\n"
                                                "<Config.Language type=\"UString\"></Config.Language>\r\n"
                                                "<Config.Login type=\"UString\">shop7</Config.Login>\r\n")));
    auto cfg = start();
    EXPECT_EQ(cfg->ServerUrl(), QString::fromLatin1(TConfig::kDefaultServerUrl));
    EXPECT_EQ(cfg->Language(), deviceLanguageDefault());
    EXPECT_EQ(cfg->Login(), QStringLiteral("shop7"));
}

TEST_F(ConfigTest, ElementNamedAfterTheClassLoadsAndIsSavedAsConfig)
{
    ASSERT_TRUE(testsupport::writeAll(
        userFile(), configDoc("<TConfig.Login type=\"UString\">shop9</TConfig.Login>\r\n", "TConfig")));
    auto cfg = start();
    EXPECT_EQ(cfg->IOerrorMsg(), QString());
    EXPECT_EQ(cfg->Login(), QStringLiteral("shop9"));
    cfg->SetLanguage(QStringLiteral("de"));
    cfg->Save();
    const QByteArray saved = testsupport::readAll(userFile());
    EXPECT_TRUE(saved.contains("<Config>"));
    EXPECT_TRUE(saved.contains("<Config.Login type=\"UString\">shop9</Config.Login>"));
    EXPECT_FALSE(saved.contains("TConfig"));
}

TEST_F(ConfigTest, UnknownKeysAreSkippedAndTheRestLoads)
{
    ASSERT_TRUE(testsupport::writeAll(userFile(),
                                      configDoc("<Config.NoLongerAKey type=\"UString\">x</Config.NoLongerAKey>\r\n"
                                                "<Config.Login type=\"UString\">shop7</Config.Login>\r\n")));
    auto cfg = start();
    EXPECT_EQ(cfg->IOerrorMsg(), QString());
    EXPECT_EQ(cfg->Login(), QStringLiteral("shop7"));
}

TEST_F(ConfigTest, SavedFileHoldsEveryKeyInOrder)
{
    auto cfg = start();
    cfg->SetLanguage(QStringLiteral("fr"));
    cfg->SetPassword(QStringLiteral("p<&>\"'"));
    cfg->SetPopupHelpOpened(QStringLiteral("a;b"));
    cfg->SetQzuseMode(TQzUseMode::FullTouchScreen);
    cfg->SetBluetoothMode(TBluetoothMode::BluetoothExtern);
    cfg->SetGalleryProCoeff(0.1 + 0.2);
    cfg->Save();
    const QByteArray expected = testsupport::readAll(testsupport::dataPath("config_saved.qzcfg"));
    ASSERT_FALSE(expected.isEmpty());
    QByteArray saved = testsupport::readAll(userFile());
    // The default server address is this build's; compare the rest.
    EXPECT_EQ(saved, expected);

    auto again = start();
    EXPECT_EQ(again->Password(), QStringLiteral("p<&>\"'"));
    EXPECT_EQ(again->QzuseMode(), TQzUseMode::FullTouchScreen);
    EXPECT_EQ(again->BluetoothMode(), TBluetoothMode::BluetoothExtern);
    EXPECT_EQ(again->GalleryProCoeff(), 0.1 + 0.2);
    EXPECT_EQ(again->PopupHelpOpened(), QStringLiteral("a;b"));
}

// --- setters, without any file

class ConfigKeysTest : public ::testing::Test {
protected:
    struct Bare : TConfig {
        Bare() = default;
        using TConfig::ClearDirty;
    };
    Bare fCfg;
};

TEST_F(ConfigKeysTest, ANewObjectIsDirty)
{
    EXPECT_TRUE(fCfg.IsDirty());
}

struct ClampCase {
    const char* name;
    void (TConfig::*set)(float);
    float (TConfig::*get)() const;
    float value;
    float expected;
};

TEST_F(ConfigKeysTest, SizeKeysAreClamped)
{
    const ClampCase cases[] = {
        { "zoom below", &TConfig::SetZoomFactor, &TConfig::ZoomFactor, 20, 50 },
        { "zoom above", &TConfig::SetZoomFactor, &TConfig::ZoomFactor, 151, 150 },
        { "zoom inside", &TConfig::SetZoomFactor, &TConfig::ZoomFactor, 120.5f, 120.5f },
        { "thumbnails above", &TConfig::SetThumbnailsFactor, &TConfig::ThumbnailsFactor, 1000, 400 },
        { "thumbnails below", &TConfig::SetThumbnailsFactor, &TConfig::ThumbnailsFactor, 49.9f, 50 },
        { "big thumbnails above", &TConfig::SetThumbnailsBigFactor, &TConfig::ThumbnailsBigFactor, 401, 400 },
        { "overview thumbnails", &TConfig::SetThumbnailsOvwFactor, &TConfig::ThumbnailsOvwFactor, 400, 400 },
    };
    for (const ClampCase& c : cases) {
        SCOPED_TRACE(c.name);
        (fCfg.*c.set)(c.value);
        EXPECT_EQ((fCfg.*c.get)(), c.expected);
    }
}

struct DirtyCase {
    const char* name;
    std::function<void(TConfig&)> prepare;
    std::function<void(TConfig&)> change;
    bool dirty;
};

TEST_F(ConfigKeysTest, OnlyAChangedValueMarksTheObjectDirty)
{
    const DirtyCase cases[] = {
        { "same language", [](TConfig& c) { c.SetLanguage("fr"); }, [](TConfig& c) { c.SetLanguage("fr"); }, false },
        { "language in other case", [](TConfig& c) { c.SetLanguage("fr"); }, [](TConfig& c) { c.SetLanguage("FR"); },
          true },
        { "same flag", [](TConfig&) { }, [](TConfig& c) { c.SetAutoLogin(true); }, false },
        { "other flag", [](TConfig&) { }, [](TConfig& c) { c.SetAutoLogin(false); }, true },
        { "same mode", [](TConfig&) { }, [](TConfig& c) { c.SetQzuseMode(TQzUseMode::Std); }, false },
        { "zoom clamping to the current value", [](TConfig& c) { c.SetZoomFactor(150); },
          [](TConfig& c) { c.SetZoomFactor(200); }, true },
        { "same zoom", [](TConfig& c) { c.SetZoomFactor(150); }, [](TConfig& c) { c.SetZoomFactor(150); }, false },
        { "log level same low byte", [](TConfig&) { }, [](TConfig& c) { c.SetLogFileLevel(256 + 30); }, false },
        { "help popups written", [](TConfig&) { }, [](TConfig& c) { c.SetPopupHelpOpened("a;b"); }, false },
        { "help popup added", [](TConfig&) { }, [](TConfig& c) { c.popupHelpOpenedListAdd("a"); }, true },
        { "same coefficient", [](TConfig&) { }, [](TConfig& c) { c.SetGalleryProCoeff(1.0); }, false },
    };
    for (const DirtyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bare cfg;
        c.prepare(cfg);
        cfg.ClearDirty();
        c.change(cfg);
        EXPECT_EQ(cfg.IsDirty(), c.dirty);
    }
}

TEST_F(ConfigKeysTest, LogLevelKeepsTheLowByte)
{
    fCfg.SetLogFileLevel(256 + 5);
    EXPECT_EQ(fCfg.LogFileLevel(), 5);
}

TEST_F(ConfigKeysTest, LoginOrPasswordFilledNeedsBoth)
{
    EXPECT_FALSE(fCfg.IsLoginOrPasswordFilled());
    fCfg.SetLogin(QStringLiteral("shop"));
    EXPECT_FALSE(fCfg.IsLoginOrPasswordFilled());
    fCfg.SetPassword(QStringLiteral("pwd"));
    EXPECT_TRUE(fCfg.IsLoginOrPasswordFilled());
    fCfg.SetLogin(QString());
    EXPECT_FALSE(fCfg.IsLoginOrPasswordFilled());
}

TEST_F(ConfigKeysTest, HelpPopupKeysAreJoinedWithSemicolons)
{
    fCfg.SetPopupHelpOpened(QStringLiteral("cart;crop"));
    EXPECT_EQ(fCfg.getPopupHelpOpenedList(), QStringList({ "cart", "crop" }));
    EXPECT_EQ(fCfg.PopupHelpOpened(), QStringLiteral("cart;crop"));
    fCfg.SetPopupHelpOpened(QStringLiteral("a;;b"));
    EXPECT_EQ(fCfg.getPopupHelpOpenedList(), QStringList({ "a", "", "b" }));
    fCfg.popupHelpOpenedListAdd(QStringLiteral("a"));
    EXPECT_EQ(fCfg.PopupHelpOpened(), QStringLiteral("a;;b;a"));
    fCfg.SetPopupHelpOpened(QString());
    EXPECT_TRUE(fCfg.getPopupHelpOpenedList().isEmpty());
}

} // namespace
