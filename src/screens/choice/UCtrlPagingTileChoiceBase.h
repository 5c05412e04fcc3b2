#pragma once
// The paged tile-choice step: choice tiles cut into pages of a fixed number
// (3 side by side on the kiosk and desktop designs, 2 stacked in the mobile
// design) inside a scroll box, a paging bar under it (previous and next
// arrows, "More Sizes", "Page n / m"), and, after a drag, a glide that
// settles the view on a page.
//
// A concrete screen derives from TCtrlPagingTileChoiceBase and provides
//   choiceButtonsFill   its tiles (TCtrlPagingTileChoiceButton), in order;
//   createPage          its page class, whose layoutButtons places the
//                       tiles of one page (pageButtons()) on the page;
//   choiceButtonClick   the tap on a tile.
// Pages are built at the first layout and lay their tiles out whenever they
// are resized. The arithmetic (pages, current page, page seek, paging bar)
// is in TPagingTileCalc.
#include "UCtrlStepBase.h"
#include "UQzguiButton.h"

#include <QPointer>
#include <QScrollArea>
#include <QSizeF>
#include <QTimer>

#include <memory>
#include <vector>

class QLabel;
class QPropertyAnimation;
class QPushButton;
class TCtrlPagingTileChoiceBase;
class TCtrlPagingTileChoiceScrollBox;

// The arithmetic of the paged choice, on positions along the scroll axis.
// Page n (from 1) starts at (n - 1) x extent.
namespace TPagingTileCalc {
// Pages needed for count tiles, perPage a page (0 without tiles).
int PageCount(int count, int perPage);
// The page shown at a scroll position: the first page whose start plus four
// fifths of its extent is at or beyond pos; the last page when none is.
int CurrentPageAt(double pos, int pageCount, double extent);
// The page a drag settles on: forward (pos > lastPos) the first page whose
// start plus a tenth reaches pos, otherwise the first whose start plus nine
// tenths does; the last page when none does. 0 without pages.
int SeekTargetPage(double pos, double lastPos, int pageCount, double extent);
// One move of the page seek. result: 0 when the view is within 0.1 of its
// target page, else the distance to it; move: what to add to the scroll
// position now: nothing for a measurement (step < 0), otherwise the
// distance limited to a fifth of a page either way.
struct TSeekStep {
    double result = 0;
    double move = 0;
};
TSeekStep SeekStep(double pos, double lastPos, int step, int pageCount, double extent);

// The paging bar at width w: arrows of arrowW either side of the "More
// Sizes" button (moreW wide with side margins moreMargin). When the bar
// does not fit with 20 to spare, the arrows keep margins of 10 and the bar
// is scaled as a whole; otherwise it keeps its size, centred.
struct TPagingBar {
    double arrowMargin = 0; // left margin of the previous, right of the next arrow
    double scale = 1;
};
TPagingBar PagingBarLayout(double w, double arrowW = 65, double moreMargin = 10, double moreW = 200);
} // namespace TPagingTileCalc

// A choice tile. The size screens keep the product's dimensions in tileX /
// tileY, its catalogue id in id and the catalogue's display position in
// displayOrder; the base only sorts by them (TCtrlPagingTileChoiceBase::Compare).
class TCtrlPagingTileChoiceButton : public TTileButton {
    Q_OBJECT
public:
    explicit TCtrlPagingTileChoiceButton(QSvgRenderer* defaultImage,
                                         const QString& style = QStringLiteral("btntilewhite"), QWidget* parent = nullptr);

    int tileX() const { return fX; }
    void setTileX(int v) { fX = v; }
    int tileY() const { return fY; }
    void setTileY(int v) { fY = v; }
    qint64 id() const { return fId; }
    void setId(qint64 v) { fId = v; }
    int displayOrder() const { return fDisplayOrder; }
    void setDisplayOrder(int v) { fDisplayOrder = v; }
    IMainFrame* main() const { return fMain; }
    void setMain(IMainFrame* m) { fMain = m; }

private:
    int fX = 0;
    int fY = 0;
    qint64 fId = 0;
    int fDisplayOrder = 0;
    IMainFrame* fMain = nullptr;
};

using TPagingButtonList = std::vector<TCtrlPagingTileChoiceButton*>;

