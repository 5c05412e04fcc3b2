// The order, history, payment and catalogue records of the lab contract:
// their descriptions (XML names, wire order, kinds), and a round trip of
// every record type through the SOAP writer and reader.
#include "LumLabService.h"
#include "USoapEnvelope.h"

#include <gtest/gtest.h>

namespace {

QString wireMembers(const TClassInfo& info)
{
    QStringList names;
    for (const TRttiItem& item : TRttiCache::Get(info).PropInfoForRead())
        names << item.propInfo->XmlName();
    return names.join(QLatin1Char(','));
}

struct RecordCase {
    const TClassInfo& type;    // the type class
    const TClassInfo* element; // its element class (none for dictionary entries)
    const char* xmlName;
    const char* parent; // class name of the parent
    const char* members; // wire names, inherited members first
};

// Every record type of these contracts, with its members in wire order.
const std::vector<RecordCase>& recordCases()
{
    static const std::vector<RecordCase> cases = {
        {Commande2::StaticClassInfo(), &Commande::StaticClassInfo(), "Commande", "TRemotable",
         "AdresseLivraisonId,CmdExpress,CmdExpressFrais,CmdForImprimanteBorne,CmdLocale,CmdLocalePath,CmdMainId,"
         "CmdNomConso,CmdNumTelConso,CmdPrintDateFormat,CmdTirCalib,Commentaire,ConsommateurEmail,ConsommateurId,"
         "ConsommateurNom,DateCommande,DatePassage,FraisCD,FraisDePort,FraisDePortPacks,FraisDePriseEnCharge,"
         "FraisIndex,Id,LivraisonPostale,Numero,NumeroVersion,Reference,SoldePacks,Statut,Type"},
        {CommandeAlbum2::StaticClassInfo(), &CommandeAlbum::StaticClassInfo(), "CommandeAlbum", "Commande2",
         "AdresseLivraisonId,CmdExpress,CmdExpressFrais,CmdForImprimanteBorne,CmdLocale,CmdLocalePath,CmdMainId,"
         "CmdNomConso,CmdNumTelConso,CmdPrintDateFormat,CmdTirCalib,Commentaire,ConsommateurEmail,ConsommateurId,"
         "ConsommateurNom,DateCommande,DatePassage,FraisCD,FraisDePort,FraisDePortPacks,FraisDePriseEnCharge,"
         "FraisIndex,Id,LivraisonPostale,Numero,NumeroVersion,Reference,SoldePacks,Statut,Type,"
         "AlbumPU,AlbumPUPageSupplementaire,AlbumPages,AlbumPhotographeId,AlbumQuantite,"
         "AlbumQuantitePagesSupplementaires,AlbumTypeTarif,Channel,ChannelCouvertureImprimee,HauteurPage,LargeurPage,"
         "MargeInfoTechnique,RectoVerso,StatutAlbum"},
        {CommandeTemplate2::StaticClassInfo(), &CommandeTemplate::StaticClassInfo(), "CommandeTemplate", "Commande2",
         "AdresseLivraisonId,CmdExpress,CmdExpressFrais,CmdForImprimanteBorne,CmdLocale,CmdLocalePath,CmdMainId,"
         "CmdNomConso,CmdNumTelConso,CmdPrintDateFormat,CmdTirCalib,Commentaire,ConsommateurEmail,ConsommateurId,"
         "ConsommateurNom,DateCommande,DatePassage,FraisCD,FraisDePort,FraisDePortPacks,FraisDePriseEnCharge,"
         "FraisIndex,Id,LivraisonPostale,Numero,NumeroVersion,Reference,SoldePacks,Statut,Type,"
         "AnneeDepart,Channel,MoisDepart,TemplateCadres,TemplateCalendrierId,TemplateHauteur,TemplateLargeur,"
         "TemplateVelmoraId,TemplatePU,TemplatePictIdRectoHD,TemplatePictIdVersoHD,TemplateQuantite,TemplateStatut,"
         "TemplateTypeTarif,TirageId"},
        {LigneDeCommande2::StaticClassInfo(), &LigneDeCommande::StaticClassInfo(), "LigneDeCommande", "TRemotable",
         "Channel,CoefficientPrix,CommandeId,Id,Image,ImprimanteBorneId,NomFichier,Quantite,TailleImage,TirageId,"
         "UnitePacks,UnitePrix"},
        {CommandeAlbumPage2::StaticClassInfo(), &CommandeAlbumPage::StaticClassInfo(), "CommandeAlbumPage",
         "TRemotable", "Cadres,CommandeId,FondAlbumId,Id,NumeroPage"},
        {CommandeAlbumCadre2::StaticClassInfo(), &CommandeAlbumCadre::StaticClassInfo(), "CommandeAlbumCadre",
         "TRemotable",
         "AngleRotation,CmdLignId,CommandeAlbumPageId,CouleurLisere,Hauteur,Id,Largeur,LargeurLisere,X,Y,ZoneTexte"},
        {CommandeTemplateCadre2::StaticClassInfo(), &CommandeTemplateCadre::StaticClassInfo(),
         "CommandeTemplateCadre", "TRemotable",
         "AngleRotation,Background,CmdLignId,CommandeId,CouleurLisere,Hauteur,Id,IdFond,Largeur,LargeurLisere,"
         "NumeroPage,X,Y,ZoneTexte"},
        {CommandeIdNum2::StaticClassInfo(), &CommandeIdNum::StaticClassInfo(), "CommandeIdNum", "TRemotable",
         "Id,Numero"},
        {HistoConsoCommande2::StaticClassInfo(), &HistoConsoCommande::StaticClassInfo(), "HistoConsoCommande",
         "TRemotable",
         "ConsommateurId,CoutEnPacks,DateCommande,FraisDePortEuros,FraisDePortPack,FraisDePriseEnCharge,Id,Montant,"
         "Numero,Reference,Statut,StatutPaiement"},
        {HistoCommande2::StaticClassInfo(), &HistoCommande::StaticClassInfo(), "HistoCommande", "TRemotable",
         "Annulee,CmdForImprimanteBorne,CmdLocalePath,CommandeLocale,Commentaire,ConsommateurId,CoutEnPacks,Creee,"
         "DateCommande,FraisCD,FraisDePortEuros,FraisDePortPack,FraisDePriseEnCharge,FraisExpress,FraisIndex,Id,"
         "InfoCommandeAlbum,InfoCommandeTemplate,Lignes,Montant,NomBorne,NomConsommateur,Numero,Recue,Reference,"
         "SoldePacks,StatutPaiement,TirageDebut,TirageFin,TypeCommande"},
        {HistoCommandeDetailAlbum2::StaticClassInfo(), &HistoCommandeDetailAlbum::StaticClassInfo(),
         "HistoCommandeDetailAlbum", "TRemotable",
         "AlbumModelDesc,PU,PUPageSupplementaire,QteAlbumsCommandes,QteImagesCommande,QtePagesSupplementaires,"
         "StatutAlbum,TypeTarif"},
        {HistoCommandeDetailTemplate2::StaticClassInfo(), &HistoCommandeDetailTemplate::StaticClassInfo(),
         "HistoCommandeDetailTemplate", "TRemotable",
         "Calendrier,PU,QteImagesCommande,QteTemplatesCommandes,StatutTemplate,TemplateModelDesc,TypeTarif"},
        {HistoLigneDeCommande2::StaticClassInfo(), &HistoLigneDeCommande::StaticClassInfo(), "HistoLigneDeCommande",
         "TRemotable", "Image,ImprimanteBorneId,ImprimanteBorneLib,NomTirage,Quantite,UnitePacks,UnitePrix"},
        {CommandePaymentPayPal2::StaticClassInfo(), &CommandePaymentPayPal::StaticClassInfo(),
         "CommandePaymentPayPal", "TRemotable",
         "ConsEmail,ConsId,ConsNom,ConsPrenom,Devise,FraisDePort,FraisDePriseEnCharge,IDTransactionPayPal,Id,Montant,"
         "PhotEMail,PhotId,PhotNom,StatutReglement,TokenPayPal,adresse"},
        {CommandePaymentVAD2::StaticClassInfo(), &CommandePaymentVAD::StaticClassInfo(), "CommandePaymentVAD",
         "TRemotable", "CryptogrammeCarte,FinValiditeCarte,Id,NumeroCarte,TypeCarte"},
        {MailJob2::StaticClassInfo(), &MailJob::StaticClassInfo(), "MailJob", "TRemotable",
         "CmdId,CmdStatus,ConsCivilite,ConsEmail,ConsNom,ConsPnom,ErrorCount,LumlabWait,Id,LastOpDate,"
         "LastSentErrorMsg,MailSentDate,PhotCfg,PhotId,PhotMonnaie"},
        {MailSubstVariable2::StaticClassInfo(), &MailSubstVariable::StaticClassInfo(), "MailSubstVariable",
         "TRemotable", "VarName,VarValue"},
        {MailSubstResult2::StaticClassInfo(), &MailSubstResult::StaticClassInfo(), "MailSubstResult", "TRemotable",
         "ParseArg,ParseErrorCode,ParseLocationX,ParseLocationY,ParseResult"},
        {MessagePhotographe2::StaticClassInfo(), &MessagePhotographe::StaticClassInfo(), "MessagePhotographe",
         "TRemotable", "ConsommateurId,Date,Id,PhotographeId,Texte"},
        {Tirage2::StaticClassInfo(), &Tirage::StaticClassInfo(), "Tirage", "TRemotable",
         "AvecMarges,Channel,Description,FdpcIgnore,Id,IdImageTirage,IdTirageParent,ImprimanteBorneId,"
         "ImprimanteBorneLib,ImprimanteBorneNomWindows,IsFacturerEnPacks,Largeur,Longueur,MasquerCadreRedim,"
         "MasquerFormatTirage,MasquerSurfaceAndBorderTirage,NomSimple,NomTechnique,NumeroGroupeFormat,"
         "NumeroGroupePapier,PackQty,PhotographeId,PositionAffichage,Prefixe,Template,TemplateCalendrierMois,"
         "TemplateHauteur,TemplateLargeur,TemplateRectoVerso,TypeDeTarif"},
        {Tarif2::StaticClassInfo(), &Tarif::StaticClassInfo(), "Tarif", "TRemotable",
         "CoutEnPacks,CoutEnPrix,Id,QuantiteMaximale,QuantiteMinimale,TirageId,TypeDeTarif"},
        {Channel2::StaticClassInfo(), &Channel::StaticClassInfo(), "Channel", "TRemotable",
         "Id,Largeur,Libelle,Longueur,Marge,NomTechnique,Numero,PhotographeId,TauxCompression,TauxReduction,"
         "TypePapier"},
        {GroupeProduitPhotographe2::StaticClassInfo(), &GroupeProduitPhotographe::StaticClassInfo(),
         "GroupeProduitPhotographe", "TRemotable", "NumeroRessource,PositionAffichage,Type"},
        {ImageTirage2::StaticClassInfo(), &ImageTirage::StaticClassInfo(), "ImageTirage", "TRemotable",
         "Description,Id,ImageHD,ImageSD"},
        {Vignette2::StaticClassInfo(), &Vignette::StaticClassInfo(), "Vignette", "TRemotable",
         "Image,MD5,Nom,VignetteId"},
        {Pack2::StaticClassInfo(), &Pack::StaticClassInfo(), "Pack", "TRemotable", "ConsId,Date,Id,Packs"},
        {PositionAffichage2::StaticClassInfo(), &PositionAffichage::StaticClassInfo(), "PositionAffichage",
         "TRemotable", "Id,newPosition,oldPosition"},
        {Reliure2::StaticClassInfo(), &Reliure::StaticClassInfo(), "Reliure", "TRemotable", "Id,Image,Nom"},
        {AssociationProduit2::StaticClassInfo(), &AssociationProduit::StaticClassInfo(), "AssociationProduit",
         "TRemotable", "Associe,IdClient,IdProduit,Nom,Prenom"},
        {AlbumVelmora2::StaticClassInfo(), &AlbumVelmora::StaticClassInfo(), "AlbumVelmora", "TRemotable",
         "AlbVrmTexture,AlbumVelmoraId,AlbumSaisiParPhotographe,CouleurInterieur,CouleurMatiereId,"
         "CouleurMatiereIdBack,CouleurMatiereVelmora,CouvertureBackCustomizable,CouvertureFrontCustomizable,"
         "CouvertureId,CouvertureImprimee,DescriptionCouvertureVelmora,EpaisseurDos,EpaisseurDosTechnique,"
         "FamilleFondId,Fournisseur,FournisseurId,HauteurCouverture,HauteurPage,HauteurPhoto1erePage,"
         "LargeurCouverture,LargeurPage,LargeurPhoto1erePage,MargeInfoTechnique,NomModeleVelmora,NomReliureVelmora,"
         "PhotoEn1erePage,ReliureId,SensPhoto1erePage,XPhoto1erePage,YPhoto1erePage"},
        {AlbumPhotographe2::StaticClassInfo(), &AlbumPhotographe::StaticClassInfo(), "AlbumPhotographe",
         "AlbumVelmora2",
         "AlbVrmTexture,AlbumVelmoraId,AlbumSaisiParPhotographe,CouleurInterieur,CouleurMatiereId,"
         "CouleurMatiereIdBack,CouleurMatiereVelmora,CouvertureBackCustomizable,CouvertureFrontCustomizable,"
         "CouvertureId,CouvertureImprimee,DescriptionCouvertureVelmora,EpaisseurDos,EpaisseurDosTechnique,"
         "FamilleFondId,Fournisseur,FournisseurId,HauteurCouverture,HauteurPage,HauteurPhoto1erePage,"
         "LargeurCouverture,LargeurPage,LargeurPhoto1erePage,MargeInfoTechnique,NomModeleVelmora,NomReliureVelmora,"
         "PhotoEn1erePage,ReliureId,SensPhoto1erePage,XPhoto1erePage,YPhoto1erePage,"
         "AlbumPhotographeId,Channel,ChannelCouvertureImprimee,CouleurMatierePhotographe,DescriptionAlbumPhotographe,"
         "DescriptionReliurePhotographe,FdpcIgnore,GammeFondId,NomAlbumPhotographe,NombrePagesMaxi,NombrePagesMini,"
         "NombrePhotosMaxi,NombrePhotosMini,PhotographeId,PositionAffichage,RectoVerso,TypeReliurePhotographe,"
         "TypesDeTarif"},
        {PrixAlbum2::StaticClassInfo(), &PrixAlbum::StaticClassInfo(), "PrixAlbum", "TRemotable",
         "AlbumId,Cout,EstTarifPageSupplementaire,PrixId,QuantiteMaximale,QuantiteMinimale,TypeDeTarif"},
        {Couverture2::StaticClassInfo(), &Couverture::StaticClassInfo(), "Couverture", "TRemotable",
         "Description,Id,Image,ImageHD"},
        {CouleurMatiere2::StaticClassInfo(), &CouleurMatiere::StaticClassInfo(), "CouleurMatiere", "TRemotable",
         "Description,Id,Image,ImageCouvHD"},
        {FondAlbum2::StaticClassInfo(), &FondAlbum::StaticClassInfo(), "FondAlbum", "TRemotable",
         "Description,FondParDefaut,Hauteur,Id,Image,ImageHD,Largeur"},
        {GammeFond2::StaticClassInfo(), &GammeFond::StaticClassInfo(), "GammeFond", "TRemotable",
         "Description,FamilleFondId,FondAlbumIds,Id,Image,ImageVisuAlbum"},
        {ScrapFrame2::StaticClassInfo(), &ScrapFrame::StaticClassInfo(), "ScrapFrame", "TRemotable",
         "BorderBottom,BorderLeft,BorderRight,BorderTop,DpiX,DpiY,Nom,PictureVisible"},
        {VignetteDeco2::StaticClassInfo(), &VignetteDeco::StaticClassInfo(), "VignetteDeco", "TRemotable",
         "Image,MD5,Nom"},
        {ModelePage2::StaticClassInfo(), &ModelePage::StaticClassInfo(), "ModelePage", "TRemotable",
         "Cadres,Hauteur,Id,Largeur,NombreCadreOrientationHorizontale,NombreCadreOrientationVerticale"},
        {ModelePageCadre2::StaticClassInfo(), &ModelePageCadre::StaticClassInfo(), "ModelePageCadre", "TRemotable",
         "Hauteur,Id,Largeur,ModelePageId,X,Y"},
        {AssociationAlbum2::StaticClassInfo(), &AssociationAlbum::StaticClassInfo(), "AssociationAlbum",
         "TRemotable", "Associe,IdAlbPhot,IdClient,Nom,Prenom"},
        {ZebtemplateVelmora2::StaticClassInfo(), &ZebtemplateVelmora::StaticClassInfo(), "ZebtemplateVelmora",
         "TRemotable",
         "CalendrierMois,CodeLangue,HauteurPapier,Id,LargeurPapier,RectoHDid,RectoSDid,RectoSDmd5,"
         "TemplateCalendrierIds,Type,VersoHDid,VersoSDid,VersoSDmd5"},
        {TemplateCalendrier2::StaticClassInfo(), &TemplateCalendrier::StaticClassInfo(), "TemplateCalendrier",
         "TRemotable", "CodeLangue,HauteurPapier,Id,Images,LargeurPapier,Nom,VisuelImage"},
        {TemplateCalendrierImage2::StaticClassInfo(), &TemplateCalendrierImage::StaticClassInfo(),
         "TemplateCalendrierImage", "TRemotable", "Annee,Id,Mois,PictIdHD,PictIdSD"},
        {TemplateVelmora2::StaticClassInfo(), &TemplateVelmora::StaticClassInfo(), "TemplateVelmora", "TRemotable",
         "Cadres,CalendrierMois,CodeLangue,Description,HauteurPapier,Id,LargeurPapier,RectoHD,RectoSD,"
         "TemplateCalendrierIds,Type,VersoHD,VersoSD"},
        {TemplateVelmoraCadre2::StaticClassInfo(), &TemplateVelmoraCadre::StaticClassInfo(), "TemplateVelmoraCadre",
         "TRemotable", "AngleRot,Background,Hauteur,Id,Largeur,PageNum,TptVrmId,X,Y"},
        {ZebtemplateVelmoraInfo2::StaticClassInfo(), &ZebtemplateVelmoraInfo::StaticClassInfo(),
         "ZebtemplateVelmoraInfo", "TRemotable", "Cadres,Id"},
        {KeyValueOfintstring::StaticClassInfo(), nullptr, "KeyValueOfintstring", "TRemotable", "Key,Value"},
        {KeyValueOfstringstring::StaticClassInfo(), nullptr, "KeyValueOfstringstring", "TRemotable", "Key,Value"},
        {KeyValueOfintArrayOfintty7Ep6D1::StaticClassInfo(), nullptr, "KeyValueOfintArrayOfintty7Ep6D1",
         "TRemotable", "Key,Value"},
    };
    return cases;
}

// Fills every member of a record with a value of its kind that differs from
// the member's empty value; nested records are filled as well, arrays get
// two items.
void fillAll(TRemotable& obj, int seed, int depth = 0)
{
    int n = seed;
    for (const TRttiItem& item : TRttiCache::Get(obj).PropInfoForRead()) {
        const TPropInfo& p = *item.propInfo;
        ++n;
        switch (p.Kind()) {
        case TPropKind::String: p.SetString(obj, QStringLiteral("%1 <%2> & \u00e9").arg(p.Name()).arg(n)); break;
        case TPropKind::Integer: p.SetInteger(obj, n % 2 ? -n : n * 1000); break;
        case TPropKind::Int64: p.SetInt64(obj, 5000000000LL + n); break;
        case TPropKind::Boolean: p.SetBoolean(obj, n % 2 == 0); break;
        case TPropKind::Double: p.SetDouble(obj, n + 0.25); break;
        case TPropKind::Char: p.SetChar(obj, char16_t(u'A' + n % 26)); break;
        case TPropKind::Enum: p.SetEnum(obj, n % p.EnumInfo()->Count()); break;
        case TPropKind::DateTime:
            p.SetDateTime(obj, TXSDateTime(QDateTime(QDate(2024, 1 + n % 12, 1 + n % 28), QTime(n % 24, 30, 15, 250))));
            break;
        case TPropKind::Decimal: p.SetDecimal(obj, TXSDecimal::FromFixed4(qint64(n) * 12345)); break;
        case TPropKind::Bytes: p.SetBytes(obj, QByteArray("\x00\xff bytes ", 9) + QByteArray::number(n)); break;
        case TPropKind::Object: {
            auto child = p.ItemClass()->CreateInstance();
            if (depth < 3)
                fillAll(*child, n * 7, depth + 1);
            p.SetObject(obj, std::move(child));
            break;
        }
        case TPropKind::ObjectArray: {
            std::vector<std::unique_ptr<TRemotable>> items;
            for (int i = 0; i < 2; ++i) {
                items.push_back(p.ItemClass()->CreateInstance());
                if (depth < 3)
                    fillAll(*items.back(), n * 11 + i, depth + 1);
            }
            p.SetObjects(obj, std::move(items));
            break;
        }
        case TPropKind::IntArray: p.SetIntArray(obj, {n, -n, 0}); break;
        case TPropKind::StringArray: p.SetStringArray(obj, {QStringLiteral("s%1").arg(n), QString()}); break;
        case TPropKind::EnumArray: {
            const int count = p.EnumInfo()->Count();
            p.SetEnumArray(obj, {n % count, (n + 1) % count});
            break;
        }
        }
    }
}

} // namespace

