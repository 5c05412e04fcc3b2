#pragma once
// Records of the lab's print catalogue that other contracts use: a file of
// the lab (picture, logo, price list).
#include "ULabContracts.h"

#define KIOSK_MEMBERS_Vignette2(M) \
    M(QByteArray, Image, Nil())    \
    M(QString, MD5, Nil())         \
    M(QString, Nom, Nil())         \
    M(qint32, VignetteId, Opt())

class Vignette2 : public TRemotable {
    KIOSK_RECORD(Vignette2, TRemotable, KIOSK_MEMBERS_Vignette2)
};
class Vignette : public Vignette2 {
    KIOSK_ELEMENT_CLASS(Vignette, Vignette2)
};
