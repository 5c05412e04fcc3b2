#include "UCDBurner.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "ULangText.h"

#include <QDate>
#include <QFileInfo>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <mutex>
#include <thread>

#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

// libburn declares itself in namespace burn for C++; libisofs names the
// same C structure burn_source in the global namespace.
using namespace burn;
using TBurnSource = burn::burn_source;

namespace {

QString insertDiscText()
{
    static TLangText& text
        = TLangText::Create(QStringLiteral("Please insert a new CD/DVD.\r\nClick on \"Start burn\" when CD/DVD is ready"));
    return text.Text();
}

QString cannotWriteText()
{
    static TLangText& text = TLangText::Create(QStringLiteral("Impossible to write on this media.\r\n"));
    return text.Text() + insertDiscText();
}

QString imageCreationText()
{
    static TLangText& text = TLangText::Create(QStringLiteral("Please wait \r\nImage creation is in progress..."));
    return text.Text();
}

// libburn and libisofs are set up once for the whole program and stay up:
// their shut-down would pull the drives from under any other burner.
void initLibraries()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = burn_initialize() == 1 && iso_init() >= 0;
        if (ok) {
            // Their messages go to our log, not to the kiosk's stderr.
            burn_msgs_set_severities(const_cast<char*>("NEVER"), const_cast<char*>("NEVER"),
                                     const_cast<char*>("libburn : "));
            iso_set_msgs_severities(const_cast<char*>("NEVER"), const_cast<char*>("NEVER"),
                                    const_cast<char*>("libisofs : "));
        }
    });
    if (!ok)
        throw Exception(QStringLiteral("CDburner: the disc-burning libraries cannot be initialised"));
}

// The name of a disc type by its MMC profile number.
QString mediaTypeName(int profile)
{
    switch (profile) {
    case 0x08: return QStringLiteral("CD-ROM");
    case 0x09: return QStringLiteral("CD-R");
    case 0x0a: return QStringLiteral("CD-RW");
    case 0x10: return QStringLiteral("DVD ROM");
    case 0x11: return QStringLiteral("DVD-R");
    case 0x12: return QStringLiteral("DVD-RAM");
    case 0x13:
    case 0x14: return QStringLiteral("DVD-RW");
    case 0x15:
    case 0x16: return QStringLiteral("DVD-R Dual Layer");
    case 0x1a: return QStringLiteral("DVD+RW");
    case 0x1b: return QStringLiteral("DVD+R");
    case 0x2a: return QStringLiteral("DVD+RW DL");
    case 0x2b: return QStringLiteral("DVD+R Dual Layer");
    case 0x40: return QStringLiteral("Blu-ray DVD (BD-ROM)");
    case 0x41:
    case 0x42: return QStringLiteral("Blu-ray media");
    case 0x43: return QStringLiteral("Blu-ray Rewritable media");
    case 0x50: return QStringLiteral("HD DVD-ROM");
    case 0x51: return QStringLiteral("HD DVD-R");
    case 0x52: return QStringLiteral("HD DVD-RAM");
    default: return QString();
    }
}

// A grabbed drive, released (and its disc ejected when asked) on leaving.
class TGrabbedDrive {
public:
    explicit TGrabbedDrive(const QString& address)
    {
        QByteArray adr = address.toLocal8Bit();
        // Never load: the disc is polled while the customer has the tray
        // open, and closing it under their hand would be wrong.
        if (burn_drive_scan_and_grab(&fInfo, adr.data(), 0) == 1 && fInfo)
            fDrive = fInfo[0].drive;
    }
    ~TGrabbedDrive()
    {
        if (fDrive)
            burn_drive_release(fDrive, fEject ? 1 : 0);
        if (fInfo)
            burn_drive_info_free(fInfo);
    }
    TGrabbedDrive(const TGrabbedDrive&) = delete;
    TGrabbedDrive& operator=(const TGrabbedDrive&) = delete;

    burn_drive* drive() const { return fDrive; }
    void ejectOnRelease() { fEject = true; }

private:
    burn_drive_info* fInfo = nullptr;
    burn_drive* fDrive = nullptr;
    bool fEject = false;
};

