#include "UConfig.h"

#include "UDebug.h"
#include "UTools.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

TConfig* TConfig::sInstance = nullptr;

namespace {

// One separator between the two parts, whatever the first one ends with.
QString combine(const QString& base, const QString& name)
{
    if (base.isEmpty())
        return name;
    if (base.endsWith(QLatin1Char('/')))
        return base + name;
    return base + QLatin1Char('/') + name;
}

QString makeDir(const QString& path)
{
    return TFileTools::MakeDirRec(path);
}

// Blanks and control characters off both ends.
QString trimCtl(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

// Deletes every file of the folder that matches the mask, logging each one
// under the operation's name; a file that cannot be deleted is logged and
// the clean-up goes on.
void deleteMatching(const QString& folder, const QString& mask, const QString& opName)
{
    QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList({ mask }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& fi : entries) {
        const QString path = fi.absoluteFilePath();
        if (QFile::remove(path))
            LogDebug(opName + QStringLiteral(": file ") + path + QStringLiteral(" deleted"));
        else
            LogError(opName + QStringLiteral(": Can't delete file ") + path);
    }
}

bool createEmptyFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.close();
    return true;
}

// The file beside the executable can be used in place only when we can
// replace it: the file and its folder must be writable, since every save
// writes a temporary file there and renames it over the old one. A file
// without the owner's write bit counts as read-only even for a superuser.
bool isReadOnlyForUs(const QString& path)
{
    const QFileInfo fi(path);
    if (!(fi.permissions() & QFileDevice::WriteOwner))
        return true;
    if (!fi.isWritable())
        return true;
    return !QFileInfo(fi.absolutePath()).isWritable();
}

} // namespace

// ---------------------------------------------------------------------------
// Life cycle

TConfig::TConfig()
{
    fServerUrl = QString::fromLatin1(kDefaultServerUrl);
    fLanguage = QStringLiteral("?") + TAppTools::getDeviceLanguage();
    fDirty = true;
}

TConfig::~TConfig() = default;

TConfig* TConfig::Instance()
{
    if (!sInstance) {
        sInstance = new TConfig();
        sInstance->Init();
    }
    return sInstance;
}

void TConfig::InstanceFree()
{
    delete sInstance;
    sInstance = nullptr;
}

void TConfig::Init()
{
    fIOerrorMsg.clear();
    try {
        InitFilePath();
        Load();
        Save();
    } catch (const std::exception& e) {
        fIOerrorMsg = TLogFile::exceptionToString(e, TQzLogDest::MsgBox, false);
    }
}

QString TConfig::ExeFolder()
{
    return TFileTools::AppExePath();
}

QString TConfig::UserDataFolder()
{
    return TFileTools::AppUserDataPathLow();
}

QString TConfig::UserCacheFolder()
{
    return TFileTools::AppCachePathLow();
}

QString TConfig::UserTempFolder()
{
    return TFileTools::AppTempPathLow();
}

QString TConfig::SiblingFixedPath()
{
    return QString::fromLatin1(kSiblingFixedPath);
}

QString TConfig::AppVersionStr()
{
    return TAppTools::GetAppVersionStr();
}

// ---------------------------------------------------------------------------
// Finding, importing, loading and saving the file

