// Saved orders and the order backup: photos stored by reference, the
// reload through the media sources, the repair against the catalogue, and
// files that are either the old or the new version.
#include "SendFakes.h"

#include "LogCapture.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace sendfakes;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A photo whose label cannot be told: writing it fails midway.
class BrokenImage : public TestImage {
public:
    using TestImage::TestImage;
    QString ImageLabel() override { throw Exception(QStringLiteral("BrokenImage: no label")); }
};

// Two print products over three photos, "b" printed in both formats, and
// "c" waiting for a product.
struct SavedOrder {
    SavedOrder()
    {
        p1 = env.order->TirageProductAdd(env.main.prints[0], 1);
        p2 = env.order->TirageProductAdd(env.main.prints[1], 2);
        env.addPrint(p1, QStringLiteral("/media/usb/DCIM/a.jpg"));
        env.addPrint(p1, QStringLiteral("/media/usb/DCIM/b.jpg"));
        env.addPrint(p2, QStringLiteral("/media/usb/DCIM/b.jpg"));
        env.order->SetConsumerName(QStringLiteral("Martin"));
        env.order->SetComments(QStringLiteral("matte <please> & thanks"));
        path = env.main.temp.filePath(QStringLiteral("order.qzo"));
    }

    // A main frame with the same catalogue, for reloading.
    static void fillCatalogue(SendMainFrame& main, bool withFormat2)
    {
        main.addTirage(1, 10, 15)->setChannel(3);
        if (withFormat2)
            main.addTirage(2, 13, 18)->setChannel(4);
    }

    SendEnv env;
    TTirageProduct* p1 = nullptr;
    TTirageProduct* p2 = nullptr;
    QString path;
};

} // namespace

TEST(OrderFiles, RoundTripSharesEachPhotoByReference)
{
    SavedOrder saved;
    saved.env.order->Save(saved.path);
    EXPECT_FALSE(saved.env.order->Dirty());

    // Every place a photo is used holds a reference, never its properties.
    const QString doc = QString::fromUtf8(readAll(saved.path));
    EXPECT_TRUE(doc.contains(QStringLiteral("<PrintOrder")));
    EXPECT_EQ(doc.count(QStringLiteral("<OrderImage ")), 4) << doc.toStdString(); // 2 in the list, 2 in the groups
    EXPECT_EQ(doc.count(QStringLiteral("id=\"/media/usb/DCIM/b.jpg\"")), 2);
    EXPECT_TRUE(doc.contains(QStringLiteral("label=\"b\"")));
    EXPECT_FALSE(doc.contains(QStringLiteral("TestImage")));

    SendMainFrame main;
    SavedOrder::fillCatalogue(main, true);
    main.missing.insert(QStringLiteral("/media/usb/DCIM/a.jpg"));
    std::unique_ptr<TPrintOrder> back = TPrintOrder::TryLoadCreate(&main, saved.path);
    ASSERT_TRUE(back);
    main.order = back.get();

    // One object per photo, each re-created once by the media sources.
    EXPECT_EQ(back->ImageUsedCount(), 2);
    EXPECT_EQ(main.reloads.size(), 2u);
    for (const auto& [id, n] : main.reloads)
        EXPECT_EQ(n, 1) << id.toStdString();
    EXPECT_EQ(main.reloadLabels[QStringLiteral("/media/usb/DCIM/b.jpg")], QStringLiteral("b"));
    TOrderImageBase* b = back->ImageUsedFind(QStringLiteral("/media/usb/DCIM/b.jpg"));
    ASSERT_NE(b, nullptr);
    TImageTirageGroupData* group = back->ImagesSelectionneesTirageFind(b);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Image(), b);
    EXPECT_EQ(group->LstFormats().Count(), 2);
    ASSERT_EQ(back->TirageProducts().Count(), 2);
    EXPECT_EQ(back->TirageProducts()[1]->Quantity(), 2);
    // The reloaded formats are known to their products again.
    main.addTier(1, 1, 100, 0.25);
    main.addTier(2, 1, 100, 0.40);
    for (TTirageProduct* p : back->TirageProducts())
        EXPECT_EQ(p->GetPrice(), back->calcPrintPrice(p, nullptr));
    EXPECT_GT(back->TirageProducts()[1]->GetPrice().qty, 0);
    EXPECT_EQ(back->ConsumerName(), QStringLiteral("Martin"));
    EXPECT_EQ(back->Comments(), QStringLiteral("matte <please> & thanks"));

    // The photo whose file is gone is counted; nothing was dropped.
    EXPECT_EQ(back->ImageUsedInvalidCount(), 1);
    EXPECT_TRUE(back->ProductReloadMessage().isEmpty());
    EXPECT_TRUE(back->JustReloaded());
    EXPECT_FALSE(back->Dirty());
}

