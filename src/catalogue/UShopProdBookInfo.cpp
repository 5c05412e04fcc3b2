#include "UShopProdBookInfo.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "ULangText.h"
#include "UPageModeleZeb.h"
#include "UShopCommonInfo.h"
#include "UShopProdPrintInfo.h"

#include <algorithm>
#include <map>

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopProdBookInfo, TXMLSerializable,
    ShopListProperty<AlbumPhotographe2, TPhotographerAlbumList>(b, "PhotographerAlbums",
                                                                &Self::fPhotographerAlbumList);
    ShopListProperty<TAlbumSize, TAlbumSizeList>(b, "AlbumSize", &Self::fAlbumSizeList);
    ShopListProperty<PrixAlbum2, TAlbumPriceList>(b, "AlbumPrices", &Self::fAlbumPriceList);
    ShopListProperty<Couverture2, TAlbumCoverList>(b, "AlbumCovers", &Self::fAlbumCoverList);
    ShopListProperty<CouleurMatiere2, TMaterColorList>(b, "MaterColors", &Self::fMaterColorList);
    ShopListProperty<GammeFond2, TBackgroundRangeList>(b, "BackgroundRanges", &Self::fBackgroundRangeList);
    b.Property<double>("TSprodBookInfo", [](const Self& s) { return s.fStamp; },
                       [](Self& s, double v) { s.fStamp = v; }, nullptr);)

namespace {

const QString kClass = QStringLiteral("TShopProdBookInfo");

void addOnce(ArrayOfint& ids, qint32 id)
{
    if (std::find(ids.begin(), ids.end(), id) == ids.end())
        ids.push_back(id);
}

} // namespace

TShopProdBookInfo::TShopProdBookInfo()
    : fPhotographerAlbumList(std::make_unique<TPhotographerAlbumList>(true))
    , fAlbumPriceList(std::make_unique<TAlbumPriceList>(true))
    , fAlbumCoverList(std::make_unique<TAlbumCoverList>(true))
    , fMaterColorList(std::make_unique<TMaterColorList>(true))
    , fAlbumSizeList(std::make_unique<TAlbumSizeList>(true))
    , fBackgroundRangeList(std::make_unique<TBackgroundRangeList>(true))
{
}

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

void TShopProdBookInfo::PhotographerAlbumsDisplayOrderMem()
{
    DisplayOrderMem(*fPhotographerAlbumList);
}

void TShopProdBookInfo::AlbumClean()
{
    for (int i = 0; i < fPhotographerAlbumList->Count();) {
        const AlbumPhotographe2* a = (*fPhotographerAlbumList)[i];
        if (fAlbumSizeList->byWidthHeight(a->LargeurPage(), a->HauteurPage()))
            ++i;
        else
            fPhotographerAlbumList->Delete(i);
    }
}

void TShopProdBookInfo::loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& shopCommon, IShopLoadCtrl* ctrl,
                                           bool& bLoadScrapData)
{
    static TLangText& txtBooks = TLangText::Create(QStringLiteral("Loading photo books..."));
    const ILumLabServiceRef lab = main->GetWebSvcLum();
    const Demandeur2* asker = main->GetWebSvcAsker();
    const Consommateur2* consumer = shopCommon.Consumer();
    const QString ram = QStringLiteral("(ram: %1)");

    fAlbumSizeList = std::make_unique<TAlbumSizeList>(true);
    fAlbumPriceList = std::make_unique<TAlbumPriceList>(true);
    fAlbumCoverList = std::make_unique<TAlbumCoverList>(true);
    fMaterColorList = std::make_unique<TMaterColorList>(true);
    fPhotographerAlbumList = std::make_unique<TPhotographerAlbumList>(true);

    LogDebug(QStringLiteral("Connection: Loading photo book products ") + ram.arg(ShopInfoFiles::RamText()));
    if (ctrl)
        ctrl->status(txtBooks.Text());
    fPhotographerAlbumList = ShopListFrom<TPhotographerAlbumList>(lab->GetConsumerAlbums(asker, consumer->Id()));
    if (fPhotographerAlbumList->Count() == 0)
        return;
    PhotographerAlbumsDisplayOrderMem();

    LogDebug(QStringLiteral("Connection: Loading photo book prices ") + ram.arg(ShopInfoFiles::RamText()));
    fAlbumPriceList = ShopListFrom<TAlbumPriceList>(lab->GetPhotographerAlbumsTarifs(asker, consumer->PhotographeId()));
    for (int i = 0; i < fAlbumPriceList->Count();) {
        if ((*fAlbumPriceList)[i]->TypeDeTarif() == consumer->TypeTarif())
            ++i;
        else
            fAlbumPriceList->Delete(i);
    }

    LogDebug(QStringLiteral("Connection: Loading photo book covers ... ") + ram.arg(ShopInfoFiles::RamText()));
    ArrayOfint coverIds;
    ArrayOfint colorIds;
    // Background family -> its distinct page sizes, in first-seen order
    // (the size list owns the entries).
    std::map<qint32, std::vector<TAlbumSize*>> families;
    for (const AlbumPhotographe2* a : *fPhotographerAlbumList) {
        addOnce(coverIds, a->CouvertureId());
        addOnce(colorIds, a->CouleurMatiereId());
        addOnce(colorIds, a->CouleurMatiereIdBack());
        TAlbumSize* size = fAlbumSizeList->byWidthHeight(a->LargeurPage(), a->HauteurPage());
        if (!size) {
            size = new TAlbumSize(a->LargeurPage(), a->HauteurPage());
            fAlbumSizeList->Add(size);
        }
        std::vector<TAlbumSize*>& sizes = families[a->FamilleFondId()];
        if (std::find(sizes.begin(), sizes.end(), size) == sizes.end())
            sizes.push_back(size);
    }
    fAlbumCoverList = ShopListFrom<TAlbumCoverList>(lab->GetCouverturesParListe(asker, coverIds, false));
    fMaterColorList = ShopListFrom<TMaterColorList>(lab->GetCouleurMatieresParListe(asker, colorIds, false));

    LogDebug(QStringLiteral("Connection: Loading photo book backgrounds ... ") + ram.arg(ShopInfoFiles::RamText()));
    for (const auto& [family, sizes] : families)
        for (TAlbumSize* size : sizes)
            for (auto& bg : lab->GetFondsAlbumParFamille(asker, family, size->cx(), size->cy(), false))
                if (bg && !size->BackgroundList().findById(bg->Id()))
                    size->BackgroundList().Add(bg.release());
    for (TAlbumSize* size : *fAlbumSizeList)
        size->PageModelListStr(lab->GetZebModelesPage(asker, size->cx(), size->cy()));
    fBackgroundRangeList = ShopListFrom<TBackgroundRangeList>(lab->GetZebGammeFonds(asker));
    AlbumClean();
    LogDebug(QStringLiteral("Connection: photo book products loaded ") + ram.arg(ShopInfoFiles::RamText()));
    if (fPhotographerAlbumList->Count() > 0)
        bLoadScrapData = true;
}
