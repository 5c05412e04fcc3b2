#include "DesignTestSupport.h"
#include "TestSupport.h"
#include "UFrameGeometry.h"
#include "UQzguiMagnetTarget.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using namespace designtest;
using Loc = TPointClickLocation;
using Mode = TQzguiMagnetTargetMode;

namespace {

// A canvas showing a page at one millimetre per pixel.
class FakeCanvas : public IQzguiMagnetTargetNotif {
public:
    explicit FakeCanvas(TestPage* p) : page(p) { }

    void OnMagnetTargetRepaint(IQzguiMagnetTarget*) override { ++repaints; }
    std::vector<TCustomizedFrame*> OnMagnetTargetFrameList(IQzguiMagnetTarget*) override { return page->frames(); }
    TCustomizedPageBase* OnMagnetTargetPage(IQzguiMagnetTarget*) override { return page; }
    void OnMagnetTargetMoveCorrec(IQzguiMagnetTarget*, const TPointClickInfo& info, QPointF delta) override
    {
        corrections.push_back(delta);
        TFrameGeometry::MoveCorrec(info.frame, QRectF(0, 0, page->fW, page->fH), info.loc, delta);
    }
    QRectF OnMagnetTargetUpdateLocMatrix(IQzguiMagnetTarget*, TCustomizedFrame* frame) override
    {
        const QRectF r = frame->RectInMm();
        frame->setLocMatrix(TPageRenderTools::FrameMatrix(frame->RotationAngle(), r));
        return r;
    }

