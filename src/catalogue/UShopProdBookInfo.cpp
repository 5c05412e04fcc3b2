#include "UShopProdBookInfo.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UAlbumSize.h"
#include "UConfig.h"
#include "UPageModeleZeb.h"
#include "UShopCommonInfo.h"

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopProdBookInfo, TXMLSerializable,
    ShopListProperty<AlbumPhotographe2, TPhotographerAlbumList>(b, "Albums", &Self::fAlbums);
    ShopListProperty<PrixAlbum2, TAlbumPriceList>(b, "AlbumPrices", &Self::fPrices);
    b.Property<double>("TSprodBookInfo", [](const Self& s) { return s.fStamp; },
                       [](Self& s, double v) { s.fStamp = v; }, nullptr);)

namespace {
const QString kClass = QStringLiteral("TShopProdBookInfo");
}

TShopProdBookInfo::TShopProdBookInfo() = default;
TShopProdBookInfo::~TShopProdBookInfo() = default;

void TShopProdBookInfo::serializerPrepare(TXMLSerializer& ser)
{
    ser.ClassesOptions = scTonlyRegistered;
    ser.ClassRegister(TShopProdBookInfo::StaticClassInfo(), QStringLiteral("ShopProdBookInfo"));
    ser.ClassRegister(Vignette2::StaticClassInfo(), QStringLiteral("Vignette"));
    ser.ClassRegister(AlbumPhotographe2::StaticClassInfo(), QStringLiteral("PhotographerAlbum"));
    ser.ClassRegister(AlbumVelmora2::StaticClassInfo(), QStringLiteral("VelmoraAlbum"));
    ser.ClassRegister(TAlbumSize::StaticClassInfo(), QStringLiteral("AlbumSize"));
    ser.ClassRegister(PrixAlbum2::StaticClassInfo(), QStringLiteral("AlbumPrice"));
    ser.ClassRegister(Couverture2::StaticClassInfo(), QStringLiteral("AlbumCover"));
    ser.ClassRegister(CouleurMatiere2::StaticClassInfo(), QStringLiteral("MaterColor"));
    ser.ClassRegister(GammeFond2::StaticClassInfo(), QStringLiteral("BackgroundRange"));
    ser.ClassRegister(FondAlbum2::StaticClassInfo(), QStringLiteral("AlbumBackground"));
    ser.ClassRegister(PageModeleZeb::StaticClassInfo(), QStringLiteral("PageModel"));
}

std::unique_ptr<TShopProdBookInfo> TShopProdBookInfo::TryLoadCreate(TConfigInfo* cfg, double stamp)
{
    return LoadPart<TShopProdBookInfo>(kClass, cfg->GetShopInfoProdBookPath(), &serializerPrepare, &stamp);
}

void TShopProdBookInfo::Save(TConfigInfo* cfg)
{
    SavePart(kClass, cfg->GetShopInfoProdBookPath(), &serializerPrepare);
}

void TShopProdBookInfo::loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& common, IShopLoadCtrl*,
                                           bool&)
{
    const ILumLabServiceRef lab = main->GetWebSvcLum();
    const Demandeur2* asker = main->GetWebSvcAsker();
    fAlbums = ShopListFrom<TPhotographerAlbumList>(lab->GetConsumerAlbums(asker, common.Consumer()->Id()));
    fPrices = ShopListFrom<TAlbumPriceList>(
        lab->GetPhotographerAlbumsTarifs(asker, common.Consumer()->PhotographeId()));
}
