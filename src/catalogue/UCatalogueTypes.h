#pragma once
// The main window's enumerations that the catalogue uses (the GUI design,
// the loading state of each product family) are the shell's.
#include "UMainFrameTypes.h"
