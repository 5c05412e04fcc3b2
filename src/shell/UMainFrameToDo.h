#pragma once
// Every IMainFrame operation as a placeholder that raises EToDo naming the
// operation. The main window derives from it and overrides the operations
// of each subsystem as that subsystem arrives, so an operation that is not
// there yet fails loudly instead of answering something wrong.
#include "IMainFrame.h"
#include "UAppExceptions.h"

class TMainFrameToDo : public IMainFrame {
public:
#define KIOSK_MAINFRAME_OP(Policy, Result, Name, Params, Args) \
    Result Name Params override { throw EToDo(QStringLiteral("TMainNavi." #Name ": not available yet")); }
#include "IMainFrameOps.h"
#undef KIOSK_MAINFRAME_OP
};
