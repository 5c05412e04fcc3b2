#include "UCtrlPopupHiddenBck.h"

#include "UAniIndicator.h"
#include "UConfig.h"
#include "UDebug.h"
#include "ULabPartyContracts.h"
#include "UMainObservers.h"
#include "UNetTransfer.h"
#include "UOrderBitmapCache.h"
#include "UPopupPanel.h"
#include "UTools.h"
#include "UVirtualKeyboard.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zip.h>

namespace {

const QString kServerZipFolder = QStringLiteral("Zeb zips/");
constexpr int kDriveWatchMs = 300;

QPushButton* button(const QString& name, const QString& text, QWidget* parent, const QString& style = QString())
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    if (!style.isEmpty())
        KioskSetStyleLookup(b, style);
    return b;
}

// The popup's controls on its panel, built once.
void buildForm(TPopupPanel* bg)
{
    if (bg->findChild<QGroupBox*>(QStringLiteral("gbPopUpHiddenBck")))
        return;
    auto* box = new QGroupBox(QStringLiteral("Backup"), bg);
    box->setObjectName(QStringLiteral("gbPopUpHiddenBck"));
    auto* lay = new QVBoxLayout(box);
    lay->setContentsMargins(20, 40, 20, 12);

    auto* content = new QWidget(box);
    content->setObjectName(QStringLiteral("LayoutPopUpHiddenBckContent"));
    auto* cLay = new QVBoxLayout(content);
    cLay->setContentsMargins(0, 0, 0, 0);
    cLay->setSpacing(10);

    auto* toKey = new QWidget(content);
    toKey->setObjectName(QStringLiteral("FlowLayoutHiddenBckContentToKey"));
    auto* kLay = new QHBoxLayout(toKey);
    kLay->setContentsMargins(0, 0, 0, 0);
    auto* kLabel = new QLabel(QStringLiteral("Please insert a media and select it to backup"), toKey);
    kLabel->setWordWrap(true);
    auto* drives = new QComboBox(toKey);
    drives->setObjectName(QStringLiteral("cbPopUpHiddenBckSelectDrive"));
    drives->setMinimumWidth(160);
    kLay->addWidget(kLabel, 1);
    kLay->addWidget(drives);
    kLay->addWidget(button(QStringLiteral("SpeedButtonPopUpHiddenBckBackup"), QStringLiteral("Backup"), toKey));
    cLay->addWidget(toKey);

    auto* toHttp = new QWidget(content);
    toHttp->setObjectName(QStringLiteral("FlowLayoutHiddenBckContentToHttp"));
    auto* hLay = new QHBoxLayout(toHttp);
    hLay->setContentsMargins(0, 0, 0, 0);
    hLay->addWidget(new QLabel(QStringLiteral("Transfer backup to server "), toHttp), 1);
    hLay->addWidget(button(QStringLiteral("ButtonPopUpHiddenBckHttpTransfer"), QStringLiteral("Transfer"), toHttp));
    cLay->addWidget(toHttp);

    auto* actions = new QWidget(content);
    actions->setObjectName(QStringLiteral("LayoutPopUpHiddenBckActions"));
    auto* aLay = new QGridLayout(actions);
    aLay->setContentsMargins(0, 0, 0, 0);
    aLay->addWidget(button(QStringLiteral("SpeedButtonPopUpHiddenBckExit"), QStringLiteral("Exit application"), actions), 0, 0);
    aLay->addWidget(button(QStringLiteral("SpeedButtonPopUpHiddenBckDisconnect"), QStringLiteral("Disconnect"), actions), 0, 1);
    aLay->addWidget(button(QStringLiteral("SpeedButtonPopUpHiddenBckClearCache"), QStringLiteral("Clear Cache"), actions), 1, 0);
    aLay->addWidget(button(QStringLiteral("SpeedButtonPopUpHiddenBckLangKiosk"), QStringLiteral("Language"), actions), 1, 1);
    cLay->addWidget(actions);

    auto* debug = new QCheckBox(QStringLiteral("Debug mode activated"), content);
    debug->setObjectName(QStringLiteral("cbPopupHiddenBckDebugMode"));
    auto* autoHide = new QCheckBox(QStringLiteral("Auto hide keyboard"), content);
    autoHide->setObjectName(QStringLiteral("cbPopupHiddenBckAutoHideKeyboard"));
    cLay->addWidget(debug);
    cLay->addWidget(autoHide);
    cLay->addStretch(1);
    lay->addWidget(content, 1);

    auto* bar = new QWidget(box);
    bar->setObjectName(QStringLiteral("LayoutPopUpHiddenBckButton"));
    bar->setMinimumHeight(57);
    auto* bLay = new QHBoxLayout(bar);
    bLay->setContentsMargins(0, 0, 0, 0);
    auto* ani = new TAniIndicator(bar);
    ani->setObjectName(QStringLiteral("AniIndicatorPopUpHiddenBckStatus"));
    ani->setFixedSize(32, 32);
    auto* status = new QLabel(bar);
    status->setObjectName(QStringLiteral("LabelPopUpHiddenBckStatus"));
    status->setAlignment(Qt::AlignCenter);
    status->setWordWrap(true);
    KioskSetStyleLookup(status, QStringLiteral("lblStatusStyle"));
    auto* progress = new QProgressBar(bar);
    progress->setObjectName(QStringLiteral("ProgressBarPopUpHiddenBckStatus"));
    progress->setRange(0, 100);
    progress->hide();
    bLay->addWidget(ani);
    bLay->addWidget(status, 1);
    bLay->addWidget(progress);
    bLay->addWidget(button(QStringLiteral("ButtonPopUpHiddenBckClose"), QStringLiteral("Close"), bar, QStringLiteral("BackBtnNext")));
    lay->addWidget(bar);
}

