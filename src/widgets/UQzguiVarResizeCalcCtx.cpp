#include "UQzguiVarResizeCalcCtx.h"

#include "UDebug.h"

#include <algorithm>
#include <cmath>

void VarCalcViewItemSize(const TQzguiVarItemSizeInput& in, QSizeF& itemSize, QSizeF& spaces)
{
    itemSize = in.itemSizeDefault;
    spaces = in.spacesDefault;
    if (!in.horizontal) {
        spaces = QSizeF(std::min(spaces.width(), in.rect.width() / 40), std::min(spaces.height(), in.rect.height() / 40));
        const double s = spaces.width();
        const double room = in.rect.width() + s - in.lineIndentWidth - 2.0;
        const double n = room / (in.itemSizeDefault.width() + s);
        const int whole = int(std::trunc(n));
        const int minItems = std::max(1, in.minItemsPerLine);
        double width = itemSize.width();
        bool changed = false;
        if (whole < minItems) {
            width = room / minItems - s;
            changed = true;
        } else if (int(std::trunc(n + 0.6)) != whole) {
            // 40 % or more of a column is left: the columns are widened to
            // fill the line, one more column when 60 % or more is left.
            const int columns = whole + (int(std::trunc(n + 0.4)) > whole ? 1 : 0);
            width = room / columns - s;
            changed = true;
        }
        if (changed)
            itemSize = QSizeF(width, in.itemSizeDefault.height() * width / in.itemSizeDefault.width());
    }
    itemSize *= in.factor / 100.0;
}

TQzguiVarResizeCalcCtx::TQzguiVarResizeCalcCtx(IQzguiVarLayoutHost& host)
    : fHost(host)
    , fRoot(host.layoutRoot())
{
    const float factor = fHost.GetThumbnailsFactor();
    fViewRect = fHost.contentRect();
    fHost.calcViewItemSize(fViewRect, factor, fItemSizeMax, fSpaces);
    fLastYpos = float(fViewRect.top() - fSpaces.height());
    fLastXpos = float(fViewRect.left());
    fbScrollHorz = fHost.parentScrollBoxHorz();
    fCurLineRect = fbScrollHorz ? QRectF(fViewRect.left(), 0, 0, 0) : QRectF();
    if (fbScrollHorz) {
        fItemSizeMax.setHeight(fViewRect.height());
        fHost.setResizeWidth(float(fViewRect.height()));
    } else {
        fHost.setResizeWidth(float(fViewRect.width()));
    }
    fZebd = fHost.layoutZebd();
}

TQzguiVarResizeCalcCtx::~TQzguiVarResizeCalcCtx() = default;

bool TQzguiVarResizeCalcCtx::IsFirstLine() const
{
    return fViewRect.top() >= fLastYpos;
}

float TQzguiVarResizeCalcCtx::marginLeft() const
{
    return fStackFolder.empty() ? float(fViewRect.left()) : fStackFolder.back().marginLeft;
}

float TQzguiVarResizeCalcCtx::LineWidthMax() const
{
    if (fbScrollHorz)
        return 0;
    return float(fViewRect.right()) - marginLeft();
}

float TQzguiVarResizeCalcCtx::LineWidthStaying() const
{
    if (fbScrollHorz)
        return float(fItemSizeMax.width());
    if (fCurLineItems.empty())
        return LineWidthMax();
    return float(fViewRect.right() - fCurLineRect.right() - (fSpaceXtoApply ? fSpaces.width() : 0));
}

bool TQzguiVarResizeCalcCtx::CalcSize(int steps)
{
    for (int i = 0; i < steps; ++i)
        if (step())
            return true;
    return false;
}

bool TQzguiVarResizeCalcCtx::step()
{
    IQzguiVarSizeItemBase element;
    if (fStackFolder.empty()) {
        if (fbRootDone)
            return true;
        fbRootDone = true;
        element = fRoot;
    } else {
        Level& level = fStackFolder.back();
        if (!level.started) {
            level.children = level.folder->enumSnapshot();
            level.started = true;
        }
        if (level.next >= level.children.size()) {
            const IQzguiVarSizeFolder folder = level.folder;
            fStackFolder.pop_back();
            sizeAndPlaceFolderEnd(folder);
            return fStackFolder.empty();
        }
        element = level.children[level.next++];
    }
    if (!fbResizeStarted) {
        fbResizeStarted = true;
        if (fbScrollHorz)
            fHost.applyContentWidth(*this, fLastXpos, false);
        else
            fHost.applyContentHeight(*this, fLastYpos, false);
    }
    if (element->IsFolder())
        startFolder(std::static_pointer_cast<TQzguiVarSizeFolderBase>(element));
    else
        sizeAndPlaceItem(element);
    return false;
}

void TQzguiVarResizeCalcCtx::startFolder(const IQzguiVarSizeFolder& folder)
{
    const bool expanded = fHost.folderShowsChildren(*this, *folder);
    fIndentLeft = 0;
    const TQzguiVarResizeType part = expanded ? vrt_FolderStart : vrt_Item;
    while (!place(folder, part, fHost.calcFolderStartSize(*this, *folder, expanded))) { }
    if (expanded) {
        const bool outerAll = !fStackFolder.empty() && fStackFolder.back().recalcAll;
        Level level { fIndentLeft, folder, {}, 0, false, outerAll || folder->AllSizeToCalc() };
        fStackFolder.push_back(std::move(level));
    }
}

