#include "UProductBase.h"

#include "UDesignedPageAccess.h"
#include "UFormat.h"
#include "UPrintOrder.h"

#include <QLocale>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TProductBase, TXMLSerializableNeedParent, )
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(
    TProduct, TProductBase,
    b.Property<qint32>("Quantity", [](const TProduct& p) { return p.Quantity(); },
                       [](TProduct& p, qint32 v) { p.SetQuantity(QuantityFromFile(v, "TProduct")); }, nullptr);)

// ---------------------------------------------------------------- TProductBase

TProductBase::TProductBase() = default;

TProductBase::TProductBase(TPrintOrder* order)
    : fOrder(order)
{
}

TProductBase::~TProductBase() = default;

const TClassInfo* TProductBase::GiveParent(TRemotable* parent)
{
    return KeepParentOf(parent, fOrder);
}

IMainFrame* TProductBase::mainFrame() const
{
    return fOrder ? fOrder->MainFrame() : nullptr;
}

void TProductBase::orderSetDirty()
{
    if (fOrder)
        fOrder->SetDirty();
}

bool TProductBase::availableImageReplace(const IArcList<TOrderImageBase*>& images,
                                         const IArcList<TCustomizedPageBase*>& pages, TOrderImageBase* oldImg,
                                         TOrderImageBase* newImg)
{
    bool changed = false;
    const int i = images->IndexOf(oldImg);
    if (i >= 0) {
        images->SetItem(i, newImg);
        changed = true;
    }
    if (pages && pages->GetCount() > 0) {
        const auto access = DesignedPageAccess::Current();
        for (int p = 0; p < pages->GetCount(); ++p)
            if (access->ImageUsedReplace(pages->GetItem(p), oldImg, newImg))
                changed = true;
    }
    return changed;
}

TOrderImageBase* TProductBase::availableImageAdd(const IArcList<TOrderImageBase*>& images, TOrderImageBase* img)
{
    if (!fOrder || !img)
        return nullptr;
    TOrderImageBase* own = fOrder->GlobalImageUsedAdd(img);
    if (!own)
        return nullptr;
    if (!images->Contains(own)) {
        images->Add(own);
        orderSetDirty();
    }
    return own;
}

void TProductBase::availableImageDel(const IArcList<TOrderImageBase*>& images,
                                     const IArcList<TCustomizedPageBase*>& pages, IMainFrame* main,
                                     TOrderImageBase* img, bool force)
{
    if (pages && pages->GetCount() > 0) {
        const auto access = DesignedPageAccess::Current();
        for (int p = 0; p < pages->GetCount(); ++p)
            access->ImageUsedDel(pages->GetItem(p), main, img, force);
    }
    images->Remove(img);
    orderSetDirty();
}

// -------------------------------------------------------------------- TProduct

TProduct::TProduct() = default;

TProduct::TProduct(TPrintOrder* order)
    : TProductBase(order)
{
}

TProduct::~TProduct() = default;

void TProduct::SetQuantity(qint32 qty)
{
    if (qty == fQuantity)
        return;
    fQuantity = qty;
    orderSetDirty();
}

void TProduct::AddArcResource(std::shared_ptr<void> res)
{
    if (!res)
        return;
    for (const auto& held : fArcResources)
        if (held.get() == res.get())
            return;
    fArcResources.push_back(std::move(res));
}

QString TProduct::FormatSize(IMainFrame*, int widthmm, int heightmm, TProductLabelMode mode)
{
    const QLocale locale;
    if (widthmm % 10 != 0 || heightmm % 10 != 0) {
        const QString fmt = mode == plm_full ? QStringLiteral("%.1f x %.1f cm") : QStringLiteral("%.1fx%.1f");
        return Format(fmt, { widthmm / 10.0, heightmm / 10.0 }, locale);
    }
    const QString fmt = mode == plm_full ? QStringLiteral("%d x %d cm") : QStringLiteral("%dx%d");
    return Format(fmt, { widthmm / 10, heightmm / 10 }, locale);
}
