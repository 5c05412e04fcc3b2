#include "UListTheme.h"

namespace {
TListTheme& theme()
{
    static TListTheme t;
    return t;
}
} // namespace

const TListTheme& TListTheme::Current()
{
    return theme();
}

void TListTheme::SetCurrent(const TListTheme& t)
{
    theme() = t;
}
