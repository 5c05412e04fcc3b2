#pragma once
// The product workflow data as the rest of the program reaches them: the
// product workflow data of a workflow type, and the provider through which
// the order reads which product each workflow is editing.
#include "UWorkflowDataProductBase.h"

#include <memory>

// Makes the order read the products being edited from the current
// customer's workflow data, and gives the photo-book backgrounds their lab
// pictures (done once when the main window is built).
void InstallOrderProductWorkflows();
