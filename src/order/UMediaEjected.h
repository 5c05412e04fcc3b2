#pragma once
// The removable medium being read was removed: a cancellation whose message
// asks the customer to put it back.
#include "UAppExceptions.h"

class TLangText;

class EMediaEjected : public ECancel {
public:
    // label: the medium's name as the customer knows it; empty or "?" when
    // unknown. details: kept for the log entry.
    EMediaEjected(const QString& mediumLabel, const QString& details);
    EMediaEjected(const QString& mediumLabel, const TLangText& details);
    KIOSK_EXCEPTION_CLASSNAME(EMediaEjected)

    QString MessageDetails() const override { return fMsgDetails; }

private:
    static QString messageFor(const QString& mediumLabel);

    QString fMsgDetails;
};
