#pragma once
// The language popup: a column of one button per offered language; the
// chosen language is loaded in the background while the choice is hidden,
// then the popup (or every popup) closes. Opened in the load or export modes
// it only loads.
//
// Screens are built in code; every component carries its name as
// objectName so that styles and tests find it.
#include "ULangLoad.h"

#include <QWidget>
#include <functional>

class QFrame;
class QGroupBox;
class QScrollArea;
class QPushButton;

enum class TCtrlPopupLangMode { LangLoad, LangChoose, LangChooseForKiosk, LangsExport };

// What the popup needs of the main window.
struct TLangPopupHost {
    std::function<void(const QString& iso, bool save)> languageSet;
    // Runs the load (or export) in the background; the popup ends its wait
    // through LoadEnded when it is done.
    std::function<void(TCtrlPopupLangMode mode)> startLoad;
    std::function<void()> closeSelf;
    std::function<void()> closeAll;
};

class TCtrlPopupLangText : public QWidget, public ILanguageNotif {
    Q_OBJECT
public:
    TCtrlPopupLangText(TLangPopupHost host, QWidget* background, TCtrlPopupLangMode mode);
    ~TCtrlPopupLangText() override;

    void OnOpen();
    void OnClose();
    void OnBackgroundClick();
    void OnResize();
    void OnLanguageChosen(const QString& isoCode) override;
    // The background load has ended (main thread).
    void LoadEnded();

    TCtrlPopupLangMode Mode() const { return fMode; }
    bool Waiting() const { return fWaiting; }
    TLanguages& Languages() { return fLG; }

    // Re-applies the translatable texts of a widget tree through the
    // installed translation hook (the language switch's restyle). Buttons
    // marked with the "noTranslate" property keep their text.
    static void RetranslateWidgets(QWidget* root);

private:
    void BuildPopupLangTextChoice();
    void ClearPopupLangText();
    void StartAsyncLoad();

    TLangPopupHost fHost;
    TLanguages fLG;
    TCtrlPopupLangMode fMode;
    bool fPopupCloseAll = false;
    bool fWaiting = false;
    QFrame* fPanel;
    QGroupBox* fGroupBox;
    QScrollArea* fScrollBox;
    QWidget* fLayout;
};
