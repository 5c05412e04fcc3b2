#include "UShoppingCartCrossSelling.h"

#include "UCartProductWorkflows.h"
#include "UCtrlCommonBase.h"
#include "UDebug.h"
#include "UImageTransfer.h"
#include "UOrderImage.h"
#include "UOrderingTexts.h"
#include "UPrintOrder.h"
#include "UShoppingCartLines.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"
#include "UWorkflowSteps.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kTileWidth = 140;
constexpr int kTileHeight = 150;
constexpr int kOptionCd = 100;
constexpr int kOptionIndex = 101;

} // namespace

struct TShoppingCartCrossSelling::TTileDef {
    const char* name;
    int action; // a TProductVisibilityType, or kOptionCd / kOptionIndex
    const char* picture; // resource picture, or null
    const char* label;
};

TShoppingCartCrossSelling::TShoppingCartCrossSelling(QWidget* owner)
    : QFrame(owner)
{
    setObjectName(QStringLiteral("crossselling"));
    KioskSetStyleLookup(this, QStringLiteral("crossselling"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 10, 85, 10);
    fLayoutCentered = new QWidget(this);
    fLayoutCentered->setObjectName(QStringLiteral("layoutCentered"));
    auto* row = new QHBoxLayout(fLayoutCentered);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    outer->addStretch(1);
    outer->addWidget(fLayoutCentered);
    outer->addStretch(1);
}

TShoppingCartCrossSelling::~TShoppingCartCrossSelling()
{
    if (fMain) {
        try {
            fMain->BitmapCacheCtrlDestroyed(this);
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TShoppingCartCrossSelling.Destroy"), e);
        }
    }
    clearImgToPaint();
}

QWidget* TShoppingCartCrossSelling::tileCreate(const TTileDef& def)
{
    const QString name = QString::fromLatin1(def.name);
    auto* tile = new QFrame(fLayoutCentered);
    tile->setObjectName(QStringLiteral("layout") + name);
    tile->setCursor(Qt::PointingHandCursor);
    tile->installEventFilter(this);
    auto* col = new QVBoxLayout(tile);
    col->setContentsMargins(4, 4, 4, 4);
    col->setSpacing(2);
    auto* img = new QWidget(tile);
    img->setObjectName(QStringLiteral("layout") + name + QStringLiteral("img"));
    col->addWidget(img, 1);
    if (def.picture && fMain) {
        try {
            if (TOrderImageBase* pic = fMain->GetResImg(QString::fromLatin1(def.picture), QStringLiteral("jpg"))) {
                fImgToPaint.insert(img, pic);
                img->installEventFilter(this);
            }
        } catch (const std::exception& e) {
            // A missing picture leaves the tile with its texts.
            LogDebug(QStringLiteral("TShoppingCartCrossSelling.imgToPaintAdd: ") + QString::fromUtf8(e.what()));
        }
    }
    auto* label = new QLabel(OrderingText(def.label).Text(), tile);
    label->setObjectName(QStringLiteral("label") + name + QStringLiteral("desc"));
    label->setAlignment(Qt::AlignCenter);
    col->addWidget(label);
    auto* price = new QLabel(tile);
    price->setObjectName(QStringLiteral("text") + name + QStringLiteral("price"));
    price->setAlignment(Qt::AlignCenter);
    col->addWidget(price);
    auto* button = new QPushButton(OrderingText("Add to Order").Text(), tile);
    button->setObjectName(QStringLiteral("button") + name);
    col->addWidget(button);
    const int action = def.action;
    // The button is the tile's own action: a press on it is a press on the tile.
    QObject::connect(button, &QPushButton::clicked, this, [this, action] {
        if (action == kOptionCd)
            optionClick(sco_cd);
        else if (action == kOptionIndex)
            optionClick(sco_index);
        else
            familyClick(TProductVisibilityType(action));
    });
    fTileAction.insert(tile, action);
    fLayoutCentered->layout()->addWidget(tile);
    fTiles.insert(tile->objectName(), tile);
    return tile;
}

void TShoppingCartCrossSelling::applyStyle()
{
    static const TTileDef defs[] = {
        { "print", pvt_print, "home_prints", "Print" },
        { "album", pvt_book, "home_photobooks", "Album" },
        { "calendar", pvt_calendar, "home_calendars", "Calendar" },
        { "card", pvt_card, "home_cards", "Card" },
        { "designerprint", pvt_photoprod, "home_designer_prints", "Designer Print" },
        { "cd", kOptionCd, nullptr, "CD" },
        { "index", kOptionIndex, "printoption_index", "Index" },
    };
    for (const TTileDef& def : defs) {
        QWidget* tile = tileCreate(def);
        auto* price = tile->findChild<QLabel*>(QStringLiteral("text") + QString::fromLatin1(def.name)
                                               + QStringLiteral("price"));
        if (def.action == kOptionCd) {
            fLayoutCd = tile;
            fTextCd = price;
            continue;
        }
        if (def.action == kOptionIndex) {
            fLayoutIndex = tile;
            fTextIndex = price;
            continue;
        }
        const auto family = TProductVisibilityType(def.action);
        const bool visible = fMain->getProductVisibility(family) == pvm_visible;
        tile->setVisible(visible);
        if (visible && CartProductWorkflows().minPrice) {
            if (auto min = CartProductWorkflows().minPrice(fMain, family))
                price->setText(OrderingText("From %s").Text({ fMain->priceToStr(*min, true) }));
        }
    }
    if (fOptionNotif) {
        fOptionNotif->optionRefresh(sco_cd);
        fOptionNotif->optionRefresh(sco_index);
    }
    recalcSize();
}

QWidget* TShoppingCartCrossSelling::tile(const char* name) const
{
    return fTiles.value(QString::fromLatin1(name));
}

int TShoppingCartCrossSelling::visibleTileCount() const
{
    int n = 0;
    for (QWidget* t : fTiles)
        n += t->isVisibleTo(const_cast<TShoppingCartCrossSelling*>(this)) ? 1 : 0;
    return n;
}

void TShoppingCartCrossSelling::recalcSize()
{
    const QMargins m = layout()->contentsMargins();
    const float w = float(width() - m.left() - m.right());
    const float h = float(height() - m.top() - m.bottom());
    fScale = TShoppingCartRules::crossSellingScale(w, h, visibleTileCount());
    const int tw = int(kTileWidth * fScale);
    const int th = int(kTileHeight * fScale);
    for (QWidget* t : fTiles)
        t->setFixedSize(std::max(0, tw), std::max(0, th));
}

void TShoppingCartCrossSelling::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    recalcSize();
}

