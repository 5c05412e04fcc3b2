#pragma once
// The layout pass of a variable-size list: elements flow into lines like
// words into a text, each line is aligned and its elements receive their
// final rectangles. A pass runs on the main thread in batches of at most
// kVarResizeStepsPerTick element steps and resumes where it stopped, so a
// list of tens of thousands of pictures never blocks the screen; the content
// height grows line by line and is set exactly when the pass ends.
//
// The pass is a plain class: it asks everything it needs of an
// IQzguiVarLayoutHost (the list view, or a table in tests).
#include "UQzguiVarSizeTree.h"

#include <QRectF>
#include <QSizeF>

#include <memory>
#include <vector>

enum TZebdesign : int;
class TQzguiVarResizeCalcCtx;

enum TQzguiVarAlignType { vat_Leading, vat_Center, vat_Trailing, vat_Justify };

inline constexpr int kVarResizeStepsPerTick = 1000;
inline constexpr float kVarDefaultItemSize = 200;
inline constexpr float kVarDefaultSpacing = 10;

// The standard item size and spacing for a content width: as many columns of
// about the default size as fit, widened to fill the line when 40 % or more
// of a column is left over, then scaled by factor (a percentage).
struct TQzguiVarItemSizeInput {
    QRectF rect;
    float factor = 100;
    bool horizontal = false;
    QSizeF spacesDefault { kVarDefaultSpacing, kVarDefaultSpacing };
    QSizeF itemSizeDefault { kVarDefaultItemSize, kVarDefaultItemSize };
    float lineIndentWidth = 0;
    int minItemsPerLine = 1;
};
void VarCalcViewItemSize(const TQzguiVarItemSizeInput& in, QSizeF& itemSize, QSizeF& spaces);

class IQzguiVarLayoutHost {
public:
    virtual ~IQzguiVarLayoutHost() = default;
    virtual IQzguiVarSizeRoot layoutRoot() = 0;
    virtual QRectF contentRect() = 0;
    // The area of content now on screen, in content coordinates.
    virtual QRectF visibleArea() = 0;
    virtual bool parentScrollBoxHorz() = 0;
    virtual float GetThumbnailsFactor() = 0;
    virtual TZebdesign layoutZebd() = 0;
    virtual void calcViewItemSize(const QRectF& rect, float factor, QSizeF& itemSize, QSizeF& spaces) = 0;
    virtual void setResizeWidth(float width) = 0;
    virtual TQzguiVarAlignType alignHorz() = 0;
    virtual TQzguiVarAlignType alignVert() = 0;
    virtual TQzguiVarAlignType alignHorzLineNotFull() = 0;
    // final false: the content only grows; true: it is set exactly.
    virtual void applyContentHeight(TQzguiVarResizeCalcCtx& pass, float bottom, bool final) = 0;
    virtual void applyContentWidth(TQzguiVarResizeCalcCtx& pass, float right, bool final) = 0;
    virtual void onElementSizeReady(const IQzguiVarSizeItemBase& element, TQzguiVarResizeType part) = 0;
    virtual bool folderShowsChildren(TQzguiVarResizeCalcCtx& pass, TQzguiVarSizeFolderBase& folder) = 0;
    // Sizes: a negative width is the whole line, a negative height 0.
    virtual QSizeF calcItemSize(TQzguiVarResizeCalcCtx& pass, TQzguiVarSizeItemBase& item) = 0;
    virtual QSizeF calcFolderStartSize(TQzguiVarResizeCalcCtx& pass, TQzguiVarSizeFolderBase& folder, bool expanded) = 0;
    virtual QSizeF calcFolderEndSize(TQzguiVarResizeCalcCtx& pass, TQzguiVarSizeFolderBase& folder) = 0;
    // A finished line meets the visible area: show it now.
    virtual void repaintNow() = 0;
};

class TQzguiVarResizeCalcCtx {
public:
    explicit TQzguiVarResizeCalcCtx(IQzguiVarLayoutHost& host);
    ~TQzguiVarResizeCalcCtx();
    TQzguiVarResizeCalcCtx(const TQzguiVarResizeCalcCtx&) = delete;
    TQzguiVarResizeCalcCtx& operator=(const TQzguiVarResizeCalcCtx&) = delete;

    // Runs up to `steps` element steps; true when the pass has ended.
    bool CalcSize(int steps = kVarResizeStepsPerTick);
    // Ends the last line and applies the final content size.
    void CalcSizeEnd();

    bool IsFirstLine() const;
    float LastY() const { return fLastYpos; }
    float LastX() const { return fLastXpos; }
    QSizeF ItemSizeMax() const { return fItemSizeMax; }
    QSizeF Spaces() const { return fSpaces; }
    float LineWidthMax() const;
    float LineWidthStaying() const;
    float IndentLeft() const { return fIndentLeft; }
    void SetIndentLeft(float value) { fIndentLeft = value; }
    bool HorzScroll() const { return fbScrollHorz; }
    TZebdesign Zebd() const { return fZebd; }
    IQzguiVarLayoutHost& ListView() const { return fHost; }
    const IQzguiVarSizeRoot& Root() const { return fRoot; }
    int ItemCount() const { return fcItemCount; }

private:
    struct Level {
        float marginLeft;
        IQzguiVarSizeFolder folder;
        TQzguiVarElementList children;
        size_t next = 0;
        bool started = false;
        bool recalcAll;
    };
    struct LineEntry {
        IQzguiVarSizeItemBase item;
        TQzguiVarResizeType rstype;
    };

    // One step; true at the end of the tree.
    bool step();
    bool place(const IQzguiVarSizeItemBase& element, TQzguiVarResizeType part, QSizeF size);
    void sizeAndPlaceItem(const IQzguiVarSizeItemBase& item);
    void sizeAndPlaceFolderEnd(const IQzguiVarSizeFolder& folder);
    void startFolder(const IQzguiVarSizeFolder& folder);
    void lineEnd(bool full);
    void setLastY(float value);
    void setLastX(float value);
    float marginLeft() const;

    IQzguiVarLayoutHost& fHost;
    IQzguiVarSizeRoot fRoot;
    std::vector<Level> fStackFolder;
    QRectF fViewRect;
    QSizeF fItemSizeMax;
    QSizeF fSpaces;
    float fIndentLeft = 0;
    float fLastYpos = 0;
    float fLastXpos = 0;
    int fcItemCount = 0;
    QRectF fCurLineRect;
    std::vector<LineEntry> fCurLineItems;
    bool fSpaceXtoApply = false;
    bool fbResizeStarted = false;
    bool fbRootDone = false;
    bool fbScrollHorz = false;
    TZebdesign fZebd;
};
