#pragma once
// The receipt of the current order: the price computations write one line
// per priced item into it, grouped into blocks by kind of sub-order; the
// sending step numbers the blocks and prints it, the recap paints its
// priced part on screen.
//
// The layout paints through any QPainter (printer, PDF, picture); every
// length is in pixels of the device, whose resolution is a parameter, and
// the text is set in one font built into the program, so the same receipt
// comes out the same on every kiosk.
#include "UOwnerList.h"
#include "UProductPrice.h"
#include "UReceiptOutput.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>

class IMainFrame;
class QPainter;

enum class TOrderType { Print, DirectPrint, Album, Template };

// One priced line.
class TOrderItem {
public:
    TOrderItem(IMainFrame* main, const QString& designation, const TProductPrice& unitPrice, int quantity);

    const QString& designation() const { return fDesignation; }
    const TProductPrice& unitPrice() const { return fUnitPrice; }
    int quantity() const { return fQuantity; }
    void setQuantity(int v) { fQuantity = v; }

    TProductPrice getTotalPrice() const;
    // "3 x 0.50 € = 1.50 €"
    QString getPriceString() const;

private:
    IMainFrame* fMain;
    QString fDesignation;
    TProductPrice fUnitPrice;
    int fQuantity;
};

// One block: a sub-order of the receipt.
class TReceiptOrder {
public:
    TReceiptOrder(IMainFrame* main, TOrderType orderType, TProduct* product);

    const QString& number() const { return fNumber; }
    void setNumber(const QString& v) { fNumber = v; }
    TOrderType orderType() const { return fOrderType; }
    TProduct* product() const { return fProduct; }
    const TOwnerList<TOrderItem>& items() const { return fItemsList; }

    // Always appends a line: two lines of the same text stay two lines.
    void addOrUpdateItem(const QString& designation, const TProductPrice& unitPrice, int quantity);
    TProductPrice getTotalPrice() const;

private:
    IMainFrame* fMain;
    QString fNumber;
    TOwnerList<TOrderItem> fItemsList { true };
    TOrderType fOrderType;
    TProduct* fProduct;
};

class TReceipt : public TReceiptOutput {
public:
    // The date and time are those of now unless given.
    explicit TReceipt(IMainFrame* main, const QDateTime& now = QDateTime());

    IMainFrame* main() const { return fMain; }
    const QString& date() const { return fDate; }
    const QString& hour() const { return fHour; }
    const QString& customerName() const { return fCustomerName; }
    void setCustomerName(const QString& v) { fCustomerName = v; }
    const QString& customerPhone() const { return fCustomerPhone; }
    void setCustomerPhone(const QString& v) { fCustomerPhone = v; }
    Currency shippingCosts() const { return fShippingCosts; }
    Currency fdpcCosts() const { return fFdpcCosts; }
    Currency cdBurnCosts() const { return fCdBurnCosts; }
    Currency indexCosts() const { return fIndexCosts; }
    Currency expressCosts() const { return fExpressCosts; }
    const TOwnerList<TReceiptOrder>& orderList() const { return fOrderList; }
    // Drawing widths of the last layout, in device pixels.
    int widthPixel() const { return fWidthPixel; }
    int widthBarCodePixel() const { return fWidthBarCodePixel; }
    int barCodeHeightPixel() const;

    void updateShippingFees();

    void AddItem(Tirage2* tirage, const QString& description, const TProductPrice& unitPrice, int qtyLine) override;
    void AddItem(TProduct* prod, const QString& description, const TProductPrice& unitPrice, int qtyLine) override;

    TReceiptOrder* getPrintOrder() const { return firstOf(TOrderType::Print, nullptr); }
    TReceiptOrder* getDirectPrintOrder() const { return firstOf(TOrderType::DirectPrint, nullptr); }
    TReceiptOrder* getAlbumOrderByAlbum(TProduct* album) const { return firstOf(TOrderType::Album, album); }
    TReceiptOrder* getTemplateOrderByTemplate(TProduct* tmpl) const { return firstOf(TOrderType::Template, tmpl); }

    Currency getExtraCostsPrice(const TReceiptOrder* block) const;
    TProductPrice getTotalPrice() const;
    int getRecapLinesCount() const;

    // Prints the configured number of copies on the kiosk's default printer,
    // each copy a print job of its own.
    void print();
    // The paper receipt on any device: dpi its horizontal resolution,
    // pageWidth and pageHeight its printable area in pixels (0: unknown,
    // and a height of 0 never breaks the page); newPage starts a new page.
    void paintReceipt(QPainter& canvas, int dpi, int pageWidth, int pageHeight = 0,
                      const std::function<void()>& newPage = {});
    // The priced part on screen, in the rectangle's width; returns the height used.
    float paintOrderRecap(QPainter& canvas, const QRectF& rect);

private:
    TReceiptOrder* firstOf(TOrderType type, TProduct* product) const;
    TReceiptOrder* blockOf(TOrderType type, TProduct* product);
    QString amountText(Currency amount) const;
    bool accountInPacks() const;
    int mm(double millimetres) const;

    // Layout primitives, at fCurrentY in device pixels.
    void setFont(QPainter& canvas, double points, bool bold);
    QSizeF measure(const QPainter& canvas, const QString& text) const;
    void roomFor(double height);
    void centredLine(QPainter& canvas, const QString& text);
    void twoColumnLine(QPainter& canvas, const QString& left, const QString& right);
    void blockSection(QPainter& canvas, int a);
    void totalLine(QPainter& canvas, int a);
    void packBalanceLine(QPainter& canvas, int a);

    IMainFrame* fMain;
    float fCurrentY = 0;
    int fWidthPixel = 0;
    int fWidthBarCodePixel = 0;
    QString fDate;
    QString fHour;
    QString fCustomerName;
    QString fCustomerPhone;
    TOwnerList<TReceiptOrder> fOrderList { true };
    Currency fShippingCosts = 0;
    Currency fFdpcCosts = 0;
    Currency fCdBurnCosts = 0;
    Currency fIndexCosts = 0;
    Currency fExpressCosts = 0;
    int fWidthDPI = 0;
    float fFontScale = 1;
    // Paging while painting the paper receipt.
    int fPageHeight = 0;
    std::function<void()> fNewPage;
};
