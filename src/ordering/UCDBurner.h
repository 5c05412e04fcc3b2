#pragma once
// The disc burner: writes a list of files to writable CD/DVD/BD discs, as
// many as fit on each disc, with libisofs (ISO 9660 + Joliet image) and
// libburn (the recorder). Its owner, the burning popup, drives the job disc
// by disc from a worker thread: every operation blocks until it is done, the
// callbacks run on that thread, and CancelWrite may be called from any
// thread.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace burn {
struct burn_drive;
}
struct Iso_Image;
struct Iso_Dir;

class ICDburner;
class ICDburnerMediaParent;

enum class TaskType { Noop, imageCreation, ImageBurn };
enum class BurnRes { Ok, CanceledByUser };

// What the recorder is doing, in the order of the action names the popup shows.
enum class TWriteAction {
    ValidatingMedia,
    FormattingMedia,
    InitializingHardware,
    CalibratingPower,
    WritingData,
    Finalization,
    Completed,
    VerifyingData,
};

// The owner's text and progress callback: Texte the main message and Media
// the disc description when not empty; the times (seconds), the disc count
// and the progress value when 0 or more; the progress maximum when above 0.
using TUpdateInteface = std::function<void(const QString& Texte, const QString& Media, int RemainingTime,
                                           int elapsedTime, int NbMedia, int PrgBarValue, int PrgBarMax)>;

// A report of the writer's progress.
class TProgressData {
public:
    TProgressData(TaskType tasktype, const QString& filepath, double percent)
        : ftasktype(tasktype), ffilepath(filepath), fpercent(percent) { }
    TProgressData(TaskType tasktype, TWriteAction writeAction, int elapsedTime, int remainingTime, int totalTime)
        : ftasktype(tasktype), fwriteAction(writeAction), felapsedTime(elapsedTime), fremainingTime(remainingTime),
          ftotalTime(totalTime) { }

    TaskType ftasktype = TaskType::Noop;
    TWriteAction fwriteAction = TWriteAction::ValidatingMedia;
    QString ffilepath;
    double fpercent = 0;
    int felapsedTime = 0;
    int fremainingTime = 0;
    int ftotalTime = 0;
};

// The writer's progress event: the burner and what it is doing.
using TDiscFormat2DataUpdate = std::function<void(ICDburner* sender, const TProgressData& progress)>;

// A file to put on disc.
class IMedia {
public:
    virtual ~IMedia() = default;
    virtual ICDburnerMediaParent* GetmediaParent() = 0;
    virtual void SetMediaParent(ICDburnerMediaParent* parent) = 0;
    virtual QString SourcePath() = 0;
    virtual QString Destname() = 0;
    virtual QString DestPath() = 0;
    virtual qint64 FileSize() = 0;
    // Adds the file to the image's root; false when the file cannot be read.
    virtual bool AddToFileSystem(Iso_Image* image, Iso_Dir* rootItem, qint64 stayingSize) = 0;
};
using IMediaRef = std::shared_ptr<IMedia>;

// A file on disk, written at the root of the disc under its own name.
class TMediaFile : public IMedia {
public:
    TMediaFile(const QString& filePath, const QString& fileName, qint64 fileSize)
        : ffilePath(filePath), ffileName(fileName), ffileSize(fileSize) { }

    ICDburnerMediaParent* GetmediaParent() override { return nullptr; }
    void SetMediaParent(ICDburnerMediaParent*) override { }
    QString SourcePath() override { return ffilePath; }
    QString Destname() override { return ffileName; }
    QString DestPath() override { return ffileName; }
    qint64 FileSize() override { return ffileSize; }
    bool AddToFileSystem(Iso_Image* image, Iso_Dir* rootItem, qint64 stayingSize) override;

private:
    QString ffilePath;
    QString ffileName;
    qint64 ffileSize;
};

// A recorder, known by its libburn address ("/dev/sr0", "stdio:/path").
class TDrive {
public:
    explicit TDrive(const QString& address) : m_rec(address) { }
    // The recorder's unique id: its address.
    QString imapi2Id() const { return m_rec; }
    void EjectMedia();

private:
    QString m_rec;
};

class ICDburnerMediaParent {
public:
    virtual ~ICDburnerMediaParent() = default;
    virtual void onMediaAdded(const IMediaRef& media) = 0;
    virtual const std::vector<IMediaRef>& MediaList() = 0;
};

