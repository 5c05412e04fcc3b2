// The product choices of every family on the simulator's demonstration
// catalogue, in the whole program: prints through group, size, finish and
// border to the picture selection (single choices applied and hidden, the
// same format twice giving one product), a card through theme, size and
// background, a monthly calendar and a photo book through size, theme and
// frames per page; starting a second product asks first.
#include "AppTestSupport.h"
#include "LabServiceSim.h"
#include "LabSim.h"
#include "TestSupport.h"

#include "UAlbumProduct.h"
#include "UCtrlPagingTileChoiceBase.h"
#include "UDesignedProducts.h"
#include "UMainFrameTypes.h"
#include "UPrintOrder.h"
#include "UTemplateProduct.h"
#include "UTirageProduct.h"
#include "UWorkflowDataProductAlbum.h"
#include "UWorkflowDataProductCalendar.h"
#include "UWorkflowDataProductCard.h"
#include "UWorkflowDataProductPrint.h"
#include "UWorkflowSteps.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QStackedWidget>
#include <QTest>

namespace S = WorkflowSteps;

namespace {

class ProductChoicesSim : public MainNaviTest {
protected:
    void SetUp() override
    {
        MainNaviTest::SetUp();
        ASSERT_TRUE(fSim.start()) << fSim.error().toStdString();
        fCfg->SetServerUrl(fSim.baseUrl() + QLatin1Char('/'));
        fCfg->SetLogin(QStringLiteral("kiosk-demo"));
        fCfg->SetPassword(QStringLiteral("secret"));
        w = std::make_unique<TMainNavi>(fCfg.get());
        w->resize(1280, 800);
        w->show();
        const QString home = S::TCtrlTileChoiceHomeProducts.TabName();
        ASSERT_TRUE(testsupport::waitFor([&] { return tab() == home; }, 60000)) << tab().toStdString();
        ASSERT_TRUE(testsupport::waitFor([&] { return w->getProductVisibility(pvt_all) == pvm_visible; }, 60000));
    }
    void TearDown() override
    {
        w.reset();
        MainNaviTest::TearDown();
    }

    QString tab() const { return w->TabControlMain()->currentWidget()->objectName(); }
    bool reach(TWorkflowStepClass& step) { return testsupport::waitFor([&] { return tab() == step.TabName(); }, 30000); }
    void start(TWorkflowType type, TWorkflowStepClass& first)
    {
        w->setWorkflowType(type);
        w->goWorkflowStep(&first, false, true);
    }
    // The visible tiles of a class on the current step, in screen order.
    template <class B>
    std::vector<B*> tiles()
    {
        std::vector<B*> out;
        QWidget* page = w->TabControlMain()->currentWidget();
        for (B* b : page->findChildren<B*>())
            if (b->isVisible())
                out.push_back(b);
        std::sort(out.begin(), out.end(), [](B* a, B* b) {
            const QPoint pa = a->mapTo(a->window(), QPoint()), pb = b->mapTo(b->window(), QPoint());
            return std::make_pair(pa.y(), pa.x()) < std::make_pair(pb.y(), pb.x());
        });
        return out;
    }
    bool clickTile(int index)
    {
        std::vector<TTileButton*> all;
        if (!testsupport::waitFor([&] { return int((all = tiles<TTileButton>()).size()) > index; }, 30000))
            return false;
        QTest::mouseClick(all[size_t(index)], Qt::LeftButton);
        return true;
    }
    void shot(const QString& name) { w->grab().save(QStringLiteral("/tmp/shots/%1.png").arg(name)); }
    template <class T>
    std::shared_ptr<T> data()
    {
        return TCtrlScreenBase::WorkflowData<T>(w.get());
    }
    bool answer(bool yes)
    {
        QPushButton* b = nullptr;
        if (!testsupport::waitFor([&] { return (b = visibleButton(w.get(), yes ? "ButtonMsgBox1" : "ButtonMsgBox2")); },
                                  30000))
            return false;
        QTest::mouseClick(b, Qt::LeftButton);
        return true;
    }

