#pragma once
// The product workflow the customer is in. Declared here, below the shell,
// because the order reads it: removing the product being edited ends its
// workflow, and cleaning empty products spares the one being edited.
#include "IMainFrame.h"

enum TWorkflowType : int {
    TWorkflowNone = 0,
    TWorkflowPrint = 1,
    TWorkflowCard = 2,
    TWorkflowDesignerPrint = 3,
    TWorkflowCalendarMonthly = 4,
    TWorkflowCalendarAnnual = 5,
    TWorkflowAlbum = 6,
    TWorkflowGift = 7,
};
