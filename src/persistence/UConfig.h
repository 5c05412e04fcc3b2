#pragma once
// The kiosk's configuration: the settings that survive a restart, the file
// "Brindlewick.qzcfg" that holds them, and every folder and file path of the
// system, computed from the configuration, temporary and cache folders.
//
// Folder mapping on Linux (through TFileTools, which asks QStandardPaths):
// - per-user folder (roaming application data on the original platform):
//   $XDG_CONFIG_HOME/XJQ/Brindlewick (usually ~/.config/XJQ/Brindlewick);
// - per-user cache folder (local application data):
//   $XDG_DATA_HOME/XJQ/Brindlewick (usually ~/.local/share/XJQ/Brindlewick);
// - per-user temporary folder: $TMPDIR/XJQ/Brindlewick (usually /tmp/...);
// - executable folder: the folder of the running program.
#include "UXmlSerializer.h"

#include <QString>
#include <QStringList>
#include <memory>

enum class TQzUseMode { Std, TouchScreen, FullScreen, FullTouchScreen, Kiosk, Mobile };
KIOSK_ENUM_DECLARE(TQzUseMode)
enum class TBluetoothMode { BluetoothAuto, BluetoothEnabled, BluetoothDisabled, BluetoothExtern };
KIOSK_ENUM_DECLARE(TBluetoothMode)

// What the order model, the catalogue files and the screens need of the
// configuration. TConfig is its only implementation.
class TConfigInfo : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TConfigInfo)
public:
    virtual QString CalcInternalResPath() = 0;
    virtual QString CalcGalleryProPath() = 0;
    virtual double GetGalleryProCoeff() = 0;
    virtual QString CalcCacheVisualsPath() = 0;
    virtual QString CalcCacheScrapPath() = 0;
    virtual QString CalcLocalOrdersPath() = 0;
    virtual float GetKioskReceiptWidth() = 0;
    virtual bool GetAutoHideKeyboard() = 0;
    virtual int GetKioskReceiptCopyNumber() = 0;
    virtual int GetKioskTurnOverTimer() = 0;
    virtual QString CalcFileReceiptLogoPath() = 0;
    virtual bool GetShowScreenNameRef() = 0;
    virtual bool GetShowScreenTel() = 0;
    virtual QString CalcFileKioskLockedPath() = 0;
    virtual QString CalcCacheVisualsFilePath(int vignetteId) = 0;
    virtual QString CalcCacheScrapFilePath(const QString& id) = 0;
    virtual QString CalcTempPath() = 0;
    virtual QString CalcCachePath() = 0;
    virtual QString CalcDemoImagePath() = 0;
    virtual QString CalcFrontPrintImgWithDate() = 0;
    virtual QString CalcFrontPrintImgWithDateTime() = 0;
    virtual QString CalcFrontPrintImgWithoutDate() = 0;
    virtual QString CalcLanguagesExportPath() = 0;
    virtual QString CalcFilePricePath(const QString& fileName) = 0;
    virtual QString CalcLogoPath() = 0;
    virtual void CleanShopTplInfoFiles() = 0;
    virtual QString GetShopInfoBootPath() = 0;
    virtual QString GetShopInfoCommonPath() = 0;
    virtual QString GetShopInfoProdPrintPath() = 0;
    virtual QString GetShopInfoProdTplPath() = 0;
    virtual QString GetShopInfoProdBookPath() = 0;
    virtual QString GetShopTplInfoPath(int themeId, int tplWidth, int tplHeight) = 0;
    virtual bool IsLoginOrPasswordFilled() = 0;
    virtual QStringList& getPopupHelpOpenedList() = 0;
    virtual void popupHelpOpenedListAdd(const QString& key) = 0;
};

class TConfig : public TConfigInfo {
public:
    static constexpr const char* kFileName = "Brindlewick.qzcfg";
    static constexpr const char* kSiblingFileName = "Tallowfern.exe.config";
    // Where the sibling product installs itself when it is not beside us.
    static constexpr const char* kSiblingFixedPath = "/opt/Tallowfern/Tallowfern.exe.config";
    static constexpr const char* kDefaultServerUrl = "https://jpn.lumlab.example/JPN/";
    static constexpr const char* kServiceFileName = "LumLabService.svc";
    // Folder name of this platform's builds on the update server.
    static constexpr const char* kUpdatePlatformName = "linux64";

    // The single instance; the first call finds, loads and saves the file.
    static TConfig* Instance();
    static void InstanceFree();
    static bool IsSelfUpdateSupported() { return true; }

    ~TConfig() override;

    KIOSK_SERIALIZABLE_CLASS(TConfig)

    // Loads the file into this object, all or nothing. An unreadable file
    // is copied to "<file>.bad" (logged) before the next save replaces it.
    void Load();
    void Save();