// Adds one file to the archive under the entry name (deflate); a missing
// source is skipped.
void zipAddFile(zip_t* za, const QString& entry, const QString& path)
{
    if (!QFileInfo(path).isFile())
        return;
    const QByteArray p = QFile::encodeName(path);
    zip_source_t* src = zip_source_file(za, p.constData(), 0, 0);
    if (!src)
        throw ESystem(QStringLiteral("TCtrlPopupHiddenBck.makeZipFile: %1").arg(QString::fromUtf8(zip_strerror(za))));
    const zip_int64_t idx = zip_file_add(za, entry.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (idx < 0) {
        zip_source_free(src);
        throw ESystem(QStringLiteral("TCtrlPopupHiddenBck.makeZipFile: %1").arg(QString::fromUtf8(zip_strerror(za))));
    }
    zip_set_file_compression(za, zip_uint64_t(idx), ZIP_CM_DEFLATE, 0);
}

void zipAddBytes(zip_t* za, const QString& entry, const QByteArray& bytes)
{
    // libzip copies the buffer only when asked to free it: a copy it owns.
    void* copy = malloc(size_t(std::max<qsizetype>(bytes.size(), 1)));
    if (!copy)
        throw ESystem(QStringLiteral("TCtrlPopupHiddenBck.makeZipFile: out of memory"));
    memcpy(copy, bytes.constData(), size_t(bytes.size()));
    zip_source_t* src = zip_source_buffer(za, copy, zip_uint64_t(bytes.size()), 1);
    if (!src) {
        free(copy);
        throw ESystem(QStringLiteral("TCtrlPopupHiddenBck.makeZipFile: %1").arg(QString::fromUtf8(zip_strerror(za))));
    }
    const zip_int64_t idx = zip_file_add(za, entry.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (idx < 0) {
        zip_source_free(src);
        throw ESystem(QStringLiteral("TCtrlPopupHiddenBck.makeZipFile: %1").arg(QString::fromUtf8(zip_strerror(za))));
    }
    zip_set_file_compression(za, zip_uint64_t(idx), ZIP_CM_DEFLATE, 0);
}

} // namespace

TCtrlPopupHiddenBck::TCtrlPopupHiddenBck(IMainFrame* main, TPopupPanel* bg)
    : TCtrlPopupHard((buildForm(bg), main), bg)
{
    fTimer.setSingleShot(true);
    fTimer.setInterval(kDriveWatchMs);
    QObject::connect(&fTimer, &QTimer::timeout, [this] { DriveListWatch(); });
    fOriginalWidth = 654;
    fOriginalHeight = 460;
}

TCtrlPopupHiddenBck::~TCtrlPopupHiddenBck()
{
    fTimer.stop();
    for (const auto& c : fConns)
        QObject::disconnect(c);
}

QString TCtrlPopupHiddenBck::ZipFileName(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyMMddhhmmss")) + QLatin1Char('-')
        + TConfig::SafeFileNamePart(TAppTools::ComputerName()) + QStringLiteral(".zip");
}

QByteArray TCtrlPopupHiddenBck::ConfigWithoutPasswords(const QByteArray& xml)
{
    QXmlStreamReader in(xml);
    QByteArray out;
    QXmlStreamWriter w(&out);
    int secretDepth = 0;
    while (!in.atEnd()) {
        in.readNext();
        switch (in.tokenType()) {
        case QXmlStreamReader::StartDocument:
            if (!in.documentVersion().isEmpty())
                w.writeStartDocument(in.documentVersion().toString());
            break;
        case QXmlStreamReader::StartElement: {
            const QString name = in.name().toString().toLower();
            if (secretDepth > 0 || name.contains(QLatin1String("password")) || name.contains(QLatin1String("pwd")))
                ++secretDepth;
            w.writeStartElement(in.qualifiedName().toString());
            w.writeAttributes(in.attributes());
            break;
        }
        case QXmlStreamReader::EndElement:
            w.writeEndElement();
            if (secretDepth > 0)
                --secretDepth;
            break;
        case QXmlStreamReader::Characters:
            if (secretDepth == 0)
                w.writeCharacters(in.text().toString());
            break;
        case QXmlStreamReader::Comment:
            w.writeComment(in.text().toString());
            break;
        case QXmlStreamReader::EndDocument:
            w.writeEndDocument();
            break;
        default:
            break;
        }
    }
    if (in.hasError())
        return QByteArray();
    return out;
}

QString TCtrlPopupHiddenBck::makeZipFile(TConfig& cfg)
{
    const QString path = QDir(cfg.CalcTempPath()).filePath(ZipFileName(QDateTime::currentDateTime()));
    QFile::remove(path);
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        const QString text = QString::fromUtf8(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        throw ESystem(QStringLiteral("TCtrlPopupHiddenBck.makeZipFile: %1").arg(text));
    }
    try {
        for (const QString& log : TFileTools::GetFiles(cfg.CalcLogFilePath(), { QStringLiteral("*.log") }))
            zipAddFile(za, QStringLiteral("Logs/") + QFileInfo(log).fileName(), log);
        // The configuration travels without its passwords.
        if (QFileInfo(cfg.FilePath()).isFile()) {
            const QByteArray clean = ConfigWithoutPasswords(TAppTools::LoadByteArrayFromFile(cfg.FilePath()));
            if (!clean.isEmpty())
                zipAddBytes(za, QFileInfo(cfg.FilePath()).fileName(), clean);
            else
                LogError(QStringLiteral("TCtrlPopupHiddenBck.makeZipFile: configuration file unreadable, left out"));
        }
        QStringList cache = { cfg.GetFileOrderBackupPath(),   cfg.GetShopInfoBootPath(),     cfg.GetShopInfoCommonPath(),
                              cfg.GetShopInfoProdPrintPath(), cfg.GetShopInfoProdTplPath(), cfg.GetShopInfoProdBookPath() };
        cache << cfg.GetShopTplInfoFiles() << cfg.CalcStyleInfoPath();
        for (const QString& f : cache)
            zipAddFile(za, QStringLiteral("Cache/") + QFileInfo(f).fileName(), f);
        for (const QString& f : { cfg.CalcFrontPrintImgWithDate(), cfg.CalcFrontPrintImgWithDateTime(),
                                  cfg.CalcFrontPrintImgWithoutDate() })
            zipAddFile(za, QStringLiteral("internalRes/") + QFileInfo(f).fileName(), f);
        // libzip writes a temporary file and renames it into place here.
        if (zip_close(za) != 0)
            throw ESystem(QStringLiteral("TCtrlPopupHiddenBck.makeZipFile: %1").arg(QString::fromUtf8(zip_strerror(za))));
        za = nullptr;
    } catch (...) {
        if (za)
            zip_discard(za);
        QFile::remove(path);
        throw;
    }
    if (!QFileInfo::exists(path)) {
        // An archive without entries is not written at all.
        throw ESystem(QStringLiteral("Zip not created or invalid. Please retry!"));
    }
    return path;
}

void TCtrlPopupHiddenBck::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    fActionExitActive = ActionExitApp->isVisible();
    ActionExitApp->setVisible(true);
    ActionExitApp->setEnabled(true);
    fActionDisconnectActive = ActionDisconnect->isVisible();
    ActionDisconnect->setVisible(true);
    ActionDisconnect->setEnabled(true);
    fNotif = dynamic_cast<ICtrlPopupHiddenBckNotif*>(main);

    auto guarded = [this](std::function<void()> f) {
        return [this, f] {
            try {
                f();
            } catch (const std::exception& e) {
                MainFrame()->ShowEx(e, nullptr);
            }
        };
    };
    QObject* ctx = gbPopUpHiddenBck.get();
    fConns << QObject::connect(ButtonPopUpHiddenBckClose.get(), &QPushButton::clicked, ctx, [this] { Close(); });
    fConns << QObject::connect(SpeedButtonPopUpHiddenBckBackup.get(), &QPushButton::clicked, ctx,
                               guarded([this] { StartZipToKey(); }));
    fConns << QObject::connect(ButtonPopUpHiddenBckHttpTransfer.get(), &QPushButton::clicked, ctx,
                               guarded([this] { StartZipToHttp(); }));
    fConns << QObject::connect(SpeedButtonPopUpHiddenBckExit.get(), &QPushButton::clicked, ctx,
                               [this] { ActionExitApp->trigger(); });
    fConns << QObject::connect(SpeedButtonPopUpHiddenBckDisconnect.get(), &QPushButton::clicked, ctx,
                               [this] { ActionDisconnect->trigger(); });
    fConns << QObject::connect(SpeedButtonPopUpHiddenBckClearCache.get(), &QPushButton::clicked, ctx,
                               [this] { clearCacheClick(); });
    QVariant langKiosk;
    if (main->GetFieldValueByName(QStringLiteral("ActionLangKiosk"), langKiosk))
        if (auto* a = qobject_cast<QAction*>(langKiosk.value<QObject*>()))
            if (auto* b = gbPopUpHiddenBck->findChild<QPushButton*>(QStringLiteral("SpeedButtonPopUpHiddenBckLangKiosk")))
                fConns << QObject::connect(b, &QPushButton::clicked, ctx, [a] { a->trigger(); });

    fDrives = fNotif ? fNotif->RemovableDrives() : nullptr;
    FlowLayoutHiddenBckContentToKey->setVisible(fDrives != nullptr);
    if (fDrives) {
        driveListFill();
        fTimer.start();
    }

    // Only a server the store configured receives the archive.
    fNetTransfer.reset();
    Photographe2* ph = nullptr;
    try {
        ph = main->GetWebSvcPhotographer();
    } catch (const EToDo&) {
        // No catalogue side in this window.
    }
    if (ph && !ph->ServeurFtpForUpdate().isEmpty())
        fNetTransfer = std::make_unique<TNetTransfer>(ph->ProtoFtpForUpdate(), ph->ServeurFtpForUpdate(),
                                                      ph->LoginFtpForUpdate(), ph->PasswordFtpForUpdate());
    else if (ph && !ph->ServeurFtpOrHttp().isEmpty())
        fNetTransfer = std::make_unique<TNetTransfer>(ph->ProtoFtp(), ph->ServeurFtpOrHttp(), ph->LoginFtp(), ph->PasswordFtp());
    FlowLayoutHiddenBckContentToHttp->setVisible(fNetTransfer != nullptr);

    cbPopupHiddenBckDebugMode->setChecked(main->GetDebugMode());
    fConns << QObject::connect(cbPopupHiddenBckDebugMode.get(), &QCheckBox::toggled, ctx, [this](bool on) {
        if (auto* cfg = dynamic_cast<TConfig*>(MainFrame()->Config()))
            cfg->SetDebugMode(on);
        MainFrame()->EventObservedRaise(moe_debugMode, nullptr);
    });
    auto* cfg = dynamic_cast<TConfig*>(main->Config());
    cbPopupHiddenBckAutoHideKeyboard->setChecked(cfg ? cfg->AutoHideKeyboard() : true);
    cbPopupHiddenBckAutoHideKeyboard->setVisible(TVirtualKeyboardService::AutoShowMode() != TVKAutoShowMode::Never);
    fConns << QObject::connect(cbPopupHiddenBckAutoHideKeyboard.get(), &QCheckBox::toggled, ctx, [this](bool on) {
        if (auto* c = dynamic_cast<TConfig*>(MainFrame()->Config()))
            c->SetAutoHideKeyboard(on);
        TVirtualKeyboardService::Instance().setAutoHideKeyboard(on);
    });
    waitHide();
    status(QString());
}

