#pragma once
// Enumerations of the main window that IMainFrame names.
#include "IMainFrame.h"

// The GUI design, which follows from the configured use mode.
enum TZebdesign : int { zebd_home = 0, zebd_kiosk = 1, zebd_mobile = 2 };

// How the program was started (read once from the command line).
enum class TLaunchMode { NotInit, Normal, Update, InitData };

// When a downloaded update is installed.
enum class TUpdateType { Start, Manual, Stop };

// Product families shown on the home screen while the catalogue loads.
enum TProductVisibilityType : int {
    pvt_common = 0,
    pvt_print = 1,
    pvt_card = 2,
    pvt_photoprod = 3,
    pvt_calendar = 4,
    pvt_book = 5,
    pvt_all = 6,
};
enum TProductVisibilityMode : int { pvm_hidden = 0, pvm_loading = 1, pvm_visible = 2, pvm_error = 3 };

// The first close request of the window asks; the confirmed one does not.
enum class TCloseMode { CloseToAsk, CloseAsked };
