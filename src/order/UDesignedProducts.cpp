#include "UDesignedProducts.h"

#include "ULabAlbumContracts.h"

#include <mutex>

KIOSK_ENUM_DEFINE(TTemplateType, QStringLiteral("TTemplateType"), QString(), QStringLiteral("None"),
                  QStringLiteral("ClassicTemplate"), QStringLiteral("MonthCalendar"), QStringLiteral("DesignerPrint"))

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(
    TTemplateProduct, TTirageProductBase,
    b.Property<TTemplateType>("TplType", [](const TTemplateProduct& p) { return p.TplType(); },
                              [](TTemplateProduct& p, TTemplateType v) { p.SetTplType(v); }, nullptr);)
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TAlbumProduct, TProduct, )

namespace {

std::mutex gFactorySync;
TTemplateProduct::TFactory gTemplateFactory;
TAlbumProduct::TFactory gAlbumFactory;

} // namespace

TTemplateProduct::TTemplateProduct() = default;

TTemplateProduct::TTemplateProduct(TPrintOrder* order)
    : TTirageProductBase(order)
{
}

TTemplateProduct::~TTemplateProduct() = default;

void TTemplateProduct::SetFactory(TFactory factory)
{
    std::lock_guard lock(gFactorySync);
    gTemplateFactory = std::move(factory);
}

std::unique_ptr<TTemplateProduct> TTemplateProduct::CreateFor(TPrintOrder* order)
{
    TFactory factory;
    {
        std::lock_guard lock(gFactorySync);
        factory = gTemplateFactory;
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
    std::lock_guard lock(gFactorySync);
    gAlbumFactory = std::move(factory);
}

std::unique_ptr<TAlbumProduct> TAlbumProduct::CreateFor(TPrintOrder* order)
{
    TFactory factory;
    {
        std::lock_guard lock(gFactorySync);
        factory = gAlbumFactory;
    }
    if (!factory)
        throw EToDo();
    return factory(order);
}