// The image as libburn reads it, failing the read once a cancel is asked so
// that the write stops at the next block whatever the recorder's state.
struct TCancellableSource {
    TBurnSource* inner;
    const std::atomic<bool>* cancel;
};

int cancellableRead(TBurnSource* source, unsigned char* buffer, int size)
{
    auto* d = static_cast<TCancellableSource*>(source->data);
    if (d->cancel->load())
        return -1;
    return d->inner->read ? d->inner->read(d->inner, buffer, size) : d->inner->read_xt(d->inner, buffer, size);
}

off_t cancellableSize(TBurnSource* source)
{
    auto* d = static_cast<TCancellableSource*>(source->data);
    return d->inner->get_size(d->inner);
}

int cancellableSetSize(TBurnSource* source, off_t size)
{
    auto* d = static_cast<TCancellableSource*>(source->data);
    return d->inner->set_size(d->inner, size);
}

void cancellableFree(TBurnSource* source)
{
    auto* d = static_cast<TCancellableSource*>(source->data);
    burn_source_free(d->inner);
    delete d;
}

TBurnSource* newCancellableSource(TBurnSource* inner, const std::atomic<bool>* cancel)
{
    auto* source = static_cast<TBurnSource*>(calloc(1, sizeof(TBurnSource)));
    if (!source)
        throw std::bad_alloc();
    source->refcount = 1;
    source->read = cancellableRead;
    source->get_size = cancellableSize;
    source->set_size = cancellableSetSize;
    source->free_data = cancellableFree;
    source->data = new TCancellableSource { inner, cancel };
    return source;
}

// Rewritable discs that are written in place (DVD+RW, DVD-RAM, BD-RE, a
// file standing for a disc) count as blank whatever they hold: one that
// carries a file system already is somebody's data, never written over.
bool holdsFileSystem(burn_drive* drive, int profile)
{
    static const int overwriteable[] = { 0x12, 0x13, 0x1a, 0x2a, 0x43, 0xffff };
    if (std::find(std::begin(overwriteable), std::end(overwriteable), profile) == std::end(overwriteable))
        return false;
    char block[2048] = {};
    off_t count = 0;
    // The volume descriptors of ISO 9660 start at block 16 with "CD001".
    if (burn_read_data(drive, 16 * 2048, block, sizeof block, &count, 2 | 4) <= 0 || count != sizeof block)
        return false;
    return std::memcmp(block + 1, "CD001", 5) == 0;
}

QString isoError(int code)
{
    return QString::fromLocal8Bit(iso_error_to_msg(code));
}

} // namespace

// ------------------------------------------------------------ TMediaFile, TDrive

bool TMediaFile::AddToFileSystem(Iso_Image* image, Iso_Dir* rootItem, qint64)
{
    const QFileInfo file(ffilePath);
    if (!file.isFile() || !file.isReadable())
        return false;
    const int rc = iso_tree_add_new_node(image, rootItem, ffileName.toUtf8().constData(),
                                         ffilePath.toLocal8Bit().constData(), nullptr);
    if (rc < 0)
        throw Exception(QStringLiteral("AddToFileSystem %1").arg(isoError(rc)));
    return true;
}

void TDrive::EjectMedia()
{
    initLibraries();
    TGrabbedDrive grabbed(m_rec);
    grabbed.ejectOnRelease();
}

// ------------------------------------------------------------ CDBurner

CDBurner::CDBurner(const QStringList& recorderAddresses)
    : fRecorderAddresses(recorderAddresses)
{
}

CDBurner::~CDBurner() = default;

const std::vector<std::unique_ptr<TDrive>>& CDBurner::RecorderList()
{
    if (fDrivesListed)
        return flstDrive;
    try {
        initLibraries();
        QStringList addresses = fRecorderAddresses;
        if (addresses.isEmpty()) {
            burn_drive_info* infos = nullptr;
            unsigned int count = 0;
            if (burn_drive_scan(&infos, &count) != 1)
                throw Exception(QStringLiteral("scan failed"));
            for (unsigned int i = 0; i < count; ++i) {
                char adr[BURN_DRIVE_ADR_LEN] = {};
                if (burn_drive_get_adr(&infos[i], adr) > 0)
                    addresses << QString::fromLocal8Bit(adr);
            }
            burn_drive_info_free(infos);
        }
        for (const QString& address : std::as_const(addresses))
            flstDrive.push_back(std::make_unique<TDrive>(address));
    } catch (const std::exception& e) {
        flstDrive.clear();
        throw Exception(QStringLiteral("CD burner drives listing failed %1").arg(ExceptionMessage(e)));
    }
    fDrivesListed = true;
    return flstDrive;
}

