#pragma once
// Rules of designed pages that follow from the catalogue alone: which frames
// a template page is built with and in what order, how photo-book pages and
// covers are numbered for the lab and which of them the customer may change,
// and the first-page photo frame of a photo book.
//
// The page classes build their frames and answer their tests through these
// rules.
#include "UCustomizedFrameRules.h"

#include <QRectF>
#include <vector>

// A photo slot of a lab template as the layout needs it.
struct TTemplateSlot {
    int pageNum = 0;
    bool background = false; // lies under the background picture
};

// One frame of a new template page: its kind and the template slot it is
// made from (-1 for the background and the calendar grid).
struct TPageLayoutEntry {
    TTypeFrame kind;
    int slot;
    friend bool operator==(const TPageLayoutEntry&, const TPageLayoutEntry&) = default;
};

// What the rules need to know of a photographer album.
struct TAlbumTraits {
    bool rectoVerso = false;                 // printed on both sides
    bool coverPrinted = false;               // CouvertureImprimee
    bool coverFrontCustomizable = false;     // CouvertureFrontCustomizable
    bool coverBackCustomizable = false;      // CouvertureBackCustomizable
    bool photoOnFirstPage = false;           // PhotoEn1erePage
};

class TCustomizedPageRules {
public:
    TCustomizedPageRules() = delete;

    // Lab numbers of pages that are not printed, of the front and of the back
    // cover.
    static constexpr int PageNumNotPrinted = -1;
    static constexpr int PageNumCoverFront = 0;
    static constexpr int PageNumCoverBack = 9999;
    // Largest margin around a photo book's first-page photo window, in mm.
    static constexpr float FirstPagePhotoMarginMm = 7;

    // The frames of a new template page, bottom first: with frame
    // information, the tplSlots under the background (for a monthly calendar
    // every slot), the background, the calendar grid (monthly calendar with a
    // calendar picture, from page 2), then (not for a monthly calendar) the
    // tplSlots of this page over the background.
    static std::vector<TPageLayoutEntry> TemplatePageLayout(const std::vector<TTemplateSlot>& tplSlots, int pageNum,
                                                            bool hasFrameInfo, bool monthCalendar,
                                                            bool hasCalendarImage);
    // Frames added around the existing ones when the frame information of a
    // page built without it arrives: the tplSlots under the background go
    // before, the tplSlots over it after.
    static void FramesInfoSlots(const std::vector<TTemplateSlot>& tplSlots, int pageNum, bool monthCalendar,
                                std::vector<int>& under, std::vector<int>& over);

    // Photo-book interior pages.
    static bool InteriorIsCustomizable(const TAlbumTraits& a, int pageNum);
    static bool InteriorIsMoveable(const TAlbumTraits& a, int pageNum);
    static int InteriorPageNumForLab(const TAlbumTraits& a, int pageNum);
    static bool InteriorIsFrameTemplatable(const TAlbumTraits& a, int pageNum);

    // Photo-book covers: page 1 is the front, lastPageNum the back.
    static bool CoverIsCustomizable(const TAlbumTraits& a, int pageNum, int lastPageNum);
    static int CoverPageNumForLab(const TAlbumTraits& a, int pageNum);
    static bool CoverIsFrameTemplatable(const TAlbumTraits& a, int pageNum, int lastPageNum);

    // The frame over a photo book's first-page photo window on page 3: the
    // window (x, y, width, height in whole mm) enlarged by at most 7 mm on
    // each side, within the page.
    static QRectF FirstPagePhotoFrameMm(int pageWidth, int pageHeight, int x, int y, int width, int height);
};
