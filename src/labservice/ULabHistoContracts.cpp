#include "ULabHistoContracts.h"

#define DESCRIBE(Cls, Xml)                                                                      \
    KIOSK_RECORD_DESCRIBE(Cls##2, TRemotable, Xml, LabNs::DataContract, KIOSK_MEMBERS_##Cls##2) \
    KIOSK_ELEMENT_DESCRIBE(Cls, Cls##2)

DESCRIBE(HistoConsoCommande, "HistoConsoCommande")
DESCRIBE(HistoCommandeDetailAlbum, "HistoCommandeDetailAlbum")
DESCRIBE(HistoCommandeDetailTemplate, "HistoCommandeDetailTemplate")
DESCRIBE(HistoLigneDeCommande, "HistoLigneDeCommande")
DESCRIBE(HistoCommande, "HistoCommande")
