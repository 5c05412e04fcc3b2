#include "UCtrlPopupUpdater.h"

#include "UConfig.h"
#include "UDebug.h"
#include "ULabPartyContracts.h"
#include "ULangTexts.h"
#include "UNetTransfer.h"
#include "UPopupPanel.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

const QString kUpdateServerFolder = QStringLiteral("ZebUpdate");

// The file-transfer client of the store's server.
class TNetTransferUpdateServer : public IUpdateServer {
public:
    TNetTransferUpdateServer(const QString& proto, const QString& srv, const QString& login, const QString& pwd)
        : fProto(proto.trimmed().toUpper())
        , fNet(proto, srv, login, pwd)
    {
    }
    QStringList List(const QString& folder) override { return fNet.DirectoryList(folder, true).value_or(QStringList()); }
    qint64 FileSize(const QString& path) override { return fNet.FileSize(path, true); }
    QByteArray DownloadBytes(const QString& path) override { return fNet.DownloadBytes(path); }
    void Download(const QString& localPath, const QString& path) override { fNet.DownloadFile(localPath, path); }
    // The HTTP client verifies the peer's certificate and host name on
    // every HTTPS request.
    bool VerifiedTls() const override { return fProto == QLatin1String("HTTPS"); }
    void MeasureStart() override { fNet.DnUpProgressMeasureStart(); }
    void SetProgress(TProgress progress) override
    {
        if (!progress) {
            fNet.SetProgressEvent(nullptr);
            return;
        }
        fNet.SetProgressEvent([progress](TNetTransfer& n) {
            progress(n.TotalBytesTransfered() + n.BytesTransfered(), n.DnUpByteTransfertPerSec(), n.DnUpByteRealPerSec());
        });
    }

private:
    QString fProto;
    TNetTransfer fNet;
};

QString lastComponent(const QString& path)
{
    return path.section(QLatin1Char('/'), -1);
}

QLabel* label(const QString& name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

// The popup's controls on its panel, built once.
void buildForm(TPopupPanel* bg)
{
    if (bg->findChild<QGroupBox*>(QStringLiteral("GroupBoxPopupUpdater")))
        return;
    auto* box = new QGroupBox(bg);
    box->setObjectName(QStringLiteral("GroupBoxPopupUpdater"));
    auto* lay = new QVBoxLayout(box);
    lay->setContentsMargins(24, 40, 24, 16);
    lay->setSpacing(12);
    QLabel* title = label(QStringLiteral("LabelPopupUpdaterTitle"), box);
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    KioskSetStyleLookup(title, QStringLiteral("textTitle"));
    lay->addWidget(title, 1);
    QLabel* status = label(QStringLiteral("LabelPopupUpdaterStatus"), box);
    lay->addWidget(status);
    auto* bar = new QProgressBar(box);
    bar->setObjectName(QStringLiteral("ProgressBarPopupUpdater"));
    bar->setRange(0, 100);
    lay->addWidget(bar);
    QLabel* rate = label(QStringLiteral("LabelPopupUpdaterTransferRate"), box);
    KioskSetStyleLookup(rate, QStringLiteral("textRate"));
    lay->addWidget(rate);
    auto* btnBar = new QWidget(box);
    btnBar->setObjectName(QStringLiteral("LayoutPopupUpdaterBtnBar"));
    auto* btnLay = new QHBoxLayout(btnBar);
    btnLay->setContentsMargins(0, 0, 0, 0);
    auto* ok = new QPushButton(LangTexts::Shell::Update.Text(), btnBar);
    ok->setObjectName(QStringLiteral("ButtonPopupUpdaterOK"));
    KioskSetStyleLookup(ok, QStringLiteral("BackBtnPrevious"));
    auto* cancel = new QPushButton(LangTexts::Shell::Cancel.Text(), btnBar);
    cancel->setObjectName(QStringLiteral("ButtonPopupUpdaterCancel"));
    KioskSetStyleLookup(cancel, QStringLiteral("BackBtnNext"));
    btnLay->addWidget(ok);
    btnLay->addStretch(1);
    btnLay->addWidget(cancel);
    lay->addWidget(btnBar);
}

} // namespace

TCtrlPopupUpdater::TCtrlPopupUpdater(IMainFrame* main, TPopupPanel* bg, TCtrlPopupUpdaterMode mode, IUpdateServerRef server)
    : TCtrlPopupHard((buildForm(bg), main), bg)
    , fMode(mode)
    , fServer(std::move(server))
    , fServerGiven(fServer != nullptr)
{
    fOriginalWidth = 654;
    fOriginalHeight = 354;
}

