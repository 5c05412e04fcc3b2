#pragma once
// Test doubles of the photo sources: a main frame that runs GUI Queue calls
// on the event loop and records events, warning boxes and closes; a
// selection list that records what it is fed; a media root whose drives are
// temporary folders plugged and pulled by the test.
#include "DriveFakes.h"
#include "MediaFakes.h"
#include "UQzFileSystemDisk.h"
#include "UQzFileSystemRoot.h"
#include "UWorkflowDataSource.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <atomic>
#include <mutex>

namespace sourcefakes {

// A popup controller that only stands for a box (identity).
class NullPopup : public IMainPopupController {
public:
    void OnOpen(IMainFrame*) override { }
    void OnClose() override { }
    QString topBarTitle() override { return {}; }
    QString topBarSubTitle() override { return {}; }
    bool hasActionNext() override { return false; }
    bool hasActionPrevious() override { return false; }
    bool hasActionMobileMenu() override { return false; }
    bool onActionNextClick(QObject*) override { return false; }
    bool onActionPreviousClick(QObject*) override { return false; }
    bool onActionMobileMenuClick(QObject*) override { return false; }
    bool isTaskWaiting() override { return false; }
    bool taskCancel() override { return false; }
    bool imagesWorkingIndicator() override { return false; }
    bool userIdleBlocked() override { return false; }
    void OnResize(QWidget*) override { }
    int popupRequiredLevel() override { return -1; }
    void OnCoveredByPopup(bool) override { }
    bool popupAddBlock(IMainPopupController*) override { return false; }
    void OnPopupClosed() override { }
    void OnPopupOpening() override { }
    bool closeOnStepChange() override { return false; }
    void OnPopupModalWait() override { }
};

class SourceMainFrame : public mediafakes::MediaMainFrame, public IQzfsRootContainer {
public:
    struct Box {
        QString icon, title, msg;
        TProc retry, cancel, close;
        IMainPopupControllerRef ctrl;
        bool closed = false;
    };

    IThreadTaskRef GuiQueueAddCall(TProc proc, bool, IInterfaceRef) override
    {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(proc), Qt::QueuedConnection);
        return nullptr;
    }
    void EventObservedRaise(TMainObservedEvent evtype, void*) override
    {
        std::lock_guard lk(fSync);
        events.push_back(evtype);
    }
    void orderMarkAsUsed() override { ++markedUsed; }
    IMainPopupControllerRef MessageDlgCusto(const QString& icon, const QString& title, const QString& msg,
                                            const QString&, TProc btnProc1, const QString&, TProc btnProc2, bool,
                                            TProc closeProc) override
    {
        auto ctrl = std::make_shared<NullPopup>();
        std::lock_guard lk(fSync);
        boxes.push_back({ icon, title, msg, btnProc1, btnProc2, closeProc, ctrl });
        return ctrl;
    }
    void popupClose(IMainPopupControllerRef ctrl) override
    {
        TProc close;
        {
            std::lock_guard lk(fSync);
            for (Box& b : boxes)
                if (b.ctrl == ctrl && !b.closed) {
                    b.closed = true;
                    close = b.close;
                }
        }
        if (close)
            close();
    }
    std::shared_ptr<IQzfsRoot> RootFolder() override { return root; }

    int eventCount(TMainObservedEvent e) const
    {
        std::lock_guard lk(fSync);
        return int(std::count(events.begin(), events.end(), e));
    }
    int openBoxes() const
    {
        std::lock_guard lk(fSync);
        return int(std::count_if(boxes.begin(), boxes.end(), [](const Box& b) { return !b.closed; }));
    }
    Box lastBox() const
    {
        std::lock_guard lk(fSync);
        return boxes.empty() ? Box() : boxes.back();
    }
    int boxCount() const
    {
        std::lock_guard lk(fSync);
        return int(boxes.size());
    }

    std::atomic<int> markedUsed { 0 };
    std::shared_ptr<IQzfsRoot> root;
    std::vector<TMainObservedEvent> events;

private:
    mutable std::mutex fSync;
    std::vector<Box> boxes;
};

