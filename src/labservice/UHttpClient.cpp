#include "UHttpClient.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

#include <curl/curl.h>

#include <exception>
#include <mutex>

namespace {

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The URL as error texts show it: without its query, which may hold a login
// credential.
QString UrlForMessage(const QString& url)
{
    const QUrl u(url);
    if (!u.isValid())
        return url.section(QLatin1Char('?'), 0, 0);
    return u.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
}

struct SList {
    curl_slist* list = nullptr;
    void Add(const QByteArray& line) { list = curl_slist_append(list, line.constData()); }
    ~SList() { curl_slist_free_all(list); }
};

struct Mime {
    curl_mime* mime = nullptr;
    ~Mime() { curl_mime_free(mime); }
};

} // namespace

// ---------------------------------------------------------------- response

QString THttpResponse::HeaderValue(const QString& name) const
{
    for (const auto& h : fHeaders)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return QString();
}

QByteArray THttpResponse::ContentBytes() const
{
    if (!fStream)
        return fBody;
    QIODevice* dev = fStream.data();
    if (!dev->isReadable() || dev->isSequential())
        return QByteArray();
    const qint64 pos = dev->pos();
    QByteArray out;
    if (dev->seek(fBodyStart))
        out = dev->readAll();
    dev->seek(pos);
    return out;
}

QString THttpResponse::DecodeText(const QByteArray& bytes, const QString& contentType)
{
    QString charset;
    const auto params = contentType.split(QLatin1Char(';'));
    for (int i = 1; i < params.size(); ++i) {
        const QString p = params[i].trimmed();
        if (p.startsWith(QLatin1String("charset="), Qt::CaseInsensitive)) {
            charset = p.mid(8).trimmed();
            if (charset.size() >= 2 && charset.startsWith(QLatin1Char('"')) && charset.endsWith(QLatin1Char('"')))
                charset = charset.mid(1, charset.size() - 2);
        }
    }
    if (!charset.isEmpty() && charset.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) != 0) {
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return QString::fromUtf8(bytes);
}

QString THttpResponse::ContentAsString() const
{
    return DecodeText(ContentBytes(), HeaderValue(QStringLiteral("Content-Type")));
}

// ---------------------------------------------------------------- multipart

void THttpMultipart::AddFile(const QString& fieldName, const QString& filePath, const QString& contentType)
{
    fParts.append(Part { fieldName, filePath, contentType, QByteArray() });
}

void THttpMultipart::AddField(const QString& fieldName, const QString& value)
{
    fParts.append(Part { fieldName, QString(), QString(), value.toUtf8() });
}

// ---------------------------------------------------------------- client

struct THttpClient::Transfer {
    THttpClient* client = nullptr;
    QByteArray method;
    QString url;
    THttpHeaderList headers;
    QIODevice* body = nullptr; // POST from a device
    qint64 bodyStart = 0;
    const THttpMultipart* form = nullptr;
    QIODevice* sink = nullptr;

    THttpResponsePtr response = std::make_shared<THttpResponse>();
    std::exception_ptr error;
    bool bodyStarted = false;
    bool toSink = false;
    bool notify = false;
    qint64 contentLength = -1;
    CURL* curl = nullptr;

    static size_t OnHeader(char* data, size_t size, size_t count, void* user);
    static size_t OnWrite(char* data, size_t size, size_t count, void* user);
    static size_t OnRead(char* data, size_t size, size_t count, void* user);
    static int OnSeek(void* user, curl_off_t offset, int origin);
};

size_t THttpClient::Transfer::OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t len = size * count;
    QByteArray line(data, qsizetype(len));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.startsWith("HTTP/")) {
        // A new reply begins (after a redirect or an interim 1xx reply).
        t->response->fHeaders.clear();
        t->response->fBody.clear();
        t->response->fReceived = 0;
        t->bodyStarted = false;
        const int sp1 = line.indexOf(' ');
        const int sp2 = sp1 < 0 ? -1 : line.indexOf(' ', sp1 + 1);
        t->response->fStatusText = sp2 < 0 ? QString() : QString::fromLatin1(line.mid(sp2 + 1)).trimmed();
    } else if (!line.isEmpty()) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            t->response->fHeaders.append({ QString::fromLatin1(line.left(colon)).trimmed(),
                QString::fromLatin1(line.mid(colon + 1)).trimmed() });
    }
    return len;
}