void TCtrlPopupHiddenBck::OnClose()
{
    TCtrlPopupHard::OnClose();
    fTimer.stop();
    for (const auto& c : fConns)
        QObject::disconnect(c);
    fConns.clear();
    ActionExitApp->setVisible(fActionExitActive);
    ActionExitApp->setEnabled(fActionExitActive);
    ActionDisconnect->setVisible(fActionDisconnectActive);
    ActionDisconnect->setEnabled(fActionDisconnectActive);
}

void TCtrlPopupHiddenBck::OnResize(QWidget* parent)
{
    TCtrlPopupHard::OnResize(parent);
}

void TCtrlPopupHiddenBck::driveListFill()
{
    fTickChange = fDrives->RefreshCounter();
    QComboBox* list = cbPopUpHiddenBckSelectDrive;
    list->clear();
    for (const TRemovableDrive& d : fDrives->Drives())
        if (d.removable && !d.readOnly)
            list->addItem(d.label, d.path);
    SpeedButtonPopUpHiddenBckBackup->setVisible(list->count() > 0);
    if (list->count() > 0)
        list->setCurrentIndex(0);
}

void TCtrlPopupHiddenBck::DriveListWatch()
{
    if (!fDrives)
        return;
    fTimer.stop();
    fDrives->Refresh();
    if (fDrives->RefreshCounter() != fTickChange)
        driveListFill();
    fTimer.start();
}

