#include "UTools.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "UFormat.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDevice>
#include <QLocale>
#include <QPointingDevice>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unistd.h>

#ifndef KIOSK_APP_VERSION
#define KIOSK_APP_VERSION "0.0.0.0"
#endif

// The version record of the program: a what(1)-style marker that
// GetAppVersionStr(file) finds in any program file that links this library.
extern "C" __attribute__((used)) const char kiosk_version_record[] = "@(#)KIOSKVERSION " KIOSK_APP_VERSION;

static void initFoundationResources()
{
    // The resources of a static library are registered explicitly: nothing
    // else would pull their object file into the program.
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(foundation); });
}

namespace {

const QString kMaker = QStringLiteral("XJQ");
const QString kProduct = QStringLiteral("Brindlewick");
const QString kResPrefix = QStringLiteral(":/rcdata/");
constexpr int kRetryDelayMs = 100;

QString appFolder(const QString& base)
{
    if (base.isEmpty())
        throw Exception(QStringLiteral("TFileTools.MakeDirRec failure on path \"\""));
    return TFileTools::MakeDirRec(QDir::cleanPath(base + QLatin1Char('/') + kMaker + QLatin1Char('/') + kProduct));
}

QString exePath()
{
    const QString link = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!link.isEmpty())
        return link;
    return QCoreApplication::applicationFilePath();
}

// Runs `open` up to `attempts` times, 100 ms apart; the last failure passes on.
template<class F>
auto withRetries(int attempts, F&& open) -> decltype(open())
{
    for (int counter = attempts;;) {
        try {
            return open();
        } catch (const Exception&) {
            if (--counter <= 0)
                throw;
            QThread::msleep(kRetryDelayMs);
        }
    }
}

QString checkedGuardedPath(const QString& fpath, const QString& what)
{
    if (!TFileTools::IsGuardedPath(fpath))
        throw Exception(what + fpath + QLatin1Char('\''));
    return QDir::cleanPath(fpath);
}

bool isRealDir(const QString& path)
{
    const QFileInfo fi(path);
    return fi.isDir() && !fi.isSymLink();
}

void makeOwnerWritable(const QString& path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
}

// Copies one file (or a symbolic link as a link) into dstDir.
void copyEntry(const QFileInfo& src, const QString& dstDir, bool bOverwrite)
{
    const QString target = QDir(dstDir).filePath(src.fileName());
    const QFileInfo dst(target);
    if (dst.exists() || dst.isSymLink()) {
        if (!bOverwrite)
            throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\": the file exists").arg(src.filePath(), target));
        if (dst.isDir() && !dst.isSymLink())
            throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\": a folder has that name").arg(src.filePath(), target));
        makeOwnerWritable(target);
        QFile old(target);
        if (!old.remove())
            throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\": %3").arg(src.filePath(), target, old.errorString()));
    }
    if (src.isSymLink()) {
        if (!QFile::link(src.symLinkTarget(), target))
            throw Exception(QStringLiteral("Cannot copy link \"%1\" to \"%2\"").arg(src.filePath(), target));
        return;
    }
    QFile in(src.filePath());
    if (!in.copy(target))
        throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\": %3").arg(src.filePath(), target, in.errorString()));
}

bool isTrimmable(QChar c)
{
    return c.unicode() <= 0x20;
}

QString delphiTrim(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isTrimmable(s.at(b)))
        ++b;
    while (e > b && isTrimmable(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

const QString& forbiddenChars()
{
    static const QString s = QString::fromUtf8("°&~#\\\"'{([|`\\/)]=}+<>?,.;:§!%¨^*µ£$¤²-_€");
    return s;
}

bool keptAsIs(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == ' ' || u == '-' || u == '.'
        || u == '=' || u == '_';
}

qint64 strToInt(const QString& part)
{
    // Leading blanks and a sign are accepted, as the runtime's integer
    // conversion does; anything else makes the part invalid.
    static const QRegularExpression re(QStringLiteral("^\\s*[+-]?\\d+$"));
    bool ok = false;
    qint64 v = 0;
    if (re.match(part).hasMatch())
        v = part.trimmed().toLongLong(&ok);
    if (!ok || v < INT_MIN || v > INT_MAX)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(part));
    return v;
}

} // namespace

// ---------------------------------------------------------------------------
// TStreamWriter / TStreamReader