// Quantities in a hand-edited or damaged file are brought into the model's
// range (0 to 9999) and said in the log; the order still loads.
TEST(OrderFiles, QuantitiesOutOfRangeAreClampedAndLogged)
{
    SavedOrder saved;
    saved.env.order->Save(saved.path);
    QString doc = QString::fromUtf8(readAll(saved.path));
    const QRegularExpression quantity(QStringLiteral("(\\.Quantity type=\"[^\"]*\">)\\d+<"));
    ASSERT_GE(doc.count(quantity), 4) << doc.toStdString();
    // Products get a huge quantity, prints a negative one.
    doc.replace(QRegularExpression(QStringLiteral("(Product\\.Quantity type=\"[^\"]*\">)\\d+<")),
                QStringLiteral("\\1@huge@<"));
    doc.replace(QStringLiteral("@huge@"), QStringLiteral("2147483647"));
    doc.replace(QRegularExpression(QStringLiteral("(ImagePrintData\\.Quantity type=\"[^\"]*\">)\\d+<")),
                QStringLiteral("\\1-5<"));
    {
        QFile f(saved.path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(doc.toUtf8());
    }
    LogCapture log;
    SendMainFrame main;
    SavedOrder::fillCatalogue(main, true);
    std::unique_ptr<TPrintOrder> back = TPrintOrder::TryLoadCreate(&main, saved.path);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->TirageProducts().Count(), 2);
    EXPECT_EQ(back->TirageProducts()[0]->Quantity(), 9999);
    EXPECT_EQ(back->TirageProducts()[1]->Quantity(), 9999);
    TOrderImageBase* b = back->ImageUsedFind(QStringLiteral("/media/usb/DCIM/b.jpg"));
    ASSERT_NE(b, nullptr);
    for (TImageTirageData* f : back->ImagesSelectionneesTirageFind(b)->LstFormats())
        EXPECT_EQ(f->Quantity(), 0);
    const QString text = log.Text();
    EXPECT_TRUE(text.contains(QStringLiteral("TProduct: quantity 2147483647 out of range in the order file, 9999 kept")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("TImageTirageData: quantity -5 out of range in the order file, 0 kept")));
}

