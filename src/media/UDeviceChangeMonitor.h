#pragma once
// Tells the main thread at once when a drive may have come or gone, so that
// the device watch need not wait for its next one-second tick: the kernel
// flags /proc/self/mountinfo when the mount table changes (a stick mounted
// or unmounted), and udev announces block devices being added or removed.
// Both are file descriptors watched by the Qt event loop; nothing is read
// but the udev event itself, so the cost stays with the events.
//
// Either source may be missing (no udev in a container, no /proc): the
// monitor then simply says less, and the tick still finds every change.
#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;
class QFile;
struct udev;
struct udev_monitor;

class TDeviceChangeMonitor : public QObject {
public:
    // changed runs on the thread that owns the monitor (the main thread).
    explicit TDeviceChangeMonitor(std::function<void()> changed, QObject* parent = nullptr);
    ~TDeviceChangeMonitor() override;

    bool WatchesMountTable() const { return fMountNotifier != nullptr; }
    bool WatchesUdev() const { return fUdevNotifier != nullptr; }

private:
    void mountTableChanged();
    void udevEvent();

    std::function<void()> fChanged;
    int fMountFd = -1;
    QSocketNotifier* fMountNotifier = nullptr;
    udev* fUdev = nullptr;
    udev_monitor* fUdevMonitor = nullptr;
    QSocketNotifier* fUdevNotifier = nullptr;
};
