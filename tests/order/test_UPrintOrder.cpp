// The order's lists and their consistency: products, photos, print groups,
// the product for picture selection, the delivery address, the dirty flag
// and the check before sending.
#include "OrderFakes.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

using namespace orderfakes;

TEST(PrintOrder, CreatedEmptyAndDirty)
{
    OrderEnv env;
    TPrintOrder& o = *env.order;
    EXPECT_TRUE(o.Dirty());
    EXPECT_EQ(o.sendType(), TSendType::stUpload);
    EXPECT_FALSE(o.acceptedCgv());
    EXPECT_FALSE(o.SendImgCustoAlbumInitAuto());
    EXPECT_EQ(o.FirstCmdId(), -1);
    EXPECT_TRUE(o.FirstCmdNum().isEmpty());
    EXPECT_EQ(o.DateWithdrawal().date(), QDate::currentDate());
    EXPECT_LE(qAbs(o.DateOrder().secsTo(QDateTime::currentDateTime())), 5);
    EXPECT_EQ(o.ImageUsedCount(), 0);
    EXPECT_EQ(o.ProductUsedCount(), 0);
    EXPECT_TRUE(o.IsEmpty());
    EXPECT_FALSE(o.isUsed());
    o.markAsUsed();
    EXPECT_TRUE(o.isUsed());
}

TEST(PrintOrder, RefusesTheLoadersConstructor)
{
    try {
        TPrintOrder::StaticClassInfo().CreateInstance();
        FAIL() << "created";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TPrintOrder.Create without args not supported"));
    }
}

// Every change that must reach the backup marks the order dirty, the terms
// acceptance, the print-date format and the quantities included.
TEST(PrintOrder, ChangesMarkTheOrderDirty)
{
    struct Case {
        const char* name;
        std::function<void(OrderEnv&)> change;
    } cases[] = {
        { "consumer name", [](OrderEnv& e) { e.order->SetConsumerName(QStringLiteral("Ann")); } },
        { "consumer phone", [](OrderEnv& e) { e.order->SetConsumerPhone(QStringLiteral("1")); } },
        { "reference", [](OrderEnv& e) { e.order->SetConsumerReference(QStringLiteral("r")); } },
        { "comments", [](OrderEnv& e) { e.order->SetComments(QStringLiteral("c")); } },
        { "express", [](OrderEnv& e) { e.order->SetExpressOrder(true); } },
        { "index", [](OrderEnv& e) { e.order->SetIndexWanted(true); } },
        { "cd", [](OrderEnv& e) { e.order->SetCdWanted(true); } },
        { "calibration", [](OrderEnv& e) { e.order->SetCalibrationImage(true); } },
        { "postal shipping", [](OrderEnv& e) { e.order->SetPostalShipping(true); } },
        { "date order", [](OrderEnv& e) { e.order->SetDateOrder(QDateTime::currentDateTime()); } },
        { "date withdrawal", [](OrderEnv& e) { e.order->SetDateWithdrawal(QDateTime::currentDateTime()); } },
        { "terms accepted", [](OrderEnv& e) { e.order->SetAcceptedCgv(true); } },
        { "print date format", [](OrderEnv& e) { e.order->SetPrintDateFormat(TPrintDateFormat::pdWithDate); } },
        { "product quantity", [](OrderEnv& e) { e.order->TirageProducts()[0]->SetQuantity(3); } },
        { "print quantity",
          [](OrderEnv& e) { e.order->ImagesSelectionneesTirage()[0]->LstFormats()[0]->SetQuantity(5); } },
        { "print product added", [](OrderEnv& e) { e.order->TirageProductAdd(e.main.prints[1], 1); } },
        { "template product added", [](OrderEnv& e) { e.order->TemplateProductAdd(e.main.prints[1], 1); } },
        { "photo book added", [](OrderEnv& e) { e.order->AlbumProductAdd(nullptr, 1); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrderEnv env;
        env.main.addTirage(1, 10, 15);
        env.main.addTirage(2, 13, 18);
        TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
        env.addPrint(p, QStringLiteral("a.jpg"));
        env.order->SetDirtyFlag(false);
        c.change(env);
        EXPECT_TRUE(env.order->Dirty());
    }
}

TEST(PrintOrder, UnchangedValuesLeaveTheOrderClean)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 2);
    env.order->SetDirtyFlag(false);
    env.order->SetAcceptedCgv(false);
    env.order->SetPrintDateFormat(TPrintDateFormat::pdWithout);
    p->SetQuantity(2);
    EXPECT_FALSE(env.order->Dirty());
}