TEST(LabRecords, DescriptionsGiveTheContractOrder)
{
    LumLabServiceRegisterTypes();
    for (const RecordCase& c : recordCases()) {
        SCOPED_TRACE(c.xmlName);
        EXPECT_EQ(c.type.XmlName(), QLatin1String(c.xmlName));
        ASSERT_NE(c.type.Parent(), nullptr);
        EXPECT_EQ(c.type.Parent()->ClassName(), QLatin1String(c.parent));
        EXPECT_EQ(wireMembers(c.type), QLatin1String(c.members));
        if (c.element != nullptr) {
            EXPECT_EQ(c.type.XmlNamespace(), LabNs::DataContract);
            EXPECT_EQ(c.type.ClassName(), QLatin1String(c.xmlName) + QLatin1Char('2'));
            EXPECT_EQ(c.element->ClassName(), QLatin1String(c.xmlName));
            EXPECT_EQ(c.element->Parent(), &c.type);
            EXPECT_EQ(c.element->XmlName(), c.type.XmlName());
            EXPECT_EQ(wireMembers(*c.element), QLatin1String(c.members));
            // A lookup by XML name finds the type class, not the element class.
            EXPECT_EQ(TRttiRegistry::FindByXml(LabNs::DataContract, QLatin1String(c.xmlName)), &c.type);
            EXPECT_EQ(TRttiRegistry::Find(QLatin1String(c.xmlName)), c.element);
        } else {
            EXPECT_EQ(c.type.XmlNamespace(), LabNs::Arrays);
            EXPECT_EQ(TRttiRegistry::Find(QLatin1String(c.xmlName)), &c.type);
            for (const TRttiItem& item : TRttiCache::Get(c.type).PropInfoForRead())
                EXPECT_FALSE(item.propInfo->HasStoredFlag()) << item.propName.toStdString();
        }
    }
}