void TConfig::InitFilePath()
{
    fFilePath.clear();
    fAllFilesNearCfgFile = false;

    // A failure here (the per-user folder cannot be made) leaves no file.
    const QString userFile = combine(UserDataFolder(), QString::fromLatin1(kFileName));
    try {
        const QString exeFolder = ExeFolder();
        const QString exeFile = combine(exeFolder, QString::fromLatin1(kFileName));
        const QString siblingBeside = combine(exeFolder, QString::fromLatin1(kSiblingFileName));
        if (QFileInfo::exists(exeFile)) {
            if (isReadOnlyForUs(exeFile)) {
                if (!QFileInfo::exists(userFile)) {
                    if (!QFile::copy(exeFile, userFile))
                        throw Exception(QStringLiteral("TConfig.InitFilePath: can't copy ") + exeFile
                                        + QStringLiteral(" to ") + userFile);
                    // The copy holds the lab password: owner only, and
                    // writable, since we save it from now on.
                    QFile::setPermissions(userFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                }
                fFilePath = userFile;
            } else {
                fFilePath = exeFile;
                fAllFilesNearCfgFile = true;
            }
        } else if (QFileInfo::exists(siblingBeside)) {
            LoadDotNetCfg(siblingBeside);
            fFilePath = exeFile;
            fAllFilesNearCfgFile = true;
        } else if (const QString fixed = SiblingFixedPath(); !fixed.isEmpty() && QFileInfo::exists(fixed)) {
            LoadDotNetCfg(fixed);
            fFilePath = exeFile;
            fAllFilesNearCfgFile = true;
        } else {
            fFilePath = userFile;
        }
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TConfig.InitFilePath"), e);
        fFilePath = userFile;
        fAllFilesNearCfgFile = false;
    }
}

void TConfig::LoadDotNetCfg(const QString& path)
{
    LogDebug(QStringLiteral("TConfig.LoadDotNetCfg: path=") + path);
    TXMLSerializer ser;
    ser.LoadFromFile(path);
    ser.LoadXmlData();

    if (auto endpoint = ser.FindNodeByTagPath(nullptr, { QStringLiteral("system.serviceModel"), QStringLiteral("client"),
                                                         QStringLiteral("endpoint") })) {
        QString address;
        if (TXMLSerializer::GetNodeAttribute(endpoint, QStringLiteral("address"), address)) {
            const QString svc = QString::fromLatin1(kServiceFileName);
            if (address.contains(svc)) {
                address.remove(svc);
                address = trimCtl(address);
            }
            SetServerUrl(address);
        }
    }

    if (auto settings = ser.FindNodeByTagPath(
            nullptr, { QStringLiteral("applicationSettings"), QStringLiteral("Tallowfern.Properties.Settings") })) {
        if (auto login = ser.FindNodeByName(settings, QStringLiteral("LOGIN"))) {
            if (auto value = ser.FindNodeByTag(login, QStringLiteral("value")))
                SetLogin(trimCtl(ser.GetNodeValue(value)));
        }
        if (auto pwd = ser.FindNodeByName(settings, QStringLiteral("PASSWORD"))) {
            if (auto value = ser.FindNodeByTag(pwd, QStringLiteral("value")))
                SetPassword(trimCtl(ser.GetNodeValue(value)));
        }
    }
    fDirty = true;
}

namespace {

void registerConfigNames(TXMLSerializer& ser)
{
    ser.ClassRegister(TConfig::StaticClassInfo(), QStringLiteral("Config"));
    ser.ClassRegister(TConfig::StaticClassInfo(), QString(), true);
}

} // namespace

void TConfig::Load()
{
    if (fFilePath.isEmpty())
        return;
    LogDebug(QStringLiteral("TConfig.Load: path=") + fFilePath);
    if (!QFileInfo::exists(fFilePath)) {
        fDirty = true;
        return;
    }
    try {
        TXMLSerializer ser;
        registerConfigNames(ser);
        ser.LoadFromFile(fFilePath);
        ser.LoadObject(this);
    } catch (...) {
        keepUnreadableFile();
        throw;
    }
    fDirty = false;
}

void TConfig::keepUnreadableFile()
{
    // The next save writes the defaults over the file: a copy keeps the
    // store's login and settings for someone to look at.
    const QString bad = fFilePath + QStringLiteral(".bad");
    if (QFileInfo::exists(bad) && !QFile::remove(bad)) {
        LogError(QStringLiteral("TConfig.Load: unreadable file not kept, cannot replace ") + bad);
        return;
    }
    if (QFile::copy(fFilePath, bad))
        LogWarn(QStringLiteral("TConfig.Load: unreadable file kept as ") + bad);
    else
        LogError(QStringLiteral("TConfig.Load: unreadable file could not be kept as ") + bad);
}

void TConfig::Save()
{
    if (!fDirty || fFilePath.isEmpty())
        return;
    LogDebug(QStringLiteral("TConfig.Save: path=") + fFilePath);
    TXMLSerializer ser;
    registerConfigNames(ser);
    ser.SaveObject(this);
    // The file holds the lab password: readable by its owner only.
    ser.SaveToFile(fFilePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    fDirty = false;
}

// ---------------------------------------------------------------------------
// Keys

QString TConfig::PopupHelpOpened() const
{
    return fPopupHelpOpenedList.join(QLatin1Char(';'));
}

void TConfig::SetPopupHelpOpened(const QString& v)
{
    if (v.isEmpty())
        fPopupHelpOpenedList.clear();
    else
        fPopupHelpOpenedList = v.split(QLatin1Char(';'), Qt::KeepEmptyParts);
}

void TConfig::popupHelpOpenedListAdd(const QString& key)
{
    fPopupHelpOpenedList.append(key);
    fDirty = true;
}

bool TConfig::IsLoginOrPasswordFilled()
{
    return !fLogin.isEmpty() && !fPassword.isEmpty();
}

// ---------------------------------------------------------------------------
// Base folders

QString TConfig::ConfigFolder()
{
    if (fFilePath.isEmpty())
        throw Exception(QStringLiteral("TConfig: invalid argument, no configuration file path"));
    return QFileInfo(fFilePath).absolutePath();
}

QString TConfig::CalcTempPath()
{
    if (fAllFilesNearCfgFile)
        return makeDir(combine(ConfigFolder(), QStringLiteral("Temp")));
    return makeDir(UserTempFolder());
}

QString TConfig::CalcCachePath()
{
    if (fAllFilesNearCfgFile)
        return makeDir(combine(ConfigFolder(), QStringLiteral("Cache")));
    return makeDir(UserCacheFolder());
}

QString TConfig::CalcInternalResPath()
{
    return makeDir(combine(CalcCachePath(), QStringLiteral("internalRes")));
}

// ---------------------------------------------------------------------------
// Folders and files

QString TConfig::PathOrDefault(const QString& key, const char* defaultName)
{
    // Never raises: the log folder is computed before the log exists, and a
    // failure is kept for the start-up message instead.
    try {
        QString result = key;
        if (result.isEmpty() && !fFilePath.isEmpty())
            result = combine(ConfigFolder(), QString::fromLatin1(defaultName));
        return result;
    } catch (const std::exception& e) {
        if (fIOerrorMsg.isEmpty())
            fIOerrorMsg = TLogFile::exceptionToString(e, TQzLogDest::MsgBox, false);
        return QString();
    }
}

QString TConfig::CalcLogFilePath()
{
    return PathOrDefault(fLogFilePath, "Logs");
}

QString TConfig::CalcOrderArchivePath()
{
    return PathOrDefault(fOrderArchivePath, "Order Archive");
}

QString TConfig::CalcOrderBackupPath()
{
    return PathOrDefault(fOrderBackupPath, "Order Backup");
}

QString TConfig::CalcLocalOrdersPath()
{
    return makeDir(combine(ConfigFolder(), QStringLiteral("Orders")));
}

QString TConfig::CalcDemoImagePath()
{
    return combine(ConfigFolder(), QStringLiteral("Demo Pictures"));
}

QString TConfig::CalcGalleryProPath()
{
    return combine(ConfigFolder(), QStringLiteral("Shop Pictures"));
}

QString TConfig::GetCalibrationPath()
{
    return combine(ConfigFolder(), QStringLiteral("calibration.jpg"));
}

QString TConfig::CalcLanguagesExportPath()
{
    return makeDir(combine(ConfigFolder(), QStringLiteral("LanguagesExport")));
}

QString TConfig::GetRuVodevadeExePath()
{
    // The companion program is a native program without extension here.
    return combine(ExeFolder(), QStringLiteral("RuVodevade"));
}

QString TConfig::GetRuVodevadeConfigPath()
{
    return combine(CalcTempPath(), QStringLiteral("RuVodevade.cfg"));
}

QString TConfig::GetUpdateTempPath()
{
    return combine(CalcTempPath(), QStringLiteral("Update temp"));
}

QString TConfig::GetUpdateInstallPathRoot()
{
    return combine(CalcTempPath(), QStringLiteral("Update install"));
}

QString TConfig::FolderUpdateInstallPathWithOS()
{
    return combine(GetUpdateInstallPathRoot(), QString::fromLatin1(kUpdatePlatformName));
}

QString TConfig::GetKioskInUsePath()
{
    return combine(CalcTempPath(), QStringLiteral("KioskInUse.qz"));
}

QString TConfig::GetKioskLockedPath()
{
    return combine(CalcTempPath(), QStringLiteral("KioskLocked.qz"));
}

QString TConfig::CalcBluetoothPath()
{
    if (!fBluetoothPath.isEmpty())
        return fBluetoothPath;
    return combine(CalcTempPath(), QStringLiteral("Bluetooth"));
}

QString TConfig::CalcKioskOffLinePath()
{
    if (!fKioskOffLinePath.isEmpty())
        return fKioskOffLinePath;
    return combine(CalcTempPath(), QStringLiteral("KioskOffLine"));
}

QString TConfig::CalcImagesCachePath()
{
    return makeDir(combine(CalcTempPath(), QStringLiteral("ImagesCache")));
}

QString TConfig::GetFileOrderBackupPath()
{
    return combine(CalcCachePath(), QStringLiteral("OrderBackup.qzo"));
}

QString TConfig::CalcStyleInfoPath()
{
    return combine(CalcCachePath(), QStringLiteral("styleInfo.xml"));
}

QString TConfig::GetShopInfoBootPath()
{
    return combine(CalcCachePath(), QStringLiteral("ShopInfoBoot.qzinf"));
}

QString TConfig::GetShopInfoCommonPath()
{
    return combine(CalcCachePath(), QStringLiteral("ShopInfoCommon.qzinf"));
}

QString TConfig::GetShopInfoProdPrintPath()
{
    return combine(CalcCachePath(), QStringLiteral("ShopInfoPrint.qzinf"));
}

QString TConfig::GetShopInfoProdTplPath()
{
    return combine(CalcCachePath(), QStringLiteral("ShopInfoTpl.qzinf"));
}

QString TConfig::GetShopInfoProdBookPath()
{
    return combine(CalcCachePath(), QStringLiteral("ShopInfoBook.qzinf"));
}

QString TConfig::GetShopTplInfoPath(int themeId, int tplWidth, int tplHeight)
{
    QString part;
    if (themeId == -1)
        part = QStringLiteral("*");
    else if (themeId == -2)
        part = QStringLiteral("CM");
    else if (themeId == -3)
        part = QStringLiteral("CA");
    else if (themeId <= 1)
        throw Exception(QStringLiteral("TConfig.GetShopTplInfoPath: invalid theme id"));
    else
        part = QString::number(themeId);
    // The smaller side first, so that the orientation of the template does
    // not matter.
    if (tplWidth > 0 || tplHeight > 0)
        part = QStringLiteral("%1-%2-%3").arg(part).arg(qMin(tplWidth, tplHeight)).arg(qMax(tplWidth, tplHeight));
    return combine(CalcCachePath(), QStringLiteral("ShopTplInfo-") + part + QStringLiteral(".qzinf"));
}

QStringList TConfig::GetShopTplInfoFiles()
{
    const QString pattern = QFileInfo(GetShopTplInfoPath(-1, -1, -1)).fileName();
    QStringList result;
    QDirIterator it(CalcCachePath(), { pattern }, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext())
        result.append(it.next());
    return result;
}

void TConfig::CleanShopTplInfoFiles()
{
    const QString pattern = QFileInfo(GetShopTplInfoPath(-1, -1, -1)).fileName();
    deleteMatching(CalcCachePath(), pattern, QStringLiteral("TConfig.CleanShopTplInfoFiles"));
}

QString TConfig::CalcCacheScrapPath()
{
    return makeDir(combine(CalcCachePath(), QStringLiteral("scrapPictures")));
}

QString TConfig::CalcCacheScrapFilePath(const QString& id)
{
    return combine(CalcCacheScrapPath(), SafeFileNamePart(id));
}

QString TConfig::CalcCacheVisualsPath()
{
    return makeDir(combine(CalcCachePath(), QStringLiteral("visuals")));
}

QString TConfig::CalcCacheVisualsFilePath(int vignetteId)
{
    return combine(CalcCacheVisualsPath(), QString::number(vignetteId) + QStringLiteral(".jpg"));
}

QString TConfig::GetPriceFilePath()
{
    return combine(CalcInternalResPath(), QStringLiteral("price-file-"));
}

QString TConfig::CalcFilePricePath(const QString& fileName)
{
    return GetPriceFilePath() + SafeFileNamePart(fileName);
}

QString TConfig::GetReceiptLogoPath()
{
    const QString base = combine(CalcInternalResPath(), QStringLiteral("receipt-logo"));
    for (const char* ext : { ".jpg", ".png", "" }) {
        const QString candidate = base + QString::fromLatin1(ext);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return QString();
}

QString TConfig::CalcLogoPath()
{
    return combine(CalcInternalResPath(), QStringLiteral("zeb-logo.png"));
}

QString TConfig::CalcFrontPrintImgWithDate()
{
    return combine(CalcInternalResPath(), QStringLiteral("ImgWithDate.jpg"));
}

QString TConfig::CalcFrontPrintImgWithDateTime()
{
    return combine(CalcInternalResPath(), QStringLiteral("ImgWithDateTime.jpg"));
}

QString TConfig::CalcFrontPrintImgWithoutDate()
{
    return combine(CalcInternalResPath(), QStringLiteral("ImgWithoutDate.jpg"));
}

QString TConfig::SoftCrashFilePath()
{
    return combine(CalcCachePath(), AppVersionStr() + QStringLiteral(".crash.vers"));
}

QString TConfig::HardCrashFilePath()
{
    return combine(CalcCachePath(), AppVersionStr() + QStringLiteral(".crash2.vers"));
}

QString TConfig::VersionMarkerFilePath()
{
    return combine(CalcCachePath(), AppVersionStr() + QStringLiteral(".vers"));
}

QString TConfig::SafeFileNamePart(const QString& name)
{
    bool safe = !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7F) {
            safe = false;
            break;
        }
    }
    if (safe)
        return name;
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            out.append(QLatin1Char('_'));
        else
            out.append(c);
    }
    // Only dots (or nothing) left would still name the folder or its parent.
    if (out.isEmpty() || out.count(QLatin1Char('.')) == out.size())
        out = QStringLiteral("_") + out;
    return out;
}