void TQzguiVarResizeCalcCtx::sizeAndPlaceItem(const IQzguiVarSizeItemBase& item)
{
    ++fcItemCount;
    while (!place(item, vrt_Item, fHost.calcItemSize(*this, *item))) { }
}

void TQzguiVarResizeCalcCtx::sizeAndPlaceFolderEnd(const IQzguiVarSizeFolder& folder)
{
    while (!place(folder, vrt_FolderEnd, fHost.calcFolderEndSize(*this, *folder))) { }
}

bool TQzguiVarResizeCalcCtx::place(const IQzguiVarSizeItemBase& element, TQzguiVarResizeType part, QSizeF size)
{
    double w = size.width() < 0 ? LineWidthMax() : size.width();
    const double h = std::max(0.0, size.height());
    const double top = fLastYpos + fSpaces.height();
    const double bottom = top + h;
    double left;
    double right;
    if (fbScrollHorz || !fCurLineItems.empty()) {
        left = fCurLineRect.right();
        right = left + w;
        if (fSpaceXtoApply) {
            left += fSpaces.width();
            right += fSpaces.width();
        }
        if (fbScrollHorz) {
            if (fCurLineItems.size() > 10) {
                lineEnd(true);
                return false;
            }
        } else if (right > fViewRect.right()) {
            lineEnd(true);
            return false;
        }
        fCurLineRect.setRight(right);
        if (fCurLineItems.empty())
            fCurLineRect.setTop(top);
        fCurLineRect.setBottom(std::max(fCurLineRect.bottom(), bottom));
    } else {
        left = marginLeft();
        right = std::min(left + w, fViewRect.right());
        fCurLineRect = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    const QRectF rect(QPointF(left, top), QPointF(right, bottom));
    fCurLineItems.push_back({ element, part });
    element->SetSizeCalcRect(part, rect, fbScrollHorz);
    fSpaceXtoApply = rect.width() > 0 && rect.height() > 0;
    return true;
}

void TQzguiVarResizeCalcCtx::lineEnd(bool full)
{
    if (fCurLineItems.empty())
        return;
    const TQzguiVarAlignType ah = full ? fHost.alignHorz() : fHost.alignHorzLineNotFull();
    const TQzguiVarAlignType av = fHost.alignVert();
    const size_t n = fCurLineItems.size();
    double dx = 0;
    double dxStep = 0;
    if (fbScrollHorz) {
        fCurLineRect.setBottom(fViewRect.bottom());
    } else {
        const double free = fViewRect.right() - fCurLineRect.right();
        if (free >= 0) {
            switch (ah) {
            case vat_Leading:
                break;
            case vat_Trailing:
                dx = free;
                break;
            case vat_Center:
                dx = free / 2;
                break;
            case vat_Justify:
                // The free room goes into the gaps: the first element stays,
                // the last one ends at the right edge.
                dxStep = n >= 2 ? free / double(n - 1) : 0;
                break;
            }
        }
    }
    // The line is emptied before the elements are told, so an exception of
    // one element does not leave it to the next pass.
    std::vector<LineEntry> entries;
    entries.swap(fCurLineItems);
    for (size_t i = 0; i < n; ++i) {
        const LineEntry& e = entries[i];
        QRectF r = e.item->SizeCalcRect(e.rstype);
        double dy = fCurLineRect.bottom() - r.bottom();
        if (av == vat_Leading)
            dy = 0;
        else if (av != vat_Trailing)
            dy /= 2;
        r.translate(dx + dxStep * double(i), dy);
        e.item->SetFinalViewRect(e.rstype, r);
        e.item->sizeCalcDone(e.rstype);
        fHost.onElementSizeReady(e.item, e.rstype);
    }
    if (fbScrollHorz) {
        setLastX(float(fCurLineRect.right()));
        return;
    }
    fSpaceXtoApply = false;
    if (fCurLineRect.height() <= 0) {
        // An empty line takes no room, not even its spacing.
        setLastY(float(fCurLineRect.bottom() - fSpaces.height()));
    } else {
        setLastY(float(fCurLineRect.bottom()));
        if (fHost.visibleArea().intersects(fCurLineRect))
            fHost.repaintNow();
    }
}

void TQzguiVarResizeCalcCtx::setLastY(float value)
{
    if (value == fLastYpos)
        return;
    fLastYpos = value;
    fHost.applyContentHeight(*this, value, false);
}

void TQzguiVarResizeCalcCtx::setLastX(float value)
{
    if (value == fLastXpos)
        return;
    fLastXpos = value;
    fHost.applyContentWidth(*this, value, false);
}

void TQzguiVarResizeCalcCtx::CalcSizeEnd()
{
    try {
        lineEnd(false);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TQzguiVarResizeCalcCtx.CalcSizeEnd"), e);
    }
    if (fbScrollHorz)
        fHost.applyContentWidth(*this, fLastXpos, true);
    else
        fHost.applyContentHeight(*this, fLastYpos, true);
}
