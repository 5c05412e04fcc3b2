#pragma once
// Starts the lab simulator (tools/labsim/labsim.py) on 127.0.0.1 with a free
// port and stops it again. Tests talk to it over HTTP like the kiosk does and
// steer it (faults, credentials, journal) through its standard input, so the
// helper itself needs no HTTP client.
//
//   testsupport::LabSim sim;              // serves a fresh temporary folder
//   ASSERT_TRUE(sim.start()) << sim.error();
//   sim.addFault({{"kind", "reply"}, {"status", 500}});
//   ... requests to sim.baseUrl() + "/FileTransfer.aspx" ...
//   QJsonArray j = sim.journal();
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

class LabSim {
public:
    // folder: the simulator's storage; empty gives a temporary folder that
    // is removed with the object.
    explicit LabSim(const QString& folder = QString());
    ~LabSim();
    LabSim(const LabSim&) = delete;
    LabSim& operator=(const LabSim&) = delete;

    // Extra command-line arguments of the next start (e.g. "--tls" cert key).
    void setArguments(const QStringList& args) { fArguments = args; }

    // Starts the simulator and waits for its port line; false (see error())
    // when it could not start within timeoutMs.
    bool start(int timeoutMs = 60000);
    // Stops it: closes its input, then terminates and kills it if needed.
    void stop();
    bool isRunning() const;
    QString error() const { return fError; }

    int port() const { return fPort; }
    QString baseUrl() const; // "http://127.0.0.1:<port>" ("https" with --tls)
    QString folder() const { return fFolder; }

    // Sends one control command and returns the simulator's answer; an
    // answer {"ok": false, "error": ...} when it did not answer in time.
    QJsonObject command(const QJsonObject& cmd, int timeoutMs = 10000);
    bool addFault(const QJsonObject& rule);
    bool clearFaults();
    // Requests must carry the credential of this login from now on.
    bool setCredentials(const QString& login, const QString& password);
    bool clearCredentials();
    QJsonArray journal();
    bool clearJournal();

private:
    std::unique_ptr<QTemporaryDir> fTempDir;
    QString fFolder;
    std::unique_ptr<QProcess> fProcess;
    QStringList fArguments;
    int fPort = 0;
    QString fError;
};

// Path of the simulator's main script in the source tree.
QString labSimScript();

} // namespace testsupport
