#include "UWaitingProduct.h"

#include "UOrderImage.h"
#include "UPrintOrder.h"

KIOSK_SERIALIZABLE_DESCRIBE(
    TWaitingProduct, TProductBase,
    // The pictures are stored by reference: the order owns them, and the
    // order file gives the product the order's own objects back.
    b.Property<std::vector<std::unique_ptr<TOrderImageBase>>>(
        "Images",
        [](const TWaitingProduct& p) {
            std::vector<TOrderImageBase*> out;
            for (TOrderImageBase* img : p.Images())
                out.push_back(img);
            return out;
        },
        [](TWaitingProduct& p, std::vector<std::unique_ptr<TOrderImageBase>> v) {
            std::vector<TOrderImageBase*> raw;
            for (auto& img : v)
                raw.push_back(img.release());
            p.SetImages(TArray<TOrderImageBase*>(raw));
        },
        nullptr);)

TWaitingProduct::TWaitingProduct()
    : fImages(TArcList<TOrderImageBase*>::Create())
{
}

TWaitingProduct::TWaitingProduct(TPrintOrder* order)
    : TProductBase(order)
    , fImages(TArcList<TOrderImageBase*>::Create())
{
}

TWaitingProduct::~TWaitingProduct() = default;

void TWaitingProduct::SetImages(const TArray<TOrderImageBase*>& images)
{
    fImages = TArcList<TOrderImageBase*>::Create(images);
}

bool TWaitingProduct::ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg)
{
    const int i = fImages->IndexOf(oldImg);
    if (i < 0)
        return false;
    fImages->SetItem(i, newImg);
    return true;
}

TOrderImageBase* TWaitingProduct::ImageUsedAdd(TOrderImageBase* img)
{
    if (!fOrder || !img)
        return nullptr;
    TOrderImageBase* own = fOrder->GlobalImageUsedAdd(img);
    if (!own)
        return nullptr;
    if (!fImages->Contains(own)) {
        fImages->Add(own);
        orderSetDirty();
    }
    return own;
}

void TWaitingProduct::ImageUsedDel(IMainFrame*, TOrderImageBase* img, bool)
{
    fImages->Remove(img);
    orderSetDirty();
}

bool TWaitingProduct::IsImageUsed(TOrderImageBase* img)
{
    return fImages->Contains(img);
}

void TWaitingProduct::InitWithProduct(TProductBase* prod)
{
    IArcList<TOrderImageBase*> fresh = TArcList<TOrderImageBase*>::Create();
    if (prod && prod != this) {
        if (IArcList<TOrderImageBase*> other = prod->ImgsAvailableList())
            for (TOrderImageBase* img : other)
                fresh->Add(img);
    } else {
        fresh->AddRange(fImages->ToArray());
    }
    fImages = fresh;
}
