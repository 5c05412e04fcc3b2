// Print formats per photo: printed sizes, positions among products, adding,
// duplicating and removing formats, and the check before sending.
#include "OrderFakes.h"

#include <gtest/gtest.h>

using namespace orderfakes;

namespace {

struct GroupSetup {
    OrderEnv env;
    Tirage2* fmt = nullptr;
    TTirageProduct* product = nullptr;
    TestImage* image = nullptr;
    TImageTirageGroupData* group = nullptr;

    GroupSetup()
    {
        fmt = env.main.addTirage(1, 10, 15);
        product = env.order->TirageProductAdd(fmt, 2);
        image = env.addPrint(product, QStringLiteral("dcim\\a.jpg"));
        group = env.order->ImagesSelectionneesTirage()[0];
    }
    TImageTirageData* format(int i) { return group->LstFormats()[i]; }
};

} // namespace

TEST(ImageTirageData, PrintedSize)
{
    GroupSetup s;
    EXPECT_EQ(s.format(0)->GetImageSizeInMm(&s.env.main), QSizeF(100, 150));
    auto* ch = new Channel2;
    ch->setNumero(4);
    ch->setLargeur(102);
    ch->setLongueur(152);
    s.env.main.channels.Add(ch);
    s.format(0)->SetChannel(4);
    EXPECT_EQ(s.format(0)->GetImageSizeInMm(&s.env.main), QSizeF(102, 152));
    s.format(0)->SetChannel(5);
    try {
        s.format(0)->GetImageSizeInMm(&s.env.main);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Channel not found"));
    }
}

TEST(ImageTirageData, FromItsProduct)
{
    GroupSetup s;
    s.fmt->setChannel(0);
    TImageTirageData* f = s.format(0);
    EXPECT_EQ(f->Quantity(), 2);
    EXPECT_EQ(f->TirageId(), 1);
    EXPECT_EQ(f->Product(), s.product);
    EXPECT_EQ(f->Image(), s.image);
    EXPECT_EQ(f->ImageSource(), s.image);
    EXPECT_TRUE(f->ImageRotateIfBetter());
    EXPECT_FALSE(f->transparencyAllowedForOutput());
    EXPECT_EQ(f->TransferQuantity(), 2);
    EXPECT_EQ(f->SourceFileName(), QStringLiteral("dcim\\a.jpg"));
    EXPECT_FALSE(f->IsDirectPrint());
    // The kiosk printer is known by its name; an id alone names none.
    s.fmt->setImprimanteBorneId(3);
    EXPECT_FALSE(f->IsDirectPrint());
    s.fmt->setImprimanteBorneNomWindows(QStringLiteral("Kiosk printer"));
    EXPECT_TRUE(f->IsDirectPrint());
    EXPECT_EQ(s.group->GetImageCacheRef(), s.image);
    EXPECT_EQ(s.group->ImageLabel(), QStringLiteral("a"));
    EXPECT_EQ(s.group->DebugLabel(), QStringLiteral("TImageTirageGroupData(TOrderImageBase(dcim\\a.jpg))"));
}