TEST(PrintOrder, AddingAPrintProductWithAPendingSelectionNeverRaises)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    TProductBase* pending = env.order->productForImageSelection();
    ASSERT_NE(pending->ImageUsedAdd(new TestImage(QStringLiteral("w.jpg"))), nullptr);
    env.order->SetDirtyFlag(false);
    TTirageProduct* p = nullptr;
    ASSERT_NO_THROW(p = env.order->TirageProductAdd(env.main.prints[0], 2));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(env.order->TirageProducts().Count(), 1);
    EXPECT_EQ(p->Quantity(), 2);
    EXPECT_EQ(p->Tirage(), env.main.prints[0]);
    EXPECT_TRUE(env.order->Dirty());
    // The selection waits for the next product.
    EXPECT_EQ(env.order->productForImageSelection(), pending);
    EXPECT_TRUE(env.order->productForImageSelectionOk());
}

TEST(PrintOrder, DesignedProductTakesOverThePendingSelection)
{
    OrderEnv env;
    Tirage2* month = env.main.addTirage(5, 20, 30);
    month->setTemplateCalendrierMois(true);
    Tirage2* card = env.main.addTirage(6, 10, 15);
    env.order->productForImageSelection()->ImageUsedAdd(new TestImage(QStringLiteral("w.jpg")));

    auto* calendar = static_cast<TestTemplateProduct*>(env.order->TemplateProductAdd(month, 1));
    EXPECT_EQ(calendar->TplType(), TTemplateType::MonthCalendar);
    ASSERT_EQ(calendar->images->GetCount(), 1);
    EXPECT_EQ(calendar->images->GetItem(0)->ImageID(), QStringLiteral("w.jpg"));
    EXPECT_EQ(env.order->WaitingProduct(), nullptr);

    auto* classic = static_cast<TestTemplateProduct*>(env.order->TemplateProductAdd(card, 1));
    EXPECT_EQ(classic->TplType(), TTemplateType::ClassicTemplate);
    EXPECT_EQ(env.order->ProductUsedCount(), 2);
}

TEST(PrintOrder, DesignedProductsNeedTheirFactory)
{
    OrderEnv env;
    TTemplateProduct::SetFactory(nullptr);
    env.main.addTirage(1, 10, 15);
    EXPECT_THROW(env.order->TemplateProductAdd(env.main.prints[0], 1), EToDo);
    EXPECT_EQ(env.order->ProductUsedCount(), 0);
}

TEST(PrintOrder, GlobalImageUsedAdd)
{
    OrderEnv env;
    LogCapture log;
    auto* first = new TestImage(QStringLiteral("dcim\\a.jpg"));
    EXPECT_EQ(env.order->GlobalImageUsedAdd(first), first);
    EXPECT_EQ(first->fPrepared, 1);

    // Same id: the order's object comes back, the caller keeps its own.
    TestImage second(QStringLiteral("dcim\\a.jpg"));
    EXPECT_EQ(env.order->GlobalImageUsedAdd(&second), first);
    EXPECT_EQ(first->fPrepared, 2);
    EXPECT_EQ(env.order->ImageUsedCount(), 1);

    // Ids are case-sensitive.
    TestImage upper(QStringLiteral("DCIM\\A.JPG"));
    upper.fValid = false;
    EXPECT_EQ(env.order->GlobalImageUsedAdd(&upper), nullptr);
    EXPECT_EQ(env.order->ImageUsedCount(), 1);
    EXPECT_TRUE(log.Text().contains(QStringLiteral("TPrintOrder.ImageUsedAdd(DCIM\\A.JPG): image invalid")));
    EXPECT_TRUE(env.order->IsImageUsed(QStringLiteral("dcim\\a.jpg")));
    EXPECT_FALSE(env.order->IsImageUsed(QStringLiteral("DCIM\\A.JPG")));
}

