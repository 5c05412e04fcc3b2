#include "UShopProdPrintInfo.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "ULangText.h"
#include "UShopCommonInfo.h"

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopProdPrintInfo, TXMLSerializable,
    ShopListProperty<Tirage2, TTirageList>(b, "Prints", &Self::fPrintLst);
    ShopTarifProperty(b, "PrintTarifs", &Self::fPrintTarifLst);
    ShopListProperty<ImageTirage2, TTirageVisualList>(b, "PrintVisuals", &Self::fPrintVisualList);
    ShopListProperty<GroupeProduitPhotographe2, TProductGroupList>(b, "ProductGroups", &Self::fProductGroupList);
    ShopListProperty<GroupeProduitPhotographe2, TProductGroupList>(b, "SurfaceGroups", &Self::fSurfaceGroupList);
    b.Property<double>("TSprodPrintInfo", [](const Self& s) { return s.fStamp; },
                       [](Self& s, double v) { s.fStamp = v; }, nullptr);)

namespace {
const QString kClass = QStringLiteral("TShopProdPrintInfo");
}

TShopProdPrintInfo::TShopProdPrintInfo()
    : fPrintLst(std::make_unique<TTirageList>(true))
    , fPrintTarifLst(std::make_unique<TPrintTarifList>())
    , fPrintVisualList(std::make_unique<TTirageVisualList>(true))
    , fProductGroupList(std::make_unique<TProductGroupList>(true))
    , fSurfaceGroupList(std::make_unique<TProductGroupList>(true))
{
}

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

void TShopProdPrintInfo::PrintsDisplayOrderMem()
{
    DisplayOrderMem(*fPrintLst);
}

void TShopProdPrintInfo::PrintClean(const TShopCommonInfo& commonInfo)
{
    commonInfo.tirageWithoutPriceOrChannelRemove(*fPrintLst, *fPrintTarifLst);
    for (int i = 0; i < fPrintVisualList->Count();) {
        if (fPrintLst->findByVisualId((*fPrintVisualList)[i]->Id()))
            ++i;
        else
            fPrintVisualList->Delete(i);
    }
}

void TShopProdPrintInfo::loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& shopCommon, IShopLoadCtrl* ctrl)
{
    static TLangText& txtProducts = TLangText::Create(QStringLiteral("Loading products..."));
    static TLangText& txtPrices = TLangText::Create(QStringLiteral("Loading prints prices..."));
    const ILumLabServiceRef lab = main->GetWebSvcLum();
    const Demandeur2* asker = main->GetWebSvcAsker();
    const Consommateur2* consumer = shopCommon.Consumer();
    const QString ram = QStringLiteral("(ram: %1)");

    fPrintTarifLst = std::make_unique<TPrintTarifList>();
    fPrintLst = std::make_unique<TTirageList>(true);
    fProductGroupList = std::make_unique<TProductGroupList>(true);
    fSurfaceGroupList = std::make_unique<TProductGroupList>(true);

    LogDebug(QStringLiteral("Connection: Loading print products ") + ram.arg(ShopInfoFiles::RamText()));
    if (ctrl)
        ctrl->status(txtProducts.Text());
    fPrintLst = ShopListFrom<TTirageList>(lab->GetConsumerPrints(asker, consumer->Id()));
    if (fPrintLst->Count() == 0)
        return;

    PrintsDisplayOrderMem();
    ArrayOfint ids;
    for (const Tirage2* t : *fPrintLst)
        ids.push_back(t->Id());
    LogDebug(QStringLiteral("Connection: Loading print prices ") + ram.arg(ShopInfoFiles::RamText()));
    if (ctrl)
        ctrl->status(txtPrices.Text());
    fPrintTarifLst = TShopCommonInfo::tarifFromFlatArray(lab->GetPrintsTarifs(asker, ids));
    if (fPrintTarifLst->Count() == 0)
        LogError(QStringLiteral("Connection: All prints without price"));
    PrintClean(shopCommon);
    LogDebug(QStringLiteral("Connection: Print products loaded ") + ram.arg(ShopInfoFiles::RamText()));
    if (fPrintLst->Count() == 0) {
        LogError(QStringLiteral("Connection: All prints removed"));
        return;
    }
    LogDebug(QStringLiteral("Connection: Loading print products groups and surfaces ")
             + ram.arg(ShopInfoFiles::RamText()));
    const qint32 photId = consumer->PhotographeId();
    fProductGroupList = ShopListFrom<TProductGroupList>(
        lab->GetPhotographerProductGroups(asker, photId, GroupeProduitPhotographe_TypeGroupe::Tirages_Format));
    fSurfaceGroupList = ShopListFrom<TProductGroupList>(
        lab->GetPhotographerProductGroups(asker, photId, GroupeProduitPhotographe_TypeGroupe::Tirages_TypePapier));
    LogDebug(QStringLiteral("Connection: Print products info loaded ") + ram.arg(ShopInfoFiles::RamText()));
}
