#include "UShopProdPrintInfo.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "UShopCommonInfo.h"

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopProdPrintInfo, TXMLSerializable,
    ShopListProperty<Tirage2, TTirageList>(b, "Tirages", &Self::fTirages);
    ShopListProperty<Tarif2, TTarifList>(b, "Prices", &Self::fPrices);
    ShopListProperty<GroupeProduitPhotographe2, TProductGroupList>(b, "Groups", &Self::fGroups);
    ShopListProperty<GroupeProduitPhotographe2, TProductGroupList>(b, "Surfaces", &Self::fSurfaces);
    b.Property<double>("TSprodPrintInfo", [](const Self& s) { return s.fStamp; },
                       [](Self& s, double v) { s.fStamp = v; }, nullptr);)

namespace {
const QString kClass = QStringLiteral("TShopProdPrintInfo");
}

TShopProdPrintInfo::TShopProdPrintInfo() = default;
TShopProdPrintInfo::~TShopProdPrintInfo() = default;

void TShopProdPrintInfo::serializerPrepare(TXMLSerializer& ser)
{
    ser.ClassesOptions = scTonlyRegistered;
    ser.ClassRegister(TShopProdPrintInfo::StaticClassInfo(), QStringLiteral("ShopProdPrintInfo"));
    ser.ClassRegister(Tirage2::StaticClassInfo(), QStringLiteral("Print"));
    ser.ClassRegister(Tarif2::StaticClassInfo(), QStringLiteral("Price"));
    ser.ClassRegister(ImageTirage2::StaticClassInfo(), QStringLiteral("Visual"));
    ser.ClassRegister(Vignette2::StaticClassInfo(), QStringLiteral("Vignette"));
    ser.ClassRegister(GroupeProduitPhotographe2::StaticClassInfo(), QStringLiteral("PhotographerProductGroup"));
}

std::unique_ptr<TShopProdPrintInfo> TShopProdPrintInfo::TryLoadCreate(TConfigInfo* cfg, double stamp)
{
    return LoadPart<TShopProdPrintInfo>(kClass, cfg->GetShopInfoProdPrintPath(), &serializerPrepare, &stamp);
}

void TShopProdPrintInfo::Save(TConfigInfo* cfg)
{
    SavePart(kClass, cfg->GetShopInfoProdPrintPath(), &serializerPrepare);
}

void TShopProdPrintInfo::loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& common, IShopLoadCtrl*)
{
    const ILumLabServiceRef lab = main->GetWebSvcLum();
    const Demandeur2* asker = main->GetWebSvcAsker();
    const qint32 photId = common.Consumer()->PhotographeId();
    fTirages = ShopListFrom<TTirageList>(lab->GetConsumerPrints(asker, common.Consumer()->Id()));
    ArrayOfint ids;
    int position = 0;
    for (Tirage2* t : *fTirages) {
        ids.push_back(t->Id());
        t->setPositionAffichage(1000 + position++);
    }
    fPrices = ShopListFrom<TTarifList>(ids.empty() ? Tarif2List() : lab->GetPrintsTarifs(asker, ids));
    fGroups = ShopListFrom<TProductGroupList>(
        lab->GetPhotographerProductGroups(asker, photId, GroupeProduitPhotographe_TypeGroupe::Tirages_Format));
    fSurfaces = ShopListFrom<TProductGroupList>(
        lab->GetPhotographerProductGroups(asker, photId, GroupeProduitPhotographe_TypeGroupe::Tirages_TypePapier));
}
