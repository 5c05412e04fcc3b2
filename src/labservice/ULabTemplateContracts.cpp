#include "ULabTemplateContracts.h"

#define DESCRIBE(Cls, Xml)                                                                      \
    KIOSK_RECORD_DESCRIBE(Cls##2, TRemotable, Xml, LabNs::DataContract, KIOSK_MEMBERS_##Cls##2) \
    KIOSK_ELEMENT_DESCRIBE(Cls, Cls##2)

DESCRIBE(ZebtemplateVelmora, "ZebtemplateVelmora")
DESCRIBE(TemplateCalendrierImage, "TemplateCalendrierImage")
DESCRIBE(TemplateCalendrier, "TemplateCalendrier")
DESCRIBE(TemplateVelmoraCadre, "TemplateVelmoraCadre")
DESCRIBE(TemplateVelmora, "TemplateVelmora")
DESCRIBE(ZebtemplateVelmoraInfo, "ZebtemplateVelmoraInfo")
