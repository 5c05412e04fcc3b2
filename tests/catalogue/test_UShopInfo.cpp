// The catalogue root: its cache files, the stamps and the update decision,
// the millimetre-to-pixel conversion and the order folder names.
#include "CatalogueFakes.h"

#include "LogCapture.h"
#include "UShopConnect.h"
#include "UTools.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

std::optional<TXSDateTime> stamp(const char* xs)
{
    if (!xs)
        return std::nullopt;
    return TXSDateTime::FromXS(QString::fromLatin1(xs));
}

std::unique_ptr<Zebconsumer2> consumer(int id, int phot, const char* upd, const char* book, const char* tpl,
                                       const char* cal, bool print = true, bool books = true, bool tpls = true)
{
    auto c = std::make_unique<Zebconsumer2>();
    c->setId(id);
    c->setPhotographeId(phot);
    if (upd)
        c->setLastUpdateConsumer(stamp(upd));
    if (book)
        c->setLastUpdateBook(stamp(book));
    if (tpl)
        c->setLastUpdateTemplate(stamp(tpl));
    if (cal)
        c->setLastUpdateCalendar(stamp(cal));
    c->setHasPrint(print);
    c->setHasBook(books);
    c->setHasCard(false);
    c->setHasPhotoProduct(tpls);
    c->setHasCalendar(false);
    c->setMessage_(QStringLiteral("Hello\r\nthere"));
    return c;
}

} // namespace

