#include "UThreadCancel.h"

#include "UAppExceptions.h"

namespace {
thread_local ICancelSource* tCurrentSource = nullptr;
}

namespace ThreadCancel {

void SetCurrentSource(ICancelSource* source)
{
    tCurrentSource = source;
}

ICancelSource* CurrentSource()
{
    return tCurrentSource;
}

void Check()
{
    if (tCurrentSource && tCurrentSource->IsCancelRequested())
        throw ECancel();
}

Scope::Scope(ICancelSource* source)
    : fPrevious(tCurrentSource)
{
    tCurrentSource = source;
}

Scope::~Scope()
{
    tCurrentSource = fPrevious;
}

} // namespace ThreadCancel
