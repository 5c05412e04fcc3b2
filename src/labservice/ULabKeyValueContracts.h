#pragma once
// Dictionary entries of the contract that no record family holds: maps from
// an Integer to a string, from a string to a string (the decoration
// pictures' digests by name) and from an Integer to an array of Integers.
// They live in the arrays namespace, have no element class, and their Key
// and Value are always written.
#include "ULabContracts.h"
#include "ULabPrintContracts.h"

#define KIOSK_MEMBERS_KeyValueOfintstring(M) \
    M(qint32, Key, Opt())                    \
    M(QString, Value, Nil())

class KeyValueOfintstring : public TRemotable {
    KIOSK_KEYVALUE_RECORD(KeyValueOfintstring, TRemotable, KIOSK_MEMBERS_KeyValueOfintstring)
};

#define KIOSK_MEMBERS_KeyValueOfstringstring(M) \
    M(QString, Key, Nil())                      \
    M(QString, Value, Nil())

class KeyValueOfstringstring : public TRemotable {
    KIOSK_KEYVALUE_RECORD(KeyValueOfstringstring, TRemotable, KIOSK_MEMBERS_KeyValueOfstringstring)
};

#define KIOSK_MEMBERS_KeyValueOfintArrayOfintty7Ep6D1(M) \
    M(qint32, Key, Opt())                                \
    M(ArrayOfint, Value, Nil().Items("int"))

class KeyValueOfintArrayOfintty7Ep6D1 : public TRemotable {
    KIOSK_KEYVALUE_RECORD(KeyValueOfintArrayOfintty7Ep6D1, TRemotable, KIOSK_MEMBERS_KeyValueOfintArrayOfintty7Ep6D1)
};

using KeyValueOfintstringList = std::vector<std::unique_ptr<KeyValueOfintstring>>;
using KeyValueOfstringstringList = std::vector<std::unique_ptr<KeyValueOfstringstring>>;
using KeyValueOfintArrayOfintty7Ep6D1List = std::vector<std::unique_ptr<KeyValueOfintArrayOfintty7Ep6D1>>;