TStreamWriter::TStreamWriter(std::unique_ptr<QFileDevice> file, bool atomic, QStringConverter::Encoding encoding, int bufferSize)
    : fFile(std::move(file))
    , fAtomic(atomic)
    , fEncoder(encoding, QStringConverter::Flag::Stateless)
    , fBufferSize(bufferSize > 0 ? bufferSize : 4096)
{
    // A file that starts here gets the encoding's byte-order mark.
    if (fFile->size() == 0) {
        switch (encoding) {
        case QStringConverter::Utf8:
            fBuffer = QByteArrayLiteral("\xEF\xBB\xBF");
            break;
        case QStringConverter::Utf16:
        case QStringConverter::Utf16LE:
            fBuffer = QByteArrayLiteral("\xFF\xFE");
            break;
        case QStringConverter::Utf16BE:
            fBuffer = QByteArrayLiteral("\xFE\xFF");
            break;
        case QStringConverter::Utf32:
        case QStringConverter::Utf32LE:
            fBuffer = QByteArray("\xFF\xFE\x00\x00", 4);
            break;
        case QStringConverter::Utf32BE:
            fBuffer = QByteArray("\x00\x00\xFE\xFF", 4);
            break;
        default:
            break;
        }
    }
}

TStreamWriter::~TStreamWriter()
{
    if (fClosed)
        return;
    if (!fAtomic) {
        // What was written to an appended file is kept.
        try {
            flushBuffer();
        } catch (...) {
        }
    }
    // An atomic writer that was not closed discards its temporary file.
}

void TStreamWriter::Write(const QString& text)
{
    if (fClosed)
        throw EStreamError(QStringLiteral("Cannot write to a closed writer on \"%1\"").arg(fFile->fileName()));
    fBuffer += QByteArray(fEncoder.encode(text));
    if (fBuffer.size() >= fBufferSize)
        flushBuffer();
}

void TStreamWriter::WriteLine(const QString& text)
{
    Write(text + QStringLiteral("\r\n"));
}

void TStreamWriter::flushBuffer()
{
    if (fBuffer.isEmpty())
        return;
    const qint64 n = fFile->write(fBuffer);
    if (n != fBuffer.size())
        throw EStreamError(QStringLiteral("Cannot write file \"%1\". %2").arg(fFile->fileName(), fFile->errorString()));
    fBuffer.clear();
}

void TStreamWriter::Close()
{
    if (fClosed)
        return;
    fClosed = true;
    flushBuffer();
    if (fAtomic) {
        if (!static_cast<QSaveFile*>(fFile.get())->commit())
            throw EStreamError(QStringLiteral("Cannot write file \"%1\". %2").arg(fFile->fileName(), fFile->errorString()));
    } else {
        if (!fFile->flush())
            throw EStreamError(QStringLiteral("Cannot write file \"%1\". %2").arg(fFile->fileName(), fFile->errorString()));
        fFile->close();
    }
}

TStreamReader::TStreamReader(std::unique_ptr<QFile> file, QStringConverter::Encoding encoding, bool detectBOM)
    : fFile(std::move(file))
    , fStream(std::make_unique<QTextStream>(fFile.get()))
{
    fStream->setEncoding(encoding);
    fStream->setAutoDetectUnicode(detectBOM);
}

TStreamReader::~TStreamReader() = default;

bool TStreamReader::EndOfStream() const
{
    return fStream->atEnd();
}

QString TStreamReader::ReadLine()
{
    return fStream->readLine();
}

QString TStreamReader::ReadToEnd()
{
    return fStream->readAll();
}

// ---------------------------------------------------------------------------
// TFileTools

