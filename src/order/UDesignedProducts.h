#pragma once
// Template products (cards, calendars, designer prints) and photo books as
// the order sees them: their kind, format or model, and the operations the
// order calls on them (check before sending, unit prices, extra pages).
// Their pages, frames and picture placement are built on designed pages;
// the concrete classes register a factory through which the order creates
// them.
#include "UTirageProduct.h"

#include <functional>
#include <memory>

class AlbumPhotographe2;

enum class TTemplateType : int { None, ClassicTemplate, MonthCalendar, DesignerPrint };
KIOSK_ENUM_DECLARE(TTemplateType)

class TTemplateProduct : public TTirageProductBase {
    KIOSK_SERIALIZABLE_CLASS(TTemplateProduct)
public:
    TTemplateProduct();
    explicit TTemplateProduct(TPrintOrder* order);
    ~TTemplateProduct() override;

    // Stored: the kind of template product.
    TTemplateType TplType() const { return fTplType; }
    void SetTplType(TTemplateType t) { fTplType = t; }

    // Validation before sending: EUser when a page lacks a valid picture.
    virtual void Check() = 0;
    // Price of one product for a quantity, from the template prices.
    virtual TProductPrice GetUnitPrice(qint32 qty) = 0;

    using TFactory = std::function<std::unique_ptr<TTemplateProduct>(TPrintOrder*)>;
    static void SetFactory(TFactory factory);
    // A new template product of the order; EToDo when no concrete class
    // registered its factory.
    static std::unique_ptr<TTemplateProduct> CreateFor(TPrintOrder* order);

private:
    TTemplateType fTplType = TTemplateType::None;
};

class TAlbumProduct : public TProduct {
    KIOSK_SERIALIZABLE_CLASS(TAlbumProduct)
public:
    TAlbumProduct();
    explicit TAlbumProduct(TPrintOrder* order);
    ~TAlbumProduct() override;

    // The store's photo-book model; the catalogue's record, not owned.
    AlbumPhotographe2* Album() const { return fAlbum; }
    virtual void SetAlbum(AlbumPhotographe2* album) { fAlbum = album; }

    virtual void Check() = 0;
    // Price of one photo book (seePageAddPrice false) or of one extra page
    // (true) for a quantity.
    virtual TProductPrice GetUnitPrice(qint32 qty, bool seePageAddPrice) = 0;
    // Pages bought beyond the model's minimum.
    virtual int PageSuppCount() = 0;

    using TFactory = std::function<std::unique_ptr<TAlbumProduct>(TPrintOrder*)>;
    static void SetFactory(TFactory factory);
    static std::unique_ptr<TAlbumProduct> CreateFor(TPrintOrder* order);

protected:
    AlbumPhotographe2* fAlbum = nullptr;
};
