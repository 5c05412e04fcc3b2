// Folders and files computed from the configuration, the theme catalogue
// names, the version and crash markers and the clean-ups.
#include "ConfigTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

class ConfigPathsTest : public ConfigTestBase {
protected:
    // A writable file beside the executable: everything lies beside it.
    std::unique_ptr<TTestConfig> startNearExe()
    {
        EXPECT_TRUE(testsupport::writeAll(exeFile(), configDoc("")));
        auto cfg = start();
        EXPECT_TRUE(cfg->AllFilesNearCfgFile());
        return cfg;
    }
};

struct PathCase {
    const char* name;
    std::function<QString(TConfig&)> op;
    const char* base;     // "cfg", "cache", "temp", "exe" or "internal"
    const char* rest;     // what follows the base and one separator
    bool createdFolder;   // the operation creates the folder it returns
};

TEST_F(ConfigPathsTest, PathTableBesideTheExecutable)
{
    auto cfg = startNearExe();
    const QString k = fPlaces.exe;
    const QString cache = k + QStringLiteral("/Cache");
    const QString temp = k + QStringLiteral("/Temp");
    const QString internal = cache + QStringLiteral("/internalRes");
    const PathCase cases[] = {
        { "temp folder", [](TConfig& c) { return c.CalcTempPath(); }, "cfg", "Temp", true },
        { "cache folder", [](TConfig& c) { return c.CalcCachePath(); }, "cfg", "Cache", true },
        { "internal resources", [](TConfig& c) { return c.CalcInternalResPath(); }, "cache", "internalRes", true },
        { "log folder", [](TConfig& c) { return c.CalcLogFilePath(); }, "cfg", "Logs", false },
        { "keyboard log folder", [](TConfig& c) { return c.CalcVkbLogFilePath(); }, "cfg", "Logs", false },
        { "order archive", [](TConfig& c) { return c.CalcOrderArchivePath(); }, "cfg", "Order Archive", false },
        { "order backup", [](TConfig& c) { return c.CalcOrderBackupPath(); }, "cfg", "Order Backup", false },
        { "local orders", [](TConfig& c) { return c.CalcLocalOrdersPath(); }, "cfg", "Orders", true },
        { "demo pictures", [](TConfig& c) { return c.CalcDemoImagePath(); }, "cfg", "Demo Pictures", false },
        { "shop pictures", [](TConfig& c) { return c.CalcGalleryProPath(); }, "cfg", "Shop Pictures", false },
        { "calibration", [](TConfig& c) { return c.GetCalibrationPath(); }, "cfg", "calibration.jpg", false },
        { "languages export", [](TConfig& c) { return c.CalcLanguagesExportPath(); }, "cfg", "LanguagesExport", true },
        { "companion program", [](TConfig& c) { return c.GetRuVodevadeExePath(); }, "exe", "RuVodevade", false },
        { "companion file", [](TConfig& c) { return c.GetRuVodevadeConfigPath(); }, "temp", "RuVodevade.cfg", false },
        { "update download", [](TConfig& c) { return c.GetUpdateTempPath(); }, "temp", "Update temp", false },
        { "update unpack", [](TConfig& c) { return c.GetUpdateInstallPathRoot(); }, "temp", "Update install", false },
        { "update platform", [](TConfig& c) { return c.FolderUpdateInstallPathWithOS(); }, "temp",
          "Update install/linux64", false },
        { "kiosk in use", [](TConfig& c) { return c.GetKioskInUsePath(); }, "temp", "KioskInUse.qz", false },
        { "kiosk locked", [](TConfig& c) { return c.GetKioskLockedPath(); }, "temp", "KioskLocked.qz", false },
        { "kiosk locked (info)", [](TConfig& c) { return c.CalcFileKioskLockedPath(); }, "temp", "KioskLocked.qz",
          false },
        { "bluetooth", [](TConfig& c) { return c.CalcBluetoothPath(); }, "temp", "Bluetooth", false },
        { "offline kiosk", [](TConfig& c) { return c.CalcKioskOffLinePath(); }, "temp", "KioskOffLine", false },
        { "images cache", [](TConfig& c) { return c.CalcImagesCachePath(); }, "temp", "ImagesCache", true },
        { "order backup file", [](TConfig& c) { return c.GetFileOrderBackupPath(); }, "cache", "OrderBackup.qzo",
          false },
        { "style file", [](TConfig& c) { return c.CalcStyleInfoPath(); }, "cache", "styleInfo.xml", false },
        { "boot catalogue", [](TConfig& c) { return c.GetShopInfoBootPath(); }, "cache", "ShopInfoBoot.qzinf", false },
        { "common catalogue", [](TConfig& c) { return c.GetShopInfoCommonPath(); }, "cache", "ShopInfoCommon.qzinf",
          false },
        { "print catalogue", [](TConfig& c) { return c.GetShopInfoProdPrintPath(); }, "cache", "ShopInfoPrint.qzinf",
          false },
        { "template catalogue", [](TConfig& c) { return c.GetShopInfoProdTplPath(); }, "cache", "ShopInfoTpl.qzinf",
          false },
        { "book catalogue", [](TConfig& c) { return c.GetShopInfoProdBookPath(); }, "cache", "ShopInfoBook.qzinf",
          false },
        { "scrap pictures", [](TConfig& c) { return c.CalcCacheScrapPath(); }, "cache", "scrapPictures", true },
        { "scrap picture", [](TConfig& c) { return c.CalcCacheScrapFilePath("heart-01.png"); }, "cache",
          "scrapPictures/heart-01.png", false },
        { "visuals", [](TConfig& c) { return c.CalcCacheVisualsPath(); }, "cache", "visuals", true },
        { "visual", [](TConfig& c) { return c.CalcCacheVisualsFilePath(4711); }, "cache", "visuals/4711.jpg", false },
        { "price prefix", [](TConfig& c) { return c.GetPriceFilePath(); }, "internal", "price-file-", false },
        { "price file", [](TConfig& c) { return c.CalcFilePricePath("abc.pdf"); }, "internal", "price-file-abc.pdf",
          false },
        { "logo", [](TConfig& c) { return c.CalcLogoPath(); }, "internal", "zeb-logo.png", false },
        { "front print with date", [](TConfig& c) { return c.CalcFrontPrintImgWithDate(); }, "internal",
          "ImgWithDate.jpg", false },
        { "front print with date and time", [](TConfig& c) { return c.CalcFrontPrintImgWithDateTime(); }, "internal",
          "ImgWithDateTime.jpg", false },
        { "front print without date", [](TConfig& c) { return c.CalcFrontPrintImgWithoutDate(); }, "internal",
          "ImgWithoutDate.jpg", false },
        { "soft crash marker", [](TConfig& c) { return c.SoftCrashFilePath(); }, "cache", "3.2.0.15.crash.vers",
          false },
        { "hard crash marker", [](TConfig& c) { return c.HardCrashFilePath(); }, "cache", "3.2.0.15.crash2.vers",
          false },
        { "version marker", [](TConfig& c) { return c.VersionMarkerFilePath(); }, "cache", "3.2.0.15.vers", false },
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = QString::fromLatin1(c.base);
        const QString root = base == "cfg" ? k : base == "cache" ? cache : base == "temp" ? temp
            : base == "exe"                ? k
                                           : internal;
        const QString path = c.op(*cfg);
        EXPECT_EQ(path, root + QLatin1Char('/') + QString::fromLatin1(c.rest));
        if (c.createdFolder)
            EXPECT_TRUE(QFileInfo(path).isDir());
    }
    // Nothing was made in the per-user folders.
    EXPECT_FALSE(QFileInfo::exists(fPlaces.cache));
    EXPECT_FALSE(QFileInfo::exists(fPlaces.temp));
}

