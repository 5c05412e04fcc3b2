#include "UCartProductWorkflows.h"

#include "UProductPrice.h"

TCartProductWorkflows& CartProductWorkflows()
{
    static TCartProductWorkflows hooks;
    return hooks;
}
