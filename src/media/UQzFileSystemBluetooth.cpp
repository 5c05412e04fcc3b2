#include "UQzFileSystemBluetooth.h"

#include "UDebug.h"

#include <QDir>
#include <QFileInfo>

// --- TBluetoothExternService -------------------------------------------------

TBluetoothExternService::TBluetoothExternService(const QStringList& extSupported, const QString& id, const QString& pwd)
    : TBluetoothServiceBase(extSupported), fId(id), fPwd(pwd)
{
    fThread = std::thread([this] { BluetoothFileWatch(); });
}

TBluetoothExternService::~TBluetoothExternService()
{
    SetAppTerminated(true);
    if (fThread.joinable())
        fThread.join();
}

void TBluetoothExternService::SetAppTerminated(bool val)
{
    {
        std::lock_guard<std::mutex> lock(fWakeLock);
        fAppTerminated = val;
    }
    fWake.notify_all();
}

void TBluetoothExternService::SetReceptionEnabled(bool val)
{
    std::lock_guard<std::mutex> lock(fSect);
    fReceptionEnabled = val;
    if (!val)
        fFileList.clear();
}

void TBluetoothExternService::BluetoothFileWatch()
{
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(fWakeLock);
            fWake.wait_for(lock, std::chrono::milliseconds(kWatchPeriodMs), [this] { return fAppTerminated.load(); });
        }
        if (fAppTerminated)
            return;
        try {
            BluetoothFileScan();
        } catch (const std::exception& ex) {
            reportLoopError(ex, QStringLiteral("TBluetoothExternService.BluetoothFileWatch: Reception end on error"));
        }
    }
}

void TBluetoothExternService::BluetoothFileScan()
{
    const QString dir = OutputPath();
    if (fAppTerminated || !fReceptionEnabled || dir.isEmpty() || !QFileInfo(dir).isDir())
        return;
    const QStringList names = QDir(dir).entryList(fExtSupported, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        if (fAppTerminated || !fReceptionEnabled)
            return;
        {
            std::lock_guard<std::mutex> lock(fSect);
            if (!fReceptionEnabled || !fFileList.insert(name).second)
                continue;
        }
        auto notif = Notif();
        if (!notif)
            continue;
        try {
            notif->OnRecvFileEnd(this, name, 0);
        } catch (...) {
            // Not delivered: forget it so that the next scan reports it again.
            std::lock_guard<std::mutex> lock(fSect);
            fFileList.erase(name);
            throw;
        }
    }
}

// --- "bt:" folders -----------------------------------------------------------

IQzfsFolderRef TQzfsFolderBluetooth::onFolderCreate(const QString& name)
{
    return std::make_shared<TQzfsFolderBluetooth>(fMainFrame, this, name);
}

TOrderImageRef TQzfsFolderBluetooth::subImageCreate(const QString& name)
{
    return std::make_unique<TImageBluetooth>(subIdMake(name), subPathMake(name));
}

TQzfsFolderBluetoothRoot::TQzfsFolderBluetoothRoot(IMainFrame* main, const QString& id, const QString& path)
    : TQzfsFolderBluetooth(main, nullptr, id, path.isEmpty() ? id : path)
{
    if (path.isEmpty())
        fdiskPath.clear();
}

bool TQzfsFolderBluetoothRoot::IsVisible()
{
    return !fdiskPath.isEmpty() && QFileInfo(fdiskPath).isDir() && hasImagesInPath(fMainFrame, fdiskPath);
}
