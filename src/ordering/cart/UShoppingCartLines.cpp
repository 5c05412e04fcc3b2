#include "UShoppingCartLines.h"

#include "UAlbumProduct.h"
#include "UAppExceptions.h"
#include "UCtrlCommonBase.h"
#include "UCustomizedPage.h"
#include "UDebug.h"
#include "UImageTirageData.h"
#include "UImageTransfer.h"
#include "UOrderingTexts.h"
#include "UPrintOrder.h"
#include "UTemplateProduct.h"
#include "UThreadTaskQueue.h"

#include "ULabPrintContracts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TCartBitmapQueueProvider& queueProvider()
{
    static TCartBitmapQueueProvider provider;
    return provider;
}

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

void lineGeometry(QFrame* line, IMainFrame* main, QWidget* parentLayout, int height)
{
    line->setFixedHeight(height);
    line->setFocusPolicy(Qt::StrongFocus);
    line->setParent(parentLayout);
    if (auto* box = qobject_cast<QBoxLayout*>(parentLayout ? parentLayout->layout() : nullptr))
        box->insertWidget(box->count() > 0 ? box->count() - 1 : 0, line);
    line->show();
}

} // namespace

void SetCartBitmapQueueProvider(TCartBitmapQueueProvider provider)
{
    queueProvider() = std::move(provider);
}

TThreadTaskQueueBase* CartBitmapQueue(IMainFrame* main)
{
    return queueProvider() ? queueProvider()(main) : nullptr;
}

// ------------------------------------------------------------ product line

TShoppingCartLineBase::TShoppingCartLineBase(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout,
                                             TProduct* product, const QString& styleLookup)
    : fMain(main)
    , fProduct(product)
    , fProductNotif(productNotif)
{
    setObjectName(styleLookup);
    KioskSetStyleLookup(this, styleLookup);
    setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 5, 10, 5);
    row->setSpacing(15);

    fLayoutProduct = named(new QWidget(this), "layoutproduct");
    auto* productRow = new QHBoxLayout(fLayoutProduct);
    productRow->setContentsMargins(0, 0, 0, 0);
    fLayoutPreview = named(new QWidget(fLayoutProduct), "layoutpreview");
    fLayoutPreview->setCursor(Qt::PointingHandCursor);
    fLayoutPreview->setMinimumWidth(120);
    fLayoutPreview->installEventFilter(this);
    productRow->addWidget(fLayoutPreview, 1);
    fTextDescription = named(new QLabel(fLayoutProduct), "textdescription");
    fTextDescription->setWordWrap(true);
    fTextDescription->setCursor(Qt::PointingHandCursor);
    fTextDescription->installEventFilter(this);
    fTextDescription->setMinimumWidth(200);
    productRow->addWidget(fTextDescription, 1);
    row->addWidget(fLayoutProduct, 1);

    fLayoutControls = named(new QWidget(this), "layoutcontrols");
    auto* controls = new QHBoxLayout(fLayoutControls);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(8);
    fExtraColumn = new QWidget(fLayoutControls);
    auto* extra = new QVBoxLayout(fExtraColumn);
    extra->setContentsMargins(0, 0, 0, 0);
    controls->addWidget(fExtraColumn);
    fButtonCopieSub = named(new QPushButton(QStringLiteral("-"), fLayoutControls), "buttoncopiesub");
    fEditCopyCount = named(new QLineEdit(fLayoutControls), "editcopiecount");
    fEditCopyCount->setAlignment(Qt::AlignCenter);
    fEditCopyCount->setInputMethodHints(Qt::ImhDigitsOnly);
    fButtonCopieAdd = named(new QPushButton(QStringLiteral("+"), fLayoutControls), "buttoncopieadd");
    controls->addWidget(fButtonCopieSub);
    controls->addWidget(fEditCopyCount);
    controls->addWidget(fButtonCopieAdd);
    fTextTotalPrice = named(new QLabel(fLayoutControls), "texttotalprice");
    fTextTotalPrice->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fTextTotalPrice->setMinimumWidth(110);
    controls->addWidget(fTextTotalPrice);
    fButtonDelete = named(new QPushButton(OrderingText("Delete").Text(), fLayoutControls), "buttondelete");
    controls->addWidget(fButtonDelete);
    row->addWidget(fLayoutControls, 0);

    QObject::connect(fButtonDelete, &QPushButton::clicked, this, [this] { fProductNotif->askProductDel(this); });
    QObject::connect(fButtonCopieAdd, &QPushButton::clicked, this, [this] { setCopyCount(copyCount() + 1); });
    QObject::connect(fButtonCopieSub, &QPushButton::clicked, this, [this] { setCopyCount(copyCount() - 1); });
    QObject::connect(fEditCopyCount, &QLineEdit::textEdited, this, [this](const QString& t) { copyCountTyped(t); });
    QObject::connect(fEditCopyCount, &QLineEdit::editingFinished, this, [this] { copyCountRefresh(); });

    const bool mobile = main->Zebdesign() == zebd_mobile;
    lineGeometry(this, main, parentLayout, mobile ? 102 : 111);
    copyCountRefresh();
}

