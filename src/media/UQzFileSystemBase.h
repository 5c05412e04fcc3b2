#pragma once
// The media file system: every place a customer's pictures can come from is
// one tree of folders holding pictures, under one root.
//
// A folder is a reference-counted interface (IQzfsFolderRef); a picture is an
// order image (TOrderImageBase) that a folder creates when it is enumerated
// or looked up and that belongs to whoever receives it.
//
// Ids are virtual paths: the parent's id, "\" and the folder's sub id. The
// separator is fixed ("\" on every platform) because ids are stored in
// orders. A file or directory name of the operating system that holds "\" or
// "%" is escaped ("%5C", "%25") to make its sub id, and unescaped to reach
// the file again (QzfsNameToSubId / QzfsSubIdToName).
//
// A folder marked as ghost node is transparent: its parent's enumerations
// list its content in its place. Ids do not skip ghost nodes.
//
// Extension points for the sources:
//  - TQzfsFolderAdvBase: children and pictures reached by index
//    (folderFindLocal, imageFindLocal, SubImageByIndice, findPrepare);
//  - TQzfsFolderAdvWithFolderDicoBase: the same with a list of children,
//    which may change under a walk (guarded; a walk never reads past its end);
//  - TQzfsFolderDisk (UQzFileSystemDisk.h): a directory of the file system,
//    whose factories onFolderCreate / subImageCreate a source overrides to
//    make its own folder and picture classes.
#include "UAppExceptions.h"
#include "UOrderImage.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <vector>

class IMainFrame;
class IQzfsFolder;
class TQzosPathToVpathConverter;
class TLangText;

using IQzfsFolderRef = std::shared_ptr<IQzfsFolder>;
using TOrderImageRef = std::unique_ptr<TOrderImageBase>;
// The opaque cursor of a walk by index (FolderByIndice): empty before the
// first call, kept by the caller between calls.
using TQzfsCursor = std::shared_ptr<void>;

// A single-use walk over folders.
class IQzfsFolderEnum {
public:
    virtual ~IQzfsFolderEnum() = default;
    virtual bool MoveNext() = 0;
    virtual IQzfsFolderRef GetCurrentGen() = 0;
    virtual void Reset() = 0;
};
using IQzfsFolderEnumRef = std::shared_ptr<IQzfsFolderEnum>;

// A single-use walk over pictures. GetCurrentGen hands the current picture
// to the caller (a new object; ask once per step).
class IQzfsImageEnum {
public:
    virtual ~IQzfsImageEnum() = default;
    virtual bool MoveNext() = 0;
    virtual TOrderImageRef GetCurrentGen() = 0;
    virtual void Reset() = 0;
};
using IQzfsImageEnumRef = std::shared_ptr<IQzfsImageEnum>;

class IQzfsFolder {
public:
    virtual ~IQzfsFolder() = default;
    virtual QString folderId() = 0;
    virtual QString folderSubId() = 0;
    virtual QString folderLabel() = 0;
    virtual QString fmxStyle() = 0;
    virtual int fmxIconIndex() = 0;
    virtual bool autoRefresh() = 0;
    virtual bool refreshNow() = 0;
    virtual quint32 refreshTick() = 0;
    virtual bool IsVisible() = 0;
    virtual bool HasImagesInSubFolders() = 0;
    virtual bool IsGhostNode() = 0;
    virtual void SetGhostNode(bool val) = 0;
    virtual bool hasFolders() = 0;
    virtual IQzfsFolderEnumRef Folders() = 0;
    virtual IQzfsFolderRef FolderFind(const QString& fldId) = 0;
    virtual IQzfsFolderRef FolderGet(const QString& fldId) = 0;
    virtual IQzfsFolderRef FolderByIndice(int idx, TQzfsCursor& dataPtr) = 0;
    virtual void FolderByIndiceFreeData(TQzfsCursor& dataPtr) = 0;
    virtual IQzfsImageEnumRef Images() = 0;
    virtual TOrderImageRef ImageFind(const QString& imgId, const QString& imglabel, const QString& imgdata) = 0;
    virtual TOrderImageRef ImageGet(const QString& imgId) = 0;
    virtual IMainFrame* mainFrame() = 0;
    virtual void OSpathToVpathSearch(TQzosPathToVpathConverter& pathCvt) = 0;
    virtual void SessionClear() = 0;
};

// The top folder of one source.
class IQzfsRootFolder : public virtual IQzfsFolder {
public:
    virtual bool IsReadyToUse() = 0;
};

// A top folder listing drives, devices or accounts whose pictures it keeps
// local copies of.
class IQzfsDrivesRoot : public virtual IQzfsRootFolder {
public:
    virtual void MarkStartupDrivesAsShown() = 0;
    virtual void StartDriveHiddenIfUsedRemove(bool val) = 0;
};

