#pragma once
// A window with the tool bar, actions, zoom, keys and self-update whose
// outside effects are recorded: message boxes, started programs, files
// opened with the desktop, the web-service queue (its tasks run on the GUI
// Queue, so a test drives them with RunQueue).
#include "UMainFrameTools.h"
#include "UPopupPanel.h"
#include "UThreadTaskQueue.h"

#include <QStackedWidget>
#include <QStringList>
#include <vector>

class TestToolsWindow : public TMainFrameTools {
public:
    explicit TestToolsWindow(TConfig* cfg = nullptr, TZebdesign design = zebd_home)
        : TMainFrameTools(cfg)
    {
        fZebdesign = design;
        resize(1280, 800);
    }
    void SetDesign(TZebdesign design) { fZebdesign = design; }

    void ShowEx(const std::exception& ex, TProc closeProc) override { Errors << QString::fromUtf8(ex.what()); }
    void ShowInfo(const QString& text, TProc closeProc) override { Infos << text; }
    void ShowWarning(const QString& text, TProc closeProc) override { Warnings << text; }
    IThreadTaskRef WebSvcAddCall(TProc proc) override { return GuiQueueAddCall(std::move(proc), false, nullptr); }
    Photographe2* GetWebSvcPhotographer() override { return Photographer; }
    void orderCancelAndUserPrefReset() override { ++OrderResets; }

    // Runs the GUI Queue until it has nothing left (bounded).
    void RunQueue()
    {
        for (int i = 0; i < 200 && GuiTaskQueue()->hasTasks(); ++i)
            TimerQueueTimer();
    }
    QStringList VisibleActions() const
    {
        QStringList names;
        for (const QString& n : ActionNames())
            if (Action(n)->isVisible())
                names << n;
        return names;
    }

    QStringList Args;
    QStringList Errors, Infos, Warnings, Opened;
    struct Start {
        QString program;
        QStringList args;
    };
    std::vector<Start> Started;
    bool CatalogueLoaded = false;
    Photographe2* Photographer = nullptr;
    int OrderResets = 0;

protected:
    QStringList launchArguments() override { return Args; }
    TProcessStarter processStarter() override
    {
        return [this](const QString& program, const QStringList& args) {
            Started.push_back({ program, args });
            return qint64(4242);
        };
    }
    void openWithShell(const QString& url) override { Opened << url; }
    bool catalogueLoaded() override { return CatalogueLoaded; }
};
