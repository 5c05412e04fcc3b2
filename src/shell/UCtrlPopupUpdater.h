#pragma once
// The software-update popup: checks the store's transfer server folder
// "ZebUpdate/<platform>" for a newer version (named by its ".ver" file),
// and on request downloads it into the update folder and has the main
// window launch the update run.
//
// The ".ver" file is also the update's description: one line per file of
// the update, "<sha256 in hex> <size in bytes> <file name>". A download is
// kept only when it came over a verified TLS connection and every file has
// the stated size and checksum; anything else empties the update folder, so
// nothing partial or altered is ever run.
//
// The server work runs on the web-service queue's worker; controls change
// only through status(), synchronised progress calls and GUI Queue tasks.
#include "UCtrlPopupBase.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <QByteArray>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class Photographe2;

enum class TCtrlPopupUpdaterMode { updaterCheckManual, updaterUpdate };

// The part of the file-transfer client the popup uses.
class IUpdateServer {
public:
    virtual ~IUpdateServer() = default;
    // The folder's entries as server paths; raises when it does not exist.
    virtual QStringList List(const QString& folder) = 0;
    virtual qint64 FileSize(const QString& path) = 0;
    virtual QByteArray DownloadBytes(const QString& path) = 0;
    // Writes through a temporary file renamed into place when complete.
    virtual void Download(const QString& localPath, const QString& path) = 0;
    // The connection is TLS with a verified certificate and host name.
    virtual bool VerifiedTls() const = 0;
    virtual void MeasureStart() = 0;
    // Called per block received: bytes since MeasureStart, display rate and
    // average rate in bytes per second.
    using TProgress = std::function<void(qint64 bytes, double rate, double avgRate)>;
    virtual void SetProgress(TProgress progress) = 0;
};
using IUpdateServerRef = std::shared_ptr<IUpdateServer>;

// One file of an update as its description states it.
struct TUpdateFileEntry {
    QString name;
    qint64 size = 0;
    QByteArray sha256; // lower-case hex
};

class TCtrlPopupUpdater : public TCtrlPopupHard {
public:
    // server null: the client is built from the store's photographer record
    // when the popup opens.
    TCtrlPopupUpdater(IMainFrame* main, TPopupPanel* bg, TCtrlPopupUpdaterMode mode, IUpdateServerRef server = nullptr);
    ~TCtrlPopupUpdater() override;

    KIOSK_PUBLISHED(QGroupBox, GroupBoxPopupUpdater);
    KIOSK_PUBLISHED(QWidget, LayoutPopupUpdaterBtnBar);
    KIOSK_PUBLISHED(QPushButton, ButtonPopupUpdaterCancel);
    KIOSK_PUBLISHED(QPushButton, ButtonPopupUpdaterOK);
    KIOSK_PUBLISHED(QLabel, LabelPopupUpdaterTitle);
    KIOSK_PUBLISHED(QLabel, LabelPopupUpdaterStatus);
    KIOSK_PUBLISHED(QProgressBar, ProgressBarPopupUpdater);
    KIOSK_PUBLISHED(QLabel, LabelPopupUpdaterTransferRate);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    void OnBackgroundClick() override { }

    void StartUpdateCheck();
    int UpdateNeeded() const { return fUpdateNeeded; }
    const QString& NewVersionFound() const { return fNewVersionFound; }
    TCtrlPopupUpdaterMode Mode() const { return fMode; }

    // The client for a photographer record: the update server when set,
    // else the file server; raises EUser "Connection with server failed!"
    // without either.
    static IUpdateServerRef ServerFromPhotographer(Photographe2* ph);
    // Reads an update description; raises EUser for any malformed line, an
    // unsafe file name or an empty description.
    static QList<TUpdateFileEntry> ParseUpdateDescription(const QByteArray& text);
    // "Remaining Time: h:mm:ss / Transfer rate: ..." (parts left out when
    // their rate is 0).
    static QString RateText(qint64 total, qint64 done, double rate, double avgRate);

protected:
    void statusShow(const QString& text) override;
    void waitShow() override;
    void waitHide() override;

private:
    void okClick();
    void cancelClick();
    void detectNewVersion();
    void downloadNewVersion();
    void progress(qint64 count, qint64 total, const QString& message);
    void onTransferProgress(qint64 bytes, double rate, double avgRate);
    void buttonsConnect(bool waiting);

    TCtrlPopupUpdaterMode fMode;
    IUpdateServerRef fServer;
    bool fServerGiven;
    QString fPathSource;
    QStringList fDirList;
    QString fVersionEntry;
    int fUpdateNeeded = 0;
    std::atomic<qint64> fTotalBytesToTransfer { 0 };
    QString fNewVersionFound;
    std::atomic<bool> fNetTransferCancel { false };
    QMetaObject::Connection fOkConn;
    QMetaObject::Connection fCancelConn;
};