QString TFileTools::AppCachePathLow()
{
    return appFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString TFileTools::AppTempPathLow()
{
    // The temporary folder in its canonical form (links resolved).
    const QString temp = QDir::tempPath();
    const QString canonical = QFileInfo(temp).canonicalFilePath();
    return appFolder(canonical.isEmpty() ? temp : canonical);
}

QString TFileTools::AppUserDataPathLow()
{
    return appFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QString TFileTools::AppPublicPath()
{
    return AppUserDataPathLow();
}

QString TFileTools::AppExePath()
{
    return QFileInfo(exePath()).absolutePath();
}

QString TFileTools::AppExeName()
{
    return QFileInfo(exePath()).fileName();
}

QString TFileTools::GetSystemPath()
{
    static std::once_flag once;
    static QString cached;
    std::call_once(once, [] {
        const QString p = QStringLiteral("/usr");
        if (!QFileInfo(p).isDir())
            throw Exception(QStringLiteral("TFileTools.GetSystemPath: internal error"));
        cached = p;
    });
    return cached;
}

QString TFileTools::GetDownloadsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

QString TFileTools::GetDesktopPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString TFileTools::MakeDirRec(const QString& fpath)
{
    if (fpath.isEmpty() || !QDir().mkpath(fpath))
        throw Exception(QStringLiteral("TFileTools.MakeDirRec failure on path \"%1\"").arg(fpath));
    return fpath;
}

QStringList TFileTools::GetFiles(const QString& Path, const QStringList& MaskArray)
{
    QStringList result;
    try {
        if (Path.isEmpty() || MaskArray.isEmpty())
            return result;
        QDir dir(Path);
        if (!dir.exists())
            return result;
        dir.setNameFilters(MaskArray);
        dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
        dir.setSorting(QDir::Unsorted);
        const QFileInfoList entries = dir.entryInfoList();
        for (const QFileInfo& fi : entries)
            result << fi.absoluteFilePath();
    } catch (...) {
        result.clear();
    }
    return result;
}

qint64 TFileTools::FileSize(const QString& Filename)
{
    QFile f(Filename);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(Filename, f.errorString()));
    return f.size();
}

void TFileTools::DeleteFileRequired(const QString& fpath)
{
    const QFileInfo fi(fpath);
    if (!fi.isSymLink())
        makeOwnerWritable(fpath);
    if (!QFile::remove(fpath))
        throw Exception(QStringLiteral("TFileTools.DeleteFile: can't delete file '%1'").arg(fpath));
}

bool TFileTools::IsGuardedPath(const QString& fpath)
{
    if (!fpath.startsWith(QLatin1Char('/')))
        return false;
    // ".." is refused before normalising: "/data/kiosk/../.." must never
    // turn into a short, dangerous path that still looks long enough.
    const QStringList parts = fpath.split(QLatin1Char('/'));
    if (parts.contains(QStringLiteral("..")))
        return false;
    return QDir::cleanPath(fpath).size() >= 10;
}

void TFileTools::DeleteDirFilesRec(const QString& fpath)
{
    const QString path = checkedGuardedPath(fpath, QStringLiteral("TFileTools.DeleteDirFilesRec: forbidden directory path: '"));
    if (!isRealDir(path))
        return;
    QDir dir(path);
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& fi : entries) {
        // A link is removed as a link: its target is never entered.
        if (fi.isDir() && !fi.isSymLink())
            DeleteDirRec(fi.filePath());
        else
            DeleteFileRequired(fi.filePath());
    }
}

void TFileTools::DeleteDirRec(const QString& fpath)
{
    DeleteDirFilesRec(fpath);
    const QString path = QDir::cleanPath(fpath);
    if (!isRealDir(path)) {
        // A link to a folder goes as a link; its target is left alone.
        if (QFileInfo(path).isSymLink() && QFile::remove(path))
            return;
        throw Exception(QStringLiteral("TFileTools.DeleteDirRec: can't delete directory '%1'").arg(fpath));
    }
    makeOwnerWritable(path);
    if (!QDir().rmdir(path))
        throw Exception(QStringLiteral("TFileTools.DeleteDirRec: can't delete directory '%1'").arg(fpath));
}

void TFileTools::CopyDirFilesRec(const QString& fpathSrc, const QString& fpathDst, bool bOverwrite)
{
    if (!QFileInfo(fpathSrc).isDir())
        throw Exception(QStringLiteral("TFileTools.CopyDirFilesRec: not found directory path src: '%1'").arg(fpathSrc));
    if (!QFileInfo(fpathDst).isDir())
        throw Exception(QStringLiteral("TFileTools.CopyDirFilesRec: not found directory path dst: '%1'").arg(fpathDst));
    const QString src = checkedGuardedPath(fpathSrc, QStringLiteral("TFileTools.CopyDirFilesRec: forbidden directory path src: '"));
    const QString dst = checkedGuardedPath(fpathDst, QStringLiteral("TFileTools.CopyDirFilesRec: forbidden directory path dst: '"));
    // Copying a folder into itself would never end.
    if (dst == src || dst.startsWith(src + QLatin1Char('/')))
        throw Exception(QStringLiteral("TFileTools.CopyDirFilesRec: destination inside source: '%1'").arg(fpathDst));
    const QFileInfoList entries
        = QDir(src).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& fi : entries) {
        if (fi.isDir() && !fi.isSymLink())
            CopyDirRec(fi.filePath(), dst, bOverwrite);
        else
            copyEntry(fi, dst, bOverwrite);
    }
}

