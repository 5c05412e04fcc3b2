#pragma once
// Two sources that are plain folders beside the configuration file, each
// with its own folder and picture classes so that the rest of the system
// tells their pictures apart: the demonstration set ("demo:", the folder
// "Demo Pictures") and the store's gallery ("gallery:", the folder "Shop
// Pictures", kiosk use only; its pictures are priced apart).
//
// Both top folders are listed only when their folder holds a picture.
#include "UQzFileSystemDisk.h"

class TImageDemo : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TImageDemo)
public:
    using TOrderImageFile::TOrderImageFile;
};

class TImageGalleryPro : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TImageGalleryPro)
public:
    using TOrderImageFile::TOrderImageFile;
    bool IsImageGalleryPro() override { return true; }
};

// A disk tree whose folders and pictures are of the classes Folder and Image.
template <class Folder, class Image>
class TQzfsFolderDiskOf : public TQzfsFolderDisk {
public:
    using TQzfsFolderDisk::TQzfsFolderDisk;
    IQzfsFolderRef onFolderCreate(const QString& name) override
    {
        return std::make_shared<Folder>(fMainFrame, this, name);
    }
    TOrderImageRef subImageCreate(const QString& name) override
    {
        return std::make_unique<Image>(subIdMake(name), subPathMake(name));
    }
};

class TQzfsFolderDemo : public TQzfsFolderDiskOf<TQzfsFolderDemo, TImageDemo> {
public:
    using TQzfsFolderDiskOf::TQzfsFolderDiskOf;
};

class TQzfsFolderGalleryPro : public TQzfsFolderDiskOf<TQzfsFolderGalleryPro, TImageGalleryPro> {
public:
    using TQzfsFolderDiskOf::TQzfsFolderDiskOf;
};

// The top folder of a tree made of the folder class Base.
template <class Base>
class TQzfsFolderTreeRoot : public Base, public virtual IQzfsRootFolder {
public:
    TQzfsFolderTreeRoot(IMainFrame* main, const QString& id, const QString& path, const QString& lbl, int icon)
        : Base(main, nullptr, id, path)
        , fLabel(lbl)
        , fIcon(icon < 0 ? 0 : icon)
    {
    }
    QString folderLabel() override { return fLabel; }
    QString fmxStyle() override { return QStringLiteral("TreeViewItemImgUsbRootStyle1"); }
    int fmxIconIndex() override { return fIcon; }
    bool IsReadyToUse() override { return true; }

private:
    QString fLabel;
    int fIcon;
};

class TQzfsFolderDemoRoot : public TQzfsFolderTreeRoot<TQzfsFolderDemo> {
public:
    using TQzfsFolderTreeRoot::TQzfsFolderTreeRoot;
};

class TQzfsFolderGalleryProRoot : public TQzfsFolderTreeRoot<TQzfsFolderGalleryPro> {
public:
    using TQzfsFolderTreeRoot::TQzfsFolderTreeRoot;
};