    const QString& IOerrorMsg() const { return fIOerrorMsg; }
    const QString& FilePath() const { return fFilePath; }
    bool AllFilesNearCfgFile() const { return fAllFilesNearCfgFile; }
    bool IsDirty() const { return fDirty; }

    // Stored keys, in the order they are written.
    const QString& ServerUrl() const { return fServerUrl; }
    void SetServerUrl(const QString& v) { setStr(fServerUrl, v); }
    bool ServerOffline() const { return fServerOffline; }
    void SetServerOffline(bool v) { setVal(fServerOffline, v); }
    TQzUseMode QzuseMode() const { return fQzuseMode; }
    void SetQzuseMode(TQzUseMode v) { setVal(fQzuseMode, v); }
    const QString& Login() const { return fLogin; }
    void SetLogin(const QString& v) { setStr(fLogin, v); }
    const QString& Password() const { return fPassword; }
    void SetPassword(const QString& v) { setStr(fPassword, v); }
    bool AutoLogin() const { return fAutoLogin; }
    void SetAutoLogin(bool v) { setVal(fAutoLogin, v); }
    const QString& Language() const { return fLanguage; }
    void SetLanguage(const QString& v) { setStr(fLanguage, v); }
    bool DebugMode() const { return fDebugMode; }
    void SetDebugMode(bool v) { setVal(fDebugMode, v); }
    bool DevMode() const { return fDevMode; }
    void SetDevMode(bool v) { setVal(fDevMode, v); }
    const QString& LogFilePath() const { return fLogFilePath; }
    void SetLogFilePath(const QString& v) { setStr(fLogFilePath, v); }
    const QString& OrderArchivePath() const { return fOrderArchivePath; }
    void SetOrderArchivePath(const QString& v) { setStr(fOrderArchivePath, v); }
    const QString& OrderBackupPath() const { return fOrderBackupPath; }
    void SetOrderBackupPath(const QString& v) { setStr(fOrderBackupPath, v); }
    int LogFileMax() const { return fLogFileMax; }
    void SetLogFileMax(int v) { setVal(fLogFileMax, v); }
    quint8 LogFileLevel() const { return fLogFileLevel; }
    // Keeps the low byte, as the key is held in one unsigned byte.
    void SetLogFileLevel(qint64 v) { setVal(fLogFileLevel, quint8(v & 0xFF)); }
    const QString& LastUsedByApp() const { return fLastUsedByApp; }
    void SetLastUsedByApp(const QString& v) { setStr(fLastUsedByApp, v); }
    bool ShowScreenTel() const { return fShowScreenTel; }
    void SetShowScreenTel(bool v) { setVal(fShowScreenTel, v); }
    bool ShowScreenNameRef() const { return fShowScreenNameRef; }
    void SetShowScreenNameRef(bool v) { setVal(fShowScreenNameRef, v); }
    TBluetoothMode BluetoothMode() const { return fBluetoothMode; }
    void SetBluetoothMode(TBluetoothMode v) { setVal(fBluetoothMode, v); }
    const QString& BluetoothPath() const { return fBluetoothPath; }
    void SetBluetoothPath(const QString& v) { setStr(fBluetoothPath, v); }
    const QString& BluetoothDeviceId() const { return fBluetoothDeviceId; }
    void SetBluetoothDeviceId(const QString& v) { setStr(fBluetoothDeviceId, v); }
    const QString& BluetoothDevicePwd() const { return fBluetoothDevicePwd; }
    void SetBluetoothDevicePwd(const QString& v) { setStr(fBluetoothDevicePwd, v); }
    const QString& KioskOffLinePath() const { return fKioskOffLinePath; }
    void SetKioskOffLinePath(const QString& v) { setStr(fKioskOffLinePath, v); }
    float ZoomFactor() const { return fZoomFactor; }
    void SetZoomFactor(float v) { setClamped(fZoomFactor, v, 50, 150); }
    float ThumbnailsFactor() const { return fThumbnailsFactor; }
    void SetThumbnailsFactor(float v) { setClamped(fThumbnailsFactor, v, 50, 400); }
    float ThumbnailsBigFactor() const { return fThumbnailsBigFactor; }
    void SetThumbnailsBigFactor(float v) { setClamped(fThumbnailsBigFactor, v, 50, 400); }
    float ThumbnailsOvwFactor() const { return fThumbnailsOvwFactor; }
    void SetThumbnailsOvwFactor(float v) { setClamped(fThumbnailsOvwFactor, v, 50, 400); }
    int BackupAutoDelayS() const { return fBackupAutoDelayS; }
    void SetBackupAutoDelayS(int v) { setVal(fBackupAutoDelayS, v); }
    float KioskReceiptWidth() const { return fKioskReceiptWidth; }
    void SetKioskReceiptWidth(float v) { setVal(fKioskReceiptWidth, v); }
    int KioskReceiptCopyNumber() const { return fKioskReceiptCopyNumber; }
    void SetKioskReceiptCopyNumber(int v) { setVal(fKioskReceiptCopyNumber, v); }
    int KioskTurnOverTimer() const { return fKioskTurnOverTimer; }
    void SetKioskTurnOverTimer(int v) { setVal(fKioskTurnOverTimer, v); }
    bool AutoHideKeyboard() const { return fAutoHideKeyboard; }
    void SetAutoHideKeyboard(bool v) { setVal(fAutoHideKeyboard, v); }
    double GalleryProCoeff() const { return fGalleryProCoeff; }
    void SetGalleryProCoeff(double v) { setVal(fGalleryProCoeff, v); }
    bool UpdateAppOnLoad() const { return fUpdateAppOnLoad; }
    void SetUpdateAppOnLoad(bool v) { setVal(fUpdateAppOnLoad, v); }
    // The help-popup list joined with ";"; writing it replaces the list and
    // leaves the dirty flag alone.
    QString PopupHelpOpened() const;
    void SetPopupHelpOpened(const QString& v);
    bool FacebookDisabled() const { return fFacebookDisabled; }
    void SetFacebookDisabled(bool v) { setVal(fFacebookDisabled, v); }
    // Where the social network lives: base of the Graph API, base of its
    // log-in dialog (both ending in "/"), and the API version.
    const QString& FacebookGraphUrl() const { return fFacebookGraphUrl; }
    void SetFacebookGraphUrl(const QString& v) { setStr(fFacebookGraphUrl, v); }
    const QString& FacebookDialogUrl() const { return fFacebookDialogUrl; }
    void SetFacebookDialogUrl(const QString& v) { setStr(fFacebookDialogUrl, v); }
    const QString& FacebookApiVersion() const { return fFacebookApiVersion; }
    void SetFacebookApiVersion(const QString& v) { setStr(fFacebookApiVersion, v); }

