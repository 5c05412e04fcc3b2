#pragma once
// The "extern:" source: pictures of files that belong to no source (dropped
// on the window or chosen in the open dialog). The id holds the file's full
// path, percent-encoded into one part ("extern:\%2Fhome%2Fu1%2Fa.jpg"), so a
// saved order finds the file again. The folder is never listed.
//
// A lookup accepts only an absolute, clean path (no "." or ".." component)
// to a regular picture file.
#include "UQzFileSystemDisk.h"

class TQzfsExternImage : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TQzfsExternImage)
public:
    using TOrderImageFile::TOrderImageFile;
    // The id made from the path.
    explicit TQzfsExternImage(const QString& imgpath);
    // The file name of the path without extension.
    QString ImageLabel() override;
};

class TQzfsFolderExternRoot : public TQzfsFolderDiskRoot {
public:
    explicit TQzfsFolderExternRoot(IMainFrame* main);

    bool IsVisible() override { return false; }
    IQzfsFolderRef FolderFind(const QString&) override { return nullptr; }
    TOrderImageRef ImageFind(const QString& imgId, const QString& imglabel, const QString& imgdata) override;
    QString subPathMake(const QString& name) override { return imgIdToImgPath(name); }
    IQzfsFolderRef onFolderCreate(const QString& name) override;
    TOrderImageRef subImageCreate(const QString& name) override;

    static QString imgPathToImgId(const QString& imgPath);
    // The path of an id, or of its encoded part alone.
    static QString imgIdToImgPath(const QString& imgId);
};
