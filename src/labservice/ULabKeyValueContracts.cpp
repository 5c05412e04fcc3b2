#include "ULabKeyValueContracts.h"

KIOSK_KEYVALUE_DESCRIBE(KeyValueOfintstring, TRemotable, LabNs::Arrays, KIOSK_MEMBERS_KeyValueOfintstring)
KIOSK_KEYVALUE_DESCRIBE(KeyValueOfstringstring, TRemotable, LabNs::Arrays, KIOSK_MEMBERS_KeyValueOfstringstring)
KIOSK_KEYVALUE_DESCRIBE(KeyValueOfintArrayOfintty7Ep6D1, TRemotable, LabNs::Arrays,
                        KIOSK_MEMBERS_KeyValueOfintArrayOfintty7Ep6D1)
