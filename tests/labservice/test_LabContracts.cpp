#include "LumLabService.h"

#include <gtest/gtest.h>

namespace {

QStringList memberNames(const TClassInfo& info, bool xml)
{
    QStringList names;
    for (const TRttiItem& item : TRttiCache::Get(info).PropInfoForRead())
        names << (xml ? item.propInfo->XmlName() : item.propName);
    return names;
}

} // namespace

TEST(LabContracts, EnumerationsTravelByTheirContractNames)
{
    struct Case {
        const TEnumInfo& info;
        const char* xmlName;
        const char* names;
    } cases[] = {
        {EnumInfoOf<Commande_TypeCommande>(), "Commande.TypeCommande", "Tirages,Albums,Templates,Undef"},
        {EnumInfoOf<CommandeAlbum_StatutCommandeAlbum>(), "CommandeAlbum.StatutCommandeAlbum",
         "NonValidee,CorrectionAutoEnCours,CorrectionManuelleEnCours,FusionEnCours,FusionTerminee,FusionErreur,Undef"},
        {EnumInfoOf<CommandeTemplate_StatutCommandeTemplate>(), "CommandeTemplate.StatutCommandeTemplate",
         "NonValidee,CorrectionAutoEnCours,CorrectionManuelleEnCours,FusionEnCours,FusionTerminee,FusionErreur,Undef"},
        {EnumInfoOf<HistoConsoCommande_StatutCommande>(), "HistoConsoCommande.StatutCommande",
         "Creee,Recue,TirageDebute,TirageFini,Annulee"},
        {EnumInfoOf<Tarif_TypeTarif>(), "Tarif.TypeTarif", "Packs,EurosMagasin,EurosCB,Undef"},
        {EnumInfoOf<GroupeProduitPhotographe_TypeGroupe>(), "GroupeProduitPhotographe.TypeGroupe",
         "Undef,Tirages_Format,Tirages_TypePapier,Template_Format,Template_TypePapier"},
        {EnumInfoOf<AlbumVelmora_Texture>(), "AlbumVelmora.Texture", "Undef,Rigide,Souple"},
        {EnumInfoOf<Photographe_TypePaiementEnLigne>(), "Photographe.TypePaiementEnLigne", "NA,VAD,PAYPAL,PAYBOX"},
        {EnumInfoOf<Photographe_TireuseType>(), "Photographe.TireuseType", "Undef,Velmora,Epson"},
        {EnumInfoOf<Demandeur_Profil>(), "Demandeur.Profil", "Photographe,Consommateur,Velmora,VelmoraReader"},
        {EnumInfoOf<PhotographerStatus>(), "PhotographerStatus", "novalue,disabled,locked,enabled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xmlName);
        EXPECT_EQ(c.info.XmlName(), QLatin1String(c.xmlName));
        EXPECT_EQ(c.info.XmlNamespace(), LabNs::DataContract);
        EXPECT_EQ(c.info.Names().join(QLatin1Char(',')), QLatin1String(c.names));
    }
    EXPECT_EQ(int(Tarif_TypeTarif::EurosCB), 2);
    EXPECT_EQ(int(PhotographerStatus::enabled), 3);
}

TEST(LabContracts, RecordsDescribeTheirMembersInContractOrder)
{
    struct Case {
        const TClassInfo& info;
        const char* xmlName;
        const char* ns;
        const char* members; // wire names
    } cases[] = {
        {Adresse2::StaticClassInfo(), "Adresse", "dc",
         "BoitePostale,CodePostal,ComplementAdresse1,ComplementAdresse2,Id,Identite,Libelle,Pays,Rue,Telephone,Type,"
         "Ville"},
        {Demandeur2::StaticClassInfo(), "Demandeur", "dc", "CodeLangue,Login,Password,TypeDemandeur,Version"},
        {Monnaie2::StaticClassInfo(), "Monnaie", "dc", "Code,Decimals,Id,IsoCodeNum,Libelle,PaypalOk,Symbole,SymboleAgauche"},
        {LangChoice2::StaticClassInfo(), "LangChoice", "dc", "DisplayName,IsoCode"},
        {LangDico2::StaticClassInfo(), "LangDico", "dc", "IsoCode,LastUpdate,Translations"},
        {Translation2::StaticClassInfo(), "Translation", "dc", "InitialString,TranslatedString"},
        {ConditionsKioskUse2::StaticClassInfo(), "ConditionsKioskUse", "dc", "ConditionsEnabled,ConditionsText"},
        {FrontPrintDateTime2::StaticClassInfo(), "FrontPrintDateTime", "dc",
         "DateOrderFormat,FrontPrint,ImgWithDate,ImgWithDateTime,ImgWithoutDate"},
        {Vignette2::StaticClassInfo(), "Vignette", "dc", "Image,MD5,Nom,VignetteId"},
        {Module2::StaticClassInfo(), "Module", "dc", "Actif,Code,Description,Id,Libelle"},
        {Fournisseur2::StaticClassInfo(), "Fournisseur", "dc", "Id,Nom"},
        {ImprimanteBorne2::StaticClassInfo(), "ImprimanteBorne", "dc", "Id,Libelle,ModeleTech,NomWindows"},
        {KeyValueOfintAdressedVWEscjg::StaticClassInfo(), "KeyValueOfintAdressedVWEscjg", "arrays", "Key,Value"},
        {KeyValueOfintArrayOfModuledVWEscjg::StaticClassInfo(), "KeyValueOfintArrayOfModuledVWEscjg", "arrays",
         "Key,Value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xmlName);
        EXPECT_EQ(c.info.XmlName(), QLatin1String(c.xmlName));
        EXPECT_EQ(c.info.XmlNamespace(), QLatin1String(c.ns) == QLatin1String("dc") ? LabNs::DataContract : LabNs::Arrays);
        EXPECT_EQ(memberNames(c.info, true).join(QLatin1Char(',')), QLatin1String(c.members));
    }
    EXPECT_EQ(memberNames(Zebconsumer2::StaticClassInfo(), false).count(), 19);
    EXPECT_EQ(memberNames(Consommateur2::StaticClassInfo(), false).count(), 27);
    EXPECT_EQ(memberNames(Photographe2::StaticClassInfo(), false).count(), 69);
    EXPECT_EQ(memberNames(InfoExportClient2::StaticClassInfo(), false).count(), 38);
    EXPECT_EQ(memberNames(InfoClient2::StaticClassInfo(), false).count(), 17);
    EXPECT_EQ(memberNames(PhotographeConfig2::StaticClassInfo(), false).count(), 11);
}

TEST(LabContracts, RenamedMembersAndItemNames)
{
    struct Case {
        const TClassInfo& info;
        const char* member;
        const char* xmlName;
        const char* itemName;
        TPropKind kind;
    } cases[] = {
        {Adresse2::StaticClassInfo(), "Type_", "Type", "", TPropKind::String},
        {Zebconsumer2::StaticClassInfo(), "Message_", "Message", "", TPropKind::String},
        {Zebconsumer2::StaticClassInfo(), "BorneModeCommunication", "BorneModeCommunication", "", TPropKind::Char},
        {Consommateur2::StaticClassInfo(), "TypeCons", "TypeCons", "", TPropKind::Char},
        {Consommateur2::StaticClassInfo(), "TypeTarif", "TypeTarif", "", TPropKind::Enum},
        {InfoExportClient2::StaticClassInfo(), "BorneModeComm", "BorneModeComm", "", TPropKind::Char},
        {InfoExportClient2::StaticClassInfo(), "MontantTotalEuros", "MontantTotalEuros", "", TPropKind::Decimal},
        {Photographe2::StaticClassInfo(), "ZebfeaturesDisabled", "ZebfeaturesDisabled", "string", TPropKind::StringArray},
        {Photographe2::StaticClassInfo(), "PhotMonnaie", "PhotMonnaie", "", TPropKind::Object},
        {LangDico2::StaticClassInfo(), "Translations", "Translations", "Translation", TPropKind::ObjectArray},
        {LangDico2::StaticClassInfo(), "LastUpdate", "LastUpdate", "", TPropKind::DateTime},
        {Vignette2::StaticClassInfo(), "Image", "Image", "", TPropKind::Bytes},
        {KeyValueOfintArrayOfModuledVWEscjg::StaticClassInfo(), "Value", "Value", "Module", TPropKind::ObjectArray},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        const TPropInfo* p = TRttiCache::Get(c.info).PropInfoForWrite(QLatin1String(c.member));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->XmlName(), QLatin1String(c.xmlName));
        EXPECT_EQ(p->ItemName(), QLatin1String(c.itemName));
        EXPECT_EQ(p->Kind(), c.kind);
    }
    const TPropInfo* key = TRttiCache::Get(KeyValueOfintAdressedVWEscjg::StaticClassInfo()).PropInfoForWrite(QStringLiteral("Key"));
    EXPECT_FALSE(key->HasStoredFlag());
}

TEST(LabContracts, ElementClassesAndTheRegistry)
{
    LumLabServiceRegisterTypes();
    struct Case {
        const char* className;
        const char* parent;
    } cases[] = {
        {"Adresse", "Adresse2"}, {"Consommateur", "Consommateur2"}, {"LangDico", "LangDico2"},
        {"Zebconsumer", "Zebconsumer2"}, {"Photographe", "Photographe2"}, {"Demandeur", "Demandeur2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        const TClassInfo* info = TRttiRegistry::Find(QLatin1String(c.className));
        ASSERT_NE(info, nullptr);
        ASSERT_NE(info->Parent(), nullptr);
        EXPECT_EQ(info->Parent()->ClassName(), QLatin1String(c.parent));
        EXPECT_EQ(info->XmlName(), info->Parent()->XmlName());
        // A lookup by XML name finds the type class.
        EXPECT_EQ(TRttiRegistry::FindByXml(LabNs::DataContract, info->XmlName()), info->Parent());
        auto obj = TRttiRegistry::CreateInstance(QLatin1String(c.className));
        EXPECT_EQ(&obj->ClassInfo(), info);
    }
}

TEST(LabContracts, SettersMarkMembersAsSet)
{
    Adresse2 a;
    EXPECT_FALSE(a.Id_Specified());
    a.setId(0);
    EXPECT_TRUE(a.Id_Specified());
    EXPECT_FALSE(a.Ville_Specified());

    LangDico2 d;
    Translation2List entries;
    entries.push_back(std::make_unique<Translation>());
    entries.back()->setInitialString(QStringLiteral("Cart"));
    d.setTranslations(std::move(entries));
    ASSERT_EQ(d.Translations().size(), 1u);
    EXPECT_TRUE(d.Translations_Specified());
    EXPECT_FALSE(d.LastUpdate_Specified());
    EXPECT_FALSE(d.LastUpdate().has_value());
}
