// The hidden back-office popup: the diagnostic archive (entries, order, no
// password), the drive list and its watch, the archive copied to a drive,
// and the actions it makes reachable.
#include "ToolsTestSupport.h"

#include "../persistence/ConfigTestSupport.h"

#include "UCtrlPopupHiddenBck.h"
#include "UAppStyle.h"
#include "UPopupPanel.h"
#include "UTools.h"
#include "UVirtualKeyboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <zip.h>

namespace {

struct ZipContent {
    QStringList names;
    QHash<QString, QByteArray> data;
};

ZipContent readZip(const QString& path)
{
    ZipContent c;
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err);
    if (!za)
        return c;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        const QString name = QString::fromUtf8(zip_get_name(za, zip_uint64_t(i), 0));
        c.names << name;
        zip_stat_t st;
        zip_stat_index(za, zip_uint64_t(i), 0, &st);
        QByteArray bytes(qsizetype(st.size), '\0');
        if (zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0)) {
            zip_fread(f, bytes.data(), st.size);
            zip_fclose(f);
        }
        c.data.insert(name, bytes);
    }
    zip_close(za);
    return c;
}

class FakeDrives : public IRemovableDrives {
public:
    void Refresh() override { ++Refreshes; }
    quint32 RefreshCounter() override { return Counter; }
    QList<TRemovableDrive> Drives() override { return List; }
    QList<TRemovableDrive> List;
    quint32 Counter = 1;
    int Refreshes = 0;
};

class HiddenBckTest : public ConfigTestBase {
protected:
    void SetUp() override
    {
        ConfigTestBase::SetUp();
        fCfg = start();
        fCfg->SetPassword(QStringLiteral("s3cret-kiosk"));
        fCfg->SetLogin(QStringLiteral("shop42"));
        fCfg->Save();
    }
    void write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        TAppTools::WriteByteArrayToFile(bytes, path);
    }
    std::unique_ptr<TTestConfig> fCfg;
};

} // namespace

TEST_F(HiddenBckTest, ArchiveHoldsTheListedEntriesInOrderAndNoPassword)
{
    write(fCfg->CalcLogFilePath() + QStringLiteral("/kiosk.log"), "log line");
    write(fCfg->CalcLogFilePath() + QStringLiteral("/old/older.log"), "not taken: subfolder");
    write(fCfg->CalcLogFilePath() + QStringLiteral("/notes.txt"), "not taken: not a log");
    write(fCfg->GetFileOrderBackupPath(), "<order/>");
    write(fCfg->GetShopInfoBootPath(), "boot");
    write(fCfg->GetShopInfoProdPrintPath(), "prints");
    write(fCfg->GetShopTplInfoPath(107, 100, 150), "frames");
    write(fCfg->CalcStyleInfoPath(), "<style/>");
    write(fCfg->CalcFrontPrintImgWithDate(), "jpg");

    const QString zip = TCtrlPopupHiddenBck::makeZipFile(*fCfg);
    EXPECT_EQ(QFileInfo(zip).absolutePath(), QFileInfo(fCfg->CalcTempPath()).absoluteFilePath());
    const ZipContent c = readZip(zip);
    const QString cfgName = QFileInfo(fCfg->FilePath()).fileName();
    const QStringList expected = {
        QStringLiteral("Logs/kiosk.log"),
        cfgName,
        QStringLiteral("Cache/OrderBackup.qzo"),
        QStringLiteral("Cache/") + QFileInfo(fCfg->GetShopInfoBootPath()).fileName(),
        QStringLiteral("Cache/") + QFileInfo(fCfg->GetShopInfoProdPrintPath()).fileName(),
        QStringLiteral("Cache/") + QFileInfo(fCfg->GetShopTplInfoPath(107, 100, 150)).fileName(),
        QStringLiteral("Cache/styleInfo.xml"),
        QStringLiteral("internalRes/") + QFileInfo(fCfg->CalcFrontPrintImgWithDate()).fileName(),
    };
    EXPECT_EQ(c.names, expected);
    EXPECT_EQ(c.data.value(QStringLiteral("Logs/kiosk.log")), QByteArray("log line"));
    const QByteArray cfgBytes = c.data.value(cfgName);
    EXPECT_TRUE(TAppTools::LoadByteArrayFromFile(fCfg->FilePath()).contains("s3cret-kiosk"));
    EXPECT_FALSE(cfgBytes.contains("s3cret-kiosk"));
    EXPECT_TRUE(cfgBytes.contains("shop42"));
    for (const QByteArray& bytes : c.data)
        EXPECT_FALSE(bytes.contains("s3cret-kiosk"));
    QFile::remove(zip);
}