TDrive* CDBurner::GetActiveDrive()
{
    if (!fActiveDrive && !RecorderList().empty()) {
        fActiveDrive = RecorderList().front().get();
        factiveDriveId = fActiveDrive->imapi2Id();
    }
    return fActiveDrive;
}

IMediaRef CDBurner::MediaAdd(const IMediaRef& media)
{
    if (media->GetmediaParent())
        throw Exception(QStringLiteral("CDburner.MediaAdd : media has already a parent"));
    media->SetMediaParent(this);
    try {
        fLstMedia.push_back(media);
    } catch (...) {
        media->SetMediaParent(nullptr);
        throw;
    }
    onMediaAdded(media);
    return media;
}

void CDBurner::onMediaAdded(const IMediaRef& media)
{
    fTotalFileSize += media->FileSize();
}

bool CDBurner::MediaAlreadyAdd(const IMediaRef& media)
{
    return std::any_of(fLstMedia.begin(), fLstMedia.end(),
                       [&](const IMediaRef& m) { return m->SourcePath() == media->SourcePath(); });
}

void CDBurner::notify(const QString& texte, const QString& media, int remaining, int elapsed, int nbMedia, int value,
                      int max)
{
    if (fUpdateInterface)
        fUpdateInterface(texte, media, remaining, elapsed, nbMedia, value, max);
}

qint64 CDBurner::DiscFreeBytes(burn_drive* drive)
{
    return qint64(burn_disc_available_space(drive, nullptr));
}

bool CDBurner::DetectMedia()
{
    TDrive* drive = GetActiveDrive();
    if (!drive) {
        fMediaFreeSize = 0;
        fmediaLabel = QStringLiteral("No CD burner detected!");
        return false;
    }
    TGrabbedDrive grabbed(drive->imapi2Id());
    const auto noDisc = [this] {
        notify(insertDiscText(), QStringLiteral(" "), 0, 0, 0, 0, 0);
        return false;
    };
    if (!grabbed.drive())
        return noDisc();
    // A drive that has just been closed needs a moment to know its disc.
    enum burn_disc_status status = burn_disc_get_status(grabbed.drive());
    for (int tries = 0; status == BURN_DISC_UNREADY && tries < 50; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        status = burn_disc_get_status(grabbed.drive());
    }
    int profile = 0;
    char profileName[80] = {};
    burn_disc_get_profile(grabbed.drive(), &profile, profileName);
    fmediaLabel = mediaTypeName(profile);
    // A pseudo-drive on a file has no disc type of its own: libburn's name.
    if (fmediaLabel.isEmpty())
        fmediaLabel = QString::fromLatin1(profileName);
    switch (status) {
    case BURN_DISC_EMPTY:
        return noDisc();
    case BURN_DISC_FULL:
        // Closed or finalised: nothing more can be written on it.
        notify(cannotWriteText(), fmediaLabel, -1, -1, -1, -1, -1);
        return false;
    case BURN_DISC_BLANK:
    case BURN_DISC_APPENDABLE:
        break;
    default:
        return false;
    }
    if (status == BURN_DISC_APPENDABLE) {
        // A disc holding sessions already: a new session would hide them
        // from most readers unless the old tree were carried over, which
        // this burner does not do; it asks for a blank disc instead.
        notify(cannotWriteText(), fmediaLabel, -1, -1, -1, -1, -1);
        return false;
    }
    if (holdsFileSystem(grabbed.drive(), profile)) {
        notify(cannotWriteText(), fmediaLabel, -1, -1, -1, -1, -1);
        return false;
    }
    fMediaFreeSize = DiscFreeBytes(grabbed.drive());
    fMediaCountRequired = -1;
    return true;
}