    // TConfigInfo
    QString CalcInternalResPath() override;
    QString CalcGalleryProPath() override;
    double GetGalleryProCoeff() override { return fGalleryProCoeff; }
    QString CalcCacheVisualsPath() override;
    QString CalcCacheScrapPath() override;
    QString CalcLocalOrdersPath() override;
    float GetKioskReceiptWidth() override { return fKioskReceiptWidth; }
    bool GetAutoHideKeyboard() override { return fAutoHideKeyboard; }
    int GetKioskReceiptCopyNumber() override { return fKioskReceiptCopyNumber; }
    int GetKioskTurnOverTimer() override { return fKioskTurnOverTimer; }
    QString CalcFileReceiptLogoPath() override { return GetReceiptLogoPath(); }
    bool GetShowScreenNameRef() override { return fShowScreenNameRef; }
    bool GetShowScreenTel() override { return fShowScreenTel; }
    QString CalcFileKioskLockedPath() override { return GetKioskLockedPath(); }
    QString CalcCacheVisualsFilePath(int vignetteId) override;
    QString CalcCacheScrapFilePath(const QString& id) override;
    QString CalcTempPath() override;
    QString CalcCachePath() override;
    QString CalcDemoImagePath() override;
    QString CalcFrontPrintImgWithDate() override;
    QString CalcFrontPrintImgWithDateTime() override;
    QString CalcFrontPrintImgWithoutDate() override;
    QString CalcLanguagesExportPath() override;
    QString CalcFilePricePath(const QString& fileName) override;
    QString CalcLogoPath() override;
    void CleanShopTplInfoFiles() override;
    QString GetShopInfoBootPath() override;
    QString GetShopInfoCommonPath() override;
    QString GetShopInfoProdPrintPath() override;
    QString GetShopInfoProdTplPath() override;
    QString GetShopInfoProdBookPath() override;
    QString GetShopTplInfoPath(int themeId, int tplWidth, int tplHeight) override;
    bool IsLoginOrPasswordFilled() override;
    QStringList& getPopupHelpOpenedList() override { return fPopupHelpOpenedList; }
    void popupHelpOpenedListAdd(const QString& key) override;

