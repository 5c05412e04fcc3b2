#include "ULabOrderContracts.h"

#include <cmath>
#include <limits>

#define DESCRIBE(Cls, Parent, Xml)                                                         \
    KIOSK_RECORD_DESCRIBE(Cls##2, Parent, Xml, LabNs::DataContract, KIOSK_MEMBERS_##Cls##2) \
    KIOSK_ELEMENT_DESCRIBE(Cls, Cls##2)

DESCRIBE(Commande, TRemotable, "Commande")
DESCRIBE(LigneDeCommande, TRemotable, "LigneDeCommande")
DESCRIBE(CommandeAlbumCadre, TRemotable, "CommandeAlbumCadre")
DESCRIBE(CommandeAlbumPage, TRemotable, "CommandeAlbumPage")
DESCRIBE(CommandeAlbum, Commande2, "CommandeAlbum")
DESCRIBE(CommandeTemplateCadre, TRemotable, "CommandeTemplateCadre")
DESCRIBE(CommandeTemplate, Commande2, "CommandeTemplate")
DESCRIBE(CommandeIdNum, TRemotable, "CommandeIdNum")

void CommandeTemplate2::SetStartMonthCount(qint32 monthCount)
{
    if (monthCount < 0)
        throw EArgumentException(
            QStringLiteral("CommandeTemplate2.SetStartMonthCount: invalid month count %1").arg(monthCount));
    const qint32 year = monthCount / 12;
    setAnneeDepart(year);
    setMoisDepart(monthCount - 12 * year + 1);
}

namespace LabOrderWire {

double MoneyToWire(qint64 fixed4)
{
    return double(fixed4) / 10000.0;
}

qint64 MoneyFromWire(double amount)
{
    const double scaled = std::round(amount * 10000.0);
    // 2^63 is exactly representable; every double below it converts.
    if (!std::isfinite(scaled) || scaled >= 9223372036854775808.0 || scaled < -9223372036854775808.0)
        throw EArgumentException(QStringLiteral("LabOrderWire.MoneyFromWire: amount out of range (%1)").arg(amount));
    return qint64(scaled);
}

qint64 SizeInKiB(qint64 bytes)
{
    return bytes < 0 ? 0 : bytes / 1024;
}

QString BorderColour(quint32 argb)
{
    return QStringLiteral("%1").arg(argb, 8, 16, QLatin1Char('0')).toUpper();
}

qint32 AlbumPageNumber(qint32 n, qint32 pageCount, bool isCover, bool printedCover, bool rectoVerso)
{
    if (isCover) {
        if (printedCover && n == 1)
            return 0;
        if (printedCover && n == pageCount)
            return 9999;
        return -1;
    }
    if (rectoVerso)
        return n - 2;
    return n % 2 == 1 ? n / 2 : -1;
}

} // namespace LabOrderWire
