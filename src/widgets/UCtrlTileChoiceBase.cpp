#include "UCtrlTileChoiceBase.h"

#include "IMainFrame.h"
#include "UMainFrameTypes.h"
#include "UQzguiButton.h"
#include "UQzguiTouchScroll.h"

#include <QEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

// ---------------------------------------------------------------------------
// TTileChoiceCore

TTileChoiceCore::TTileChoiceCore(bool popup)
    : svgDocMountain(DefaultTileImage())
    , fPopup(popup)
{
}

void TTileChoiceCore::designSizeComplete()
{
    if (fButtonList.empty() || !fButtonList.front())
        return;
    const QAbstractButton* first = fButtonList.front();
    const double fw = first->width();
    const double fh = first->height();
    if (fButtonWidth == 0 && fButtonHeight == 0) {
        fButtonWidth = float(fw);
        fButtonHeight = float(fh);
    } else if (fButtonWidth == 0 && fh > 0) {
        fButtonWidth = float(fButtonHeight / fh * fw);
    } else if (fButtonHeight == 0 && fw > 0) {
        fButtonHeight = float(fButtonWidth / fw * fh);
    }
}

void TTileChoiceCore::layout(const QSizeF& area)
{
    if (fButtonList.empty() || !fLayoutContainer)
        return;
    TTileLayoutInput in;
    in.area = area;
    in.count = int(fButtonList.size());
    in.design = QSizeF(fButtonWidth, fButtonHeight);
    in.heightUsed = fHeightAlreadyUsed;
    in.addHeight = fPopup ? 0 : fButtonMarginAddHeight;
    in.widthMin = fButtonWidthMin;
    in.widthMax = fButtonWidthMax;
    in.heightMin = fButtonHeightMin;
    in.marginHorz = fButtonMarginHorz;
    in.marginHorzMax = fButtonMarginHorzMax;
    in.marginVert = fButtonMarginVert;
    in.marginHorzDiv = fButtonMarginHorzDiv;
    in.perRowMax = fBtnPerRowMax;
    in.popup = fPopup;
    const TTileLayoutResult r = TileLayoutCompute(in);
    if (r.rects.empty())
        return;
    fLayoutContainer->resize(int(area.width()), int(std::ceil(r.containerHeight)));
    for (size_t i = 0; i < fButtonList.size() && i < r.rects.size(); ++i) {
        QAbstractButton* b = fButtonList[i];
        if (!b)
            continue;
        if (b->parentWidget() != fLayoutContainer)
            b->setParent(fLayoutContainer);
        b->setGeometry(r.rects[i].toRect());
        if (!fPopup)
            b->setVisible(true);
    }
}

void TTileChoiceCore::buildIn(QWidget* parent)
{
    auto* box = new QScrollArea(parent);
    box->setObjectName(QStringLiteral("VertScrollBoxTiles"));
    box->setFrameShape(QFrame::NoFrame);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setWidgetResizable(false);
    auto* container = new QWidget;
    container->setObjectName(QStringLiteral("LayoutTiles"));
    box->setWidget(container);
    TQzguiTouchScroll::Enable(box);
    if (QLayout* l = parent->layout())
        l->addWidget(box);
    else
        box->setGeometry(parent->rect());
    box->viewport()->installEventFilter(this);
    fVertScrollBoxContainer = box;
    fLayoutContainer = container;
    box->show();
}

void TTileChoiceCore::close()
{
    for (const auto& b : fButtonList)
        if (b)
            QObject::disconnect(b, &QAbstractButton::clicked, nullptr, nullptr);
    fButtonList.clear();
    fButtonListMade = false;
    fszFrm = QSizeF();
    delete fVertScrollBoxContainer.data();
}

TTileButton* TTileChoiceCore::addTileButton(const QString& caption, QSvgRenderer* svg)
{
    auto* b = new TTileButton(svgDocMountain, QStringLiteral("btntilewhite"), fLayoutContainer);
    b->setCaption(caption);
    b->setImage(svg);
    return b;
}

bool TTileChoiceCore::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && fVertScrollBoxContainer && watched == fVertScrollBoxContainer->viewport()
        && onAreaResized)
        onAreaResized();
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// TCtrlTileChoiceBase