TEST(ImageTirageData, SizeForABox)
{
    struct Case {
        const char* name;
        bool rotateFrame;
        TOrderBitmapMode mode;
        QSizeF photo;
        QSizeF expected;
    } cases[] = {
        { "portrait print", false, TOrderBitmapMode::obm_sizeMax, QSizeF(2000, 3000), QSizeF(200, 300) },
        { "turned frame", true, TOrderBitmapMode::obm_sizeMax, QSizeF(2000, 3000), QSizeF(300, 200) },
        { "never turned, landscape photo", false, TOrderBitmapMode::obm_sizeMaxNoRotate, QSizeF(3000, 2000),
          QSizeF(300, 200) },
        { "never turned, portrait photo", false, TOrderBitmapMode::obm_sizeMaxNoRotate, QSizeF(2000, 3000),
          QSizeF(200, 300) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GroupSetup s;
        s.image->fSize = c.photo;
        s.format(0)->Effects()->SetRotateFrame(c.rotateFrame);
        EXPECT_EQ(s.format(0)->ImageSizeForMax(-300, 300, c.mode), c.expected);
    }
}

TEST(ImageTirageData, AddingAndDuplicating)
{
    GroupSetup s;
    s.format(0)->SetQuantity(7);
    // The product already has a format: unchanged unless asked.
    s.group->TirageProductAdd(s.product, false);
    ASSERT_EQ(s.group->LstFormats().Count(), 1);
    EXPECT_EQ(s.format(0)->Quantity(), 7);
    s.group->TirageProductAdd(s.product, true);
    EXPECT_EQ(s.format(0)->Quantity(), 2);

    s.format(0)->SetQuantity(5);
    s.format(0)->Effects()->SetSepia(true);
    TImageTirageData* dup = s.group->TirageDuplicate(&s.env.main, s.format(0));
    ASSERT_EQ(s.group->LstFormats().Count(), 2);
    EXPECT_EQ(dup->Quantity(), 2);
    EXPECT_TRUE(dup->Effects()->isEmpty());
    EXPECT_EQ(dup->Product(), s.product);
    EXPECT_EQ(s.product->ImgsDataList()->GetCount(), 2);
    EXPECT_EQ(s.group->TiragesFindByProd(s.product)->GetCount(), 2);
}

TEST(ImageTirageData, FormatsWithoutProductAreAttachedByPrintFormat)
{
    GroupSetup s;
    s.format(0)->SetProduct(nullptr);
    EXPECT_EQ(s.format(0)->ProductOrder(), -1);
    EXPECT_TRUE(s.group->HasImgsAvailableForProd(s.product));
    EXPECT_EQ(s.format(0)->Product(), s.product);
    EXPECT_EQ(s.format(0)->ProductOrder(), 0);
}

TEST(ImageTirageData, RemovingFormats)
{
    GroupSetup s;
    TImageTirageData* dup = s.group->TirageDuplicate(&s.env.main, s.format(0));
    dup->Effects()->SetRedEyes(true);
    try {
        s.product->TirageDel(&s.env.main, dup, false);
        FAIL();
    } catch (const EUser& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("You have customized the image a for print !"));
    }
    EXPECT_EQ(s.group->LstFormats().Count(), 2);
    s.product->TirageDel(&s.env.main, dup, true);
    EXPECT_EQ(s.group->LstFormats().Count(), 1);

    TImageTirageData stray;
    try {
        s.group->ImageTirageDel(&stray);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TImageTirageGroupData.ImageTirageDel : tirageData not found"));
    }
    EXPECT_TRUE(s.group->ImageTirageDel(s.format(0)));
}

TEST(ImageTirageData, LastFormatTakesTheGroupAway)
{
    GroupSetup s;
    s.product->TirageDel(&s.env.main, s.format(0), false);
    EXPECT_EQ(s.env.order->ImagesSelectionneesTirage().Count(), 0);
    EXPECT_TRUE(s.product->IsEmpty());
    EXPECT_EQ(s.env.order->ImageUsedCount(), 1);

    TTirageProduct* p = s.env.order->TirageProducts()[0];
    TestImage* b = s.env.addPrint(p, QStringLiteral("b.jpg"));
    p->ImageUsedDel(&s.env.main, b, false);
    EXPECT_EQ(s.env.order->ImagesSelectionneesTirage().Count(), 0);
    EXPECT_TRUE(s.env.order->IsImageUsed(QStringLiteral("b.jpg")));
}

TEST(ImageTirageData, LoaderParents)
{
    TImageTirageData f;
    TImageTirageGroupData g;
    EXPECT_EQ(f.GiveParent(&g), nullptr);
    EXPECT_EQ(f.Group(), &g);
    EXPECT_EQ(f.GiveParent(&f), &TImageTirageGroupData::StaticClassInfo());
    EXPECT_EQ(g.GiveParent(&f), &TPrintOrder::StaticClassInfo());
    EXPECT_EQ(g.DebugLabel(), QStringLiteral("TImageTirageGroupData(image=nil)"));
}
