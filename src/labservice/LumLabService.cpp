#include "LumLabService.h"

#include <mutex>

QString LumLabSoapAction(const QString& operation)
{
    return LabNs::Service + QStringLiteral("ILumLabService/") + operation;
}

void LumLabServiceRegisterTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Building a description registers it; an element class builds its
        // type class first.
        for (const TClassInfo* info : {
                 &Vignette::StaticClassInfo(),
                 &LangChoice::StaticClassInfo(),
                 &Translation::StaticClassInfo(),
                 &LangDico::StaticClassInfo(),
                 &Module::StaticClassInfo(),
                 &KeyValueOfintArrayOfModuledVWEscjg::StaticClassInfo(),
                 &Monnaie::StaticClassInfo(),
                 &Photographe::StaticClassInfo(),
                 &Zebconsumer::StaticClassInfo(),
                 &Consommateur::StaticClassInfo(),
                 &Demandeur::StaticClassInfo(),
                 &Adresse::StaticClassInfo(),
                 &FrontPrintDateTime::StaticClassInfo(),
                 &ConditionsKioskUse::StaticClassInfo(),
                 &PhotographeConfig::StaticClassInfo(),
                 &InfoClient::StaticClassInfo(),
                 &InfoExportClient::StaticClassInfo(),
                 &ImprimanteBorne::StaticClassInfo(),
                 &Fournisseur::StaticClassInfo(),
                 &KeyValueOfintAdressedVWEscjg::StaticClassInfo(),
                 // Orders, order history, payment and mail.
                 &Commande::StaticClassInfo(),
                 &CommandeAlbum::StaticClassInfo(),
                 &CommandeTemplate::StaticClassInfo(),
                 &LigneDeCommande::StaticClassInfo(),
                 &CommandeAlbumPage::StaticClassInfo(),
                 &CommandeAlbumCadre::StaticClassInfo(),
                 &CommandeTemplateCadre::StaticClassInfo(),
                 &CommandeIdNum::StaticClassInfo(),
                 &HistoConsoCommande::StaticClassInfo(),
                 &HistoCommande::StaticClassInfo(),
                 &HistoCommandeDetailAlbum::StaticClassInfo(),
                 &HistoCommandeDetailTemplate::StaticClassInfo(),
                 &HistoLigneDeCommande::StaticClassInfo(),
                 &CommandePaymentPayPal::StaticClassInfo(),
                 &CommandePaymentVAD::StaticClassInfo(),
                 &MailJob::StaticClassInfo(),
                 &MailSubstVariable::StaticClassInfo(),
                 &MailSubstResult::StaticClassInfo(),
                 &MessagePhotographe::StaticClassInfo(),
                 // Print, album and template catalogues.
                 &Tirage::StaticClassInfo(),
                 &Tarif::StaticClassInfo(),
                 &Channel::StaticClassInfo(),
                 &GroupeProduitPhotographe::StaticClassInfo(),
                 &ImageTirage::StaticClassInfo(),
                 &Pack::StaticClassInfo(),
                 &PositionAffichage::StaticClassInfo(),
                 &Reliure::StaticClassInfo(),
                 &AssociationProduit::StaticClassInfo(),
                 &AlbumVelmora::StaticClassInfo(),
                 &AlbumPhotographe::StaticClassInfo(),
                 &PrixAlbum::StaticClassInfo(),
                 &Couverture::StaticClassInfo(),
                 &CouleurMatiere::StaticClassInfo(),
                 &FondAlbum::StaticClassInfo(),
                 &GammeFond::StaticClassInfo(),
                 &ScrapFrame::StaticClassInfo(),
                 &VignetteDeco::StaticClassInfo(),
                 &ModelePage::StaticClassInfo(),
                 &ModelePageCadre::StaticClassInfo(),
                 &AssociationAlbum::StaticClassInfo(),
                 &ZebtemplateVelmora::StaticClassInfo(),
                 &TemplateCalendrier::StaticClassInfo(),
                 &TemplateCalendrierImage::StaticClassInfo(),
                 &TemplateVelmora::StaticClassInfo(),
                 &TemplateVelmoraCadre::StaticClassInfo(),
                 &ZebtemplateVelmoraInfo::StaticClassInfo(),
                 &KeyValueOfintstring::StaticClassInfo(),
                 &KeyValueOfstringstring::StaticClassInfo(),
                 &KeyValueOfintArrayOfintty7Ep6D1::StaticClassInfo(),
             })
            Q_UNUSED(info);
    });
}