class ICDburner : public ICDburnerMediaParent {
public:
    virtual TDiscFormat2DataUpdate GetUpdate() = 0;
    virtual void SetUpdate(TDiscFormat2DataUpdate update) = 0;
    virtual void SetUpdateInterface(TUpdateInteface update) = 0;
    virtual TUpdateInteface GetUpdateInterface() = 0;
    // Writes as many files as fit on the inserted disc, then ejects it.
    virtual BurnRes Burn() = 0;
    virtual QString GetmediaLabel() = 0;
    virtual void SetmediaLabel(const QString& label) = 0;
    virtual const std::vector<std::unique_ptr<TDrive>>& RecorderList() = 0;
    virtual TDrive* GetActiveDrive() = 0;
    virtual void setActiveDrive(TDrive* drive) = 0;
    virtual ICDburnerMediaParent* GetMediaParent() = 0;
    virtual void SetMediaParent(ICDburnerMediaParent* parent) = 0;
    virtual IMediaRef MediaAdd(const IMediaRef& media) = 0;
    // True when the inserted disc can take files.
    virtual bool DetectMedia() = 0;
    virtual QString VolumeNameCalc() = 0;
    virtual int MediaCountRequired() = 0;
    virtual bool MediaAlreadyAdd(const IMediaRef& media) = 0;
    // Asks a running write to stop; callable from any thread.
    virtual void CancelWrite() = 0;
};
using ICDburnerRef = std::shared_ptr<ICDburner>;

class CDBurner : public ICDburner {
public:
    // The recorders are those libburn finds unless addresses are given.
    explicit CDBurner(const QStringList& recorderAddresses = {});
    ~CDBurner() override;

    // Space the file-system structures of an image take besides the files.
    static constexpr qint64 kImageReserve = 256 * 1024;

    void onMediaAdded(const IMediaRef& media) override;
    const std::vector<IMediaRef>& MediaList() override { return fLstMedia; }
    TDiscFormat2DataUpdate GetUpdate() override { return fUpdate; }
    void SetUpdate(TDiscFormat2DataUpdate update) override { fUpdate = std::move(update); }
    void SetUpdateInterface(TUpdateInteface update) override { fUpdateInterface = std::move(update); }
    TUpdateInteface GetUpdateInterface() override { return fUpdateInterface; }
    BurnRes Burn() override;
    QString GetmediaLabel() override { return fmediaLabel; }
    void SetmediaLabel(const QString& label) override { fmediaLabel = label; }
    const std::vector<std::unique_ptr<TDrive>>& RecorderList() override;
    TDrive* GetActiveDrive() override;
    void setActiveDrive(TDrive* drive) override { fActiveDrive = drive; }
    ICDburnerMediaParent* GetMediaParent() override { return fMediaParent; }
    void SetMediaParent(ICDburnerMediaParent* parent) override { fMediaParent = parent; }
    IMediaRef MediaAdd(const IMediaRef& media) override;
    bool DetectMedia() override;
    QString VolumeNameCalc() override;
    int MediaCountRequired() override;
    bool MediaAlreadyAdd(const IMediaRef& media) override;
    void CancelWrite() override { fCancel = true; }

    qint64 TotalFileSize() const { return fTotalFileSize; }
    qint64 MediaFreeSize() const { return fMediaFreeSize; }
    int MediaCountInBurn() const { return fMediaCountInBurn; }

protected:
    // Free bytes of the disc in the grabbed drive.
    virtual qint64 DiscFreeBytes(burn::burn_drive* drive);

private:
    // Builds the image of the files that fit, from the end of the list back
    // to the first that does not; returns the files taken.
    std::vector<IMediaRef> CreateMediaFileSystem(Iso_Image* image);
    void notify(const QString& texte, const QString& media, int remaining, int elapsed, int nbMedia, int value, int max);

    QString fmediaLabel;
    QString factiveDriveId;
    std::vector<std::unique_ptr<TDrive>> flstDrive;
    bool fDrivesListed = false;
    QStringList fRecorderAddresses;
    TDrive* fActiveDrive = nullptr;
    ICDburnerMediaParent* fMediaParent = nullptr;
    std::vector<IMediaRef> fLstMedia;
    QString fVolumeName;
    qint64 fTotalFileSize = 0;
    int fMediaCountInBurn = 0;
    int fMediaCountRequired = -1;
    qint64 fMediaFreeSize = 0;
    TDiscFormat2DataUpdate fUpdate;
    TUpdateInteface fUpdateInterface;
    std::atomic<bool> fCancel { false };
};
