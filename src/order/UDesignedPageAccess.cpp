#include "UDesignedPageAccess.h"

#include <mutex>

namespace {

std::mutex& accessSync()
{
    static std::mutex sync;
    return sync;
}

// Starts as the page classes' access: this direct reference is what makes
// the linker keep the page classes in every program that uses the products.
std::shared_ptr<IDesignedPageAccess>& installed()
{
    static std::shared_ptr<IDesignedPageAccess> access = DesignedPageAccess::PageClassesAccess();
    return access;
}

} // namespace

void DesignedPageAccess::Install(std::shared_ptr<IDesignedPageAccess> access)
{
    std::lock_guard lock(accessSync());
    installed() = access ? std::move(access) : PageClassesAccess();
}

std::shared_ptr<IDesignedPageAccess> DesignedPageAccess::Current()
{
    std::lock_guard lock(accessSync());
    return installed();
}

std::shared_ptr<IDesignedPageAccess> DesignedPageAccess::Required()
{
    return Current();
}

std::vector<TDesignedPageContent> DesignedPageAccess::Contents(const IArcList<TCustomizedPageBase*>& pages)
{
    std::vector<TDesignedPageContent> out;
    if (!pages || pages->GetCount() == 0)
        return out;
    const std::shared_ptr<IDesignedPageAccess> access = Required();
    out.reserve(size_t(pages->GetCount()));
    for (int i = 0; i < pages->GetCount(); ++i) {
        TCustomizedPageBase* page = pages->GetItem(i);
        out.push_back(TDesignedPageContent { access->PageNum(page), access->Frames(page) });
    }
    return out;
}

bool DesignedPageAccess::XMLloadFinalize(const IArcList<TCustomizedPageBase*>& pages, IMainFrame* main)
{
    bool result = true;
    if (!pages || pages->GetCount() == 0)
        return result;
    const std::shared_ptr<IDesignedPageAccess> access = Required();
    for (int p = 0; p < pages->GetCount(); ++p)
        if (!access->XMLloadFinalize(pages->GetItem(p), main))
            result = false;
    return result;
}