TCtrlPopupUpdater::~TCtrlPopupUpdater()
{
    if (fServer)
        fServer->SetProgress(nullptr);
}

IUpdateServerRef TCtrlPopupUpdater::ServerFromPhotographer(Photographe2* ph)
{
    if (ph && !ph->ServeurFtpForUpdate().isEmpty())
        return std::make_shared<TNetTransferUpdateServer>(ph->ProtoFtpForUpdate(), ph->ServeurFtpForUpdate(),
                                                          ph->LoginFtpForUpdate(), ph->PasswordFtpForUpdate());
    if (ph && !ph->ServeurFtpOrHttp().isEmpty())
        return std::make_shared<TNetTransferUpdateServer>(ph->ProtoFtp(), ph->ServeurFtpOrHttp(), ph->LoginFtp(),
                                                          ph->PasswordFtp());
    throw EUser(LangTexts::Shell::ConnectionServerFailed.Text());
}

void TCtrlPopupUpdater::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    GroupBoxPopupUpdater->setTitle(LangTexts::Shell::UpdateApp.Text());
    if (!fServerGiven)
        fServer = ServerFromPhotographer(main->GetWebSvcPhotographer());
    fPathSource = kUpdateServerFolder + QLatin1Char('/') + QString::fromLatin1(TConfig::kUpdatePlatformName);
    buttonsConnect(false);
    ButtonPopupUpdaterOK->hide();
    ButtonPopupUpdaterOK->setEnabled(true);
    LabelPopupUpdaterStatus->hide();
    LabelPopupUpdaterTransferRate->hide();
    ProgressBarPopupUpdater->hide();
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    fServer->SetProgress([this, weak](qint64 bytes, double rate, double avgRate) {
        if (auto self = weak.lock())
            onTransferProgress(bytes, rate, avgRate);
    });
    StartUpdateCheck();
}

void TCtrlPopupUpdater::OnClose()
{
    TCtrlPopupHard::OnClose();
    if (fServer)
        fServer->SetProgress(nullptr);
    QObject::disconnect(fOkConn);
    QObject::disconnect(fCancelConn);
}

void TCtrlPopupUpdater::buttonsConnect(bool waiting)
{
    QObject::disconnect(fOkConn);
    QObject::disconnect(fCancelConn);
    fOkConn = QObject::connect(ButtonPopupUpdaterOK.get(), &QPushButton::clicked, GroupBoxPopupUpdater.get(), [this] {
        try {
            okClick();
        } catch (const std::exception& e) {
            MainFrame()->ShowEx(e, nullptr);
        }
    });
    fCancelConn = QObject::connect(ButtonPopupUpdaterCancel.get(), &QPushButton::clicked, GroupBoxPopupUpdater.get(),
                                   [this, waiting] {
                                       if (waiting)
                                           cancelClick();
                                       else
                                           Close();
                                   });
}

void TCtrlPopupUpdater::StartUpdateCheck()
{
    waitStart();
    status(LangTexts::Shell::Connecting.Text());
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    try {
        MainFrame()->WebSvcAddCall([this, weak] {
            auto self = weak.lock();
            if (!self)
                return;
            try {
                if (fMode == TCtrlPopupUpdaterMode::updaterUpdate)
                    downloadNewVersion();
                else
                    detectNewVersion();
            } catch (const std::exception& e) {
                waitEndEx(e, nullptr);
            }
        });
    } catch (...) {
        status(QString());
        waitEnd();
        throw;
    }
}

void TCtrlPopupUpdater::okClick()
{
    fMode = fUpdateNeeded > 0 ? TCtrlPopupUpdaterMode::updaterUpdate : TCtrlPopupUpdaterMode::updaterCheckManual;
    StartUpdateCheck();
}

void TCtrlPopupUpdater::cancelClick()
{
    fNetTransferCancel = true;
    ButtonPopupUpdaterCancel->setEnabled(false);
}

void TCtrlPopupUpdater::statusShow(const QString& text)
{
    LabelPopupUpdaterStatus->setText(text);
}

