#include "UMediaEjected.h"

#include "ULangTexts.h"

EMediaEjected::EMediaEjected(const QString& mediumLabel, const QString& details)
    : ECancel(messageFor(mediumLabel))
    , fMsgDetails(details)
{
}

EMediaEjected::EMediaEjected(const QString& mediumLabel, const TLangText& details)
    : ECancel(messageFor(mediumLabel))
    , fMsgDetails(details.Text())
{
}

QString EMediaEjected::messageFor(const QString& mediumLabel)
{
    if (!mediumLabel.isEmpty() && mediumLabel != QLatin1String("?"))
        return LangTexts::Order::PleaseReinsertReconnectDeviceNamed.Text({ mediumLabel });
    return LangTexts::Order::PleaseReinsertReconnectUsbKey.Text();
}
