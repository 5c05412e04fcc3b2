// The small tile steps: the photo-book kind leads to the size step either
// way, the extra offers and the checkout react to nothing, the view choice
// records the grouping and goes back.
#include "ScreensTestSupport.h"
#include "UCtrlTileChoiceAddMedia.h"
#include "UCtrlTileChoiceAlbumTypes.h"
#include "UCtrlTileChoiceChangeView.h"

#include "UQzguiButton.h"
#include "UWorkflowDataSource.h"

#include <gtest/gtest.h>

#include <QTest>

namespace S = WorkflowSteps;

namespace {

struct SimpleSteps : ::testing::Test {
    TestScreensWindow win;
    std::vector<std::pair<TWorkflowStepClass*, TStepControllerFactory>> saved;

    void SetUp() override
    {
        for (TWorkflowStepClass* s : { &S::TCtrlTileChoiceAlbumTypes, &S::TCtrlTileChoiceAddMedia,
                                       &S::TCtrlTileChoiceChangeViewCommon })
            saved.emplace_back(s, s->Create);
        WorkflowStepRegister<TCtrlTileChoiceAlbumTypes>(S::TCtrlTileChoiceAlbumTypes);
        WorkflowStepRegister<TCtrlTileChoiceAddMedia>(S::TCtrlTileChoiceAddMedia);
        WorkflowStepRegister<TCtrlTileChoiceChangeViewCommon>(S::TCtrlTileChoiceChangeViewCommon);
        win.workflowInit();
        win.show();
    }
    void TearDown() override
    {
        win.goWorkflowStep(&S::TCtrlConnec, false, false);
        win.RunQueue();
        for (auto& [s, f] : saved)
            s->Create = f;
    }
    template <class T>
    T* open(TWorkflowStep step)
    {
        win.goWorkflowStep(step, false, true);
        win.RunQueue();
        QCoreApplication::processEvents();
        EXPECT_TRUE(win.Errors.isEmpty()) << win.Errors.join(QLatin1Char('\n')).toStdString();
        return dynamic_cast<T*>(win.ActiveStep().get());
    }
};

TEST_F(SimpleSteps, BothBookKindsLeadToTheSizeStep)
{
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which);
        auto* step = open<TCtrlTileChoiceAlbumTypes>(&S::TCtrlTileChoiceAlbumTypes);
        ASSERT_NE(step, nullptr);
        EXPECT_EQ(step->buttonListGet().size(), 2u);
        EXPECT_TRUE(step->ButtonAlbumTypesPremium->isVisible());
        QTest::mouseClick(which ? step->ButtonAlbumTypesPremium : step->ButtonAlbumTypes1Day, Qt::LeftButton);
        win.RunQueue();
        EXPECT_EQ(win.WorkflowStep(), &S::TCtrlProductSizeAlbum);
    }
}

TEST_F(SimpleSteps, ExtraOffersAndCheckoutStayPut)
{
    auto* step = open<TCtrlTileChoiceAddMedia>(&S::TCtrlTileChoiceAddMedia);
    ASSERT_NE(step, nullptr);
    ASSERT_EQ(step->Offers.size(), 6u);
    win.grab().save(ScreenShotPath(QStringLiteral("add_media")));
    for (TTileButton* b : step->Offers) {
        EXPECT_TRUE(b->isVisible());
        EXPECT_NEAR(b->height(), b->width() * 3.0 / 5, 2);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QTest::mouseClick(step->ButtonCheckout, Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(win.WorkflowStep(), &S::TCtrlTileChoiceAddMedia);
}

TEST_F(SimpleSteps, AViewChoiceRecordsTheGroupingAndGoesBack)
{
    struct Case {
        int tile;
        TPhotoSourceGroupBy groupBy;
    } cases[] = { { 1, psgb_folder }, { 2, psgb_filename }, { 0, psgb_date } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tile);
        win.goWorkflowStep(&S::TCtrlTileChoiceHomeProducts, false, true);
        win.RunQueue();
        auto* step = open<TCtrlTileChoiceChangeViewCommon>(&S::TCtrlTileChoiceChangeViewCommon);
        ASSERT_NE(step, nullptr);
        TTileButton* tiles[] = { step->ButtonPhotoViewDate, step->ButtonPhotoViewFolder, step->ButtonPhotoViewFilename };
        EXPECT_LE(tiles[0]->width(), 270);
        QTest::mouseClick(tiles[c.tile], Qt::LeftButton);
        win.RunQueue();
        EXPECT_EQ(TCtrlScreenBase::WorkflowData<TWorkflowDataSource>(&win)->ImageGroupBy(), c.groupBy);
        EXPECT_NE(win.WorkflowStep(), &S::TCtrlTileChoiceChangeViewCommon) << "went back";
    }
}

} // namespace