    // The guides as this canvas draws them over a white page.
    QImage render(TQzguiMagnetTarget& target)
    {
        QImage img(page->fW, page->fH, QImage::Format_ARGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        target.OnRender(p, QRectF(0, 0, page->fW, page->fH), 1, this);
        return img;
    }

    TestPage* page;
    int repaints = 0;
    std::vector<QPointF> corrections;
};

// The aligned green over white at full strength.
bool greenish(QColor c)
{
    return c.green() > c.red() + 20 && c.green() > c.blue() + 20;
}

bool orangeish(QColor c)
{
    return c.red() > c.blue() + 40 && c != QColor(Qt::white);
}

struct OnePage {
    OnePage() : page(400, 300), canvas(&page) { target.registerNotif(&canvas); }
    TestPage page;
    FakeCanvas canvas;
    TQzguiMagnetTarget target;
    const TQzguiMagnetTargetPoint& A() const { return *target.Points()[0]; }
    const TQzguiMagnetTargetPoint& B() const { return *target.Points()[1]; }
};

} // namespace

TEST(MagnetTarget, AMoveSnapsEdgeToEdgeWithinTheGlueDistanceOnly)
{
    struct Case {
        const char* name;
        float x;
        bool glue;
        float xAfter;
        Mode modeA;
    } cases[] = {
        { "2 mm with glue: snapped", 252, true, 250, Mode::TargetAligned },
        { "3 mm with glue: nothing", 253, true, 253, Mode::TargetOk },
        { "0.3 mm without glue: guide only", 250.3f, false, 250.3f, Mode::TargetAligned },
        { "2 mm without glue: nothing", 252, false, 252, Mode::TargetOk },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OnePage t;
        TCustomizedFrame* other = t.page.add(TTypeFrame::FrameUser, QRectF(200, 50, 50, 50));
        TCustomizedFrame* moving = t.page.add(TTypeFrame::FrameUser, QRectF(c.x, 200, 40, 40));
        t.target.targetMove(&t.canvas, { moving, Loc::Border }, c.glue);
        EXPECT_FLOAT_EQ(moving->PositionX(), c.xAfter);
        EXPECT_FLOAT_EQ(moving->PositionY(), 200);
        EXPECT_EQ(t.canvas.corrections.size(), c.xAfter != c.x ? 1u : 0u);
        ASSERT_EQ(t.target.Points().size(), 2u);
        EXPECT_EQ(t.A().m_ptXalign, c.modeA);
        EXPECT_EQ(t.B().m_ptXalign, Mode::TargetOk);
        // Nothing near along Y: both horizontal guides plain.
        EXPECT_EQ(t.A().m_ptYalign, Mode::TargetOk);
        EXPECT_EQ(t.B().m_ptYalign, Mode::TargetOk);
        if (c.modeA == Mode::TargetAligned)
            EXPECT_EQ(t.A().m_alignedFrameListX, std::vector<TCustomizedFrame*> { other });
        EXPECT_FALSE(t.target.Hidden());
    }
}

TEST(MagnetTarget, TwoFramesAlignedAtTheSameCoordinateAreBothHighlighted)
{
    OnePage t;
    TCustomizedFrame* a = t.page.add(TTypeFrame::FrameUser, QRectF(200, 50, 50, 50));
    TCustomizedFrame* b = t.page.add(TTypeFrame::FrameUser, QRectF(200, 120, 50, 40));
    TCustomizedFrame* moving = t.page.add(TTypeFrame::FrameUser, QRectF(251.5f, 200, 40, 40));
    t.target.targetMove(&t.canvas, { moving, Loc::Border }, true);
    EXPECT_FLOAT_EQ(moving->PositionX(), 250);
    EXPECT_EQ(t.A().m_alignedFrameListX, (std::vector<TCustomizedFrame*> { a, b }));
}

TEST(MagnetTarget, AFrameCentredOnThePageShowsOneGuideThroughTheCentre)
{
    OnePage t;
    TCustomizedFrame* moving = t.page.add(TTypeFrame::FrameUser, QRectF(181, 131, 40, 40));
    t.target.targetMove(&t.canvas, { moving, Loc::Border }, true);
    EXPECT_FLOAT_EQ(moving->PositionX(), 180);
    EXPECT_FLOAT_EQ(moving->PositionY(), 130);
    EXPECT_EQ(t.A().m_ptXalign, Mode::TargetAlignedMiddle);
    EXPECT_EQ(t.B().m_ptXalign, Mode::TargetAlignedMiddle);
    EXPECT_EQ(t.A().m_pt, QPointF(200, 150));
    EXPECT_EQ(t.B().m_pt, QPointF(200, 150));
    EXPECT_EQ(t.A().m_alignedFrameListX, std::vector<TCustomizedFrame*> { nullptr });
    // The page is tinted: a corner far from every guide turns green.
    EXPECT_TRUE(greenish(t.canvas.render(t.target).pixelColor(5, 290)));
}

TEST(MagnetTarget, AResizeShowsTheGuidesOfItsHandleOnly)
{
    struct Case {
        Loc handle;
        bool vertical;
        bool horizontal;
    } cases[] = { { Loc::Right, true, false }, { Loc::Bottom, false, true }, { Loc::TopLeft, true, true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.handle));
        OnePage t;
        TCustomizedFrame* moving = t.page.add(TTypeFrame::FrameUser, QRectF(20, 20, 40, 40));
        t.target.targetMove(&t.canvas, { moving, c.handle }, true);
        EXPECT_EQ(t.A().m_ptXalign != Mode::TargetNone, c.vertical);
        EXPECT_EQ(t.A().m_ptYalign != Mode::TargetNone, c.horizontal);
        EXPECT_FALSE(t.B().IsValid());
    }
    // A right edge 1 mm left of another frame's left edge is glued by
    // widening the frame.
    OnePage t;
    t.page.add(TTypeFrame::FrameUser, QRectF(100, 250, 20, 20));
    TCustomizedFrame* moving = t.page.add(TTypeFrame::FrameUser, QRectF(20, 20, 79, 40));
    t.target.targetMove(&t.canvas, { moving, Loc::Right }, true);
    EXPECT_FLOAT_EQ(moving->Width(), 80);
    EXPECT_FLOAT_EQ(moving->PositionX(), 20);
    EXPECT_EQ(t.A().m_ptXalign, Mode::TargetAligned);
}

TEST(MagnetTarget, OnASpreadTheFacingPageIsComparedAndDrawnInMirror)
{
    TestPage left(200, 300);
    TestPage right(200, 300);
    FakeCanvas lc(&left);
    FakeCanvas rc(&right);
    TQzguiMagnetTarget target;
    target.registerNotif(&lc);
    target.registerNotif(&rc);
    target.registerNotif(&lc); // once only
    EXPECT_EQ(target.Notifs().size(), 2u);
    TCustomizedFrame* facing = right.add(TTypeFrame::FrameUser, QRectF(20, 100, 50, 50));
    TCustomizedFrame* moving = left.add(TTypeFrame::FrameUser, QRectF(131.5f, 200, 40, 40));
    // The facing frame seen from the left page: 130..180.
    EXPECT_EQ(TQzguiMagnetTarget::alignRectInMm(facing, &left), QRectF(130, 100, 50, 50));
    target.targetMove(&lc, { moving, Loc::Border }, true);
    EXPECT_FLOAT_EQ(moving->PositionX(), 130);
    EXPECT_EQ(target.MovedPage(), &lc);
    EXPECT_EQ(target.Points()[0]->m_alignedFrameListX, std::vector<TCustomizedFrame*> { facing });

    // The guide at 130 mm on the left page is at 70 mm on the right page,
    // where it runs along the facing frame's right edge, which is tinted.
    const QImage l = lc.render(target);
    const QImage r = rc.render(target);
    EXPECT_TRUE(greenish(l.pixelColor(130, 10)));
    EXPECT_FALSE(greenish(l.pixelColor(70, 10)));
    EXPECT_TRUE(greenish(r.pixelColor(70, 10)));
    EXPECT_TRUE(greenish(r.pixelColor(45, 125)));
    EXPECT_FALSE(greenish(r.pixelColor(130, 10)));
}

