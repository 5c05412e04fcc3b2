#include "UNetHttp.h"

#include "UDebug.h"
#include "UFormat.h"
#include "UThreadCancel.h"

#include <QBuffer>
#include <QUrl>

namespace {

// Written for every refused reply: status code, then the whole body.
const char* const kRefusedLogFmt =
    "TNetHttp.HTTPCheck(code=%d): result=-----------------------------------------\n%s\n------------------------------------------------------------------------";

struct PositionRestore {
    QIODevice* dev;
    qint64 pos;
    explicit PositionRestore(QIODevice* d) : dev(d), pos(d && !d->isSequential() ? d->pos() : -1) { }
    ~PositionRestore()
    {
        if (pos >= 0)
            dev->seek(pos);
    }
};

} // namespace

TNetHttp::TNetHttp()
    : fhttp(std::make_unique<THttpClient>())
{
    fhttp->SetReceiveDataEvent([this](qint64 contentLength, qint64 readCount) { ReceiveData(contentLength, readCount); });
}

TNetHttp::~TNetHttp()
{
    RequestClear();
    fhttp->SetReceiveDataEvent(nullptr);
}

void TNetHttp::ReceiveData(qint64, qint64)
{
    // Raises ECancel when the task on this thread is being cancelled; the
    // exception ends the transfer and reaches the caller.
    ThreadCancel::Check();
}

THttpResponsePtr TNetHttp::HTTPCheck(const THttpResponsePtr& response)
{
    if (!response)
        throw ENetHttp(QStringLiteral("Unexpected result on http request"), QString());
    if (response->StatusCode() == 200)
        return response;
    const QString body = response->ContentAsString();
    LogDebugFmt(QString::fromLatin1(kRefusedLogFmt), { response->StatusCode(), body });
    throw ENetHttp(Format(QStringLiteral("HTTP request has failed:\nError status: %d - %s"),
                       { response->StatusCode(), response->StatusText() }),
        body);
}

void TNetHttp::HttpGet(const QString& url, QIODevice* stream)
{
    PositionRestore restore(stream);
    fLastResponse = HTTPCheck(fhttp->Get(url, fCustomHeaders, stream));
}

void TNetHttp::HttpPost(const QString& url, QIODevice* request, QIODevice* response)
{
    QBuffer empty;
    if (!request) {
        empty.open(QIODevice::ReadOnly);
        request = &empty;
    }
    request->seek(0);
    PositionRestore restore(response);
    fLastResponse = HTTPCheck(fhttp->Post(url, fCustomHeaders, request, response));
}

void TNetHttp::HttpPost(const QString& url, const QStringList& fields, QIODevice* response)
{
    QByteArray form;
    for (const QString& line : fields) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 1)
            continue;
        if (!form.isEmpty())
            form += '&';
        form += line.left(eq).toUtf8() + '=' + QUrl::toPercentEncoding(line.mid(eq + 1));
    }
    QBuffer body(&form);
    body.open(QIODevice::ReadOnly);
    THttpHeaderList headers;
    headers.append({ QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded; charset=UTF-8") });
    headers += fCustomHeaders;
    PositionRestore restore(response);
    fLastResponse = HTTPCheck(fhttp->Post(url, headers, &body, response));
}

void TNetHttp::RequestClear()
{
    fCustomHeaders.clear();
    fLastResponse.reset();
}

void TNetHttp::RequestCustomHeadersAdd(const QString& header)
{
    const int colon = header.indexOf(QLatin1Char(':'));
    if (colon < 1)
        throw Exception(QStringLiteral("TNetHttp.RequestCustomHeadersAdd: invalid header"));
    QString value = header.mid(colon + 1);
    int i = 0;
    while (i < value.size() && value.at(i).unicode() <= 0x20)
        ++i;
    SetCustomHeaderValue(header.left(colon), value.mid(i));
}

void TNetHttp::SetCustomHeaderValue(const QString& name, const QString& value)
{
    for (auto& h : fCustomHeaders) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) {
            h.second = value;
            return;
        }
    }
    fCustomHeaders.append({ name, value });
}

QString TNetHttp::GetCustomHeaderValue(const QString& name) const
{
    for (const auto& h : fCustomHeaders)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return QString();
}

void TNetHttp::SetRequestAccept(const QString& value)
{
    SetCustomHeaderValue(QStringLiteral("Accept"), value);
    fRequestAccept = value;
}

void TNetHttp::SetRequestContentType(const QString& value)
{
    SetCustomHeaderValue(QStringLiteral("Content-Type"), value);
    fRequestContentType = value;
}

void TNetHttp::SetRequestUserAgent(const QString& value)
{
    fhttp->SetUserAgent(value);
    fRequestUserAgent = value;
}

QString TNetHttp::ResponseAsString() const
{
    if (!fLastResponse)
        throw Exception(QStringLiteral("TNetHttp.ResponseAsString: no previous valid response"));
    return fLastResponse->ContentAsString();
}

QString TNetHttp::ResponseContentType() const
{
    if (!fLastResponse)
        throw Exception(QStringLiteral("TNetHttp.ResponseContentType: no previous valid response"));
    return fLastResponse->HeaderValue(QStringLiteral("Content-Type"));
}

void TNetHttp::SetTimeouts(int connectTimeoutMs, int idleTimeoutSec)
{
    fhttp->SetConnectTimeoutMs(connectTimeoutMs);
    fhttp->SetIdleTimeoutSec(idleTimeoutSec);
}

void TNetHttp::SetMaxReplySize(qint64 bytes)
{
    fhttp->SetMaxBodySize(bytes);
}
