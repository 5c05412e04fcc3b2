// The software-update popup against a server folder held in memory: the
// version check, the verified download, and what is refused.
#include "ToolsTestSupport.h"

#include "../persistence/ConfigTestSupport.h"

#include "UCtrlPopupCalibration.h"
#include "UCtrlPopupUpdater.h"
#include "ULabPartyContracts.h"
#include "UAppStyle.h"
#include "UPopupPanel.h"
#include "UTools.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class FakeUpdateServer : public IUpdateServer {
public:
    QStringList List(const QString& folder) override
    {
        ++Lists;
        if (folder != Folder)
            throw Exception(QStringLiteral("not found: ") + folder);
        return Files.keys();
    }
    qint64 FileSize(const QString& path) override
    {
        ++Sizes;
        return Files.value(path).size();
    }
    QByteArray DownloadBytes(const QString& path) override { return Files.value(path); }
    void Download(const QString& localPath, const QString& path) override
    {
        Downloads << path;
        const QByteArray bytes = Damaged.value(path, Files.value(path));
        if (fProgress)
            fProgress(bytes.size(), 1000, 500);
        TAppTools::WriteByteArrayToFile(bytes, localPath);
    }
    bool VerifiedTls() const override { return Tls; }
    void MeasureStart() override { }
    void SetProgress(TProgress progress) override { fProgress = std::move(progress); }

    QString Folder = QStringLiteral("ZebUpdate/linux64");
    QMap<QString, QByteArray> Files;
    QMap<QString, QByteArray> Damaged;
    bool Tls = true;
    int Lists = 0, Sizes = 0;
    QStringList Downloads;
    TProgress fProgress;
};

QByteArray programWithVersion(const QString& version)
{
    return QByteArray(400, '\0') + QByteArray("@(#)") + "KIOSKVERSION " + version.toLatin1() + '\0' + QByteArray(200, 'x');
}

QString runningVersionPlus(int delta)
{
    QStringList parts = TAppTools::GetAppVersionStr().split(QLatin1Char('.'));
    parts[3] = QString::number(parts[3].toInt() + delta);
    return parts.join(QLatin1Char('.'));
}

QByteArray describe(const QMap<QString, QByteArray>& files)
{
    QByteArray text = "# update description\n";
    for (auto it = files.begin(); it != files.end(); ++it)
        text += QCryptographicHash::hash(it.value(), QCryptographicHash::Sha256).toHex() + ' '
            + QByteArray::number(it.value().size()) + ' ' + it.key().toUtf8() + '\n';
    return text;
}

class UpdaterTest : public ConfigTestBase {
protected:
    void SetUp() override
    {
        ConfigTestBase::SetUp();
        fCfg = start();
        fServer = std::make_shared<FakeUpdateServer>();
    }
    // A server folder with a version file, the program and a library.
    void serverWith(const QString& version, bool describeFiles = true)
    {
        QMap<QString, QByteArray> files;
        files.insert(TFileTools::AppExeName(), programWithVersion(version));
        files.insert(QStringLiteral("libextra.so"), QByteArray(3000, 'L'));
        const QString dir = fServer->Folder + QLatin1Char('/');
        for (auto it = files.begin(); it != files.end(); ++it)
            fServer->Files.insert(dir + it.key(), it.value());
        fServer->Files.insert(dir + QStringLiteral("V") + version + QStringLiteral(".ver"),
                              describeFiles ? describe(files) : QByteArray());
    }
    std::shared_ptr<TCtrlPopupUpdater> open(TestToolsWindow& win)
    {
        auto popup = TCtrlCommonBase::Create<TCtrlPopupUpdater>(&win, win.PopupPanel(QStringLiteral("PanelPopupUpdater")),
                                                                 TCtrlPopupUpdaterMode::updaterCheckManual, fServer);
        win.popupAdd(popup);
        win.RunQueue();
        return popup;
    }
    template <class T>
    T* find(TestToolsWindow& win, const char* name)
    {
        return win.findChild<T*>(QString::fromLatin1(name));
    }
    std::unique_ptr<TTestConfig> fCfg;
    std::shared_ptr<FakeUpdateServer> fServer;
};

} // namespace

