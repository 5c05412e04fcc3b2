#include "DesignTestSupport.h"
#include "UFrameGeometry.h"

#include <gtest/gtest.h>

using namespace designtest;
using Loc = TPointClickLocation;

namespace {

void expectRect(const TCustomizedFrame* f, const QRectF& r, double tol = 1e-3)
{
    EXPECT_NEAR(f->PositionX(), r.x(), tol);
    EXPECT_NEAR(f->PositionY(), r.y(), tol);
    EXPECT_NEAR(f->Width(), r.width(), tol);
    EXPECT_NEAR(f->Height(), r.height(), tol);
}

// Where a point of the unrotated frame lies on the page.
QPointF onPage(const TCustomizedFrame* f, QPointF local, const QRectF& usable)
{
    return TPrintOrderEffects::MatrixCalc(TFrameGeometry::Context(*f, usable)).map(local);
}

const QRectF kBig(0, 0, 1000, 1000);

} // namespace

TEST(FrameGeometry, AHandleResizesFromTheOppositePointWhichStaysPut)
{
    struct Case {
        Loc handle;
        QRectF after;
    } cases[] = {
        { Loc::BottomRight, QRectF(400, 400, 120, 60) }, // corners keep the ratio, horizontal part only
        { Loc::Right, QRectF(400, 400, 120, 50) },
        { Loc::Top, QRectF(400, 407, 100, 43) },         // the bottom edge stays
        { Loc::Bottom, QRectF(400, 400, 100, 57) },
        { Loc::Left, QRectF(420, 400, 80, 50) },
        { Loc::TopLeft, QRectF(420, 410, 80, 40) },
        { Loc::BottomLeft, QRectF(420, 400, 80, 40) },
        { Loc::TopRight, QRectF(400, 390, 120, 60) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.handle));
        TestPage page(1000, 1000);
        TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(400, 400, 100, 50));
        TImageEffectInfo ctx = TFrameGeometry::Context(*f, kBig);
        TFrameGeometry::AddSize(*f, c.handle, QPointF(20, 7), ctx);
        expectRect(f, c.after);
    }
}

TEST(FrameGeometry, OnAQuarterTurnedFrameTheOppositeEdgeStaysOnThePage)
{
    TestPage page(1000, 1000);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(400, 400, 100, 50), 90);
    const QPointF leftMid = onPage(f, QPointF(0, 25), kBig);
    const QPointF rightMid = onPage(f, QPointF(100, 25), kBig);
    TImageEffectInfo ctx = TFrameGeometry::Context(*f, kBig);
    TFrameGeometry::AddSize(*f, Loc::Right, QPointF(20, 0), ctx);
    EXPECT_NEAR(f->Width(), 120, 1e-4);
    EXPECT_NEAR(f->Height(), 50, 1e-4);
    const QPointF leftAfter = onPage(f, QPointF(0, 25), kBig);
    const QPointF rightAfter = onPage(f, QPointF(120, 25), kBig);
    EXPECT_NEAR(leftAfter.x(), leftMid.x(), 1e-3);
    EXPECT_NEAR(leftAfter.y(), leftMid.y(), 1e-3);
    // The frame's own right points up the screen after a quarter turn.
    EXPECT_NEAR(rightAfter.x(), rightMid.x(), 1e-3);
    EXPECT_NEAR(rightAfter.y(), rightMid.y() - 20, 1e-3);
    // A drag up the screen is a drag along the frame's own right.
    const QPointF local = TFrameGeometry::PageDeltaToLocal(TFrameGeometry::Context(*f, kBig), QPointF(0, -20));
    EXPECT_NEAR(local.x(), 20, 1e-6);
    EXPECT_NEAR(local.y(), 0, 1e-6);
}

TEST(FrameGeometry, ANonHandleHasNoReferencePoint)
{
    try {
        TFrameGeometry::RefPoint(Loc::Border, 10, 10);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TZebguiCustomizedPage.frameAddSizeRefPoint: internal pb"));
    }
}

TEST(FrameGeometry, SizesStayBetweenTheMinimumAndTheUsableArea)
{
    const QRectF usable(QPointF(10, 10), QPointF(190, 290));
    struct Case {
        const char* name;
        QRectF before;
        QRectF after;
        bool changed;
        bool minReached;
    } cases[] = {
        { "inside, unchanged", QRectF(50, 50, 40, 40), QRectF(50, 50, 40, 40), false, false },
        { "too narrow", QRectF(50, 50, 5, 40), QRectF(50, 50, 10, 40), true, true },
        { "too low", QRectF(50, 50, 40, 3), QRectF(50, 50, 40, 10), true, true },
        { "wider than the area", QRectF(-150, 50, 400, 40), QRectF(-150, 50, 180, 40), true, false },
        { "centre right of the area", QRectF(180, 50, 50, 50), QRectF(165, 50, 50, 50), true, false },
        { "centre above the area", QRectF(50, -40, 50, 50), QRectF(50, -15, 50, 50), true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestPage page(200, 300);
        TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, c.before);
        bool minReached = false;
        EXPECT_EQ(TFrameGeometry::CheckBasic(f, usable, &minReached), c.changed);
        EXPECT_EQ(minReached, c.minReached);
        expectRect(f, c.after);
    }
}

