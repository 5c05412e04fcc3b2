#pragma once
// TShopTplInfo: the frame details of the lab's frame templates for one theme
// and one paper size: where the photo frames lie on each page, one record
// per template, indexed by template id. Cached per theme and size in
// "ShopTplInfo-<key>.qzinf" under the template part's stamp.
#include "UShopInfoPart.h"
#include "UZebtemplateVelmoraFrameInfo.h"

#include <QHash>
#include <QStringList>

class TConfigInfo;
class ZebtemplateVelmora2;

class TShopTplInfo : public TShopInfoPart {
    KIOSK_SERIALIZABLE_CLASS(TShopTplInfo)
public:
    // The loader's constructor: no key.
    TShopTplInfo();
    TShopTplInfo(int themeId, int tplWidth, int tplHeight, double stamp);
    ~TShopTplInfo() override;

    static std::unique_ptr<TShopTplInfo> TryLoadCreate(TConfigInfo* cfg, int themeId, int tplWidth, int tplHeight,
                                                       double stamp);
    void Save(TConfigInfo* cfg);
    static void serializerPrepare(TXMLSerializer& ser);

    // The theme of a lab template: -1 none, -2 monthly calendar, -3 type 1,
    // else its type; a type of 0 or below raises.
    static int ThemeIdFrom(const ZebtemplateVelmora2* tpl);

    int ThemeId() const { return fThemeId; }
    int TplSizeMin() const { return fTplSizeMin; }
    int TplSizeMax() const { return fTplSizeMax; }
    bool HasKey(int themeId, int sizeMin, int sizeMax) const
    {
        return fThemeId == themeId && fTplSizeMin == sizeMin && fTplSizeMax == sizeMax;
    }

    // The record of a template id, null when the set has none.
    ZebtemplateVelmoraFrameInfo* findById(qint32 id) const;
    QStringList ZebtemplatesVelmoraString() const;
    // Replaces the records by one per text (a malformed text raises).
    void SetZebtemplatesVelmoraString(const QStringList& texts);
    int Count() const { return fList ? fList->Count() : 0; }

private:
    int fThemeId = 0;
    int fTplSizeMin = 0;
    int fTplSizeMax = 0;
    std::unique_ptr<TOwnerList<ZebtemplateVelmoraFrameInfo>> fList;
};