// ---------------------------------------------------------------------------
// Version and crash markers

bool TConfig::DoOpOnFirstAppVersionBoot()
{
    const QString marker = VersionMarkerFilePath();
    if (QFileInfo::exists(marker))
        return false;
    const QString cache = CalcCachePath();
    deleteMatching(cache, QStringLiteral("*.vers"), QStringLiteral("TConfig.CleanVersionFile"));
    // Language files extracted from the program's resources: the next
    // language load compares the cache with this version's dictionaries.
    deleteMatching(cache, QStringLiteral("*.xmlres"), QStringLiteral("TLangTools.CleanLangFileFromRes"));
    if (!createEmptyFile(marker))
        throw Exception(QStringLiteral("TConfig.DoOpOnFirstAppVersionBoot: can't create file ") + marker);
    return true;
}

void TConfig::SoftCrashDetectionEnd()
{
    if (fSoftCrashStatus == -1)
        return;
    try {
        const QString marker = SoftCrashFilePath();
        if (QFileInfo::exists(marker) && !QFile::remove(marker))
            throw Exception(QStringLiteral("TConfig.SoftCrashDetectionEnd: can't delete file ") + marker);
        fSoftCrashStatus = -1;
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TConfig.SoftCrashDetectionEnd"), e);
    }
}

