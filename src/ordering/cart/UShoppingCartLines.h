#pragma once
// The panels of the cart: one line per product of the order (a strip of
// thumbnails, a description, the line total, copy controls and a delete
// button; the print line adds and removes extra sets of prints) and one
// line per order option the customer took. The panels talk back to the
// cart step only through IProductNotif and IOptionNotif.
//
// The components carry the part names the style sheet selects on
// ("layoutpreview", "textdescription", "buttondelete", ...) and the
// panel's style lookup names the kind of line.
#include "UOrderBitmapCache.h"
#include "UShoppingCartRules.h"

#include <QFrame>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class TAlbumProduct;
class TProduct;
class TTemplateProduct;
class TTirageProduct;
class TShoppingCartLineBase;
class TThreadTaskQueueBase;

class IProductNotif {
public:
    virtual ~IProductNotif() = default;
    // Sub-total, heights and the steps after the cart.
    virtual void totalRefresh() = 0;
    virtual void askProductDel(TShoppingCartLineBase* line) = 0;
    virtual void productChanged(TShoppingCartLineBase* line) = 0;
    virtual void askProductTransfert(TShoppingCartLineBase* line) = 0;
};

class IOptionNotif {
public:
    virtual ~IOptionNotif() = default;
    virtual void totalRefresh() = 0;
    // Availability, line, tile and price of an option.
    virtual void optionRefresh(TShoppingCartOptions option) = 0;
};

// The queue that builds the thumbnails of the cart (the photo source's
// bitmap queue); without one the cart draws outlines only.
using TCartBitmapQueueProvider = std::function<TThreadTaskQueueBase*(IMainFrame*)>;
void SetCartBitmapQueueProvider(TCartBitmapQueueProvider provider);
TThreadTaskQueueBase* CartBitmapQueue(IMainFrame* main);

class TShoppingCartLineBase : public QFrame, public IOrderBitmapNotif {
public:
    ~TShoppingCartLineBase() override;

    TProduct* product() const { return fProduct; }
    int copyCount() const;
    // EUser outside 0..9999; 0 asks the cart whether to delete the product.
    void setCopyCount(qint64 value);

    // Texts of the line from its product.
    virtual void productRefresh() = 0;
    // Paints the thumbnails in rect.
    virtual void previewPaint(QPainter& canvas, const QRectF& rect) = 0;

    // The components, for the cart and the tests.
    QWidget* preview() const { return fLayoutPreview; }
    QLabel* description() const { return fTextDescription; }
    QLabel* totalPrice() const { return fTextTotalPrice; }
    QPushButton* buttonDelete() const { return fButtonDelete; }
    QPushButton* buttonCopyAdd() const { return fButtonCopieAdd; }
    QPushButton* buttonCopySub() const { return fButtonCopieSub; }
    QLineEdit* editCopyCount() const { return fEditCopyCount; }

    // IOrderBitmapNotif: a thumbnail is ready, the strip repaints.
    void OnOrderBitmapLoaded(const IOrderBitmapRef& bmp) override;

protected:
    TShoppingCartLineBase(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout, TProduct* product,
                          const QString& styleLookup);
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Puts the quantity into the edit and the edit back to its normal style.
    void copyCountRefresh();
    // Draws one thumbnail of src at rect, an outline until it is built.
    void thumbnailDraw(QPainter& canvas, TImageSource* src, const QRectF& rect);
    QWidget* extraColumn() const { return fExtraColumn; }

    IMainFrame* fMain;
    TProduct* fProduct;
    IProductNotif* fProductNotif;

private:
    void copyCountTyped(const QString& text);

    QWidget* fLayoutControls = nullptr;
    QWidget* fLayoutProduct = nullptr;
    QWidget* fLayoutPreview = nullptr;
    QWidget* fExtraColumn = nullptr;
    QLabel* fTextDescription = nullptr;
    QPushButton* fButtonDelete = nullptr;
    QLabel* fTextTotalPrice = nullptr;
    QPushButton* fButtonCopieAdd = nullptr;
    QPushButton* fButtonCopieSub = nullptr;
    QLineEdit* fEditCopyCount = nullptr;
    TClickTracker fClick;
    bool fEditTracking = true;
};

class TShoppingCartLinePrint : public TShoppingCartLineBase {
public:
    TShoppingCartLinePrint(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout, TTirageProduct* product);

    void productRefresh() override;
    void previewPaint(QPainter& canvas, const QRectF& rect) override;
    // One more copy of each of the product's prints / the last such set
    // taken back.
    void addExtraSet();
    void removeExtraSet();
    int extraSetCount() const { return fLedger.count(); }
    QPushButton* buttonAddExtraSet() const { return fButtonAddExtraSet; }
    QPushButton* buttonRemoveExtraSet() const { return fButtonRemoveExtraSet; }

private:
    QList<TImageTirageData*> entries() const;

    TTirageProduct* fPrintProduct;
    TExtraSetLedger fLedger;
    QPushButton* fButtonAddExtraSet = nullptr;
    QPushButton* fButtonRemoveExtraSet = nullptr;
};

// Lines of designed products: their pages make the thumbnail strip.
class TShoppingCartLineDesigned : public TShoppingCartLineBase {
public:
    void productRefresh() override;
    void previewPaint(QPainter& canvas, const QRectF& rect) override;

protected:
    TShoppingCartLineDesigned(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout, TProduct* product,
                              const QString& styleLookup, TShoppingCartRules::TStripKind kind);

private:
    TShoppingCartRules::TStripKind fKind;
};

class TShoppingCartLineAlbum : public TShoppingCartLineDesigned {
public:
    TShoppingCartLineAlbum(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout, TAlbumProduct* product);
    TAlbumProduct* albumProduct() const { return fAlbumProduct; }

private:
    TAlbumProduct* fAlbumProduct;
};

class TShoppingCartLineCalendar : public TShoppingCartLineDesigned {
public:
    TShoppingCartLineCalendar(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout,
                              TTemplateProduct* product);
    TTemplateProduct* calendarProduct() const { return fCalendarProduct; }

private:
    TTemplateProduct* fCalendarProduct;
};

class TShoppingCartLineCard : public TShoppingCartLineDesigned {
public:
    TShoppingCartLineCard(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout,
                          TTemplateProduct* product);
    TTemplateProduct* cardProduct() const { return fCardProduct; }

private:
    TTemplateProduct* fCardProduct;
};

class TShoppingCartOptionLine : public QFrame {
public:
    TShoppingCartOptionLine(IMainFrame* main, IOptionNotif* optionNotif, QWidget* parentLayout,
                            TShoppingCartOptions option);
    ~TShoppingCartOptionLine() override;

    TShoppingCartOptions option() const { return fOption; }
    Currency totalPrice() const { return fTotalPrice; }
    void setTotalPrice(Currency amount);
    QPushButton* buttonDelete() const { return fButtonDelete; }
    QLabel* priceText() const { return fTextTotalPrice; }

    // Clears the option in the order; the refresh that frees this line runs
    // later from the GUI queue, never inside the click.
    void deleteClick();

private:
    IMainFrame* fMain;
    Currency fTotalPrice = 0;
    IOptionNotif* fOptionNotif;
    TShoppingCartOptions fOption;
    QLabel* fLabelDescription = nullptr;
    QLabel* fTextTotalPrice = nullptr;
    QPushButton* fButtonDelete = nullptr;
    IThreadTaskRef fRefreshTask;
};