TEST_F(ConfigPathsTest, PerUserFileUsesThePerUserCacheAndTemporaryFolders)
{
    auto cfg = start();
    ASSERT_FALSE(cfg->AllFilesNearCfgFile());
    EXPECT_EQ(cfg->CalcCachePath(), fPlaces.cache);
    EXPECT_EQ(cfg->CalcTempPath(), fPlaces.temp);
    EXPECT_EQ(cfg->GetShopInfoBootPath(), fPlaces.cache + QStringLiteral("/ShopInfoBoot.qzinf"));
    EXPECT_EQ(cfg->CalcLogFilePath(), fPlaces.user + QStringLiteral("/Logs"));
    EXPECT_EQ(cfg->CalcLocalOrdersPath(), fPlaces.user + QStringLiteral("/Orders"));
}

TEST_F(ConfigPathsTest, KeysReplaceTheDefaultFolders)
{
    auto cfg = start();
    cfg->SetLogFilePath(QStringLiteral("/var/log/kiosk"));
    cfg->SetOrderArchivePath(QStringLiteral("/srv/archive"));
    cfg->SetOrderBackupPath(QStringLiteral("/srv/backup"));
    cfg->SetBluetoothPath(QStringLiteral("/srv/bt"));
    cfg->SetKioskOffLinePath(QStringLiteral("/srv/offline"));
    EXPECT_EQ(cfg->CalcLogFilePath(), QStringLiteral("/var/log/kiosk"));
    EXPECT_EQ(cfg->CalcOrderArchivePath(), QStringLiteral("/srv/archive"));
    EXPECT_EQ(cfg->CalcOrderBackupPath(), QStringLiteral("/srv/backup"));
    EXPECT_EQ(cfg->CalcBluetoothPath(), QStringLiteral("/srv/bt"));
    EXPECT_EQ(cfg->CalcKioskOffLinePath(), QStringLiteral("/srv/offline"));
}