void TConfig::HardCrashDetectionStart()
{
    if (fHardCrashStatus == 1)
        return;
    try {
        const QString marker = HardCrashFilePath();
        if (!QFileInfo::exists(marker) && !createEmptyFile(marker))
            throw Exception(QStringLiteral("TConfig.HardCrashDetectionStart: can't create file ") + marker);
        fHardCrashStatus = 1;
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TConfig.HardCrashDetectionStart"), e);
    }
}

bool TConfig::IsHardCrashDetected()
{
    if (QFileInfo::exists(HardCrashFilePath()))
        return true;
    HardCrashDetectionStart();
    return false;
}

void TConfig::HardCrashDetectionEnd()
{
    if (fHardCrashStatus == -1)
        return;
    try {
        const QString marker = HardCrashFilePath();
        if (QFileInfo::exists(marker) && !QFile::remove(marker))
            throw Exception(QStringLiteral("TConfig.HardCrashDetectionEnd: can't delete file ") + marker);
        fHardCrashStatus = -1;
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TConfig.HardCrashDetectionEnd"), e);
    }
}

// ---------------------------------------------------------------------------
// Stored keys, in the order they are written

KIOSK_ENUM_DEFINE(TQzUseMode, QStringLiteral("TQzUseMode"), QString(), "Std", "TouchScreen", "FullScreen",
                  "FullTouchScreen", "Kiosk", "Mobile")
