#include "ULabPartyContracts.h"

#define DESCRIBE(Cls, Xml)                                                                      \
    KIOSK_RECORD_DESCRIBE(Cls##2, TRemotable, Xml, LabNs::DataContract, KIOSK_MEMBERS_##Cls##2) \
    KIOSK_ELEMENT_DESCRIBE(Cls, Cls##2)

DESCRIBE(Monnaie, "Monnaie")
DESCRIBE(Photographe, "Photographe")
DESCRIBE(Zebconsumer, "Zebconsumer")
DESCRIBE(Consommateur, "Consommateur")
DESCRIBE(Demandeur, "Demandeur")
DESCRIBE(Adresse, "Adresse")
DESCRIBE(FrontPrintDateTime, "FrontPrintDateTime")
DESCRIBE(ConditionsKioskUse, "ConditionsKioskUse")
DESCRIBE(PhotographeConfig, "PhotographeConfig")
DESCRIBE(InfoClient, "InfoClient")
DESCRIBE(InfoExportClient, "InfoExportClient")
DESCRIBE(ImprimanteBorne, "ImprimanteBorne")
DESCRIBE(Fournisseur, "Fournisseur")
KIOSK_KEYVALUE_DESCRIBE(KeyValueOfintAdressedVWEscjg, TRemotable, LabNs::Arrays,
                        KIOSK_MEMBERS_KeyValueOfintAdressedVWEscjg)