TEST(PrintOrder, PrintProductPictures)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    env.main.addTirage(2, 13, 18);
    TTirageProduct* small = env.order->TirageProductAdd(env.main.prints[0], 2);
    TTirageProduct* large = env.order->TirageProductAdd(env.main.prints[1], 1);
    TestImage* a = env.addPrint(small, QStringLiteral("a.jpg"));
    ASSERT_NE(a, nullptr);
    // Twice to one product: one format.
    EXPECT_EQ(env.addPrint(small, QStringLiteral("a.jpg")), a);
    ASSERT_EQ(env.order->ImagesSelectionneesTirage().Count(), 1);
    EXPECT_EQ(env.order->ImagesSelectionneesTirage()[0]->LstFormats().Count(), 1);
    // To a second product: a second format in the same group.
    EXPECT_EQ(env.addPrint(large, QStringLiteral("a.jpg")), a);
    ASSERT_EQ(env.order->ImagesSelectionneesTirage().Count(), 1);
    const auto& formats = env.order->ImagesSelectionneesTirage()[0]->LstFormats();
    ASSERT_EQ(formats.Count(), 2);
    EXPECT_EQ(formats[0]->Quantity(), 2);
    EXPECT_EQ(formats[0]->TirageId(), 1);
    EXPECT_EQ(formats[1]->Quantity(), 1);
    EXPECT_EQ(formats[1]->Product(), large);
    EXPECT_TRUE(small->IsImageUsed(a));
    EXPECT_EQ(small->ImgsAvailableCount(), 1);
    EXPECT_EQ(env.order->ImageUsedByProduct(a), small);

    // A picture the order refuses changes nothing.
    auto* invalid = new TestImage(QStringLiteral("bad.jpg"));
    invalid->fValid = false;
    EXPECT_EQ(small->ImageUsedAdd(invalid), nullptr);
    delete invalid;
    EXPECT_EQ(env.order->ImageUsedCount(), 1);
    EXPECT_EQ(env.order->ImagesSelectionneesTirage().Count(), 1);
}

TEST(PrintOrder, PrintGroupLimit)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
    for (int i = 0; i < TTirageProduct::MaxPrintGroups; ++i)
        ASSERT_NE(env.addPrint(p, QStringLiteral("img%1.jpg").arg(i)), nullptr) << i;
    EXPECT_EQ(env.order->ImagesSelectionneesTirage().Count(), 9999);

    auto* next = new TestImage(QStringLiteral("one-too-many.jpg"));
    try {
        p->ImageUsedAdd(next);
        FAIL() << "accepted";
    } catch (const EUser& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("You can't have more than 9999 photos to print per order"));
    }
    // The picture did not stay in the order: it is still the caller's.
    EXPECT_FALSE(env.order->IsImageUsed(QStringLiteral("one-too-many.jpg")));
    EXPECT_EQ(env.order->ImageUsedCount(), 9999);
    delete next;
    // A picture already in the order still takes more formats.
    env.main.addTirage(2, 13, 18);
    TTirageProduct* q = env.order->TirageProductAdd(env.main.prints[1], 1);
    EXPECT_NE(env.addPrint(q, QStringLiteral("img0.jpg")), nullptr);
}

TEST(PrintOrder, RemovingTheOnlyFormatOfAPhotoRemovesItsGroup)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    env.main.addTirage(2, 13, 18);
    TTirageProduct* p1 = env.order->TirageProductAdd(env.main.prints[0], 1);
    TTirageProduct* p2 = env.order->TirageProductAdd(env.main.prints[1], 1);
    TestImage* a = env.addPrint(p1, QStringLiteral("a.jpg"));
    TestImage* b = env.addPrint(p1, QStringLiteral("b.jpg"));
    env.addPrint(p2, QStringLiteral("b.jpg"));
    // A customised format goes with its product too.
    env.order->ImagesSelectionneesTirage()[0]->LstFormats()[0]->Effects()->SetSepia(true);

    env.order->TirageProductDel(p1, false);
    EXPECT_EQ(env.order->TirageProducts().Count(), 1);
    ASSERT_EQ(env.order->ImagesSelectionneesTirage().Count(), 1);
    EXPECT_EQ(env.order->ImagesSelectionneesTirage()[0]->Image(), b);
    EXPECT_EQ(env.order->ImagesSelectionneesTirageFind(a), nullptr);
    // The photos stay in the order.
    EXPECT_EQ(env.order->ImageUsedCount(), 2);
}

