#include "UCtrlPagingTileChoiceBase.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UMainFrameTypes.h"
#include "UQzguiTouchScroll.h"
#include "UScreensResources.h"
#include "UThreadTaskQueue.h"
#include "UWorkflowSteps.h"

#include <QHash>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QScroller>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
TLangText& txtMoreSizes = TLangText::Create(QStringLiteral("More Sizes"));
TLangText& txtPage = TLangText::Create(QStringLiteral("Page %d / %d"));
TLangText& txtNoProduct = TLangText::Create(QStringLiteral("No product available for this language"));

// Interval of the page-seek glide.
constexpr int kPageSeekIntervalMs = 16;
// Duration of the glide to a page chosen with the arrows.
constexpr int kAnimateScrollMs = 250;
} // namespace

// ---------------------------------------------------------------------------
// TPagingTileCalc

int TPagingTileCalc::PageCount(int count, int perPage)
{
    if (count <= 0 || perPage <= 0)
        return 0;
    return (count + perPage - 1) / perPage;
}

int TPagingTileCalc::CurrentPageAt(double pos, int pageCount, double extent)
{
    for (int n = 1; n <= pageCount; ++n)
        if ((n - 1) * extent + extent * 4 / 5 >= pos)
            return n;
    return pageCount;
}

int TPagingTileCalc::SeekTargetPage(double pos, double lastPos, int pageCount, double extent)
{
    const bool forward = pos - lastPos > 0;
    const double edge = forward ? extent / 10 : extent * 9 / 10;
    for (int n = 1; n <= pageCount; ++n)
        if ((n - 1) * extent + edge >= pos)
            return n;
    return pageCount;
}

TPagingTileCalc::TSeekStep TPagingTileCalc::SeekStep(double pos, double lastPos, int step, int pageCount,
                                                     double extent)
{
    TSeekStep r;
    const int target = SeekTargetPage(pos, lastPos, pageCount, extent);
    if (target < 1)
        return r;
    const double maxStep = extent / 5;
    double delta = (target - 1) * extent - pos;
    if (std::abs(delta) < 0.1)
        return r;
    if (step < 0) {
        r.result = delta;
        return r;
    }
    delta = std::clamp(delta, -maxStep, maxStep);
    r.result = delta;
    r.move = delta;
    return r;
}

TPagingTileCalc::TPagingBar TPagingTileCalc::PagingBarLayout(double w, double arrowW, double moreMargin, double moreW)
{
    TPagingBar r;
    const double d = arrowW + 2 * moreMargin + arrowW + moreW;
    if (w - d - 20 < 0) {
        r.arrowMargin = 10;
        r.scale = w / (d + 20);
    } else {
        r.arrowMargin = (w - d) / 2;
        r.scale = 1;
    }
    return r;
}

// ---------------------------------------------------------------------------
// TCtrlPagingTileChoiceButton

TCtrlPagingTileChoiceButton::TCtrlPagingTileChoiceButton(QSvgRenderer* defaultImage, const QString& style,
                                                         QWidget* parent)
    : TTileButton(defaultImage, style, parent)
{
}

// ---------------------------------------------------------------------------
// TCtrlPagingTileChoicePage

TCtrlPagingTileChoicePage::TCtrlPagingTileChoicePage(TCtrlPagingTileChoiceScrollBox* scrollBox, int pageNo)
    : QWidget(nullptr)
    , fbVertScroll(scrollBox->VertScroll())
    , fbScaledProducts(scrollBox->ScaledProducts())
    , fPageNo(pageNo)
    , fScrollBox(scrollBox)
{
    setObjectName(QStringLiteral("PagingTileChoicePage%1").arg(pageNo));
}

TCtrlPagingTileChoiceBase* TCtrlPagingTileChoicePage::controller() const
{
    return fScrollBox->Controller();
}

const TPagingButtonList& TCtrlPagingTileChoicePage::buttonList() const
{
    return controller()->buttonList();
}

float TCtrlPagingTileChoicePage::btnExternalHeight() const
{
    return controller()->btnExternalHeight();
}

TPagingButtonList TCtrlPagingTileChoicePage::pageButtons()
{
    TPagingButtonList page;
    const TPagingButtonList& all = buttonList();
    const int per = fScrollBox->ItemPerPage();
    const size_t from = size_t(std::max(0, (fPageNo - 1) * per));
    for (size_t i = from; i < all.size() && i < from + size_t(per); ++i) {
        TCtrlPagingTileChoiceButton* b = all[i];
        if (b->parentWidget() != this) {
            b->setParent(this);
            b->show();
        }
        page.push_back(b);
    }
    return page;
}

