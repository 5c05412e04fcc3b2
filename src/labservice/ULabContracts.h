#pragma once
// Shared pieces of the lab service's data contracts: the XML namespaces of the
// service and its records, and the enumerations of the contract.
//
// Enumerations travel by name; in the program their type names carry an
// underscore where the contract's nested names carry a point
// ("Tarif.TypeTarif" is Tarif_TypeTarif). They are based on int so that a
// record can hold kUnknownEnumOrdinal for a name this program does not know.
#include "URttiCache.h"

#include <QString>

namespace LabNs {
// Namespace of the service contract, of every request and reply wrapper and
// of the parameters.
inline const QString Service = QStringLiteral("http://tempuri.org/");
// Namespace of the records, their arrays and the enumerations.
inline const QString DataContract = QStringLiteral("http://schemas.datacontract.org/2004/07/Velmora.Data");
// Namespace of arrays of primitives and of dictionary entries.
inline const QString Arrays = QStringLiteral("http://schemas.microsoft.com/2003/10/Serialization/Arrays");
// Namespace of the auxiliary primitive types ("char").
inline const QString Serialization = QStringLiteral("http://schemas.microsoft.com/2003/10/Serialization/");
} // namespace LabNs

enum class Commande_TypeCommande : int { Tirages, Albums, Templates, Undef };
KIOSK_ENUM_DECLARE(Commande_TypeCommande)

enum class CommandeAlbum_StatutCommandeAlbum : int {
    NonValidee,
    CorrectionAutoEnCours,
    CorrectionManuelleEnCours,
    FusionEnCours,
    FusionTerminee,
    FusionErreur,
    Undef
};
KIOSK_ENUM_DECLARE(CommandeAlbum_StatutCommandeAlbum)

enum class CommandeTemplate_StatutCommandeTemplate : int {
    NonValidee,
    CorrectionAutoEnCours,
    CorrectionManuelleEnCours,
    FusionEnCours,
    FusionTerminee,
    FusionErreur,
    Undef
};
KIOSK_ENUM_DECLARE(CommandeTemplate_StatutCommandeTemplate)

enum class HistoConsoCommande_StatutCommande : int { Creee, Recue, TirageDebute, TirageFini, Annulee };
KIOSK_ENUM_DECLARE(HistoConsoCommande_StatutCommande)

enum class Tarif_TypeTarif : int { Packs, EurosMagasin, EurosCB, Undef };
KIOSK_ENUM_DECLARE(Tarif_TypeTarif)

enum class GroupeProduitPhotographe_TypeGroupe : int {
    Undef,
    Tirages_Format,
    Tirages_TypePapier,
    Template_Format,
    Template_TypePapier
};
KIOSK_ENUM_DECLARE(GroupeProduitPhotographe_TypeGroupe)

enum class AlbumVelmora_Texture : int { Undef, Rigide, Souple };
KIOSK_ENUM_DECLARE(AlbumVelmora_Texture)

enum class Photographe_TypePaiementEnLigne : int { NA, VAD, PAYPAL, PAYBOX };
KIOSK_ENUM_DECLARE(Photographe_TypePaiementEnLigne)

enum class Photographe_TireuseType : int { Undef, Velmora, Epson };
KIOSK_ENUM_DECLARE(Photographe_TireuseType)

enum class Demandeur_Profil : int { Photographe, Consommateur, Velmora, VelmoraReader };
KIOSK_ENUM_DECLARE(Demandeur_Profil)

enum class PhotographerStatus : int { novalue, disabled, locked, enabled };
KIOSK_ENUM_DECLARE(PhotographerStatus)
