#include "ULabLangContracts.h"

KIOSK_RECORD_DESCRIBE(LangChoice2, TRemotable, "LangChoice", LabNs::DataContract, KIOSK_MEMBERS_LangChoice2)
KIOSK_ELEMENT_DESCRIBE(LangChoice, LangChoice2)
KIOSK_RECORD_DESCRIBE(Translation2, TRemotable, "Translation", LabNs::DataContract, KIOSK_MEMBERS_Translation2)
KIOSK_ELEMENT_DESCRIBE(Translation, Translation2)
KIOSK_RECORD_DESCRIBE(LangDico2, TRemotable, "LangDico", LabNs::DataContract, KIOSK_MEMBERS_LangDico2)
KIOSK_ELEMENT_DESCRIBE(LangDico, LangDico2)
KIOSK_RECORD_DESCRIBE(Module2, TRemotable, "Module", LabNs::DataContract, KIOSK_MEMBERS_Module2)
KIOSK_ELEMENT_DESCRIBE(Module, Module2)
KIOSK_KEYVALUE_DESCRIBE(KeyValueOfintArrayOfModuledVWEscjg, TRemotable, LabNs::Arrays,
                        KIOSK_MEMBERS_KeyValueOfintArrayOfModuledVWEscjg)
