#pragma once
// Base of the workflow-data objects of the current customer (the photo
// sources, each product's choices, the template and photo-book catalogues):
// one object per class, kept by the main window, created on first use (see
// TCtrlScreenBase::WorkflowData).
#include "IMainFrame.h"

// Marker of the objects the main window's workflow-data table holds.
class IWorkflowData {
public:
    virtual ~IWorkflowData() = default;
};

class TWorkflowData : public IWorkflowData {
public:
    // Every subclass offers this constructor: the accessor creates objects
    // of any subclass through it.
    explicit TWorkflowData(IMainFrame* main)
        : fMain(main)
    {
    }
    IMainFrame* mainFrame() const { return fMain; }

protected:
    IMainFrame* fMain;
};