void TCtrlPopupHiddenBck::statusShow(const QString& text)
{
    LabelPopUpHiddenBckStatus->setText(text.isEmpty() ? ResourceStatus() : text);
}

QString TCtrlPopupHiddenBck::ResourceStatus()
{
    double sizeMb = 0;
    uint items = 0;
    if (TOrderBitmapCache* cache = fNotif ? fNotif->BitmapCacheObj() : nullptr) {
        sizeMb = double(cache->CacheSizeActual()) / 1048576.0;
        items = uint(cache->ItemCountActual());
    }
    return QStringLiteral("DL: %1, ram: %2, cache: %3MB (%4)")
        .arg(TAppTools::getDeviceLanguageRaw(), TAppTools::AppMemoryUsageStr())
        .arg(sizeMb, 0, 'f', 1)
        .arg(items);
}

void TCtrlPopupHiddenBck::waitShow()
{
    gbPopUpHiddenBck->setEnabled(false);
    AniIndicatorPopUpHiddenBckStatus->show();
    static_cast<TAniIndicator*>(AniIndicatorPopUpHiddenBckStatus.get())->setEnabled(true);
    ProgressBarPopUpHiddenBckStatus->hide();
}

void TCtrlPopupHiddenBck::waitHide()
{
    gbPopUpHiddenBck->setEnabled(true);
    AniIndicatorPopUpHiddenBckStatus->hide();
    static_cast<TAniIndicator*>(AniIndicatorPopUpHiddenBckStatus.get())->setEnabled(false);
    ProgressBarPopUpHiddenBckStatus->hide();
}