TEST(FrameGeometry, TheWholeFrameIsPulledInsideTheUsableArea)
{
    const QRectF usable(QPointF(10, 10), QPointF(190, 290));
    struct Case {
        const char* name;
        QRectF before;
        Loc hit;
        QRectF after;
    } cases[] = {
        { "a moved corner out: pulled back by the overflow", QRectF(150, 100, 50, 50), Loc::Border,
          QRectF(140, 100, 50, 50) },
        { "the centre out: back to the edge, then inside", QRectF(180, 100, 50, 50), Loc::Border,
          QRectF(140, 100, 50, 50) },
        { "a new frame off the top-left", QRectF(0, 0, 50, 50), Loc::None, QRectF(10, 10, 50, 50) },
        { "a handle's side shrinks by the overflow", QRectF(100, 100, 100, 50), Loc::Right,
          QRectF(100, 100, 90, 50) },
        { "a corner handle shrinks keeping the ratio", QRectF(100, 100, 100, 50), Loc::BottomRight,
          QRectF(100, 100, 90, 45) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestPage page(200, 300);
        TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, c.before);
        EXPECT_TRUE(TFrameGeometry::Check(f, usable, c.hit));
        expectRect(f, c.after);
    }
}

TEST(FrameGeometry, ARotatedFrameThatNoLongerFitsShrinksAboutItsCentre)
{
    const QRectF usable(0, 0, 200, 300);
    TestPage page(200, 300);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(5, 100, 190, 100), 30);
    EXPECT_TRUE(TFrameGeometry::Check(f, usable, Loc::Rotate));
    EXPECT_LT(f->Width(), 190);
    EXPECT_NEAR(f->Width() / f->Height(), 1.9, 1e-4);
    EXPECT_NEAR(f->PositionX() + f->Width() / 2, 100, 1e-3);
    EXPECT_NEAR(f->PositionY() + f->Height() / 2, 150, 1e-3);
    const QRectF box = TPrintOrderEffects::calcBoundingRectSrc(TFrameGeometry::Context(*f, usable));
    EXPECT_GE(box.left(), -1e-3);
    EXPECT_LE(box.right(), 200 + 1e-3);
    // It touches the sides it overflowed.
    EXPECT_NEAR(box.width(), 200, 1e-2);

    // Checked again it fits: it keeps its size.
    const QRectF before = f->RectInMm();
    TFrameGeometry::Check(f, usable, Loc::Rotate);
    expectRect(f, before, 1e-2);
}

TEST(FrameGeometry, FramesThatCannotMoveAreLeftAlone)
{
    TestPage page(200, 300);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameFixed, QRectF(-50, -50, 5, 5));
    EXPECT_FALSE(TFrameGeometry::CheckBasic(f, QRectF(0, 0, 200, 300)));
    EXPECT_FALSE(TFrameGeometry::Check(f, QRectF(0, 0, 200, 300), Loc::Border));
    EXPECT_FALSE(TFrameGeometry::Check(nullptr, QRectF(0, 0, 200, 300), Loc::Border));
    expectRect(f, QRectF(-50, -50, 5, 5));
}

TEST(FrameGeometry, ANewFrameFitsTheUsableAreaAndIsCentredOnIt)
{
    const QRectF usable(0, 0, 200, 300);
    struct Case {
        QSizeF size;
        QSizeF after;
    } cases[] = {
        { QSizeF(400, 100), QSizeF(200 / 1.3, 50 / 1.3) },
        { QSizeF(100, 400), QSizeF(300 / 1.3 / 4, 300 / 1.3) },
        { QSizeF(100, 300), QSizeF(300 / 1.3 / 3, 300 / 1.3) },
        { QSizeF(50, 50), QSizeF(50, 50) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size.width());
        TestPage page(200, 300);
        TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(QPointF(7, 7), c.size));
        TFrameGeometry::CheckNewSize(f, usable);
        expectRect(f, QRectF(QPointF(100 - c.after.width() / 2, 150 - c.after.height() / 2), c.after));
    }
}

TEST(FrameGeometry, ThePointerAngleIsMeasuredWithYUpward)
{
    struct Case {
        QPointF p;
        double angle;
    } cases[] = { { { 10, 0 }, 0 }, { { 0, -10 }, 90 }, { { -10, 0 }, 180 }, { { 0, 10 }, -90 }, { { -5, 5 }, 225 } };
    for (const Case& c : cases) {
        double a = 0;
        ASSERT_TRUE(TFrameGeometry::PointAngle(QPointF(0, 0), c.p, a));
        EXPECT_NEAR(a, c.angle, 1e-9);
    }
    double a = 42;
    EXPECT_FALSE(TFrameGeometry::PointAngle(QPointF(3, 3), QPointF(3, 3), a));
    EXPECT_EQ(a, 42);
}

TEST(FrameGeometry, ASnapCorrectionMovesOrDragsTheHandle)
{
    TestPage page(1000, 1000);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(400, 400, 100, 50));
    TFrameGeometry::MoveCorrec(f, kBig, Loc::Border, QPointF(-2, 1.5));
    expectRect(f, QRectF(398, 401.5, 100, 50));
    TFrameGeometry::MoveCorrec(f, kBig, Loc::Right, QPointF(3, 0));
    expectRect(f, QRectF(398, 401.5, 103, 50));
    // Moving the centre out of the area is refused.
    try {
        TFrameGeometry::MoveCorrec(f, QRectF(0, 0, 420, 420), Loc::Border, QPointF(-400, 0));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TZebguiCustomizedPage.OnMagnetTargetMoveCorrec: fit in failed"));
    }
}
