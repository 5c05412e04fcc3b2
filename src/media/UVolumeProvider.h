#pragma once
// The mounted volumes of the PC, as the drive source sees them: where each
// is mounted, its file system, and what the device tells of itself (bus,
// serial, file-system UUID and label, the removable-media flag).
//
// The facts come from /proc/self/mountinfo and from udev (libudev). Both sit
// behind IQzfsVolumeProvider so that tests feed mountinfo text and device
// properties of their own, with temporary folders as mount points.
#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

// One line of mountinfo.
struct TMountEntry {
    QString mountPoint;
    QString fsType;
    QString source;
    bool readOnly = false;
};

// What udev knows of a block device.
struct TDeviceInfo {
    bool known = false;
    QString bus;    // ID_BUS ("usb", "ata", ...)
    QString serial; // ID_SERIAL_SHORT or ID_SERIAL
    QString vendor;
    QString model;
    QString fsUuid;  // ID_FS_UUID
    QString fsLabel; // ID_FS_LABEL
    bool removableMedia = false; // the disk's "removable" attribute
};

class IQzfsVolumeProvider {
public:
    virtual ~IQzfsVolumeProvider() = default;
    // The text of the mount table (mountinfo format).
    virtual QByteArray MountInfo() = 0;
    // The device behind a mount source such as /dev/sdb1.
    virtual TDeviceInfo Device(const QString& devNode) = 0;
};
using IQzfsVolumeProviderRef = std::shared_ptr<IQzfsVolumeProvider>;

// Parses mountinfo text; malformed lines are skipped. Mount points are
// unescaped ("\040" is a blank).
QList<TMountEntry> ParseMountInfo(const QByteArray& text);

// File systems reached over the network.
bool IsNetworkFsType(const QString& fsType);

// /proc/self/mountinfo and libudev.
class TLinuxVolumeProvider : public IQzfsVolumeProvider {
public:
    QByteArray MountInfo() override;
    TDeviceInfo Device(const QString& devNode) override;
};
