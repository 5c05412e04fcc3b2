#pragma once
// Bases of the screens that ask the customer to choose one of a few large
// picture buttons: TCtrlTileChoiceBase for a full-screen workflow step and
// TCtrlPopupTileChoiceBase for a popup. The base builds a vertical scroll
// area with a container for the tiles, asks the screen once for its buttons
// (createButtons), and lays them out (UTileLayout.h) whenever the area
// changes size. A step may show a page title and subtitle above the tiles.
#include "UCtrlPopupBase.h"
#include "UCtrlStepBase.h"
#include "UPopupPanel.h"
#include "UTileLayout.h"

#include <QAbstractButton>
#include <QPointer>
#include <QSizeF>

#include <vector>

class QLabel;
class QScrollArea;
class QSvgRenderer;
class TTileButton;

using TTileButtonList = std::vector<QPointer<QAbstractButton>>;

// The layout settings and the button list shared by both bases.
class TTileChoiceCore : public QObject {
public:
    explicit TTileChoiceCore(bool popup);

    QSizeF fszFrm;
    float fHeightAlreadyUsed = 0;
    TTileButtonList fButtonList;
    bool fButtonListMade = false;
    float fButtonWidth = 0;
    float fButtonWidthMin = 150;
    float fButtonWidthMax = 800;
    float fButtonHeight = 0;
    float fButtonHeightMin = 100;
    float fButtonHeightMax = 560;
    float fButtonMarginHorz = 20;
    float fButtonMarginHorzMax = 100;
    float fButtonMarginVert = 20;
    float fButtonMarginAddHeight = 0;
    float fButtonMarginHorzDiv = 20;
    int fBtnPerRowMax = 3;
    int fRowPerScreen = 2;
    QPointer<QScrollArea> fVertScrollBoxContainer;
    QPointer<QWidget> fLayoutContainer;
    QSvgRenderer* svgDocMountain;
    bool fPopup;

    // Completes the design size from the first button.
    void designSizeComplete();
    void layout(const QSizeF& area);
    void buildIn(QWidget* parent);
    void close();
    TTileButton* addTileButton(const QString& caption, QSvgRenderer* svg);
    std::function<void()> onAreaResized;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class TCtrlTileChoiceBase : public TCtrlStepBase {
public:
    TCtrlTileChoiceBase(IMainFrame* main, QWidget* stepTabItem);
    ~TCtrlTileChoiceBase() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* area) override;

    virtual void layoutTiles();
    const TTileButtonList& buttonListGet();
    virtual TTileButton* AddTileButton(const QString& caption, QSvgRenderer* svg);
    void SetPageTitle(const QString& text);
    void SetPageSubtitle(const QString& text);
    QScrollArea* scrollBox() const { return c.fVertScrollBoxContainer; }
    QWidget* tilesContainer() const { return c.fLayoutContainer; }
    QLabel* pageTitle() const { return fPageTitle; }
    float heightAlreadyUsed() const { return c.fHeightAlreadyUsed; }

protected:
    // Fills c.fButtonList with the buttons to show, in order.
    virtual void createButtons() = 0;

    TTileChoiceCore c { false };

private:
    void setHeader(QPointer<QLabel>& label, const QString& text, bool title);
    QPointer<QLabel> fPageTitle;
    QPointer<QLabel> fPageSubtitle;
};

class TCtrlPopupTileChoiceBase : public TCtrlPopupHard {
public:
    TCtrlPopupTileChoiceBase(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus = nullptr);
    ~TCtrlPopupTileChoiceBase() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;

    virtual void layoutTiles();
    const TTileButtonList& buttonListGet();
    virtual TTileButton* AddTileButton(const QString& caption, QSvgRenderer* svg);

protected:
    // The control that receives the scroll area.
    virtual QWidget* tilesParent() = 0;
    virtual void createButtons() = 0;

    TTileChoiceCore c { true };
};