size_t THttpClient::Transfer::OnWrite(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t len = size * count;
    try {
        THttpResponse& r = *t->response;
        if (!t->bodyStarted) {
            t->bodyStarted = true;
            long code = 0;
            curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &code);
            curl_off_t cl = -1;
            curl_easy_getinfo(t->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &cl);
            t->contentLength = cl;
            t->notify = code < 300;
            t->toSink = t->notify && t->sink;
            if (t->toSink) {
                r.fStream = t->sink;
                r.fBodyStart = t->sink->pos();
            }
            if (t->notify && t->client->fOnReceiveData)
                t->client->fOnReceiveData(t->contentLength, 0);
        }
        const qint64 limit = t->client->fMaxBodySize;
        if (t->notify && limit > 0 && (t->contentLength > limit || r.fReceived + qint64(len) > limit))
            throw EStreamError(QStringLiteral("THttpClient: the reply is larger than %1 bytes").arg(limit));
        if (t->toSink) {
            if (t->sink->write(data, qint64(len)) != qint64(len))
                throw EStreamError(QStringLiteral("THttpClient: cannot write the reply body: ") + t->sink->errorString());
        } else if (t->notify || r.fBody.size() + qint64(len) <= kMaxKeptErrorBody) {
            r.fBody.append(data, qsizetype(len));
        }
        r.fReceived += qint64(len);
        if (t->notify && t->client->fOnReceiveData)
            t->client->fOnReceiveData(t->contentLength, r.fReceived);
        return len;
    } catch (...) {
        t->error = std::current_exception();
        return 0; // ends the transfer with a write error
    }
}

size_t THttpClient::Transfer::OnRead(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    try {
        const qint64 n = t->body->read(data, qint64(size * count));
        if (n < 0)
            throw Exception(QStringLiteral("THttpClient: cannot read the request body: ") + t->body->errorString());
        return size_t(n);
    } catch (...) {
        t->error = std::current_exception();
        return CURL_READFUNC_ABORT;
    }
}

int THttpClient::Transfer::OnSeek(void* user, curl_off_t offset, int origin)
{
    auto* t = static_cast<Transfer*>(user);
    if (origin != SEEK_SET)
        return CURL_SEEKFUNC_CANTSEEK;
    return t->body->seek(t->bodyStart + offset) ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

THttpClient::THttpClient()
{
    GlobalInit();
    CURL* c = curl_easy_init();
    if (!c)
        throw Exception(QStringLiteral("THttpClient: cannot create the HTTP client"));
    fCurl = c;
    // Options that hold for every request of this client. The handle is
    // never reset, so its cookie store (in memory) and its open connections
    // live as long as the client.
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::OnWrite);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &Transfer::OnRead);
    curl_easy_setopt(c, CURLOPT_SEEKFUNCTION, &Transfer::OnSeek);
}

THttpClient::~THttpClient()
{
    curl_easy_cleanup(static_cast<CURL*>(fCurl));
}

THttpResponsePtr THttpClient::Get(const QString& url, const THttpHeaderList& headers, QIODevice* sink)
{
    Transfer t;
    t.method = "GET";
    t.url = url;
    t.headers = headers;
    t.sink = sink;
    return Perform(t);
}

THttpResponsePtr THttpClient::Post(const QString& url, const THttpHeaderList& headers, QIODevice* body, QIODevice* sink)
{
    Transfer t;
    t.method = "POST";
    t.url = url;
    t.headers = headers;
    t.body = body;
    t.bodyStart = body ? body->pos() : 0;
    t.sink = sink;
    return Perform(t);
}

THttpResponsePtr THttpClient::Post(const QString& url, const THttpHeaderList& headers, const THttpMultipart& form, QIODevice* sink)
{
    Transfer t;
    t.method = "POST";
    t.url = url;
    t.headers = headers;
    t.form = &form;
    t.sink = sink;
    return Perform(t);
}

