#include "UVolumeProvider.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <libudev.h>

namespace {

QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
            bool ok = false;
            const int v = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(v);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QString::fromUtf8(out);
}

QString prop(udev_device* dev, const char* name)
{
    const char* v = udev_device_get_property_value(dev, name);
    return v ? QString::fromUtf8(v) : QString();
}

} // namespace

QList<TMountEntry> ParseMountInfo(const QByteArray& text)
{
    QList<TMountEntry> out;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
        const int dash = f.indexOf("-");
        if (f.size() < 10 || dash < 6 || dash + 2 >= f.size())
            continue;
        TMountEntry e;
        e.mountPoint = unescapeMountField(f[4]);
        e.readOnly = f[5].split(',').contains("ro");
        e.fsType = unescapeMountField(f[dash + 1]);
        e.source = unescapeMountField(f[dash + 2]);
        if (e.mountPoint.isEmpty())
            continue;
        out << e;
    }
    return out;
}

bool IsNetworkFsType(const QString& fsType)
{
    static const QStringList net = { QStringLiteral("nfs"),   QStringLiteral("nfs4"),      QStringLiteral("cifs"),
                                     QStringLiteral("smb3"),  QStringLiteral("smbfs"),     QStringLiteral("sshfs"),
                                     QStringLiteral("fuse.sshfs"), QStringLiteral("9p"),   QStringLiteral("afs"),
                                     QStringLiteral("ceph"),  QStringLiteral("glusterfs"), QStringLiteral("davfs") };
    return net.contains(fsType);
}

QByteArray TLinuxVolumeProvider::MountInfo()
{
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

TDeviceInfo TLinuxVolumeProvider::Device(const QString& devNode)
{
    TDeviceInfo info;
    udev* ctx = udev_new();
    if (!ctx)
        return info;
    const QString sysname = QFileInfo(QFileInfo(devNode).canonicalFilePath()).fileName();
    udev_device* dev = sysname.isEmpty()
        ? nullptr
        : udev_device_new_from_subsystem_sysname(ctx, "block", QFile::encodeName(sysname).constData());
    if (dev) {
        info.known = true;
        info.bus = prop(dev, "ID_BUS");
        info.serial = prop(dev, "ID_SERIAL_SHORT");
        if (info.serial.isEmpty())
            info.serial = prop(dev, "ID_SERIAL");
        info.vendor = prop(dev, "ID_VENDOR");
        info.model = prop(dev, "ID_MODEL");
        info.fsUuid = prop(dev, "ID_FS_UUID");
        info.fsLabel = prop(dev, "ID_FS_LABEL");
        // The removable flag belongs to the whole disk, the partition's parent.
        udev_device* disk = dev;
        const char* devtype = udev_device_get_devtype(dev);
        if (devtype && qstrcmp(devtype, "partition") == 0)
            disk = udev_device_get_parent_with_subsystem_devtype(dev, "block", "disk");
        if (disk) {
            const char* removable = udev_device_get_sysattr_value(disk, "removable");
            info.removableMedia = removable && qstrcmp(removable, "1") == 0;
        }
        udev_device_unref(dev);
    }
    udev_unref(ctx);
    return info;
}
