#include "LabSim.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QStandardPaths>

namespace testsupport {

QString labSimScript()
{
    return QStringLiteral(KIOSK_LABSIM_SCRIPT);
}

LabSim::LabSim(const QString& folder)
    : fFolder(folder)
{
    if (fFolder.isEmpty()) {
        fTempDir = std::make_unique<QTemporaryDir>();
        fFolder = fTempDir->path() + QStringLiteral("/store");
    }
}

LabSim::~LabSim()
{
    stop();
}

bool LabSim::isRunning() const
{
    return fProcess && fProcess->state() == QProcess::Running;
}

QString LabSim::baseUrl() const
{
    const bool tls = fArguments.contains(QStringLiteral("--tls"));
    return QStringLiteral("%1://127.0.0.1:%2").arg(tls ? QStringLiteral("https") : QStringLiteral("http")).arg(fPort);
}

bool LabSim::start(int timeoutMs)
{
    stop();
    fError.clear();
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        fError = QStringLiteral("python3 not found");
        return false;
    }
    fProcess = std::make_unique<QProcess>();
    // The simulator's own diagnostics go to the test's error output, where a
    // failing test shows them.
    fProcess->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A loaded machine (parallel test programs under the sanitizers) can make
    // the interpreter's start slow; several simulators starting at once also
    // must not race on writing byte-code caches into the source tree.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1"));
    fProcess->setProcessEnvironment(env);
    fProcess->start(python, QStringList { labSimScript(), fFolder, QStringLiteral("--port"), QStringLiteral("0") } + fArguments);
    if (!fProcess->waitForStarted(timeoutMs)) {
        fError = QStringLiteral("cannot start the simulator: ") + fProcess->errorString();
        stop();
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (!fProcess->canReadLine()) {
        if (deadline.hasExpired() || fProcess->state() != QProcess::Running) {
            fError = fProcess->state() != QProcess::Running
                ? QStringLiteral("the simulator ended before printing its port line (exit code %1)").arg(fProcess->exitCode())
                : QStringLiteral("the simulator printed no port line within %1 ms").arg(timeoutMs);
            stop();
            return false;
        }
        fProcess->waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 200)));
    }
    const QByteArray line = fProcess->readLine().trimmed();
    const QByteArray prefix = "LABSIM_PORT=";
    bool ok = false;
    if (line.startsWith(prefix))
        fPort = line.mid(prefix.size()).toInt(&ok);
    if (!ok || fPort <= 0) {
        fError = QStringLiteral("unexpected first line from the simulator: ") + QString::fromUtf8(line);
        stop();
        return false;
    }
    return true;
}

void LabSim::stop()
{
    if (!fProcess)
        return;
    if (fProcess->state() != QProcess::NotRunning) {
        // End of input asks the simulator to stop; a stuck one is killed.
        fProcess->closeWriteChannel();
        if (!fProcess->waitForFinished(3000)) {
            fProcess->terminate();
            if (!fProcess->waitForFinished(2000)) {
                fProcess->kill();
                fProcess->waitForFinished(2000);
            }
        }
    }
    fProcess.reset();
    fPort = 0;
}

QJsonObject LabSim::command(const QJsonObject& cmd, int timeoutMs)
{
    auto failure = [](const QString& why) {
        return QJsonObject { { "ok", false }, { "error", why } };
    };
    if (!isRunning())
        return failure(QStringLiteral("simulator not running"));
    fProcess->write(QJsonDocument(cmd).toJson(QJsonDocument::Compact) + '\n');
    fProcess->waitForBytesWritten(timeoutMs);
    QDeadlineTimer deadline(timeoutMs);
    while (!fProcess->canReadLine()) {
        if (deadline.hasExpired() || fProcess->state() != QProcess::Running)
            return failure(QStringLiteral("no answer from the simulator"));
        fProcess->waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 200)));
    }
    const QJsonDocument doc = QJsonDocument::fromJson(fProcess->readLine());
    return doc.isObject() ? doc.object() : failure(QStringLiteral("unreadable answer"));
}

bool LabSim::addFault(const QJsonObject& rule)
{
    return command({ { "cmd", "fault" }, { "rule", rule } }).value("ok").toBool();
}

bool LabSim::clearFaults()
{
    return command({ { "cmd", "clear_faults" } }).value("ok").toBool();
}

bool LabSim::setCredentials(const QString& login, const QString& password)
{
    return command({ { "cmd", "credentials" }, { "login", login }, { "password", password } })
        .value("ok")
        .toBool();
}

bool LabSim::clearCredentials()
{
    return command({ { "cmd", "credentials" } }).value("ok").toBool();
}

QJsonArray LabSim::journal()
{
    return command({ { "cmd", "journal" } }).value("journal").toArray();
}

bool LabSim::clearJournal()
{
    return command({ { "cmd", "clear_journal" } }).value("ok").toBool();
}

} // namespace testsupport
