#include "UPrintOrderReceipt.h"

#include "IMainFrame.h"
#include "UAppExceptions.h"
#include "UBarCodeForOrder.h"
#include "UConfig.h"
#include "UDesignedProducts.h"
#include "UOrderSend.h"
#include "UPrintOrder.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImageReader>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <mutex>

// The resources of this library: declared at namespace scope, as Qt's
// initialiser must be.
static void initOrderingResources()
{
    Q_INIT_RESOURCE(ordering);
}

namespace {

// The screen receipt has no printer resolution; its font sizes are points
// at the screen's logical resolution.
constexpr int kScreenDpi = 96;

// The family of the receipt font built into the program.
QString receiptFontFamily()
{
    static QString family;
    static std::once_flag once;
    std::call_once(once, [] {
        initOrderingResources();
        const int regular = QFontDatabase::addApplicationFont(QStringLiteral(":/ordering/ReceiptFont.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral(":/ordering/ReceiptFontBold.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(regular);
        family = families.isEmpty() ? QString() : families.first();
    });
    return family;
}

qint64 roundHalfEven(double v)
{
    return qint64(std::nearbyint(v));
}

// The whole number of packs of an amount on the money grid, halves to even.
int wholePacks(Currency amount)
{
    return int(roundHalfEven(double(amount) / double(Money::Scale)));
}

} // namespace

// ------------------------------------------------------------ TOrderItem

TOrderItem::TOrderItem(IMainFrame* main, const QString& designation, const TProductPrice& unitPrice, int quantity)
    : fMain(main)
    , fDesignation(designation)
    , fUnitPrice(unitPrice)
    , fQuantity(quantity)
{
}

TProductPrice TOrderItem::getTotalPrice() const
{
    TProductPrice total = fUnitPrice;
    total.price = Money::Mul(fUnitPrice.price, fQuantity);
    total.qty = fUnitPrice.qty * fQuantity;
    return total;
}

QString TOrderItem::getPriceString() const
{
    return QString::number(fQuantity) + QStringLiteral(" x ") + fMain->priceToStr(fUnitPrice, true)
        + QStringLiteral(" = ") + fMain->priceToStr(getTotalPrice(), true);
}

// ------------------------------------------------------------ TReceiptOrder

TReceiptOrder::TReceiptOrder(IMainFrame* main, TOrderType orderType, TProduct* product)
    : fMain(main)
    , fOrderType(orderType)
    , fProduct(product)
{
}

void TReceiptOrder::addOrUpdateItem(const QString& designation, const TProductPrice& unitPrice, int quantity)
{
    fItemsList.Add(new TOrderItem(fMain, designation, unitPrice, quantity));
}

TProductPrice TReceiptOrder::getTotalPrice() const
{
    TProductPrice total;
    for (int i = 0; i < fItemsList.Count(); ++i) {
        const TProductPrice line = fItemsList[i]->getTotalPrice();
        if (i == 0)
            total.priceType = line.priceType;
        total.price = Money::Add(total.price, line.price);
        total.qty += line.qty;
    }
    return total;
}

// ------------------------------------------------------------ TReceipt

TReceipt::TReceipt(IMainFrame* main, const QDateTime& now)
    : fMain(main)
{
    const QDateTime at = now.isValid() ? now : QDateTime::currentDateTime();
    const QLocale regional = QLocale::system();
    fDate = regional.toString(at.date(), QStringLiteral("dddd d MMMM yyyy"));
    fHour = regional.toString(at.time(), QLocale::LongFormat);
    if (TPrintOrder* order = fMain->GetOrder()) {
        Photographe2* photographer = fMain->GetWebSvcPhotographer();
        if (order->CdWanted() && photographer)
            fCdBurnCosts = Money::FromDouble(photographer->PrixCd());
        if (order->IndexWanted() && photographer)
            fIndexCosts = Money::FromDouble(photographer->PrixIndex());
        fExpressCosts = order->getExpressFees();
        fFdpcCosts = order->getFDPCfees();
    }
    updateShippingFees();
}

void TReceipt::updateShippingFees()
{
    TPrintOrder* order = fMain->GetOrder();
    fShippingCosts = order ? order->getShippingFees() : 0;
}

int TReceipt::barCodeHeightPixel() const
{
    return mm(10);
}

int TReceipt::mm(double millimetres) const
{
    return int(std::lround(fWidthDPI / 25.4 * millimetres));
}

void TReceipt::AddItem(Tirage2* tirage, const QString& description, const TProductPrice& unitPrice, int qtyLine)
{
    // Prints of a format with a kiosk printer and no lab channel are made here.
    const bool direct = tirage && tirage->Channel() == 0 && tirage->ImprimanteBorneId() != 0;
    blockOf(direct ? TOrderType::DirectPrint : TOrderType::Print, nullptr)
        ->addOrUpdateItem(description, unitPrice, qtyLine);
}

void TReceipt::AddItem(TProduct* prod, const QString& description, const TProductPrice& unitPrice, int qtyLine)
{
    TOrderType type;
    if (dynamic_cast<TTemplateProduct*>(prod))
        type = TOrderType::Template;
    else if (dynamic_cast<TAlbumProduct*>(prod))
        type = TOrderType::Album;
    else
        throw Exception(QStringLiteral("TReceipt.AddItem: product not supported"));
    blockOf(type, prod)->addOrUpdateItem(description, unitPrice, qtyLine);
}

TReceiptOrder* TReceipt::firstOf(TOrderType type, TProduct* product) const
{
    for (TReceiptOrder* block : fOrderList)
        if (block->orderType() == type && block->product() == product)
            return block;
    return nullptr;
}

TReceiptOrder* TReceipt::blockOf(TOrderType type, TProduct* product)
{
    if (TReceiptOrder* block = firstOf(type, product))
        return block;
    auto* block = new TReceiptOrder(fMain, type, product);
    fOrderList.Add(block);
    return block;
}

Currency TReceipt::getExtraCostsPrice(const TReceiptOrder* block) const
{
    return block->orderType() == TOrderType::Print ? Money::Add(fCdBurnCosts, fIndexCosts) : 0;
}

TProductPrice TReceipt::getTotalPrice() const
{
    TProductPrice total;
    for (int i = 0; i < fOrderList.Count(); ++i) {
        const TProductPrice block = fOrderList[i]->getTotalPrice();
        if (i == 0)
            total.priceType = block.priceType;
        total.price = Money::Add(total.price, Money::Add(block.price, getExtraCostsPrice(fOrderList[i])));
    }
    total.price = Money::Add(total.price, Money::Add(fExpressCosts, Money::Add(fFdpcCosts, fShippingCosts)));
    total.qty = fOrderList.Count() > 0 ? 1 : 0;
    return total;
}

int TReceipt::getRecapLinesCount() const
{
    int lines = 0;
    for (Currency extra : { fShippingCosts, fFdpcCosts, fCdBurnCosts, fIndexCosts, fExpressCosts })
        lines += extra > 0;
    for (const TReceiptOrder* block : fOrderList)
        lines += block->items().Count() + 2;
    return lines;
}

bool TReceipt::accountInPacks() const
{
    const Consommateur2* account = fMain->GetWebSvcConsumerFull();
    return account && PriceTypeIsPacks(account->TypeTarif());
}

QString TReceipt::amountText(Currency amount) const
{
    if (!accountInPacks())
        return fMain->priceToStr(amount, true);
    return fMain->pricePackToStr(wholePacks(amount), true);
}

// ------------------------------------------------------------ layout primitives

void TReceipt::setFont(QPainter& canvas, double points, bool bold)
{
    QFont font(receiptFontFamily());
    font.setPixelSize(std::max(1, int(std::lround(points * (fWidthDPI > 0 ? fWidthDPI : kScreenDpi) / 72.0))));
    font.setBold(bold);
    // Unhinted outlines: the text measures the same on a printer, in a PDF
    // and on screen.
    font.setHintingPreference(QFont::PreferNoHinting);
    canvas.setFont(font);
}

QSizeF TReceipt::measure(const QPainter& canvas, const QString& text) const
{
    return QFontMetricsF(canvas.font())
        .boundingRect(QRectF(0, 0, 10000, 10000), Qt::AlignLeft | Qt::AlignTop, text)
        .size();
}

void TReceipt::roomFor(double height)
{
    if (fNewPage && fPageHeight > 0 && fCurrentY > 0 && fCurrentY + height > fPageHeight) {
        fNewPage();
        fCurrentY = 0;
    }
}

void TReceipt::centredLine(QPainter& canvas, const QString& text)
{
    const QSizeF size = measure(canvas, text);
    roomFor(size.height());
    canvas.drawText(QRectF(0, fCurrentY, fWidthPixel, size.height()), Qt::AlignHCenter | Qt::AlignVCenter, text);
    fCurrentY += float(size.height());
}

void TReceipt::twoColumnLine(QPainter& canvas, const QString& left, const QString& right)
{
    const QSizeF leftSize = measure(canvas, left);
    QSizeF rightSize = measure(canvas, right);
    rightSize.rwidth() += 10;
    roomFor(std::max(leftSize.height(), rightSize.height()));
    canvas.drawText(QRectF(QPointF(0, fCurrentY), leftSize), Qt::AlignLeft | Qt::AlignVCenter, left);
    const double x = fWidthPixel - rightSize.width();
    double leftHeight = leftSize.height();
    // A price that would come within about two characters of the text goes
    // to the next line.
    if (!right.isEmpty() && leftSize.width() + 2 * rightSize.width() / right.size() > x) {
        fCurrentY += float(leftHeight);
        leftHeight = 0;
        roomFor(rightSize.height());
    }
    canvas.drawText(QRectF(QPointF(x, fCurrentY), rightSize), Qt::AlignRight | Qt::AlignVCenter, right);
    fCurrentY += float(std::max(leftHeight, rightSize.height()));
}

void TReceipt::blockSection(QPainter& canvas, int a)
{
    for (const TReceiptOrder* block : fOrderList) {
        if (!block->number().isEmpty()) {
            setFont(canvas, (a + 12) * fFontScale, true);
            centredLine(canvas, block->number());
            TBarCodeForOrder code(block->number());
            code.SetWidth(fWidthBarCodePixel);
            code.SetHeight(barCodeHeightPixel());
            code.encode();
            roomFor(code.Height());
            // The bars go on paper as rectangles on whole device pixels; a
            // picture would be resampled on its way to the printer.
            code.paint(canvas, QPointF((fWidthPixel - fWidthBarCodePixel) / 2, std::round(fCurrentY)));
            fCurrentY += float(code.Height() + 30);
        }
        setFont(canvas, a + 10, false);
        for (const TOrderItem* item : block->items())
            twoColumnLine(canvas, item->designation(), item->getPriceString());
        if (block->orderType() == TOrderType::Print) {
            if (fCdBurnCosts > 0)
                twoColumnLine(canvas, QStringLiteral("CD price"), amountText(fCdBurnCosts));
            if (fIndexCosts > 0)
                twoColumnLine(canvas, QStringLiteral("Index price"), amountText(fIndexCosts));
        }
        fCurrentY += 30;
        setFont(canvas, (a + 10) * fFontScale, true);
        twoColumnLine(canvas, QStringLiteral("Sub-total"),
                      amountText(Money::Add(block->getTotalPrice().price, getExtraCostsPrice(block))));
        fCurrentY += 30;
    }
    setFont(canvas, (a + 10) * fFontScale, false);
    if (fExpressCosts > 0)
        twoColumnLine(canvas, QStringLiteral("Express development costs"), amountText(fExpressCosts));
    if (fShippingCosts > 0)
        twoColumnLine(canvas, QStringLiteral("Shipping Fees"), amountText(fShippingCosts));
    if (fFdpcCosts > 0)
        twoColumnLine(canvas, QStringLiteral("Handling Fees"), amountText(fFdpcCosts));
}

void TReceipt::totalLine(QPainter& canvas, int a)
{
    setFont(canvas, (a + 12) * fFontScale, true);
    twoColumnLine(canvas, QStringLiteral("Total"), fMain->priceToStr(getTotalPrice(), true));
    fCurrentY += 30;
}

void TReceipt::packBalanceLine(QPainter& canvas, int a)
{
    const Consommateur2* account = fMain->GetWebSvcConsumerFull();
    const int balance = (account ? account->SoldePacks() : 0) - wholePacks(getTotalPrice().price);
    setFont(canvas, (a + 10) * fFontScale, true);
    twoColumnLine(canvas, QStringLiteral("Pack balance"), fMain->pricePackToStr(balance, true));
    fCurrentY += 30;
}

// ------------------------------------------------------------ paper and screen

void TReceipt::paintReceipt(QPainter& canvas, int dpi, int pageWidth, int pageHeight,
                            const std::function<void()>& newPage)
{
    fWidthDPI = dpi;
    fPageHeight = pageHeight;
    fNewPage = newPage;
    TConfigInfo* config = fMain->Config();
    const double width = config ? config->GetKioskReceiptWidth() : 0;
    if (width > 0) {
        fWidthPixel = mm(width);
        fWidthBarCodePixel = width > 58 ? mm(58) : fWidthPixel;
    } else if (pageWidth < 1) {
        fWidthPixel = fWidthBarCodePixel = mm(50);
    } else {
        fWidthPixel = pageWidth - mm(10);
        fWidthBarCodePixel = pageWidth > mm(58) ? mm(58) : fWidthPixel;
    }
    fCurrentY = 0;
    fFontScale = 1;
    canvas.setPen(Qt::black);

    setFont(canvas, 10 * fFontScale, false);
    centredLine(canvas, fDate);
    centredLine(canvas, fHour);
    fCurrentY += 30;
    const QString logoPath = config ? config->CalcFileReceiptLogoPath() : QString();
    if (!logoPath.isEmpty()) {
        QImageReader reader(logoPath);
        QImage logo = reader.read();
        if (logo.isNull())
            throw Exception(QStringLiteral("TReceipt.print: cannot read the logo %1 (%2)")
                                .arg(logoPath, reader.errorString()));
        const QSize box(std::max(1, fWidthPixel - 240), 300);
        if (logo.width() > box.width() || logo.height() > box.height())
            logo = logo.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        roomFor(logo.height());
        canvas.drawImage(QPointF((fWidthPixel - logo.width()) / 2, fCurrentY), logo);
        fCurrentY += float(logo.height() + 30);
    }
    setFont(canvas, 12 * fFontScale, true);
    centredLine(canvas, fCustomerName);
    centredLine(canvas, fCustomerPhone);
    fCurrentY += 30;

    blockSection(canvas, 0);

    totalLine(canvas, 0);
    setFont(canvas, 12 * fFontScale, false);
    const Photographe2* shop = fMain->GetWebSvcPhotographer();
    const Adresse2* address = fMain->GetWebSvcAddressPhotographer();
    if (shop)
        centredLine(canvas, shop->RaisonSociale());
    if (address) {
        centredLine(canvas, address->Rue());
        centredLine(canvas, address->ComplementAdresse1() + QStringLiteral(" ") + address->ComplementAdresse2());
        centredLine(canvas, address->CodePostal() + QStringLiteral(" ") + address->Ville());
        if (!address->BoitePostale().isEmpty())
            centredLine(canvas, address->BoitePostale());
        centredLine(canvas, address->Telephone());
    }
    fNewPage = nullptr;
}

void TReceipt::print()
{
    if (fDate.isEmpty())
        throw Exception(QStringLiteral("TReceipt.print: date is empty"));
    if (fHour.isEmpty())
        throw Exception(QStringLiteral("TReceipt.print: hour is empty"));
    if (fOrderList.Count() == 0)
        throw Exception(QStringLiteral("TReceipt.print: orderList is empty"));
    TConfigInfo* config = fMain->Config();
    const int copies = config ? config->GetKioskReceiptCopyNumber() : 2;
    // The kiosk's default printer is the CUPS default destination.
    const QString printerName = QPrinterInfo::defaultPrinterName();
    for (int copy = 0; copy < copies; ++copy) {
        std::unique_ptr<QPrinter> printer = TOrderSend::NewPrinter(printerName);
        printer->setDocName(QStringLiteral("Receipt"));
        QPainter canvas;
        if (!canvas.begin(printer.get()))
            throw Exception(QStringLiteral("TReceipt.print: cannot print on ") + printerName);
        const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
        paintReceipt(canvas, printer->resolution(), page.width(), page.height(), [&] { printer->newPage(); });
        canvas.end();
    }
}

float TReceipt::paintOrderRecap(QPainter& canvas, const QRectF& rect)
{
    fWidthDPI = 0;
    fCurrentY = 0;
    fFontScale = 1.5f;
    fWidthPixel = int(std::lround(rect.width()));
    fPageHeight = 0;
    fNewPage = nullptr;
    canvas.save();
    canvas.translate(rect.topLeft());
    canvas.setPen(QColor::fromRgba(0xFF000000));
    blockSection(canvas, 2);
    totalLine(canvas, 3);
    if (accountInPacks())
        packBalanceLine(canvas, 2);
    canvas.restore();
    return fCurrentY;
}