void TCtrlPopupHiddenBck::clearCacheClick()
{
    ActionClearCache->trigger();
    status(QString());
}

void TCtrlPopupHiddenBck::StartZipToKey()
{
    waitStart();
    try {
        const QString drive = cbPopUpHiddenBckSelectDrive->currentData().toString();
        if (cbPopUpHiddenBckSelectDrive->currentIndex() < 0 || drive.isEmpty())
            throw EUser(QStringLiteral("Please select a drive"));
        status(QStringLiteral("Starting zip backup to key..."));
        std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
        MainFrame()->WebSvcAddCall([this, weak, drive] {
            if (auto self = weak.lock())
                asyncZipToKey(drive);
        });
    } catch (...) {
        status(QString());
        waitEnd();
        if (!cbPopUpHiddenBckSelectDrive->currentData().isValid())
            cbPopUpHiddenBckSelectDrive->setFocus();
        throw;
    }
}

void TCtrlPopupHiddenBck::asyncZipToKey(const QString& drivePath)
{
    try {
        if (drivePath.isEmpty())
            throw EUser(QStringLiteral("Please select a drive"));
        auto* cfg = dynamic_cast<TConfig*>(MainFrame()->Config());
        if (!cfg)
            throw ESystem(QStringLiteral("Zip not created or invalid. Please retry!"));
        status(QStringLiteral("Generating zip file..."));
        const QString zip = makeZipFile(*cfg);
        const QString target = QDir(drivePath).filePath(QFileInfo(zip).fileName());
        status(QStringLiteral("Copying zip file to key..."));
        try {
            // Through a temporary name, renamed only when complete; an
            // existing archive of that name is never replaced.
            const QString part = target + QStringLiteral(".part");
            QFile::remove(part);
            if (QFileInfo::exists(target))
                throw EOSError(QStringLiteral("Cannot copy \"%1\": the file exists").arg(target));
            if (!QFile::copy(zip, part))
                throw EOSError(QStringLiteral("Cannot copy \"%1\" to \"%2\"").arg(zip, part));
            if (!QFile::rename(part, target)) {
                QFile::remove(part);
                throw EOSError(QStringLiteral("Cannot copy \"%1\" to \"%2\"").arg(zip, target));
            }
        } catch (...) {
            QFile::remove(zip);
            EUser e(QStringLiteral("The ZIP creation has failed on your media"));
            e.SetInnerException(std::current_exception());
            throw e;
        }
        QFile::remove(zip);
        std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
        MainFrame()->GuiQueueAddCall([this, weak, target] {
            if (!weak.lock())
                return;
            MainFrame()->ShowInfo(QStringLiteral("A zip backup was successfully created at path : \n") + target, nullptr);
            status(QString());
            waitEnd();
        }, true, nullptr);
    } catch (const std::exception& e) {
        waitEndEx(e, nullptr);
    }
}