// A selection list: records its calls as text ("start", "reset:0", the
// picture's file name, "end").
class RecordingTarget : public IDataSourceImgTarget {
public:
    explicit RecordingTarget(QString name, QStringList* shared = nullptr, std::mutex* sharedSync = nullptr)
        : fName(std::move(name))
        , fShared(shared)
        , fSharedSync(sharedSync)
    {
    }
    void ImageFeedStart() override { add(QStringLiteral("start")); }
    void ImageFeedReset(TPhotoSourceGroupBy groupBy) override { add(QStringLiteral("reset:%1").arg(int(groupBy))); }
    void ImageFeed(const IDataSourceImgRepositoryRef& rep, TOrderImageBase* img) override
    {
        const QString label = img->ImageLabel();
        add(label);
        if (fShared) {
            std::lock_guard lk(*fSharedSync);
            fShared->append(fName + QLatin1Char(':') + label);
        }
    }
    void ImageFeedEnd() override { add(QStringLiteral("end")); }

    QStringList calls() const
    {
        std::lock_guard lk(fSync);
        return fCalls;
    }
    // The pictures fed since the last reset.
    QStringList pictures() const
    {
        QStringList out;
        for (const QString& c : calls()) {
            if (c.startsWith(QStringLiteral("reset:")))
                out.clear();
            else if (c != QStringLiteral("start") && c != QStringLiteral("end"))
                out << c;
        }
        return out;
    }
    bool endedLast() const
    {
        const QStringList c = calls();
        return !c.isEmpty() && c.last() == QStringLiteral("end");
    }

private:
    void add(const QString& c)
    {
        std::lock_guard lk(fSync);
        fCalls << c;
    }
    QString fName;
    QStringList* fShared;
    std::mutex* fSharedSync;
    mutable std::mutex fSync;
    QStringList fCalls;
};

// A media root over fake volumes; sticks are temporary folders.
struct SourceWorld {
    QTemporaryDir tmp;
    SourceMainFrame main;
    std::shared_ptr<mediafakes::FakeVolumes> volumes = std::make_shared<mediafakes::FakeVolumes>();
    std::shared_ptr<TQzfsFolderRoot> root;
    std::shared_ptr<TWorkflowDataSource> wk;

    explicit SourceWorld(bool kiosk = true)
    {
        main.config.base = tmp.path();
        main.kiosk = kiosk;
        TQzfsRootSources sources;
        sources.volumes = volumes;
        const QString bt = tmp.path() + QStringLiteral("/Bluetooth");
        QDir().mkpath(bt);
        sources.bluetooth = [bt](IQzfsRoot* r) -> IQzfsFolderRef {
            return std::make_shared<TQzfsFolderDiskRoot>(r->mainFrame(), QStringLiteral("bt:"), bt,
                                                         QStringLiteral("Bluetooth"), 10);
        };
        root = TQzfsFolderRoot::Create(&main, tmp.path() + QStringLiteral("/ImagesCache"), sources);
        main.root = root;
        wk = std::make_shared<TWorkflowDataSource>(&main);
    }
    ~SourceWorld() { wk.reset(); }

    QString stickPath(const QString& name) const { return tmp.path() + QStringLiteral("/media/") + name; }
    // A stick holding the named pictures (w x h each).
    QString plug(const QString& name, const QString& uuid, const QList<std::tuple<QString, int, int>>& pictures)
    {
        const QString mp = stickPath(name);
        for (const auto& [file, w, h] : pictures)
            mediafakes::writeJpeg(mp + QLatin1Char('/') + file, w, h);
        QDir().mkpath(mp);
        volumes->plug(mp, QStringLiteral("/dev/sd") + uuid.left(1).toLower() + QStringLiteral("1"),
                      mediafakes::FakeVolumes::stick(uuid, name));
        return mp;
    }
    void pull(const QString& name) { volumes->pull(stickPath(name)); }
    // What the device watch does at its tick.
    bool scan()
    {
        root->refreshNow();
        return wk->OnDevicesChangesDetected(root);
    }
};

} // namespace sourcefakes