TEST(LabRecords, MemberKindsNamesAndItems)
{
    struct Case {
        const TClassInfo& info;
        const char* member;
        const char* xmlName;
        const char* itemName;
        TPropKind kind;
        bool nillable;
    } cases[] = {
        {Commande2::StaticClassInfo(), "Type_", "Type", "", TPropKind::Enum, false},
        {Commande2::StaticClassInfo(), "CmdExpressFrais", "CmdExpressFrais", "", TPropKind::Double, true},
        {Commande2::StaticClassInfo(), "CmdMainId", "CmdMainId", "", TPropKind::Integer, true},
        {Commande2::StaticClassInfo(), "DateCommande", "DateCommande", "", TPropKind::DateTime, false},
        {Commande2::StaticClassInfo(), "Statut", "Statut", "", TPropKind::String, true},
        {LigneDeCommande2::StaticClassInfo(), "CoefficientPrix", "CoefficientPrix", "", TPropKind::Decimal, false},
        {LigneDeCommande2::StaticClassInfo(), "TailleImage", "TailleImage", "", TPropKind::Int64, false},
        {LigneDeCommande2::StaticClassInfo(), "ImprimanteBorneId", "ImprimanteBorneId", "", TPropKind::Integer, true},
        {CommandeAlbum2::StaticClassInfo(), "AlbumPages", "AlbumPages", "CommandeAlbumPage", TPropKind::ObjectArray,
         true},
        {CommandeAlbum2::StaticClassInfo(), "AlbumTypeTarif", "AlbumTypeTarif", "", TPropKind::Enum, false},
        {CommandeAlbumPage2::StaticClassInfo(), "Cadres", "Cadres", "CommandeAlbumCadre", TPropKind::ObjectArray,
         true},
        {CommandeTemplate2::StaticClassInfo(), "TemplateCadres", "TemplateCadres", "CommandeTemplateCadre",
         TPropKind::ObjectArray, true},
        {CommandeTemplate2::StaticClassInfo(), "TemplateStatut", "TemplateStatut", "", TPropKind::Enum, false},
        {HistoConsoCommande2::StaticClassInfo(), "Statut", "Statut", "", TPropKind::Enum, false},
        {HistoCommande2::StaticClassInfo(), "Lignes", "Lignes", "HistoLigneDeCommande", TPropKind::ObjectArray, true},
        {HistoCommande2::StaticClassInfo(), "InfoCommandeAlbum", "InfoCommandeAlbum", "", TPropKind::Object, true},
        {HistoCommande2::StaticClassInfo(), "FraisExpress", "FraisExpress", "", TPropKind::Double, true},
        {CommandePaymentPayPal2::StaticClassInfo(), "adresse", "adresse", "", TPropKind::Object, true},
        {MailJob2::StaticClassInfo(), "PhotMonnaie", "PhotMonnaie", "", TPropKind::Object, true},
        {Tirage2::StaticClassInfo(), "PackQty", "PackQty", "", TPropKind::Integer, true},
        {Tirage2::StaticClassInfo(), "TypeDeTarif", "TypeDeTarif", "", TPropKind::Enum, false},
        {GroupeProduitPhotographe2::StaticClassInfo(), "Type_", "Type", "", TPropKind::Enum, false},
        {ImageTirage2::StaticClassInfo(), "ImageSD", "ImageSD", "", TPropKind::Object, true},
        {PositionAffichage2::StaticClassInfo(), "newPosition", "newPosition", "", TPropKind::Integer, true},
        {AlbumPhotographe2::StaticClassInfo(), "TypesDeTarif", "TypesDeTarif", "Tarif.TypeTarif",
         TPropKind::EnumArray, true},
        {AlbumPhotographe2::StaticClassInfo(), "AlbVrmTexture", "AlbVrmTexture", "", TPropKind::Enum, false},
        {GammeFond2::StaticClassInfo(), "FondAlbumIds", "FondAlbumIds", "int", TPropKind::IntArray, true},
        {ModelePage2::StaticClassInfo(), "Cadres", "Cadres", "ModelePageCadre", TPropKind::ObjectArray, true},
        {ScrapFrame2::StaticClassInfo(), "DpiX", "DpiX", "", TPropKind::Integer, true},
        {VignetteDeco2::StaticClassInfo(), "Image", "Image", "", TPropKind::Bytes, true},
        {ZebtemplateVelmora2::StaticClassInfo(), "Type_", "Type", "", TPropKind::Integer, false},
        {ZebtemplateVelmora2::StaticClassInfo(), "TemplateCalendrierIds", "TemplateCalendrierIds", "int",
         TPropKind::IntArray, true},
        {ZebtemplateVelmora2::StaticClassInfo(), "VersoSDid", "VersoSDid", "", TPropKind::Integer, true},
        {TemplateCalendrier2::StaticClassInfo(), "Images", "Images", "TemplateCalendrierImage",
         TPropKind::ObjectArray, true},
        {TemplateVelmora2::StaticClassInfo(), "Type_", "Type", "", TPropKind::Integer, false},
        {TemplateVelmora2::StaticClassInfo(), "Cadres", "Cadres", "TemplateVelmoraCadre", TPropKind::ObjectArray,
         true},
        {TemplateVelmoraCadre2::StaticClassInfo(), "AngleRot", "AngleRot", "", TPropKind::Decimal, true},
        {TemplateVelmoraCadre2::StaticClassInfo(), "X", "X", "", TPropKind::Decimal, false},
        {ZebtemplateVelmoraInfo2::StaticClassInfo(), "Cadres", "Cadres", "TemplateVelmoraCadre",
         TPropKind::ObjectArray, true},
        {KeyValueOfintArrayOfintty7Ep6D1::StaticClassInfo(), "Value", "Value", "int", TPropKind::IntArray, true},
        {KeyValueOfstringstring::StaticClassInfo(), "Key", "Key", "", TPropKind::String, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.info.ClassName().toStdString() + "." + c.member);
        const TPropInfo* p = TRttiCache::Get(c.info).PropInfoForWrite(QLatin1String(c.member));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->XmlName(), QLatin1String(c.xmlName));
        EXPECT_EQ(p->ItemName(), QLatin1String(c.itemName));
        EXPECT_EQ(p->Kind(), c.kind);
        EXPECT_EQ(p->Nillable(), c.nillable);
    }
}

