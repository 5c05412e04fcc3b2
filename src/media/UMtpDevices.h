#pragma once
// The narrow device layer under the "wpd:" source: the few facts the source
// needs from phones and cameras (device list, names, children of an object,
// picture properties, transfer of an object's data). TMtpManager implements
// it on libmtp; tests give their own.
//
// Object ids: "DEVICE" is the device object, whose children are the storages.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

struct TMtpObject {
    QString id;   // the object's id on the device
    QString name; // its name as the device gives it (not to be trusted)
    bool folder = false;
    qint64 size = -1;     // bytes, -1 when unknown
    QDateTime created;    // invalid when the device gives none
    int width = 0;        // pixels, 0 when the device gives none
    int height = 0;
    bool hasThumbnail = false;
};

class IMtpDevice {
public:
    virtual ~IMtpDevice() = default;
    virtual QString friendlyName() = 0;
    virtual QString model() = 0;
    virtual QString manufacturer() = 0;
    // The children of an object, in the device's order. Raises EMediaEjected
    // (with an empty label: the caller adds its own) when the device no
    // longer answers.
    virtual QList<TMtpObject> children(const QString& parentId) = 0;
    // The id of the first child only, empty when there is none.
    virtual QString firstChild(const QString& parentId) = 0;
    // The device's preferred transfer block, in bytes.
    virtual quint32 optimalTransferSize() = 0;
    // Writes the object's data to fd in blocks of at most blockSize bytes;
    // false when the transfer failed.
    virtual bool download(const QString& objectId, int fd, quint32 blockSize) = 0;
    // The device's own thumbnail of a picture (JPEG bytes), empty when none.
    virtual QByteArray thumbnail(const QString& objectId) = 0;
};
using IMtpDeviceRef = std::shared_ptr<IMtpDevice>;

class IMtpManager {
public:
    virtual ~IMtpManager() = default;
    // Ids of the devices connected now.
    virtual QStringList deviceIds() = 0;
    // Opens a device; null when it cannot be opened (gone, held by another
    // program).
    virtual IMtpDeviceRef open(const QString& deviceId) = 0;
};
using IMtpManagerRef = std::shared_ptr<IMtpManager>;

// The device layer on libmtp; null when libmtp cannot be used.
IMtpManagerRef MtpCreateLibmtpManager();
