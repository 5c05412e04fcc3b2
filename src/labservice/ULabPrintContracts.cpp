#include "ULabPrintContracts.h"

KIOSK_RECORD_DESCRIBE(Vignette2, TRemotable, "Vignette", LabNs::DataContract, KIOSK_MEMBERS_Vignette2)
KIOSK_ELEMENT_DESCRIBE(Vignette, Vignette2)