// One drive or device.
class IQzfsRootDrive : public virtual IQzfsFolder {
public:
    virtual QString GetDrivePhysicalPath() = 0;
    virtual bool IsDriveRemoveable() = 0;
    virtual bool IsDriveReadOnly() = 0;
    virtual bool IsDriveHidden() = 0;
    virtual void SetDriveHidden(bool val) = 0;
};

// A device that may want to browse again after a failed browse.
class IQzfsRootBrowserError {
public:
    virtual ~IQzfsRootBrowserError() = default;
    virtual bool onBrowseError(const std::exception& ex) = 0;
};

class IQzfsRoot;
// Implemented by the main window, which owns the media root.
class IQzfsRootContainer {
public:
    virtual ~IQzfsRootContainer() = default;
    virtual std::shared_ptr<IQzfsRoot> RootFolder() = 0;
};

// A folder or picture id that FolderGet or ImageGet cannot find.
class ENotFound : public Exception {
public:
    using Exception::Exception;
    explicit ENotFound(const TLangText& text);
    KIOSK_EXCEPTION_CLASSNAME(ENotFound)
};

// Sub id of a file-system name: "%" and "\" escaped, reversibly.
QString QzfsNameToSubId(const QString& name);
// The name back from a sub id part.
QString QzfsSubIdToName(const QString& subId);
// True for an id part that must never reach the file system: empty, "." or
// "..", or holding a "/" or a NUL once unescaped.
bool QzfsUnsafeIdPart(const QString& part);
// Checks the main frame's cancellation (TaskCheckStop), or the running
// task's when there is no main frame.
void QzfsTaskCheckStop(IMainFrame* main);

class TQzfsFolderBase : public virtual IQzfsFolder, public std::enable_shared_from_this<TQzfsFolderBase> {
public:
    TQzfsFolderBase(IMainFrame* main, IQzfsFolder* parent, const QString& subId);
    ~TQzfsFolderBase() override;
    TQzfsFolderBase(const TQzfsFolderBase&) = delete;
    TQzfsFolderBase& operator=(const TQzfsFolderBase&) = delete;

    static QString folderIdSeparator() { return QStringLiteral("\\"); }
    // Sub ids under the user's locale, ignoring case.
    static int Compare(const IQzfsFolderRef& a, const IQzfsFolderRef& b);
    // Sorts folders with Compare.
    static void SortFolders(std::vector<IQzfsFolderRef>& folders);

    QString folderId() override;
    QString folderSubId() override { return fsubId; }
    QString folderLabel() override { return fsubId; }
    int fmxIconIndex() override { return 1; }
    bool autoRefresh() override { return false; }
    bool refreshNow() override;
    quint32 refreshTick() override { return 0; }
    bool IsVisible() override { return true; }
    bool IsGhostNode() override { return false; }
    void SetGhostNode(bool val) override;
    bool hasFolders() override { return true; }
    IQzfsFolderRef FolderGet(const QString& fldId) override;
    TOrderImageRef ImageGet(const QString& imgId) override;
    IMainFrame* mainFrame() final { return fMainFrame; }
    void OSpathToVpathSearch(TQzosPathToVpathConverter& pathCvt) override { }
    void SessionClear() override { }

    // This folder as a reference (the object must be owned by a shared_ptr).
    IQzfsFolderRef self();

protected:
    QString fparentId;
    QString fsubId;
    IMainFrame* fMainFrame;
};

// A folder whose children and pictures are reached by index.
class TQzfsFolderAdvBase : public TQzfsFolderBase {
public:
    using TQzfsFolderBase::TQzfsFolderBase;

    bool IsGhostNode() override { return fGhostNode; }
    void SetGhostNode(bool val) override { fGhostNode = val; }
    IQzfsFolderEnumRef Folders() override;
    IQzfsImageEnumRef Images() override;
    IQzfsFolderRef FolderFind(const QString& fldId) override;
    TOrderImageRef ImageFind(const QString& imgId, const QString& imglabel, const QString& imgdata) override;

    // The direct child of that sub id.
    virtual IQzfsFolderRef folderFindLocal(const QString& subId) = 0;
    // The picture of that sub id directly in this folder.
    virtual TOrderImageRef imageFindLocal(const QString& subId) = 0;
    // Run before every folder lookup and before the first FolderByIndice.
    virtual void findPrepare() { }
    // The idx-th picture directly in this folder, null past the last.
    virtual TOrderImageRef SubImageByIndice(int idx) = 0;

protected:
    bool fGhostNode = false;
};

// An advanced folder with a list of children. The list is guarded: a source
// may change it (refresh on the main thread) while a worker walks it.
class TQzfsFolderAdvWithFolderDicoBase : public TQzfsFolderAdvBase {
public:
    using TQzfsFolderAdvBase::TQzfsFolderAdvBase;