    // Further paths and files.
    QString CalcLogFilePath();
    QString CalcVkbLogFilePath() { return CalcLogFilePath(); }
    QString CalcOrderArchivePath();
    QString CalcOrderBackupPath();
    QString GetCalibrationPath();
    QString GetRuVodevadeExePath();
    QString GetRuVodevadeConfigPath();
    QString GetUpdateTempPath();
    QString GetUpdateInstallPathRoot();
    QString FolderUpdateInstallPathWithOS();
    QString GetKioskInUsePath();
    QString GetKioskLockedPath();
    QString CalcBluetoothPath();
    QString CalcKioskOffLinePath();
    QString CalcImagesCachePath();
    QString GetFileOrderBackupPath();
    QString CalcStyleInfoPath();
    QString GetPriceFilePath();
    QString GetReceiptLogoPath();
    QString SoftCrashFilePath();
    QString HardCrashFilePath();
    QString VersionMarkerFilePath();
    QStringList GetShopTplInfoFiles();

    // Version and crash markers.
    bool DoOpOnFirstAppVersionBoot();
    bool IsSoftCrashDetected() { return false; }
    void SoftCrashDetectionStart() { }
    void SoftCrashDetectionEnd();
    bool IsHardCrashDetected();
    void HardCrashDetectionStart();
    void HardCrashDetectionEnd();
    int SoftCrashStatus() const { return fSoftCrashStatus; }
    int HardCrashStatus() const { return fHardCrashStatus; }

    // A text from the lab (an id, a file name) made safe to use as one file
    // name inside a folder of ours: path separators, control characters and
    // names like ".." can never lead out of the folder. Safe names are kept
    // unchanged so that existing cache files are still found.
    static QString SafeFileNamePart(const QString& name);

protected:
    // Every key at its default; no file is touched.
    TConfig();

    // Finds the file, loads it and saves it when needed (the creation of the
    // single instance). Failures end up in IOerrorMsg.
    void Init();

    // The folders the configuration is looked for in and derives its paths
    // from; tests point them elsewhere.
    virtual QString ExeFolder();
    virtual QString UserDataFolder();
    virtual QString UserCacheFolder();
    virtual QString UserTempFolder();
    virtual QString SiblingFixedPath();
    virtual QString AppVersionStr();

    void InitFilePath();
    void LoadDotNetCfg(const QString& path);
    // As after a successful load or save.
    void ClearDirty() { fDirty = false; }

private:
    void keepUnreadableFile();
    QString ConfigFolder();
    QString PathOrDefault(const QString& key, const char* defaultName);

    template <class T>
    void setVal(T& field, const T& v)
    {
        if (field != v) {
            field = v;
            fDirty = true;
        }
    }
    void setStr(QString& field, const QString& v)
    {
        // Exact comparison: a change of letter case is a change.
        if (field.compare(v, Qt::CaseSensitive) != 0) {
            field = v;
            fDirty = true;
        }
    }
    void setClamped(float& field, float v, float lo, float hi)
    {
        // Compared before clamping: a value that clamps to the current one
        // still marks the object dirty.
        if (field != v) {
            field = v < lo ? lo : (v > hi ? hi : v);
            fDirty = true;
        }
    }

    QString fServerUrl;
    bool fServerOffline = false;
    TQzUseMode fQzuseMode = TQzUseMode::Std;
    QString fLogin;
    QString fPassword;
    bool fAutoLogin = true;
    QString fLanguage;
    bool fDebugMode = false;
    bool fDevMode = false;
    QString fLogFilePath;
    QString fOrderArchivePath;
    QString fOrderBackupPath;
    int fLogFileMax = 7;
    quint8 fLogFileLevel = 30;
    QString fLastUsedByApp;
    bool fShowScreenTel = true;
    bool fShowScreenNameRef = true;
    TBluetoothMode fBluetoothMode = TBluetoothMode::BluetoothAuto;
    QString fBluetoothPath;
    QString fBluetoothDeviceId;
    QString fBluetoothDevicePwd;
    QString fKioskOffLinePath;
    float fZoomFactor = 100;
    float fThumbnailsFactor = 100;
    float fThumbnailsBigFactor = 100;
    float fThumbnailsOvwFactor = 100;
    int fBackupAutoDelayS = 15;
    float fKioskReceiptWidth = 0;
    int fKioskReceiptCopyNumber = 2;
    int fKioskTurnOverTimer = 180;
    bool fAutoHideKeyboard = true;
    double fGalleryProCoeff = 1.0;
    bool fUpdateAppOnLoad = false;
    bool fFacebookDisabled = false;
    QString fFacebookGraphUrl = QStringLiteral("https://graph.facebook.com/");
    QString fFacebookDialogUrl = QStringLiteral("https://www.facebook.com/");
    QString fFacebookApiVersion = QStringLiteral("v2.7");

    QString fFilePath;
    bool fAllFilesNearCfgFile = false;
    bool fDirty = true;
    QString fIOerrorMsg;
    QStringList fPopupHelpOpenedList;
    qint32 fSoftCrashStatus = 0;
    qint32 fHardCrashStatus = 0;

    static TConfig* sInstance;
};