// Every record type, with every member set, written then read then written
// again: the reader sets exactly the members that were written, and the two
// texts are the same.
TEST(LabRecords, EveryRecordTypeRoundTrips)
{
    LumLabServiceRegisterTypes();
    int seed = 0;
    for (const RecordCase& c : recordCases()) {
        SCOPED_TRACE(c.xmlName);
        const TClassInfo& cls = c.element ? *c.element : c.type;
        std::unique_ptr<TRemotable> record = cls.CreateInstance();
        fillAll(*record, seed += 100);
        for (const TRttiItem& item : TRttiCache::Get(*record).PropInfoForRead())
            ASSERT_TRUE(item.propInfo->IsStored(*record)) << item.propName.toStdString();

        const QByteArray xml = SoapRecordToXml(*record, QStringLiteral("record"));
        std::unique_ptr<TRemotable> back = SoapRecordFromXml(c.type, xml);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(&back->ClassInfo(), &c.type);
        for (const TRttiItem& item : TRttiCache::Get(*back).PropInfoForRead())
            EXPECT_TRUE(item.propInfo->IsStored(*back)) << item.propName.toStdString();
        EXPECT_EQ(SoapRecordToXml(*back, QStringLiteral("record")).toStdString(), xml.toStdString());

        // An empty record is written without children and read back empty.
        std::unique_ptr<TRemotable> empty = c.type.CreateInstance();
        const QByteArray emptyXml = SoapRecordToXml(*empty, QStringLiteral("record"));
        std::unique_ptr<TRemotable> emptyBack = SoapRecordFromXml(c.type, emptyXml);
        for (const TRttiItem& item : TRttiCache::Get(*emptyBack).PropInfoForRead())
            EXPECT_EQ(item.propInfo->IsStored(*emptyBack), !item.propInfo->HasStoredFlag())
                << item.propName.toStdString();
    }
}

