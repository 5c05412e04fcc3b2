#pragma once
// Disk folders: a directory of the file system as a media folder, and the
// enumerators that list its sub-directories and picture files.
//
// A disk folder reads the disk whenever it is asked; an enumerator lists its
// directory once, at its creation. Sub-directories are filtered: names
// beginning with "$" or ".", hidden ones, the system folder, and (for the
// folder walks) those holding no picture anywhere below them are left out.
// The picture files are the pictures of the file (TOrderImageFile, src/order).
//
// Sources derive from TQzfsFolderDisk and override onFolderCreate and
// subImageCreate so that their trees are made of their own classes. Both
// factories take a sub id (a name already escaped, see QzfsNameToSubId).
#include "UOrderImageFile.h"
#include "UQzFileSystemBase.h"

class IQzfsFolderDisk : public virtual IQzfsFolder {
public:
    virtual IQzfsFolderRef onFolderCreate(const QString& name) = 0;
    virtual TOrderImageRef subImageCreate(const QString& name) = 0;
};

// The file masks of the picture formats ("*.jpg", ...): the main frame's
// list, or the formats Qt reads when the main frame gives none.
QStringList QzfsImageMasks(IMainFrame* main);
// The name matches one of the masks (ignoring case).
bool QzfsNameMatchesMasks(const QString& fileName, const QStringList& masks);
// Picture files directly in the directory (no dot files), in file-system order.
QStringList QzfsPictureFiles(const QString& dirPath, const QStringList& masks);
// At least one picture file in the directory or anywhere below it (hidden and
// "$" sub-directories included; symbolic links to directories are not
// followed below the first level, so a link loop cannot hang the walk).
bool hasImagesInPath(IMainFrame* main, const QString& path);

class TQzfsFolderDisk : public TQzfsFolderBase, public virtual IQzfsFolderDisk {
public:
    TQzfsFolderDisk(IMainFrame* main, IQzfsFolder* parent, const QString& subId, const QString& subPath = QString());

    QString fmxStyle() override { return QStringLiteral("TreeViewItemImgUsbFolderStyle1"); }
    bool IsVisible() override;
    bool HasImagesInSubFolders() override;
    bool IsGhostNode() override { return fGhostNode; }
    void SetGhostNode(bool val) override { fGhostNode = val; }
    IQzfsFolderEnumRef Folders() override;
    IQzfsFolderRef FolderFind(const QString& fldId) override;
    IQzfsFolderRef FolderByIndice(int idx, TQzfsCursor& dataPtr) override;
    void FolderByIndiceFreeData(TQzfsCursor& dataPtr) override { dataPtr.reset(); }
    IQzfsImageEnumRef Images() override;
    TOrderImageRef ImageFind(const QString& imgId, const QString& imglabel, const QString& imgdata) override;
    void OSpathToVpathSearch(TQzosPathToVpathConverter& pathCvt) override;

    // Id of a picture or folder of that sub id in this folder.
    virtual QString subIdMake(const QString& name);
    // Path of a file or directory of that sub id in this folder; the sub id
    // may hold several levels ("DCIM\100CANON").
    virtual QString subPathMake(const QString& name);
    IQzfsFolderRef onFolderCreate(const QString& name) override;
    TOrderImageRef subImageCreate(const QString& name) override;
    virtual QString folderPath() { return fdiskPath; }

    // A relative id that may reach the disk: every part non-empty, no "." or
    // "..", no "/" once unescaped.
    static bool IsSafeRelativeId(const QString& relId);

protected:
    // The checked path of a relative id, empty when it is unsafe.
    QString safeSubPath(const QString& relId);

    QString fdiskPath;
    bool fGhostNode = false;
};

// The top folder of a source made of one directory.
class TQzfsFolderDiskRoot : public TQzfsFolderDisk, public virtual IQzfsRootFolder {
public:
    TQzfsFolderDiskRoot(IMainFrame* main, const QString& id, const QString& path, const QString& lbl, int icon);

    QString folderLabel() override { return fLabel; }
    QString fmxStyle() override { return QStringLiteral("TreeViewItemImgUsbRootStyle1"); }
    int fmxIconIndex() override { return fIcon; }
    bool HasImagesInSubFolders() override { return true; }
    bool IsReadyToUse() override { return true; }

protected:
    QString fLabel;
    int fIcon;
};

// Sub-directories of a disk folder, listed once at creation.
class TQzfsFolderDiskEnumFolder : public IQzfsFolderEnum {
public:
    explicit TQzfsFolderDiskEnumFolder(std::shared_ptr<TQzfsFolderDisk> folder);

    bool MoveNext() override;
    IQzfsFolderRef GetCurrentGen() override;
    void Reset() override { fidx = -1; }
    // The idx-th accepted sub-directory; each is filtered once per walk.
    IQzfsFolderRef FolderByIndice(int idx);

    virtual bool folderAccept(const QString& path);

protected:
    std::shared_ptr<TQzfsFolderDisk> fFolder;
    IMainFrame* fMain;
    QStringList fdirs;
    int fidx = -1;
    QStringList fdirsByIndice;
};

class TQzfsFolderDiskEnumFolderExcludeEmpty : public TQzfsFolderDiskEnumFolder {
public:
    using TQzfsFolderDiskEnumFolder::TQzfsFolderDiskEnumFolder;
    bool folderAccept(const QString& path) override;
};

// Picture files of a disk folder, listed once at creation.
class TQzfsFolderDiskEnumImage : public IQzfsImageEnum {
public:
    explicit TQzfsFolderDiskEnumImage(std::shared_ptr<TQzfsFolderDisk> folder);

    bool MoveNext() override;
    TOrderImageRef GetCurrentGen() override;
    void Reset() override { fidx = -1; }

private:
    std::shared_ptr<TQzfsFolderDisk> fFolder;
    QStringList ffiles;
    int fidx = -1;
    IMainFrame* fMain;
};
