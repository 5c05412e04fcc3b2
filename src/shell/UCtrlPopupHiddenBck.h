#pragma once
// The hidden back-office popup of the store's staff (ten clicks on the
// title bar open it): a diagnostic archive of logs, configuration and
// caches written to a removable drive or uploaded to the store's own
// transfer server, the window's exit, disconnect, clear-cache and
// kiosk-language actions, the debug-mode and keyboard auto-hide switches,
// and a status line with language, memory and bitmap cache.
//
// The archive holds no secret: every password of the configuration is
// blanked in the copy it contains, and without a server configured by the
// store there is no upload at all.
#include "UCtrlPopupBase.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <QList>
#include <QString>
#include <QTimer>
#include <memory>

class TAniIndicator;
class TConfig;
class TNetTransfer;
class TOrderBitmapCache;

// A writable place on a removable medium.
struct TRemovableDrive {
    QString label;
    QString path;
    bool removable = true;
    bool readOnly = false;
};

// The drives root of the media file system, as the popup reads it.
class IRemovableDrives {
public:
    virtual ~IRemovableDrives() = default;
    virtual void Refresh() = 0;
    // Changes whenever the list of drives changed.
    virtual quint32 RefreshCounter() = 0;
    virtual QList<TRemovableDrive> Drives() = 0;
};
using IRemovableDrivesRef = std::shared_ptr<IRemovableDrives>;

// What the popup needs of the main window beyond IMainFrame.
class ICtrlPopupHiddenBckNotif {
public:
    virtual ~ICtrlPopupHiddenBckNotif() = default;
    // Null when the window has no media drives root.
    virtual IRemovableDrivesRef RemovableDrives() = 0;
    // Null when the window has no bitmap cache.
    virtual TOrderBitmapCache* BitmapCacheObj() const = 0;
};

class TCtrlPopupHiddenBck : public TCtrlPopupHard {
public:
    TCtrlPopupHiddenBck(IMainFrame* main, TPopupPanel* bg);
    ~TCtrlPopupHiddenBck() override;

    KIOSK_PUBLISHED(QGroupBox, gbPopUpHiddenBck);
    KIOSK_PUBLISHED(QWidget, LayoutPopUpHiddenBckButton);
    KIOSK_PUBLISHED(QWidget, LayoutPopUpHiddenBckContent);
    KIOSK_PUBLISHED(QWidget, FlowLayoutHiddenBckContentToKey);
    KIOSK_PUBLISHED(QComboBox, cbPopUpHiddenBckSelectDrive);
    KIOSK_PUBLISHED(QPushButton, SpeedButtonPopUpHiddenBckBackup);
    KIOSK_PUBLISHED(QWidget, FlowLayoutHiddenBckContentToHttp);
    KIOSK_PUBLISHED(QPushButton, ButtonPopUpHiddenBckHttpTransfer);
    KIOSK_PUBLISHED(QPushButton, ButtonPopUpHiddenBckClose);
    KIOSK_PUBLISHED(QPushButton, SpeedButtonPopUpHiddenBckExit);
    KIOSK_PUBLISHED(QPushButton, SpeedButtonPopUpHiddenBckDisconnect);
    KIOSK_PUBLISHED(QPushButton, SpeedButtonPopUpHiddenBckClearCache);
    KIOSK_PUBLISHED(QAction, ActionExitApp);
    KIOSK_PUBLISHED(QAction, ActionDisconnect);
    KIOSK_PUBLISHED(QAction, ActionClearCache);
    KIOSK_PUBLISHED(QLabel, LabelPopUpHiddenBckStatus);
    KIOSK_PUBLISHED(QWidget, AniIndicatorPopUpHiddenBckStatus);
    KIOSK_PUBLISHED(QProgressBar, ProgressBarPopUpHiddenBckStatus);
    KIOSK_PUBLISHED(QCheckBox, cbPopupHiddenBckDebugMode);
    KIOSK_PUBLISHED(QCheckBox, cbPopupHiddenBckAutoHideKeyboard);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    void OnBackgroundClick() override { }

    // Builds the diagnostic archive in the temporary folder and returns its
    // path; a failure removes the partial archive.
    static QString makeZipFile(TConfig& cfg);
    // "yymmddhhnnss-<computer>.zip" for the given local time.
    static QString ZipFileName(const QDateTime& when);
    // The configuration file's bytes with the text of every element whose
    // name holds "password" or "pwd" (any case) emptied; empty when the
    // file is no readable XML.
    static QByteArray ConfigWithoutPasswords(const QByteArray& xml);
    QString ResourceStatus();

    void StartZipToKey();
    void StartZipToHttp();
    // The drive list is filled again when the drives root changed.
    void DriveListWatch();

protected:
    void statusShow(const QString& text) override;
    void waitShow() override;
    void waitHide() override;

private:
    void driveListFill();
    void asyncZipToKey(const QString& drivePath);
    void asyncZipToHttp();
    void clearCacheClick();

    ICtrlPopupHiddenBckNotif* fNotif = nullptr;
    IRemovableDrivesRef fDrives;
    std::unique_ptr<TNetTransfer> fNetTransfer;
    quint32 fTickChange = 0;
    QTimer fTimer;
    bool fActionExitActive = false;
    bool fActionDisconnectActive = false;
    QList<QMetaObject::Connection> fConns;
};
