#pragma once
// "More actions...": a panel of icon buttons for the main window's secondary
// actions (account, terms, privacy policy, price list, zoom, full screen,
// update, exit) with a line naming the button under the pointer. Each
// button runs one of the window's actions; the popup has no action logic.
//
// ShellOpen hands a path or address to the desktop (QDesktopServices), which
// opens it with the program the user chose for it.
#include "UCtrlPopupBase.h"

#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <vector>

// Opens a local path or a URL with the desktop's program for it; false when
// the desktop refused.
bool ShellOpen(const QString& pathOrUrl);
// The desktop can open documents (a desktop session is there).
bool ShellOpenSupported();

class TCtrlPopupHelp : public TCtrlPopupHard {
public:
    TCtrlPopupHelp(IMainFrame* main, TPopupPanel* bg);
    ~TCtrlPopupHelp() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    QGroupBox* popupGroupBox() override;

    QPushButton* button(const QString& name) const;
    QLabel* LabelPopUpHelpTooltip() const { return fTooltip; }
    QPushButton* ButtonPopUpHelpClose() const { return fClose; }
    QWidget* buttonBar() const { return fBar; }
    double barScale() const { return fBarScale; }

    // Test hook and platform query for the price-file button.
    static inline std::function<bool()> ShellOpenSupportedHook;

protected:
    void statusShow(const QString&) override { }
    void waitShow() override { }
    void waitHide() override { }

private:
    struct TSpeed {
        QPushButton* button;
        QString action;
        QString tooltip;
    };
    bool eventFilterButtons(QObject* watched, QEvent* event);

    QPointer<QGroupBox> fBox;
    QPointer<QLabel> fTooltip;
    QPointer<QPushButton> fClose;
    QPointer<QWidget> fBar;
    std::vector<TSpeed> fSpeed;
    QPointer<QObject> fHoverWatcher;
    double fBarScale = 1;
};
