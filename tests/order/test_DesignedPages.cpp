// Designed pages inside their products: the products reach their pages
// without any set-up, pages keep and re-link their catalogue records, and
// orders holding designed products survive a save and reload.
#include "DesignedFakes.h"
#include "TestSupport.h"
#include "UAppExceptions.h"
#include "UCustomizedPage.h"
#include "ULabAlbumContracts.h"
#include "ULabTemplateContracts.h"

#include <gtest/gtest.h>

using namespace designedfakes;

namespace {

// The catalogue of designed products, placeholders for empty frames.
class PagesMainFrame : public DesignedMainFrame {
public:
    TOrderImageBase* GetDropImgExample(float, float) override { return &drop; }
    TTemplateVelmoraList* GetWebSvcTemplatesVelmora() override { return &templates; }
    TMaterColorList* GetWebSvcMaterColor() override { return &materials; }
    TOrderImageBase* GetBackgroundImg(TTemplateProduct*, TCustomizedPage*) override { return &tplBg; }
    TOrderImageBase* GetCalImg(TTemplateProduct*, TCustomizedPage*) override { return &calGrid; }
    TOrderImageBase* GetCoverImage(int) override { return &coverBg; }

    ZebtemplateVelmora2* addTemplate(qint32 id, qint32 w, qint32 h, qint32 type = 0)
    {
        auto* t = new ZebtemplateVelmora2();
        t->setId(id);
        t->setLargeurPapier(w);
        t->setHauteurPapier(h);
        t->setType_(type);
        templates.Add(t);
        return t;
    }

    TestImage drop { QStringLiteral("res\\drop.png") };
    TestImage tplBg { QStringLiteral("res\\tplbg.jpg") };
    TestImage calGrid { QStringLiteral("res\\cal.png") };
    TestImage coverBg { QStringLiteral("res\\cover.jpg") };
    TTemplateVelmoraList templates { true };
    TMaterColorList materials { true };
};

class PagesEnv {
public:
    PagesEnv()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProductImpl::InstallFactory();
        TAlbumProductImpl::InstallFactory();
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
    }
    ~PagesEnv()
    {
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
    }

    PagesMainFrame main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
};

// A customer's frame showing img on page.
TCustomizedFrame* addUserFrame(TCustomizedPageBase* page, TOrderImageBase* img)
{
    auto f = std::make_unique<TCustomizedFrame>(page);
    f->SetImage(img);
    return page->FrameAdd(std::move(f));
}

} // namespace

TEST(DesignedPages, FreshProductsHoldAPageListWithoutAnySetUp)
{
    PagesEnv env;
    // Nothing was installed: the page classes' access is the one in use.
    ASSERT_TRUE(DesignedPageAccess::Current());
    EXPECT_EQ(DesignedPageAccess::Current(), DesignedPageAccess::PageClassesAccess());

    TTemplateProductImpl loadedCard;
    TAlbumProductImpl loadedBook;
    TTemplateProduct* card = env.order->TemplateProductAdd(env.main.addTemplateFormat(5, 100, 150), 1);
    TAlbumProduct* book = env.order->AlbumProductAdd(env.main.addAlbum(9, 200, 200, 20), 1);
    struct Case {
        const char* name;
        TProduct* product;
    } cases[] = {
        { "loader's template product", &loadedCard },
        { "loader's photo book", &loadedBook },
        { "order's template product", card },
        { "order's photo book", book },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IArcList<TCustomizedPageBase*> pages = c.product->GetPagesList();
        ASSERT_TRUE(pages);
        EXPECT_EQ(pages->GetCount(), 0);
        EXPECT_TRUE(c.product->IsEmpty());
    }
}

TEST(DesignedPages, ProductsReachTheirPagesFramesAndPictures)
{
    PagesEnv env;
    ZebtemplateVelmora2* annual = env.main.addTemplate(31, 100, 150, 1);
    auto* card = static_cast<TTemplateProductImpl*>(
        env.order->TemplateProductAdd(env.main.addTemplateFormat(5, 100, 150), 1));
    TestImage a(QStringLiteral("a.jpg"));
    TestImage b(QStringLiteral("b.jpg"));
    auto page = std::make_unique<TCustomizedPage>(card, &env.main, annual, nullptr, &env.main.tplBg, 1, nullptr);
    TCustomizedFrame* frame = addUserFrame(page.get(), &a);
    TCustomizedPage* raw = page.get();
    card->CustomizedPageList()->Add(page.release());

    EXPECT_EQ(card->GetPageByNum(1), raw);
    EXPECT_EQ(card->GetPageByNum(2), nullptr);
    // The first page's template tells an annual calendar.
    EXPECT_TRUE(card->IsCalendarAnnual());
    EXPECT_FALSE(card->IsEmpty());
    EXPECT_EQ(card->GetNbCustomizableFrames(), 0); // a customer's frame can be deleted

    EXPECT_TRUE(card->ImageUsedReplace(&a, &b));
    EXPECT_EQ(frame->Image(), &b);
    EXPECT_FALSE(card->ImageUsedReplace(&a, &b));

    // Removing a picture still shown in a frame needs force.
    EXPECT_THROW(card->ImageUsedDel(&env.main, &b, false), EUser);
    EXPECT_EQ(frame->Image(), &b);
    card->ImageUsedDel(&env.main, &b, true);
    EXPECT_EQ(frame->Image(), &env.main.drop);
}