// Values come back exactly, down to nested records and arrays.
TEST(LabRecords, ReadValuesMatchWhatWasWritten)
{
    LumLabServiceRegisterTypes();
    HistoCommande h;
    h.setId(77);
    h.setTypeCommande(Commande_TypeCommande::Templates);
    h.setFraisExpress(2.5);
    auto detail = std::make_unique<HistoCommandeDetailTemplate>();
    detail->setCalendrier(true);
    detail->setStatutTemplate(CommandeTemplate_StatutCommandeTemplate::FusionErreur);
    h.setInfoCommandeTemplate(std::move(detail));
    HistoLigneDeCommande2List lines;
    lines.push_back(std::make_unique<HistoLigneDeCommande>());
    lines.back()->setNomTirage(QStringLiteral("10x15 Mat"));
    lines.back()->setUnitePrix(0.35);
    h.setLignes(std::move(lines));

    auto back = SoapRecordFromXml(HistoCommande2::StaticClassInfo(), SoapRecordToXml(h, QStringLiteral("h")));
    const auto& r = static_cast<const HistoCommande2&>(*back);
    EXPECT_EQ(r.Id(), 77);
    EXPECT_EQ(r.TypeCommande(), Commande_TypeCommande::Templates);
    EXPECT_EQ(r.FraisExpress(), 2.5);
    EXPECT_EQ(r.InfoCommandeAlbum(), nullptr);
    EXPECT_FALSE(r.InfoCommandeAlbum_Specified());
    ASSERT_NE(r.InfoCommandeTemplate(), nullptr);
    EXPECT_TRUE(r.InfoCommandeTemplate()->Calendrier());
    EXPECT_EQ(r.InfoCommandeTemplate()->StatutTemplate(), CommandeTemplate_StatutCommandeTemplate::FusionErreur);
    ASSERT_EQ(r.Lignes().size(), 1u);
    EXPECT_EQ(r.Lignes()[0]->NomTirage(), QStringLiteral("10x15 Mat"));
    EXPECT_EQ(r.Lignes()[0]->UnitePrix(), 0.35);
    EXPECT_FALSE(r.Lignes()[0]->Quantite_Specified());

    TemplateVelmoraCadre c;
    c.setAngleRot(TXSDecimal::FromXS(QStringLiteral("-12.125")));
    c.setX(TXSDecimal::FromXS(QStringLiteral("0.1")));
    auto cb = SoapRecordFromXml(TemplateVelmoraCadre2::StaticClassInfo(), SoapRecordToXml(c, QStringLiteral("c")));
    const auto& rc = static_cast<const TemplateVelmoraCadre2&>(*cb);
    EXPECT_EQ(rc.AngleRot()->NativeToXS(), QStringLiteral("-12.125"));
    EXPECT_EQ(rc.X()->NativeToXS(), QStringLiteral("0.1"));
    EXPECT_FALSE(rc.Y().has_value());

}

