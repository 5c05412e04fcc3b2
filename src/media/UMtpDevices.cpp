#include "UMtpDevices.h"

#include "UMediaEjected.h"

#include <libmtp.h>
#include <map>
#include <mutex>

namespace {

// libmtp is not thread-safe per device: every call on one device is made
// under that device's lock.
class TLibmtpDevice : public IMtpDevice {
public:
    explicit TLibmtpDevice(LIBMTP_mtpdevice_t* dev) : fDev(dev) { }
    ~TLibmtpDevice() override { LIBMTP_Release_Device(fDev); }

    QString friendlyName() override { return take(LIBMTP_Get_Friendlyname(fDev)); }
    QString model() override { return take(LIBMTP_Get_Modelname(fDev)); }
    QString manufacturer() override { return take(LIBMTP_Get_Manufacturername(fDev)); }

    QList<TMtpObject> children(const QString& parentId) override
    {
        std::lock_guard<std::mutex> lock(fLock);
        QList<TMtpObject> out;
        if (parentId == QLatin1String("DEVICE")) {
            if (LIBMTP_Get_Storage(fDev, LIBMTP_STORAGE_SORTBY_NOTSORTED) != 0)
                throw EMediaEjected(QString(), QStringLiteral("LIBMTP_Get_Storage"));
            for (LIBMTP_devicestorage_t* s = fDev->storage; s; s = s->next) {
                TMtpObject o;
                o.id = QStringLiteral("s%1").arg(s->id, 0, 16);
                o.name = QString::fromUtf8(s->StorageDescription ? s->StorageDescription : "");
                o.folder = true;
                out << o;
            }
            return out;
        }
        uint32_t storage = 0, parent = 0;
        if (!parse(parentId, storage, parent))
            return out;
        LIBMTP_file_t* files = LIBMTP_Get_Files_And_Folders(fDev, storage, parent);
        while (files) {
            LIBMTP_file_t* f = files;
            files = files->next;
            TMtpObject o;
            o.id = QLatin1Char('o') + QString::number(f->item_id, 16).toUpper();
            {
                std::lock_guard<std::mutex> mapLock(fMapLock);
                fStorageOf[f->item_id] = f->storage_id;
            }
            o.name = QString::fromUtf8(f->filename ? f->filename : "");
            o.folder = f->filetype == LIBMTP_FILETYPE_FOLDER;
            o.size = qint64(f->filesize);
            if (f->modificationdate > 0)
                o.created = QDateTime::fromSecsSinceEpoch(qint64(f->modificationdate));
            if (LIBMTP_FILETYPE_IS_IMAGE(f->filetype)) {
                o.width = int(LIBMTP_Get_u32_From_Object(fDev, f->item_id, LIBMTP_PROPERTY_Width, 0));
                o.height = int(LIBMTP_Get_u32_From_Object(fDev, f->item_id, LIBMTP_PROPERTY_Height, 0));
                o.hasThumbnail = true;
            }
            LIBMTP_destroy_file_t(f);
            out << o;
        }
        LIBMTP_error_t* err = LIBMTP_Get_Errorstack(fDev);
        if (err) {
            LIBMTP_Clear_Errorstack(fDev);
            if (out.isEmpty())
                throw EMediaEjected(QString(), QStringLiteral("LIBMTP_Get_Files_And_Folders"));
        }
        return out;
    }

    QString firstChild(const QString& parentId) override
    {
        const QList<TMtpObject> c = children(parentId);
        return c.isEmpty() ? QString() : c.first().id;
    }

    // libmtp transfers with its own block size.
    quint32 optimalTransferSize() override { return 1024 * 1024; }

    bool download(const QString& objectId, int fd, quint32) override
    {
        uint32_t storage = 0, item = 0;
        if (!parse(objectId, storage, item))
            return false;
        std::lock_guard<std::mutex> lock(fLock);
        return LIBMTP_Get_File_To_File_Descriptor(fDev, item, fd, nullptr, nullptr) == 0;
    }

    QByteArray thumbnail(const QString& objectId) override
    {
        uint32_t storage = 0, item = 0;
        if (!parse(objectId, storage, item))
            return QByteArray();
        std::lock_guard<std::mutex> lock(fLock);
        unsigned char* data = nullptr;
        unsigned int size = 0;
        QByteArray out;
        if (LIBMTP_Get_Thumbnail(fDev, item, &data, &size) == 0 && data)
            out = QByteArray(reinterpret_cast<const char*>(data), int(size));
        free(data);
        return out;
    }

private:
    static QString take(char* s)
    {
        const QString out = QString::fromUtf8(s ? s : "");
        free(s);
        return out;
    }

    // "sXXXX": a storage (its root); "oXXXX": an object.
    bool parse(const QString& id, uint32_t& storage, uint32_t& item)
    {
        bool ok = false;
        const uint32_t v = id.mid(1).toUInt(&ok, 16);
        if (!ok)
            return false;
        if (id.startsWith(QLatin1Char('s'))) {
            storage = v;
            item = LIBMTP_FILES_AND_FOLDERS_ROOT;
            return true;
        }
        if (!id.startsWith(QLatin1Char('o')))
            return false;
        std::lock_guard<std::mutex> lock(fMapLock);
        const auto it = fStorageOf.find(v);
        storage = it == fStorageOf.end() ? 0 : it->second;
        item = v;
        return true;
    }

    LIBMTP_mtpdevice_t* fDev;
    std::mutex fLock;
    std::mutex fMapLock;
    std::map<uint32_t, uint32_t> fStorageOf;
};

class TLibmtpManager : public IMtpManager {
public:
    QStringList deviceIds() override
    {
        LIBMTP_raw_device_t* raw = nullptr;
        int count = 0;
        QStringList out;
        if (LIBMTP_Detect_Raw_Devices(&raw, &count) == LIBMTP_ERROR_NONE) {
            for (int i = 0; i < count; ++i)
                out << idOf(raw[i]);
        }
        free(raw);
        return out;
    }

    IMtpDeviceRef open(const QString& deviceId) override
    {
        LIBMTP_raw_device_t* raw = nullptr;
        int count = 0;
        IMtpDeviceRef out;
        if (LIBMTP_Detect_Raw_Devices(&raw, &count) == LIBMTP_ERROR_NONE) {
            for (int i = 0; i < count && !out; ++i) {
                if (idOf(raw[i]) != deviceId)
                    continue;
                if (LIBMTP_mtpdevice_t* dev = LIBMTP_Open_Raw_Device_Uncached(&raw[i]))
                    out = std::make_shared<TLibmtpDevice>(dev);
            }
        }
        free(raw);
        return out;
    }

private:
    static QString idOf(const LIBMTP_raw_device_t& r)
    {
        return QStringLiteral("usb-%1-%2-%3-%4")
            .arg(r.bus_location)
            .arg(r.devnum)
            .arg(r.device_entry.vendor_id, 4, 16, QLatin1Char('0'))
            .arg(r.device_entry.product_id, 4, 16, QLatin1Char('0'));
    }
};

} // namespace

IMtpManagerRef MtpCreateLibmtpManager()
{
    static std::once_flag once;
    std::call_once(once, [] { LIBMTP_Init(); });
    return std::make_shared<TLibmtpManager>();
}