TEST(PrintOrder, DeletingTheEditedProductEndsItsWorkflow)
{
    struct Case {
        const char* name;
        TWorkflowType type;
        bool current;
        bool reset;
        TWorkflowType expected;
    } cases[] = {
        { "edited print product", TWorkflowPrint, true, true, TWorkflowNone },
        { "another print product", TWorkflowPrint, false, true, TWorkflowPrint },
        { "no reset asked", TWorkflowPrint, true, false, TWorkflowPrint },
        { "other workflow", TWorkflowAlbum, true, true, TWorkflowAlbum },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrderEnv env;
        env.main.addTirage(1, 10, 15);
        TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
        env.main.workflow = c.type;
        env.workflows->print = c.current ? p : nullptr;
        env.order->SetProductForImageSelection(p);
        env.order->TirageProductDel(p, c.reset);
        EXPECT_EQ(env.main.workflow, c.expected);
        EXPECT_EQ(env.order->TirageProducts().Count(), 0);
        // The product for picture selection no longer points at it.
        EXPECT_EQ(env.order->WaitingProduct(), nullptr);
        EXPECT_NE(env.order->productForImageSelection(), nullptr);
    }
}

TEST(PrintOrder, ProductDelDispatchesOnTheClass)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    TTemplateProduct* card = env.order->TemplateProductAdd(env.main.prints[0], 1);
    env.main.workflow = TWorkflowCard;
    env.workflows->card = card;
    env.order->ProductDel(card);
    EXPECT_EQ(env.main.workflow, TWorkflowNone);
    TAlbumProduct* book = env.order->AlbumProductAdd(nullptr, 1);
    env.main.workflow = TWorkflowAlbum;
    env.workflows->album = book;
    env.order->ProductDel(book);
    EXPECT_EQ(env.main.workflow, TWorkflowNone);
    EXPECT_EQ(env.order->ProductUsedCount(), 0);
}

TEST(PrintOrder, ProductsCleanSparesTheEditedProduct)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    env.main.addTirage(2, 13, 18);
    env.main.addTirage(3, 20, 30);
    TTirageProduct* edited = env.order->TirageProductAdd(env.main.prints[0], 1);
    TTirageProduct* emptyPrint = env.order->TirageProductAdd(env.main.prints[1], 1);
    TTirageProduct* filled = env.order->TirageProductAdd(env.main.prints[2], 1);
    env.addPrint(filled, QStringLiteral("a.jpg"));
    auto* emptyBook = static_cast<TestAlbumProduct*>(env.order->AlbumProductAdd(nullptr, 1));
    emptyBook->empty = true;
    env.main.workflow = TWorkflowPrint;
    env.workflows->print = edited;
    env.workflows->printList->Add(edited);
    env.workflows->printList->Add(emptyPrint);

    env.order->ProductsClean();
    EXPECT_EQ(env.order->TirageProducts().Count(), 2);
    EXPECT_TRUE(env.order->TirageProducts().Contains(edited));
    EXPECT_TRUE(env.order->TirageProducts().Contains(filled));
    EXPECT_EQ(env.order->AlbumsProducts().Count(), 0);
    EXPECT_EQ(env.workflows->printList->GetCount(), 1);
    EXPECT_EQ(env.main.orderChangedCount, 1);

    // Nothing left to remove: no change told.
    env.order->ProductsClean();
    EXPECT_EQ(env.main.orderChangedCount, 1);
}

TEST(PrintOrder, ImageUsedReplace)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
    TestImage* printed = env.addPrint(p, QStringLiteral("p.jpg"));
    auto* unused = new TestImage(QStringLiteral("u.jpg"));
    env.order->GlobalImageUsedAdd(unused);
    const int alive = TestImage::sAlive;

    // Unused: the entry goes, the new picture stays with the caller.
    auto* fresh = new TestImage(QStringLiteral("u.jpg"));
    EXPECT_FALSE(env.order->ImageUsedReplace(unused, fresh));
    EXPECT_FALSE(env.order->IsImageUsed(QStringLiteral("u.jpg")));
    EXPECT_EQ(TestImage::sAlive, alive); // old freed, fresh alive
    delete fresh;

    // Used by a print group: the group and the list take the new picture.
    auto* repl = new TestImage(QStringLiteral("p.jpg"));
    EXPECT_TRUE(env.order->ImageUsedReplace(printed, repl));
    EXPECT_EQ(env.order->ImageUsedFind(QStringLiteral("p.jpg")), repl);
    EXPECT_EQ(env.order->ImagesSelectionneesTirage()[0]->Image(), repl);
    EXPECT_EQ(env.order->ImagesSelectionneesTirageFind(repl), env.order->ImagesSelectionneesTirage()[0]);

    TestImage stranger(QStringLiteral("x.jpg"));
    try {
        env.order->ImageUsedReplace(&stranger, repl);
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TPrintOrder.ImageUsedReplace: image not found"));
    }
}

