#include "UDeviceChangeMonitor.h"

#include "UDebug.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

TDeviceChangeMonitor::TDeviceChangeMonitor(std::function<void()> changed, QObject* parent)
    : QObject(parent)
    , fChanged(std::move(changed))
{
    // The kernel marks the mount table "exceptional" (POLLPRI) whenever it
    // changes; reading the table through clears the mark, or the notifier
    // would fire again at once.
    fMountFd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fMountFd >= 0) {
        fMountNotifier = new QSocketNotifier(fMountFd, QSocketNotifier::Exception, this);
        QObject::connect(fMountNotifier, &QSocketNotifier::activated, this, [this] { mountTableChanged(); });
    }
    fUdev = udev_new();
    if (fUdev)
        fUdevMonitor = udev_monitor_new_from_netlink(fUdev, "udev");
    if (fUdevMonitor && udev_monitor_filter_add_match_subsystem_devtype(fUdevMonitor, "block", nullptr) >= 0
        && udev_monitor_enable_receiving(fUdevMonitor) >= 0) {
        fUdevNotifier = new QSocketNotifier(udev_monitor_get_fd(fUdevMonitor), QSocketNotifier::Read, this);
        QObject::connect(fUdevNotifier, &QSocketNotifier::activated, this, [this] { udevEvent(); });
    } else {
        LogDebug(QStringLiteral("TDeviceChangeMonitor: udev events not available"));
    }
}

TDeviceChangeMonitor::~TDeviceChangeMonitor()
{
    delete fUdevNotifier;
    delete fMountNotifier;
    if (fUdevMonitor)
        udev_monitor_unref(fUdevMonitor);
    if (fUdev)
        udev_unref(fUdev);
    if (fMountFd >= 0)
        ::close(fMountFd);
}

void TDeviceChangeMonitor::mountTableChanged()
{
    char buf[4096];
    ::lseek(fMountFd, 0, SEEK_SET);
    while (::read(fMountFd, buf, sizeof buf) > 0) {
    }
    ::lseek(fMountFd, 0, SEEK_SET);
    if (fChanged)
        fChanged();
}

void TDeviceChangeMonitor::udevEvent()
{
    // Each event must be taken off the socket, or it stays readable.
    if (udev_device* dev = udev_monitor_receive_device(fUdevMonitor))
        udev_device_unref(dev);
    if (fChanged)
        fChanged();
}