TEST(OrderFiles, ProductsGoneFromTheCatalogueAreDroppedAndSaid)
{
    SavedOrder saved;
    const QString label2 = saved.p2->ProductLabel();
    saved.env.order->Save(saved.path);

    SendMainFrame main;
    SavedOrder::fillCatalogue(main, false);
    std::unique_ptr<TPrintOrder> back = TPrintOrder::TryLoadCreate(&main, saved.path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ProductReloadMessage(), QStringLiteral("\r\n- ") + label2 + QStringLiteral(": not found, removed"));
    ASSERT_EQ(back->TirageProducts().Count(), 1);
    EXPECT_EQ(back->TirageProducts()[0]->Tirage(), main.prints[0]);
    // Photo b keeps the format of the product left; the repaired order is
    // saved again at the next backup.
    TOrderImageBase* b = back->ImageUsedFind(QStringLiteral("/media/usb/DCIM/b.jpg"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(back->ImagesSelectionneesTirageFind(b)->LstFormats().Count(), 1);
    EXPECT_TRUE(back->Dirty());
    EXPECT_EQ(back->ImageUsedInvalidCount(), 0);
}

TEST(OrderFiles, SaveWritesOnlyADirtyOrderAndKeepsTheOldFileOnFailure)
{
    SavedOrder saved;
    saved.env.order->Save(saved.path);
    const QByteArray first = readAll(saved.path);
    ASSERT_FALSE(first.isEmpty());

    // Clean: nothing is written, even over another file.
    QFile::remove(saved.path);
    ASSERT_TRUE(testsupport::writeAll(saved.path, "other"));
    saved.env.order->Save(saved.path);
    EXPECT_EQ(readAll(saved.path), QByteArray("other"));
    ASSERT_TRUE(testsupport::writeAll(saved.path, first));

    // A save that fails midway leaves the previous file whole and the
    // order still dirty.
    auto* broken = new BrokenImage(QStringLiteral("/media/usb/DCIM/z.jpg"));
    ASSERT_EQ(saved.p1->ImageUsedAdd(broken), broken);
    ASSERT_TRUE(saved.env.order->Dirty());
    EXPECT_THROW(saved.env.order->Save(saved.path), Exception);
    EXPECT_EQ(readAll(saved.path), first);
    EXPECT_TRUE(saved.env.order->Dirty());
    EXPECT_EQ(QDir(saved.env.main.temp.path()).entryList(QDir::Files), QStringList { QStringLiteral("order.qzo") });

    // A folder that cannot be written: the error reaches the caller.
    EXPECT_THROW(saved.env.order->Save(QStringLiteral("/nonexistent-folder/order.qzo")), Exception);
    EXPECT_TRUE(saved.env.order->Dirty());
}

TEST(OrderFiles, SaveOrDeleteAndMissingFiles)
{
    SendEnv env;
    const QString path = env.main.temp.filePath(QStringLiteral("OrderBackup.qzo"));
    // An empty order removes the backup...
    ASSERT_TRUE(testsupport::writeAll(path, "old backup"));
    env.order->SaveOrDelete(path);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(env.order->Dirty());
    // ... and with no file there is nothing to do.
    env.order->SetDirty();
    env.order->SaveOrDelete(path);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(env.order->Dirty());

    // A filled order is saved.
    TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
    env.addPrint(p, QStringLiteral("x.jpg"));
    env.order->SaveOrDelete(path);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(env.order->Dirty());

    EXPECT_EQ(TPrintOrder::TryLoadCreate(&env.main, QString()), nullptr);
    EXPECT_EQ(TPrintOrder::TryLoadCreate(&env.main, env.main.temp.filePath(QStringLiteral("none.qzo"))), nullptr);
}

// Broken files raise, leave no photo behind and no half-filled order.
TEST(OrderFiles, BrokenFilesRaiseAndLeakNothing)
{
    SavedOrder saved;
    saved.env.order->Save(saved.path);
    const QByteArray whole = readAll(saved.path);

    struct Case {
        const char* name;
        QByteArray content;
    } cases[] = {
        { "cut in the middle", whole.left(whole.size() / 2) },
        { "cut after the photo list", whole.left(whole.indexOf("</PrintOrder.A00Images>") + 10) },
        { "not XML", QByteArray("this is not an order") },
        { "unknown element", QByteArray(whole).replace("ImagePrintGroupData", "ImagePrintGroupDatX") },
        { "wrong root", QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?><XmlSerializerV1_0><Print/></XmlSerializerV1_0>") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = saved.env.main.temp.filePath(QStringLiteral("broken.qzo"));
        ASSERT_TRUE(testsupport::writeAll(path, c.content));
        SendMainFrame main;
        SavedOrder::fillCatalogue(main, true);
        const int alive = TestImage::sAlive;
        EXPECT_THROW(TPrintOrder::TryLoadCreate(&main, path), std::exception);
        EXPECT_EQ(TestImage::sAlive, alive);
    }
}