struct ThemeCase {
    const char* name;
    int theme, width, height;
    const char* fileName; // null: raises
};

TEST_F(ConfigPathsTest, ThemeCatalogueFileNames)
{
    auto cfg = start();
    const ThemeCase cases[] = {
        { "theme with sizes", 12, 200, 150, "ShopTplInfo-12-150-200.qzinf" },
        { "no size", 7, 0, 0, "ShopTplInfo-7.qzinf" },
        { "landscape", 7, 300, 200, "ShopTplInfo-7-200-300.qzinf" },
        { "portrait", 7, 200, 300, "ShopTplInfo-7-200-300.qzinf" },
        { "one side only", 7, 0, 90, "ShopTplInfo-7-0-90.qzinf" },
        { "calendar models", -2, 10, 20, "ShopTplInfo-CM-10-20.qzinf" },
        { "calendar pictures", -3, 0, 0, "ShopTplInfo-CA.qzinf" },
        { "search pattern", -1, -1, -1, "ShopTplInfo-*.qzinf" },
        { "smallest theme", 2, 0, 0, "ShopTplInfo-2.qzinf" },
        { "theme 1", 1, 0, 0, nullptr },
        { "theme 0", 0, 0, 0, nullptr },
        { "theme -4", -4, 0, 0, nullptr },
    };
    for (const ThemeCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.fileName) {
            try {
                cfg->GetShopTplInfoPath(c.theme, c.width, c.height);
                ADD_FAILURE() << "no exception";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("TConfig.GetShopTplInfoPath: invalid theme id"));
            }
            continue;
        }
        EXPECT_EQ(cfg->GetShopTplInfoPath(c.theme, c.width, c.height),
                  fPlaces.cache + QLatin1Char('/') + QString::fromLatin1(c.fileName));
    }
}

TEST_F(ConfigPathsTest, ThemeCatalogueFilesAreListedAndCleaned)
{
    auto cfg = start();
    const QString cache = cfg->CalcCachePath();
    for (const char* name : { "ShopTplInfo-12.qzinf", "ShopTplInfo-CM-10-20.qzinf", "ShopInfoBoot.qzinf",
                              "ShopTplInfo-7.qzinf.bak" })
        ASSERT_TRUE(testsupport::writeAll(cache + QLatin1Char('/') + QString::fromLatin1(name), "x"));
    QDir().mkpath(cache + QStringLiteral("/ShopTplInfo-dir.qzinf"));

    QStringList files = cfg->GetShopTplInfoFiles();
    files.sort();
    EXPECT_EQ(files, QStringList({ cache + "/ShopTplInfo-12.qzinf", cache + "/ShopTplInfo-CM-10-20.qzinf" }));

    cfg->CleanShopTplInfoFiles();
    EXPECT_TRUE(cfg->GetShopTplInfoFiles().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(cache + "/ShopInfoBoot.qzinf"));
    EXPECT_TRUE(QFileInfo::exists(cache + "/ShopTplInfo-7.qzinf.bak"));
    EXPECT_TRUE(QFileInfo(cache + "/ShopTplInfo-dir.qzinf").isDir());
}

TEST_F(ConfigPathsTest, ReceiptLogoPrefersJpegThenPngThenNoExtension)
{
    auto cfg = start();
    const QString base = cfg->CalcInternalResPath() + QStringLiteral("/receipt-logo");
    EXPECT_EQ(cfg->GetReceiptLogoPath(), QString());
    ASSERT_TRUE(testsupport::writeAll(base, "x"));
    EXPECT_EQ(cfg->GetReceiptLogoPath(), base);
    ASSERT_TRUE(testsupport::writeAll(base + ".png", "x"));
    EXPECT_EQ(cfg->CalcFileReceiptLogoPath(), base + ".png");
    ASSERT_TRUE(testsupport::writeAll(base + ".jpg", "x"));
    EXPECT_EQ(cfg->GetReceiptLogoPath(), base + ".jpg");
}

