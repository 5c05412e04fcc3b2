#include "DesignTestSupport.h"
#include "UPageCanvasGeometry.h"

#include <gtest/gtest.h>

using namespace designtest;
using Loc = TPointClickLocation;

namespace {

const char* locName(Loc l)
{
    static const char* names[] = { "TopLeft", "Top",    "TopRight",   "Left",     "Right",     "BottomLeft",
                                   "Bottom",  "BottomRight", "Border", "Inner",    "None",      "Rotate",
                                   "Delete",  "Foreground",  "DragOver", "PopupEdit", "FrameSwap" };
    return names[int(l)];
}

void expectNear(QPointF a, QPointF b, double tol = 1e-6)
{
    EXPECT_NEAR(a.x(), b.x(), tol);
    EXPECT_NEAR(a.y(), b.y(), tol);
}

// A 1000 x 1000 mm page shown at one millimetre per pixel: the handle band is
// 30 mm wide.
TPageCanvasGeometry unitGeometry()
{
    TPageCanvasGeometry g;
    g.Calc(QSizeF(1000, 1000), QSizeF(1000, 1000), TPagePlacement::PageCenter, 0);
    return g;
}

} // namespace

TEST(PageCanvasGeometry, ThePageSitsAgainstTheSpineOfItsSpreadAndIsCentredVertically)
{
    struct Case {
        TPagePlacement placement;
        QSizeF control;
        QPointF offset;
    } cases[] = {
        { TPagePlacement::PageLeft, QSizeF(400, 120), QPointF(280, 0) },
        { TPagePlacement::PageRight, QSizeF(400, 120), QPointF(0, 0) },
        { TPagePlacement::PageCenter, QSizeF(400, 120), QPointF(140, 0) },
        { TPagePlacement::PageCenter, QSizeF(200, 300), QPointF(0, 50) },
        { TPagePlacement::PageLeft, QSizeF(200, 300), QPointF(0, 50) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.placement));
        TPageCanvasGeometry g;
        g.Calc(c.control, QSizeF(100, 100), c.placement, 0);
        const double side = std::min(c.control.width(), c.control.height());
        expectNear(g.OffsetFrame(), c.offset);
        EXPECT_NEAR(g.SizeFrame().width(), side, 1e-9);
        EXPECT_NEAR(g.RatioMmPerPx(), 100 / side, 1e-12);
    }
}

TEST(PageCanvasGeometry, TheDesignMarginMustLeaveTwoThirdsOfTheSmallerSide)
{
    struct Case {
        double margin;
        bool invalid;
        QRectF usable;
    } cases[] = {
        { 5, false, QRectF(QPointF(5, 5), QPointF(195, 295)) },
        { 66, false, QRectF(QPointF(66, 66), QPointF(134, 234)) },
        { 70, true, QRectF(0, 0, 200, 300) },
        { -3, true, QRectF(0, 0, 200, 300) },
        { 0, false, QRectF(0, 0, 200, 300) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.margin);
        TPageCanvasGeometry g;
        bool invalid = false;
        g.Calc(QSizeF(400, 600), QSizeF(200, 300), TPagePlacement::PageCenter, c.margin, &invalid);
        EXPECT_EQ(invalid, c.invalid);
        EXPECT_EQ(g.PageRectInMm(), c.usable);
    }
}

TEST(PageCanvasGeometry, MillimetresAndPixelsConvertBothWays)
{
    for (TPagePlacement placement : { TPagePlacement::PageLeft, TPagePlacement::PageCenter, TPagePlacement::PageRight }) {
        TPageCanvasGeometry g;
        g.Calc(QSizeF(917, 433), QSizeF(297, 210), placement, 0);
        for (QPointF mm : { QPointF(0, 0), QPointF(297, 210), QPointF(12.5, 199.75), QPointF(-4, 300) }) {
            expectNear(g.PointPxToPointMm(g.PointMmToPointPx(mm)), mm);
            EXPECT_NEAR(g.PxToMm(g.MmToPx(mm.x())), mm.x(), 1e-9);
        }
        // The page's corners are the drawn page's corners (whose size the
        // fit computes in single precision).
        expectNear(g.PointMmToPointPx(QPointF(0, 0)), g.PageRectInPx().topLeft(), 1e-4);
        expectNear(g.PointMmToPointPx(QPointF(297, 210)), g.PageRectInPx().bottomRight(), 1e-4);
    }
}

