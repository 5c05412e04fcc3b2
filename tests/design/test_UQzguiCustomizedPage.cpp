#include "DesignTestSupport.h"
#include "OrderFakes.h"
#include "TestSupport.h"
#include "UQzguiCustomizedPage.h"
#include "UThreadTaskQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace designtest;
using Loc = TPointClickLocation;

namespace {

// A photo of one colour.
class ColourImage : public orderfakes::TestImage {
public:
    ColourImage(const QString& id, QColor c) : TestImage(id, QSizeF(600, 400)), fColour(c) { }
    void LoadBitmap(QImage& bmp, int, int, TOrderBitmapMode) override
    {
        bmp = QImage(600, 400, QImage::Format_RGB32);
        bmp.fill(fColour);
    }
    QColor fColour;
};

// A canvas 600 x 400 px showing a 300 x 200 mm page: half a millimetre per
// pixel.
struct CanvasEnv {
    explicit CanvasEnv(int w = 600, int h = 400) : page(300, 200), owner(&main)
    {
        canvas.SetNotif(&owner);
        canvas.MagnetTargetCreate();
        canvas.resize(w, h);
        canvas.SetCurrentPage(&page);
    }
    ~CanvasEnv()
    {
        canvas.SetCurrentPage(nullptr);
        main.cache.ClearAll();
    }
    QPoint px(QPointF mm) const { return canvas.PointMmToPointPx(mm).toPoint(); }
    bool show()
    {
        canvas.show();
        return QTest::qWaitForWindowExposed(&canvas);
    }

    DesignMainFrame main;
    TestPage page;
    RecordingOwner owner;
    TZebguiCustomizedPage canvas;
};

void expectRect(const TCustomizedFrame* f, const QRectF& r, double tol = 1e-3)
{
    EXPECT_NEAR(f->PositionX(), r.x(), tol);
    EXPECT_NEAR(f->PositionY(), r.y(), tol);
    EXPECT_NEAR(f->Width(), r.width(), tol);
    EXPECT_NEAR(f->Height(), r.height(), tol);
}

} // namespace

TEST(CustomizedPage, AFingerMovesThenResizesAFrame)
{
    CanvasEnv env;
    auto queue = std::make_unique<TThreadTaskQueue>(QCoreApplication::instance(), nullptr, QStringLiteral("Img Queue"));
    queue->SetRetryPolicy(30, 0, 0);
    env.owner.queue = queue.get();
    ColourImage red(QStringLiteral("red"), QColor(200, 40, 40));
    ColourImage blue(QStringLiteral("blue"), QColor(40, 60, 200));
    env.page.add(TTypeFrame::FrameBackground, QRectF(0, 0, 300, 200));
    TCustomizedFrame* f = env.page.add(TTypeFrame::FrameUser, QRectF(100, 50, 60, 40));
    f->SetImage(&red);
    TCustomizedFrame* other = env.page.add(TTypeFrame::FrameUser, QRectF(20, 120, 50, 60), 10);
    other->SetImage(&blue);
    ASSERT_TRUE(env.show());
    EXPECT_DOUBLE_EQ(env.canvas.RatioMmPerPx(), 0.5);

    // Move: pressed inside, dragged by 20 x 10 px = 10 x 5 mm.
    const QPoint start = env.px(QPointF(130, 70));
    QTest::mousePress(&env.canvas, Qt::LeftButton, Qt::NoModifier, start);
    EXPECT_EQ(env.canvas.Selected(), (TPointClickInfo { f, Loc::Border }));
    EXPECT_TRUE(env.canvas.MoveFrameStarted());
    EXPECT_TRUE(env.owner.events.contains(QStringLiteral("scrollLock")));
    QTest::mouseMove(&env.canvas, start + QPoint(10, 4));
    QTest::mouseMove(&env.canvas, start + QPoint(20, 10));
    QTest::mouseRelease(&env.canvas, Qt::LeftButton, Qt::NoModifier, start + QPoint(20, 10));
    expectRect(f, QRectF(110, 55, 60, 40));
    EXPECT_FALSE(env.canvas.MoveFrameStarted());
    EXPECT_TRUE(env.owner.events.contains(QStringLiteral("scrollUnlock")));
    EXPECT_GT(env.main.orderChanges, 0);

    // Resize: the bottom-right handle dragged by (+20, +7) mm keeps the top-left corner and the ratio.
    const QPoint corner = env.px(QPointF(170, 95));
    QTest::mousePress(&env.canvas, Qt::LeftButton, Qt::NoModifier, corner);
    EXPECT_EQ(env.canvas.Selected().loc, Loc::BottomRight);
    EXPECT_TRUE(env.canvas.ChangeSizeFrameStarted());
    QTest::mouseMove(&env.canvas, corner + QPoint(20, 7));
    QTest::mouseMove(&env.canvas, corner + QPoint(40, 14));
    QTest::mouseRelease(&env.canvas, Qt::LeftButton, Qt::NoModifier, corner + QPoint(40, 14));
    expectRect(f, QRectF(110, 55, 80, 80.0 * 40 / 60));

    // Every picture drawn: the frames show their colours.
    ASSERT_TRUE(testsupport::waitFor([&] {
        const QImage img = env.canvas.grab().toImage();
        return img.pixelColor(env.px(QPointF(150, 80))).red() > 150 && img.pixelColor(env.px(QPointF(45, 150))).blue() > 150;
    }));
    const QString shot = QDir::temp().filePath(QStringLiteral("design-canvas.png"));
    env.canvas.grab().save(shot);
    // The selection overlay and its buttons were drawn.
    EXPECT_FALSE(env.canvas.PictoRects()[TPicto::Delete].isEmpty());
    EXPECT_FALSE(env.canvas.PictoRects()[TPicto::Rotate].isEmpty());
    queue.reset();
}

