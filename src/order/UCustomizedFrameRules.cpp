#include "UCustomizedFrameRules.h"

KIOSK_ENUM_DEFINE(TTypeFrame, QStringLiteral("TTypeFrame"), QString(), "FrameBackground", "FrameFixedUnderBg",
                  "FrameFixed", "FrameUser", "FrameCalendarGrid", "FrameBgEditable", "FrameBgUser", "FrameFromModel")

namespace {

bool isOneOf(TTypeFrame k, std::initializer_list<TTypeFrame> kinds)
{
    for (TTypeFrame x : kinds)
        if (k == x)
            return true;
    return false;
}

} // namespace

using K = TTypeFrame;

bool TCustomizedFrameRules::isFrameBackground(const TFrameTraits& f)
{
    return f.kind == K::FrameBackground;
}

bool TCustomizedFrameRules::isCalendarGrid(const TFrameTraits& f)
{
    return f.kind == K::FrameCalendarGrid;
}

bool TCustomizedFrameRules::isClickable(const TFrameTraits& f)
{
    return !isOneOf(f.kind, { K::FrameBackground, K::FrameCalendarGrid, K::FrameBgEditable });
}

bool TCustomizedFrameRules::isToSendToLumlab(const TFrameTraits& f)
{
    return !isOneOf(f.kind, { K::FrameCalendarGrid, K::FrameBackground });
}

bool TCustomizedFrameRules::isMoveableAndResizable(const TFrameTraits& f)
{
    return !isOneOf(f.kind, { K::FrameBackground, K::FrameFixed, K::FrameFixedUnderBg, K::FrameCalendarGrid,
                              K::FrameBgEditable, K::FrameBgUser });
}

bool TCustomizedFrameRules::isPopupEditable(const TFrameTraits& f)
{
    return f.isText ? f.mobileDesign : isImageCustomizable(f);
}

bool TCustomizedFrameRules::isBorderEditable(const TFrameTraits& f)
{
    return isOneOf(f.kind, { K::FrameUser, K::FrameFromModel });
}

bool TCustomizedFrameRules::isDeletable(const TFrameTraits& f)
{
    return !isOneOf(f.kind, { K::FrameBackground, K::FrameCalendarGrid, K::FrameFixed, K::FrameFixedUnderBg });
}

bool TCustomizedFrameRules::isImageCustomizable(const TFrameTraits& f)
{
    return !isOneOf(f.kind, { K::FrameBackground, K::FrameCalendarGrid }) && !f.isText;
}

bool TCustomizedFrameRules::isImageCustomizableForAutoFill(const TFrameTraits& f)
{
    return isImageCustomizable(f) && !f.imageIsScrap && f.kind != K::FrameBgUser;
}

bool TCustomizedFrameRules::isImageMoveable(const TFrameTraits& f)
{
    return isImageCustomizable(f) && f.imageValid;
}

bool TCustomizedFrameRules::IsFrameCustomizable(const TFrameTraits& f)
{
    return !isOneOf(f.kind, { K::FrameBackground, K::FrameCalendarGrid, K::FrameFixed, K::FrameFixedUnderBg });
}

bool TCustomizedFrameRules::isDroppable(const TFrameTraits& f)
{
    return !f.isText && !isOneOf(f.kind, { K::FrameBackground, K::FrameCalendarGrid, K::FrameBgUser });
}

TCustomizedFrameRules::TBands TCustomizedFrameRules::BorderBandsMm(double thickness, int bandLeft, int bandTop,
                                                                  int bandRight, int bandBottom, int dpiX, int dpiY,
                                                                  float pictureDpiX, float pictureDpiY)
{
    if (thickness <= 0)
        return {};
    const float resX = dpiX != 0 ? float(dpiX) : pictureDpiX;
    const float resY = dpiY != 0 ? float(dpiY) : pictureDpiY;
    if (resX <= 0 || resY <= 0)
        return {}; // no resolution to measure the bands with
    const float scale = float(thickness / 100.0);
    const float mmX = 25.4f / resX;
    const float mmY = 25.4f / resY;
    return { double(float(bandLeft) * mmX * scale), double(float(bandTop) * mmY * scale),
             double(float(bandRight) * mmX * scale), double(float(bandBottom) * mmY * scale) };
}
