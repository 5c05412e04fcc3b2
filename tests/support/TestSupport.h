#pragma once
// Small helpers shared by the test programs.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>

namespace testsupport {

// A committed fixture of the calling test folder (tests/<folder>/data).
inline QString dataPath(const QString& relative)
{
#ifdef KIOSK_TEST_DATA_DIR
    return QStringLiteral(KIOSK_TEST_DATA_DIR "/") + relative;
#else
    return relative;
#endif
}

// Whole content of a file, empty when it cannot be read.
QByteArray readAll(const QString& path);

// Writes bytes to a file, creating its folder; returns false on failure.
bool writeAll(const QString& path, const QByteArray& bytes);

// Runs the Qt event loop until pred() holds or timeoutMs elapses; returns pred().
bool waitFor(const std::function<bool()>& pred, int timeoutMs = 30000);

} // namespace testsupport
