#pragma once
// Test doubles for the designed products: a main frame with the template
// and photo-book catalogue, an order that creates the real designed
// products, and frames as the product rules see them.
#include "OrderFakes.h"
#include "UAlbumSize.h"
#include "UDesignedPageAccess.h"
#include "UAlbumProduct.h"
#include "UTemplateProduct.h"


namespace designedfakes {

using namespace orderfakes;

inline std::unique_ptr<Tirage2> makeTemplateFormat(qint32 id, qint32 widthMm, qint32 heightMm, bool rectoVerso = false,
                                                   bool monthly = false, const QString& prefix = QString())
{
    auto t = makeTirage(id, widthMm / 10, heightMm / 10, prefix);
    t->setTemplate(true);
    t->setTemplateLargeur(widthMm);
    t->setTemplateHauteur(heightMm);
    t->setTemplateRectoVerso(rectoVerso);
    t->setTemplateCalendrierMois(monthly);
    return t;
}

class DesignedMainFrame : public OrderMainFrame {
public:
    TPrintTarifList* GetWebSvcTemplatePrices() override { return &tplPrices; }
    TTirageList* GetWebSvcTemplateProducts() override { return &tplFormats; }
    TTemplateCalendarList* GetWebSvcTemplateCalendars() override { return &calendars; }
    TPhotographerAlbumList* GetWebSvcAlbumProducts() override { return &albums; }
    TAlbumSizeList* GetWebSvcAlbumSize() override { return &albumSizes; }
    TAlbumPriceList* GetWebSvcAlbumPrice() override { return &albumPrices; }
    TBackgroundRangeList* GetWebSvcBackgroundRange() override { return &ranges; }

    Tirage2* addTemplateFormat(qint32 id, qint32 widthMm, qint32 heightMm, bool rectoVerso = false, bool monthly = false,
                               const QString& prefix = QString())
    {
        Tirage2* t = makeTemplateFormat(id, widthMm, heightMm, rectoVerso, monthly, prefix).release();
        tplFormats.Add(t);
        return t;
    }
    void addTemplateTier(qint32 tirageId, qint32 min, qint32 max, double prix, qint32 packs = 0,
                         Tarif_TypeTarif type = Tarif_TypeTarif::EurosMagasin)
    {
        tplPrices.AddRow(makeTier(tirageId, min, max, prix, packs, type).release(), true);
    }

    AlbumPhotographe2* addAlbum(qint32 id, qint32 pageWidth, qint32 pageHeight, qint32 minPages)
    {
        auto* a = new AlbumPhotographe2();
        a->setAlbumPhotographeId(id);
        a->setLargeurPage(pageWidth);
        a->setHauteurPage(pageHeight);
        a->setNombrePagesMini(minPages);
        a->setNombrePagesMaxi(minPages * 3);
        albums.Add(a);
        return a;
    }

    TPrintTarifList tplPrices;
    TTirageList tplFormats { true };
    TTemplateCalendarList calendars { true };
    TPhotographerAlbumList albums { true };
    TAlbumSizeList albumSizes { true };
    TAlbumPriceList albumPrices { true };
    TBackgroundRangeList ranges { true };
};

// An order whose designed products are the real ones.
class DesignedEnv {
public:
    DesignedEnv()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProductImpl::InstallFactory();
        TAlbumProductImpl::InstallFactory();
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
    }
    ~DesignedEnv()
    {
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
    }

    DesignedMainFrame main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
};

// Frames of a page as a test writes them.
inline TFrameTraits frame(TTypeFrame kind, bool valid, bool text = false)
{
    TFrameTraits f;
    f.kind = kind;
    f.imageValid = valid;
    f.isText = text;
    return f;
}

} // namespace designedfakes