TCtrlTileChoiceBase::TCtrlTileChoiceBase(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlStepBase(main, stepTabItem)
{
}

TCtrlTileChoiceBase::~TCtrlTileChoiceBase()
{
    delete fPageTitle.data();
    delete fPageSubtitle.data();
}

void TCtrlTileChoiceBase::OnOpen(IMainFrame* main)
{
    TCtrlStepBase::OnOpen(main);
    QWidget* tab = StepTabItem();
    if (!tab->layout()) {
        auto* l = new QVBoxLayout(tab);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(0);
    }
    c.buildIn(tab);
    c.onAreaResized = [this] { OnResize(StepTabItem()); };
}

void TCtrlTileChoiceBase::OnResize(QWidget* area)
{
    TCtrlStepBase::OnResize(area);
    if (!area)
        return;
    const QSizeF size = area->size();
    if (size == c.fszFrm)
        return;
    c.fszFrm = size;
    layoutTiles();
}

void TCtrlTileChoiceBase::layoutTiles()
{
    buttonListGet();
    const QScrollArea* box = c.fVertScrollBoxContainer;
    // The scroll area's width: a scroll bar shown takes from the tiles.
    const double w = box ? box->viewport()->width() : c.fszFrm.width();
    c.layout(QSizeF(w, c.fszFrm.height()));
}

const TTileButtonList& TCtrlTileChoiceBase::buttonListGet()
{
    if (!c.fButtonListMade) {
        c.fButtonListMade = true;
        c.fButtonWidth = 0;
        c.fButtonHeight = 0;
        createButtons();
        c.designSizeComplete();
    }
    return c.fButtonList;
}

TTileButton* TCtrlTileChoiceBase::AddTileButton(const QString& caption, QSvgRenderer* svg)
{
    return c.addTileButton(caption, svg);
}

void TCtrlTileChoiceBase::OnClose()
{
    // The headers go first: removing one lays the tiles out again, which
    // after c.close() would build the step's buttons anew from data that
    // may be gone by then.
    c.onAreaResized = nullptr;
    SetPageTitle(QString());
    SetPageSubtitle(QString());
    TCtrlStepBase::OnClose();
    c.close();
}

void TCtrlTileChoiceBase::SetPageTitle(const QString& text)
{
    setHeader(fPageTitle, text, true);
}

void TCtrlTileChoiceBase::SetPageSubtitle(const QString& text)
{
    setHeader(fPageSubtitle, text, false);
}

void TCtrlTileChoiceBase::setHeader(QPointer<QLabel>& label, const QString& text, bool title)
{
    const bool mobile = MainFrame() && MainFrame()->Zebdesign() == zebd_mobile;
    if (text.isEmpty()) {
        if (label) {
            c.fHeightAlreadyUsed -= float(label->height());
            delete label.data();
            c.fszFrm = QSizeF(); // the tiles take the room back
            layoutTiles();
        }
        return;
    }
    if (!label) {
        QWidget* tab = StepTabItem();
        label = new QLabel(tab);
        label->setObjectName(title ? QStringLiteral("PageTitle") : QStringLiteral("PageSubtitle"));
        label->setAlignment(Qt::AlignCenter);
        const int h = title ? (mobile ? 80 : 50) : (mobile ? 45 : 50);
        QFont f = label->font();
        f.setPixelSize(title ? (mobile ? 30 : 40) : (mobile ? 20 : 30));
        f.setBold(false);
        f.setItalic(false);
        label->setFont(f);
        label->setFixedHeight(h);
        if (auto* l = qobject_cast<QVBoxLayout*>(tab->layout())) {
            // Above the scroll area (the title before the subtitle).
            const int at = title ? 0 : (fPageTitle ? 1 : 0);
            l->insertWidget(at, label);
        }
        label->show();
        c.fHeightAlreadyUsed += float(h);
    }
    label->setText(text);
}

// ---------------------------------------------------------------------------
// TCtrlPopupTileChoiceBase

TCtrlPopupTileChoiceBase::TCtrlPopupTileChoiceBase(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus)
    : TCtrlPopupHard(main, bg, newFocus)
{
}

TCtrlPopupTileChoiceBase::~TCtrlPopupTileChoiceBase() = default;

void TCtrlPopupTileChoiceBase::OnOpen(IMainFrame* main)
{
    fOriginalWidth = 840;
    fOriginalHeight = 420;
    TCtrlPopupHard::OnOpen(main);
    QWidget* parent = tilesParent();
    if (!parent->layout()) {
        auto* l = new QVBoxLayout(parent);
        l->setContentsMargins(0, 0, 0, 0);
    }
    c.buildIn(parent);
    c.onAreaResized = [this] { layoutTiles(); };
}

void TCtrlPopupTileChoiceBase::OnResize(QWidget* parent)
{
    TCtrlPopupHard::OnResize(parent);
    layoutTiles();
}

void TCtrlPopupTileChoiceBase::layoutTiles()
{
    buttonListGet();
    const QScrollArea* box = c.fVertScrollBoxContainer;
    if (!box)
        return;
    c.layout(QSizeF(box->viewport()->size()));
}

const TTileButtonList& TCtrlPopupTileChoiceBase::buttonListGet()
{
    if (!c.fButtonListMade) {
        c.fButtonListMade = true;
        c.fButtonWidth = 0;
        c.fButtonHeight = 0;
        createButtons();
        c.designSizeComplete();
    }
    return c.fButtonList;
}

TTileButton* TCtrlPopupTileChoiceBase::AddTileButton(const QString& caption, QSvgRenderer* svg)
{
    return c.addTileButton(caption, svg);
}

void TCtrlPopupTileChoiceBase::OnClose()
{
    TCtrlPopupHard::OnClose();
    c.onAreaResized = nullptr;
    c.close();
}
