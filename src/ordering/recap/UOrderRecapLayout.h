#pragma once
// The recap's view modes and the arithmetic of its layout: the sub-steps
// of a narrow window and the walk through them, the scale of the top area
// and the arrangement of the bottom bar.
#include <QDate>
#include <QString>

enum TCtrlOrderRecapSubStep : int {
    corss_full = 0,
    corss_orderInfo = 1,
    corss_orderDelivery = 2,
    corss_orderRecap = 3,
};

class TOrderRecapLayout {
public:
    TOrderRecapLayout() = delete;

    // The recap is a wizard of sub-steps in a window at most this wide.
    static constexpr int CompactWidth = 800;

    // The view mode for a window: full when not compact; when compact the
    // current sub-step, or the first one from the full view (the summary
    // for a kiosk order of direct prints only, which has nothing to fill).
    static TCtrlOrderRecapSubStep viewFor(bool compact, TCtrlOrderRecapSubStep current, bool kioskOnlyDirect);
    // Next and Previous inside the wizard; the same sub-step when the main
    // window's navigation takes over.
    static TCtrlOrderRecapSubStep nextOf(TCtrlOrderRecapSubStep s);
    static TCtrlOrderRecapSubStep previousOf(TCtrlOrderRecapSubStep s);
    // Title of the view, untranslated.
    static const char* titleOf(TCtrlOrderRecapSubStep s);

    // Scale of the top area: 1 at its reference size or above (1150 x 700
    // in the full view, 400 x 400 in a sub-step), else the smaller ratio.
    static float topScale(TCtrlOrderRecapSubStep s, float W, float H);

    // The bottom bar: one row when room allows, else two columns.
    struct TButtonsLayout {
        float scale = 1;
        bool oneRow = true;
        float barHeight = 55;
        float buttonWidth = 200;
        // One row: the terms block's left margin and the right block's width.
        float termsLeftMargin = 5;
        float rightBlockWidth = 205;
        // Two columns: width of each block.
        float columnWidth = 0;
    };
    static TButtonsLayout buttons(float W, bool termsVisible, bool saveVisible);

    // The withdrawal date a customer may ask: never before today.
    static QDate withdrawalDate(const QDate& asked, const QDate& today);
};