TEST(CustomizedPage, ShrinkingBelowTheMinimumEndsTheGesture)
{
    CanvasEnv env;
    TCustomizedFrame* f = env.page.add(TTypeFrame::FrameUser, QRectF(100, 50, 60, 40));
    ASSERT_TRUE(env.show());
    env.canvas.SetFrameSelected(f);
    const QPoint right = env.px(QPointF(160, 70));
    QTest::mousePress(&env.canvas, Qt::LeftButton, Qt::NoModifier, right);
    ASSERT_EQ(env.canvas.Selected().loc, Loc::Right);
    QTest::mouseMove(&env.canvas, right - QPoint(110, 0)); // 55 mm to the left: 5 mm wide
    EXPECT_FLOAT_EQ(f->Width(), 10);
    EXPECT_FLOAT_EQ(f->PositionX(), 100);
    EXPECT_FALSE(env.canvas.ChangeSizeFrameStarted());
    QTest::mouseMove(&env.canvas, right + QPoint(40, 0));
    QTest::mouseRelease(&env.canvas, Qt::LeftButton, Qt::NoModifier, right + QPoint(40, 0));
    EXPECT_FLOAT_EQ(f->Width(), 10);
}

TEST(CustomizedPage, DraggingAFrameAwayAndBackRestoresItExactly)
{
    CanvasEnv env(613, 409);
    TCustomizedFrame* f = env.page.add(TTypeFrame::FrameUser, QRectF(101.3f, 47.9f, 33, 21));
    ASSERT_TRUE(env.show());
    const QPoint start = env.px(QPointF(115, 55));
    QTest::mousePress(&env.canvas, Qt::LeftButton, Qt::NoModifier, start);
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(&env.canvas, start + QPoint(i, i / 2));
    QTest::mouseMove(&env.canvas, start);
    QTest::mouseRelease(&env.canvas, Qt::LeftButton, Qt::NoModifier, start);
    expectRect(f, QRectF(101.3f, 47.9f, 33, 21), 1e-5);
}

