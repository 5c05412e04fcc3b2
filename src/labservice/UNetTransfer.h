#pragma once
// File transfers with the lab's HTTP file-transfer page "/FileTransfer.aspx".
//
// Every operation is one or two requests to the page: the query names a
// server path ("file"), an action word ("action") and, when a login is set,
// the login credential ("logincred"); the page answers with status 200 and a
// text or the file's bytes. Most operations make up to three attempts
// (the third after 300 ms) and log a WARN line before each repeat.
//
// Failures: ENetTransfer for what repeating cannot mend (unsupported protocol
// or action, a required path missing on the server); ENetTransferHttp when
// the page gave no reply or a status other than 200; the HTTP client's
// ENetHttpClient for failures below HTTP; ECancel when the task running the
// transfer is cancelled (never repeated).
//
// An object is used by one thread at a time: the thread of the task that
// runs the transfer. Progress events run on that thread, inside the request.
#include "UAppExceptions.h"
#include "UHttpClient.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A transfer failure that repeating the request cannot mend.
class ENetTransfer : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(ENetTransfer)
};

// The file-transfer page gave no reply or a status other than 200.
class ENetTransferHttp : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(ENetTransferHttp)
};

enum class TNetProto { HTTP, HTTPS, FTP };

enum class TFtpAction {
    DownloadFile,         // "GET"
    UploadFile,           // "PUT"
    ListDirectory,        // "LIST"
    ListDirectoryDetails, // "LISTD"
    LISTDR,               // "LISTDR"
    Rename,               // "RENAME"
    MakeDirectory,        // "MKDIR"
    RemoveDirectory,      // "RMDIR"
    FtpDeleteFile,        // "DEL"
    GetFileSize,          // "SIZE"
};

enum TStepRateUnit { rateNone, rateBytePerSec, rateImagePerSec, rateByte, rateImage };

// One sample of a transfer: bytes, and milliseconds since the previous one
// (-1 marks an empty slot).
struct TMeasure {
    qint64 fByte = 0;
    qint64 fTi = -1;
};

// Sliding window over the last N samples of a transfer.
class TRateMeasure {
public:
    TRateMeasure(int cMeasures, int cMeasuresMin);

    void MeasureReset(int cMeasures, int cMeasuresMin);
    void MeasureReset();
    // Raises ENetTransfer "TRateMeasure.MeasureAdd: invalid arguments" for a
    // negative count or time.
    void MeasureAdd(qint64 cByte, qint64 ti);
    // 0 until cMeasuresMin samples were added or while the window's time is 0.
    double BytePerMillisec() const;
    double BytePerSec() const;

private:
    int fcMeasures = 1;
    int fcMeasuresMin = 0;
    std::vector<TMeasure> fArrMeasure;
    int fRateMeasure = 0;
    qint64 fRateMeasureByteSum = 0;
    qint64 fRateMeasureTiSum = 0;
};

class TNetTransfer {
public:
    using TNetTransferProgressEvent = std::function<void(TNetTransfer& sender)>;

    // proto: "HTTP" or "HTTPS" (any case); srvUrl: a host name, or a host
    // with the page's path; an empty login sends no credential.
    TNetTransfer(const QString& proto, const QString& srvUrl, const QString& login, const QString& pwd);
    virtual ~TNetTransfer();
    TNetTransfer(const TNetTransfer&) = delete;
    TNetTransfer& operator=(const TNetTransfer&) = delete;

    // Starts a new measurement: zero counters, empty rate windows.
    void DnUpProgressMeasureStart();

    // Lists the folder "test"; fails only when the page cannot be reached or
    // answers nonsense.
    void CheckConnec();
    bool DirectoryExists(const QString& path);
    // One MKDIR request, not repeated.
    void DirectoryCreate(const QString& path);
    // The folder's entries, each a server path; nullopt when the folder does
    // not exist and bRequired is false (ENetTransfer when it is true).
    std::optional<QStringList> DirectoryList(const QString& serverFile, bool bRequired);
    // newpath is sent exactly as given.
    void DirectoryOrFileRename(const QString& oldpath, const QString& newpath);
    // The file's size; negative when it does not exist and bRequired is false
    // (ENetTransfer when it is true).
    qint64 FileSize(const QString& ftppath, bool bRequired);
    // With bCheckIfExistsBeforeUpload, a server file of the local file's size
    // is taken as already uploaded and not sent again.
    void UploadFile(const QString& filepath, const QString& ftppath, bool bCheckIfExistsBeforeUpload);
    // Downloads into a temporary file beside filepath, which replaces
    // filepath only when the whole file arrived with the server's size.
    void DownloadFile(const QString& filepath, const QString& ftppath);
    QByteArray DownloadBytes(const QString& ftppath);