void TCtrlPagingTileChoicePage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutButtons();
}

// ---------------------------------------------------------------------------
// TCtrlPagingTileChoiceScrollBox

TCtrlPagingTileChoiceScrollBox::TCtrlPagingTileChoiceScrollBox(TCtrlPagingTileChoiceBase* ctrl, bool bVertScroll,
                                                               bool bScaledProducts, int itemPerPage, QWidget* parent)
    : QScrollArea(parent)
    , fbVertScroll(bVertScroll)
    , fbScaledProducts(bScaledProducts)
    , fItemPerPage(std::max(1, itemPerPage))
    , fCtrl(ctrl)
{
    setObjectName(QStringLiteral("ScrollBoxPagingTileChoice"));
    setProperty("styleLookup", QStringLiteral("scrollboxstyle"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("LayoutPagingTileChoiceContent"));
    setWidget(content);
    fCalc = std::make_unique<TCtrlPagingTileChoiceScrollCalc>(this);

    // A finger drags along the scroll axis only (on a screen without touch
    // the arrows and "More Sizes" page through).
    TQzguiTouchScroll::Enable(this);
    if (QScroller::hasScroller(viewport())) {
        QScroller* scroller = QScroller::scroller(viewport());
        QScrollerProperties props = scroller->scrollerProperties();
        const QVariant off = QVariant::fromValue(QScrollerProperties::OvershootAlwaysOff);
        props.setScrollMetric(fbVertScroll ? QScrollerProperties::HorizontalOvershootPolicy
                                           : QScrollerProperties::VerticalOvershootPolicy,
                              off);
        scroller->setScrollerProperties(props);
        connect(scroller, &QScroller::stateChanged, this, [this](QScroller::State state) {
            if (state == QScroller::Dragging)
                fCalc->DoStart();
            else if (state == QScroller::Inactive)
                fCalc->DoStop();
        });
    }
}

TCtrlPagingTileChoiceScrollBox::~TCtrlPagingTileChoiceScrollBox()
{
    // The glide stops before the pages go.
    fCalc.reset();
    if (fAnim)
        fAnim->stop();
}

QScrollBar* TCtrlPagingTileChoiceScrollBox::axisBar() const
{
    return fbVertScroll ? verticalScrollBar() : horizontalScrollBar();
}

double TCtrlPagingTileChoiceScrollBox::ScrollPos() const
{
    const QScrollBar* bar = axisBar();
    return bar ? bar->value() : 0;
}

TCtrlPagingTileChoicePage* TCtrlPagingTileChoiceScrollBox::pageCreate(int pageNo)
{
    return fCtrl->createPage(this, pageNo);
}

void TCtrlPagingTileChoiceScrollBox::pagesBuild()
{
    if (fPagesBuilt)
        return;
    fPagesBuilt = true;
    const int pages = TPagingTileCalc::PageCount(int(fCtrl->buttonList().size()), fItemPerPage);
    for (int n = 1; n <= pages; ++n) {
        TCtrlPagingTileChoicePage* page = pageCreate(n);
        page->setVisible(false);
        page->setParent(widget());
        fPages.push_back(page);
    }
    fCurrentPage = 1;
    fCtrl->pagingTextUpdate(this);
}

int TCtrlPagingTileChoiceScrollBox::PageCount()
{
    pagesBuild();
    return int(fPages.size());
}

int TCtrlPagingTileChoiceScrollBox::CurrentPage()
{
    pagesBuild();
    return fCurrentPage;
}

const std::vector<TCtrlPagingTileChoicePage*>& TCtrlPagingTileChoiceScrollBox::Pages()
{
    pagesBuild();
    return fPages;
}

void TCtrlPagingTileChoiceScrollBox::SetCurrentPage(int n)
{
    pagesBuild();
    n = std::max(1, std::min(n, int(fPages.size())));
    fCurrentPage = n;
    if (n >= 1 && n <= int(fPages.size())) {
        const TCtrlPagingTileChoicePage* page = fPages[size_t(n - 1)];
        const double dx = horizontalScrollBar() ? page->x() - horizontalScrollBar()->value() : 0;
        const double dy = verticalScrollBar() ? page->y() - verticalScrollBar()->value() : 0;
        AnimateScroll(dx, dy);
    }
    fCtrl->pagingTextUpdate(this);
}

void TCtrlPagingTileChoiceScrollBox::goNextPage()
{
    const int n = CurrentPage();
    SetCurrentPage(n >= PageCount() ? 1 : n + 1);
}

void TCtrlPagingTileChoiceScrollBox::goPreviousPage()
{
    const int n = CurrentPage();
    SetCurrentPage(n <= 1 ? PageCount() : n - 1);
}

void TCtrlPagingTileChoiceScrollBox::pagesPlace()
{
    pagesBuild();
    const QSize vp = viewport()->size();
    const int count = int(fPages.size());
    // The content never extends across the scroll axis.
    if (fbVertScroll)
        widget()->resize(vp.width(), vp.height() * std::max(1, count));
    else
        widget()->resize(vp.width() * std::max(1, count), vp.height());
    for (int i = 0; i < count; ++i) {
        TCtrlPagingTileChoicePage* page = fPages[size_t(i)];
        page->setGeometry(fbVertScroll ? 0 : i * vp.width(), fbVertScroll ? i * vp.height() : 0, vp.width(),
                          vp.height());
        page->setVisible(true);
    }
}

void TCtrlPagingTileChoiceScrollBox::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    pagesPlace();
    // The view stays on its page when the box changes size.
    if (QScrollBar* bar = axisBar(); bar && !fPages.empty() && !(fAnim && fAnim->state() == QAbstractAnimation::Running)) {
        const int extent = fbVertScroll ? viewport()->height() : viewport()->width();
        bar->setValue((fCurrentPage - 1) * extent);
    }
}

