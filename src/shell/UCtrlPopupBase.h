#pragma once
// Bases of popup controllers: TCtrlPopupBase (any popup on the popup stack)
// and TCtrlPopupHard (a popup on a background panel of the main window,
// whose group box keeps its design size while the window has room and
// shrinks with the window when it has not).
#include "IMainPopupController.h"
#include "UCtrlCommonBase.h"

#include <QMetaObject>
#include <QPointer>

class QGroupBox;
class QWidget;
class TPopupPanel;

class TCtrlPopupBase : public TCtrlCommonBase, public IMainPopupController {
public:
    TCtrlPopupBase(IMainFrame* main, QObject* parent);

    bool Opened() const { return fOpened; }
    // Asks the main window to close this popup (and those above it); does
    // nothing when it is not open.
    void Close();
    // This popup as the popup stack holds it.
    IMainPopupControllerRef PopupRef();

    // IMainController.
    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    QString topBarTitle() override { return TCtrlCommonBase::topBarTitle(); }
    QString topBarSubTitle() override { return TCtrlCommonBase::topBarSubTitle(); }
    bool hasActionNext() override { return false; }
    bool hasActionPrevious() override { return false; }
    bool hasActionMobileMenu() override { return false; }
    bool onActionNextClick(QObject* sender) override { return false; }
    bool onActionPreviousClick(QObject* sender) override { return false; }
    bool onActionMobileMenuClick(QObject* sender) override { return false; }
    bool isTaskWaiting() override { return TCtrlCommonBase::isTaskWaiting(); }
    bool taskCancel() override { return TCtrlCommonBase::taskCancel(); }
    bool imagesWorkingIndicator() override { return false; }
    bool userIdleBlocked() override { return TCtrlCommonBase::userIdleBlocked(); }

    // IMainPopupController.
    void OnResize(QWidget* parent) override { }
    int popupRequiredLevel() override { return -1; }
    void OnCoveredByPopup(bool covered) override { }
    bool popupAddBlock(IMainPopupController* newPopup) override { return false; }
    void OnPopupClosed() override;
    void OnPopupOpening() override { }
    bool closeOnStepChange() override { return false; }
    void OnPopupModalWait() override { }

    // A click on the background closes the popup; popups that must stay
    // open override it.
    virtual void OnBackgroundClick();

private:
    bool fOpened = false;
};

class TCtrlPopupHard : public TCtrlPopupBase {
public:
    // bg: the background panel on the main window (not owned); newFocus: the
    // control focused when the popup opens (may be null).
    TCtrlPopupHard(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus = nullptr);
    ~TCtrlPopupHard() override;

    TPopupPanel* Background() const { return fbg; }

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    int popupRequiredLevel() override { return fpopupRequiredLevel; }
    bool closeOnStepChange() override { return fpopupRequiredLevel < 1000; }

    // The popup's group box: the panel's first child group box, or null.
    virtual QGroupBox* popupGroupBox();
    // The first child of the box with a name and a top margin above 0.
    virtual QWidget* popupContentLayout();

protected:
    int fpopupRequiredLevel;
    QPointer<TPopupPanel> fbg;
    QPointer<QWidget> fnewFocus;
    float fOriginalWidth = 654;
    float fOriginalHeight = 434;
    float fMarginsWidth = 40;
    float fMarginsHeight = 80;

private:
    QMetaObject::Connection fClickConn;
};

// Size of a popup's group box on a panel of width w and height h: its design
// size while the room inside the margins is larger, the room otherwise.
// originalW (H) of 0 takes the box's current size as design size.
struct TPopupBoxSize {
    float width;
    float height;
};
TPopupBoxSize PopupBoxSizeCalc(float boxW, float boxH, float& originalW, float& originalH, float marginsW,
                               float marginsH, float panelW, float panelH);
