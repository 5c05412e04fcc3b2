#include "UCtrlStepBase.h"

#include <QWidget>

TCtrlStepBase::TCtrlStepBase(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlCommonBase(main, stepTabItem)
    , fStepTabItem(stepTabItem)
{
}