TEST_F(ConfigPathsTest, FirstBootOfAVersionCleansOldMarkersAndExtractedLanguages)
{
    auto cfg = start();
    const QString cache = cfg->CalcCachePath();
    for (const char* name : { "3.1.0.9.vers", "3.1.0.9.crash2.vers", "langapp_fr.xmlres", "langapp_fr.xml" })
        ASSERT_TRUE(testsupport::writeAll(cache + QLatin1Char('/') + QString::fromLatin1(name), ""));

    EXPECT_TRUE(cfg->DoOpOnFirstAppVersionBoot());
    EXPECT_TRUE(QFileInfo::exists(cache + "/3.2.0.15.vers"));
    EXPECT_FALSE(QFileInfo::exists(cache + "/3.1.0.9.vers"));
    EXPECT_FALSE(QFileInfo::exists(cache + "/3.1.0.9.crash2.vers"));
    EXPECT_FALSE(QFileInfo::exists(cache + "/langapp_fr.xmlres"));
    EXPECT_TRUE(QFileInfo::exists(cache + "/langapp_fr.xml"));

    // Second start of the same version: nothing is touched.
    ASSERT_TRUE(testsupport::writeAll(cache + "/langcom_fr.xmlres", ""));
    cfg->HardCrashDetectionStart();
    EXPECT_FALSE(cfg->DoOpOnFirstAppVersionBoot());
    EXPECT_TRUE(QFileInfo::exists(cache + "/langcom_fr.xmlres"));
    EXPECT_TRUE(QFileInfo::exists(cfg->HardCrashFilePath()));
}

TEST_F(ConfigPathsTest, HardCrashMarkerFollowsStartAndEnd)
{
    auto cfg = start();
    EXPECT_EQ(cfg->HardCrashStatus(), 0);
    EXPECT_FALSE(cfg->IsHardCrashDetected()); // no marker: detection starts
    EXPECT_EQ(cfg->HardCrashStatus(), 1);
    EXPECT_TRUE(QFileInfo::exists(cfg->HardCrashFilePath()));
    EXPECT_TRUE(cfg->IsHardCrashDetected()); // a marker left behind

    cfg->HardCrashDetectionEnd();
    EXPECT_EQ(cfg->HardCrashStatus(), -1);
    EXPECT_FALSE(QFileInfo::exists(cfg->HardCrashFilePath()));
    EXPECT_FALSE(cfg->IsHardCrashDetected()); // after a clean end
    EXPECT_TRUE(QFileInfo::exists(cfg->HardCrashFilePath()));
    EXPECT_EQ(cfg->HardCrashStatus(), 1);
}

TEST_F(ConfigPathsTest, SoftCrashDetectionOnlyEnds)
{
    auto cfg = start();
    EXPECT_FALSE(cfg->IsSoftCrashDetected());
    ASSERT_TRUE(testsupport::writeAll(cfg->SoftCrashFilePath(), ""));
    cfg->SoftCrashDetectionStart();
    EXPECT_EQ(cfg->SoftCrashStatus(), 0);
    cfg->SoftCrashDetectionEnd();
    EXPECT_EQ(cfg->SoftCrashStatus(), -1);
    EXPECT_FALSE(QFileInfo::exists(cfg->SoftCrashFilePath()));
}

struct SafeNameCase {
    const char* name;
    QString input;
    QString expected;
};

TEST(ConfigSafeFileName, LabTextsCannotLeaveTheirFolder)
{
    const SafeNameCase cases[] = {
        { "plain id unchanged", "heart-01.png", "heart-01.png" },
        { "spaces and accents unchanged", "cœur été (2).png", "cœur été (2).png" },
        { "parent folder", "../../etc/passwd", ".._.._etc_passwd" },
        { "dot dot", "..", "_.." },
        { "dot", ".", "_." },
        { "empty", "", "_" },
        { "backslash", "a\\b", "a_b" },
        { "control character", QString("a") + QChar(1) + "b", "a_b" },
        { "absolute path", "/tmp/x", "_tmp_x" },
    };
    for (const SafeNameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TConfig::SafeFileNamePart(c.input), c.expected);
    }
}

TEST_F(ConfigPathsTest, ScrapIdFromTheLabStaysInsideItsFolder)
{
    auto cfg = start();
    const QString path = cfg->CalcCacheScrapFilePath(QStringLiteral("../../evil"));
    EXPECT_EQ(QFileInfo(path).absolutePath(), cfg->CalcCacheScrapPath());
    const QString price = cfg->CalcFilePricePath(QStringLiteral("../x.pdf"));
    EXPECT_EQ(QFileInfo(price).absolutePath(), cfg->CalcInternalResPath());
}

} // namespace