TEST(MagnetTarget, TheDesignMarginBandsShowOnlyWithAMargin)
{
    OnePage t;
    TCustomizedFrame* moving = t.page.add(TTypeFrame::FrameUser, QRectF(100, 100, 40, 40));
    t.target.targetMove(&t.canvas, { moving, Loc::Border }, false);
    EXPECT_EQ(t.canvas.render(t.target).pixelColor(3, 250), QColor(Qt::white));
    t.target.SetDesignMargin(10);
    const QImage img = t.canvas.render(t.target);
    for (QPoint p : { QPoint(3, 250), QPoint(396, 250), QPoint(300, 3), QPoint(300, 296) })
        EXPECT_TRUE(orangeish(img.pixelColor(p))) << p.x() << "," << p.y();
    EXPECT_EQ(img.pixelColor(300, 250), QColor(Qt::white));
}

TEST(MagnetTarget, GuidesFadeInTenStepsAfterTheGesture)
{
    const int alphas[10] = { 92, 83, 74, 64, 55, 46, 37, 28, 18, 9 };
    for (int step = 0; step < 10; ++step)
        EXPECT_EQ(TQzguiMagnetTarget::AlphaForStep(step), alphas[step]) << step;

    OnePage t;
    TCustomizedFrame* moving = t.page.add(TTypeFrame::FrameUser, QRectF(100, 100, 40, 40));
    {
        TQzguiMagnetTargetLock lock(std::shared_ptr<IQzguiMagnetTarget>(&t.target, [](auto*) {}));
        t.target.targetMove(&t.canvas, { moving, Loc::Border }, false);
        EXPECT_FALSE(t.target.Hidden());
        EXPECT_FALSE(t.target.FadeRunning());
        // The same guides again: no repaint.
        const int repaints = t.canvas.repaints;
        t.target.targetMove(&t.canvas, { moving, Loc::Border }, false);
        EXPECT_EQ(t.canvas.repaints, repaints);
    }
    EXPECT_EQ(t.target.ShowLockCount(), 0);
    EXPECT_TRUE(t.target.FadeRunning());
    EXPECT_EQ(t.target.CloseStep(), 0);
    for (int i = 0; i < 3; ++i)
        t.target.FadeStep();
    EXPECT_EQ(t.target.CloseStep(), 3);
    // A new press during the fade brings the guides back at full strength.
    t.target.targetShowLock();
    EXPECT_EQ(t.target.CloseStep(), 0);
    EXPECT_FALSE(t.target.FadeRunning());
    t.target.targetShowUnlock();
    for (int i = 0; i < 9; ++i)
        t.target.FadeStep();
    EXPECT_FALSE(t.target.Hidden());
    t.target.FadeStep();
    EXPECT_TRUE(t.target.Hidden());
    EXPECT_EQ(t.target.MovedPage(), nullptr);
    EXPECT_EQ(t.canvas.render(t.target).pixelColor(100, 100), QColor(Qt::white));
}

TEST(MagnetTarget, TheFadeTimerHidesTheGuides)
{
    OnePage t;
    TCustomizedFrame* moving = t.page.add(TTypeFrame::FrameUser, QRectF(100, 100, 40, 40));
    t.target.targetMove(&t.canvas, { moving, Loc::Border }, false);
    EXPECT_TRUE(t.target.FadeRunning());
    EXPECT_TRUE(testsupport::waitFor([&] { return t.target.Hidden(); }));
    EXPECT_GE(t.canvas.repaints, 10);
}

TEST(MagnetTarget, AnUnbalancedUnlockIsRefused)
{
    TQzguiMagnetTarget target;
    try {
        target.targetShowUnlock();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TQzguiMagnetTarget.targetShowUnlock: unexpected call"));
    }
    // The lock object never sends one unmatched.
    auto shared = std::make_shared<TQzguiMagnetTarget>();
    TQzguiMagnetTargetLock lock;
    lock.Unlock();
    lock.Lock(shared);
    lock.Lock(shared);
    EXPECT_EQ(shared->ShowLockCount(), 1);
    lock.Unlock();
    lock.Unlock();
    EXPECT_EQ(shared->ShowLockCount(), 0);
    EXPECT_FALSE(lock.isLocked());
}
