#include "UNetTransfer.h"

#include "UDebug.h"
#include "UFormat.h"
#include "UNetHttp.h"
#include "USoapHttpTrans.h"
#include "UThreadCancel.h"
#include "UTools.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QThread>

#include <cmath>
#include <limits>

namespace {

const char* const kRefusedLogFmt =
    "TNetTransfer.HTTPCheck(code=%d): result=-----------------------------------------\n%s\n------------------------------------------------------------------------";

// Runs an attempt up to three times: the second at once, the third after
// 300 ms. A failure that repeating cannot mend (ENetTransfer, ECancel) and
// the third failure reach the caller unchanged.
template <class Attempt>
auto WithRetry(Attempt attempt, const std::function<QString(int)>& retryMessage) -> decltype(attempt())
{
    int counter = 0;
    for (;;) {
        try {
            return attempt();
        } catch (const std::exception& e) {
            if (!TNetTransfer::canRetry(e))
                throw;
            ++counter;
            if (counter > 2)
                throw;
            LogWarn(retryMessage(counter), &e);
            if (counter > 1)
                QThread::msleep(300);
        }
    }
}

bool IsUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

QString PercentEncode(const QString& val, bool keepEscapes)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = val.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() * 3);
    for (int i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (IsUnreserved(c)) {
            out += c;
        } else if (keepEscapes && c == '%' && i + 2 < utf8.size() && IsHex(utf8[i + 1]) && IsHex(utf8[i + 2])) {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return QString::fromLatin1(out);
}

// Drops leading and trailing blanks and control characters (up to U+0020).
QString TrimControl(const QString& s)
{
    int b = 0, e = s.size();
    while (b < e && s.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

} // namespace

// ---------------------------------------------------------------- TRateMeasure

TRateMeasure::TRateMeasure(int cMeasures, int cMeasuresMin)
{
    MeasureReset(cMeasures, cMeasuresMin);
}

void TRateMeasure::MeasureReset(int cMeasures, int cMeasuresMin)
{
    fcMeasures = qMax(1, cMeasures);
    fcMeasuresMin = cMeasuresMin;
    MeasureReset();
}

void TRateMeasure::MeasureReset()
{
    fArrMeasure.assign(size_t(fcMeasures), TMeasure {});
    fRateMeasure = 0;
    fRateMeasureByteSum = 0;
    fRateMeasureTiSum = 0;
}

void TRateMeasure::MeasureAdd(qint64 cByte, qint64 ti)
{
    if (ti < 0 || cByte < 0)
        throw ENetTransfer(QStringLiteral("TRateMeasure.MeasureAdd: invalid arguments"));
    TMeasure& slot = fArrMeasure[size_t(fRateMeasure % fcMeasures)];
    // The count of samples keeps growing past the window; only its remainder
    // picks the slot, so stop it short of overflowing.
    fRateMeasure = fRateMeasure < std::numeric_limits<int>::max() - fcMeasures ? fRateMeasure + 1
                                                                               : fcMeasures + (fRateMeasure + 1) % fcMeasures;
    if (slot.fTi >= 0) {
        fRateMeasureByteSum -= slot.fByte;
        fRateMeasureTiSum -= slot.fTi;
    }
    slot.fByte = cByte;
    slot.fTi = ti;
    fRateMeasureByteSum += cByte;
    fRateMeasureTiSum += ti;
}

double TRateMeasure::BytePerMillisec() const
{
    if (fRateMeasureTiSum == 0 || fRateMeasure < fcMeasuresMin)
        return 0;
    return double(fRateMeasureByteSum) / double(fRateMeasureTiSum);
}

double TRateMeasure::BytePerSec() const
{
    return BytePerMillisec() * 1000;
}

// ---------------------------------------------------------------- TNetTransfer

TNetTransfer::TNetTransfer(const QString& proto, const QString& srvUrl, const QString& login, const QString& pwd)
    : fproto(NetProtoFromString(proto))
    , fsrvUrl(srvUrl)
    , flogin(login)
    , fpwd(pwd)
    , fhttp(std::make_unique<THttpClient>())
{
    fhttp->SetReceiveDataEvent([this](qint64 contentLength, qint64 readCount) { HttpReceiveData(contentLength, readCount); });
}

TNetTransfer::~TNetTransfer()
{
    fhttp->SetReceiveDataEvent(nullptr);
}

void TNetTransfer::SetTimeouts(int connectTimeoutMs, int idleTimeoutSec)
{
    fhttp->SetConnectTimeoutMs(connectTimeoutMs);
    fhttp->SetIdleTimeoutSec(idleTimeoutSec);
}

void TNetTransfer::DnUpProgressMeasureStart()
{
    fBytesTransfered = 0;
    fBytesToTransfer = 0;
    fTotalBytesTransfered = 0;
    fswPerf.invalidate();
    fRealRate = std::make_unique<TRateMeasure>(2000, 20);
    fTransfRate = std::make_unique<TRateMeasure>(120, 12);
    fswPerf.start();
}

double TNetTransfer::DnUpByteRealPerMillisec() const
{
    return fRealRate ? fRealRate->BytePerMillisec() : 0;
}

double TNetTransfer::DnUpByteRealPerSec() const
{
    return fRealRate ? fRealRate->BytePerSec() : 0;
}

double TNetTransfer::DnUpByteTransfertPerMillisec() const
{
    return fTransfRate ? fTransfRate->BytePerMillisec() : 0;
}

double TNetTransfer::DnUpByteTransfertPerSec() const
{
    return fTransfRate ? fTransfRate->BytePerSec() : 0;
}

QString TNetTransfer::ServerInfoStr() const
{
    if (fsrvUrl.isEmpty())
        throw EArgumentException(QStringLiteral("TNetTransfer.ServerInfoStr: empty server address"));
    for (const QChar ch : fsrvUrl)
        if (ch.unicode() < 0x20)
            throw EArgumentException(QStringLiteral("TNetTransfer.ServerInfoStr: invalid characters in the server address"));
    const int cut = qMax(fsrvUrl.lastIndexOf(QLatin1Char('/')), fsrvUrl.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? QString() : fsrvUrl.left(cut);
}

// ---------------------------------------------------------------- class functions

TNetProto TNetTransfer::NetProtoFromString(const QString& proto)
{
    const QString up = proto.toUpper();
    if (up.isEmpty() || up == QLatin1String("FTP"))
        throw Exception(QStringLiteral("FTP protocol not supported"));
    if (up == QLatin1String("HTTP"))
        return TNetProto::HTTP;
    if (up == QLatin1String("HTTPS"))
        return TNetProto::HTTPS;
    throw ENetTransfer(Format(QStringLiteral("Net transfer protocol(%s) not supported"), { up }));
}

QString TNetTransfer::ftpToHttpWebAction(TFtpAction method)
{
    switch (method) {
    case TFtpAction::DownloadFile: return QStringLiteral("GET");
    case TFtpAction::UploadFile: return QStringLiteral("PUT");
    case TFtpAction::ListDirectory: return QStringLiteral("LIST");
    case TFtpAction::ListDirectoryDetails: return QStringLiteral("LISTD");
    case TFtpAction::LISTDR: return QStringLiteral("LISTDR");
    case TFtpAction::Rename: return QStringLiteral("RENAME");
    case TFtpAction::MakeDirectory: return QStringLiteral("MKDIR");
    case TFtpAction::RemoveDirectory: return QStringLiteral("RMDIR");
    case TFtpAction::FtpDeleteFile: return QStringLiteral("DEL");
    case TFtpAction::GetFileSize: return QStringLiteral("SIZE");
    }
    throw ENetTransfer(QStringLiteral("NetFileTransfer: Unsupported operation"));
}

QString TNetTransfer::GetMd5Hash(const QString& input1, const QString& input2)
{
    const QString text = input2 + QStringLiteral("vobzn\u00e9") + input1;
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString TNetTransfer::URIparamsEncode(const QString& val)
{
    return PercentEncode(val, true);
}

QStringList TNetTransfer::SplitToLF(const QString& str)
{
    QStringList out;
    for (QString piece : str.split(QLatin1Char('\n'))) {
        while (piece.endsWith(QLatin1Char('\r')))
            piece.chop(1);
        if (!piece.isEmpty())
            out.append(piece);
    }
    return out;
}

bool TNetTransfer::canRetry(const std::exception& ex)
{
    // A cancelled task must stop now, not after two more attempts.
    return !dynamic_cast<const ENetTransfer*>(&ex) && !dynamic_cast<const ECancel*>(&ex);
}

bool TNetTransfer::isNetError(const std::exception& ex)
{
    return dynamic_cast<const ENetHttpClient*>(&ex) || dynamic_cast<const ENetHttp*>(&ex)
        || dynamic_cast<const ENetTransferHttp*>(&ex) || dynamic_cast<const ESOAPHTTPException*>(&ex);
}

void TNetTransfer::rateUnitInfo(TStepRateUnit rateUnit, int& cScale, double& kVal)
{
    switch (rateUnit) {
    case rateBytePerSec:
    case rateByte:
        cScale = 3;
        kVal = 1024;
        return;
    case rateImagePerSec:
    case rateImage:
        cScale = 2;
        kVal = 1000;
        return;
    default:
        throw Exception(QStringLiteral("rateUnitInfo : unsupported unit"));
    }
}

QString TNetTransfer::rateUnitToStr(TStepRateUnit rateUnit, int iScale)
{
    QString prefix;
    switch (iScale) {
    case 1: break;
    case 2: prefix = QStringLiteral("K"); break;
    case 3: prefix = QStringLiteral("M"); break;
    default: throw Exception(QStringLiteral("rateUnit : unsupported scale"));
    }
    switch (rateUnit) {
    case rateBytePerSec: return prefix + QStringLiteral("B/s");
    case rateByte: return prefix + QStringLiteral("B");
    case rateImagePerSec: return (prefix + QStringLiteral(" Image/s")).trimmed();
    case rateImage: return (prefix + QStringLiteral(" Image")).trimmed();
    default: throw Exception(QStringLiteral("rateUnit : unsupported unit"));
    }
}

QString TNetTransfer::rateToStr(double stepRate, TStepRateUnit rateUnit)
{
    int cScale = 0;
    double kVal = 0;
    rateUnitInfo(rateUnit, cScale, kVal);
    // A rate computed from an empty measure may be infinite or NaN.
    double value = std::isfinite(stepRate) ? stepRate : 0.0;
    int iScale = 1;
    while (iScale < cScale && value >= kVal) {
        value /= kVal;
        ++iScale;
    }
    return Format(QStringLiteral("%.1f %s"), { value, rateUnitToStr(rateUnit, iScale) }, QLocale());
}

QString TNetTransfer::estimatedTimeToStr(double ti)
{
    if (!std::isfinite(ti))
        return QString();
    const double secs = std::trunc(ti * 86400.0);
    const qint32 s = secs <= 0 ? 0 : secs >= double(std::numeric_limits<qint32>::max()) ? std::numeric_limits<qint32>::max() : qint32(secs);
    return QString::number(s / 3600) + QLatin1Char(':') + Format(QStringLiteral("%02d"), { (s / 60) % 60 })
        + QLatin1Char(':') + Format(QStringLiteral("%02d"), { s % 60 });
}

// ---------------------------------------------------------------- requests

QString TNetTransfer::makeServerUrl() const
{
    QString url = fsrvUrl;
    url.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (url.isEmpty())
        throw ENetTransfer(QStringLiteral("TNetTransfer.makeServerUrl: null server name"));
    if (!url.contains(QLatin1Char('/')))
        url += QStringLiteral("/FileTransfer.aspx");
    return (fproto == TNetProto::HTTPS ? QStringLiteral("https://") : QStringLiteral("http://")) + url;
}

QString TNetTransfer::makeServerFilePath(const QString& path, TFtpAction action) const
{
    QString serverPath = path;
    if (!serverPath.isEmpty()) {
        serverPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
        int i = 0;
        while (i < serverPath.size() && serverPath.at(i) == QLatin1Char('/'))
            ++i;
        serverPath.remove(0, i);
    }
    // A server path is a file name, never an escaped text: every "%" in it is
    // a real percent sign and is encoded like any other character.
    QString query = QStringLiteral("file=") + PercentEncode(serverPath, false) + QStringLiteral("&action=")
        + ftpToHttpWebAction(action);
    if (!flogin.isEmpty())
        query += QStringLiteral("&logincred=") + GetMd5Hash(flogin, fpwd);
    const QString page = makeServerUrl();
    return page + (page.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + query;
}

void TNetTransfer::ProgressNotify()
{
    ThreadCancel::Check();
    if (fProgressEvent)
        fProgressEvent(*this);
}

void TNetTransfer::RateMeasureAdd(qint64 cByte)
{
    if (!fTransfRate)
        return;
    const qint64 ti = fswPerf.isValid() ? fswPerf.elapsed() : 0;
    fRealRate->MeasureAdd(cByte, ti);
    fTransfRate->MeasureAdd(cByte, ti);
    fswPerf.restart();
}

void TNetTransfer::HttpReceiveData(qint64 contentLength, qint64 readCount)
{
    if (contentLength >= 0)
        fBytesToTransfer = contentLength;
    if (fBytesTransfered < readCount)
        RateMeasureAdd(readCount - fBytesTransfered);
    fBytesTransfered = readCount;
    ProgressNotify();
}

void TNetTransfer::DnUpRequestBegin()
{
    fBytesToTransfer = 0;
    fBytesTransfered = 0;
    ProgressNotify();
}

void TNetTransfer::DnUpRequestEnd()
{
    fTotalBytesTransfered += fBytesTransfered;
    fBytesToTransfer = 0;
    fBytesTransfered = 0;
    ProgressNotify();
}

THttpResponsePtr TNetTransfer::HTTPCheck(const THttpResponsePtr& response)
{
    if (!response)
        throw ENetTransferHttp(QStringLiteral("Unexpected result on http request"));
    if (response->StatusCode() == 200)
        return response;
    LogInfoFmt(QString::fromLatin1(kRefusedLogFmt), { response->StatusCode(), response->ContentAsString() });
    throw ENetTransferHttp(Format(QStringLiteral("HTTP request has failed:\nError status: %d - %s"),
        { response->StatusCode(), response->StatusText() }));
}

QString TNetTransfer::RequestGetString(const QString& path, TFtpAction action)
{
    DnUpRequestBegin();
    const THttpResponsePtr r = HTTPCheck(fhttp->Get(makeServerFilePath(path, action), {}, nullptr));
    const QString text = r->ContentAsString();
    DnUpRequestEnd();
    return text;
}

void TNetTransfer::RequestGetStream(const QString& path, TFtpAction action, QIODevice* stream)
{
    DnUpRequestBegin();
    HTTPCheck(fhttp->Get(makeServerFilePath(path, action), {}, stream));
    DnUpRequestEnd();
}

QString TNetTransfer::RequestPostFile(const QString& path, TFtpAction action, const QString& filepath)
{
    THttpMultipart form;
    static const QMimeDatabase mimeDb;
    form.AddFile(QStringLiteral("uploadedfile"), filepath, mimeDb.mimeTypeForFile(filepath, QMimeDatabase::MatchExtension).name());
    DnUpRequestBegin();
    const THttpResponsePtr r = HTTPCheck(fhttp->Post(makeServerFilePath(path, action), {}, form, nullptr));
    const QString text = r->ContentAsString();
    DnUpRequestEnd();
    return text;
}

QString TNetTransfer::RequestPostField(const QString& path, TFtpAction action, const QString& name, const QString& value)
{
    THttpMultipart form;
    form.AddField(name, value);
    DnUpRequestBegin();
    const THttpResponsePtr r = HTTPCheck(fhttp->Post(makeServerFilePath(path, action), {}, form, nullptr));
    const QString text = r->ContentAsString();
    DnUpRequestEnd();
    return text;
}

// ---------------------------------------------------------------- operations

void TNetTransfer::CheckConnec()
{
    DirectoryExists(QStringLiteral("test"));
}

bool TNetTransfer::DirectoryExists(const QString& path)
{
    return DirectoryList(path, false).has_value();
}

void TNetTransfer::DirectoryCreate(const QString& path)
{
    RequestGetString(path, TFtpAction::MakeDirectory);
}

std::optional<QStringList> TNetTransfer::DirectoryListOnce(const QString& serverFile, bool bRequired)
{
    QStringList lines = SplitToLF(RequestGetString(serverFile, TFtpAction::ListDirectory));
    if (lines.isEmpty())
        throw EArgumentOutOfRangeException();
    const QString first = lines.first();
    bool ok = false;
    const int n = first.toInt(&ok);
    if (!ok || (n >= 0 && lines.size() != n + 1) || (n < 0 && lines.size() != 1))
        throw Exception(QStringLiteral("TNetTransfer.DirectoryList(") + serverFile
            + QStringLiteral("): invalid size returned: ") + first);
    if (n < 0) {
        if (bRequired)
            throw ENetTransfer(QStringLiteral("Directory ") + serverFile + QStringLiteral(" not found on server"));
        return std::nullopt;
    }
    lines.removeFirst();
    return lines;
}

std::optional<QStringList> TNetTransfer::DirectoryList(const QString& serverFile, bool bRequired)
{
    return WithRetry([&] { return DirectoryListOnce(serverFile, bRequired); }, [&](int counter) {
        return Format(QStringLiteral("TNetTransfer.DirectoryList(%s)/retry(%d)"), { serverFile, counter });
    });
}

void TNetTransfer::DirectoryOrFileRename(const QString& oldpath, const QString& newpath)
{
    WithRetry([&] { RequestPostField(oldpath, TFtpAction::Rename, QStringLiteral("RenameTo"), newpath); },
        [&](int counter) {
            return Format(QStringLiteral("TNetTransfer.DirectoryOrFileRename(%s,%s)/retry(%d)"), { oldpath, newpath, counter });
        });
}

qint64 TNetTransfer::FileSizeOnce(const QString& ftppath, bool bRequired)
{
    const QString text = TrimControl(RequestGetString(ftppath, TFtpAction::GetFileSize));
    bool ok = false;
    const qint64 size = text.toLongLong(&ok);
    if (!ok)
        throw Exception(QStringLiteral("TNetTransfer.FileSize(") + ftppath + QStringLiteral("): invalid size returned: ") + text);
    if (size < 0 && bRequired)
        throw ENetTransfer(QStringLiteral("File ") + ftppath + QStringLiteral(" not found on server"));
    return size;
}

qint64 TNetTransfer::FileSize(const QString& ftppath, bool bRequired)
{
    return WithRetry([&] { return FileSizeOnce(ftppath, bRequired); }, [&](int counter) {
        return Format(QStringLiteral("TNetTransfer.FileSize(%s)/retry(%d)"), { ftppath, counter });
    });
}

void TNetTransfer::UploadFile(const QString& filepath, const QString& ftppath, bool bCheckIfExistsBeforeUpload)
{
    if (bCheckIfExistsBeforeUpload) {
        const qint64 s = FileSize(ftppath, false);
        const qint64 local = TFileTools::FileSize(filepath);
        if (s < 0) {
            LogDebugFmt(QStringLiteral("TNetTransfer.UploadFile: file path=%s -> ftp path=%s: to upload, new"), { filepath, ftppath });
        } else if (s == local) {
            LogDebugFmt(QStringLiteral("TNetTransfer.UploadFile: file path=%s -> ftp path=%s: already uploaded(%d)"),
                { filepath, ftppath, s });
            return;
        } else {
            LogDebugFmt(QStringLiteral("TNetTransfer.UploadFile: file path=%s -> ftp path=%s: to upload, truncated(%d <> %d)"),
                { filepath, ftppath, s, local });
        }
    } else {
        LogDebugFmt(QStringLiteral("TNetTransfer.UploadFile: ftp path=%s, file path=%s"), { ftppath, filepath });
    }
    WithRetry([&] { RequestPostFile(ftppath, TFtpAction::UploadFile, filepath); }, [&](int counter) {
        return Format(QStringLiteral("TNetTransfer.UploadFile(%s)/retry(%d)"), { ftppath, counter });
    });
}

void TNetTransfer::DownloadFile(const QString& filepath, const QString& ftppath)
{
    WithRetry(
        [&] {
            // The body goes to a temporary file beside the target; an
            // incomplete or wrong-sized download never replaces the file.
            QSaveFile file(filepath);
            if (!file.open(QIODevice::WriteOnly))
                throw Exception(QStringLiteral("TNetTransfer.DownloadFile: cannot write ") + filepath
                    + QStringLiteral(": ") + file.errorString());
            RequestGetStream(ftppath, TFtpAction::DownloadFile, &file);
            const qint64 local = file.size();
            const qint64 server = FileSize(ftppath, true);
            if (local != server)
                throw Exception(Format(QStringLiteral("TNetTransfer.DownloadFile: Local and server files have different sizes (file: %s, local: %d, server: %d)"),
                    { ftppath, local, server }));
            if (!file.commit())
                throw Exception(QStringLiteral("TNetTransfer.DownloadFile: cannot write ") + filepath
                    + QStringLiteral(": ") + file.errorString());
        },
        [&](int counter) { return Format(QStringLiteral("TNetTransfer.DownloadFile(%s)/retry(%d)"), { ftppath, counter }); });
}

QByteArray TNetTransfer::DownloadBytes(const QString& ftppath)
{
    return WithRetry(
        [&] {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            RequestGetStream(ftppath, TFtpAction::DownloadFile, &buffer);
            buffer.close();
            const qint64 local = bytes.size();
            const qint64 server = FileSize(ftppath, true);
            if (local != server)
                throw Exception(Format(QStringLiteral("TNetTransfer.DownloadBytes: Local and server files have different sizes (file: %s, local: %d, server: %d)"),
                    { ftppath, local, server }));
            return bytes;
        },
        [&](int counter) { return Format(QStringLiteral("TNetTransfer.DownloadBytes(%s)/retry(%d)"), { ftppath, counter }); });
}