TEST(CustomizedPage, ATapOnTheRotatePictoChangesNothing)
{
    CanvasEnv env;
    TCustomizedFrame* f = env.page.add(TTypeFrame::FrameUser, QRectF(100, 60, 60, 40), 15);
    ASSERT_TRUE(env.show());
    env.canvas.SetFrameSelected(f);
    ASSERT_TRUE(testsupport::waitFor([&] { return !env.canvas.PictoRects()[TPicto::Rotate].isEmpty(); }));
    const QPoint rotate
        = f->getLocMatrix().map(env.canvas.PictoRects()[TPicto::Rotate].center()).toPoint();
    QTest::mousePress(&env.canvas, Qt::LeftButton, Qt::NoModifier, rotate);
    EXPECT_EQ(env.canvas.Selected().loc, Loc::Rotate);
    QTest::mouseRelease(&env.canvas, Qt::LeftButton, Qt::NoModifier, rotate);
    expectRect(f, QRectF(100, 60, 60, 40));
    EXPECT_FLOAT_EQ(f->RotationAngle(), 15);

    // Dragged a quarter turn counter-clockwise about the centre.
    const QPointF centre = env.canvas.PointMmToPointPx(QPointF(130, 80));
    const QPoint from = (centre + QPointF(100, 0)).toPoint();
    const QPoint to = (centre + QPointF(0, -100)).toPoint();
    env.canvas.SetFrameSelected(nullptr);
    env.canvas.SetFrameSelected(f);
    ASSERT_TRUE(testsupport::waitFor([&] { return !env.canvas.PictoRects()[TPicto::Rotate].isEmpty(); }));
    const QPoint handle = f->getLocMatrix().map(env.canvas.PictoRects()[TPicto::Rotate].center()).toPoint();
    QTest::mousePress(&env.canvas, Qt::LeftButton, Qt::NoModifier, handle);
    ASSERT_EQ(env.canvas.Selected().loc, Loc::Rotate);
    QTest::mouseMove(&env.canvas, from);
    // The angle follows the pointer from the press point.
    const float atFrom = f->RotationAngle();
    QTest::mouseMove(&env.canvas, to);
    QTest::mouseRelease(&env.canvas, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_NEAR(f->RotationAngle() - atFrom, 90, 0.5);
}

TEST(CustomizedPage, DeletingNeedsTheYesAnswer)
{
    CanvasEnv env;
    TCustomizedFrame* f = env.page.add(TTypeFrame::FrameUser, QRectF(100, 60, 60, 40));
    env.canvas.SetFrameSelected(f);
    env.canvas.removeFrameSelectedConfirm(nullptr);
    EXPECT_EQ(env.main.confirmText, QStringLiteral("Are you sure you want to delete this frame?"));
    env.main.confirmNo();
    EXPECT_EQ(env.page.CustomizedFrameList().Count(), 1);
    EXPECT_EQ(env.canvas.FrameSelected(), f);
    env.canvas.removeFrameSelectedConfirm(nullptr);
    env.main.confirmYes();
    EXPECT_EQ(env.page.CustomizedFrameList().Count(), 0);
    EXPECT_EQ(env.canvas.FrameSelected(), nullptr);
    EXPECT_TRUE(env.owner.events.contains(QStringLiteral("unselected")));
    EXPECT_EQ(env.main.orderChanges, 1);
}

TEST(CustomizedPage, BroughtToTheFrontAFrameTakesThePressesWhereItOverlaps)
{
    CanvasEnv env;
    TCustomizedFrame* bottom = env.page.add(TTypeFrame::FrameUser, QRectF(50, 50, 100, 100));
    TCustomizedFrame* top = env.page.add(TTypeFrame::FrameUser, QRectF(100, 60, 100, 100));
    EXPECT_EQ(env.canvas.PointMmToFrame(QPointF(120, 100), false).frame, top);
    env.canvas.SetFrameSelected(bottom);
    env.canvas.bringToFrontFrameSelected();
    env.canvas.FrameUnselect();
    EXPECT_EQ(env.canvas.PointMmToFrame(QPointF(120, 100), false).frame, bottom);
    EXPECT_EQ(env.page.CustomizedFrameList().Last(), bottom);
    EXPECT_EQ(env.main.orderChanges, 1);
}

TEST(CustomizedPage, SelectionRulesOfOnePageAndOfASpread)
{
    DesignMainFrame main;
    RecordingOwner owner(&main);
    TestPage lp(200, 200);
    TestPage rp(200, 200);
    TCustomizedFrame* lf = lp.add(TTypeFrame::FrameUser, QRectF(10, 10, 50, 50));
    TCustomizedFrame* rf = rp.add(TTypeFrame::FrameUser, QRectF(10, 10, 50, 50));
    TZebguiCustomizedPage left;
    TZebguiCustomizedPage right;
    for (auto* c : { &left, &right }) {
        c->SetNotif(&owner);
        c->resize(400, 400);
    }
    left.SetPageLinked(&right);
    right.SetPageLinked(&left);
    left.SetCurrentPage(&lp);
    right.SetCurrentPage(&rp);
    left.SetFrameSelected(lf);
    EXPECT_EQ(owner.selected.size(), 1u);
    // The same selection again sends nothing.
    left.SetFrameSelected(lf);
    EXPECT_EQ(owner.selected.size(), 1u);
    // One selection per spread.
    right.SetFrameSelected(rf);
    EXPECT_EQ(left.FrameSelected(), nullptr);
    EXPECT_EQ(right.FrameSelected(), rf);
    right.SetCurrentPage(nullptr);
    left.SetCurrentPage(nullptr);
}

TEST(CustomizedPage, SelectFirstFramePrefersPhotosAndTextsThenClickableThenBackground)
{
    struct Case {
        const char* name;
        std::vector<TTypeFrame> kinds;
        int expected;
    } cases[] = {
        { "empty page", {}, -1 },
        { "only a background", { TTypeFrame::FrameBackground }, 0 },
        { "a photo slot over the background", { TTypeFrame::FrameBackground, TTypeFrame::FrameBgUser, TTypeFrame::FrameFixed }, 2 },
        { "clickable when nothing fills", { TTypeFrame::FrameBackground, TTypeFrame::FrameBgUser }, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CanvasEnv env;
        for (TTypeFrame k : c.kinds)
            env.page.add(k, QRectF(0, 0, 100, 100));
        EXPECT_EQ(env.canvas.SelectFirstFrame(), c.expected >= 0);
        EXPECT_EQ(env.canvas.FrameSelected(), c.expected >= 0 ? env.page.frames()[size_t(c.expected)] : nullptr);
    }
}

TEST(CustomizedPage, ATapSwapAcrossASpreadChangesTheOrder)
{
    DesignMainFrame main;
    RecordingOwner owner(&main);
    TestPage lp(200, 200);
    TestPage rp(200, 200);
    ColourImage red(QStringLiteral("red"), Qt::red);
    ColourImage blue(QStringLiteral("blue"), Qt::blue);
    TCustomizedFrame* lf = lp.add(TTypeFrame::FrameFixed, QRectF(10, 10, 50, 50));
    lf->SetImage(&red);
    TCustomizedFrame* rf = rp.add(TTypeFrame::FrameFixed, QRectF(10, 10, 50, 50));
    rf->SetImage(&blue);
    TZebguiCustomizedPage left;
    TZebguiCustomizedPage right;
    for (auto* c : { &left, &right }) {
        c->SetNotif(&owner);
        c->resize(400, 400);
    }
    left.SetPageLinked(&right);
    right.SetPageLinked(&left);
    left.SetPagePlacement(TPagePlacement::PageLeft);
    right.SetPagePlacement(TPagePlacement::PageRight);
    left.SetCurrentPage(&lp);
    right.SetCurrentPage(&rp);
    right.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&right));

    EXPECT_TRUE(left.CanSwapFrame(lf));
    left.SetFrameSelected(lf);
    left.swapFrameSelectedStart();
    EXPECT_EQ(right.swapFrameSource(), lf);
    EXPECT_TRUE(owner.events.contains(QStringLiteral("swapOn")));
    const int invalidated = owner.pageInvalidated;

    // The tap on the facing page's frame swaps and leaves swap mode.
    QTest::mouseClick(&right, Qt::LeftButton, Qt::NoModifier, right.PointMmToPointPx(QPointF(30, 30)).toPoint());
    EXPECT_EQ(lf->Image(), &blue);
    EXPECT_EQ(rf->Image(), &red);
    EXPECT_EQ(left.swapFrameSource(), nullptr);
    EXPECT_EQ(right.swapFrameSource(), nullptr);
    EXPECT_GE(main.orderChanges, 1);
    // Both pages' thumbnails follow.
    EXPECT_GE(owner.pageInvalidated, invalidated + 2);

    // A second tap on the swap button leaves swap mode without swapping.
    right.SetFrameSelected(rf);
    right.swapFrameSelectedStart();
    right.swapFrameSelectedStart();
    EXPECT_EQ(right.swapFrameSource(), nullptr);
    EXPECT_EQ(rf->Image(), &red);
    right.SetCurrentPage(nullptr);
    left.SetCurrentPage(nullptr);
    main.cache.ClearAll();
}

TEST(CustomizedPage, TheMarginOfThePhotographerLimitsTheUsableArea)
{
    CanvasEnv env;
    env.main.photographer.setMargeSecu(5);
    env.canvas.CalcPageAspectSizes();
    EXPECT_EQ(env.canvas.PageRectInMm(), QRectF(QPointF(5, 5), QPointF(295, 195)));
    EXPECT_FLOAT_EQ(env.canvas.MagnetTarget()->DesignMargin(), 5);
    env.main.photographer.setMargeSecu(70);
    env.canvas.CalcPageAspectSizes();
    EXPECT_EQ(env.canvas.PageRectInMm(), QRectF(0, 0, 300, 200));
}
