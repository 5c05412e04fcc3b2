#pragma once
// A mount table and udev answers of the tests' own: volumes are temporary
// folders, plugged and pulled by editing the list.
#include "UVolumeProvider.h"

#include <QMap>
#include <QStringList>
#include <mutex>

namespace mediafakes {

class FakeVolumes : public IQzfsVolumeProvider {
public:
    struct Volume {
        QString mountPoint;
        QString source;
        QString fsType = QStringLiteral("vfat");
        TDeviceInfo device;
        bool readOnly = false;
    };

    // A USB stick: on the USB bus, removable media.
    static TDeviceInfo stick(const QString& uuid, const QString& label = QStringLiteral("HOLIDAYS"))
    {
        TDeviceInfo d;
        d.known = true;
        d.bus = QStringLiteral("usb");
        d.removableMedia = true;
        d.fsUuid = uuid;
        d.fsLabel = label;
        d.serial = QStringLiteral("SN") + uuid;
        return d;
    }

    void plug(const QString& mountPoint, const QString& source, const TDeviceInfo& device,
              const QString& fsType = QStringLiteral("vfat"))
    {
        std::lock_guard lk(fLock);
        fVolumes.push_back({ mountPoint, source, fsType, device });
    }
    void pull(const QString& mountPoint)
    {
        std::lock_guard lk(fLock);
        std::erase_if(fVolumes, [&](const Volume& v) { return v.mountPoint == mountPoint; });
    }
    void setDevice(const QString& source, const TDeviceInfo& device)
    {
        std::lock_guard lk(fLock);
        for (Volume& v : fVolumes)
            if (v.source == source)
                v.device = device;
    }

    QByteArray MountInfo() override
    {
        std::lock_guard lk(fLock);
        QByteArray text = "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
                          "25 1 0:23 / /run rw,nosuid - tmpfs tmpfs rw,size=1g\n";
        int id = 40;
        for (const Volume& v : fVolumes) {
            QByteArray mp = v.mountPoint.toUtf8();
            mp.replace(" ", "\\040");
            text += QByteArray::number(id++) + " 1 8:1 / " + mp + (v.readOnly ? " ro" : " rw")
                + ",relatime shared:1 - " + v.fsType.toUtf8() + " " + v.source.toUtf8() + " rw\n";
        }
        return text;
    }
    TDeviceInfo Device(const QString& devNode) override
    {
        std::lock_guard lk(fLock);
        for (const Volume& v : fVolumes)
            if (v.source == devNode)
                return v.device;
        return TDeviceInfo();
    }

private:
    std::mutex fLock;
    std::vector<Volume> fVolumes;
};

} // namespace mediafakes
