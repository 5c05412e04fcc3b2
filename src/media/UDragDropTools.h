#pragma once
// Drag payloads of order pictures, and the set of files dropped on the window
// or chosen in the open dialog, turned into order pictures on demand.
//
// A dropped file inside a source's folder (a drive, the desktop, the picture
// folders...) gets that source's picture and id, as if the customer had
// browsed to it; only a file outside every source becomes "extern:".
//
// The receiver of a payload detaches every picture it keeps and calls
// DropUseEnd once at the end; the payload frees what was not detached.
#include "UQzFileSystemRoot.h"

#include <QStringList>
#include <functional>

class QMimeData;

class IDragOrderImage {
public:
    virtual ~IDragOrderImage() = default;
    virtual TOrderImageBase* DraggedImage() = 0;
    virtual void DraggedImageDetach(TOrderImageBase* img) = 0;
    virtual void DropUseEnd() = 0;
};

class IDragOrderImagesSet {
public:
    virtual ~IDragOrderImagesSet() = default;
    virtual TOrderImageBase* DraggedImage(int index) = 0;
    virtual int DraggedImageCount() = 0;
    virtual void DraggedImageDetach(TOrderImageBase* img) = 0;
    virtual void DropUseEnd() = 0;
};
using IDragOrderImagesSetRef = std::shared_ptr<IDragOrderImagesSet>;

class TDraggedImageBase : public IDragOrderImage, public IDragOrderImagesSet {
public:
    explicit TDraggedImageBase(IMainFrame* main) : fMain(main) { }
    TOrderImageBase* DraggedImage() override = 0;
    void DraggedImageDetach(TOrderImageBase* img) override = 0;
    void DropUseEnd() override { }
    TOrderImageBase* DraggedImage(int index) override { return index == 0 ? DraggedImage() : nullptr; }
    int DraggedImageCount() override { return 1; }

protected:
    IMainFrame* fMain;
};

// One order picture dragged inside the program.
class TDraggedImage : public TDraggedImageBase {
public:
    TDraggedImage(IMainFrame* main, TOrderImageBase* img, bool bToFree);
    ~TDraggedImage() override;
    using TDraggedImageBase::DraggedImage;
    TOrderImageBase* DraggedImage() override { return fImage; }
    void DraggedImageDetach(TOrderImageBase* img) override;
    virtual TOrderImageBase* Image() { return fImage; }

private:
    TOrderImageBase* fImage;
    bool fToFree;
};

// A set of files.
class TDraggedFileSystemFiles : public TDraggedImageBase {
public:
    // root: the media root; null takes it from the main frame when that is
    // an IQzfsRootContainer.
    explicit TDraggedFileSystemFiles(IMainFrame* main, IQzfsRootRef root = nullptr);
    ~TDraggedFileSystemFiles() override;

    // The drag's local files (QMimeData::urls). The same list again keeps
    // the pictures already made.
    void SetData(const QMimeData* data);
    void SetFiles(const QStringList& files);
    void ClearData();
    void ExtractData();

    using TDraggedImageBase::DraggedImage;
    TOrderImageBase* DraggedImage() override { return DraggedImage(0); }
    TOrderImageBase* DraggedImage(int index) override;
    int DraggedImageCount() override;
    void DraggedImageDetach(TOrderImageBase* img) override;
    void DropUseEnd() override;

    // How many times files were turned into pictures (one per new list).
    int ExtractCount() const { return fExtractCount; }

    // The open dialog: chooser shows a file dialog with the filter given
    // ("Images (*.jpg *.png)") and answers the chosen files (empty when
    // cancelled); the screens supply it with QFileDialog.
    using TFileChooser = std::function<QStringList(const QString& filter)>;
    static IDragOrderImagesSetRef getImagesSetFromSelectionWindow(IMainFrame* main, const TFileChooser& chooser,
                                                                  IQzfsRootRef root = nullptr);
    static QString DialogFilter(IMainFrame* main);

protected:
    virtual bool imageFileSupported(const QString& path);
    virtual TOrderImageRef ImageRootFSfind(const QString& path, QString& osFolder, QString& vFolder);

private:
    IQzfsRootRef root();

    IQzfsRootRef fRoot;
    std::vector<TOrderImageRef> fImagesOwned;
    std::vector<TOrderImageBase*> fImages;
    QStringList fFiles;
    bool fDataToExtract = false;
    int fExtractCount = 0;
};
