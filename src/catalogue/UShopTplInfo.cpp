#include "UShopTplInfo.h"

#include "UConfig.h"
#include "ULabTemplateContracts.h"

#include <algorithm>

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopTplInfo, TXMLSerializable,
    ShopListProperty<ZebtemplateVelmoraFrameInfo, TOwnerList<ZebtemplateVelmoraFrameInfo>>(b, "TemplatesVelmoraArr",
                                                                                         &Self::fList);
    b.Property<double>("TSprodTplInfo", [](const Self& s) { return s.fStamp; },
                       [](Self& s, double v) { s.fStamp = v; }, nullptr);)

namespace {
const QString kClass = QStringLiteral("TShopTplInfo");
}

TShopTplInfo::TShopTplInfo() = default;

TShopTplInfo::TShopTplInfo(int themeId, int tplWidth, int tplHeight, double stamp)
    : fThemeId(themeId)
    , fTplSizeMin(std::min(tplWidth, tplHeight))
    , fTplSizeMax(std::max(tplWidth, tplHeight))
    , fList(std::make_unique<TOwnerList<ZebtemplateVelmoraFrameInfo>>(true))
{
    fStamp = stamp;
}

TShopTplInfo::~TShopTplInfo() = default;

void TShopTplInfo::serializerPrepare(TXMLSerializer& ser)
{
    ser.ClassesOptions = scTonlyRegistered;
    ser.ClassRegister(TShopTplInfo::StaticClassInfo(), QStringLiteral("ShopTplInfo"));
    ser.ClassRegister(ZebtemplateVelmoraFrameInfo::StaticClassInfo(), QStringLiteral("ZebtemplateVelmoraFrameInfo"));
}

std::unique_ptr<TShopTplInfo> TShopTplInfo::TryLoadCreate(TConfigInfo* cfg, int themeId, int tplWidth,
                                                          int tplHeight, double stamp)
{
    const QString path = cfg->GetShopTplInfoPath(themeId, tplWidth, tplHeight);
    auto set = std::make_unique<TShopTplInfo>(themeId, tplWidth, tplHeight, 0);
    if (!ShopInfoFiles::ReadCrypted(kClass, path, &serializerPrepare, *set))
        return nullptr;
    set->ClearDirty();
    if (set->Stamp() != stamp) {
        ShopInfoFiles::LogStep(kClass, QStringLiteral("TryLoadCreate"), path,
                               QStringLiteral("timestamp invalid -> to reload"));
        return nullptr;
    }
    return set;
}

void TShopTplInfo::Save(TConfigInfo* cfg)
{
    SavePart(kClass, cfg->GetShopTplInfoPath(fThemeId, fTplSizeMin, fTplSizeMax), &serializerPrepare);
}

int TShopTplInfo::ThemeIdFrom(const ZebtemplateVelmora2* tpl)
{
    if (!tpl)
        return -1;
    if (tpl->CalendrierMois())
        return -2;
    if (tpl->Type_() == 1)
        return -3;
    if (tpl->Type_() > 1)
        return tpl->Type_();
    throw Exception(QStringLiteral("TShopTplInfo.ThemeIdFrom: unexpected template type"));
}

ZebtemplateVelmoraFrameInfo* TShopTplInfo::findById(qint32 id) const
{
    if (!fList)
        return nullptr;
    for (ZebtemplateVelmoraFrameInfo* r : *fList)
        if (r->Id() == id)
            return r;
    return nullptr;
}

QStringList TShopTplInfo::ZebtemplatesVelmoraString() const
{
    QStringList out;
    if (fList)
        for (ZebtemplateVelmoraFrameInfo* r : *fList)
            out << r->Info();
    return out;
}

void TShopTplInfo::SetZebtemplatesVelmoraString(const QStringList& texts)
{
    auto list = std::make_unique<TOwnerList<ZebtemplateVelmoraFrameInfo>>(true);
    for (const QString& t : texts) {
        auto r = std::make_unique<ZebtemplateVelmoraFrameInfo>();
        r->SetInfo(t);
        list->Add(r.release());
    }
    fList = std::move(list);
}
