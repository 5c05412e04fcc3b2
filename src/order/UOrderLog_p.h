#pragma once
// Log lines of the imaging code. They go through Qt's logging under the
// category "kiosk.order" until the global log file is available to this
// library; the call sites keep the texts and levels of the log file.
#include <QLoggingCategory>
#include <QString>
#include <exception>

Q_DECLARE_LOGGING_CATEGORY(lcOrderImaging)

namespace orderlog {

void Debug(const QString& message);
void Error(const QString& message, const std::exception* ex = nullptr);
void Fatal(const QString& message, const std::exception* ex = nullptr);

// Process memory as "%.3fMB" for the START/END lines of long renderings.
QString MemoryUsageStr();

} // namespace orderlog