void TFileTools::CopyDirRec(const QString& fpathSrc, const QString& fpathDstParent, bool bOverwrite)
{
    if (!QFileInfo(fpathSrc).isDir())
        throw Exception(QStringLiteral("TFileTools.CopyDirRec: not found directory path src: '%1'").arg(fpathSrc));
    if (!QFileInfo(fpathDstParent).isDir())
        throw Exception(QStringLiteral("TFileTools.CopyDirRec: not found directory path dst: '%1'").arg(fpathDstParent));
    const QString src = checkedGuardedPath(fpathSrc, QStringLiteral("TFileTools.CopyDirRec: forbidden directory path src: '"));
    const QString dst
        = checkedGuardedPath(fpathDstParent, QStringLiteral("TFileTools.CopyDirRec: forbidden directory path dst: '"));
    const QString target = MakeDirRec(QDir(dst).filePath(QFileInfo(src).fileName()));
    CopyDirFilesRec(src, target, bOverwrite);
}

std::unique_ptr<QFile> TFileTools::StreamOpenForRead(const QString& Filename)
{
    return withRetries(3, [&] {
        auto f = std::make_unique<QFile>(Filename);
        if (!f->open(QIODevice::ReadOnly))
            throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(Filename, f->errorString()));
        return f;
    });
}

std::unique_ptr<QSaveFile> TFileTools::StreamOpenForWrite(const QString& Filename)
{
    bool readOnlyCleared = false;
    for (int counter = 3;;) {
        auto f = std::make_unique<QSaveFile>(Filename);
        if (f->open(QIODevice::WriteOnly))
            return f;
        const QString error = f->errorString();
        if (counter == 3 && !readOnlyCleared) {
            const QFileInfo fi(Filename);
            if (fi.exists() && fi.isFile() && !fi.isWritable()
                && QFile::setPermissions(Filename, QFile::permissions(Filename) | QFileDevice::WriteOwner)) {
                readOnlyCleared = true;
                LogDebugFmt(QStringLiteral("File %s : attribute readonly removed"), { Filename });
                continue;
            }
        }
        if (--counter <= 0)
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(Filename, error));
        QThread::msleep(kRetryDelayMs);
    }
}

void TFileTools::StreamSaveToFile(const QBuffer& stmSrce, const QString& Filename)
{
    TAppTools::WriteByteArrayToFile(stmSrce.data(), Filename);
}

std::unique_ptr<TStreamWriter> TFileTools::StreamWriterCreate(const QString& Filename, bool Append,
    QStringConverter::Encoding Encoding, int BufferSize)
{
    return withRetries(2, [&]() -> std::unique_ptr<TStreamWriter> {
        if (Append && QFileInfo::exists(Filename)) {
            auto f = std::make_unique<QFile>(Filename);
            if (!f->open(QIODevice::WriteOnly | QIODevice::Append))
                throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(Filename, f->errorString()));
            return std::unique_ptr<TStreamWriter>(new TStreamWriter(std::move(f), false, Encoding, BufferSize));
        }
        auto f = std::make_unique<QSaveFile>(Filename);
        if (!f->open(QIODevice::WriteOnly))
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(Filename, f->errorString()));
        return std::unique_ptr<TStreamWriter>(new TStreamWriter(std::move(f), true, Encoding, BufferSize));
    });
}

std::unique_ptr<TStreamReader> TFileTools::StreamReaderCreate(const QString& Filename, QStringConverter::Encoding Encoding,
    bool DetectBOM, int BufferSize)
{
    Q_UNUSED(BufferSize);
    auto f = StreamOpenForRead(Filename);
    return std::unique_ptr<TStreamReader>(new TStreamReader(std::move(f), Encoding, DetectBOM));
}

// ---------------------------------------------------------------------------
// TAppTools

QString TAppTools::GetAppNameStr()
{
    return kProduct;
}