TShoppingCartLineBase::~TShoppingCartLineBase()
{
    try {
        fMain->BitmapCacheCtrlDestroyed(this);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TShoppingCartLineBase.Destroy"), e);
    }
}

int TShoppingCartLineBase::copyCount() const
{
    return fProduct->Quantity();
}

void TShoppingCartLineBase::setCopyCount(qint64 value)
{
    TShoppingCartRules::copyCountCheck(value);
    if (value == fProduct->Quantity())
        return;
    fProduct->SetQuantity(qint32(value));
    copyCountRefresh();
    fMain->orderChanged();
    productRefresh();
    if (value == 0)
        fProductNotif->askProductDel(this);
}

void TShoppingCartLineBase::copyCountRefresh()
{
    fEditTracking = false;
    fEditCopyCount->setText(QString::number(fProduct->Quantity()));
    KioskSetStyleLookup(fEditCopyCount, QStringLiteral("editFieldStyle"));
    fEditCopyCount->setToolTip(QString());
    fEditTracking = true;
    fButtonCopieAdd->setEnabled(fProduct->Quantity() < TShoppingCartRules::MaxCopyCount);
    fButtonCopieSub->setEnabled(fProduct->Quantity() > 0);
}

void TShoppingCartLineBase::copyCountTyped(const QString& text)
{
    if (!fEditTracking)
        return;
    // A typing error only marks the edit: the quantity stays, and leaving
    // the edit shows it again.
    try {
        bool ok = false;
        const qint64 value = text.trimmed().toLongLong(&ok);
        if (!ok)
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        setCopyCount(value);
    } catch (const Exception& e) {
        fEditCopyCount->setToolTip(e.Message());
        KioskSetStyleLookup(fEditCopyCount, QStringLiteral("editFieldRequiredStyle"));
    }
}

bool TShoppingCartLineBase::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != fLayoutPreview && watched != fTextDescription)
        return QFrame::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::Paint:
        if (watched == fLayoutPreview) {
            QPainter p(fLayoutPreview);
            try {
                fMain->BitmapCacheCtrlStartUse(this);
                p.save();
                previewPaint(p, QRectF(fLayoutPreview->rect()));
                p.restore();
                fMain->BitmapCacheCtrlEndUse(this, true);
            } catch (const std::exception& ex) {
                LogError(QStringLiteral("TShoppingCartLineBase.fmxLayoutPreviewPaint"), ex);
            }
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        fClick.press(static_cast<QMouseEvent*>(e)->globalPosition());
        return true;
    case QEvent::MouseMove:
        fClick.move(static_cast<QMouseEvent*>(e)->globalPosition());
        return true;
    case QEvent::MouseButtonRelease:
        if (fClick.isClick())
            fProductNotif->askProductTransfert(this);
        return true;
    default:
        break;
    }
    return QFrame::eventFilter(watched, e);
}

void TShoppingCartLineBase::thumbnailDraw(QPainter& canvas, TImageSource* src, const QRectF& rect)
{
    const int w = int(std::lround(rect.width()));
    const int h = int(std::lround(rect.height()));
    IOrderBitmapRef bmp = src ? fMain->BitmapCache(src, w, h, TOrderBitmapMode::obm_sizeMax) : nullptr;
    if (bmp && bmp->IsBitmapLoaded(CartBitmapQueue(fMain), this, false)) {
        const QImage img = bmp->Bitmap();
        canvas.drawImage(QPointF(rect.left() + (rect.width() - img.width()) / 2, rect.top() + (rect.height() - img.height()) / 2), img);
        return;
    }
    // Not built yet: the outline of the picture, so that nothing moves
    // when the thumbnail arrives.
    canvas.setPen(QPen(Qt::gray, 1));
    canvas.drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
}

void TShoppingCartLineBase::OnOrderBitmapLoaded(const IOrderBitmapRef&)
{
    QPointer<QWidget> preview = fLayoutPreview;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([preview] {
        if (preview)
            preview->update();
    });
}

// -------------------------------------------------------------- print line

