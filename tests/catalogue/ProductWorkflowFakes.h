#pragma once
// Test doubles for the product workflow data: a main frame with the print,
// template and photo-book catalogue, a drop-image placeholder, and pages of
// plain frames whose size and orientation a test chooses.
#include "../order/DesignedFakes.h"

#include "UCustomizedPage.h"
#include "UWorkflowDataProductBase.h"

#include <QString>
#include <map>

namespace productfakes {

using namespace designedfakes;

// A clip-art picture: never used by the automatic filling.
class ScrapImage : public TestImage {
public:
    using TestImage::TestImage;
    bool IsImageScrap() override { return true; }
};

class ProductMain : public DesignedMainFrame {
public:
    ProductMain() { dropImage.fValid = false; }

    TOrderImageBase* GetDropImgExample(float, float) override { return &dropImage; }
    TProductGroupList* GetWebSvcPrintGroups() override { return &groups; }
    TProductGroupList* GetWebSvcPrintSurfaces() override { return &surfaces; }
    quint8 QzConnectionMode() override { return connectionMode; }
    bool isAltPrintWorkflow() override { return altPrintWorkflow; }
    QString Lang() override { return lang; }
    QString priceToStr(Currency price, bool) override { return QStringLiteral("€") + Money::ToText(price); }
    QString pricePackToStr(int price, bool) override { return QStringLiteral("%1 packs").arg(price); }
    TTemplateVelmoraList* GetWebSvcTemplatesVelmora() override { return &templates; }
    TMaterColorList* GetWebSvcMaterColor() override { return &materials; }
    TAlbumCoverList* GetWebSvcAlbumCover() override { return &covers; }
    bool LoadWebSvcTemplateVelmoraInfo(int themeId, int w, int h) override
    {
        loadInfoCalls << QStringLiteral("%1/%2/%3").arg(themeId).arg(w).arg(h);
        return false;
    }

    GroupeProduitPhotographe2* addGroup(TProductGroupList& list, qint32 number)
    {
        auto* g = new GroupeProduitPhotographe2();
        g->setNumeroRessource(number);
        list.Add(g);
        return g;
    }

    TestImage dropImage { QStringLiteral("res\\drop.png") };
    TProductGroupList groups { true };
    TProductGroupList surfaces { true };
    TTemplateVelmoraList templates { true };
    TMaterColorList materials { true };
    TAlbumCoverList covers { true };
    quint8 connectionMode = 10;
    bool altPrintWorkflow = false;
    QString lang = QStringLiteral("fr");
    QStringList loadInfoCalls;
};

class ProductEnv {
public:
    ProductEnv()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProductImpl::InstallFactory();
        TAlbumProductImpl::InstallFactory();
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
    }
    ~ProductEnv()
    {
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
    }

    // A picture owned by the environment; landscape when w > h.
    TestImage* image(const QString& id, int w, int h)
    {
        images.push_back(std::make_unique<TestImage>(id, QSizeF(w, h)));
        return images.back().get();
    }

    ProductMain main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
    std::vector<std::unique_ptr<TestImage>> images;
};

// A page of user frames, each w × h millimetres, holding the placeholder.
inline std::unique_ptr<TCustomizedPage> framesPage(IMainFrame* main, const std::vector<QSizeF>& frames)
{
    auto page = std::make_unique<TCustomizedPage>();
    for (QSizeF s : frames) {
        auto f = std::make_unique<TCustomizedFrame>(page.get());
        f->SetWidth(float(s.width()));
        f->SetHeight(float(s.height()));
        f->SetImage(main->GetDropImgExample(f->Width(), f->Height()));
        page->FrameAdd(std::move(f));
    }
    return page;
}

} // namespace productfakes
