#pragma once
// The store's and the customer's tools of the main window, on top of the
// workflow of screens:
// - the action list (26 QActions named Action...), each either offered
//   (visible and enabled) or absent (invisible and disabled), and when the
//   connection, the catalogue, the use mode, the design, the order and the
//   zoom offer them;
// - the tool bar across the top bar: desktop buttons bound to actions, the
//   home button, the mobile buttons, its order and its scale;
// - the keys the window handles itself (Enter moves on like Tab, Ctrl+Tab
//   is swallowed, the Ctrl+K maintenance shortcuts, the back and menu keys),
//   read through the window's own set of keys held down;
// - the zoom of the content and the popups (50 to 150 %);
// - the self-update and companion program (TSelfUpdate) behind the
//   IMainFrame update operations;
// - the hidden back-office popup and the calibration popup.
//
// Popups of later screen libraries are reached by class name: a library
// registers a factory (PopupClassRegister) and the action pushes what the
// factory builds on its panel; an unregistered popup fails with EToDo.
#include "UCtrlPopupHiddenBck.h"
#include "UMainFrameWorkflow.h"
#include "USelfUpdate.h"

#include <QAction>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <functional>
#include <memory>

class QAbstractButton;
class QLabel;
class QPushButton;
class TPopupPanel;
enum class TCtrlPopupLangMode;

// What the catalogue tells the tool bar (connection side of the window).
struct TShopActionsState {
    bool commonLoaded = false;
    bool allFamiliesVisible = false;
    QString priceFilePath;
    QString cguText;
    QString cgvText;
    QString privacyPolicyUrl;
};

class TMainFrameTools : public TMainFrameWorkflow, public ICtrlPopupHiddenBckNotif {
public:
    static constexpr float kZoomMin = 50;
    static constexpr float kZoomMax = 150;
    static constexpr float kZoomStep = 10;

    explicit TMainFrameTools(TConfig* cfg, QWidget* parent = nullptr);
    ~TMainFrameTools() override;

    // The 26 action names, in the order of the action list.
    static const QStringList& ActionNames();
    // An action by name; null for an unknown name.
    QAction* Action(const QString& name) const;
    // Visible and enabled both become on.
    static void setActionActivatedStatus(QAction* action, bool on);

    // When actions are offered.
    void actionsOnConnected();
    void shopActionsUpdate(const TShopActionsState& shop);
    void actionsOnDisconnected();
    void actionsOnUseModeApplied(bool fullScreen, TZebdesign designBefore);
    void toolBarDesignApply(TZebdesign design);
    void actionsOnOrderChanged(bool orderFilled, bool orderInUse);
    void actionsOnOrderReset();
    // The cart's caption (the order total).
    void cartCaptionSet(const QString& total);

    // Tool bar.
    QWidget* LayoutToolBarButtons() const { return fLayoutToolBarButtons; }
    void putToolbarButtonsBackInOrder();
    // The scale of the tool bar for a content of the given width: 1, or
    // (width - 5) / reference when the reference (600 mobile, 1200 otherwise)
    // is above it.
    static float ToolBarScaleFor(int contentWidth, bool mobile);
    float ToolBarScale() const { return fToolBarScale; }
    void LayoutAppContentResize();

    // Zoom.
    float GetZoomFactor() override { return fZoomFactor; }
    void SetZoomFactor(float fact) override;
    void ZoomApply();
    // The scale that ZoomApply or the tool-bar fit gave a widget (1 when
    // none).
    static float WidgetScale(const QWidget* w);

    // Keys; true when the key was handled and is swallowed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool FormKeyUp(int key, Qt::KeyboardModifiers modifiers);
    const QSet<int>& KeysDown() const { return fKeysDown; }

    // Popups of the screen libraries, by controller class name.
    using TPopupFactory = std::function<IMainPopupControllerRef(IMainFrame* main, TPopupPanel* bg)>;
    static void PopupClassRegister(const QString& className, TPopupFactory factory);
    // "push P on Q".
    void popupPush(const QString& className, const QString& panelName);

