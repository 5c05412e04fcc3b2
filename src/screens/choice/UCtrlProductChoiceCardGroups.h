#pragma once
// The first step of a greeting card or a designer print: one picture tile
// per theme of the lab's background templates (cards take the themes below
// 100, designer prints those above 100). A click stores the theme and goes
// to the card size step.
#include "UCtrlProductChoiceBase.h"

#include <QPointer>

class TResImagePart;
class TOrderImageBase;

class TProductThemeButton : public TProductButton {
    Q_OBJECT
public:
    explicit TProductThemeButton(QSvgRenderer* defaultImage, QWidget* parent = nullptr);

    int themeId() const { return fThemeId; }
    // Loads the theme's picture ("card" and the code in three digits); a
    // theme without picture keeps the default one.
    void setThemeId(int id);
    IMainFrame* main() const { return fMain; }
    void setMain(IMainFrame* main);
    TOrderImageBase* themeImage() const { return fThemeImg; }
    TResImagePart* drawLayout() const { return fDrawLayout; }

protected:
    void updateImage() override;

private:
    int fThemeId = 0;
    IMainFrame* fMain = nullptr;
    TOrderImageBase* fThemeImg = nullptr; // held by the main window's resource cache
    QPointer<TResImagePart> fDrawLayout;
};

class TCtrlProductChoiceCardGroups : public TCtrlProductChoiceBase {
public:
    using TCtrlProductChoiceBase::TCtrlProductChoiceBase;

    void OnOpen(IMainFrame* main) override;
    void themeClick(int themeId);

protected:
    void createButtons() override;
};
