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
             })
            Q_UNUSED(info);
    });
}
