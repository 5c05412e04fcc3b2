#include "UDesignedPageAccess.h"

#include "UAppExceptions.h"

#include <mutex>

namespace {

std::mutex& accessSync()
{
    static std::mutex sync;
    return sync;
}

std::shared_ptr<IDesignedPageAccess>& installed()
{
    static std::shared_ptr<IDesignedPageAccess> access;
    return access;
}

} // namespace

void DesignedPageAccess::Install(std::shared_ptr<IDesignedPageAccess> access)
{
    std::lock_guard lock(accessSync());
    installed() = std::move(access);
}

std::shared_ptr<IDesignedPageAccess> DesignedPageAccess::Current()
{
    std::lock_guard lock(accessSync());
    return installed();
}

std::shared_ptr<IDesignedPageAccess> DesignedPageAccess::Required()
{
    std::lock_guard lock(accessSync());
    if (!installed())
        throw Exception(QStringLiteral("DesignedPageAccess: no page access installed"));
    return installed();
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