void TShoppingCartCrossSelling::familyClick(TProductVisibilityType family)
{
    struct Target {
        TWorkflowType type;
        TWorkflowStep homeStep;
    };
    Target t {};
    switch (family) {
    case pvt_print:
        t = { TWorkflowPrint, &WorkflowSteps::TCtrlProductSizePrint };
        break;
    case pvt_book:
        t = { TWorkflowAlbum, &WorkflowSteps::TCtrlProductSizeAlbum };
        break;
    case pvt_calendar:
        t = { TWorkflowCalendarMonthly, &WorkflowSteps::TCtrlTileChoiceCalendarTypes };
        break;
    case pvt_card:
        t = { TWorkflowCard, &WorkflowSteps::TCtrlProductChoiceCardGroups };
        break;
    case pvt_photoprod:
        t = { TWorkflowDesignerPrint, &WorkflowSteps::TCtrlProductChoiceCardGroups };
        break;
    default:
        return;
    }
    if (CartProductWorkflows().startFamily)
        CartProductWorkflows().startFamily(fMain, family);
    fMain->setWorkflowType(t.type);
    fMain->goWorkflowStep(fMain->Zebdesign() == zebd_home ? t.homeStep : &WorkflowSteps::TCtrlTileChoiceSourceMedia,
                          true, true);
}

void TShoppingCartCrossSelling::optionClick(TShoppingCartOptions option)
{
    TPrintOrder* order = fMain->GetOrder();
    if (option == sco_cd)
        order->SetCdWanted(true);
    else
        order->SetIndexWanted(true);
    fMain->orderChanged();
    if (fOptionNotif)
        fOptionNotif->optionRefresh(option);
}

bool TShoppingCartCrossSelling::eventFilter(QObject* watched, QEvent* e)
{
    auto* w = qobject_cast<QWidget*>(watched);
    if (e->type() == QEvent::MouseButtonRelease && fTileAction.contains(w)) {
        const int action = fTileAction.value(w);
        if (action == kOptionCd)
            optionClick(sco_cd);
        else if (action == kOptionIndex)
            optionClick(sco_index);
        else
            familyClick(TProductVisibilityType(action));
        return true;
    }
    if (e->type() == QEvent::Paint && fImgToPaint.contains(w)) {
        QPainter p(w);
        try {
            fMain->BitmapCacheCtrlStartUse(w);
            const QRectF r(w->rect());
            IOrderBitmapRef bmp = fMain->BitmapCache(fImgToPaint.value(w), int(std::lround(r.width())),
                                                     int(std::lround(r.height())), TOrderBitmapMode::obm_sizeMax);
            if (bmp && bmp->IsBitmapLoaded(CartBitmapQueue(fMain), this, false)) {
                const QImage img = bmp->Bitmap();
                const QSizeF fit = img.size().scaled(r.size().toSize(), Qt::KeepAspectRatio);
                p.drawImage(QRectF(r.center().x() - fit.width() / 2, r.center().y() - fit.height() / 2,
                                   fit.width(), fit.height()),
                            img);
            }
            fMain->BitmapCacheCtrlEndUse(w, true);
        } catch (const std::exception& ex) {
            LogError(QStringLiteral("TShoppingCartCrossSelling.imgToPaintPaint"), ex);
        }
        return true;
    }
    return QFrame::eventFilter(watched, e);
}

void TShoppingCartCrossSelling::OnOrderBitmapLoaded(const IOrderBitmapRef&)
{
    QList<QPointer<QWidget>> layouts;
    for (QWidget* w : fImgToPaint.keys())
        layouts << w;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([layouts] {
        for (const QPointer<QWidget>& w : layouts)
            if (w)
                w->update();
    });
}

void TShoppingCartCrossSelling::clearImgToPaint()
{
    for (QWidget* w : fImgToPaint.keys()) {
        w->removeEventFilter(this);
        if (!fMain)
            continue;
        try {
            fMain->BitmapCacheCtrlDestroyed(w);
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TShoppingCartCrossSelling.clearImgToPaint"), e);
        }
    }
    fImgToPaint.clear();
}
