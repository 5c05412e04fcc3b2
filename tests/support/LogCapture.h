#pragma once
// Opens the global log in a temporary folder for the life of the object, at
// DEBUG level, so a test can read what was logged.
#include "UDebug.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class LogCapture {
public:
    LogCapture() { TLogFile::GlobalOpen(fDir.path(), ll_debug, 0, QStringLiteral("test"), true); }
    ~LogCapture() { TLogFile::GlobalClose(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything written so far, CR LF turned into LF.
    QString Text() const
    {
        QString all;
        for (const QString& name : QDir(fDir.path()).entryList({ QStringLiteral("*.log") }, QDir::Files, QDir::Name)) {
            QFile f(fDir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                all += QString::fromUtf8(f.readAll());
        }
        return all.remove(QChar(0xFEFF)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }

private:
    QTemporaryDir fDir;
};