    IQzfsFolderRef folderFindLocal(const QString& subId) override;
    IQzfsFolderRef FolderByIndice(int idx, TQzfsCursor& dataPtr) override;
    void FolderByIndiceFreeData(TQzfsCursor& dataPtr) override { dataPtr.reset(); }
    bool autoRefresh() override;
    bool refreshNow() override;
    quint32 refreshTick() override;

    virtual void folderListAdd(const IQzfsFolderRef& fld);
    virtual void folderListRemoveBySubId(const QString& subId);
    virtual void folderListRemove(const IQzfsFolderRef& fld);

protected:
    // A copy of the children, taken under the lock.
    std::vector<IQzfsFolderRef> folderListSnapshot() const;
    // Replaces the children (for sources that sort them).
    void folderListAssign(std::vector<IQzfsFolderRef> folders);
    int folderListCount() const;

private:
    mutable std::mutex fFoldersLock;
    std::vector<IQzfsFolderRef> fFolders;
};

// A source top folder that shows several folders as one.
class TQzfsFolderMergeRoot : public TQzfsFolderAdvWithFolderDicoBase, public virtual IQzfsRootFolder {
public:
    TQzfsFolderMergeRoot(IMainFrame* main, const QString& id, const QString& lbl, int icon);

    void folderAdd(const IQzfsFolderRef& fld);

    QString folderLabel() override { return fLabel; }
    QString fmxStyle() override { return QStringLiteral("TreeViewItemImgUsbRootStyle1"); }
    int fmxIconIndex() override { return fIcon; }
    bool HasImagesInSubFolders() override { return true; }
    TOrderImageRef SubImageByIndice(int) override { return nullptr; }
    TOrderImageRef imageFindLocal(const QString&) override { return nullptr; }
    void OSpathToVpathSearch(TQzosPathToVpathConverter& pathCvt) override;
    bool IsReadyToUse() override { return true; }

private:
    QString fLabel;
    int fIcon;
};

// Folder walk of an advanced folder: children in order, each ghost node's
// content depth first where it stands.
class TQzfsFolderAdvEnumFolder : public IQzfsFolderEnum {
public:
    explicit TQzfsFolderAdvEnumFolder(IQzfsFolderRef folder);
    ~TQzfsFolderAdvEnumFolder() override;

    bool MoveNext() override;
    IQzfsFolderRef GetCurrentGen() override { return fCurrent; }
    void Reset() override { fIdx = -1; }

protected:
    virtual bool folderAccept(const IQzfsFolderRef& fld);
    IMainFrame* fMain;

private:
    struct TstackInfo {
        IQzfsFolderRef fFolder;
        int fIdx;
        TQzfsCursor fData;
    };
    IQzfsFolderRef fFolder;
    IQzfsFolderRef fCurrent;
    int fIdx = -1;
    TQzfsCursor fData;
    std::vector<TstackInfo> fStack;
};

// The same, leaving out the folders without any picture below them.
class TQzfsFolderAdvEnumFolderExcludeEmpty : public TQzfsFolderAdvEnumFolder {
public:
    using TQzfsFolderAdvEnumFolder::TQzfsFolderAdvEnumFolder;

protected:
    bool folderAccept(const IQzfsFolderRef& fld) override;
};

// Picture walk of an advanced folder: its own pictures, then those of each
// accepted ghost child through the child's own walk (which lists the ghost
// nodes nested in it), so every picture comes once.
class TQzfsFolderAdvEnumImage : public IQzfsImageEnum {
public:
    explicit TQzfsFolderAdvEnumImage(std::shared_ptr<TQzfsFolderAdvBase> folder);
    ~TQzfsFolderAdvEnumImage() override;

    bool MoveNext() override;
    TOrderImageRef GetCurrentGen() override;
    void Reset() override;

protected:
    virtual bool folderAccept(const IQzfsFolderRef& fld);

private:
    bool ghostFolderNext();

    std::shared_ptr<TQzfsFolderAdvBase> fOwner;
    IQzfsFolderRef fFolder;
    TOrderImageRef fCurrent;
    int fIdx = -1;
    int fFolderIdx = -1;
    IMainFrame* fMain;
    IQzfsImageEnumRef fCurEnum;
    TQzfsCursor fFolderData;
};

// Finds the virtual path of an operating-system path: each candidate folder
// offers its own directory with Match; the longest match wins.
class TQzosPathToVpathConverter {
public:
    explicit TQzosPathToVpathConverter(const QString& osPath) : fOSpathToFind(osPath) { }

    void Match(const QString& osFolderPath, IQzfsFolder* folder);

    const QString& VpathFound() const { return fVpathFound; }
    const QString& OSpathFolderFound() const { return fOSpathFolderFound; }

    // A relative operating-system path ("/"-separated) as a relative virtual
    // path ("\"-separated, each name escaped).
    static QString OsRelativeToVpath(const QString& rel);

private:
    QString fOSpathToFind;
    QString fVpathFound;
    QString fOSpathFolderFound;
};
