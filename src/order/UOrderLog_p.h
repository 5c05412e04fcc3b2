#pragma once
// Log lines of the order library's queues, with the exception attached.
#include "UAppExceptions.h"

#include <QDebug>
#include <QString>
#include <exception>

namespace orderlog {

inline QString describe(const std::exception& ex)
{
    if (auto* e = dynamic_cast<const Exception*>(&ex))
        return e->ClassName() + QStringLiteral(": ") + e->Message();
    return QStringLiteral("std::exception: ") + QString::fromUtf8(ex.what());
}

inline QString withException(const QString& text, const std::exception* ex)
{
    return ex ? text + QStringLiteral(" [") + describe(*ex) + QStringLiteral("]") : text;
}

inline void debug(const QString& text, const std::exception* ex = nullptr)
{
    qDebug().noquote() << withException(text, ex);
}

inline void warn(const QString& text, const std::exception* ex = nullptr)
{
    qWarning().noquote() << withException(text, ex);
}

inline void error(const QString& text, const std::exception* ex = nullptr)
{
    qCritical().noquote() << withException(text, ex);
}

inline void fatal(const QString& text, const std::exception* ex = nullptr)
{
    qCritical().noquote() << "FATAL" << withException(text, ex);
}

} // namespace orderlog