TShoppingCartLinePrint::TShoppingCartLinePrint(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout,
                                               TTirageProduct* product)
    : TShoppingCartLineBase(main, productNotif, parentLayout, product,
                            main->Zebdesign() == zebd_mobile ? QStringLiteral("shoppingcartlineprintmobile")
                                                             : QStringLiteral("shoppingcartlineprint"))
    , fPrintProduct(product)
{
    auto* col = extraColumn()->layout();
    fButtonAddExtraSet = named(new QPushButton(OrderingText("Add an extra set of prints").Text(), extraColumn()),
                               "buttonextraset");
    fButtonRemoveExtraSet = named(new QPushButton(OrderingText("Remove extra set").Text(), extraColumn()),
                                  "buttonremoveextraset");
    col->addWidget(fButtonAddExtraSet);
    col->addWidget(fButtonRemoveExtraSet);
    fButtonRemoveExtraSet->setVisible(false);
    QObject::connect(fButtonAddExtraSet, &QPushButton::clicked, this, [this] { addExtraSet(); });
    QObject::connect(fButtonRemoveExtraSet, &QPushButton::clicked, this, [this] { removeExtraSet(); });
    productRefresh();
}

QList<TImageTirageData*> TShoppingCartLinePrint::entries() const
{
    QList<TImageTirageData*> out;
    TPrintOrder* order = fPrintProduct->Order();
    if (!order)
        return out;
    for (TImageTirageGroupData* group : order->ImagesSelectionneesTirage()) {
        const IArcList<TImageTirageData*> formats = group->TiragesFindByProd(fPrintProduct);
        for (TImageTirageData* e : *formats)
            out << e;
    }
    return out;
}

void TShoppingCartLinePrint::addExtraSet()
{
    fLedger.add(entries());
    fButtonRemoveExtraSet->setVisible(fLedger.canRemove());
    productRefresh();
    fProductNotif->productChanged(this);
}

void TShoppingCartLinePrint::removeExtraSet()
{
    if (!fLedger.canRemove())
        return;
    fLedger.remove(entries());
    fButtonRemoveExtraSet->setVisible(fLedger.canRemove());
    productRefresh();
    fProductNotif->productChanged(this);
}

void TShoppingCartLinePrint::productRefresh()
{
    const TProductPrice price = fPrintProduct->GetPrice();
    description()->setText(OrderingText("%s (%d prints)").Text({ fPrintProduct->ProductCartLabel(), price.qty }));
    totalPrice()->setText(fMain->priceToStr(price, true));
}

void TShoppingCartLinePrint::previewPaint(QPainter& canvas, const QRectF& rect)
{
    // The entries are read at every paint: a print removed elsewhere must
    // never be drawn from a list kept since the line was built.
    const QList<TImageTirageData*> list = fPrintProduct->Order() ? entries() : QList<TImageTirageData*>();
    Tirage2* format = fPrintProduct->Tirage();
    if (list.isEmpty() || !format)
        return;
    const auto places = TShoppingCartRules::stripLayout(TShoppingCartRules::TStripKind::Print,
                                                       int(std::lround(rect.width())), int(std::lround(rect.height())),
                                                       format->Largeur(), format->Longueur(), int(list.size()));
    for (size_t i = 0; i < places.size(); ++i)
        thumbnailDraw(canvas, list[int(i)], places[i].translated(rect.topLeft()));
}

// ----------------------------------------------------------- designed lines

TShoppingCartLineDesigned::TShoppingCartLineDesigned(IMainFrame* main, IProductNotif* productNotif,
                                                     QWidget* parentLayout, TProduct* product,
                                                     const QString& styleLookup, TShoppingCartRules::TStripKind kind)
    : TShoppingCartLineBase(main, productNotif, parentLayout, product, styleLookup)
    , fKind(kind)
{
    productRefresh();
}

void TShoppingCartLineDesigned::productRefresh()
{
    description()->setText(fProduct->ProductCartLabel());
    totalPrice()->setText(fMain->priceToStr(fProduct->GetPrice(), true));
    copyCountRefresh();
}

void TShoppingCartLineDesigned::previewPaint(QPainter& canvas, const QRectF& rect)
{
    IArcList<TCustomizedPageBase*> pages = fProduct->GetPagesList();
    if (!pages || pages->GetCount() == 0)
        return;
    TCustomizedPageBase* first = pages->GetItem(0);
    const auto places = TShoppingCartRules::stripLayout(fKind, int(std::lround(rect.width())),
                                                       int(std::lround(rect.height())), first->PageWidth(),
                                                       first->PageHeight(), pages->GetCount());
    for (size_t i = 0; i < places.size(); ++i)
        thumbnailDraw(canvas, pages->GetItem(int(i)), places[i].translated(rect.topLeft()));
}

