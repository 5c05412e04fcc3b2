#pragma once
// A main window on a configuration in a temporary folder.
#include "ConfigTestSupport.h"
#include "MainForm.h"

#include <QPushButton>

class MainNaviTest : public ConfigTestBase {
protected:
    std::unique_ptr<TTestConfig> fCfg;

    void SetUp() override
    {
        ConfigTestBase::SetUp();
        fCfg = start();
        fCfg->SetBackupAutoDelayS(0);
    }

    // The visible button of that name (a closed box's buttons go later).
    static QPushButton* visibleButton(QWidget* win, const char* name)
    {
        for (auto* b : win->findChildren<QPushButton*>(QString::fromLatin1(name)))
            if (b->isVisible())
                return b;
        return nullptr;
    }
};