void TCtrlPagingTileChoiceScrollBox::pagesRelayout()
{
    pagesPlace();
    for (TCtrlPagingTileChoicePage* page : fPages)
        page->layoutButtons();
}

void TCtrlPagingTileChoiceScrollBox::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    alignContent();
}

void TCtrlPagingTileChoiceScrollBox::alignContent()
{
    if (fPages.empty())
        return;
    const double extent = fbVertScroll ? viewport()->height() : viewport()->width();
    if (extent <= 0)
        return;
    const int n = TPagingTileCalc::CurrentPageAt(ScrollPos(), int(fPages.size()), extent);
    if (n != fCurrentPage) {
        fCurrentPage = n;
        fCtrl->pagingTextUpdate(this);
    }
}

double TCtrlPagingTileChoiceScrollBox::ScrollPageSeek(double lastPos, int step)
{
    if (fPages.empty() || !fbScaledProducts)
        return 0;
    if (fInScrollPageSeek)
        throw Exception(QStringLiteral("TCtrlPagingTileChoiceScrollBox.ScrollPageSeek: recursive call"));
    fInScrollPageSeek = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset { fInScrollPageSeek };
    const double extent = fbVertScroll ? viewport()->height() : viewport()->width();
    const TPagingTileCalc::TSeekStep s
        = TPagingTileCalc::SeekStep(ScrollPos(), lastPos, step, int(fPages.size()), extent);
    if (s.move != 0) {
        if (QScrollBar* bar = axisBar())
            bar->setValue(int(std::lround(bar->value() + s.move)));
    }
    return s.result;
}

void TCtrlPagingTileChoiceScrollBox::AnimateScroll(double dx, double dy)
{
    if (dx == 0 && dy == 0)
        return;
    QScrollBar* bar = axisBar();
    const double d = fbVertScroll ? dy : dx;
    if (!bar || d == 0)
        return;
    double from = bar->value();
    if (fAnim && fAnim->state() == QAbstractAnimation::Running) {
        from = fAnim->endValue().toDouble();
        fAnim->stop();
    }
    if (!fAnim) {
        fAnim = new QPropertyAnimation(bar, "value", this);
        fAnim->setEasingCurve(QEasingCurve::OutCubic);
    }
    fAnim->setDuration(kAnimateScrollMs);
    fAnim->setStartValue(bar->value());
    fAnim->setEndValue(int(std::lround(from + d)));
    fAnim->start();
}

bool TCtrlPagingTileChoiceScrollBox::AnimationRunning() const
{
    return fAnim && fAnim->state() == QAbstractAnimation::Running;
}

// ---------------------------------------------------------------------------
// TCtrlPagingTileChoiceScrollCalc

TCtrlPagingTileChoiceScrollCalc::TCtrlPagingTileChoiceScrollCalc(TCtrlPagingTileChoiceScrollBox* owner)
    : QObject(nullptr)
    , fOwner(owner)
{
    fTimer.setInterval(kPageSeekIntervalMs);
    connect(&fTimer, &QTimer::timeout, this, [this] { PageSeekTick(); });
}

