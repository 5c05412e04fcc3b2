#include "ULabAlbumContracts.h"

#define DESCRIBE(Cls, Parent, Xml)                                                         \
    KIOSK_RECORD_DESCRIBE(Cls##2, Parent, Xml, LabNs::DataContract, KIOSK_MEMBERS_##Cls##2) \
    KIOSK_ELEMENT_DESCRIBE(Cls, Cls##2)

DESCRIBE(AlbumVelmora, TRemotable, "AlbumVelmora")
DESCRIBE(AlbumPhotographe, AlbumVelmora2, "AlbumPhotographe")
DESCRIBE(PrixAlbum, TRemotable, "PrixAlbum")
DESCRIBE(Couverture, TRemotable, "Couverture")
DESCRIBE(CouleurMatiere, TRemotable, "CouleurMatiere")
DESCRIBE(FondAlbum, TRemotable, "FondAlbum")
DESCRIBE(GammeFond, TRemotable, "GammeFond")
DESCRIBE(ScrapFrame, TRemotable, "ScrapFrame")
DESCRIBE(VignetteDeco, TRemotable, "VignetteDeco")
DESCRIBE(ModelePageCadre, TRemotable, "ModelePageCadre")
DESCRIBE(ModelePage, TRemotable, "ModelePage")
DESCRIBE(AssociationAlbum, TRemotable, "AssociationAlbum")