TEST(PageCanvasGeometry, AFrameRectangleInPixelsKeepsItsMatrixForLaterHitTests)
{
    TestPage page(200, 100);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(10, 20, 50, 30), 90);
    TPageCanvasGeometry g;
    g.Calc(QSizeF(400, 400), QSizeF(200, 100), TPagePlacement::PageCenter, 0); // 2 px per mm, page at y 100
    const QRectF r = g.FrameRectInPx(f);
    EXPECT_EQ(r, QRectF(20, 140, 100, 60));
    // Turned a quarter counter-clockwise about its centre (70, 170): the
    // right edge's middle goes up.
    expectNear(f->getLocMatrix().map(QPointF(120, 170)), QPointF(70, 120));
}

TEST(PageCanvasGeometry, HitTestOfTheSelectedMovableFrame)
{
    TestPage page(1000, 1000);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(100, 100, 200, 100));
    const TPageCanvasGeometry g = unitGeometry();
    struct Case {
        QPointF mm;
        Loc loc;
    } cases[] = {
        { { 100, 100 }, Loc::TopLeft },    { { 200, 100 }, Loc::Top },    { { 300, 100 }, Loc::TopRight },
        { { 100, 150 }, Loc::Left },       { { 300, 150 }, Loc::Right },  { { 100, 200 }, Loc::BottomLeft },
        { { 200, 200 }, Loc::Bottom },     { { 300, 200 }, Loc::BottomRight },
        { { 86, 86 }, Loc::TopLeft },      // the band reaches half the handle outside
        { { 150, 100 }, Loc::Border },     // on the band between two handles
        { { 90, 120 }, Loc::Border },      // outside the frame, on the band
        { { 200, 150 }, Loc::Inner },      // inside, off the band
        { { 84, 150 }, Loc::None },        // beyond the band
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(locName(c.loc));
        const TPointClickInfo hit = g.HitTest(page.frames(), { f, Loc::Border }, {}, c.mm, false);
        EXPECT_STREQ(locName(hit.loc), locName(c.loc));
        EXPECT_EQ(hit.frame, c.loc == Loc::None ? nullptr : f);
    }
}

TEST(PageCanvasGeometry, OnAFrameNarrowerThanAHandleTheLaterHandlesWin)
{
    TestPage page(1000, 1000);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(500, 500, 20, 100));
    const TPageCanvasGeometry g = unitGeometry();
    struct Case {
        double x;
        Loc loc;
    } cases[] = { { 490, Loc::TopLeft }, { 500, Loc::Top }, { 510, Loc::TopRight }, { 530, Loc::TopRight } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_STREQ(locName(g.HitTest(page.frames(), { f, Loc::Border }, {}, QPointF(c.x, 500), false).loc),
                     locName(c.loc));
    }
}

TEST(PageCanvasGeometry, AFrameAboveTheSelectionTakesThePressOneBelowCannot)
{
    TestPage page(1000, 1000);
    TCustomizedFrame* below = page.add(TTypeFrame::FrameUser, QRectF(150, 120, 100, 60));
    TCustomizedFrame* sel = page.add(TTypeFrame::FrameUser, QRectF(100, 100, 200, 100));
    TCustomizedFrame* above = page.add(TTypeFrame::FrameUser, QRectF(240, 140, 100, 100));
    const TPageCanvasGeometry g = unitGeometry();
    EXPECT_EQ(g.HitTest(page.frames(), { sel, Loc::Border }, {}, QPointF(250, 150), false),
              (TPointClickInfo { above, Loc::Border }));
    EXPECT_EQ(g.HitTest(page.frames(), { sel, Loc::Border }, {}, QPointF(200, 150), false),
              (TPointClickInfo { sel, Loc::Inner }));
    // Without a selection the topmost frame under the point is hit.
    EXPECT_EQ(g.HitTest(page.frames(), {}, {}, QPointF(200, 150), false), (TPointClickInfo { sel, Loc::Border }));
    page.CustomizedFrameList().Remove(sel);
    EXPECT_EQ(g.HitTest(page.frames(), {}, {}, QPointF(200, 150), false), (TPointClickInfo { below, Loc::Border }));
}

