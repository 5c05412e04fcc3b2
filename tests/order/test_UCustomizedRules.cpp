#include "UCustomizedFrameRules.h"
#include "UCustomizedPageRules.h"

#include <gtest/gtest.h>

using K = TTypeFrame;
using R = TCustomizedFrameRules;
using P = TCustomizedPageRules;

// ---------------------------------------------------------------------------
// Frame capabilities: one row per kind of frame and content.

TEST(FrameCapabilities, Table)
{
    // Columns: clickable, toLab, moveResize, borderEditable, deletable,
    // imageCustomizable, frameCustomizable, droppable, popupEditable
    // (kiosk design), imageMoveable, autoFill.
    struct Case {
        const char* name;
        TFrameTraits f;
        bool clickable, toLab, moveResize, borderEditable, deletable, imageCustomizable, frameCustomizable,
            droppable, popupEditable, imageMoveable, autoFill;
    };
    const Case cases[] = {
        { "background", { K::FrameBackground, false, false, true }, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
        { "slot under the background", { K::FrameFixedUnderBg, false, false, true }, 1, 1, 0, 0, 0, 1, 0, 1, 1, 1, 1 },
        { "template slot", { K::FrameFixed, false, false, true }, 1, 1, 0, 0, 0, 1, 0, 1, 1, 1, 1 },
        { "customer photo frame", { K::FrameUser, false, false, true }, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 },
        { "customer frame, placeholder picture", { K::FrameUser, false, false, false }, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1 },
        { "customer clip-art frame", { K::FrameUser, false, true, true }, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 },
        { "customer text frame", { K::FrameUser, true, false, false }, 1, 1, 1, 1, 1, 0, 1, 0, 0, 0, 0 },
        { "calendar grid", { K::FrameCalendarGrid, false, false, true }, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
        { "editable background", { K::FrameBgEditable, false, false, true }, 0, 1, 0, 0, 1, 1, 1, 1, 1, 1, 1 },
        { "customer background", { K::FrameBgUser, false, false, true }, 1, 1, 0, 0, 1, 1, 1, 0, 1, 1, 0 },
        { "frame from a page model", { K::FrameFromModel, false, false, true }, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 },
        { "text frame from a page model", { K::FrameFromModel, true, false, true }, 1, 1, 1, 1, 1, 0, 1, 0, 0, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(R::isClickable(c.f), c.clickable);
        EXPECT_EQ(R::isMagnetVisible(c.f), c.clickable);
        EXPECT_EQ(R::isToSendToLumlab(c.f), c.toLab);
        EXPECT_EQ(R::isMoveableAndResizable(c.f), c.moveResize);
        EXPECT_EQ(R::isBorderEditable(c.f), c.borderEditable);
        EXPECT_EQ(R::isDeletable(c.f), c.deletable);
        EXPECT_EQ(R::isImageCustomizable(c.f), c.imageCustomizable);
        EXPECT_EQ(R::IsFrameCustomizable(c.f), c.frameCustomizable);
        EXPECT_EQ(R::isDroppable(c.f), c.droppable);
        EXPECT_EQ(R::isPopupEditable(c.f), c.popupEditable);
        EXPECT_EQ(R::isImageMoveable(c.f), c.imageMoveable);
        EXPECT_EQ(R::isImageCustomizableForAutoFill(c.f), c.autoFill);
        EXPECT_EQ(R::isFrameBackground(c.f), c.f.kind == K::FrameBackground);
        EXPECT_EQ(R::isCalendarGrid(c.f), c.f.kind == K::FrameCalendarGrid);
    }
}

TEST(FrameCapabilities, TextFramesArePopupEditableOnlyInTheMobileDesign)
{
    TFrameTraits text { K::FrameUser, true, false, false, false };
    EXPECT_FALSE(R::isPopupEditable(text));
    text.mobileDesign = true;
    EXPECT_TRUE(R::isPopupEditable(text));
    EXPECT_FALSE(R::isDroppable(text));
    EXPECT_FALSE(R::isImageCustomizable(text));
}

TEST(FrameCapabilities, ClipartBorderNeedsAThickness)
{
    EXPECT_TRUE(R::HasClipartFrame(true, 100));
    EXPECT_FALSE(R::HasClipartFrame(true, 0));
    EXPECT_FALSE(R::HasClipartFrame(false, 100));
}

TEST(FrameBorder, BandsInMillimetres)
{
    struct Case {
        const char* name;
        double thickness;
        int L, T, Rt, B, dpiX, dpiY;
        float picDpiX, picDpiY;
        R::TBands expected;
    };
    const Case cases[] = {
        { "300 dpi, left band 60, thickness 50: 2.54 mm", 50, 60, 0, 0, 0, 300, 300, 72, 72,
          { double(60 * (25.4f / 300) * 0.5f), 0, 0, 0 } },
        { "resolution 0 takes the picture's own", 100, 72, 36, 0, 144, 0, 0, 72, 144,
          { double(72 * (25.4f / 72)), double(36 * (25.4f / 144)), 0, double(144 * (25.4f / 144)) } },
        { "thickness 0: no border", 0, 60, 60, 60, 60, 300, 300, 72, 72, {} },
        { "negative thickness: no border", -5, 60, 60, 60, 60, 300, 300, 72, 72, {} },
        { "no resolution at all: no border", 100, 60, 60, 60, 60, 0, 0, 0, 0, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const R::TBands b = R::BorderBandsMm(c.thickness, c.L, c.T, c.Rt, c.B, c.dpiX, c.dpiY, c.picDpiX, c.picDpiY);
        EXPECT_NEAR(b.left, c.expected.left, 1e-6);
        EXPECT_NEAR(b.top, c.expected.top, 1e-6);
        EXPECT_NEAR(b.right, c.expected.right, 1e-6);
        EXPECT_NEAR(b.bottom, c.expected.bottom, 1e-6);
    }
    EXPECT_NEAR(R::BorderBandsMm(50, 60, 0, 0, 0, 300, 300, 72, 72).left, 2.54, 1e-5);
}

// ---------------------------------------------------------------------------
// Page construction

TEST(PageConstruction, TemplatePageFrames)
{
    using E = TPageLayoutEntry;
    // A card: page 1 holds slots 0 (under the background), 1 and 2; slot 3
    // belongs to page 2.
    const std::vector<TTemplateSlot> card = { { 1, true }, { 1, false }, { 1, false }, { 2, false } };
    // A monthly calendar: one photo slot per page, one marked background.
    const std::vector<TTemplateSlot> calendar = { { 1, false }, { 2, true } };
    struct Case {
        const char* name;
        const std::vector<TTemplateSlot>* tplSlots;
        int page;
        bool info, monthCal, calImage;
        std::vector<E> expected;
    };
    const Case cases[] = {
        { "card page: slot under, background, then the two slots over, in template order", &card, 1, true, false,
          false,
          { { K::FrameFixedUnderBg, 0 }, { K::FrameBackground, -1 }, { K::FrameFixed, 1 }, { K::FrameFixed, 2 } } },
        { "card page 2: only its own slot", &card, 2, true, false, false,
          { { K::FrameBackground, -1 }, { K::FrameFixed, 3 } } },
        { "without frame information: the background alone", &card, 1, false, false, false,
          { { K::FrameBackground, -1 } } },
        { "calendar page 1: every slot under the background, no grid", &calendar, 1, true, true, true,
          { { K::FrameFixedUnderBg, 0 }, { K::FrameFixedUnderBg, 1 }, { K::FrameBackground, -1 } } },
        { "calendar page 2 with a calendar picture: grid after the background, nothing over it", &calendar, 2,
          true, true, true,
          { { K::FrameFixedUnderBg, 0 }, { K::FrameFixedUnderBg, 1 }, { K::FrameBackground, -1 },
            { K::FrameCalendarGrid, -1 } } },
        { "calendar page 2 without a calendar picture: no grid", &calendar, 2, true, true, false,
          { { K::FrameFixedUnderBg, 0 }, { K::FrameFixedUnderBg, 1 }, { K::FrameBackground, -1 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(P::TemplatePageLayout(*c.tplSlots, c.page, c.info, c.monthCal, c.calImage), c.expected);
    }
}

TEST(PageConstruction, PhotoBookNumbering)
{
    const TAlbumTraits oneSided {};
    const TAlbumTraits twoSided { true };
    struct Case {
        const char* name;
        TAlbumTraits album;
        int page;
        bool customizable;
        int labNum;
    };
    const Case cases[] = {
        { "one side only: page 3 printed as 1", oneSided, 3, true, 1 },
        { "one side only: page 4 is a blank back", oneSided, 4, false, -1 },
        { "one side only: page 5 printed as 2", oneSided, 5, true, 2 },
        { "both sides: page 4 printed as 2", twoSided, 4, true, 2 },
        { "both sides: page 5 printed as 3", twoSided, 5, true, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(P::InteriorIsCustomizable(c.album, c.page), c.customizable);
        EXPECT_EQ(P::InteriorPageNumForLab(c.album, c.page), c.labNum);
        EXPECT_EQ(P::InteriorIsMoveable(c.album, c.page), c.customizable);
        EXPECT_EQ(P::InteriorIsFrameTemplatable(c.album, c.page), c.customizable);
    }
    TAlbumTraits withPhoto { true };
    withPhoto.photoOnFirstPage = true;
    EXPECT_TRUE(P::InteriorIsCustomizable(withPhoto, 3));
    EXPECT_FALSE(P::InteriorIsMoveable(withPhoto, 3));
    EXPECT_FALSE(P::InteriorIsFrameTemplatable(withPhoto, 3));
    EXPECT_TRUE(P::InteriorIsMoveable(withPhoto, 5));
}

TEST(PageConstruction, Covers)
{
    struct Case {
        const char* name;
        TAlbumTraits album;
        int page, last;
        bool customizable, templatable;
        int labNum;
    };
    TAlbumTraits printedFront;
    printedFront.coverPrinted = true;
    printedFront.coverFrontCustomizable = true;
    TAlbumTraits printedBoth = printedFront;
    printedBoth.coverBackCustomizable = true;
    TAlbumTraits notPrinted;
    notPrinted.coverFrontCustomizable = true;
    const Case cases[] = {
        { "printed front cover", printedFront, 1, 24, true, true, 0 },
        { "printed back cover, not customizable", printedFront, 24, 24, false, false, 9999 },
        { "printed back cover, customizable", printedBoth, 24, 24, true, true, 9999 },
        { "cover not printed", notPrinted, 1, 24, false, true, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(P::CoverIsCustomizable(c.album, c.page, c.last), c.customizable);
        EXPECT_EQ(P::CoverIsFrameTemplatable(c.album, c.page, c.last), c.templatable);
        EXPECT_EQ(P::CoverPageNumForLab(c.album, c.page), c.labNum);
    }
}

TEST(PageConstruction, FirstPagePhotoFrame)
{
    struct Case {
        const char* name;
        int pageW, pageH, x, y, w, h;
        QRectF expected;
    };
    const Case cases[] = {
        { "margins 5, 7, 7, 7", 200, 200, 5, 10, 100, 80, QRectF(0, 3, 112, 94) },
        { "window at the page's corner: no margin there", 200, 200, 0, 0, 100, 80, QRectF(0, 0, 107, 87) },
        { "window near the right and bottom edges stays within the page", 200, 200, 150, 170, 47, 28,
          QRectF(143, 163, 57, 37) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QRectF f = P::FirstPagePhotoFrameMm(c.pageW, c.pageH, c.x, c.y, c.w, c.h);
        EXPECT_EQ(f, c.expected);
        EXPECT_LE(f.right(), c.pageW);
        EXPECT_LE(f.bottom(), c.pageH);
    }
}
