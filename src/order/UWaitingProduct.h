#pragma once
// The pictures a customer picked before choosing what to make of them. The
// order keeps at most one waiting product, as its product for picture
// selection; the product chosen next takes its pictures over.
#include "UProductBase.h"

class TWaitingProduct : public TProductBase {
    KIOSK_SERIALIZABLE_CLASS(TWaitingProduct)
public:
    TWaitingProduct();
    explicit TWaitingProduct(TPrintOrder* order);
    ~TWaitingProduct() override;

    // Stored: the pictures, the order's own objects (not owned here).
    IArcList<TOrderImageBase*> Images() const { return fImages; }
    // Replaces the list by a new one holding the array's pictures.
    void SetImages(const TArray<TOrderImageBase*>& images);

    bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg) override;
    TOrderImageBase* ImageUsedAdd(TOrderImageBase* img) override;
    void ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force) override;
    bool IsImageUsed(TOrderImageBase* img) override;
    // The list itself (shared, not a copy).
    IArcList<TOrderImageBase*> ImgsAvailableList() override { return fImages; }
    bool HasImgsAvailable() override { return fImages->GetCount() > 0; }
    void InitWithProduct(TProductBase* prod) override;

private:
    IArcList<TOrderImageBase*> fImages;
};
