// The photo-book frames-per-page step on a window whose catalogue knows the
// book sizes: the tiles a size's page models allow, the choice kept in the
// album workflow data, and the picture selection hidden for blank pages in
// the mobile use only.
#include "ChoiceTestWindow.h"

#include "UAlbumSize.h"
#include "UConfig.h"
#include "UCtrlAlbumFramesPerPage.h"
#include "UDesignedProducts.h"
#include "UPageModeleZeb.h"
#include "UWorkflowDataProductAlbum.h"

#include <gtest/gtest.h>

#include <QScrollArea>
#include <QTest>

namespace S = WorkflowSteps;

namespace {

class AlbumWindow : public ChoiceTestWindow {
public:
    TAlbumSizeList* GetWebSvcAlbumSize() override { return &Sizes; }
    TQzUseMode QzUseMode() override { return UseMode; }
    void AddSize(qint32 w, qint32 h, std::vector<int> frames)
    {
        auto* s = new TAlbumSize(w, h);
        auto models = std::make_unique<TOwnerList<PageModeleZeb>>(true);
        for (int n : frames) {
            auto* m = new PageModeleZeb();
            for (int i = 0; i < n; ++i)
                m->Cadres().Add(new PageModelFrameZeb());
            models->Add(m);
        }
        s->SetPageModelList(std::move(models));
        Sizes.Add(s);
    }
    TAlbumSizeList Sizes { true };
    TQzUseMode UseMode = TQzUseMode::Kiosk;
};

struct FramesPerPageFixture : ::testing::Test {
    AlbumWindow win;
    StepRegistration<TCtrlAlbumFramesPerPage> reg { S::TCtrlAlbumFramesPerPage };
    AlbumPhotographe2 book;

    FramesPerPageFixture()
    {
        win.show();
        win.setWorkflowType(TWorkflowAlbum);
        win.AddSize(200, 200, { 2, 4 });
        win.AddSize(300, 200, { 1, 3 });
        book.setLargeurPage(200);
        book.setHauteurPage(200);
    }
    std::shared_ptr<TWorkflowDataProductAlbum> data()
    {
        return TCtrlScreenBase::WorkflowData<TWorkflowDataProductAlbum>(&win);
    }
    std::vector<TTileButton*> open()
    {
        TAlbumProduct* p = win.GetOrder()->AlbumProductAdd(&book, 1);
        data()->setCurrentAlbumProduct(p);
        win.goWorkflowStep(&S::TCtrlAlbumFramesPerPage, false, true);
        win.RunQueue();
        std::vector<TTileButton*> out;
        for (auto* b : win.findChildren<TAlbumFramesPerPageButton*>())
            if (b->isVisible())
                out.push_back(b);
        return out;
    }
};

TEST_F(FramesPerPageFixture, OnlySeveralFramesOfferTwoTiles)
{
    const auto tiles = open();
    ASSERT_EQ(win.ActiveTabName(), S::TCtrlAlbumFramesPerPage.TabName()) << win.Errors.join('\n').toStdString();
    ASSERT_EQ(tiles.size(), 2u);
    QStringList texts;
    for (auto* t : tiles)
        texts << t->description();
    EXPECT_TRUE(texts.contains(QStringLiteral("Multiple Photos Per Page")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Blank, Let Me Arrange")));
    win.grab().save(QStringLiteral("/tmp/shots/choices_album_frames.png"));
}

TEST_F(FramesPerPageFixture, ABookSizeMissingFromTheCatalogueOffersBlankPagesOnly)
{
    book.setLargeurPage(123);
    const auto tiles = open();
    ASSERT_EQ(tiles.size(), 1u) << win.Errors.join('\n').toStdString();
    EXPECT_EQ(tiles[0]->description(), QStringLiteral("Blank, Let Me Arrange"));
}

TEST_F(FramesPerPageFixture, BlankPagesHideThePictureSelectionInTheMobileUseOnly)
{
    struct Case {
        const char* name;
        TQzUseMode mode;
        bool selectionVisible;
    };
    const Case cases[] = {
        { "kiosk", TQzUseMode::Kiosk, true },
        { "mobile", TQzUseMode::Mobile, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win.UseMode = c.mode;
        win.setWorkflowStepVisible(&S::TCtrlSelectImageCommon, true);
        auto* step = dynamic_cast<TCtrlAlbumFramesPerPage*>(win.ActiveStep().get());
        if (!step) {
            open();
            step = dynamic_cast<TCtrlAlbumFramesPerPage*>(win.ActiveStep().get());
        }
        ASSERT_NE(step, nullptr);
        step->framesClick(0);
        win.RunQueue();
        EXPECT_EQ(data()->nbFramesPerPage(), 0);
        EXPECT_EQ(win.getWorkflowStepVisible(&S::TCtrlSelectImageCommon), c.selectionVisible);
        win.goWorkflowStep(&S::TCtrlAlbumFramesPerPage, false, true);
        win.RunQueue();
    }
}

} // namespace