TEST(PrintOrder, ImageUsedFindAndRepair)
{
    OrderEnv env;
    TTemplateProduct* card = nullptr;
    env.main.addTirage(1, 10, 15);
    card = env.order->TemplateProductAdd(env.main.prints[0], 1);
    auto* broken = new TestImage(QStringLiteral("b.jpg"));
    card->ImageUsedAdd(broken);
    broken->fValid = false;
    bool toFree = false;

    // The caller's object is the order's own: never to be freed.
    TOrderImageBase* same = env.order->ImageUsedFindAndRepair(broken, toFree);
    EXPECT_EQ(same, broken);
    EXPECT_FALSE(toFree);

    // A valid copy repairs an invalid photo in use.
    auto* good = new TestImage(QStringLiteral("b.jpg"));
    EXPECT_EQ(env.order->ImageUsedFindAndRepair(good, toFree), good);
    EXPECT_FALSE(toFree);
    EXPECT_EQ(env.order->ImageUsedFind(QStringLiteral("b.jpg")), good);

    // An unknown id gives nothing; the caller frees its picture.
    TestImage other(QStringLiteral("o.jpg"));
    EXPECT_EQ(env.order->ImageUsedFindAndRepair(&other, toFree), nullptr);
    EXPECT_TRUE(toFree);
    // A valid photo in the order stays; the caller frees its copy.
    TestImage copy(QStringLiteral("b.jpg"));
    EXPECT_EQ(env.order->ImageUsedFindAndRepair(&copy, toFree), good);
    EXPECT_TRUE(toFree);
}

TEST(PrintOrder, GlobalImageUsedDelHandsThePhotoBack)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
    TestImage* a = env.addPrint(p, QStringLiteral("a.jpg"));
    TWaitingProduct* waiting = static_cast<TWaitingProduct*>(env.order->productForImageSelection());
    waiting->ImageUsedAdd(a);
    auto* book = static_cast<TestAlbumProduct*>(env.order->AlbumProductAdd(nullptr, 1));
    env.order->SetProductForImageSelection(waiting = new TWaitingProduct(env.order.get()));
    waiting->ImageUsedAdd(a);
    env.order->SetDirtyFlag(false);

    std::unique_ptr<TOrderImageBase> back = env.order->GlobalImageUsedDel(QStringLiteral("a.jpg"));
    EXPECT_EQ(back.get(), a);
    EXPECT_TRUE(env.order->Dirty());
    EXPECT_EQ(env.order->ImageUsedCount(), 0);
    EXPECT_EQ(env.order->ImagesSelectionneesTirage().Count(), 0);
    EXPECT_EQ(book->dels, 1);
    // The pending selection does not keep a photo the order gave away.
    EXPECT_FALSE(waiting->IsImageUsed(a));
    EXPECT_EQ(env.order->GlobalImageUsedDel(QStringLiteral("a.jpg")), nullptr);
}

TEST(PrintOrder, ImageRemoveIfNoMoreUsed)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
    TestImage* used = env.addPrint(p, QStringLiteral("used.jpg"));
    auto* shown = new TestImage(QStringLiteral("shown.jpg"));
    auto* hidden = new TestImage(QStringLiteral("hidden.jpg"));
    env.order->GlobalImageUsedAdd(shown);
    env.order->GlobalImageUsedAdd(hidden);
    IArcList<TOrderImageBase*> browsed = TArcList<TOrderImageBase*>::Create();
    browsed->Add(shown);
    TOwnerList<TOrderImageBase> browsedOwned(true);
    const int alive = TestImage::sAlive;

    env.order->ImageRemoveIfNoMoreUsed(used, browsed, browsedOwned);
    EXPECT_TRUE(env.order->IsImageUsed(QStringLiteral("used.jpg")));
    env.order->ImageRemoveIfNoMoreUsed(shown, browsed, browsedOwned);
    EXPECT_FALSE(env.order->IsImageUsed(QStringLiteral("shown.jpg")));
    EXPECT_TRUE(browsedOwned.Contains(shown));
    env.order->ImageRemoveIfNoMoreUsed(hidden, browsed, browsedOwned);
    EXPECT_FALSE(env.order->IsImageUsed(QStringLiteral("hidden.jpg")));
    EXPECT_EQ(TestImage::sAlive, alive - 1);
}

