#include "UWorkflowDataProducts.h"

#include "UAlbumProduct.h"
#include "UAlbumSize.h"
#include "UQzFileSystemRes.h"
#include "UCtrlScreenBase.h"
#include "UPrintOrder.h"
#include "UWorkflowDataProductAlbum.h"
#include "UWorkflowDataProductCalendar.h"
#include "UWorkflowDataProductCard.h"
#include "UWorkflowDataProductPrint.h"
#include "UWorkflowType.h"

#include <typeinfo>

namespace {

// The stored object of class T, without creating one: the order only asks
// which product a workflow edits.
template <class T>
std::shared_ptr<T> stored(IMainFrame* main)
{
    return main ? std::dynamic_pointer_cast<T>(main->getWorkflowData(typeid(T))) : nullptr;
}

class TOrderProductWorkflows : public IOrderProductWorkflows {
public:
    explicit TOrderProductWorkflows(IMainFrame* main)
        : fMain(main)
    {
    }
    TTirageProduct* currentPrintProduct() override
    {
        auto d = stored<TWorkflowDataProductPrint>(fMain);
        return d ? d->currentPrintProduct() : nullptr;
    }
    IArcList<TTirageProduct*> currentPrintProductList() override
    {
        auto d = stored<TWorkflowDataProductPrint>(fMain);
        return d ? d->currentPrintProductList() : nullptr;
    }
    TAlbumProduct* currentAlbumProduct() override
    {
        auto d = stored<TWorkflowDataProductAlbum>(fMain);
        return d ? d->currentAlbumProduct() : nullptr;
    }
    TTemplateProduct* currentCardProduct() override
    {
        auto d = stored<TWorkflowDataProductCard>(fMain);
        return d ? d->currentCardProduct() : nullptr;
    }
    TTemplateProduct* currentCalendarProduct() override
    {
        auto d = stored<TWorkflowDataProductCalendar>(fMain);
        return d ? d->currentCalendarProduct() : nullptr;
    }

private:
    IMainFrame* fMain;
};

} // namespace

std::shared_ptr<TWorkflowDataProductBase> WorkflowDataProductFor(IMainFrame* main, int workflowType)
{
    switch (workflowType) {
    case TWorkflowPrint:
        return TCtrlScreenBase::WorkflowData<TWorkflowDataProductPrint>(main);
    case TWorkflowCard:
    case TWorkflowDesignerPrint:
        return TCtrlScreenBase::WorkflowData<TWorkflowDataProductCard>(main);
    case TWorkflowCalendarMonthly:
    case TWorkflowCalendarAnnual:
        return TCtrlScreenBase::WorkflowData<TWorkflowDataProductCalendar>(main);
    case TWorkflowAlbum:
        return TCtrlScreenBase::WorkflowData<TWorkflowDataProductAlbum>(main);
    default:
        return nullptr;
    }
}

void InstallOrderProductWorkflows()
{
    TBgAlbumData::SetImageFactory([](IMainFrame* main, FondAlbum2* background) -> std::unique_ptr<TOrderImageBase> {
        const Vignette2* v = background ? background->Image().get() : nullptr;
        if (!main || !v)
            return nullptr;
        return std::make_unique<TResWebSvcVignetteBg>(main, v->VignetteId());
    });
    TPrintOrder::SetProductWorkflowsProvider(
        [](IMainFrame* main) { return std::make_shared<TOrderProductWorkflows>(main); });
}
