// The receipt: its blocks and prices, its geometry on paper, the print jobs
// of its copies, and its bar codes read back from the rasterised PDF.
#include "BarcodeReaders.h"
#include "OrderingTestSupport.h"
#include "UAppExceptions.h"
#include "UOrderSend.h"
#include "UBarCodeForOrder.h"
#include "UPrintOrderReceipt.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

using namespace orderfakes;
using orderingtest::exceptionText;

namespace {

// Prices as "12.50 €", packs as "3 packs".
class ReceiptMainFrame : public OrderMainFrame {
public:
    ReceiptMainFrame()
    {
        photographer.setRaisonSociale(QStringLiteral("Photo Corner"));
        address.setRue(QStringLiteral("12 Market Street"));
        address.setCodePostal(QStringLiteral("75011"));
        address.setVille(QStringLiteral("Paris"));
        address.setTelephone(QStringLiteral("01 23 45 67 89"));
    }
    QString priceToStr(Currency price, bool) override
    {
        return QString::number(double(price) / Money::Scale, 'f', 2) + QStringLiteral(" \u20AC");
    }
    QString pricePackToStr(int price, bool) override { return QStringLiteral("%1 packs").arg(price); }
    QString priceToStr(const TProductPrice& price, bool seeSymbol) override
    {
        return PriceTypeIsPacks(price.priceType) ? pricePackToStr(int(price.price / Money::Scale), seeSymbol)
                                                 : priceToStr(price.price, seeSymbol);
    }
    Adresse2* GetWebSvcAddressPhotographer() override { return &address; }

