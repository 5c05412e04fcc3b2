#include "UWorkflowSteps.h"

namespace WorkflowSteps {

#define KIOSK_WORKFLOW_STEP(Class, TabId, Parent, Visible) \
    TWorkflowStepClass Class { QStringLiteral(#Class), QStringLiteral(TabId), nullptr, Visible, {} };
#include "UWorkflowStepsList.h"
#undef KIOSK_WORKFLOW_STEP

std::function<void(IMainFrame* main)> StartMobileImageBrowse;

namespace {

// The parents are filled in once, after every step object exists (they are
// globals of this file, constructed in the order of the list).
std::vector<TWorkflowStepClass*> buildAll()
{
    std::vector<TWorkflowStepClass*> all {
#define KIOSK_WORKFLOW_STEP(Class, TabId, Parent, Visible) &Class,
#include "UWorkflowStepsList.h"
#undef KIOSK_WORKFLOW_STEP
    };
    return all;
}

} // namespace

const std::vector<TWorkflowStepClass*>& All()
{
    static const std::vector<TWorkflowStepClass*> all = [] {
        std::vector<TWorkflowStepClass*> v = buildAll();
        const char* parents[] = {
#define KIOSK_WORKFLOW_STEP(Class, TabId, Parent, Visible) #Parent,
#include "UWorkflowStepsList.h"
#undef KIOSK_WORKFLOW_STEP
        };
        for (size_t i = 0; i < v.size(); ++i) {
            const QLatin1String p(parents[i]);
            if (p == QLatin1String("-"))
                continue;
            for (TWorkflowStepClass* s : v)
                if (s->ClassName == p)
                    v[i]->Parent = s;
        }
        return v;
    }();
    return all;
}

TWorkflowStep ByName(const QString& className)
{
    for (const TWorkflowStepClass* s : All())
        if (s->ClassName == className)
            return s;
    return nullptr;
}

} // namespace WorkflowSteps