void TCtrlPopupUpdater::waitShow()
{
    ButtonPopupUpdaterOK->setEnabled(false);
    LabelPopupUpdaterStatus->setText(QStringLiteral("..."));
    LabelPopupUpdaterStatus->show();
    LabelPopupUpdaterTransferRate->clear();
    LabelPopupUpdaterTransferRate->show();
    ProgressBarPopupUpdater->setRange(0, 100);
    ProgressBarPopupUpdater->setValue(0);
    ProgressBarPopupUpdater->show();
    LabelPopupUpdaterTitle->setText(fMode == TCtrlPopupUpdaterMode::updaterUpdate
                                        ? LangTexts::Shell::DownloadingNewVersionPleaseWait.Text()
                                        : LangTexts::Shell::SearchingUpdatePleaseWait.Text());
    buttonsConnect(true);
    fNetTransferCancel = false;
}

void TCtrlPopupUpdater::waitHide()
{
    ButtonPopupUpdaterOK->setEnabled(true);
    LabelPopupUpdaterTransferRate->hide();
    LabelPopupUpdaterStatus->hide();
    ProgressBarPopupUpdater->hide();
    const QString running = TAppTools::GetAppVersionStr();
    if (fUpdateNeeded >= 1) {
        LabelPopupUpdaterTitle->setText(LangTexts::Shell::NewVersionAppAvailableClick.Text({ fNewVersionFound, running }));
        ButtonPopupUpdaterOK->setText(LangTexts::Shell::Update.Text());
        ButtonPopupUpdaterOK->show();
    } else if (fUpdateNeeded < 0) {
        LabelPopupUpdaterTitle->setText(LangTexts::Shell::VersionAppUpDateVersion.Text({ fNewVersionFound, running }));
        ButtonPopupUpdaterOK->setText(LangTexts::Shell::Retry.Text());
        ButtonPopupUpdaterOK->setVisible(MainFrame()->GetDebugMode());
    } else {
        LabelPopupUpdaterTitle->setText(LangTexts::Shell::UpdateProcessFailedClickRetry.Text());
        ButtonPopupUpdaterOK->setText(LangTexts::Shell::Retry.Text());
        ButtonPopupUpdaterOK->show();
    }
    buttonsConnect(false);
    ButtonPopupUpdaterCancel->setEnabled(true);
}

void TCtrlPopupUpdater::OnResize(QWidget* parent)
{
    TCtrlPopupHard::OnResize(parent);
}

void TCtrlPopupUpdater::progress(qint64 count, qint64 total, const QString& message)
{
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
        if (!weak.lock() || !ProgressBarPopupUpdater.get())
            return;
        ProgressBarPopupUpdater->setValue(total > 0 ? int(count * 100 / total) : 0);
        if (!message.isEmpty())
            LabelPopupUpdaterStatus->setText(message);
    });
}

QString TCtrlPopupUpdater::RateText(qint64 total, qint64 done, double rate, double avgRate)
{
    QString text;
    if (avgRate != 0) {
        const double seconds = double(std::max<qint64>(0, total - done)) / avgRate;
        text = LangTexts::Shell::RemainingTime.Text() + QStringLiteral(": ") + TNetTransfer::estimatedTimeToStr(seconds / 86400);
    }
    if (rate != 0) {
        if (!text.isEmpty())
            text += QStringLiteral(" / ");
        text += LangTexts::Shell::TransferRate.Text() + QStringLiteral(": ") + TNetTransfer::rateToStr(rate, rateBytePerSec);
    }
    return text;
}

void TCtrlPopupUpdater::onTransferProgress(qint64 bytes, double rate, double avgRate)
{
    if (fNetTransferCancel)
        throw ECancel(QString());
    const qint64 total = fTotalBytesToTransfer;
    if (total < 0)
        return;
    progress(bytes, total, QString());
    if (rate == 0 && avgRate == 0)
        return;
    const QString text = RateText(total, bytes, rate, avgRate);
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
        if (weak.lock() && LabelPopupUpdaterTransferRate.get())
            LabelPopupUpdaterTransferRate->setText(text);
    });
}

