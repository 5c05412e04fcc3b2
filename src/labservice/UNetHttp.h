#pragma once
// The system's small HTTP client: GET and POST with an ordered list of
// request headers, accepting nothing but a reply with status 200.
//
// Every lab SOAP request goes through it, and the social-network client uses
// it for its requests and picture downloads. While a reply body arrives, each
// block polls the cancellation of the current background task, so a
// cancelled task stops a download between two blocks (ECancel).
//
// A refused reply (any status other than 200, other 2xx included) raises
// ENetHttp with the status in its message and the body in HttpMsgText(); it
// is logged at DEBUG level and does not replace the last good response.
// Failures below HTTP raise ENetHttpClient (UHttpClient.h) unchanged.
#include "UAppExceptions.h"
#include "UHttpClient.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>

// A refused HTTP reply. The message holds the status code and text; the body
// of the reply, as text, is HttpMsgText() (empty when there was no reply).
class ENetHttp : public Exception {
public:
    ENetHttp(const QString& msg, const QString& httpMsgText)
        : Exception(msg), fHttpMsgText(httpMsgText) { }
    KIOSK_EXCEPTION_CLASSNAME(ENetHttp)

    const QString& HttpMsgText() const { return fHttpMsgText; }

private:
    QString fHttpMsgText;
};

class TNetHttp {
public:
    TNetHttp();
    ~TNetHttp();
    TNetHttp(const TNetHttp&) = delete;
    TNetHttp& operator=(const TNetHttp&) = delete;

    // GET with the custom headers. With a stream, the body is written into
    // it from its position at the call, and the position is put back there
    // afterwards; with nullptr the body is read with ResponseAsString().
    void HttpGet(const QString& url, QIODevice* stream);
    // POST of the whole of request (rewound first); the reply as for HttpGet.
    void HttpPost(const QString& url, QIODevice* request, QIODevice* response);
    // POST of an HTML form: each "name=value" line whose "=" is not first
    // becomes name=<URL-encoded value>, joined with "&", in UTF-8; the form's
    // content type goes before the custom headers.
    void HttpPost(const QString& url, const QStringList& fields, QIODevice* response);

    // Empties the custom headers and drops the last response. The property
    // values and the user agent stay.
    void RequestClear();
    // Adds or replaces one header given as "Name: value"; raises
    // "TNetHttp.RequestCustomHeadersAdd: invalid header" without a colon or
    // with the colon first.
    void RequestCustomHeadersAdd(const QString& header);
    // Replaces the value of the header of that name (ASCII case ignored),
    // keeping its place and spelling, or appends it.
    void SetCustomHeaderValue(const QString& name, const QString& value);
    // Value of the first header of that name; empty when none.
    QString GetCustomHeaderValue(const QString& name) const;
    const THttpHeaderList& CustomHeaders() const { return fCustomHeaders; }

    const QString& RequestAccept() const { return fRequestAccept; }
    void SetRequestAccept(const QString& value);
    const QString& RequestContentType() const { return fRequestContentType; }
    void SetRequestContentType(const QString& value);
    const QString& RequestUserAgent() const { return fRequestUserAgent; }
    void SetRequestUserAgent(const QString& value);

    // The whole body of the last accepted reply, decoded by its charset
    // (UTF-8 by default). Raises "TNetHttp.ResponseAsString: no previous
    // valid response" when there is none.
    QString ResponseAsString() const;
    // Content-Type of the last accepted reply; raises "TNetHttp.ResponseContentType:
    // no previous valid response" when there is none.
    QString ResponseContentType() const;

    // Time limits of the connection attempt and of a request during which
    // nothing moves (defaults: 30 s and 300 s).
    void SetTimeouts(int connectTimeoutMs, int idleTimeoutSec);
    // Largest accepted reply body (0: no limit, the default).
    void SetMaxReplySize(qint64 bytes);

private:
    THttpResponsePtr HTTPCheck(const THttpResponsePtr& response);
    void ReceiveData(qint64 contentLength, qint64 readCount);

    std::unique_ptr<THttpClient> fhttp;
    QString fRequestAccept;
    QString fRequestContentType;
    QString fRequestUserAgent;
    THttpHeaderList fCustomHeaders;
    THttpResponsePtr fLastResponse;
};