// One page of the scroll box. Its tiles are those of its number:
// pageButtons(); layoutButtons places them (it runs at every resize).
class TCtrlPagingTileChoicePage : public QWidget {
    Q_OBJECT
public:
    TCtrlPagingTileChoicePage(TCtrlPagingTileChoiceScrollBox* scrollBox, int pageNo);

    int PageNo() const { return fPageNo; }
    bool VertScroll() const { return fbVertScroll; }
    bool ScaledProducts() const { return fbScaledProducts; }
    TCtrlPagingTileChoiceScrollBox* ScrollBox() const { return fScrollBox; }
    TCtrlPagingTileChoiceBase* controller() const;
    // Every tile of the screen, in order.
    const TPagingButtonList& buttonList() const;
    // Height of a tile outside its resizable picture part.
    float btnExternalHeight() const;
    // The tiles of this page, in order, parented to the page.
    TPagingButtonList pageButtons();

    virtual void layoutButtons() = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool fbVertScroll;
    bool fbScaledProducts;
    int fPageNo;
    TCtrlPagingTileChoiceScrollBox* fScrollBox;
};

class TCtrlPagingTileChoiceScrollCalc;

// The scroll box of the pages: horizontal (pages side by side) or vertical
// (pages stacked), each page the size of the box.
class TCtrlPagingTileChoiceScrollBox : public QScrollArea {
    Q_OBJECT
public:
    TCtrlPagingTileChoiceScrollBox(TCtrlPagingTileChoiceBase* ctrl, bool bVertScroll, bool bScaledProducts,
                                   int itemPerPage, QWidget* parent = nullptr);
    ~TCtrlPagingTileChoiceScrollBox() override;

    TCtrlPagingTileChoiceBase* Controller() const { return fCtrl; }
    bool VertScroll() const { return fbVertScroll; }
    bool ScaledProducts() const { return fbScaledProducts; }
    int ItemPerPage() const { return fItemPerPage; }
    int PageCount();
    int CurrentPage();
    // Cut to the page count and raised to 1; glides to that page.
    void SetCurrentPage(int n);
    // With wrap-around at either end.
    void goNextPage();
    void goPreviousPage();
    const std::vector<TCtrlPagingTileChoicePage*>& Pages();
    // Lays the pages and their tiles out again.
    void pagesRelayout();

    // The scroll position along the axis (0 without a scroll bar).
    double ScrollPos() const;
    // One move of the glide towards the page a drag that started at lastPos
    // settles on (see TPagingTileCalc::SeekStep); the result is the distance
    // left before the move, 0 when in place or when pages are not scaled.
    double ScrollPageSeek(double lastPos, int step);
    bool InScrollPageSeek() const { return fInScrollPageSeek; }
    TCtrlPagingTileChoiceScrollCalc* ScrollCalc() const { return fCalc.get(); }
    // Glides by (dx, dy) from where the view is, or from where a running
    // glide is heading.
    void AnimateScroll(double dx, double dy);
    bool AnimationRunning() const;

protected:
    virtual TCtrlPagingTileChoicePage* pageCreate(int pageNo);
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void pagesBuild();
    void pagesPlace();
    void alignContent();
    QScrollBar* axisBar() const;

    bool fbVertScroll;
    bool fbScaledProducts;
    int fItemPerPage;
    int fCurrentPage = 1;
    bool fPagesBuilt = false;
    std::vector<TCtrlPagingTileChoicePage*> fPages;
    TCtrlPagingTileChoiceBase* fCtrl;
    bool fInScrollPageSeek = false;
    std::unique_ptr<TCtrlPagingTileChoiceScrollCalc> fCalc;
    QPointer<QPropertyAnimation> fAnim;
};

// The drags of the scroll box: when the customer lets go (DoStop) the view
// glides to the page the drag settles on, a fifth of a page at most per
// tick of the page-seek timer.
class TCtrlPagingTileChoiceScrollCalc : public QObject {
    Q_OBJECT
public:
    explicit TCtrlPagingTileChoiceScrollCalc(TCtrlPagingTileChoiceScrollBox* owner);
    ~TCtrlPagingTileChoiceScrollCalc() override;