void TCtrlPopupHiddenBck::StartZipToHttp()
{
    waitStart();
    try {
        if (!fNetTransfer)
            throw EUser(QStringLiteral("The ZIP transfer has failed on server  : \n%1").arg(QString()));
        status(QStringLiteral("Starting zip backup to server..."));
        std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
        MainFrame()->WebSvcAddCall([this, weak] {
            if (auto self = weak.lock())
                asyncZipToHttp();
        });
    } catch (...) {
        status(QString());
        waitEnd();
        throw;
    }
}

void TCtrlPopupHiddenBck::asyncZipToHttp()
{
    try {
        auto* cfg = dynamic_cast<TConfig*>(MainFrame()->Config());
        if (!cfg)
            throw ESystem(QStringLiteral("Zip not created or invalid. Please retry!"));
        status(QStringLiteral("Generating zip file..."));
        const QString zip = makeZipFile(*cfg);
        const QString name = QFileInfo(zip).fileName();
        status(QStringLiteral("Transfering zip file to server..."));
        QString server;
        try {
            server = fNetTransfer->ServerInfoStr();
            fNetTransfer->UploadFile(zip, kServerZipFolder + name, false);
        } catch (...) {
            QFile::remove(zip);
            EUser e(QStringLiteral("The ZIP transfer has failed on server  : \n%1").arg(server));
            e.SetInnerException(std::current_exception());
            throw e;
        }
        QFile::remove(zip);
        std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
        MainFrame()->GuiQueueAddCall([this, weak, server, name] {
            if (!weak.lock())
                return;
            MainFrame()->ShowInfo(QStringLiteral("A zip backup was successfully transfered on server : \n") + server
                                      + QStringLiteral("\nFile name: ") + name,
                                  nullptr);
            status(QString());
            waitEnd();
        }, true, nullptr);
    } catch (const std::exception& e) {
        waitEndEx(e, nullptr);
    }
}