TEST(ShopInfoDecision, PartialOrFullUpdateFromTheFourStamps)
{
    const char* T1 = "2024-02-01T12:00:00";
    const char* T2 = "2024-02-02T12:00:00";
    struct Case {
        const char* name;
        std::unique_ptr<Zebconsumer2> cached; // null: no cache
        std::unique_ptr<Zebconsumer2> received;
        bool full, common, print, tpl, book;
    };
    Case cases[] = {
        { "no cache: full update", nullptr, consumer(345, 12, T1, T1, T1, T1), true, true, true, true, true },
        { "all equal: nothing asked", consumer(345, 12, T1, T1, T1, T1), consumer(345, 12, T1, T1, T1, T1), false,
          false, false, false, false },
        { "only the book stamp differs", consumer(345, 12, T1, T1, T1, T1), consumer(345, 12, T1, T2, T1, T1), false,
          false, false, false, true },
        { "calendar stamp alone asks the templates", consumer(345, 12, T1, T1, T1, T1),
          consumer(345, 12, T1, T1, T1, T2), false, false, false, true, false },
        { "consumer stamp asks every part", consumer(345, 12, T1, T1, T1, T1), consumer(345, 12, T2, T1, T1, T1),
          false, true, true, true, true },
        { "a missing stamp counts as changed", consumer(345, 12, T1, nullptr, T1, T1),
          consumer(345, 12, T1, T1, T1, T1), false, false, false, false, true },
        { "a consumer without books asks the book part always", consumer(345, 12, T1, T1, T1, T1),
          consumer(345, 12, T1, T1, T1, T1, true, false), false, false, false, false, true },
        { "a consumer without prints asks the print part always", consumer(345, 12, T1, T1, T1, T1),
          consumer(345, 12, T1, T1, T1, T1, false), false, false, true, false, false },
        { "another photographer: full", consumer(345, 12, T1, T1, T1, T1), consumer(345, 13, T1, T1, T1, T1), true,
          true, true, true, true },
        { "within a millisecond is the same", consumer(345, 12, "2024-02-01T12:00:00.0004", T1, T1, T1),
          consumer(345, 12, T1, T1, T1, T1), false, false, false, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TShopConnect::TUpdateDecision d = TShopConnect::Decide(c.cached.get(), *c.received);
        EXPECT_EQ(d.full, c.full);
        EXPECT_EQ(d.askCommon, c.common);
        EXPECT_EQ(d.askPrint, c.print);
        EXPECT_EQ(d.askTpl, c.tpl);
        EXPECT_EQ(d.askBook, c.book);
    }
}

TEST(ShopInfoDecision, MessageShownOnlyWhenItChangedBeyondCarriageReturns)
{
    auto cached = consumer(345, 12, nullptr, nullptr, nullptr, nullptr);
    auto received = consumer(345, 12, nullptr, nullptr, nullptr, nullptr);
    received->setMessage_(QStringLiteral("Hello\nthere"));
    EXPECT_TRUE(TShopConnect::Decide(cached.get(), *received).message.isEmpty());
    received->setMessage_(QStringLiteral("New offer"));
    EXPECT_EQ(TShopConnect::Decide(cached.get(), *received).message, QStringLiteral("New offer"));
    EXPECT_EQ(TShopConnect::Decide(nullptr, *cached).message, QStringLiteral("Hello\r\nthere"));
    EXPECT_EQ(TShopConnect::XSDateTimeToLogText(std::nullopt), QStringLiteral("nil"));
}

TEST(ShopInfoSizes, MillimetresToPixels)
{
    struct Case {
        const char* name;
        int dpi;
        double rate;
        QSizeF mm;
        bool gpu;
        QSizeF px;
        int dpiOut; // -1: refused
    };
    const Case cases[] = {
        { "small print grows to 50 px", 300, 1.0, { 4, 2 }, false, { 100, 50 }, 635 },
        { "ordinary print unchanged", 300, 1.0, { 10, 5 }, false, { 118.110236, 59.055118 }, 300 },
        { "channel rate 50 %", 300, 0.5, { 100, 50 }, false, { 590.551181, 295.275590 }, 150 },
        { "over the GPU limit shrinks to it", 300, 1.0, { 1000, 500 }, true, { 8192, 4096 }, 208 },
        { "GPU limit not asked", 300, 1.0, { 1000, 500 }, false, { 11811.0236, 5905.5118 }, 300 },
        { "resolution 0 refused", 0, 1.0, { 10, 5 }, false, { 0, 0 }, -1 },
        { "negative resolution refused", -300, 1.0, { 10, 5 }, false, { 0, 0 }, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int dpi = 0;
        if (c.dpiOut < 0) {
            EXPECT_THROW(TShopInfo::BitmapSizeMmToPixelCalc(c.dpi, c.rate, c.mm, &dpi, c.gpu, 8192), Exception);
            continue;
        }
        const QSizeF px = TShopInfo::BitmapSizeMmToPixelCalc(c.dpi, c.rate, c.mm, &dpi, c.gpu, 8192);
        EXPECT_NEAR(px.width(), c.px.width(), 0.01);
        EXPECT_NEAR(px.height(), c.px.height(), 0.01);
        EXPECT_EQ(dpi, c.dpiOut);
    }
}

TEST(ShopInfoOrders, FolderNames)
{
    const QDate day(2024, 3, 9);
    EXPECT_EQ(TShopInfo::FormaterNomRepertoire(1, 1, 7, QString(), day), QStringLiteral("o0700001"));
    EXPECT_EQ(TShopInfo::FormaterNomRepertoire(998, 1, 12, QString(), day), QStringLiteral("o1200998"));
    EXPECT_EQ(TShopInfo::FormaterNomRepertoire(42, 0, 0, QStringLiteral("kiosk-front-1"), day),
              QStringLiteral("00042-kiosk_front_1-240309"));
    EXPECT_THROW(TShopInfo::FormaterNomRepertoire(1000, 1, 7, QString(), day), Exception);
    EXPECT_THROW(TShopInfo::FormaterNomRepertoire(1, 2, 7, QString(), day), Exception);
    EXPECT_EQ(TShopInfo::kioskIdGet(QStringLiteral("7")), 7);
    EXPECT_THROW(TShopInfo::kioskIdGet(QStringLiteral("Demo")), Exception);
}

class ShopInfoFilesTest : public ConfigTestBase {
protected:
    void SetUp() override
    {
        ConfigTestBase::SetUp();
        fCfg = start();
    }
    std::unique_ptr<TTestConfig> fCfg;
};

TEST_F(ShopInfoFilesTest, BootFileRoundTripIsScrambledAndClean)
{
    TShopInfo shop;
    shop.SetConsumer(consumer(345, 12, "2024-02-03T12:00:00", "2024-02-01T12:00:00", nullptr, nullptr));
    shop.CommonLoadAsk(nullptr);
    ASSERT_TRUE(shop.Dirty());
    shop.Save(fCfg.get());
    EXPECT_FALSE(shop.Dirty());

    const QByteArray raw = testsupport::readAll(fCfg->GetShopInfoBootPath());
    ASSERT_FALSE(raw.isEmpty());
    EXPECT_FALSE(raw.contains("ShopBootInfo")) << "the file is scrambled";
    const QByteArray plain = TAppTools::CryptXOR(raw, TAppTools::CryptKey());
    EXPECT_TRUE(plain.contains("<ShopBootInfo>"));
    EXPECT_TRUE(plain.contains("XmlSerializerV1_0"));

    std::unique_ptr<TShopInfo> back = TShopInfo::TryLoadCreate(fCfg.get());
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(back->Dirty());
    EXPECT_EQ(back->TScommon(), shop.TScommon()) << "stamps compare exactly";
    EXPECT_EQ(back->Consumer()->Id(), 345);
    EXPECT_TRUE(TShopConnect::StampUnchanged(back->Consumer()->LastUpdateConsumer(), stamp("2024-02-03T12:00:00")));
    EXPECT_FALSE(back->Consumer()->LastUpdateTemplate().has_value());
}

TEST_F(ShopInfoFilesTest, PartFileAnswersOnlyForItsStamp)
{
    TShopProdPrintInfo part;
    part.SetStamp(45000.25);
    part.Save(fCfg.get());
    EXPECT_NE(TShopProdPrintInfo::TryLoadCreate(fCfg.get(), 45000.25), nullptr);
    LogCapture log;
    EXPECT_EQ(TShopProdPrintInfo::TryLoadCreate(fCfg.get(), 45000.5), nullptr);
    EXPECT_TRUE(log.Text().contains(QStringLiteral("TShopProdPrintInfo.TryLoadCreate: path= %1 (ram: ")
                                        .arg(fCfg->GetShopInfoProdPrintPath())));
    EXPECT_TRUE(log.Text().contains(QStringLiteral("): timestamp invalid -> to reload")));
}

TEST_F(ShopInfoFilesTest, UnreadableCacheFileIsAMissThatIsDeleted)
{
    struct Case {
        const char* name;
        QString path;
        std::function<bool()> read;
    };
    const Case cases[] = {
        { "boot", fCfg->GetShopInfoBootPath(), [&] { return TShopInfo::TryLoadCreate(fCfg.get()) != nullptr; } },
        { "print part", fCfg->GetShopInfoProdPrintPath(),
          [&] { return TShopProdPrintInfo::TryLoadCreate(fCfg.get(), 0) != nullptr; } },
        { "shop-wide part", fCfg->GetShopInfoCommonPath(),
          [&] { return TShopCommonInfo::TryLoadCreate(fCfg.get()) != nullptr; } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QFile::copy(testsupport::dataPath(QStringLiteral("corrupt-part.qzinf")), c.path));
        LogCapture log;
        EXPECT_FALSE(c.read());
        EXPECT_FALSE(QFile::exists(c.path)) << "the unreadable file is dropped";
        EXPECT_TRUE(log.Text().contains(QStringLiteral("unreadable cache file")));
        EXPECT_FALSE(c.read()) << "then simply missing";
    }
}

TEST_F(ShopInfoFilesTest, LoadAskRenewsTheStampAndDeletesThePartFile)
{
    ConnecMain main(fCfg.get());
    TShopInfo shop;
    TShopProdBookInfo book;
    book.Save(fCfg.get());
    TShopCommonInfo common;
    common.Save(fCfg.get());
    ASSERT_TRUE(QFile::exists(fCfg->GetShopInfoProdBookPath()));
    const double before = shop.TSprodBookInfo();
    shop.ProdBookLoadAsk(&main);
    shop.CommonLoadAsk(&main);
    EXPECT_NE(shop.TSprodBookInfo(), before);
    EXPECT_FALSE(QFile::exists(fCfg->GetShopInfoProdBookPath()));
    EXPECT_TRUE(QFile::exists(fCfg->GetShopInfoCommonPath())) << "the stale stamp is enough for the shop-wide file";
    EXPECT_THROW(shop.Common(), ETaskNotReady);
    EXPECT_FALSE(shop.hasProducts());
}

TEST_F(ShopInfoFilesTest, FrameDetailsSetKeyAndThemes)
{
    TShopTplInfo set(12, 150, 100, 45000.5);
    EXPECT_TRUE(set.HasKey(12, 100, 150));
    set.SetZebtemplatesVelmoraString({ QStringLiteral("901|1;8;8;89;132;0;0") });
    set.Save(fCfg.get());
    EXPECT_TRUE(QFile::exists(fCfg->GetShopTplInfoPath(12, 100, 150)));
    EXPECT_TRUE(fCfg->GetShopTplInfoPath(12, 150, 100).endsWith(QStringLiteral("ShopTplInfo-12-100-150.qzinf")));
    std::unique_ptr<TShopTplInfo> back = TShopTplInfo::TryLoadCreate(fCfg.get(), 12, 100, 150, 45000.5);
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->findById(901), nullptr);
    EXPECT_EQ(back->findById(902), nullptr);
    EXPECT_EQ(TShopTplInfo::TryLoadCreate(fCfg.get(), 12, 100, 150, 1.0), nullptr);

    ZebtemplateVelmora2 tpl;
    tpl.setType_(5);
    EXPECT_EQ(TShopTplInfo::ThemeIdFrom(&tpl), 5);
    tpl.setType_(1);
    EXPECT_EQ(TShopTplInfo::ThemeIdFrom(&tpl), -3);
    tpl.setCalendrierMois(true);
    EXPECT_EQ(TShopTplInfo::ThemeIdFrom(&tpl), -2);
    tpl.setCalendrierMois(false);
    tpl.setType_(0);
    EXPECT_THROW(TShopTplInfo::ThemeIdFrom(&tpl), Exception);
    EXPECT_EQ(TShopTplInfo::ThemeIdFrom(nullptr), -1);
}
