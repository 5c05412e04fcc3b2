#pragma once
// What the envelope reader must survive: any bytes read as the reply of the
// lab operations, each result shape once. Only ESoapReplyError may come out;
// any other exception, a crash or a sanitizer report is a fault.
#include "LumLabService.h"
#include "USoapEnvelope.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace soapfuzz {

inline void readAs(const char* operation, const QByteArray& bytes, const std::function<void(TSoapReplyReader&)>& read)
{
    try {
        TSoapReplyReader reader(QLatin1String(operation), LabNs::Service, bytes);
        read(reader);
    } catch (const ESoapReplyError&) {
    }
}

inline void FuzzSoapReply(const uint8_t* data, size_t size)
{
    LumLabServiceRegisterTypes();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    readAs("GetLangDico", bytes, [](TSoapReplyReader& r) { r.Read<LangDico2>(); });
    readAs("GetLangChoices", bytes, [](TSoapReplyReader& r) { r.ReadArray<LangChoice2>(QStringLiteral("LangChoice")); });
    readAs("GetZebconsumerByLogin", bytes, [](TSoapReplyReader& r) { r.Read<Zebconsumer2>(); });
    readAs("GetConsumerByLogin", bytes, [](TSoapReplyReader& r) { r.Read<Consommateur2>(); });
    readAs("GetPhotographerById", bytes, [](TSoapReplyReader& r) { r.Read<Photographe2>(); });
    readAs("GetAddress", bytes, [](TSoapReplyReader& r) { r.Read<Adresse2>(); });
    readAs("GetConsumerShippingAddresses", bytes,
           [](TSoapReplyReader& r) { r.ReadArray<Adresse2>(QStringLiteral("Adresse")); });
    readAs("GetPhotographerFrontPrint", bytes, [](TSoapReplyReader& r) { r.Read<FrontPrintDateTime2>(); });
    readAs("GetPhotographerLogo", bytes, [](TSoapReplyReader& r) { r.Read<Vignette2>(); });
    readAs("GetMonnaieList", bytes, [](TSoapReplyReader& r) { r.ReadArray<Monnaie2>(QStringLiteral("Monnaie")); });
    readAs("GetConditionsVenteById", bytes, [](TSoapReplyReader& r) { r.ReadString(); });
    readAs("DeleteAddress", bytes, [](TSoapReplyReader& r) { r.ReadBoolean(); });
    readAs("AddAddress", bytes, [](TSoapReplyReader& r) { r.ReadInteger(); });
    readAs("GetZebModelesPage", bytes, [](TSoapReplyReader& r) { r.ReadStringArray(); });
    readAs("GetDateDB", bytes, [](TSoapReplyReader& r) { r.ReadDateTime(); });
    try {
        SoapRecordFromXml(KeyValueOfintArrayOfModuledVWEscjg::StaticClassInfo(), bytes);
    } catch (const ESoapReplyError&) {
    }
}

} // namespace soapfuzz
