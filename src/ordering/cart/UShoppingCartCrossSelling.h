#pragma once
// The cross-selling panel of the cart: one tile per product family the
// shop offers (picture, name, "From" price, "Add to Order") and one tile
// per order option while it is available and not taken. A family tile
// starts a new product of that family; an option tile takes the option.
#include "UOrderBitmapCache.h"
#include "UShoppingCartRules.h"

#include <QFrame>
#include <QHash>
#include <QPointer>

class IOptionNotif;
class QLabel;
class QPushButton;
class TOrderImageBase;

class TShoppingCartCrossSelling : public QFrame, public IOrderBitmapNotif {
public:
    explicit TShoppingCartCrossSelling(QWidget* owner);
    ~TShoppingCartCrossSelling() override;

    IMainFrame* main() const { return fMain; }
    void setMain(IMainFrame* main) { fMain = main; }
    void setOptionNotif(IOptionNotif* notif) { fOptionNotif = notif; }

    // Builds the tiles (once the main frame and the cart are set), then
    // has the cart refresh both options.
    void applyStyle();
    // Fits the tiles into the panel.
    void recalcSize();
    float tilesScale() const { return fScale; }
    int visibleTileCount() const;

    QWidget* tile(const char* name) const;
    QWidget* layoutCd() const { return fLayoutCd; }
    QLabel* textCd() const { return fTextCd; }
    QWidget* layoutIndex() const { return fLayoutIndex; }
    QLabel* textIndex() const { return fTextIndex; }

    // The tile clicks.
    void familyClick(TProductVisibilityType family);
    void optionClick(TShoppingCartOptions option);

    void OnOrderBitmapLoaded(const IOrderBitmapRef& bmp) override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct TTileDef;
    QWidget* tileCreate(const TTileDef& def);
    void clearImgToPaint();

    IMainFrame* fMain = nullptr;
    IOptionNotif* fOptionNotif = nullptr;
    QWidget* fLayoutCentered = nullptr;
    QHash<QString, QWidget*> fTiles;
    QWidget* fLayoutCd = nullptr;
    QLabel* fTextCd = nullptr;
    QWidget* fLayoutIndex = nullptr;
    QLabel* fTextIndex = nullptr;
    QHash<QWidget*, TOrderImageBase*> fImgToPaint;
    QHash<QWidget*, int> fTileAction;
    float fScale = 1;
};
