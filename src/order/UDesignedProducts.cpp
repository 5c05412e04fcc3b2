#include "UDesignedProducts.h"

#include "ULabAlbumContracts.h"

#include <mutex>

KIOSK_ENUM_DEFINE(TTemplateType, QStringLiteral("TTemplateType"), QString(), QStringLiteral("None"),
                  QStringLiteral("ClassicTemplate"), QStringLiteral("MonthCalendar"), QStringLiteral("DesignerPrint"))

// The descriptions of TTemplateProduct and TAlbumProduct (their stored
// properties, and the loader's factory) are in UTemplateProduct.cpp and
// UAlbumProduct.cpp, beside the classes that implement them: an order file
// names the products "TTemplateProduct" and "TAlbumProduct" whatever class
// implements them.

namespace {

// Function-local: the implementing units register their factories from
// their own static initialisers, which may run before this unit's.
std::mutex& factorySync()
{
    static std::mutex sync;
    return sync;
}

TTemplateProduct::TFactory& templateFactory()
{
    static TTemplateProduct::TFactory factory;
    return factory;
}

TAlbumProduct::TFactory& albumFactory()
{
    static TAlbumProduct::TFactory factory;
    return factory;
}

} // namespace

TTemplateProduct::TTemplateProduct() = default;

TTemplateProduct::TTemplateProduct(TPrintOrder* order)
    : TTirageProductBase(order)
{
}

TTemplateProduct::~TTemplateProduct() = default;

void TTemplateProduct::SetFactory(TFactory factory)
{
    std::lock_guard lock(factorySync());
    templateFactory() = std::move(factory);
}

std::unique_ptr<TTemplateProduct> TTemplateProduct::CreateFor(TPrintOrder* order)
{
    TFactory factory;
    {
        std::lock_guard lock(factorySync());
        factory = templateFactory();
    }
    if (!factory)
        throw EToDo();
    return factory(order);
}

TAlbumProduct::TAlbumProduct() = default;

TAlbumProduct::TAlbumProduct(TPrintOrder* order)
    : TProduct(order)
{
}

TAlbumProduct::~TAlbumProduct() = default;

void TAlbumProduct::SetFactory(TFactory factory)
{
    std::lock_guard lock(factorySync());
    albumFactory() = std::move(factory);
}

std::unique_ptr<TAlbumProduct> TAlbumProduct::CreateFor(TPrintOrder* order)
{
    TFactory factory;
    {
        std::lock_guard lock(factorySync());
        factory = albumFactory();
    }
    if (!factory)
        throw EToDo();
    return factory(order);
}
