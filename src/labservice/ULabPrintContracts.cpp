#include "ULabPrintContracts.h"

#define DESCRIBE(Cls, Xml)                                                                      \
    KIOSK_RECORD_DESCRIBE(Cls##2, TRemotable, Xml, LabNs::DataContract, KIOSK_MEMBERS_##Cls##2) \
    KIOSK_ELEMENT_DESCRIBE(Cls, Cls##2)

DESCRIBE(Vignette, "Vignette")
DESCRIBE(Tirage, "Tirage")
DESCRIBE(Tarif, "Tarif")
DESCRIBE(Channel, "Channel")
DESCRIBE(GroupeProduitPhotographe, "GroupeProduitPhotographe")
DESCRIBE(ImageTirage, "ImageTirage")
DESCRIBE(Pack, "Pack")
DESCRIBE(PositionAffichage, "PositionAffichage")
DESCRIBE(Reliure, "Reliure")
DESCRIBE(AssociationProduit, "AssociationProduit")