TEST(UpdateDescription, LinesAreCheckedAndNamesKeptInsideTheFolder)
{
    const QByteArray sum(64, 'a');
    const auto ok = TCtrlPopupUpdater::ParseUpdateDescription("# c\n\n" + sum + " 12 kiosk\r\n" + sum.toUpper() + "  3  lib a.so\n");
    ASSERT_EQ(ok.size(), 2);
    EXPECT_EQ(ok[0].name, QStringLiteral("kiosk"));
    EXPECT_EQ(ok[0].size, 12);
    EXPECT_EQ(ok[1].name, QStringLiteral("lib a.so"));
    EXPECT_EQ(ok[1].sha256, sum);
    const QByteArray bad[] = {
        "",                                 // no file at all
        "# only a comment\n",
        sum + " 12\n",                      // no name
        sum.left(63) + " 12 kiosk\n",       // short checksum
        sum + " -1 kiosk\n",                // negative size
        sum + " 12 ../kiosk\n",             // leaves the folder
        sum + " 12 sub/kiosk\n",
        sum + " 12 .hidden\n",
        sum + " 99999999999999999999 kiosk\n",
    };
    for (const QByteArray& text : bad) {
        SCOPED_TRACE(text.constData());
        EXPECT_THROW(TCtrlPopupUpdater::ParseUpdateDescription(text), EUser);
    }
}

TEST(UpdateRate, RemainingTimeAndRate)
{
    EXPECT_EQ(TCtrlPopupUpdater::RateText(1000, 500, 0, 0), QString());
    const QString both = TCtrlPopupUpdater::RateText(100000, 40000, 2000, 1000);
    EXPECT_TRUE(both.startsWith(QStringLiteral("Remaining Time: 0:01:00 / Transfer rate: "))) << both.toStdString();
    EXPECT_TRUE(TCtrlPopupUpdater::RateText(100, 10, 2000, 0).startsWith(QStringLiteral("Transfer rate: ")));
}

TEST_F(UpdaterTest, NewerVersionIsDownloadedVerifiedAndLaunched)
{
    TAppStyle::Apply(*qApp);
    TestToolsWindow win(fCfg.get());
    win.show();
    serverWith(runningVersionPlus(1));
    auto popup = open(win);
    EXPECT_EQ(popup->UpdateNeeded(), 1);
    EXPECT_EQ(popup->NewVersionFound(), runningVersionPlus(1));
    auto* ok = find<QPushButton>(win, "ButtonPopupUpdaterOK");
    EXPECT_TRUE(ok->isVisible());
    EXPECT_EQ(ok->text(), QStringLiteral("Update"));
    EXPECT_TRUE(find<QLabel>(win, "LabelPopupUpdaterTitle")->text().contains(runningVersionPlus(1)));
    EXPECT_EQ(fServer->Sizes, 3);
    win.grab().save(QStringLiteral("/tmp/periphery-updater.png"));

    QTest::mouseClick(ok, Qt::LeftButton);
    win.RunQueue();
    EXPECT_TRUE(win.Errors.isEmpty()) << win.Errors.join('\n').toStdString();
    ASSERT_EQ(win.Started.size(), 1u);
    EXPECT_EQ(win.Started[0].program, QDir(win.GetFolderUpdatePathWithOs()).filePath(TFileTools::AppExeName()));
    EXPECT_EQ(TAppTools::LoadByteArrayFromFile(QDir(win.GetFolderUpdatePathWithOs()).filePath(QStringLiteral("libextra.so"))),
              QByteArray(3000, 'L'));
}