    Adresse2 address;
};

TProductPrice euros(double amount)
{
    return TProductPrice { 1, Money::FromDouble(amount), Tarif_TypeTarif::EurosMagasin };
}

std::unique_ptr<Tirage2> labFormat()
{
    auto t = makeTirage(1, 10, 15);
    t->setChannel(3);
    return t;
}

std::unique_ptr<Tirage2> kioskFormat()
{
    auto t = makeTirage(2, 10, 15);
    t->setChannel(0);
    t->setImprimanteBorneId(7);
    t->setImprimanteBorneNomWindows(QStringLiteral("Kiosk-DNP"));
    return t;
}

// The receipt painted into a picture at the given resolution; the layout's
// widths come back in the receipt.
QImage paintAt(TReceipt& receipt, int dpi, int pageWidth, int height = 2400)
{
    QImage page(std::max(pageWidth, 800), height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    receipt.paintReceipt(p, dpi, pageWidth);
    return page;
}

// An order of the receipt's main frame, and a printer factory that prints
// each job into a PDF file of its own, on 80 mm roll paper at 203 dpi.
struct ReceiptFixture : testing::Test {
    void SetUp() override
    {
        main.config.SetKioskReceiptWidth(80);
        TOrderSend::SetPrinterFactory([this](const QString&) {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setResolution(203);
            printer->setPageSize(QPageSize(QSizeF(80, 400), QPageSize::Millimeter, QStringLiteral("Roll 80")));
            printer->setPageMargins(QMarginsF(0, 0, 0, 0));
            const QString file = dir.filePath(QStringLiteral("receipt%1.pdf").arg(printed.size()));
            printer->setOutputFileName(file);
            printed << file;
            return printer;
        });
    }
    void TearDown() override { TOrderSend::SetPrinterFactory(nullptr); }

    ReceiptMainFrame main;
    orderingtest::OrderOf order { main };
    QTemporaryDir dir;
    QStringList printed;
};


} // namespace

TEST_F(ReceiptFixture, GeometryFollowsConfiguredWidthOrPage)
{
    struct Case {
        const char* name;
        float configuredMm;
        int pageWidth;
        int width, barCode;
    } cases[] = {
        { "Roll80", 80, 2000, 639, 464 },
        { "Roll50", 50, 2000, 400, 400 },
        { "NoWidthNoPage", 0, 0, 400, 400 },
        // 48 mm page: less 10 mm (80 px); narrower than 58 mm, so the bar code takes the whole width
        { "NarrowPage", 0, 383, 303, 303 },
        // 72 mm page: less 10 mm; the bar code is 58 mm
        { "WidePage", 0, 575, 495, 464 },
    };
    TReceipt receipt(&main);
    receipt.AddItem(labFormat().get(), QStringLiteral("10x15"), euros(0.5), 2);
    receipt.orderList()[0]->setNumber(QStringLiteral("4711"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        main.config.SetKioskReceiptWidth(c.configuredMm);
        paintAt(receipt, 203, c.pageWidth);
        EXPECT_EQ(receipt.widthPixel(), c.width);
        EXPECT_EQ(receipt.widthBarCodePixel(), c.barCode);
        EXPECT_EQ(receipt.barCodeHeightPixel(), 80);
    }
}

TEST_F(ReceiptFixture, BlocksByKindWithExtraCostsInTheLabPrintBlock)
{
    order->SetCdWanted(true);
    order->SetIndexWanted(true);
    main.photographer.setPrixCd(4.5);
    main.photographer.setPrixIndex(1.0);
    TestTemplateProduct card(order.get());
    TestAlbumProduct book(order.get());
    TReceipt receipt(&main);
    EXPECT_EQ(receipt.cdBurnCosts(), Money::FromDouble(4.5));
    EXPECT_EQ(receipt.indexCosts(), Money::FromDouble(1.0));

    receipt.AddItem(kioskFormat().get(), QStringLiteral("10x15 kiosk"), euros(0.3), 4);
    receipt.AddItem(labFormat().get(), QStringLiteral("10x15 matt"), euros(0.5), 2);
    receipt.AddItem(&book, QStringLiteral("Photo book"), euros(20), 1);
    receipt.AddItem(labFormat().get(), QStringLiteral("10x15 matt"), euros(0.5), 2);
    receipt.AddItem(&card, QStringLiteral("Card"), euros(2), 3);

    ASSERT_EQ(receipt.orderList().Count(), 4);
    EXPECT_EQ(receipt.orderList()[0], receipt.getDirectPrintOrder());
    EXPECT_EQ(receipt.orderList()[1], receipt.getPrintOrder());
    EXPECT_EQ(receipt.orderList()[2], receipt.getAlbumOrderByAlbum(&book));
    EXPECT_EQ(receipt.orderList()[3], receipt.getTemplateOrderByTemplate(&card));
    EXPECT_EQ(receipt.getAlbumOrderByAlbum(&card), nullptr);
    // The same text twice stays two lines.
    EXPECT_EQ(receipt.getPrintOrder()->items().Count(), 2);
    EXPECT_EQ(receipt.getPrintOrder()->items()[1]->getPriceString(), QStringLiteral("2 x 0.50 \u20AC = 1.00 \u20AC"));
    EXPECT_EQ(receipt.getPrintOrder()->getTotalPrice().price, Money::FromDouble(2.0));
    EXPECT_EQ(receipt.getExtraCostsPrice(receipt.getPrintOrder()), Money::FromDouble(5.5));
    EXPECT_EQ(receipt.getExtraCostsPrice(receipt.getDirectPrintOrder()), 0);
    EXPECT_EQ(receipt.getExtraCostsPrice(receipt.getAlbumOrderByAlbum(&book)), 0);
    // 1.20 + (2.00 + 5.50) + 20 + 6 = 34.70
    EXPECT_EQ(receipt.getTotalPrice().price, Money::FromDouble(34.7));
    EXPECT_EQ(receipt.getTotalPrice().qty, 1);
    // Two extra costs; lines + 2 per block.
    EXPECT_EQ(receipt.getRecapLinesCount(), 2 + 3 + 4 + 3 + 3);

    EXPECT_EQ(exceptionText([&] { receipt.AddItem(static_cast<TProduct*>(nullptr), QString(), euros(1), 1); }),
              QStringLiteral("TReceipt.AddItem: product not supported"));
}

TEST_F(ReceiptFixture, PhotoBooksOnlyCarryNoDiscPrice)
{
    order->SetCdWanted(true);
    main.photographer.setPrixCd(4.5);
    TestAlbumProduct book(order.get());
    TReceipt receipt(&main);
    receipt.AddItem(&book, QStringLiteral("Photo book"), euros(20), 1);
    EXPECT_EQ(receipt.getTotalPrice().price, Money::FromDouble(20));
}

TEST_F(ReceiptFixture, LongPriceGoesToItsOwnLine)
{
    TReceipt shortLine(&main);
    shortLine.AddItem(labFormat().get(), QStringLiteral("10x15"), euros(0.5), 2);
    TReceipt longLine(&main);
    longLine.AddItem(labFormat().get(), QStringLiteral("Premium glossy 10x15 with white border and back print"),
                     euros(123456.78), 99999);
    QImage canvas(500, 800, QImage::Format_RGB32);
    QPainter p(&canvas);
    const float one = shortLine.paintOrderRecap(p, QRectF(0, 0, 500, 800));
    const float two = longLine.paintOrderRecap(p, QRectF(0, 0, 500, 800));
    // 12 pt at 96 dpi is 16 px: the long line takes one more line of text.
    EXPECT_GT(two - one, 14);
    EXPECT_LT(two - one, 30);
}

TEST_F(ReceiptFixture, RefusesAnIncompleteReceipt)
{
    TReceipt empty(&main);
    EXPECT_EQ(exceptionText([&] { empty.print(); }), QStringLiteral("TReceipt.print: orderList is empty"));
    EXPECT_TRUE(printed.isEmpty());
}

TEST_F(ReceiptFixture, EachCopyIsAPrintJobOfItsOwn)
{
    TReceipt receipt(&main);
    receipt.AddItem(labFormat().get(), QStringLiteral("10x15"), euros(0.5), 2);
    main.config.SetKioskReceiptCopyNumber(0);
    receipt.print();
    EXPECT_TRUE(printed.isEmpty());
    main.config.SetKioskReceiptCopyNumber(2);
    receipt.print();
    ASSERT_EQ(printed.size(), 2);
    for (const QString& pdf : printed)
        EXPECT_TRUE(testsupport::readAll(pdf).startsWith("%PDF"));
}

TEST_F(ReceiptFixture, LongReceiptContinuesOnANewPage)
{
    TReceipt receipt(&main);
    for (int i = 0; i < 60; ++i)
        receipt.AddItem(labFormat().get(), QStringLiteral("Print %1").arg(i), euros(0.5), 1);
    QImage canvas(700, 4000, QImage::Format_RGB32);
    QPainter p(&canvas);
    int pages = 1;
    receipt.paintReceipt(p, 203, 639, 800, [&] { ++pages; });
    EXPECT_GE(pages, 2);
}

// Every order number of the table, printed on receipts to PDF and
// rasterised at 203 dpi, reads back with zbar and with ZXing.
TEST_F(ReceiptFixture, BarCodesReadBackFromTheRasterisedPdf)
{
    const QStringList numbers = { "20261209001", "K-0042/7", "o'brien-12", "A1B2C3D4", "7", "\u00E9t\u00E9_99",
                                  "[X]\\@:;<=>?", "ORDER 12345" };
    order->SetCdWanted(true);
    main.photographer.setPrixCd(4.5);
    main.config.SetKioskReceiptCopyNumber(1);
    TestTemplateProduct card(order.get());
    TestAlbumProduct book(order.get());
    for (int r = 0; r < numbers.size() / 4; ++r) {
        TReceipt receipt(&main);
        receipt.setCustomerName(QStringLiteral("Martin Dupont"));
        receipt.setCustomerPhone(QStringLiteral("06 01 02 03 04"));
        receipt.AddItem(labFormat().get(), QStringLiteral("10x15 matt"), euros(0.5), 12);
        receipt.AddItem(kioskFormat().get(), QStringLiteral("10x15 kiosk"), euros(0.3), 2);
        receipt.AddItem(&book, QStringLiteral("Photo book 20x30"), euros(29.9), 1);
        receipt.AddItem(&card, QStringLiteral("Greeting card"), euros(2), 5);
        for (int b = 0; b < 4; ++b)
            receipt.orderList()[b]->setNumber(numbers[r * 4 + b]);
        receipt.print();
        EXPECT_EQ(receipt.widthPixel(), 639);
        EXPECT_EQ(receipt.widthBarCodePixel(), 464);
        EXPECT_EQ(receipt.barCodeHeightPixel(), 80);

        const QString raster = dir.filePath(QStringLiteral("raster%1").arg(r));
        ASSERT_EQ(QProcess::execute(QStringLiteral("pdftoppm"),
                                    { QStringLiteral("-r"), QStringLiteral("203"), QStringLiteral("-gray"),
                                      QStringLiteral("-png"), QStringLiteral("-singlefile"), printed.last(), raster }),
                  0);
        const QString png = raster + QStringLiteral(".png");
        const QImage page(png);
        ASSERT_FALSE(page.isNull());
        // 80 mm at 203 dpi (the PDF page is in whole points).
        EXPECT_GE(page.width(), 639);
        EXPECT_LE(page.width(), 641);
        QStringList expected;
        for (int b = 0; b < 4; ++b)
            expected << TBarCodeForOrder::orderToIntBarCode(numbers[r * 4 + b]);
        QStringList zbar = readers::zbar(png);
        // ZXing reads one symbol a picture: each bar code cut out with its margins.
        const QList<QRect> bands = readers::barBands(page);
        ASSERT_EQ(bands.size(), 4);
        QStringList zxing;
        for (int b = 0; b < bands.size(); ++b) {
            SCOPED_TRACE(b);
            const QRect& band = bands[b];
            // 80 rows high (10 mm); the bars inside the 464 pixels from
            // x = 87, quiet zones left; centred on the 639-pixel receipt.
            EXPECT_NEAR(band.height(), 80, 2);
            EXPECT_GE(band.left(), 87 + 20);
            EXPECT_LE(band.right(), 87 + 464 - 20);
            EXPECT_NEAR(band.center().x(), 639 / 2, 4);
            const QString cut = (qEnvironmentVariableIsSet("KIOSK_SCREENSHOT_DIR") ? qEnvironmentVariable("KIOSK_SCREENSHOT_DIR") + QStringLiteral("/cut%1").arg(r) : raster) + QStringLiteral("-%1.png").arg(b);
            ASSERT_TRUE(page.copy(band.adjusted(-40, 0, 40, 0)).save(cut));
            zxing << readers::zxing(cut);
        }
        expected.sort();
        zbar.sort();
        zxing.sort();
        EXPECT_EQ(zbar, expected);
        EXPECT_EQ(zxing, expected);
        // A copy to look at, when asked for.
        if (r == 0 && qEnvironmentVariableIsSet("KIOSK_SCREENSHOT_DIR"))
            page.save(QDir(qEnvironmentVariable("KIOSK_SCREENSHOT_DIR")).filePath(QStringLiteral("receipt.png")));
    }
}
