#pragma once
// The kinds of frames on a designed page and the rules that follow from a
// frame's kind and content: what the page editor may do with it, whether it
// goes to the lab, and the size of a clip-art border around it.
//
// TCustomizedFrame answers its capability tests through these rules, so the
// rules are the same for every frame whatever its picture class.
#include "URttiCache.h"

#include <QRectF>

// Stored in the order by its identifier; ordinals fixed.
enum class TTypeFrame : int {
    FrameBackground = 0,   // the page's background picture, paper or page size, at (0, 0)
    FrameFixedUnderBg = 1, // photo slot of a lab template under the background picture
    FrameFixed = 2,        // photo slot over the background, or a photo book's first-page window
    FrameUser = 3,         // added by the customer (photo, clip-art or text)
    FrameCalendarGrid = 4, // the printed grid of a monthly calendar page
    FrameBgEditable = 5,   // background that the customer may replace
    FrameBgUser = 6,       // background picture chosen by the customer
    FrameFromModel = 7,    // placed from a page model
};
KIOSK_ENUM_DECLARE(TTypeFrame)

// What the rules need to know of a frame.
struct TFrameTraits {
    TTypeFrame kind = TTypeFrame::FrameUser;
    bool isText = false;        // the frame has a text block
    bool imageIsScrap = false;  // its picture is a clip-art picture
    bool imageValid = false;    // the frame's picture loads normally
    bool mobileDesign = false;  // the main frame's design variant is zebd_mobile
};

class TCustomizedFrameRules {
public:
    TCustomizedFrameRules() = delete;

    static bool isFrameBackground(const TFrameTraits& f);
    static bool isCalendarGrid(const TFrameTraits& f);
    static bool isText(const TFrameTraits& f) { return f.isText; }
    static bool isClickable(const TFrameTraits& f);
    static bool isMagnetVisible(const TFrameTraits& f) { return isClickable(f); }
    static bool isToSendToLumlab(const TFrameTraits& f);
    static bool isMoveableAndResizable(const TFrameTraits& f);
    static bool isPopupEditable(const TFrameTraits& f);
    static bool isBorderEditable(const TFrameTraits& f);
    static bool isDeletable(const TFrameTraits& f);
    static bool isImageCustomizable(const TFrameTraits& f);
    static bool isImageCustomizableForAutoFill(const TFrameTraits& f);
    static bool isImageMoveable(const TFrameTraits& f);
    static bool IsFrameCustomizable(const TFrameTraits& f);
    static bool isDroppable(const TFrameTraits& f);
    // A border with a clip-art frame and a thickness above 0.
    static bool HasClipartFrame(bool hasClipart, double thickness) { return hasClipart && thickness > 0; }

    // Widths of a clip-art border's bands around the frame, in millimetres,
    // as (left, top, right, bottom) in a rectangle's corners: the clip-art
    // bands in its own pixels at its resolution (dpiX/dpiY; 0 takes the
    // picture's own resolution), scaled by thickness / 100. A thickness of 0
    // or less gives the empty rectangle.
    struct TBands {
        double left = 0, top = 0, right = 0, bottom = 0;
        friend bool operator==(const TBands&, const TBands&) = default;
    };
    static TBands BorderBandsMm(double thickness, int bandLeft, int bandTop, int bandRight, int bandBottom,
                                int dpiX, int dpiY, float pictureDpiX, float pictureDpiY);
};
