#pragma once
// Helpers of the shell tests: a main window skeleton sized like a kiosk
// screen, and small controllers that record their hooks.
#include "UCtrlPopupBase.h"
#include "UCtrlStepBase.h"
#include "UMainFrameBase.h"
#include "UPopupPanel.h"

#include <QApplication>
#include <QStringList>

// A shown window of 1280 by 800 with no configuration.
struct ShellWindow {
    TMainFrameBase win { nullptr };
    ShellWindow()
    {
        win.resize(1280, 800);
        win.show();
    }
};

// A popup on a panel of the window that logs its hooks into a shared list.
class RecPopup : public TCtrlPopupHard {
public:
    RecPopup(IMainFrame* main, TPopupPanel* bg, QString name, QStringList* log, bool block = false)
        : TCtrlPopupHard(main, bg)
        , fName(std::move(name))
        , fLog(log)
        , fBlock(block)
    {
    }
    void OnPopupOpening() override { add("opening"); }
    void OnOpen(IMainFrame* main) override
    {
        TCtrlPopupHard::OnOpen(main);
        add("open");
    }
    void OnClose() override
    {
        TCtrlPopupHard::OnClose();
        add("close");
    }
    void OnCoveredByPopup(bool covered) override { add(covered ? "covered" : "uncovered"); }
    void OnPopupClosed() override
    {
        TCtrlPopupHard::OnPopupClosed();
        add("closed");
    }
    bool popupAddBlock(IMainPopupController*) override { return fBlock; }
    void SetLevel(int level) { fpopupRequiredLevel = level; }

private:
    void add(const char* what) { fLog->append(fName + QLatin1Char('.') + QLatin1String(what)); }
    QString fName;
    QStringList* fLog;
    bool fBlock;
};
