#include "UCtrlTileChoiceBase.h"
#include "UMainFrameBase.h"
#include "UQzguiButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

// A step offering n tiles of design size 250 x 200.
class TilesStep : public TCtrlTileChoiceBase {
public:
    TilesStep(IMainFrame* main, QWidget* tab, int n)
        : TCtrlTileChoiceBase(main, tab)
        , fCount(n)
    {
    }
    int clicks = 0;
    int creations = 0;

protected:
    void createButtons() override
    {
        ++creations;
        for (int i = 0; i < fCount; ++i) {
            TTileButton* b = AddTileButton(QStringLiteral("Choice %1").arg(i + 1), nullptr);
            b->resize(250, 200);
            if (i == 0)
                b->setDescription(QStringLiteral("Prints on glossy paper"));
            if (i == 1)
                b->setPriceTxt(QStringLiteral("from 0.25"));
            QObject::connect(b, &QAbstractButton::clicked, [this] { ++clicks; });
            c.fButtonList.push_back(b);
        }
    }

private:
    int fCount;
};

struct TileStepFixture : ::testing::Test {
    TMainFrameBase win { nullptr };
    QWidget* tab = nullptr;
    TileStepFixture()
    {
        win.resize(1280, 800);
        win.show();
        tab = new QWidget(&win);
        tab->resize(1024, 768);
        tab->show();
    }
    std::shared_ptr<TilesStep> open(int n)
    {
        auto step = TCtrlCommonBase::Create<TilesStep>(&win, tab, n);
        step->OnOpen(&win);
        step->OnResize(tab);
        return step;
    }
};

TEST_F(TileStepFixture, ThreeTilesFillTheRowAndAreCentredVertically)
{
    auto step = open(3);
    const auto& list = step->buttonListGet();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(step->creations, 1);
    const double w = (1024 - 204.8) / 3;
    EXPECT_NEAR(list[0]->x(), 51, 1);
    EXPECT_NEAR(list[0]->width(), w, 1);
    EXPECT_NEAR(list[0]->height(), w * 0.8, 1);
    EXPECT_NEAR(list[0]->y(), 20 + (768 - (40 + w * 0.8)) / 2, 1);
    EXPECT_TRUE(list[2]->isVisible());
    step->tilesContainer()->grab().save(QStringLiteral("/tmp/widgets_tiles.png"));
    step->OnClose();
    EXPECT_EQ(step->scrollBox(), nullptr);
}

TEST_F(TileStepFixture, AShortLastRowIsCentredAndATitleTakesItsHeight)
{
    auto step = open(5);
    const auto& list = step->buttonListGet();
    ASSERT_EQ(list.size(), 5u);
    const double rowMiddle = (list[3]->geometry().left() + list[4]->geometry().right()) / 2.0;
    EXPECT_NEAR(rowMiddle, 1024 / 2.0, 2);

    step->SetPageTitle(QStringLiteral("What would you like to print?"));
    EXPECT_EQ(step->heightAlreadyUsed(), 50);
    QApplication::processEvents();
    step->SetPageTitle(QString());
    EXPECT_EQ(step->heightAlreadyUsed(), 0) << "an empty title gives its height back";
    step->OnClose();
}

TEST_F(TileStepFixture, APressThatScrolledThePageIsNoClick)
{
    tab->resize(1024, 200); // two rows that cannot fit even shrunk: the tiles scroll
    auto step = open(5);
    QApplication::processEvents();
    QScrollArea* box = step->scrollBox();
    ASSERT_GT(box->verticalScrollBar()->maximum(), 0);
    QAbstractButton* b = step->buttonListGet()[3];
    const QPoint inside = b->rect().center();

    QTest::mouseClick(b, Qt::LeftButton, {}, inside);
    EXPECT_EQ(step->clicks, 1) << "a plain tap clicks";

    QTest::mousePress(b, Qt::LeftButton, {}, inside);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->value() + 40);
    QTest::mouseRelease(b, Qt::LeftButton, {}, inside);
    EXPECT_EQ(step->clicks, 1) << "press, scroll and release fires no click";
    step->OnClose();
}

TEST(TileButton, EmptyPartsAreHiddenAndTheDefaultPictureShows)
{
    TTileButton b(DefaultTileImage());
    b.setCaption(QStringLiteral("Prints"));
    b.show();
    EXPECT_EQ(b.size(), QSize(250, 200));
    EXPECT_FALSE(b.descriptionPart()->isVisible());
    EXPECT_FALSE(b.pricePart()->isVisible());
    EXPECT_TRUE(b.textPart()->isVisible());
    b.setPriceTxt(QStringLiteral("0.25"));
    EXPECT_TRUE(b.pricePart()->isVisible());
    b.setPriceTxt(QString());
    EXPECT_FALSE(b.pricePart()->isVisible());
    EXPECT_EQ(b.imagePart()->document(), DefaultTileImage());
    b.setImageRotation(90);
    EXPECT_EQ(b.imagePart()->rotation(), 90);
    b.setCaption(QString());
    EXPECT_FALSE(b.textPart()->isVisible());

    TFloatingButtonImage bare(nullptr, QString());
    bare.show();
    EXPECT_FALSE(bare.imagePart()->isVisible()) << "no picture at all hides the image part";
    EXPECT_EQ(bare.size(), QSize(150, 35));
}

TEST(TileButton, ExternalHeightAndTextMargins)
{
    TTileButton b(DefaultTileImage());
    b.setCaption(QStringLiteral("Photo book"));
    b.resize(250, 200);
    b.show();
    EXPECT_EQ(b.getExternalHeight(), 200 - b.resizePart()->height());
    EXPECT_GT(b.getExternalHeight(), 0);
    b.setTextAndDescMinWidth(300);
    EXPECT_FLOAT_EQ(b.textMargins(), -25);
    EXPECT_LT(b.textPart()->x(), 0) << "the caption overflows on both sides";
    b.setTextAndDescMinWidth(100);
    EXPECT_FLOAT_EQ(b.textMargins(), 0);
    b.grab().save(QStringLiteral("/tmp/widgets_tilebutton.png"));
}

} // namespace