TEST(PageCanvasGeometry, ABackgroundChosenByTheCustomerHidesTheFramesUnderIt)
{
    struct Case {
        const char* name;
        bool withBarrier;
        bool withEditableBg;
        QPointF mm;
        int expected; // index in the page's list, -1 none
    } cases[] = {
        { "photo hit without barrier", false, false, { 50, 50 }, 2 },
        { "barrier hides the photo, the top background shows", true, false, { 50, 50 }, 1 },
        { "barrier hides the photo, an editable background comes first", true, true, { 50, 50 }, 0 },
        { "the barrier itself takes the press", true, false, { 250, 250 }, 3 },
        { "frame above the barrier still hit", true, false, { 810, 810 }, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestPage page(1000, 1000);
        page.add(c.withEditableBg ? TTypeFrame::FrameBgEditable : TTypeFrame::FrameBackground,
                 QRectF(0, 0, 1000, 1000));
        page.add(TTypeFrame::FrameBackground, QRectF(0, 0, 1000, 1000));
        page.add(TTypeFrame::FrameUser, QRectF(0, 0, 100, 100));
        page.add(c.withBarrier ? TTypeFrame::FrameBgUser : TTypeFrame::FrameUser, QRectF(200, 200, 100, 100));
        page.add(TTypeFrame::FrameUser, QRectF(800, 800, 50, 50));
        const std::vector<TCustomizedFrame*> frames = page.frames();
        const TPointClickInfo hit = unitGeometry().HitTest(frames, {}, {}, c.mm, false);
        EXPECT_EQ(hit.frame, c.expected < 0 ? nullptr : frames[size_t(c.expected)]);
        EXPECT_STREQ(locName(hit.loc), locName(Loc::Border));
    }
}

TEST(PageCanvasGeometry, WhileDraggingOnlyDroppableFramesCountAndTheSelectionPlaysNoPart)
{
    TestPage page(1000, 1000);
    TCustomizedFrame* photo = page.add(TTypeFrame::FrameUser, QRectF(100, 100, 200, 100));
    TCustomizedFrame* text = page.add(TTypeFrame::FrameUser, QRectF(150, 120, 100, 40));
    text->SetTextBloc(std::make_unique<TTextBloc>());
    const TPageCanvasGeometry g = unitGeometry();
    // The text frame takes a press but no drop.
    EXPECT_EQ(g.HitTest(page.frames(), {}, {}, QPointF(200, 140), false), (TPointClickInfo { text, Loc::Border }));
    EXPECT_EQ(g.HitTest(page.frames(), {}, {}, QPointF(200, 140), true), (TPointClickInfo { photo, Loc::Border }));
    // The selected photo's corner handle is no handle for a drag.
    EXPECT_EQ(g.HitTest(page.frames(), { photo, Loc::Border }, {}, QPointF(100, 100), true),
              (TPointClickInfo { photo, Loc::Border }));
    EXPECT_EQ(g.HitTest(page.frames(), { photo, Loc::Border }, {}, QPointF(90, 90), true), TPointClickInfo {});
}

TEST(PageCanvasGeometry, ARotatedFrameIsHitWhereItIsDrawn)
{
    TestPage page(1000, 1000);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(100, 100, 200, 50), 90);
    const TPageCanvasGeometry g = unitGeometry();
    // Turned about (200, 125): it covers x 175..225, y 25..225.
    EXPECT_EQ(g.HitTest(page.frames(), {}, {}, QPointF(200, 40), false).frame, f);
    EXPECT_EQ(g.HitTest(page.frames(), {}, {}, QPointF(120, 110), false).frame, nullptr);
    // The selected frame's handles turn with it: its top-left handle lies at
    // the unrotated corner (100, 100) turned about the centre.
    const QPointF corner = TPageRenderTools::FrameMatrix(90, f->RectInMm()).map(QPointF(100, 100));
    EXPECT_STREQ(locName(g.HitTest(page.frames(), { f, Loc::Border }, {}, corner, false).loc), "TopLeft");
}

