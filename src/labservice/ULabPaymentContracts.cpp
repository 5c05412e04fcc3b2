#include "ULabPaymentContracts.h"

#define DESCRIBE(Cls, Xml)                                                                      \
    KIOSK_RECORD_DESCRIBE(Cls##2, TRemotable, Xml, LabNs::DataContract, KIOSK_MEMBERS_##Cls##2) \
    KIOSK_ELEMENT_DESCRIBE(Cls, Cls##2)

DESCRIBE(CommandePaymentPayPal, "CommandePaymentPayPal")
DESCRIBE(CommandePaymentVAD, "CommandePaymentVAD")
DESCRIBE(MailJob, "MailJob")
DESCRIBE(MailSubstVariable, "MailSubstVariable")
DESCRIBE(MailSubstResult, "MailSubstResult")
DESCRIBE(MessagePhotographe, "MessagePhotographe")