TEST_F(HiddenBckTest, ArchiveWithoutLogsOrCachesStillHoldsTheConfiguration)
{
    const QString zip = TCtrlPopupHiddenBck::makeZipFile(*fCfg);
    EXPECT_EQ(readZip(zip).names, QStringList { QFileInfo(fCfg->FilePath()).fileName() });
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{12}-.+\\.zip$")).match(QFileInfo(zip).fileName()).hasMatch());
    QFile::remove(zip);
}

TEST(HiddenBckConfig, PasswordsAreBlankedWhateverTheirPlace)
{
    struct Case {
        const char* name;
        QByteArray in;
        QByteArray mustNotContain;
        QByteArray mustContain;
    };
    const Case cases[] = {
        { "plain element", "<Config><Login>me</Login><Password>pw1</Password></Config>", "pw1", "<Login>me</Login>" },
        { "letter case", "<Config><PASSWORD>pw2</PASSWORD></Config>", "pw2", "PASSWORD" },
        { "pwd suffix", "<Config><BluetoothDevicePwd>pw3</BluetoothDevicePwd></Config>", "pw3", "BluetoothDevicePwd" },
        { "nested value", "<Config><FtpPassword><Value>pw4</Value></FtpPassword><X>keep</X></Config>", "pw4", "keep" },
        { "CDATA", "<Config><Password><![CDATA[pw5]]></Password></Config>", "pw5", "<Config>" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray out = TCtrlPopupHiddenBck::ConfigWithoutPasswords(c.in);
        EXPECT_FALSE(out.contains(c.mustNotContain)) << out.constData();
        EXPECT_TRUE(out.contains(c.mustContain)) << out.constData();
    }
    // A damaged file is left out rather than copied with its secrets.
    EXPECT_TRUE(TCtrlPopupHiddenBck::ConfigWithoutPasswords("<Config><Password>pw6</Pass").isEmpty());
}

TEST_F(HiddenBckTest, PopupListsWritableDrivesAndCopiesTheArchiveToOne)
{
    TAppStyle::Apply(*qApp);
    TestToolsWindow win(fCfg.get());
    auto drives = std::make_shared<FakeDrives>();
    const QString stick = fDir.filePath(QStringLiteral("media/STICK"));
    QDir().mkpath(stick);
    drives->List = { { QStringLiteral("CDROM"), fDir.filePath(QStringLiteral("media/cd")), true, true },
                     { QStringLiteral("Internal"), fDir.filePath(QStringLiteral("media/int")), false, false } };
    win.SetRemovableDrives(drives);
    TVirtualKeyboardService::SetAutoShowMode(TVKAutoShowMode::Never);
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    TMainFrameTools::setActionActivatedStatus(win.Action(QStringLiteral("ActionExitApp")), false);
    win.hiddenBackOfficeShow();
    auto* box = win.findChild<QGroupBox*>(QStringLiteral("gbPopUpHiddenBck"));
    ASSERT_TRUE(box && box->isVisible());
    auto* list = box->findChild<QComboBox*>(QStringLiteral("cbPopUpHiddenBckSelectDrive"));
    auto* backup = box->findChild<QPushButton*>(QStringLiteral("SpeedButtonPopUpHiddenBckBackup"));
    EXPECT_EQ(list->count(), 0); // read-only and fixed drives are not offered
    EXPECT_FALSE(backup->isVisible());
    EXPECT_FALSE(box->findChild<QWidget*>(QStringLiteral("FlowLayoutHiddenBckContentToHttp"))->isVisible());
    EXPECT_FALSE(box->findChild<QCheckBox*>(QStringLiteral("cbPopupHiddenBckAutoHideKeyboard"))->isVisible());
    EXPECT_TRUE(win.Action(QStringLiteral("ActionExitApp"))->isVisible());
    EXPECT_TRUE(box->findChild<QLabel*>(QStringLiteral("LabelPopUpHiddenBckStatus"))->text().startsWith(QStringLiteral("DL: ")));

    // A stick is plugged in: the watch lists it and selects it.
    drives->List.append({ QStringLiteral("STICK"), stick, true, false });
    ++drives->Counter;
    ASSERT_TRUE(testsupport::waitFor([&] { return list->count() == 1; }, 5000));
    EXPECT_EQ(list->currentText(), QStringLiteral("STICK"));
    EXPECT_TRUE(backup->isVisible());
    win.grab().save(QStringLiteral("/tmp/periphery-backoffice.png"));

    QTest::mouseClick(backup, Qt::LeftButton);
    EXPECT_FALSE(box->isEnabled()); // inert while busy
    win.RunQueue();
    const QStringList onStick = QDir(stick).entryList(QDir::Files);
    ASSERT_EQ(onStick.size(), 1);
    EXPECT_TRUE(onStick[0].endsWith(QStringLiteral(".zip")));
    EXPECT_FALSE(readZip(QDir(stick).filePath(onStick[0])).names.isEmpty());
    ASSERT_EQ(win.Infos.size(), 1);
    EXPECT_EQ(win.Infos[0], QStringLiteral("A zip backup was successfully created at path : \n") + QDir(stick).filePath(onStick[0]));
    EXPECT_TRUE(box->isEnabled());
    // The temporary archive is gone.
    EXPECT_TRUE(TFileTools::GetFiles(fCfg->CalcTempPath(), { QStringLiteral("*.zip") }).isEmpty());

    // A copy never replaces an archive of the same name (same second, same
    // computer): every name of the next seconds is taken already.
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s <= 5; ++s)
        TAppTools::WriteByteArrayToFile("keep", QDir(stick).filePath(TCtrlPopupHiddenBck::ZipFileName(now.addSecs(s))));
    QTest::mouseClick(backup, Qt::LeftButton);
    win.RunQueue();
    ASSERT_EQ(win.Errors.size(), 1);
    EXPECT_EQ(win.Errors[0], QStringLiteral("The ZIP creation has failed on your media"));
    for (const QString& f : QDir(stick).entryList({ QStringLiteral("*.zip") }, QDir::Files))
        if (f != onStick[0])
            EXPECT_EQ(TAppTools::LoadByteArrayFromFile(QDir(stick).filePath(f)), QByteArray("keep"));
    EXPECT_TRUE(TFileTools::GetFiles(fCfg->CalcTempPath(), { QStringLiteral("*.zip") }).isEmpty());
    EXPECT_TRUE(QDir(stick).entryList({ QStringLiteral("*.part") }, QDir::Files).isEmpty());

    // Closing gives the exit action its visibility back.
    box->findChild<QPushButton*>(QStringLiteral("ButtonPopUpHiddenBckClose"))->click();
    EXPECT_FALSE(win.Action(QStringLiteral("ActionExitApp"))->isVisible());
    TVirtualKeyboardService::SetAutoShowMode(TVKAutoShowMode::DefinedBySystem);
}

TEST_F(HiddenBckTest, DebugSwitchIsStoredAndAnnounced)
{
    TestToolsWindow win(fCfg.get());
    win.show();
    int debugEvents = 0;
    struct Obs : IMainObserver {
        int* count;
        explicit Obs(int* c) : count(c) { }
        void OnMainObservedEvent(TMainObservedEvent, void*) override { ++*count; }
    };
    auto obs = std::make_shared<Obs>(&debugEvents);
    win.EventObserverRegister(obs, moe_debugMode);
    win.hiddenBackOfficeShow();
    auto* debug = win.findChild<QCheckBox*>(QStringLiteral("cbPopupHiddenBckDebugMode"));
    EXPECT_FALSE(debug->isChecked());
    debug->click();
    EXPECT_TRUE(fCfg->DebugMode());
    EXPECT_EQ(debugEvents, 1);
    win.EventObserverUnregister(obs, moe_debugMode);
}