namespace {

QString lookupFor(IMainFrame* main, const char* base)
{
    QString s = QString::fromLatin1(base);
    if (main->Zebdesign() == zebd_mobile)
        s += QStringLiteral("mobile");
    return s;
}

} // namespace

TShoppingCartLineAlbum::TShoppingCartLineAlbum(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout,
                                               TAlbumProduct* product)
    : TShoppingCartLineDesigned(main, productNotif, parentLayout, product, lookupFor(main, "shoppingcartlinealbum"),
                                TShoppingCartRules::TStripKind::Book)
    , fAlbumProduct(product)
{
}

TShoppingCartLineCalendar::TShoppingCartLineCalendar(IMainFrame* main, IProductNotif* productNotif,
                                                     QWidget* parentLayout, TTemplateProduct* product)
    : TShoppingCartLineDesigned(main, productNotif, parentLayout, product,
                                lookupFor(main, product->TplType() == TTemplateType::MonthCalendar ? "shoppingcartlinecalendarmonthly"
                                                                             : "shoppingcartlinecalendarannual"),
                                TShoppingCartRules::TStripKind::Pages)
    , fCalendarProduct(product)
{
}

TShoppingCartLineCard::TShoppingCartLineCard(IMainFrame* main, IProductNotif* productNotif, QWidget* parentLayout,
                                             TTemplateProduct* product)
    : TShoppingCartLineDesigned(main, productNotif, parentLayout, product, lookupFor(main, "shoppingcartlinecard"),
                                TShoppingCartRules::TStripKind::Pages)
    , fCardProduct(product)
{
}

// -------------------------------------------------------------- option line

TShoppingCartOptionLine::TShoppingCartOptionLine(IMainFrame* main, IOptionNotif* optionNotif, QWidget* parentLayout,
                                                 TShoppingCartOptions option)
    : fMain(main)
    , fOptionNotif(optionNotif)
    , fOption(option)
{
    const char* lookup = nullptr;
    const char* label = nullptr;
    switch (option) {
    case sco_cd:
        lookup = "shoppingcartlinecd";
        label = "CD";
        break;
    case sco_index:
        lookup = "shoppingcartlineindex";
        label = "Index";
        break;
    default:
        throw EToDo(QStringLiteral("TShoppingCartOptionLine.Create: option not supported"));
    }
    setObjectName(QString::fromLatin1(lookup));
    KioskSetStyleLookup(this, QString::fromLatin1(lookup));
    setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 2, 10, 2);
    fLabelDescription = named(new QLabel(OrderingText(label).Text(), this), "labeldescription");
    row->addWidget(fLabelDescription, 1);
    fTextTotalPrice = named(new QLabel(this), "texttotalprice");
    fTextTotalPrice->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(fTextTotalPrice);
    fButtonDelete = named(new QPushButton(OrderingText("Delete").Text(), this), "buttondelete");
    row->addWidget(fButtonDelete);
    QObject::connect(fButtonDelete, &QPushButton::clicked, this, [this] { deleteClick(); });
    setTotalPrice(0);
    lineGeometry(this, main, parentLayout, 46);
}

TShoppingCartOptionLine::~TShoppingCartOptionLine()
{
    try {
        if (fRefreshTask)
            fRefreshTask->CancelAsk(ttwm_wait);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TShoppingCartOptionLine.Destroy"), e);
    }
}

void TShoppingCartOptionLine::setTotalPrice(Currency amount)
{
    fTotalPrice = amount;
    if (fTextTotalPrice)
        fTextTotalPrice->setText(fMain->priceToStr(amount, true));
}

void TShoppingCartOptionLine::deleteClick()
{
    TPrintOrder* order = fMain->GetOrder();
    if (fOption == sco_cd)
        order->SetCdWanted(false);
    else if (fOption == sco_index)
        order->SetIndexWanted(false);
    else
        throw EToDo(QStringLiteral("TShoppingCartOptionLine.ButtonDeleteClick: option not supported"));
    if (fRefreshTask) {
        fRefreshTask->CancelAsk(ttwm_wait);
        fRefreshTask.reset();
    }
    IMainFrame* main = fMain;
    IOptionNotif* notif = fOptionNotif;
    const TShoppingCartOptions option = fOption;
    fRefreshTask = main->GuiQueueAddCall([main, notif, option] {
        main->orderChanged();
        notif->optionRefresh(option);
    }, true, nullptr);
}