TEST(PageCanvasGeometry, PictosShownFollowTheFrameAndTheMode)
{
    using C = TPageCanvasGeometry::TPictoChoice;
    struct Case {
        const char* name;
        C choice;
        std::vector<TPicto> shown;
    } cases[] = {
        { "movable photo, kiosk", { false, true, true, false, true, true, true },
          { TPicto::Rotate, TPicto::Foreground, TPicto::PopupEdit, TPicto::FrameSwap, TPicto::Delete } },
        { "swap mode shows nothing", { true, true, true, false, true, true, true }, {} },
        { "fixed photo without valid picture", { false, false, true, false, false, false, false }, {} },
        { "movable text, mobile", { false, true, true, true, false, false, true },
          { TPicto::Rotate, TPicto::Foreground, TPicto::PopupEdit, TPicto::Delete } },
        { "fixed photo, mobile", { false, false, true, true, true, true, false }, { TPicto::FrameSwap } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TPageCanvasGeometry::PictosShown(c.choice), c.shown);
    }
}

TEST(PageCanvasGeometry, ThePictoColumnStaysInsideTheControl)
{
    const std::vector<TPicto> all = { TPicto::Rotate, TPicto::Foreground, TPicto::PopupEdit, TPicto::FrameSwap,
                                      TPicto::Delete };
    const QRectF control(0, 0, 1000, 1000);
    struct Case {
        const char* name;
        QRectF frame;
        QPointF top;
    } cases[] = {
        { "room on the right: outside, starting above", QRectF(100, 100, 200, 100), QPointF(317, 40) },
        { "no room right: inside under the top band", QRectF(900, 100, 100, 100), QPointF(943, 117) },
        { "no room right nor below: inside up from the bottom", QRectF(900, 900, 100, 100), QPointF(943, 807) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TPictoRects r = TPageCanvasGeometry::PictoLayout(all, c.frame, QTransform(), 30, control);
        EXPECT_EQ(r[TPicto::Rotate], QRectF(c.top, QSizeF(40, 40)));
        EXPECT_EQ(r[TPicto::Foreground], QRectF(c.top + QPointF(0, 42), QSizeF(40, 40)));
        EXPECT_EQ(r[TPicto::PopupEdit], QRectF(c.top + QPointF(3, 87), QSizeF(34, 34)));
        EXPECT_EQ(r[TPicto::Delete], QRectF(c.top + QPointF(0, 168), QSizeF(40, 40)));
    }
    // Without rotate and bring-to-front the column starts level with the band.
    const TPictoRects r = TPageCanvasGeometry::PictoLayout({ TPicto::Delete }, QRectF(100, 100, 200, 100),
                                                           QTransform(), 7.5, control);
    EXPECT_EQ(r[TPicto::Delete], QRectF(QPointF(305.75, 96.25 - 40 + 3.75), QSizeF(40, 40)));
    EXPECT_TRUE(r[TPicto::Rotate].isEmpty());
}

TEST(PageCanvasGeometry, APictoIsHitExactlyWhereItWasDrawn)
{
    TestPage page(1000, 1000);
    TCustomizedFrame* f = page.add(TTypeFrame::FrameUser, QRectF(100, 100, 200, 100));
    const TPageCanvasGeometry g = unitGeometry();
    const std::vector<TPicto> all = { TPicto::Rotate, TPicto::Foreground, TPicto::PopupEdit, TPicto::FrameSwap,
                                      TPicto::Delete };
    const TPictoRects pictos = TPageCanvasGeometry::PictoLayout(all, g.FrameRectInPx(f), f->getLocMatrix(), 30,
                                                                QRectF(0, 0, 1000, 1000));
    struct Case {
        TPicto picto;
        Loc loc;
    } cases[] = { { TPicto::Rotate, Loc::Rotate },
                  { TPicto::Foreground, Loc::Foreground },
                  { TPicto::PopupEdit, Loc::PopupEdit },
                  { TPicto::FrameSwap, Loc::FrameSwap },
                  { TPicto::Delete, Loc::Delete } };
    for (const Case& c : cases) {
        SCOPED_TRACE(locName(c.loc));
        const QPointF centre = g.PointPxToPointMm(pictos[c.picto].center());
        EXPECT_EQ(g.HitTest(page.frames(), { f, Loc::Border }, pictos, centre, false), (TPointClickInfo { f, c.loc }));
    }
    // The edit button's disc edge (inside its cell, outside the inset area)
    // is no edit press.
    const QRectF editCell = pictos[TPicto::PopupEdit].adjusted(-3, -3, 3, 3);
    const QPointF edge = g.PointPxToPointMm(QPointF(editCell.left() + 1.5, editCell.center().y()));
    EXPECT_NE(g.HitTest(page.frames(), { f, Loc::Border }, pictos, edge, false).loc, Loc::PopupEdit);
}
