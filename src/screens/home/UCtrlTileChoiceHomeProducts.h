#pragma once
// The home step, where every order starts: one picture tile per product
// family (prints, photo books, calendars, cards, designer prints) that
// follows the state of the family's catalogue (hidden, loading, shown, load
// error), and in the desktop design a welcome title and the shop's box
// (contact details, message, pack balance).
//
// A tap makes sure the customer accepted the conditions the shop asks for
// (kiosk-use conditions on a kiosk, terms of sale otherwise; once per
// order, and the tap is replayed after acceptance), drops what the customer
// had chosen earlier for that family, selects the family's workflow and
// moves on to the workflow's next visible step.
#include "UCtrlTileChoiceBase.h"

#include <QScrollArea>
#include "UMainFrameTypes.h"
#include "UMainObservers.h"
#include "UQzguiButton.h"
#include "UWorkflowType.h"

#include <QPointer>

#include <functional>

class QLabel;
class QPushButton;
#include "UAniIndicator.h"
class TOrderImageBase;
#include "UResImagePart.h"

// A family tile: its picture comes from the program's resources and is drawn
// through the bitmap cache; its loading and error parts follow the state of
// the family.
class THomeButton : public TTileButton {
    Q_OBJECT
public:
    explicit THomeButton(QWidget* parent = nullptr);
    ~THomeButton() override;

    QString resId() const { return fResId; }
    // Loads the picture "<resId>.jpg"; a failure is logged and leaves the
    // tile without picture.
    void setResId(const QString& resId);
    IMainFrame* main() const { return fMain; }
    void setMain(IMainFrame* main);
    TProductVisibilityMode VisibilityMode() const { return fVisibilityMode; }
    // Shows the loading or error part; hidden hides the tile. No state shows
    // the tile by itself: the step's layout does that.
    void setVisibilityMode(TProductVisibilityMode mode);

    TOrderImageBase* homeImage() const { return fHomeImg; }
    TResImagePart* drawLayout() const { return fDrawLayout; }
    QWidget* loadingLayout() const { return fLoadingLayout; }
    QWidget* errorLayout() const { return fErrorLayout; }
    TAniIndicator* loadingAni() const { return fLoadingAni; }

protected:
    void updateImage() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void statePartsUpdate();

    TOrderImageBase* fHomeImg = nullptr;
    QString fResId;
    QPointer<TResImagePart> fDrawLayout;
    QPointer<QWidget> fLoadingLayout;
    QPointer<QWidget> fErrorLayout;
    QPointer<TAniIndicator> fLoadingAni;
    QPointer<QLabel> fLoadingText;
    QPointer<QLabel> fErrorText;
    IMainFrame* fMain = nullptr;
    TProductVisibilityMode fVisibilityMode = pvm_hidden;
};

class TCtrlTileChoiceHomeProducts : public TCtrlTileChoiceBase, public IMainObserver {
public:
    TCtrlTileChoiceHomeProducts(IMainFrame* main, QWidget* stepTabItem);
    ~TCtrlTileChoiceHomeProducts() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override;

    // True when the tap may go on now; otherwise the conditions popup is
    // open and runs acceptProc once the customer accepted.
    bool checkConditionsAccepted(TProc acceptProc);

    THomeButton* ButtonHomePrints = nullptr;
    THomeButton* ButtonHomePhotoBooks = nullptr;
    THomeButton* ButtonHomeCalendars = nullptr;
    THomeButton* ButtonHomeCards = nullptr;
    THomeButton* ButtonHomeDesignerPrints = nullptr;

    // The shop box (desktop design), built in the home tab.
    QWidget* LayoutHomeProductsShopInfo() const { return fShopInfo; }
    QWidget* LayoutHomeProductsInfosContent() const { return fInfosContent; }
    QWidget* RectangleHomeProductsTextBox() const { return fTextBox; }
    QWidget* RectangleHomeProductsPack() const { return fPackBox; }
    QWidget* LayoutInfosPackBalance() const { return fPackBalance; }
    QWidget* LayoutInfosMessage() const { return fMessage; }
    QLabel* shopText(const char* name) const;

    // What the families' workflow data and the photo sources provide; the
    // libraries that hold them install these. FamilyDataReset drops the
    // customer's earlier choices of a family (a card or designer-print tile
    // also sets the card workflow's mode); DevicesDetected tells that a
    // removable drive is still plugged in.
    static inline std::function<void(IMainFrame* main, TProductVisibilityType family)> FamilyDataReset;
    static inline std::function<bool(IMainFrame* main)> DevicesDetected;

    // The top bar's mobile buttons, when the window has them.
    QPointer<QPushButton> ButtonMobileCart;
    QPointer<QPushButton> ButtonMobileShopInfo;

protected:
    void createButtons() override;
    THomeButton* homeButtonCreate(const QString& caption, const QString& resName);
    void shopInfoFill();
    void shopInfoResize();

private:
    struct TFamily;
    static const TFamily* families(int& count);
    THomeButton*& familyButton(int index);
    void homeButtonClick(int index);
    void mobileButtonsUpdate();
    void shopInfoBuild();
    bool eventFilterShopInfo(QObject* watched, QEvent* event);
    IMainObserverRef observerRef();

    QPointer<QWidget> fShopInfo;
    QPointer<QWidget> fInfosContent;
    QPointer<QWidget> fTextBox;
    QPointer<QWidget> fPackBox;
    QPointer<QWidget> fPackBalance;
    QPointer<QWidget> fMessage;
    QPointer<QObject> fShopInfoWatcher;
    bool fObserving = false;
};