    // A drag starts: the glide stops, the start position is kept.
    void DoStart();
    // The drag (and its inertia) ended: the glide starts when needed.
    void DoStop();
    bool PageSeekRunning() const { return fTimer.isActive(); }
    // One tick of the glide (the timer's).
    void PageSeekTick();
    double ScrollPosStart() const { return fScrollPosStart; }
    int ScrollDiffStep() const { return fScrollDiffStep; }

private:
    TCtrlPagingTileChoiceScrollBox* fOwner;
    QTimer fTimer;
    double fScrollPosStart = 0;
    double fScrollDiff = 0;
    int fScrollDiffStep = 0;
};

class TCtrlPagingTileChoiceBase : public TCtrlStepBase, public ICtrlToResize {
public:
    TCtrlPagingTileChoiceBase(IMainFrame* main, QWidget* stepTabItem);
    ~TCtrlPagingTileChoiceBase() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;

    // ICtrlToResize: a tile's style was applied; a new outside height of the
    // tiles is remembered for the class and the pages are laid out again
    // (deferred on the GUI queue).
    void CtrlResize(TTileButton* button) override;

    // Display order, then tileY, then tileX, then id, ascending.
    static int Compare(const TCtrlPagingTileChoiceButton* left, const TCtrlPagingTileChoiceButton* right);
    static void Sort(TPagingButtonList& list);

    void pagingTextUpdate(TCtrlPagingTileChoiceScrollBox* box);

    const TPagingButtonList& buttonList() const { return fBtnChoiceList; }
    float btnExternalHeight() const { return fBtnExternalHeightForSizeCalc; }
    TCtrlPagingTileChoiceScrollBox* scrollBox() const { return fScrollBox; }
    QLabel* textTitle() const { return fTextTitle; }
    QWidget* layoutPaging() const { return fLayoutPaging; }
    QWidget* layoutPagingTop() const { return fLayoutPagingTop; }
    QWidget* layoutPagingBottom() const { return fLayoutPagingBottom; }
    QPushButton* buttonPagingMore() const { return fButtonPagingMore; }
    TFloatingButtonImage* buttonPagingPrevious() const { return fButtonPagingPrevious; }
    TFloatingButtonImage* buttonPagingNext() const { return fButtonPagingNext; }
    QLabel* textPaging() const { return fTextPaging; }
    double pagingScale() const { return fPagingScale; }

    // The outside tile heights remembered per screen class ("<class>.szch").
    static float StoredExternalHeight(const QString& className);
    static void StoreExternalHeight(const QString& className, float h);

protected:
    virtual TCtrlPagingTileChoiceScrollBox* createScrollBox();
    virtual void choiceButtonsFill(TPagingButtonList& list) = 0;
    virtual void choiceButtonsBuild();
    // No tile to offer: back to the home step, and the customer is told.
    virtual void noChoiceAvailable();
    virtual void pagingLayout();
    virtual void choiceButtonClick(TCtrlPagingTileChoiceButton* sender) = 0;

public:
    // Called by the scroll box for each of its pages.
    virtual TCtrlPagingTileChoicePage* createPage(TCtrlPagingTileChoiceScrollBox* box, int pageNo) = 0;

private:
    void pagingBarPlace();
    void freeAll();

    QSizeF fszFrm;
    TPagingButtonList fBtnChoiceList;
    // The same tiles, watched: a tile freed with its page is not freed twice.
    std::vector<QPointer<TCtrlPagingTileChoiceButton>> fBtnGuards;
    QPointer<QLabel> fTextTitle;
    QPointer<TCtrlPagingTileChoiceScrollBox> fScrollBox;
    QPointer<QWidget> fLayoutPaging;
    QPointer<QWidget> fLayoutPagingTop;
    QPointer<QWidget> fLayoutPagingBottom;
    QPointer<QPushButton> fButtonPagingMore;
    QPointer<TFloatingButtonImage> fButtonPagingPrevious;
    QPointer<TFloatingButtonImage> fButtonPagingNext;
    QPointer<QLabel> fTextPaging;
    float fBtnExternalHeightForSizeCalc = 0;
    IThreadTaskRef fResizeTask;
    double fPagingMargin = 0;
    double fPagingScale = 1;

public:
    QSvgRenderer* svgDocArrowLeft;
    QSvgRenderer* svgDocArrowRight;
};