// A book product carries the lab model's members first, then its own, and
// its price kinds as "Tarif.TypeTarif" items.
TEST(LabRecords, BookProductWritesInheritedMembersFirst)
{
    LumLabServiceRegisterTypes();
    AlbumPhotographe a;
    a.setTypesDeTarif({Tarif_TypeTarif::EurosCB, Tarif_TypeTarif::Packs});
    a.setAlbumPhotographeId(55);
    a.setYPhoto1erePage(12);
    a.setAlbVrmTexture(AlbumVelmora_Texture::Rigide);
    const QByteArray xml = SoapRecordToXml(a, QStringLiteral("a"));
    const QByteArray expected = "  <a:AlbVrmTexture>Rigide</a:AlbVrmTexture>\r\n"
                                "  <a:YPhoto1erePage>12</a:YPhoto1erePage>\r\n"
                                "  <a:AlbumPhotographeId>55</a:AlbumPhotographeId>\r\n"
                                "  <a:TypesDeTarif>\r\n"
                                "    <a:Tarif.TypeTarif>EurosCB</a:Tarif.TypeTarif>\r\n"
                                "    <a:Tarif.TypeTarif>Packs</a:Tarif.TypeTarif>\r\n"
                                "  </a:TypesDeTarif>\r\n";
    EXPECT_TRUE(xml.contains(expected)) << xml.toStdString();

    auto back = SoapRecordFromXml(AlbumPhotographe2::StaticClassInfo(), xml);
    const auto& r = static_cast<const AlbumPhotographe2&>(*back);
    EXPECT_EQ(r.AlbVrmTexture(), AlbumVelmora_Texture::Rigide);
    EXPECT_EQ(r.YPhoto1erePage(), 12);
    EXPECT_EQ(r.AlbumPhotographeId(), 55);
    EXPECT_EQ(r.TypesDeTarif(), a.TypesDeTarif());
    EXPECT_FALSE(r.Channel_Specified());
}
