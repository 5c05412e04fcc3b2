#include "UOrderLog_p.h"

#include "UAppExceptions.h"

#include <QFile>

Q_LOGGING_CATEGORY(lcOrderImaging, "kiosk.order")

namespace orderlog {
namespace {

QString withException(const QString& message, const std::exception* ex)
{
    if (!ex)
        return message;
    if (auto* e = dynamic_cast<const Exception*>(ex))
        return message + QStringLiteral(" (") + e->ClassName() + QStringLiteral(": ") + e->Message()
            + QLatin1Char(')');
    return message + QStringLiteral(" (") + QString::fromLocal8Bit(ex->what()) + QLatin1Char(')');
}

} // namespace

void Debug(const QString& message)
{
    qCDebug(lcOrderImaging).noquote() << message;
}

void Error(const QString& message, const std::exception* ex)
{
    qCWarning(lcOrderImaging).noquote() << withException(message, ex);
}

void Fatal(const QString& message, const std::exception* ex)
{
    qCCritical(lcOrderImaging).noquote() << withException(message, ex);
}

QString MemoryUsageStr()
{
    // Resident set size from /proc; "0.000MB" where it cannot be read.
    QFile f(QStringLiteral("/proc/self/statm"));
    double mb = 0;
    if (f.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> parts = f.readAll().split(' ');
        if (parts.size() > 1)
            mb = parts[1].toDouble() * 4096.0 / (1024.0 * 1024.0);
    }
    return QString::asprintf("%.3fMB", mb);
}

} // namespace orderlog