KIOSK_ENUM_DEFINE(TBluetoothMode, QStringLiteral("TBluetoothMode"), QString(), "BluetoothAuto", "BluetoothEnabled",
                  "BluetoothDisabled", "BluetoothExtern")

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TConfigInfo, TXMLSerializable, )

#define CFG_KEY(Type, Name) \
    b.Property<Type>(#Name, [](const TConfig& c) { return c.Name(); }, [](TConfig& c, Type v) { c.Set##Name(v); }, nullptr);
#define CFG_FLOAT_KEY(Name)                                                                                 \
    b.Property<double>(                                                                                    \
        #Name, [](const TConfig& c) { return double(c.Name()); }, [](TConfig& c, double v) { c.Set##Name(float(v)); }, \
        nullptr);

KIOSK_SERIALIZABLE_DESCRIBE(TConfig, TConfigInfo,
    CFG_KEY(QString, ServerUrl)
    CFG_KEY(bool, ServerOffline)
    CFG_KEY(TQzUseMode, QzuseMode)
    CFG_KEY(QString, Login)
    CFG_KEY(QString, Password)
    CFG_KEY(bool, AutoLogin)
    CFG_KEY(QString, Language)
    CFG_KEY(bool, DebugMode)
    CFG_KEY(bool, DevMode)
    CFG_KEY(QString, LogFilePath)
    CFG_KEY(QString, OrderArchivePath)
    CFG_KEY(QString, OrderBackupPath)
    CFG_KEY(qint32, LogFileMax)
    b.Property<qint32>(
        "LogFileLevel", [](const TConfig& c) { return qint32(c.LogFileLevel()); },
        [](TConfig& c, qint32 v) { c.SetLogFileLevel(v); }, nullptr);
    CFG_KEY(QString, LastUsedByApp)
    CFG_KEY(bool, ShowScreenTel)
    CFG_KEY(bool, ShowScreenNameRef)
    CFG_KEY(TBluetoothMode, BluetoothMode)
    CFG_KEY(QString, BluetoothPath)
    CFG_KEY(QString, BluetoothDeviceId)
    CFG_KEY(QString, BluetoothDevicePwd)
    CFG_KEY(QString, KioskOffLinePath)
    CFG_FLOAT_KEY(ZoomFactor)
    CFG_FLOAT_KEY(ThumbnailsFactor)
    CFG_FLOAT_KEY(ThumbnailsBigFactor)
    CFG_FLOAT_KEY(ThumbnailsOvwFactor)
    CFG_KEY(qint32, BackupAutoDelayS)
    CFG_FLOAT_KEY(KioskReceiptWidth)
    CFG_KEY(qint32, KioskReceiptCopyNumber)
    CFG_KEY(qint32, KioskTurnOverTimer)
    CFG_KEY(bool, AutoHideKeyboard)
    CFG_KEY(double, GalleryProCoeff)
    CFG_KEY(bool, UpdateAppOnLoad)
    CFG_KEY(QString, PopupHelpOpened)
    CFG_KEY(bool, FacebookDisabled)
    CFG_KEY(QString, FacebookGraphUrl)
    CFG_KEY(QString, FacebookDialogUrl)
    CFG_KEY(QString, FacebookApiVersion)
)

#undef CFG_KEY
#undef CFG_FLOAT_KEY