TEST(PrintOrder, UsedImagesListDetach)
{
    OrderEnv env;
    env.order->GlobalImageUsedAdd(new TestImage(QStringLiteral("a.jpg")));
    env.order->GlobalImageUsedAdd(new TestImage(QStringLiteral("b.jpg")));
    std::unique_ptr<TOwnerList<TOrderImageBase>> all = env.order->usedImagesListDetach();
    EXPECT_EQ(all->Count(), 2);
    EXPECT_TRUE(all->OwnsObjects());
    EXPECT_EQ(env.order->ImageUsedCount(), 0);
    EXPECT_FALSE(env.order->IsImageUsed(QStringLiteral("a.jpg")));
}

TEST(PrintOrder, PostalAddress)
{
    OrderEnv env;
    auto seven = std::make_unique<Adresse2>();
    seven->setId(7);
    Adresse2* known = seven.get();
    env.main.delivery.Add(seven.release());
    env.main.home = std::make_unique<Adresse2>();
    env.main.home->setId(3);

    auto own = std::make_unique<Adresse2>();
    own->setId(-1);
    Adresse2* ownPtr = own.get();
    env.order->SetPostalAddress(std::move(own));
    EXPECT_EQ(env.order->PostalAddress(), ownPtr);
    EXPECT_TRUE(env.order->OwnsPostalAddress());

    auto ref = std::make_unique<Adresse2>();
    ref->setId(7);
    env.order->SetPostalAddress(std::move(ref));
    EXPECT_EQ(env.order->PostalAddress(), known);
    EXPECT_FALSE(env.order->OwnsPostalAddress());

    env.order->SetPostalAddressId(3);
    EXPECT_EQ(env.order->PostalAddress(), env.main.home.get());
    try {
        env.order->SetPostalAddressId(99);
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Adresse not found"));
    }
}

TEST(PrintOrder, ProductForImageSelection)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    TProductBase* waiting = env.order->productForImageSelection();
    ASSERT_NE(dynamic_cast<TWaitingProduct*>(waiting), nullptr);
    EXPECT_EQ(env.order->productForImageSelection(), waiting);
    EXPECT_FALSE(env.order->productForImageSelectionOk());
    TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
    env.order->SetProductForImageSelection(p); // frees the waiting product
    EXPECT_EQ(env.order->productForImageSelection(), p);
    EXPECT_EQ(env.order->WaitingProduct(), nullptr);
    env.addPrint(p, QStringLiteral("a.jpg"));
    EXPECT_TRUE(env.order->productForImageSelectionOk());
}

TEST(PrintOrder, DirectAndLabPrints)
{
    OrderEnv env;
    Tirage2* lab = env.main.addTirage(1, 10, 15);
    Tirage2* kiosk = env.main.addTirage(2, 10, 15);
    kiosk->setImprimanteBorneNomWindows(QStringLiteral("Kiosk printer"));
    env.order->TirageProductAdd(kiosk, 1);
    EXPECT_TRUE(env.order->HasDirectPrint());
    EXPECT_FALSE(env.order->HasLabPrint());
    EXPECT_TRUE(env.order->HasOnlyDirectPrint());
    env.order->TirageProductAdd(lab, 1);
    EXPECT_TRUE(env.order->HasLabPrint());
    EXPECT_FALSE(env.order->HasOnlyDirectPrint());
}

TEST(PrintOrder, CheckBeforeSending)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    env.main.photographerOk = false;
    EXPECT_THROW(env.order->Check(), ECancel);
    env.main.photographerOk = true;
    try {
        env.order->Check();
        FAIL() << "accepted";
    } catch (const EUser& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Your cart is empty, you can't complete your order"));
    }
    TTirageProduct* p = env.order->TirageProductAdd(env.main.prints[0], 1);
    TestImage* a = env.addPrint(p, QStringLiteral("dcim\\holiday.jpg"));
    EXPECT_NO_THROW(env.order->Check());
    a->fValid = false;
    try {
        env.order->Check();
        FAIL() << "accepted";
    } catch (const EUser& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The product 'Print 10x15 ' has at least one invalid image (holiday)"));
    }
}