    // Self-update.
    TSelfUpdate& SelfUpdate();
    QString GetFolderUpdatePathWithOs() override;
    TLaunchMode GetLaunchMode() override;
    void DoUpdate() override;
    TUpdateType GetUpdateType() override;
    void RunWinExe(const QString& commandLine, quint32 visibility) override;
    bool IsUpdateAvailable() override;
    void LaunchUpdate() override;
    void PurgeUpdateFolder() override;
    // Writes the companion file and starts the companion program in the
    // kiosk's local connection mode (after each successful connection).
    void InitRuVodevadeConfig();
    // What the start decides: true when the rest of the start-up is skipped
    // (an update run, or an update being launched).
    bool updatePolicyAtStart();
    // An idle automatic-backup tick in the Manual update type.
    void updatePolicyAtIdleBackup();
    // The confirmed close.
    void updatePolicyAtClose();

    // The hidden back-office popup and the calibration popup.
    void hiddenBackOfficeShow();
    // The media drives the back office offers (the media library's drives
    // root, installed by the window that has one).
    void SetRemovableDrives(IRemovableDrivesRef drives) { fRemovableDrives = std::move(drives); }
    IRemovableDrivesRef RemovableDrives() override { return fRemovableDrives; }
    TOrderBitmapCache* BitmapCacheObj() const override { return nullptr; }
    void calibrationPopupShow(QAbstractButton* recapCheckBox);

    // Action handlers.
    void ActionCancelOrderExecute();
    void ActionExitAppExecute();
    void ActionFullScreenExecute();
    void ActionPriceFileExecute();
    void ActionUpdateAppExecute();
    void ActionHomeExecute();
    void ActionCartExecute();
    void ActionStartAgainExecute();
    void ActionSaveOrderExecute();
    void ActionMobileMenuOpenExecute();
    void ActionDisconnectExecute();
    void ActionClearCacheExecute();

protected:
    // The program's arguments, without its name.
    virtual QStringList launchArguments();
    // How programs are started (tests record them).
    virtual TProcessStarter processStarter();
    // Opens a file or folder with the desktop's default handler.
    virtual void openWithShell(const QString& url);
    // The catalogue is loaded (the connection side of the window knows).
    virtual bool catalogueLoaded() { return false; }
    // The language popup in a mode (the window that owns it overrides).
    virtual void languagePopupOpen(TCtrlPopupLangMode mode);
    // Switches the configured use mode and applies it.
    virtual void useModeSet(TQzUseMode mode);
    // Maintenance shortcuts served outside the shell (the catalogue export
    // "I", the start-up drives "D", translations "L" and "M"); true when
    // the window handled the letter.
    virtual bool maintenanceKey(QChar letter);
    // The bitmap cache clean-up of the clear-cache action.
    virtual void memoryCleanUp() { }
    // Closes the window without asking.
    void closeWithoutAsking();

private:
    void buildActions();
    void buildToolBar();
    QPushButton* toolBarButton(const QString& name, QWidget* parent, QAction* action);
    void bindButton(QAbstractButton* button, QAction* action);
    void toolBarScaleApply(float scale);
    bool keyEventFilter(QObject* watched, QEvent* e);
    bool maintenanceShortcut(QChar letter);
    void runAction(const std::function<void()>& handler);

    QHash<QString, QAction*> fActions;
    std::vector<std::unique_ptr<QAction>> fOwnActions;
    QPointer<QWidget> fLayoutToolBarButtons;
    QPointer<QWidget> fLayoutToolBarButtonHome;
    QPointer<QWidget> fLayoutLeft;
    QHash<QString, QPointer<QAbstractButton>> fButtons;
    QHash<QAbstractButton*, QMetaObject::Connection> fBindings;
    QPointer<QLabel> fLabelLanguageChoose;
    QPointer<QLabel> fLabelPopUpHelpZoom;
    float fToolBarScale = 1;
    float fZoomFactor = 100;
    QSet<int> fKeysDown;
    std::unique_ptr<QObject> fKeyFilter;
    std::unique_ptr<TSelfUpdate> fSelfUpdate;
    IRemovableDrivesRef fRemovableDrives;
};
