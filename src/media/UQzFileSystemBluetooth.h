#pragma once
// The Bluetooth inbox: the watcher of a reception folder filled by another
// program (TBluetoothExternService) and the "bt:" source that shows that
// folder as a tree of pictures.
#include "UQzFileSystemDisk.h"
#include "UQzbluetoothServer.h"
#include "UOrderImageFile.h"

#include <condition_variable>
#include <set>

// Reports every new picture file that appears directly in the output folder
// while reception is enabled; disabling reception forgets what was reported.
class TBluetoothExternService : public TBluetoothServiceBase {
public:
    TBluetoothExternService(const QStringList& extSupported, const QString& id, const QString& pwd);
    // Stops and joins the watch thread before the list it uses is freed.
    ~TBluetoothExternService() override;

    void SetReceptionEnabled(bool val) override;
    void SetAppTerminated(bool val) override;
    QString AdapterName() override { return fId; }
    QString AdapterPwd() override { return fPwd; }
    bool AdapterConnected() override { return !fAppTerminated; }

    // One look at the folder (the watch thread runs it every 300 ms).
    void BluetoothFileScan();

    static constexpr int kWatchPeriodMs = 300;

private:
    void BluetoothFileWatch();

    QString fId;
    QString fPwd;
    std::mutex fSect;
    std::set<QString> fFileList;
    std::mutex fWakeLock;
    std::condition_variable fWake;
    std::thread fThread;
};

class TImageBluetooth : public TOrderImageFile {
public:
    using TOrderImageFile::TOrderImageFile;
};

class TQzfsFolderBluetooth : public TQzfsFolderDisk {
public:
    using TQzfsFolderDisk::TQzfsFolderDisk;
    IQzfsFolderRef onFolderCreate(const QString& name) override;
    TOrderImageRef subImageCreate(const QString& name) override;
};

// The "bt:" source: shown only once a picture arrived somewhere below the
// reception folder.
class TQzfsFolderBluetoothRoot : public TQzfsFolderBluetooth, public virtual IQzfsRootFolder {
public:
    // path: the Bluetooth reception folder.
    TQzfsFolderBluetoothRoot(IMainFrame* main, const QString& id, const QString& path);

    int fmxIconIndex() override { return 10; }
    QString fmxStyle() override { return QStringLiteral("TreeViewItemImgUsbRootStyle1"); }
    QString folderLabel() override { return QStringLiteral("Bluetooth"); }
    bool HasImagesInSubFolders() override { return true; }
    bool IsReadyToUse() override { return true; }
    bool IsVisible() override;
};
