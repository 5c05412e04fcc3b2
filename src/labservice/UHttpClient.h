#pragma once
// The HTTP client underneath TNetHttp and TNetTransfer, over libcurl.
//
// One THttpClient is one connection context: it keeps its cookies and its
// open connections between requests and is used by one thread at a time.
// Requests are synchronous. The reply body is streamed into the caller's
// device block by block; a receive-data callback runs after each block and
// may throw to end the transfer (the exception reaches the caller as is).
//
// Rules that differ from a bare client:
// - server certificates are verified (peer and host name);
// - a connection attempt gives up after ConnectTimeoutMs, and a request gives
//   up when nothing at all moved for IdleTimeoutSec, so a dead server cannot
//   hold a worker thread for good;
// - redirects are followed, at most 5;
// - HTTP/1.1 is used, so replies carry their status text;
// - proxies come from the environment (http_proxy, https_proxy, no_proxy).
//
// Failures below HTTP (name resolution, connection, TLS, time-out, a cut
// reply) raise ENetHttpClient.
#include "UAppExceptions.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// A request failed below HTTP: no connection, TLS refused, time-out, reply
// cut short. Counted among the network failures.
class ENetHttpClient : public Exception {
public:
    ENetHttpClient(const QString& message, int curlCode, bool timedOut)
        : Exception(message), fCurlCode(curlCode), fTimedOut(timedOut) { }
    KIOSK_EXCEPTION_CLASSNAME(ENetHttpClient)

    int CurlCode() const { return fCurlCode; }
    // True when the request ended because a time limit ran out.
    bool TimedOut() const { return fTimedOut; }

private:
    int fCurlCode;
    bool fTimedOut;
};

using THttpHeaderList = QList<QPair<QString, QString>>;

// A finished reply: status, headers and the body, which lives either in the
// caller's device (from BodyStart on) or in the reply itself.
class THttpResponse {
public:
    int StatusCode() const { return fStatusCode; }
    const QString& StatusText() const { return fStatusText; }
    const THttpHeaderList& Headers() const { return fHeaders; }
    // First header of that name (ASCII case ignored); empty when none.
    QString HeaderValue(const QString& name) const;
    // The body's bytes: from the caller's device when one took the body
    // (empty when that device is gone), else the kept bytes.
    QByteArray ContentBytes() const;
    // The body as text, decoded by the charset of the Content-Type (UTF-8
    // when it names none or one this system does not know).
    QString ContentAsString() const;
    // Number of body bytes received.
    qint64 ContentLength() const { return fReceived; }

    // Decodes bytes by the charset parameter of a Content-Type value.
    static QString DecodeText(const QByteArray& bytes, const QString& contentType);

private:
    friend class THttpClient;
    int fStatusCode = 0;
    QString fStatusText;
    THttpHeaderList fHeaders;
    QPointer<QIODevice> fStream;
    qint64 fBodyStart = 0;
    QByteArray fBody;
    qint64 fReceived = 0;
};
using THttpResponsePtr = std::shared_ptr<THttpResponse>;

// A multipart/form-data body: file parts streamed from disk, text fields.
class THttpMultipart {
public:
    void AddFile(const QString& fieldName, const QString& filePath, const QString& contentType = QString());
    void AddField(const QString& fieldName, const QString& value);

private:
    friend class THttpClient;
    struct Part {
        QString name;
        QString filePath; // empty for a text field
        QString contentType;
        QByteArray value;
    };
    QList<Part> fParts;
};

class THttpClient {
public:
    // Called for every block of a reply body whose status is below 300:
    // once before the first block (readCount 0) and after each block, with
    // the announced length (-1 when none) and the body bytes read so far.
    using ReceiveDataEvent = std::function<void(qint64 contentLength, qint64 readCount)>;

    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    const QString& UserAgent() const { return fUserAgent; }
    void SetUserAgent(const QString& agent) { fUserAgent = agent; }

    int ConnectTimeoutMs() const { return fConnectTimeoutMs; }
    void SetConnectTimeoutMs(int ms) { fConnectTimeoutMs = ms; }
    int IdleTimeoutSec() const { return fIdleTimeoutSec; }
    void SetIdleTimeoutSec(int sec) { fIdleTimeoutSec = sec; }

    void SetReceiveDataEvent(ReceiveDataEvent event) { fOnReceiveData = std::move(event); }

    // Largest accepted reply body (0: no limit). A longer one, announced or
    // received, ends the transfer with "THttpClient: the reply is larger
    // than N bytes".
    qint64 MaxBodySize() const { return fMaxBodySize; }
    void SetMaxBodySize(qint64 bytes) { fMaxBodySize = bytes; }

    // GET. The body of a reply below 300 is written into sink from its
    // position; with a null sink (or for a refused reply) the reply keeps it.
    THttpResponsePtr Get(const QString& url, const THttpHeaderList& headers, QIODevice* sink);
    // POST of body from its position to its end.
    THttpResponsePtr Post(const QString& url, const THttpHeaderList& headers, QIODevice* body, QIODevice* sink);
    // POST of a multipart/form-data body.
    THttpResponsePtr Post(const QString& url, const THttpHeaderList& headers, const THttpMultipart& form, QIODevice* sink);

    // Largest refused-reply body kept for the error text; the rest is read
    // and dropped.
    static constexpr qint64 kMaxKeptErrorBody = 1 << 20;

private:
    struct Transfer;
    THttpResponsePtr Perform(Transfer& t);

    void* fCurl = nullptr;
    QString fUserAgent;
    int fConnectTimeoutMs = 30000;
    int fIdleTimeoutSec = 300;
    ReceiveDataEvent fOnReceiveData;
    qint64 fMaxBodySize = 0;
};