THttpResponsePtr THttpClient::Perform(Transfer& t)
{
    // A file to upload that cannot be read is a local failure, told as such
    // before anything is sent.
    if (t.form) {
        for (const auto& p : t.form->fParts) {
            if (p.filePath.isEmpty())
                continue;
            QFile probe(p.filePath);
            if (!probe.open(QIODevice::ReadOnly))
                throw EFOpenError(QStringLiteral("THttpClient: cannot read %1: %2").arg(p.filePath, probe.errorString()));
        }
    }

    CURL* c = static_cast<CURL*>(fCurl);
    t.client = this;
    t.curl = c;

    char errbuf[CURL_ERROR_SIZE];
    errbuf[0] = 0;
    const QByteArray url = t.url.toUtf8();
    const QByteArray agent = fUserAgent.toUtf8();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(fConnectTimeoutMs));
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, long(fIdleTimeoutSec));
    curl_easy_setopt(c, CURLOPT_USERAGENT, fUserAgent.isEmpty() ? nullptr : agent.constData());
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_READDATA, &t);
    curl_easy_setopt(c, CURLOPT_SEEKDATA, &t);

    // Headers in the caller's order. "Name;" is libcurl's way to send a
    // header with an empty value; "Name:" would remove it. Headers the
    // caller did not give are not sent at all.
    SList headers;
    bool hasAccept = false, hasContentType = false;
    for (const auto& h : t.headers) {
        if (h.first.compare(QLatin1String("Accept"), Qt::CaseInsensitive) == 0)
            hasAccept = true;
        if (h.first.compare(QLatin1String("Content-Type"), Qt::CaseInsensitive) == 0)
            hasContentType = true;
        const QByteArray name = h.first.toUtf8();
        headers.Add(h.second.isEmpty() ? name + ';' : name + ": " + h.second.toUtf8());
    }
    if (!hasAccept)
        headers.Add("Accept:");
    if (t.method == "POST") {
        if (!hasContentType && !t.form)
            headers.Add("Content-Type:");
        headers.Add("Expect:");
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.list);

    Mime mime;
    QBuffer emptyBody;
    if (t.form) {
        mime.mime = curl_mime_init(c);
        for (const auto& p : t.form->fParts) {
            curl_mimepart* part = curl_mime_addpart(mime.mime);
            curl_mime_name(part, p.name.toUtf8().constData());
            if (p.filePath.isEmpty()) {
                curl_mime_data(part, p.value.constData(), size_t(p.value.size()));
            } else {
                curl_mime_filedata(part, QFile::encodeName(p.filePath).constData());
                curl_mime_filename(part, QFileInfo(p.filePath).fileName().toUtf8().constData());
                if (!p.contentType.isEmpty())
                    curl_mime_type(part, p.contentType.toUtf8().constData());
            }
        }
        curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.mime);
    } else if (t.method == "POST") {
        if (!t.body) {
            emptyBody.open(QIODevice::ReadOnly);
            t.body = &emptyBody;
            t.bodyStart = 0;
        }
        // The body is read from the device through the read callback.
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, nullptr);
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(qMax<qint64>(0, t.body->size() - t.bodyStart)));
    } else {
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    }

    const CURLcode rc = curl_easy_perform(c);
    // Drop every pointer into this frame before leaving it.
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(c, CURLOPT_MIMEPOST, nullptr);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_SEEKDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_USERAGENT, nullptr);

    if (t.error)
        std::rethrow_exception(t.error);
    if (rc != CURLE_OK) {
        const QString detail = errbuf[0] ? QString::fromUtf8(errbuf) : QString::fromUtf8(curl_easy_strerror(rc));
        const QString where = QStringLiteral("THttpClient: %1 %2: ").arg(QString::fromLatin1(t.method), UrlForMessage(t.url));
        if (rc == CURLE_OPERATION_TIMEDOUT) {
            const bool idle = detail.startsWith(QLatin1String("Operation too slow"));
            throw ENetHttpClient(where
                    + (idle ? QStringLiteral("time-out, the server sent nothing for %1 s").arg(fIdleTimeoutSec)
                            : QStringLiteral("time-out, no connection within %1 ms").arg(fConnectTimeoutMs))
                    + QStringLiteral(" (") + detail + QLatin1Char(')'),
                int(rc), true);
        }
        throw ENetHttpClient(where + detail, int(rc), false);
    }

    long code = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
    if (code <= 0)
        return nullptr;
    t.response->fStatusCode = int(code);
    if (!t.bodyStarted && code < 300) {
        // An empty body: the receive event still runs once.
        if (t.sink) {
            t.response->fStream = t.sink;
            t.response->fBodyStart = t.sink->pos();
        }
        curl_off_t cl = -1;
        curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &cl);
        if (fOnReceiveData)
            fOnReceiveData(cl, 0);
    }
    return t.response;
}