    double DnUpByteRealPerMillisec() const;
    double DnUpByteRealPerSec() const;
    double DnUpByteTransfertPerMillisec() const;
    double DnUpByteTransfertPerSec() const;

    const TNetTransferProgressEvent& ProgressEvent() const { return fProgressEvent; }
    void SetProgressEvent(TNetTransferProgressEvent event) { fProgressEvent = std::move(event); }
    qint64 BytesTransfered() const { return fBytesTransfered; }
    qint64 BytesToTransfer() const { return fBytesToTransfer; }
    qint64 TotalBytesTransfered() const { return fTotalBytesTransfered; }
    // The server address without its last path component; raises
    // EArgumentException for an empty address or one with control characters.
    QString ServerInfoStr() const;

    // Time limits of a connection attempt and of a request during which
    // nothing moves (defaults: 30 s and 300 s).
    void SetTimeouts(int connectTimeoutMs, int idleTimeoutSec);

    static TNetProto NetProtoFromString(const QString& proto);
    static QString ftpToHttpWebAction(TFtpAction method);
    // Login credential: MD5 of password + salt + login, 32 lower-case hex digits.
    static QString GetMd5Hash(const QString& input1, const QString& input2);
    // Percent-encoding of a query value in UTF-8; keeps unreserved characters
    // and escapes already made ("%41").
    static QString URIparamsEncode(const QString& val);
    static QStringList SplitToLF(const QString& str);
    // False for the failures that are never repeated: ENetTransfer, ECancel.
    static bool canRetry(const std::exception& ex);
    // True for the failures of the network: no connection, a refused reply.
    static bool isNetError(const std::exception& ex);
    static QString rateToStr(double stepRate, TStepRateUnit rateUnit);
    static void rateUnitInfo(TStepRateUnit rateUnit, int& cScale, double& kVal);
    static QString rateUnitToStr(TStepRateUnit rateUnit, int iScale);
    // ti in days, as "h:mm:ss"; an unknown time (not finite, as when it was
    // divided by a rate of 0) gives an empty text.
    static QString estimatedTimeToStr(double ti);

protected:
    virtual void RateMeasureAdd(qint64 cByte);
    virtual void ProgressNotify();

private:
    QString makeServerUrl() const;
    QString makeServerFilePath(const QString& path, TFtpAction action) const;
    void DnUpRequestBegin();
    void DnUpRequestEnd();
    void HttpReceiveData(qint64 contentLength, qint64 readCount);
    THttpResponsePtr HTTPCheck(const THttpResponsePtr& response);
    QString RequestGetString(const QString& path, TFtpAction action);
    void RequestGetStream(const QString& path, TFtpAction action, QIODevice* stream);
    QString RequestPostFile(const QString& path, TFtpAction action, const QString& filepath);
    QString RequestPostField(const QString& path, TFtpAction action, const QString& name, const QString& value);
    std::optional<QStringList> DirectoryListOnce(const QString& serverFile, bool bRequired);
    qint64 FileSizeOnce(const QString& ftppath, bool bRequired);

    TNetProto fproto;
    QString fsrvUrl;
    QString flogin;
    QString fpwd;
    std::unique_ptr<THttpClient> fhttp;
    QElapsedTimer fswPerf;
    qint64 fBytesTransfered = 0;
    qint64 fBytesToTransfer = 0;
    qint64 fTotalBytesTransfered = 0;
    std::unique_ptr<TRateMeasure> fRealRate;
    std::unique_ptr<TRateMeasure> fTransfRate;
    TNetTransferProgressEvent fProgressEvent;
};