TCtrlPagingTileChoiceScrollCalc::~TCtrlPagingTileChoiceScrollCalc()
{
    fTimer.stop();
}

void TCtrlPagingTileChoiceScrollCalc::DoStart()
{
    if (fOwner->InScrollPageSeek()) {
        LogDebug(QStringLiteral("TCtrlPagingTileChoiceScrollCalc.DoStart: skipped"));
        return;
    }
    fTimer.stop();
    fScrollPosStart = fOwner->ScrollPos();
}

void TCtrlPagingTileChoiceScrollCalc::DoStop()
{
    if (fOwner->InScrollPageSeek()) {
        LogDebug(QStringLiteral("TCtrlPagingTileChoiceScrollCalc.DoStop: skipped"));
        return;
    }
    fScrollDiff = 0;
    fScrollDiffStep = 0;
    fScrollDiff = fOwner->ScrollPageSeek(fScrollPosStart, -1);
    if (fScrollDiff != 0)
        fTimer.start();
}

void TCtrlPagingTileChoiceScrollCalc::PageSeekTick()
{
    fScrollDiff = fOwner->ScrollPageSeek(fScrollPosStart, fScrollDiffStep);
    if (fScrollDiff != 0) {
        ++fScrollDiffStep;
        return;
    }
    fTimer.stop();
    fScrollDiffStep = 0;
}

// ---------------------------------------------------------------------------
// TCtrlPagingTileChoiceBase

namespace {
QHash<QString, float>& externalHeights()
{
    static QHash<QString, float> table;
    return table;
}
} // namespace

float TCtrlPagingTileChoiceBase::StoredExternalHeight(const QString& className)
{
    return externalHeights().value(className + QStringLiteral(".szch"), 0);
}

void TCtrlPagingTileChoiceBase::StoreExternalHeight(const QString& className, float h)
{
    externalHeights().insert(className + QStringLiteral(".szch"), h);
}

