#pragma once
// Enumerations that the main-frame interface names without values and that
// the catalogue and the lab connection define: the GUI design that follows
// from the use mode, and the loading state of each product family.
#include "IMainFrame.h"

enum TZebdesign : int { zebd_home = 0, zebd_kiosk = 1, zebd_mobile = 2 };

enum TProductVisibilityType : int {
    pvt_common,
    pvt_print,
    pvt_card,
    pvt_photoprod,
    pvt_calendar,
    pvt_book,
    pvt_all
};

enum TProductVisibilityMode : int { pvm_hidden, pvm_loading, pvm_visible, pvm_error };