QList<TUpdateFileEntry> TCtrlPopupUpdater::ParseUpdateDescription(const QByteArray& text)
{
    static const QRegularExpression line(QStringLiteral("^([0-9a-fA-F]{64})\\s+([0-9]{1,15})\\s+(\\S(?:.*\\S)?)$"));
    QList<TUpdateFileEntry> entries;
    for (QByteArray raw : text.split('\n')) {
        const QString s = QString::fromUtf8(raw).trimmed();
        if (s.isEmpty() || s.startsWith(QLatin1Char('#')))
            continue;
        const QRegularExpressionMatch m = line.match(s);
        if (!m.hasMatch())
            throw EUser(QStringLiteral("Update description invalid: \"%1\"").arg(s.left(80)));
        TUpdateFileEntry e;
        e.sha256 = m.captured(1).toLower().toLatin1();
        e.size = m.captured(2).toLongLong();
        e.name = m.captured(3);
        // One plain file name: nothing may land outside the update folder.
        if (e.name.contains(QLatin1Char('/')) || e.name.contains(QLatin1Char('\\')) || e.name.startsWith(QLatin1Char('.'))
            || e.name != TConfig::SafeFileNamePart(e.name))
            throw EUser(QStringLiteral("Update description invalid: \"%1\"").arg(s.left(80)));
        entries << e;
    }
    if (entries.isEmpty())
        throw EUser(QStringLiteral("Update description invalid: no file"));
    return entries;
}

void TCtrlPopupUpdater::detectNewVersion()
{
    if (!fServer)
        throw EUser(LangTexts::Shell::ConnectionServerFailed.Text());
    fServer->MeasureStart();
    fNetTransferCancel = false;
    fUpdateNeeded = 0;
    fTotalBytesToTransfer = -1;
    progress(0, 1, QStringLiteral("Browsing ") + fPathSource + QStringLiteral("..."));
    fDirList = fServer->List(fPathSource);
    for (const QString& entry : fDirList) {
        if (!entry.endsWith(QLatin1String(".ver")))
            continue;
        QString name = QFileInfo(lastComponent(entry)).completeBaseName();
        if (name.startsWith(QLatin1Char('V')))
            name.remove(0, 1);
        fNewVersionFound = name;
        fVersionEntry = entry;
        fUpdateNeeded = TAppTools::VersionCompare(name, TAppTools::GetAppVersionStr()) < 1 ? -1 : 1;
        break;
    }
    qint64 total = 0;
    if (fUpdateNeeded == 1) {
        try {
            const qint64 n = fDirList.size();
            for (qint64 k = 1; k <= n; ++k) {
                const QString& entry = fDirList[int(k - 1)];
                progress(k, n + 1, QStringLiteral("Checking ") + entry + QStringLiteral("..."));
                total += fServer->FileSize(entry);
            }
        } catch (...) {
            fUpdateNeeded = 0;
            throw;
        }
    }
    fTotalBytesToTransfer = total;
    if (fUpdateNeeded == 0)
        throw EUser(QStringLiteral("Version file not found on server !"));
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    MainFrame()->GuiQueueAddCall([weak] {
        if (auto self = weak.lock())
            self->waitEnd();
    }, true, nullptr);
}

void TCtrlPopupUpdater::downloadNewVersion()
{
    IMainFrame* main = MainFrame();
    main->PurgeUpdateFolder();
    fServer->MeasureStart();
    fNetTransferCancel = false;
    try {
        if (!fServer->VerifiedTls())
            throw EUser(QStringLiteral("The update is refused: the server is not reached over a verified TLS connection."));
        const QList<TUpdateFileEntry> files = ParseUpdateDescription(fServer->DownloadBytes(fVersionEntry));
        const QString folder = TFileTools::MakeDirRec(main->GetFolderUpdatePathWithOs());
        QStringList listed;
        for (const QString& entry : fDirList)
            listed << lastComponent(entry);
        const QString serverFolder = fVersionEntry.left(fVersionEntry.size() - lastComponent(fVersionEntry).size());
        for (const TUpdateFileEntry& f : files) {
            if (!listed.contains(f.name))
                throw EUser(QStringLiteral("Update file missing on server: ") + f.name);
            status(QStringLiteral("Downloading ") + f.name + QStringLiteral("..."));
            const QString local = QDir(folder).filePath(f.name);
            fServer->Download(local, serverFolder + f.name);
            QFile file(local);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (!file.open(QIODevice::ReadOnly) || file.size() != f.size || !hash.addData(&file)
                || hash.result().toHex() != f.sha256)
                throw EUser(QStringLiteral("Update file damaged: ") + f.name);
        }
        if (!main->IsUpdateAvailable())
            throw EUser(QStringLiteral("Executable not found in downloaded files !"));
    } catch (...) {
        // Nothing partial or altered stays where the next start would run it.
        main->PurgeUpdateFolder();
        throw;
    }
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    main->GuiQueueAddCall([weak, main] {
        if (auto self = weak.lock())
            self->waitEnd();
        if (main->IsUpdateAvailable())
            main->LaunchUpdate();
        else
            main->PurgeUpdateFolder();
    }, true, nullptr);
}