    testsupport::LabSim fSim;
    std::unique_ptr<TMainNavi> w;
};

TEST_F(ProductChoicesSim, PrintsSkipSingleChoicesAndTheSameFormatTwiceIsOneProduct)
{
    Tirage2* poster = nullptr;
    for (Tirage2* f : *w->GetWebSvcPrintProducts())
        if (f->Largeur() == 20 && f->Longueur() == 30)
            poster = f;
    ASSERT_NE(poster, nullptr);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        start(TWorkflowPrint, S::TCtrlProductChoicePrintGroup);
        ASSERT_TRUE(reach(S::TCtrlProductChoicePrintGroup));
        if (round == 0)
            shot(QStringLiteral("choices_sim_print_group"));
        // The demo shop's second group holds the 20 x 30 poster only.
        ASSERT_TRUE(clickTile(1));
        ASSERT_TRUE(reach(S::TCtrlProductSizePrint));
        if (round == 0)
            shot(QStringLiteral("choices_sim_print_size"));
        ASSERT_TRUE(clickTile(0));
        // One paper and one border: both steps apply themselves and hide.
        ASSERT_TRUE(reach(S::TCtrlSelectImagePrint)) << tab().toStdString();
        EXPECT_FALSE(w->getWorkflowStepVisible(&S::TCtrlProductChoicePrintFinish));
        EXPECT_FALSE(w->getWorkflowStepVisible(&S::TCtrlProductChoicePrintBorder));
    }
    TTirageProduct* p = w->GetOrder()->TirageProductFind(poster);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(data<TWorkflowDataProductPrint>()->currentPrintProduct(), p);
    int products = 0;
    for (Tirage2* f : *w->GetWebSvcPrintProducts())
        products += w->GetOrder()->TirageProductFind(f) ? 1 : 0;
    EXPECT_EQ(products, 1);
}

TEST_F(ProductChoicesSim, MonthlyCalendarGetsThirteenPagesFromNextMonthAndAReplacementAsksFirst)
{
    data<TWorkflowDataProductCalendar>()->setCalType(ct_month);
    start(TWorkflowCalendarMonthly, S::TCtrlProductSizeCalendar);
    ASSERT_TRUE(reach(S::TCtrlProductSizeCalendar));
    shot(QStringLiteral("choices_sim_calendar_size"));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(testsupport::waitFor([&] { return data<TWorkflowDataProductCalendar>()->currentCalendarProduct(); }));
    TTemplateProduct* cal = data<TWorkflowDataProductCalendar>()->currentCalendarProduct();
    EXPECT_EQ(cal->GetPagesList()->GetCount(), 13);
    TTemplateCalendar* grid = data<TWorkflowDataProductCalendar>()->currentCalendarGrid();
    ASSERT_NE(grid, nullptr);
    const qint32 next = TTemplateProduct::getTodayAsInt() + 1;
    EXPECT_EQ(cal->DateStart(), std::clamp(next, grid->DateMin(), std::max(grid->DateMin(), grid->DateMax() - 11)));

    // A second calendar: asked first; "No" keeps the first in the order.
    start(TWorkflowCalendarMonthly, S::TCtrlProductSizeCalendar);
    ASSERT_TRUE(reach(S::TCtrlProductSizeCalendar));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(answer(false));
    ASSERT_TRUE(testsupport::waitFor(
        [&] { return data<TWorkflowDataProductCalendar>()->currentCalendarProduct() != cal; }));
    EXPECT_TRUE(w->GetOrder()->TemplatesProducts().Contains(cal));
}

TEST_F(ProductChoicesSim, CardThroughThemeSizeAndBackgroundThenReplacedOnYes)
{
    data<TWorkflowDataProductCard>()->setMode(TTemplateType::ClassicTemplate);
    start(TWorkflowCard, S::TCtrlProductChoiceCardGroups);
    ASSERT_TRUE(reach(S::TCtrlProductChoiceCardGroups));
    shot(QStringLiteral("choices_sim_card_theme"));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(reach(S::TCtrlProductSizeCard));
    shot(QStringLiteral("choices_sim_card_size"));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(reach(S::TCtrlCardBackground));
    shot(QStringLiteral("choices_sim_card_background"));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(testsupport::waitFor([&] { return data<TWorkflowDataProductCard>()->currentCardProduct(); }));
    TTemplateProduct* first = data<TWorkflowDataProductCard>()->currentCardProduct();

    start(TWorkflowCard, S::TCtrlCardBackground);
    ASSERT_TRUE(reach(S::TCtrlCardBackground));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(answer(true));
    ASSERT_TRUE(testsupport::waitFor([&] {
        TTemplateProduct* now = data<TWorkflowDataProductCard>()->currentCardProduct();
        return now && now != first;
    }));
    EXPECT_FALSE(w->GetOrder()->TemplatesProducts().Contains(first)) << "Yes removed the first card";
}

TEST_F(ProductChoicesSim, PhotoBookThroughSizeThemeAndFramesPerPage)
{
    start(TWorkflowAlbum, S::TCtrlProductSizeAlbum);
    ASSERT_TRUE(reach(S::TCtrlProductSizeAlbum));
    shot(QStringLiteral("choices_sim_album_size"));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(reach(S::TCtrlAlbumTheme));
    ASSERT_NE(data<TWorkflowDataProductAlbum>()->currentAlbumProduct(), nullptr);
    shot(QStringLiteral("choices_sim_album_theme"));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(reach(S::TCtrlAlbumFramesPerPage));
    shot(QStringLiteral("choices_sim_album_frames"));
    ASSERT_TRUE(clickTile(0));
    ASSERT_TRUE(testsupport::waitFor([&] { return tab() != S::TCtrlAlbumFramesPerPage.TabName(); }, 30000));
}

} // namespace