QString TAppTools::GetAppNameStrForUI()
{
    QString s = GetAppNameStr();
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

QString TAppTools::GetAppVersionStr(const QString& filepath)
{
    // The search pattern is assembled at run time so that only the record
    // itself holds the complete marker.
    const QByteArray marker = QByteArray("@(#)") + QByteArray("KIOSKVERSION ");
    QFile f(filepath);
    if (!f.open(QIODevice::ReadOnly))
        throw EOSError(QStringLiteral("Cannot read version information of \"%1\". %2").arg(filepath, f.errorString()));
    constexpr qint64 kChunk = 1 << 20;
    const qint64 overlap = marker.size() + 64;
    QByteArray window;
    for (;;) {
        const QByteArray chunk = f.read(kChunk);
        if (chunk.isEmpty())
            break;
        window += chunk;
        const qsizetype at = window.indexOf(marker);
        if (at >= 0 && window.size() - at >= overlap) {
            const QByteArray rest = window.mid(at + marker.size(), 64);
            const QByteArray text = rest.left(rest.indexOf('\0') >= 0 ? rest.indexOf('\0') : rest.size());
            const QList<QByteArray> parts = text.split('.');
            bool ok = parts.size() == 4;
            QList<int> nums;
            for (const QByteArray& p : parts) {
                bool pOk = false;
                nums << p.toInt(&pOk);
                ok = ok && pOk;
            }
            if (ok)
                return QStringLiteral("%1.%2.%3.%4").arg(nums[0]).arg(nums[1]).arg(nums[2]).arg(nums[3]);
            break;
        }
        if (at < 0 && window.size() > overlap)
            window = window.right(overlap);
    }
    if (f.error() == QFileDevice::NoError) {
        // A record cut by the end of the file is no version either.
    }
    throw EOSError(QStringLiteral("The specified file has no version information: \"%1\"").arg(filepath));
}

QString TAppTools::GetAppVersionStr()
{
    return QString::fromLatin1(KIOSK_APP_VERSION);
}

QString TAppTools::GetAppWebSvcVersionStr()
{
    const QStringList parts = GetAppVersionStr().split(QLatin1Char('.'));
    if (parts.size() != 4)
        throw EOSError(QStringLiteral("The running program has no valid version information"));
    // Major, minor and build: the release number is not sent.
    return GetAppWebSvcVersionStr(parts[0].toInt(), parts[1].toInt(), parts[3].toInt());
}

QString TAppTools::GetAppWebSvcVersionStr(int major, int minor, int build)
{
    QString s = QStringLiteral("d") + Format(QStringLiteral("%02d%02d%02d"), { major, minor, build });
    if (s.size() > 7) {
        LogErrorFmt(QStringLiteral("App version for websvc too long: %s"), { s });
        s.truncate(7);
    }
    return s + QStringLiteral("w64");
}

int TAppTools::VersionCompare(const QString& sver1, const QString& sver2)
{
    const QStringList v1 = sver1.split(QLatin1Char('.'));
    const QStringList v2 = sver2.split(QLatin1Char('.'));
    const qsizetype n = std::max(v1.size(), v2.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (i >= v1.size())
            return -1;
        if (i >= v2.size())
            return 1;
        const qint64 a = strToInt(v1[i]);
        const qint64 b = strToInt(v2[i]);
        if (a != b) {
            // The difference of two 32-bit values may not fit: keep its sign.
            const qint64 d = a - b;
            return int(std::clamp<qint64>(d, INT_MIN, INT_MAX));
        }
    }
    return 0;
}

QString TAppTools::CrypterMotDePasseAppelService(const QString& pwd)
{
    if (pwd.isEmpty())
        return QString();
    return QStringLiteral("Q7#") + pwd + QStringLiteral("!K4");
}

QString TAppTools::CleanFileName(const QString& chaine, bool bRemoveCh)
{
    const QChar replacement = bRemoveCh ? QLatin1Char('^') : QLatin1Char('X');
    QString s = chaine;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (keptAsIs(c))
            continue;
        if (c.unicode() < 32 || forbiddenChars().contains(c))
            s[i] = replacement;
    }
    s = delphiTrim(s);
    if (bRemoveCh)
        s.remove(QLatin1Char('^'));
    if (s.isEmpty())
        throw Exception(QStringLiteral("TAppTools.CleanFileName: called on an empty string"));
    return delphiTrim(s);
}

QString TAppTools::CleanFileNameAnsi(const QString& chaine)
{
    static const QString source = QString::fromUtf8("ÀÁÂÃÄÅàáâãäåÒÓÔÕÖØòóôõöøÈÉÊËèéêëÌÍÎÏìíîïÙÚÛÜùúûüÿÑñÇç@") + forbiddenChars();
    static const QString target
        = QStringLiteral("AAAAAAaaaaaaOOOOOOooooooEEEEeeeeIIIIiiiiUUUUuuuuyNnCc") + QString(1 + forbiddenChars().size(), QLatin1Char('X'));
    QString s = chaine;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (keptAsIs(c))
            continue;
        const qsizetype at = c.unicode() < 32 ? -1 : source.indexOf(c);
        s[i] = at >= 0 ? target.at(at) : QLatin1Char('X');
    }
    return delphiTrim(s);
}

