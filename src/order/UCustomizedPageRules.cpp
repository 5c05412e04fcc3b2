#include "UCustomizedPageRules.h"

#include <algorithm>

std::vector<TPageLayoutEntry> TCustomizedPageRules::TemplatePageLayout(const std::vector<TTemplateSlot>& tplSlots,
                                                                       int pageNum, bool hasFrameInfo,
                                                                       bool monthCalendar, bool hasCalendarImage)
{
    std::vector<TPageLayoutEntry> result;
    std::vector<int> under, over;
    if (hasFrameInfo)
        FramesInfoSlots(tplSlots, pageNum, monthCalendar, under, over);
    for (int i : under)
        result.push_back({ TTypeFrame::FrameFixedUnderBg, i });
    result.push_back({ TTypeFrame::FrameBackground, -1 });
    if (monthCalendar && hasCalendarImage && pageNum > 1)
        result.push_back({ TTypeFrame::FrameCalendarGrid, -1 });
    for (int i : over)
        result.push_back({ TTypeFrame::FrameFixed, i });
    return result;
}

void TCustomizedPageRules::FramesInfoSlots(const std::vector<TTemplateSlot>& tplSlots, int pageNum, bool monthCalendar,
                                           std::vector<int>& under, std::vector<int>& over)
{
    under.clear();
    over.clear();
    for (int i = 0; i < int(tplSlots.size()); ++i) {
        const TTemplateSlot& s = tplSlots[size_t(i)];
        if (monthCalendar)
            under.push_back(i); // every slot of a monthly calendar lies under its page picture
        else if (s.background && s.pageNum == pageNum)
            under.push_back(i);
        else if (!s.background && s.pageNum == pageNum)
            over.push_back(i);
    }
}

bool TCustomizedPageRules::InteriorIsCustomizable(const TAlbumTraits& a, int pageNum)
{
    return a.rectoVerso || pageNum % 2 != 0;
}

bool TCustomizedPageRules::InteriorIsMoveable(const TAlbumTraits& a, int pageNum)
{
    if (a.photoOnFirstPage && pageNum == 3)
        return false;
    return InteriorIsCustomizable(a, pageNum);
}

int TCustomizedPageRules::InteriorPageNumForLab(const TAlbumTraits& a, int pageNum)
{
    if (a.rectoVerso)
        return pageNum - 2;
    return pageNum % 2 != 0 ? pageNum / 2 : PageNumNotPrinted;
}

bool TCustomizedPageRules::InteriorIsFrameTemplatable(const TAlbumTraits& a, int pageNum)
{
    if (a.photoOnFirstPage && pageNum == 3)
        return false;
    return InteriorIsCustomizable(a, pageNum);
}

bool TCustomizedPageRules::CoverIsCustomizable(const TAlbumTraits& a, int pageNum, int lastPageNum)
{
    if (!a.coverPrinted)
        return false;
    return (pageNum == 1 && a.coverFrontCustomizable) || (pageNum == lastPageNum && a.coverBackCustomizable);
}

int TCustomizedPageRules::CoverPageNumForLab(const TAlbumTraits& a, int pageNum)
{
    if (!a.coverPrinted)
        return PageNumNotPrinted;
    return pageNum == 1 ? PageNumCoverFront : PageNumCoverBack;
}

bool TCustomizedPageRules::CoverIsFrameTemplatable(const TAlbumTraits& a, int pageNum, int lastPageNum)
{
    return (pageNum == 1 && a.coverFrontCustomizable) || (pageNum == lastPageNum && a.coverBackCustomizable);
}

QRectF TCustomizedPageRules::FirstPagePhotoFrameMm(int pageWidth, int pageHeight, int x, int y, int width,
                                                   int height)
{
    // Each margin is limited by the room between the window and the page
    // edge on its side, so the frame never reaches beyond the page.
    auto margin = [](float room) { return std::clamp(room, 0.0f, FirstPagePhotoMarginMm); };
    const float left = margin(float(x));
    const float top = margin(float(y));
    const float right = margin(float(pageWidth - (x + width)));
    const float bottom = margin(float(pageHeight - (y + height)));
    return QRectF(float(x) - left, float(y) - top, float(width) + left + right, float(height) + top + bottom);
}