int CDBurner::MediaCountRequired()
{
    if (fMediaCountRequired != -1)
        return fMediaCountRequired;
    if (fMediaFreeSize <= 0)
        throw Exception(QStringLiteral("CDburner.MediaCountRequired: Media count required not yet available"));
    fMediaCountRequired = int(fTotalFileSize / fMediaFreeSize + 1);
    return fMediaCountRequired;
}

QString CDBurner::VolumeNameCalc()
{
    const QDate today = QDate::currentDate();
    QString name = QStringLiteral("Qz ");
    // The disc count is that of the whole job: the discs written and the
    // estimate for the files still waiting.
    qint64 waiting = 0;
    for (const IMediaRef& m : fLstMedia)
        waiting += m->FileSize();
    const int discs = fMediaCountInBurn + (fMediaFreeSize > 0 ? int(waiting / fMediaFreeSize + 1) : 1);
    if (MediaCountRequired() > 1 || fMediaCountInBurn > 0)
        name += QStringLiteral("%1.%2 ").arg(fMediaCountInBurn + 1).arg(std::max(discs, fMediaCountInBurn + 1));
    return name + QStringLiteral("%1-%2-%3").arg(today.year()).arg(today.month()).arg(today.day());
}

std::vector<IMediaRef> CDBurner::CreateMediaFileSystem(Iso_Image* image)
{
    Iso_Dir* root = iso_image_get_root(image);
    qint64 remaining = fMediaFreeSize - kImageReserve;
    notify(imageCreationText(), QString(), -1, -1, MediaCountRequired(), 0, int(fLstMedia.size()));
    std::vector<IMediaRef> taken;
    for (auto it = fLstMedia.rbegin(); it != fLstMedia.rend(); ++it) {
        // Files take whole 2 KB blocks on the disc.
        remaining -= ((*it)->FileSize() + 2047) / 2048 * 2048;
        if (remaining <= 0)
            break;
        notify(QString(), QString(), -1, -1, -1, int(taken.size()) + 1, 0);
        if (!(*it)->AddToFileSystem(image, root, remaining))
            break;
        taken.push_back(*it);
    }
    if (taken.empty() && !fLstMedia.empty()) {
        // Nothing fits: writing would give an empty disc, and the next disc
        // of the same size would too.
        const IMediaRef& last = fLstMedia.back();
        if (last->FileSize() + kImageReserve >= fMediaFreeSize)
            throw Exception(QStringLiteral("CDburner: %1 (%2 bytes) is larger than the free space of the disc (%3 bytes)")
                                .arg(last->Destname())
                                .arg(last->FileSize())
                                .arg(fMediaFreeSize));
        throw Exception(QStringLiteral("CDburner: %1 cannot be read").arg(last->SourcePath()));
    }
    return taken;
}