TCtrlPagingTileChoiceBase::TCtrlPagingTileChoiceBase(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlStepBase(main, stepTabItem)
    , svgDocArrowLeft(TScreensResources::Svg(QStringLiteral("arrow_left")))
    , svgDocArrowRight(TScreensResources::Svg(QStringLiteral("arrow_right")))
{
}

TCtrlPagingTileChoiceBase::~TCtrlPagingTileChoiceBase()
{
    freeAll();
}

TCtrlPagingTileChoiceScrollBox* TCtrlPagingTileChoiceBase::createScrollBox()
{
    if (MainFrame() && MainFrame()->Zebdesign() == zebd_mobile)
        return new TCtrlPagingTileChoiceScrollBox(this, true, false, 2);
    return new TCtrlPagingTileChoiceScrollBox(this, false, true, 3);
}

void TCtrlPagingTileChoiceBase::OnOpen(IMainFrame* main)
{
    TCtrlStepBase::OnOpen(main);
    // The class is known only now: the constructor runs before the
    // concrete screen's part exists.
    fBtnExternalHeightForSizeCalc = StoredExternalHeight(ClassName());
    choiceButtonsBuild();

    QWidget* tab = StepTabItem();
    auto* lay = qobject_cast<QVBoxLayout*>(tab->layout());
    if (!lay) {
        delete tab->layout();
        lay = new QVBoxLayout(tab);
        lay->setContentsMargins(0, 0, 0, 0);
        lay->setSpacing(0);
    }

    const bool mobile = main && main->Zebdesign() == zebd_mobile;
    fTextTitle = new QLabel(tab);
    fTextTitle->setObjectName(QStringLiteral("TextTitle"));
    fTextTitle->setAlignment(Qt::AlignCenter);
    fTextTitle->setFixedHeight(50);
    KioskSetStyleLookup(fTextTitle, QStringLiteral("pagingtitlestyle"));
    fTextTitle->setVisible(!mobile);
    if (!mobile)
        fTextTitle->setText(topBarTitle());

    fLayoutPaging = new QWidget(tab);
    fLayoutPaging->setObjectName(QStringLiteral("LayoutPaging"));
    fLayoutPaging->setFixedHeight(105);
    fLayoutPagingTop = new QWidget(fLayoutPaging);
    fLayoutPagingTop->setObjectName(QStringLiteral("LayoutPagingTop"));
    fButtonPagingPrevious
        = new TFloatingButtonImage(svgDocArrowLeft, QStringLiteral("btnfloatinglowimageonly"), fLayoutPagingTop);
    fButtonPagingPrevious->setObjectName(QStringLiteral("ButtonPagingPrevious"));
    fButtonPagingNext
        = new TFloatingButtonImage(svgDocArrowRight, QStringLiteral("btnfloatinglowimageonly"), fLayoutPagingTop);
    fButtonPagingNext->setObjectName(QStringLiteral("ButtonPagingNext"));
    fButtonPagingMore = new QPushButton(txtMoreSizes.Text(), fLayoutPagingTop);
    fButtonPagingMore->setObjectName(QStringLiteral("ButtonPagingMore"));
    KioskSetStyleLookup(fButtonPagingMore, QStringLiteral("btnfloatingblacklarge"));
    fLayoutPagingBottom = new QWidget(fLayoutPaging);
    fLayoutPagingBottom->setObjectName(QStringLiteral("LayoutPagingBottom"));
    fTextPaging = new QLabel(fLayoutPagingBottom);
    fTextPaging->setObjectName(QStringLiteral("TextPaging"));
    fTextPaging->setAlignment(Qt::AlignCenter);
    for (QPushButton* b : { static_cast<QPushButton*>(fButtonPagingPrevious.data()),
                            static_cast<QPushButton*>(fButtonPagingNext.data()), fButtonPagingMore.data() })
        b->setFocusPolicy(Qt::NoFocus);
    QObject::connect(fButtonPagingPrevious, &QPushButton::clicked, fButtonPagingPrevious, [this] {
        if (fScrollBox)
            fScrollBox->goPreviousPage();
    });
    QObject::connect(fButtonPagingNext, &QPushButton::clicked, fButtonPagingNext, [this] {
        if (fScrollBox)
            fScrollBox->goNextPage();
    });
    QObject::connect(fButtonPagingMore, &QPushButton::clicked, fButtonPagingMore, [this] {
        if (fScrollBox)
            fScrollBox->goNextPage();
    });
    fLayoutPagingTop->setVisible(false);
    fLayoutPagingBottom->setVisible(false);

    fScrollBox = createScrollBox();
    fScrollBox->setParent(tab);

    lay->addWidget(fTextTitle);
    lay->addWidget(fScrollBox, 1);
    lay->addWidget(fLayoutPaging);
    fScrollBox->show();
    fLayoutPaging->show();
    pagingBarPlace();
}

void TCtrlPagingTileChoiceBase::choiceButtonsBuild()
{
    fBtnChoiceList.clear();
    fBtnGuards.clear();
    choiceButtonsFill(fBtnChoiceList);
    for (TCtrlPagingTileChoiceButton* b : fBtnChoiceList) {
        fBtnGuards.emplace_back(b);
        b->setMain(MainFrame());
        QObject::connect(b, &QAbstractButton::clicked, b, [this, b] {
            try {
                choiceButtonClick(b);
            } catch (const std::exception& e) {
                if (MainFrame())
                    MainFrame()->ShowEx(e, nullptr);
            }
        });
        b->setCtrlToResize(this);
    }
}

void TCtrlPagingTileChoiceBase::OnResize(QWidget* parent)
{
    TCtrlStepBase::OnResize(parent);
    if (!parent)
        return;
    const QSizeF size(parent->width(), parent->height());
    if (size == fszFrm)
        return;
    fszFrm = size;
    pagingLayout();
    if (QLayout* l = parent->layout())
        l->activate();
}

void TCtrlPagingTileChoiceBase::pagingLayout()
{
    if (fBtnChoiceList.empty())
        noChoiceAvailable();
    const double w = fszFrm.width();
    if (w == 0)
        return;
    const TPagingTileCalc::TPagingBar bar = TPagingTileCalc::PagingBarLayout(w);
    fPagingMargin = bar.arrowMargin;
    fPagingScale = bar.scale;
    pagingBarPlace();
}

void TCtrlPagingTileChoiceBase::pagingBarPlace()
{
    if (!fLayoutPaging)
        return;
    // Scaling the bar as a whole: every length of it shrinks by the scale.
    const double s = fPagingScale;
    const int w = int(fszFrm.width() > 0 ? fszFrm.width() : StepTabItem()->width());
    fLayoutPaging->setFixedHeight(int(std::lround(105 * s)));
    const int topH = int(std::lround(75 * s));
    const int pad = int(std::lround(10 * s));
    fLayoutPagingTop->setGeometry(0, pad, w, topH - pad);
    const int arrowW = int(std::lround(65 * s));
    const int margin = int(std::lround(fPagingMargin * (s < 1 ? s : 1)));
    fButtonPagingPrevious->setGeometry(margin, 0, arrowW, topH - pad);
    fButtonPagingNext->setGeometry(w - margin - arrowW, 0, arrowW, topH - pad);
    // The arrows alone fill their buttons, centred.
    for (TFloatingButtonImage* arrow : { fButtonPagingPrevious.data(), fButtonPagingNext.data() }) {
        const int side = std::max(1, std::min(arrow->width(), arrow->height()) - int(std::lround(16 * s)));
        arrow->imagePart()->setGeometry((arrow->width() - side) / 2, (arrow->height() - side) / 2, side, side);
    }
    const int moreMargin = int(std::lround(10 * s));
    const int moreLeft = margin + arrowW + moreMargin;
    fButtonPagingMore->setGeometry(moreLeft, 0, std::max(0, w - 2 * moreLeft), topH - pad);
    fLayoutPagingBottom->setGeometry(0, topH, w, int(std::lround(105 * s)) - topH);
    fTextPaging->setGeometry(fLayoutPagingBottom->rect());
}

void TCtrlPagingTileChoiceBase::noChoiceAvailable()
{
    if (MainFrame())
        MainFrame()->goWorkflowStep(&WorkflowSteps::TCtrlTileChoiceHomeProducts, true, true);
    throw EUser(txtNoProduct.Text());
}

void TCtrlPagingTileChoiceBase::pagingTextUpdate(TCtrlPagingTileChoiceScrollBox* box)
{
    if (!box || !fTextPaging)
        return;
    fTextPaging->setText(txtPage.Text({ box->CurrentPage(), box->PageCount() }));
    const bool several = box->ItemPerPage() < int(fBtnChoiceList.size());
    fLayoutPagingTop->setVisible(several);
    fLayoutPagingBottom->setVisible(several);
    LogDebugFmt(QStringLiteral("Choice list(%s): page %d %s"), { ClassName(), box->CurrentPage(), AppMemoryUsageStr() });
}

void TCtrlPagingTileChoiceBase::CtrlResize(TTileButton* button)
{
    const float h = float(button->getExternalHeight());
    if (h == fBtnExternalHeightForSizeCalc)
        return;
    fBtnExternalHeightForSizeCalc = h;
    StoreExternalHeight(ClassName(), h);
    if (fResizeTask)
        fResizeTask->CancelAsk(ttwm_nowait);
    fszFrm = QSizeF();
    if (!MainFrame())
        return;
    // Deferred: the style of the tile is being applied right now.
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    fResizeTask = MainFrame()->GuiQueueAddCall(
        [this, weak] {
            if (!weak.lock())
                return;
            if (StepTabItem())
                OnResize(StepTabItem());
            if (fScrollBox)
                fScrollBox->pagesRelayout();
        },
        false, nullptr);
}

int TCtrlPagingTileChoiceBase::Compare(const TCtrlPagingTileChoiceButton* left, const TCtrlPagingTileChoiceButton* right)
{
    int r = left->displayOrder() - right->displayOrder();
    if (r == 0)
        r = left->tileY() - right->tileY();
    if (r == 0)
        r = left->tileX() - right->tileX();
    if (r == 0)
        r = left->id() > right->id() ? 1 : (left->id() < right->id() ? -1 : 0);
    return r;
}

void TCtrlPagingTileChoiceBase::Sort(TPagingButtonList& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const TCtrlPagingTileChoiceButton* a, const TCtrlPagingTileChoiceButton* b) {
                         return Compare(a, b) < 0;
                     });
}

void TCtrlPagingTileChoiceBase::OnClose()
{
    if (fResizeTask) {
        fResizeTask->CancelAsk(ttwm_wait);
        fResizeTask.reset();
    }
    TCtrlStepBase::OnClose();
    freeAll();
}

void TCtrlPagingTileChoiceBase::freeAll()
{
    for (const QPointer<TCtrlPagingTileChoiceButton>& b : fBtnGuards) {
        if (!b)
            continue;
        QObject::disconnect(b, &QAbstractButton::clicked, nullptr, nullptr);
        b->setCtrlToResize(nullptr);
    }
    // The tiles first: the pages that hold them go with the scroll box.
    fBtnChoiceList.clear();
    for (const QPointer<TCtrlPagingTileChoiceButton>& b : fBtnGuards)
        delete b.data();
    fBtnGuards.clear();
    delete fLayoutPaging.data();
    delete fScrollBox.data();
    delete fTextTitle.data();
    fszFrm = QSizeF();
}