QString TAppTools::GetMd5FromStr(const QString& str)
{
    return QString::fromLatin1(QCryptographicHash::hash(str.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

std::unique_ptr<QIODevice> TAppTools::LoadStreamFromRes(const QString& ResName)
{
    initFoundationResources();
    if (ResName.isEmpty() || ResName.contains(QLatin1Char('/')))
        throw EResNotFound(QStringLiteral("Resource %1 not found").arg(ResName));
    auto f = std::make_unique<QFile>(kResPrefix + ResName);
    if (!f->open(QIODevice::ReadOnly))
        throw EResNotFound(QStringLiteral("Resource %1 not found").arg(ResName));
    return f;
}

QByteArray TAppTools::StreamToByteArray(QIODevice* Stream)
{
    if (!Stream)
        return QByteArray();
    if (!Stream->seek(0))
        throw EStreamError(QStringLiteral("TAppTools.StreamToByteArray: stream cannot be read from its start"));
    return Stream->readAll();
}

QByteArray TAppTools::LoadByteArrayFromRes(const QString& ResName)
{
    const auto s = LoadStreamFromRes(ResName);
    return StreamToByteArray(s.get());
}

QByteArray TAppTools::LoadByteArrayFromFile(const QString& FileName)
{
    const auto f = TFileTools::StreamOpenForRead(FileName);
    QByteArray data = f->readAll();
    if (f->error() != QFileDevice::NoError)
        throw EStreamError(QStringLiteral("Cannot read file \"%1\". %2").arg(FileName, f->errorString()));
    return data;
}

void TAppTools::WriteByteArrayToFile(const QByteArray& data, const QString& fname)
{
    const auto f = TFileTools::StreamOpenForWrite(fname);
    if (f->write(data) != data.size())
        throw Exception(QStringLiteral("TAppTools.WriteByteArrayToFile failed"));
    // The target is replaced only now, when every byte reached the disk.
    if (!f->commit())
        throw Exception(QStringLiteral("TAppTools.WriteByteArrayToFile failed"));
}

QByteArray TAppTools::CryptXOR(const QByteArray& data, const QByteArray& key)
{
    if (key.isEmpty())
        throw Exception(QStringLiteral("TAppTools.CryptXOR: empty key"));
    QByteArray out(data.size(), Qt::Uninitialized);
    const qsizetype klen = key.size();
    const char* k = key.constData();
    const char* d = data.constData();
    char* o = out.data();
    for (qsizetype i = 0, j = 0; i < data.size(); ++i) {
        o[i] = char(d[i] ^ k[j]);
        if (++j == klen)
            j = 0;
    }
    return out;
}

QByteArray TAppTools::CryptKey()
{
    static const QByteArray key = LoadByteArrayFromRes(QStringLiteral("jombdqelp"));
    return key;
}

void TAppTools::CryptFile(const QString& fname)
{
    WriteByteArrayToFile(CryptXOR(LoadByteArrayFromFile(fname), CryptKey()), fname);
}

QByteArray TAppTools::LoadByteArrayFromCryptedFile(const QString& FileName)
{
    return CryptXOR(LoadByteArrayFromFile(FileName), CryptKey());
}

QString TAppTools::ComputerName()
{
    char buf[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0 || buf[0] == '\0')
        throw Exception(QStringLiteral("TShopInfo.ComputerName: failed"));
    QString name = QString::fromLocal8Bit(buf);
    // The short name, as the machine is known on the local network.
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    LogDebugFmt(QStringLiteral("TAppTools.ComputerName=%s(%d)"), { name, int(name.size()) });
    return name;
}

quint64 TAppTools::GetAppMemoryUsage()
{
    try {
        QFile f(QStringLiteral("/proc/self/statm"));
        if (!f.open(QIODevice::ReadOnly))
            throw EOSError(QStringLiteral("Cannot read the process memory counters. %1").arg(f.errorString()));
        const QList<QByteArray> fields = f.readAll().simplified().split(' ');
        bool ok = false;
        const quint64 pages = fields.size() >= 2 ? fields[1].toULongLong(&ok) : 0;
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (!ok || pageSize <= 0)
            throw EOSError(QStringLiteral("Cannot read the process memory counters"));
        return pages * quint64(pageSize);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TAppTools.GetAppMemoryUsage"), e);
        return 0;
    }
}

QString TAppTools::AppMemoryUsageStr()
{
    return Format(QStringLiteral("%.3fMB"), { double(GetAppMemoryUsage()) / 1048576.0 }, QLocale::system());
}

bool TAppTools::IsOutOfMem(const std::exception& ex)
{
    return dynamic_cast<const std::bad_alloc*>(&ex) != nullptr || dynamic_cast<const EImgTooBig*>(&ex) != nullptr;
}

QString TAppTools::getDeviceLanguageRaw()
{
    try {
        const QLocale loc = QLocale::system();
        // The C locale is the system's way of saying "no language chosen":
        // English, as for a locale that cannot be read.
        if (loc.language() == QLocale::C || loc.language() == QLocale::AnyLanguage)
            return QStringLiteral("en");
        QString id = QLocale::languageToCode(loc.language()).toLower();
        if (id == QLatin1String("zh")) {
            id += QLatin1Char('-') + QLocale::territoryToCode(loc.territory()).toUpper();
            if (id != QLatin1String("zh-TW") && id != QLatin1String("zh-CN")) {
                LogDebugFmt(QStringLiteral("TPlatformWin.GetCurrentLangID: zh lang not supported=[%s] -> zh-TW"), { id });
                id = QStringLiteral("zh-TW");
            }
        }
        return id;
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TAppTools.getDeviceLanguageRaw"), e);
        return QStringLiteral("en");
    }
}

QString TAppTools::getDeviceLanguage()
{
    try {
        QString id = getDeviceLanguageRaw();
        if (id.isEmpty())
            id = QStringLiteral("en");
        return QLocale::system().toLower(id);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TAppTools.getDeviceLanguage"), e);
        return QStringLiteral("en");
    }
}

QString TAppTools::getDeviceModelName()
{
    try {
        QString model = QStringLiteral("PC");
        // The input devices are known only to a GUI application.
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return model;
        // Touch capability as a digitizer value: 0x80 a touch screen is
        // ready, 0x40 it takes several touch points, 0x01 it is built in.
        int digitizer = 0;
        const QList<const QInputDevice*> devices = QInputDevice::devices();
        for (const QInputDevice* dev : devices) {
            if (dev->type() != QInputDevice::DeviceType::TouchScreen)
                continue;
            digitizer |= 0x80 | 0x01;
            if (const auto* pd = qobject_cast<const QPointingDevice*>(dev); pd && pd->maximumPoints() > 1)
                digitizer |= 0x40;
        }
        if ((digitizer & 0xC0) == 0xC0)
            model += QStringLiteral(" [multi touch screen]");
        else if (digitizer & 0x80)
            model += Format(QStringLiteral(" [single touch screen (%.2x)]"), { digitizer });
        else
            model += Format(QStringLiteral(" [no touch screen (%.2x)]"), { digitizer });
        return model;
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TAppTools.getDeviceModelName"), e);
        return QStringLiteral("??");
    }
}

QString TAppTools::getDeviceDebugInfo()
{
    return getDeviceModelName() + QStringLiteral(" (") + getDeviceLanguage() + QLatin1Char(')');
}

namespace {

QString guiDescription(const QObject* o)
{
    QString d = QString::fromLatin1(o->metaObject()->className());
    if (!o->objectName().isEmpty())
        d += QStringLiteral(" name=\"") + o->objectName() + QLatin1Char('"');
    const QVariant visible = o->property("visible");
    if (visible.isValid() && visible.typeId() == QMetaType::Bool)
        d += visible.toBool() ? QStringLiteral(" visible=\"true\"") : QStringLiteral(" visible=\"false\"");
    return d;
}

void guiTreeWalk(const QObject* o, int depth)
{
    const QString indent(depth * 2, QLatin1Char(' '));
    const QObjectList& children = o->children();
    if (children.isEmpty()) {
        LogDebug(QStringLiteral("$$") + indent + QLatin1Char('<') + guiDescription(o) + QStringLiteral(" />"));
        return;
    }
    LogDebug(QStringLiteral("$$") + indent + QLatin1Char('<') + guiDescription(o) + QStringLiteral(" >"));
    for (const QObject* child : children)
        guiTreeWalk(child, depth + 1);
    LogDebug(QStringLiteral("$$") + indent + QStringLiteral("</") + QString::fromLatin1(o->metaObject()->className())
        + QLatin1Char('>'));
}

} // namespace

void TAppTools::guiTreeDump(const QObject* root)
{
    LogDebug(QString(77, QLatin1Char('-')));
    LogDebug(QStringLiteral("---------------- TAppTools.guiTreeDump: START -------------------------------"));
    if (root)
        guiTreeWalk(root, 0);
    LogDebug(QStringLiteral("---------------- TAppTools.guiTreeDump: END   -------------------------------"));
}

// ---------------------------------------------------------------------------
// TImageTools

namespace {

// The integer forms store each product rounded to the nearest integer, ties
// to even (the default rounding mode).
int roundEven(double v)
{
    return int(std::nearbyint(v));
}

// The rule shared by the sizing forms: derive one side from the other by the
// reference's ratio (the height from the width when `heightFromWidth` holds
// for a landscape reference, the other way round for a portrait one), then
// pull back each side that crossed its starting value: a side that grew when
// `shrinkOnly`, a side that shrank otherwise.
template <typename T, typename Conv>
void aspectRatioSize(T& imgWidth, T& imgHeight, T refWidth, T refHeight, bool heightFromWidth, bool shrinkOnly,
    Conv conv)
{
    const double r = double(refHeight) / double(refWidth);
    const double R = double(refWidth) / double(refHeight);
    const T W0 = imgWidth, H0 = imgHeight;
    T W = W0, H = H0;
    if ((refWidth > refHeight) == heightFromWidth)
        H = conv(double(W0) * r);
    else
        W = conv(double(H0) * R);
    const auto crossed = [shrinkOnly](T v, T start) { return shrinkOnly ? v > start : v < start; };
    if (crossed(W, W0)) {
        W = W0;
        H = conv(double(W) * r);
    }
    if (crossed(H, H0)) {
        H = H0;
        W = conv(double(H) * R);
    }
    imgWidth = W;
    imgHeight = H;
}

float toFloat(double v)
{
    return float(v);
}

} // namespace

void TImageTools::AspectRatioSizeCoerceF(float& imgWidth, float& imgHeight, float refWidth, float refHeight)
{
    aspectRatioSize(imgWidth, imgHeight, refWidth, refHeight, true, true, toFloat);
}

void TImageTools::AspectRatioSizeCoerce(int& imgWidth, int& imgHeight, int refWidth, int refHeight)
{
    aspectRatioSize(imgWidth, imgHeight, refWidth, refHeight, true, true, roundEven);
}

void TImageTools::AspectRatioSizeCoerceMinF(float& imgWidth, float& imgHeight, float refWidth, float refHeight)
{
    aspectRatioSize(imgWidth, imgHeight, refWidth, refHeight, false, false, toFloat);
}

void TImageTools::AspectRatioSizeCoerceMin(int& imgWidth, int& imgHeight, int refWidth, int refHeight)
{
    aspectRatioSize(imgWidth, imgHeight, refWidth, refHeight, false, false, roundEven);
}

void TImageTools::AspectRatioSizeMaxF(float& imgWidth, float& imgHeight, float refWidth, float refHeight)
{
    aspectRatioSize(imgWidth, imgHeight, refWidth, refHeight, true, false, toFloat);
}

QImage TImageTools::LoadBitmapFromRes(const QString& ResName)
{
    QImage img;
    AssignBitmapFromRes(img, ResName);
    return img;
}

void TImageTools::AssignBitmapFromRes(QImage& bitmap, const QString& ResName)
{
    const QByteArray bytes = TAppTools::LoadByteArrayFromRes(ResName);
    QImage img;
    if (!img.loadFromData(bytes))
        throw Exception(QStringLiteral("TImageTools.AssignBitmapFromRes: resource %1 is not a readable picture").arg(ResName));
    bitmap = std::move(img);
}

float FloatModPositive(float a, float b)
{
    const double qd = std::trunc(double(a) / double(b));
    float m;
    if (std::isfinite(qd) && std::fabs(qd) < 9.0e18) {
        const auto q = static_cast<qint64>(qd);
        m = float(double(a) - double(b) * double(q));
    } else {
        // The quotient does not fit an integer (or b is 0): the remainder
        // computed directly is exact.
        m = float(std::fmod(double(a), double(b)));
    }
    if (m < 0)
        m = float(double(m) + double(b));
    // A tiny negative remainder plus b rounds to b itself in single
    // precision; the result must stay below b.
    if (m >= b && b > 0)
        m = 0;
    return m;
}

void InstallStartUpFiles(bool overwrite)
{
    Q_UNUSED(overwrite);
}
