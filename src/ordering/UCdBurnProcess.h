#pragma once
// The disc-burning job behind the burning popup: copies the order's print
// pictures under unique names into a folder of its own, asks for a disc,
// writes as many pictures as fit, asks for the next disc until every
// picture is written, and closes the popup. The job runs on a worker thread
// of its own so that the screen stays responsive; everything it shows, asks
// or closes goes to the main thread, queued. The copies are deleted when the
// job ends.
#include "UCDBurner.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class IMainFrame;
class TPrintOrder;
class QTemporaryDir;

// The current text of a translatable text of disc burning, by its English
// text (one constant per text, created on first use).
QString CdBurnerLangText(const char16_t* english);

// What the job shows; called on the main thread.
class ICdBurnerView {
public:
    virtual ~ICdBurnerView() = default;
    virtual void SetButtonStartVisible(bool visible) = 0;
    // The burner's texts and figures, as TUpdateInteface describes them.
    virtual void UpdateInterface(const QString& Texte, const QString& Media, int RemainingTime, int elapsedTime,
                                 int NbMedia, int PrgBarValue, int PrgBarMax) = 0;
    // The job is over: the popup closes.
    virtual void Close() = 0;
};

// What the burning popup shows, changed by the burner's updates by the
// rules of TUpdateInteface: the popup's labels and progress bar copy it.
struct TCdBurnerDisplay {
    QString text;
    QString media = QStringLiteral("-");
    QString timeLeft = QStringLiteral("0");
    QString timeElapsed = QStringLiteral("0");
    QString nbMedia = QStringLiteral("0");
    int progressValue = 0;
    int progressMax = 100;

    void apply(const QString& Texte, const QString& Media, int RemainingTime, int elapsedTime, int NbMedia,
               int PrgBarValue, int PrgBarMax);
    // Seconds as "mm:ss".
    static QString minutesSeconds(int seconds);
};

class TCdBurnProcess {
public:
    // view is called on the main thread as long as the job lives.
    TCdBurnProcess(IMainFrame* main, ICDburnerRef burner, ICdBurnerView* view);
    // Stops the job (a running write is cancelled) and waits for its thread.
    ~TCdBurnProcess();
    TCdBurnProcess(const TCdBurnProcess&) = delete;
    TCdBurnProcess& operator=(const TCdBurnProcess&) = delete;

    // Starts the job on its thread (once).
    void Start();
    bool Running() const { return fRunning; }
    // The Cancel button: asks for confirmation before stopping.
    void ButtonCdBurnerCancelClick();
    // Closing the popup: stops without asking.
    void Stop();
    bool StopAsked() const { return fState->stopAsked; }
    bool WaitingMedia() const { return fburnWaitingMedia; }
    ICDburner* Burner() const { return fCdb.get(); }

    // The text of a writer action.
    static QString ActionName(TWriteAction action);

private:
    void BurnProcess();
    bool CopyPictures(QTemporaryDir& folder);
    // Shows the error box and waits for Retry (true) or Cancel (false).
    bool AskRetry(const QString& message);
    void update(const TProgressData& progress);
    void onMain(std::function<void()> call);
    void UpdateInterface(const QString& Texte, const QString& Media, int RemainingTime, int elapsedTime, int NbMedia,
                         int PrgBarValue, int PrgBarMax);
    void SetButtonStartVisible(bool visible);
    void Close();

    IMainFrame* fMain;
    TPrintOrder* fOrder;
    ICDburnerRef fCdb;
    ICdBurnerView* fView;
    // Main-thread calls are queued through this object; gone with the job,
    // it takes undelivered calls with it.
    std::unique_ptr<QObject> fContext;
    std::thread fThread;
    std::atomic<bool> fRunning { false };
    std::atomic<bool> fburnWaitingMedia { false };
    // What the answers of the message boxes change: shared with their
    // callbacks, which may come after the job is gone.
    struct TState {
        ICDburnerRef cdb;
        std::atomic<bool> stopAsked { false };
        // 0 no error box, 1 open, 2 Retry answered, 3 Cancel answered.
        std::atomic<int> errorBox { 0 };
        void stop()
        {
            stopAsked = true;
            cdb->CancelWrite();
        }
    };
    std::shared_ptr<TState> fState;
};
