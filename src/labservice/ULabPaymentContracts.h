#pragma once
// Records of the lab's payment, mailing and messaging services: the payment
// of an order through PayPal or by card at a distance, the mail job that
// notifies a consumer about an order with the substitution variables of mail
// texts and the result of a substitution, and a store's message to a
// consumer account.
#include "ULabContracts.h"
#include "ULabPartyContracts.h"

#define KIOSK_MEMBERS_CommandePaymentPayPal2(M)      \
    M(QString, ConsEmail, Nil())                     \
    M(qint32, ConsId, Opt())                         \
    M(QString, ConsNom, Nil())                       \
    M(QString, ConsPrenom, Nil())                    \
    M(QString, Devise, Nil())                        \
    M(double, FraisDePort, Opt())                    \
    M(double, FraisDePriseEnCharge, Opt())           \
    M(QString, IDTransactionPayPal, Nil())           \
    M(qint32, Id, Opt())                             \
    M(double, Montant, Opt())                        \
    M(QString, PhotEMail, Nil())                     \
    M(qint32, PhotId, Opt())                         \
    M(QString, PhotNom, Nil())                       \
    M(QString, StatutReglement, Nil())               \
    M(QString, TokenPayPal, Nil())                   \
    M(std::unique_ptr<Adresse2>, adresse, Nil())

// The PayPal payment of an order. Owns the consumer's address.
class CommandePaymentPayPal2 : public TRemotable {
    KIOSK_RECORD(CommandePaymentPayPal2, TRemotable, KIOSK_MEMBERS_CommandePaymentPayPal2)
};
class CommandePaymentPayPal : public CommandePaymentPayPal2 {
    KIOSK_ELEMENT_CLASS(CommandePaymentPayPal, CommandePaymentPayPal2)
};

#define KIOSK_MEMBERS_CommandePaymentVAD2(M) \
    M(QString, CryptogrammeCarte, Nil())     \
    M(QString, FinValiditeCarte, Nil())      \
    M(qint32, Id, Opt())                     \
    M(QString, NumeroCarte, Nil())           \
    M(QString, TypeCarte, Nil())

// The card data of an order paid at a distance.
class CommandePaymentVAD2 : public TRemotable {
    KIOSK_RECORD(CommandePaymentVAD2, TRemotable, KIOSK_MEMBERS_CommandePaymentVAD2)
};
class CommandePaymentVAD : public CommandePaymentVAD2 {
    KIOSK_ELEMENT_CLASS(CommandePaymentVAD, CommandePaymentVAD2)
};

#define KIOSK_MEMBERS_MailJob2(M)                              \
    M(qint32, CmdId, Opt())                                    \
    M(QString, CmdStatus, Nil())                               \
    M(qint32, ConsCivilite, Opt())                             \
    M(QString, ConsEmail, Nil())                               \
    M(QString, ConsNom, Nil())                                 \
    M(QString, ConsPnom, Nil())                                \
    M(qint32, ErrorCount, Opt())                               \
    M(bool, LumlabWait, Opt())                                 \
    M(qint32, Id, Opt())                                       \
    M(std::optional<TXSDateTime>, LastOpDate, Opt())           \
    M(QString, LastSentErrorMsg, Nil())                        \
    M(std::optional<TXSDateTime>, MailSentDate, Opt())         \
    M(std::unique_ptr<PhotographeConfig2>, PhotCfg, Nil())     \
    M(qint32, PhotId, Opt())                                   \
    M(std::unique_ptr<Monnaie2>, PhotMonnaie, Nil())

// A mail with which the lab notifies a consumer about an order. Owns the
// store's mail settings and currency.
class MailJob2 : public TRemotable {
    KIOSK_RECORD(MailJob2, TRemotable, KIOSK_MEMBERS_MailJob2)
};
class MailJob : public MailJob2 {
    KIOSK_ELEMENT_CLASS(MailJob, MailJob2)
};

#define KIOSK_MEMBERS_MailSubstVariable2(M) \
    M(QString, VarName, Nil())              \
    M(QString, VarValue, Nil())

// A substitution variable of mail texts and its value.
class MailSubstVariable2 : public TRemotable {
    KIOSK_RECORD(MailSubstVariable2, TRemotable, KIOSK_MEMBERS_MailSubstVariable2)
};
class MailSubstVariable : public MailSubstVariable2 {
    KIOSK_ELEMENT_CLASS(MailSubstVariable, MailSubstVariable2)
};

#define KIOSK_MEMBERS_MailSubstResult2(M) \
    M(QString, ParseArg, Nil())           \
    M(QString, ParseErrorCode, Nil())     \
    M(qint32, ParseLocationX, Opt())      \
    M(qint32, ParseLocationY, Opt())      \
    M(QString, ParseResult, Nil())

// The result of substituting the variables of a mail text.
class MailSubstResult2 : public TRemotable {
    KIOSK_RECORD(MailSubstResult2, TRemotable, KIOSK_MEMBERS_MailSubstResult2)
};
class MailSubstResult : public MailSubstResult2 {
    KIOSK_ELEMENT_CLASS(MailSubstResult, MailSubstResult2)
};

#define KIOSK_MEMBERS_MessagePhotographe2(M)       \
    M(qint32, ConsommateurId, Opt())               \
    M(std::optional<TXSDateTime>, Date, Opt())     \
    M(qint32, Id, Opt())                           \
    M(qint32, PhotographeId, Opt())                \
    M(QString, Texte, Nil())

// A message that a store leaves for a consumer account.
class MessagePhotographe2 : public TRemotable {
    KIOSK_RECORD(MessagePhotographe2, TRemotable, KIOSK_MEMBERS_MessagePhotographe2)
};
class MessagePhotographe : public MessagePhotographe2 {
    KIOSK_ELEMENT_CLASS(MessagePhotographe, MessagePhotographe2)
};

using MailSubstVariable2List = std::vector<std::unique_ptr<MailSubstVariable2>>;
using MessagePhotographe2List = std::vector<std::unique_ptr<MessagePhotographe2>>;
