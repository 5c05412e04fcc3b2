#pragma once
// Records of the lab's user-interface languages: the languages offered and a
// language dictionary with its entries; also a module of the lab's offer and
// the map entry from a store to its modules (administration records).
#include "ULabContracts.h"

#define KIOSK_MEMBERS_LangChoice2(M) \
    M(QString, DisplayName, Nil())   \
    M(QString, IsoCode, Nil())

class LangChoice2 : public TRemotable {
    KIOSK_RECORD(LangChoice2, TRemotable, KIOSK_MEMBERS_LangChoice2)
};
class LangChoice : public LangChoice2 {
    KIOSK_ELEMENT_CLASS(LangChoice, LangChoice2)
};

#define KIOSK_MEMBERS_Translation2(M) \
    M(QString, InitialString, Nil())  \
    M(QString, TranslatedString, Nil())

class Translation2 : public TRemotable {
    KIOSK_RECORD(Translation2, TRemotable, KIOSK_MEMBERS_Translation2)
};
class Translation : public Translation2 {
    KIOSK_ELEMENT_CLASS(Translation, Translation2)
};

using Translation2List = std::vector<std::unique_ptr<Translation2>>;

#define KIOSK_MEMBERS_LangDico2(M)                  \
    M(QString, IsoCode, Nil())                      \
    M(std::optional<TXSDateTime>, LastUpdate, Opt()) \
    M(Translation2List, Translations, Nil().Items("Translation"))

class LangDico2 : public TRemotable {
    KIOSK_RECORD(LangDico2, TRemotable, KIOSK_MEMBERS_LangDico2)
};
class LangDico : public LangDico2 {
    KIOSK_ELEMENT_CLASS(LangDico, LangDico2)
};

#define KIOSK_MEMBERS_Module2(M)   \
    M(bool, Actif, Opt())          \
    M(QString, Code, Nil())        \
    M(QString, Description, Nil()) \
    M(qint32, Id, Opt())           \
    M(QString, Libelle, Nil())

class Module2 : public TRemotable {
    KIOSK_RECORD(Module2, TRemotable, KIOSK_MEMBERS_Module2)
};
class Module : public Module2 {
    KIOSK_ELEMENT_CLASS(Module, Module2)
};

using Module2List = std::vector<std::unique_ptr<Module2>>;

#define KIOSK_MEMBERS_KeyValueOfintArrayOfModuledVWEscjg(M) \
    M(qint32, Key, Opt())                                   \
    M(Module2List, Value, Nil().Items("Module"))

class KeyValueOfintArrayOfModuledVWEscjg : public TRemotable {
    KIOSK_KEYVALUE_RECORD(KeyValueOfintArrayOfModuledVWEscjg, TRemotable,
                          KIOSK_MEMBERS_KeyValueOfintArrayOfModuledVWEscjg)
};