BurnRes CDBurner::Burn()
{
    fCancel = false;
    TDrive* drive = GetActiveDrive();
    if (!drive)
        throw Exception(QStringLiteral("No CD burner detected!"));
    if (fMediaFreeSize <= 0)
        throw Exception(QStringLiteral("CDburner.MediaCountRequired: Media count required not yet available"));
    initLibraries();

    IsoImage* image = nullptr;
    const QString volume = fVolumeName.isEmpty() ? VolumeNameCalc() : fVolumeName;
    int rc = iso_image_new(volume.toUtf8().constData(), &image);
    if (rc < 0)
        throw Exception(QStringLiteral("CDburner.Burn: %1").arg(isoError(rc)));
    std::unique_ptr<IsoImage, void (*)(IsoImage*)> imageOwner(image, iso_image_unref);
    iso_image_set_volume_id(image, volume.toUtf8().constData());
    const std::vector<IMediaRef> taken = CreateMediaFileSystem(image);
    if (fCancel)
        return BurnRes::CanceledByUser;

    IsoWriteOpts* opts = nullptr;
    if ((rc = iso_write_opts_new(&opts, 0)) < 0)
        throw Exception(QStringLiteral("CDburner.Burn: %1").arg(isoError(rc)));
    std::unique_ptr<IsoWriteOpts, void (*)(IsoWriteOpts*)> optsOwner(opts, iso_write_opts_free);
    iso_write_opts_set_joliet(opts, 1);
    ::burn_source* isoRaw = nullptr;
    if ((rc = iso_image_create_burn_source(image, opts, &isoRaw)) < 0)
        throw Exception(QStringLiteral("CDburner.Burn: %1").arg(isoError(rc)));
    TBurnSource* source = newCancellableSource(reinterpret_cast<TBurnSource*>(isoRaw), &fCancel);
    std::unique_ptr<TBurnSource, void (*)(TBurnSource*)> sourceOwner(source, [](TBurnSource* s) { burn_source_free(s); });
    if (qint64(source->get_size(source)) > fMediaFreeSize)
        throw Exception(QStringLiteral("CDburner.Burn: the image (%1 bytes) is larger than the disc (%2 bytes)")
                            .arg(qint64(source->get_size(source)))
                            .arg(fMediaFreeSize));

    TGrabbedDrive grabbed(drive->imapi2Id());
    if (!grabbed.drive())
        throw Exception(QStringLiteral("CDburner.Burn: the recorder %1 cannot be opened").arg(drive->imapi2Id()));
    burn_disc* disc = burn_disc_create();
    burn_session* session = burn_session_create();
    burn_track* track = burn_track_create();
    burn_disc_add_session(disc, session, BURN_POS_END);
    burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
    burn_track_set_source(track, source);
    burn_session_add_track(session, track, BURN_POS_END);
    burn_write_opts* wopts = burn_write_opts_new(grabbed.drive());
    const auto freeWrite = [&] {
        burn_write_opts_free(wopts);
        burn_track_free(track);
        burn_session_free(session);
        burn_disc_free(disc);
    };
    burn_write_opts_set_perform_opc(wopts, 0);
    burn_write_opts_set_underrun_proof(wopts, 1);
    // The disc is closed after this session.
    burn_write_opts_set_multi(wopts, 0);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_write_opts_auto_write_type(wopts, disc, reasons, 0) == BURN_WRITE_NONE) {
        freeWrite();
        throw Exception(QStringLiteral("CDburner.Burn: %1").arg(QString::fromLocal8Bit(reasons)));
    }

    QElapsedTimer clock;
    clock.start();
    burn_disc_write(wopts, disc);
    burn_progress progress {};
    enum burn_drive_status state;
    while ((state = burn_drive_get_status(grabbed.drive(), &progress)) != BURN_DRIVE_IDLE) {
        const int elapsed = int(clock.elapsed() / 1000);
        int total = elapsed;
        if (progress.sectors > 0 && progress.sector > 0)
            total = int(qint64(clock.elapsed()) * progress.sectors / progress.sector / 1000);
        TWriteAction action = TWriteAction::InitializingHardware;
        if (state == BURN_DRIVE_WRITING || state == BURN_DRIVE_WRITING_SYNC)
            action = TWriteAction::WritingData;
        else if (state == BURN_DRIVE_CLOSING_SESSION || state == BURN_DRIVE_CLOSING_TRACK)
            action = TWriteAction::Finalization;
        if (fUpdate)
            fUpdate(this, TProgressData(TaskType::ImageBurn, action, elapsed, std::max(0, total - elapsed), total));
        if (fCancel && state != BURN_DRIVE_SPAWNING)
            burn_drive_cancel(grabbed.drive());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const bool wroteWell = burn_drive_wrote_well(grabbed.drive()) == 1;
    freeWrite();
    if (fCancel)
        return BurnRes::CanceledByUser;
    if (!wroteWell)
        throw Exception(QStringLiteral("CDburner.Burn: the disc could not be written"));
    if (fUpdate)
        fUpdate(this, TProgressData(TaskType::ImageBurn, TWriteAction::Completed, int(clock.elapsed() / 1000), 0,
                                    int(clock.elapsed() / 1000)));

    // Only files that reached the disc leave the list: a failed or cancelled
    // write keeps them all for the next attempt.
    for (const IMediaRef& m : taken)
        fLstMedia.erase(std::find(fLstMedia.begin(), fLstMedia.end(), m));
    fMediaCountRequired = 0;
    ++fMediaCountInBurn;
    grabbed.ejectOnRelease();
    return BurnRes::Ok;
}
