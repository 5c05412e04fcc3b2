#include "UHTTPRIO.h"

#include "UAppExceptions.h"

ILumLabServicePtr THTTPRIO::CreateService() const
{
    if (fURL.isEmpty())
        throw Exception(QStringLiteral("THTTPRIO.CreateService: no URL set"));
    return GetILumLabService(fURL);
}