TEST_F(UpdaterTest, DamagedOrUntrustedDownloadsAreRefusedAndPurged)
{
    struct Case {
        const char* name;
        bool tls;
        bool damage;
        bool describeFiles;
        QString error;
    };
    const Case cases[] = {
        { "altered file", true, true, true, QStringLiteral("Update file damaged: libextra.so") },
        { "not over TLS", false, false, true,
          QStringLiteral("The update is refused: the server is not reached over a verified TLS connection.") },
        { "empty description", true, false, false, QStringLiteral("Update description invalid: no file") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fServer = std::make_shared<FakeUpdateServer>();
        serverWith(runningVersionPlus(1), c.describeFiles);
        fServer->Tls = c.tls;
        if (c.damage)
            fServer->Damaged.insert(fServer->Folder + QStringLiteral("/libextra.so"), QByteArray(3000, 'X'));
        TestToolsWindow win(fCfg.get());
        win.show();
        auto popup = open(win);
        ASSERT_EQ(popup->UpdateNeeded(), 1);
        QTest::mouseClick(find<QPushButton>(win, "ButtonPopupUpdaterOK"), Qt::LeftButton);
        win.RunQueue();
        EXPECT_EQ(win.Errors, QStringList { c.error });
        EXPECT_TRUE(win.Started.empty());
        EXPECT_FALSE(QFileInfo::exists(QDir(win.GetFolderUpdatePathWithOs()).filePath(TFileTools::AppExeName())));
        // "Update" is offered again.
        EXPECT_EQ(popup->UpdateNeeded(), 1);
        EXPECT_TRUE(find<QPushButton>(win, "ButtonPopupUpdaterOK")->isVisible());
        popup->Close();
    }
}

TEST_F(UpdaterTest, UpToDateAndMissingVersionFile)
{
    {
        serverWith(TAppTools::GetAppVersionStr());
        TestToolsWindow win(fCfg.get());
        win.show();
        auto popup = open(win);
        EXPECT_EQ(popup->UpdateNeeded(), -1);
        EXPECT_EQ(fServer->Sizes, 0);
        auto* ok = find<QPushButton>(win, "ButtonPopupUpdaterOK");
        EXPECT_FALSE(ok->isVisible()); // "Retry" only in debug mode
        EXPECT_EQ(ok->text(), QStringLiteral("Retry"));
        popup->Close();
    }
    {
        fServer = std::make_shared<FakeUpdateServer>();
        fServer->Files.insert(fServer->Folder + QStringLiteral("/V9.0.0.0.VER"), "x");
        fServer->Files.insert(fServer->Folder + QStringLiteral("/kiosk"), "x");
        TestToolsWindow win(fCfg.get());
        win.show();
        auto popup = open(win);
        EXPECT_EQ(popup->UpdateNeeded(), 0);
        EXPECT_EQ(win.Errors, QStringList { QStringLiteral("Version file not found on server !") });
        EXPECT_TRUE(find<QLabel>(win, "LabelPopupUpdaterTitle")->text().startsWith(QStringLiteral("The update process has failed.")));
        popup->Close();
    }
}

TEST(UpdaterServer, UpdateServerPreferredOverFileServerAndNoneRefused)
{
    EXPECT_THROW(TCtrlPopupUpdater::ServerFromPhotographer(nullptr), EUser);
    Photographe2 ph;
    EXPECT_THROW(TCtrlPopupUpdater::ServerFromPhotographer(&ph), EUser);
    ph.setServeurFtpOrHttp(QStringLiteral("files.example"));
    ph.setProtoFtp(QStringLiteral("http"));
    EXPECT_FALSE(TCtrlPopupUpdater::ServerFromPhotographer(&ph)->VerifiedTls());
    ph.setServeurFtpForUpdate(QStringLiteral("update.example"));
    ph.setProtoFtpForUpdate(QStringLiteral("https"));
    EXPECT_TRUE(TCtrlPopupUpdater::ServerFromPhotographer(&ph)->VerifiedTls());
}

// ---------------------------------------------------------------- calibration

TEST(CalibrationPopup, TheBoxIsTheCustomersAnswer)
{
    TAppStyle::Apply(*qApp);
    TestToolsWindow win;
    win.show();
    QCheckBox recap;
    recap.setChecked(true);
    win.calibrationPopupShow(&recap);
    auto* box = win.findChild<QCheckBox*>(QStringLiteral("chkAddCalibratingPhoto"));
    auto* panel = win.PopupPanel(QStringLiteral("PanelPopUpCalibration"));
    ASSERT_TRUE(panel->isVisible());
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(win.findChild<QLabel*>(QStringLiteral("imgPanelPopUpCalibration"))->pixmap().isNull());
    win.grab().save(QStringLiteral("/tmp/periphery-calibration.png"));
    box->click();
    EXPECT_FALSE(recap.isChecked());
    EXPECT_FALSE(panel->isVisible());

    // Cancel leaves both as they were.
    win.calibrationPopupShow(&recap);
    EXPECT_FALSE(box->isChecked());
    win.findChild<QPushButton*>(QStringLiteral("btnPopUpMsgBoxCancel"))->click();
    EXPECT_FALSE(recap.isChecked());
    EXPECT_FALSE(panel->isVisible());
}
