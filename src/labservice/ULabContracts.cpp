#include "ULabContracts.h"

#define S QStringLiteral

KIOSK_ENUM_DEFINE(Commande_TypeCommande, S("Commande.TypeCommande"), LabNs::DataContract, S("Tirages"), S("Albums"),
                  S("Templates"), S("Undef"))
KIOSK_ENUM_DEFINE(CommandeAlbum_StatutCommandeAlbum, S("CommandeAlbum.StatutCommandeAlbum"), LabNs::DataContract,
                  S("NonValidee"), S("CorrectionAutoEnCours"), S("CorrectionManuelleEnCours"), S("FusionEnCours"),
                  S("FusionTerminee"), S("FusionErreur"), S("Undef"))
KIOSK_ENUM_DEFINE(CommandeTemplate_StatutCommandeTemplate, S("CommandeTemplate.StatutCommandeTemplate"),
                  LabNs::DataContract, S("NonValidee"), S("CorrectionAutoEnCours"), S("CorrectionManuelleEnCours"),
                  S("FusionEnCours"), S("FusionTerminee"), S("FusionErreur"), S("Undef"))
KIOSK_ENUM_DEFINE(HistoConsoCommande_StatutCommande, S("HistoConsoCommande.StatutCommande"), LabNs::DataContract,
                  S("Creee"), S("Recue"), S("TirageDebute"), S("TirageFini"), S("Annulee"))
KIOSK_ENUM_DEFINE(Tarif_TypeTarif, S("Tarif.TypeTarif"), LabNs::DataContract, S("Packs"), S("EurosMagasin"),
                  S("EurosCB"), S("Undef"))
KIOSK_ENUM_DEFINE(GroupeProduitPhotographe_TypeGroupe, S("GroupeProduitPhotographe.TypeGroupe"), LabNs::DataContract,
                  S("Undef"), S("Tirages_Format"), S("Tirages_TypePapier"), S("Template_Format"),
                  S("Template_TypePapier"))
KIOSK_ENUM_DEFINE(AlbumVelmora_Texture, S("AlbumVelmora.Texture"), LabNs::DataContract, S("Undef"), S("Rigide"),
                  S("Souple"))
KIOSK_ENUM_DEFINE(Photographe_TypePaiementEnLigne, S("Photographe.TypePaiementEnLigne"), LabNs::DataContract, S("NA"),
                  S("VAD"), S("PAYPAL"), S("PAYBOX"))
KIOSK_ENUM_DEFINE(Photographe_TireuseType, S("Photographe.TireuseType"), LabNs::DataContract, S("Undef"),
                  S("Velmora"), S("Epson"))
KIOSK_ENUM_DEFINE(Demandeur_Profil, S("Demandeur.Profil"), LabNs::DataContract, S("Photographe"), S("Consommateur"),
                  S("Velmora"), S("VelmoraReader"))
KIOSK_ENUM_DEFINE(PhotographerStatus, S("PhotographerStatus"), LabNs::DataContract, S("novalue"), S("disabled"),
                  S("locked"), S("enabled"))