TEST(PrintOrder, ReloadedPrintProductsTakeBackTheirFormats)
{
    OrderEnv env;
    Tirage2* fmt = env.main.addTirage(1, 10, 15);
    TTirageProduct* first = env.order->TirageProductAdd(fmt, 1);
    TTirageProduct* second = env.order->TirageProductAdd(fmt, 1);
    TestImage* a = env.addPrint(first, QStringLiteral("a.jpg"));
    env.addPrint(second, QStringLiteral("a.jpg"));
    auto& formats = env.order->ImagesSelectionneesTirage()[0]->LstFormats();
    ASSERT_EQ(formats.Count(), 2);
    EXPECT_EQ(formats[0]->ProductOrder(), 0);
    EXPECT_EQ(formats[1]->ProductOrder(), 1);

    // As read from a file: no product yet, the stored positions, a third
    // format whose position is out of range.
    auto* stray = env.order->ImagesSelectionneesTirage()[0]->TirageDuplicate(&env.main, formats[0]);
    for (int i = 0; i < formats.Count(); ++i) {
        formats[i]->SetProductOrder(i == 2 ? 7 : i);
        formats[i]->SetProduct(nullptr);
    }
    EXPECT_EQ(formats[0]->ProductOrder(), -1);
    EXPECT_TRUE(second->XMLloadFinalize(env.order.get(), &env.main));
    EXPECT_TRUE(first->XMLloadFinalize(env.order.get(), &env.main));
    EXPECT_EQ(formats[0]->Product(), first);
    EXPECT_EQ(formats[1]->Product(), second);
    EXPECT_EQ(stray->Product(), first);
    EXPECT_TRUE(first->IsImageUsed(a));
}

TEST(PrintOrder, ReloadedProductWhoseFormatLeftTheCatalogue)
{
    OrderEnv env;
    Tirage2* fmt = env.main.addTirage(1, 10, 15);
    TTirageProduct* p = env.order->TirageProductAdd(fmt, 1);
    // The product holds a copy read from a file.
    p->SetTirageOwned(makeTirage(42, 13, 18));
    EXPECT_FALSE(p->XMLloadFinalize(env.order.get(), &env.main));
    EXPECT_TRUE(p->OwnsTirage());
    EXPECT_EQ(p->ProductLabel(), QStringLiteral("Print 13x18 "));
    // A copy of a format the catalogue has is replaced by the catalogue's.
    p->SetTirageOwned(makeTirage(1, 10, 15));
    EXPECT_TRUE(p->XMLloadFinalize(env.order.get(), &env.main));
    EXPECT_EQ(p->Tirage(), fmt);
    EXPECT_FALSE(p->OwnsTirage());
}

TEST(PrintOrder, ProductBasics)
{
    OrderEnv env;
    Tirage2* fmt = env.main.addTirage(4, 10, 15);
    fmt->setChannel(12);
    TTirageProduct* p = env.order->TirageProductAdd(fmt, 1);
    EXPECT_EQ(p->TirageId(), 4);
    EXPECT_EQ(p->ChannelId(), 12);
    EXPECT_EQ(p->DebugLabel(), QStringLiteral("Print 10x15 (ID : 4)"));
    EXPECT_EQ(p->GetPageByNum(1), nullptr);
    EXPECT_EQ(p->GetPagesList(), nullptr);
    EXPECT_THROW(p->InitWithProduct(nullptr), EToDo);
    try {
        p->PageLabel(1, plm_std);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TTirageProduct.PageLabel: unexpected call"));
    }
    try {
        p->ImageUsedReplace(nullptr, nullptr);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Error Message"));
    }
    TTirageProduct bare(env.order.get());
    try {
        bare.TirageId();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TTirageProductBase.GetTirageId: no tirage"));
    }
    EXPECT_EQ(bare.ProductShortLabel(), QStringLiteral("?"));

    auto res = std::make_shared<int>(1);
    p->AddArcResource(res);
    p->AddArcResource(res);
    EXPECT_EQ(p->ArcResourceCount(), 1);
    EXPECT_EQ(res.use_count(), 2);

    // A loaded product's help pop-ups start empty; the order is its parent.
    TTirageProduct loaded;
    EXPECT_TRUE(loaded.getPopupHelpOpenedList().isEmpty());
    EXPECT_EQ(loaded.GiveParent(env.order.get()), nullptr);
    EXPECT_EQ(loaded.Order(), env.order.get());
    EXPECT_EQ(loaded.GiveParent(&loaded), &TPrintOrder::StaticClassInfo());
}
