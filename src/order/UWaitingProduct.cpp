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
    return availableImageReplace(fImages, nullptr, oldImg, newImg);
}

TOrderImageBase* TWaitingProduct::ImageUsedAdd(TOrderImageBase* img)
{
    return availableImageAdd(fImages, img);
}

void TWaitingProduct::ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force)
{
    availableImageDel(fImages, nullptr, main, img, force);
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
