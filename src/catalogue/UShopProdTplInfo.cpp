#include "UShopProdTplInfo.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "UShopCommonInfo.h"

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopProdTplInfo, TXMLSerializable,
    ShopListProperty<Tirage2, TTirageList>(b, "Tirages", &Self::fTirages);
    ShopListProperty<ZebtemplateVelmora2, TTemplateVelmoraList>(b, "TemplatesVelmora", &Self::fTemplates);
    ShopListProperty<TemplateCalendrier2, TTemplateCalendarList>(b, "TemplatesCalendar", &Self::fCalendars);
    b.Property<double>("TSprodTplInfo", [](const Self& s) { return s.fStamp; },
                       [](Self& s, double v) { s.fStamp = v; }, nullptr);)

namespace {
const QString kClass = QStringLiteral("TShopProdTplInfo");
}

TShopProdTplInfo::TShopProdTplInfo() = default;
TShopProdTplInfo::~TShopProdTplInfo() = default;

void TShopProdTplInfo::serializerPrepare(TXMLSerializer& ser)
{
    ser.ClassesOptions = scTonlyRegistered;
    ser.ClassRegister(TShopProdTplInfo::StaticClassInfo(), QStringLiteral("ShopProdTplInfo"));
    ser.ClassRegister(Tirage2::StaticClassInfo(), QStringLiteral("Print"));
    ser.ClassRegister(Tarif2::StaticClassInfo(), QStringLiteral("Price"));
    ser.ClassRegister(ImageTirage2::StaticClassInfo(), QStringLiteral("Visual"));
    ser.ClassRegister(ZebtemplateVelmora2::StaticClassInfo(), QStringLiteral("ZebtemplateVelmora"));
    ser.ClassRegister(Vignette2::StaticClassInfo(), QStringLiteral("Vignette"));
    ser.ClassRegister(TemplateVelmoraCadre2::StaticClassInfo(), QStringLiteral("TemplateVelmoraFrame"));
    ser.ClassRegister(TemplateCalendrier2::StaticClassInfo(), QStringLiteral("TemplateCalendar"));
    ser.ClassRegister(TemplateCalendrierImage2::StaticClassInfo(), QStringLiteral("TemplateCalendarImage"));
}

std::unique_ptr<TShopProdTplInfo> TShopProdTplInfo::TryLoadCreate(TConfigInfo* cfg, double stamp)
{
    return LoadPart<TShopProdTplInfo>(kClass, cfg->GetShopInfoProdTplPath(), &serializerPrepare, &stamp);
}

void TShopProdTplInfo::Save(TConfigInfo* cfg)
{
    SavePart(kClass, cfg->GetShopInfoProdTplPath(), &serializerPrepare);
}

bool TShopProdTplInfo::hasThemes(bool cards) const
{
    if (!fTemplates)
        return false;
    for (ZebtemplateVelmora2* t : *fTemplates)
        if (t->Type_() > 0 && (t->Type_() <= 100) == cards)
            return true;
    return false;
}

bool TShopProdTplInfo::hasCards() const
{
    return hasThemes(true);
}

bool TShopProdTplInfo::hasPhotoProducts() const
{
    return hasThemes(false);
}

void TShopProdTplInfo::loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& common, IShopLoadCtrl*)
{
    const ILumLabServiceRef lab = main->GetWebSvcLum();
    const Demandeur2* asker = main->GetWebSvcAsker();
    fTirages = ShopListFrom<TTirageList>(lab->GetConsumerTemplates(asker, common.Consumer()->Id()));
    int position = 0;
    for (Tirage2* t : *fTirages)
        t->setPositionAffichage(1000 + position++);
    fTemplates = ShopListFrom<TTemplateVelmoraList>(lab->GetZebtemplatesVelmoraBase(asker));
    fCalendars = ShopListFrom<TTemplateCalendarList>(lab->GetTemplatesCalendrier(asker));
    // Frame details cached for the previous templates no longer apply.
    main->Config()->CleanShopTplInfoFiles();
}
