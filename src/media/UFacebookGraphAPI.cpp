#include "UFacebookGraphAPI.h"

#include "UConfig.h"
#include "UDebug.h"
#include "UNetHttp.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <mutex>

namespace {

std::mutex& endpointsLock()
{
    static std::mutex m;
    return m;
}

TFacebookEndpoints& endpointsDefault()
{
    static TFacebookEndpoints e;
    return e;
}

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

bool startsWithCi(const QString& s, const char* prefix)
{
    return s.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

// Graph ids and "next" links that name a web address of their own.
bool isAbsoluteUrl(const QString& id)
{
    return startsWithCi(id, "https://") || startsWithCi(id, "http://");
}

// Digits of a fixed place of a date text; -1 when any is not a digit.
int fixedNumber(const QString& s, int pos, int len)
{
    int v = 0;
    for (int i = pos; i < pos + len; ++i) {
        const QChar c = s.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        v = v * 10 + (c.unicode() - '0');
    }
    return v;
}

} // namespace

// ------------------------------------------------------- TFacebookEndpoints

TFacebookEndpoints TFacebookEndpoints::Default()
{
    std::lock_guard lk(endpointsLock());
    return endpointsDefault();
}

TFacebookEndpoints TFacebookEndpoints::FromConfig(const TConfig& cfg)
{
    auto base = [](const QString& v) { return v.endsWith(QLatin1Char('/')) ? v : v + QLatin1Char('/'); };
    TFacebookEndpoints e;
    if (!cfg.FacebookGraphUrl().trimmed().isEmpty())
        e.graphBase = base(cfg.FacebookGraphUrl().trimmed());
    if (!cfg.FacebookDialogUrl().trimmed().isEmpty())
        e.dialogBase = base(cfg.FacebookDialogUrl().trimmed());
    QString version = cfg.FacebookApiVersion().trimmed();
    while (version.startsWith(QLatin1Char('/')))
        version.remove(0, 1);
    while (version.endsWith(QLatin1Char('/')))
        version.chop(1);
    if (!version.isEmpty())
        e.apiVersion = version;
    return e;
}

void TFacebookEndpoints::SetDefault(const TFacebookEndpoints& endpoints)
{
    std::lock_guard lk(endpointsLock());
    endpointsDefault() = endpoints;
}

// ----------------------------------------------------------- TFacebookDico

QString TFacebookDico::URIparamsEncode(const QString& value)
{
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    const QByteArray bytes = value.toUtf8();
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUnreserved(c)) {
            out += QLatin1Char(char(c));
        } else {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 15]);
        }
    }
    return out;
}

QString TFacebookDico::Encode() const
{
    QString out;
    for (auto it = constBegin(); it != constEnd(); ++it) {
        if (!out.isEmpty())
            out += QLatin1Char('&');
        out += URIparamsEncode(it.key()) + QLatin1Char('=') + URIparamsEncode(it.value());
    }
    return out;
}

QStringList TFacebookDico::ToStringList() const
{
    QStringList out;
    for (auto it = constBegin(); it != constEnd(); ++it)
        out << it.key() + QLatin1Char('=') + it.value();
    return out;
}

// ---------------------------------------------------------- TFacebookGraph

TFacebookGraph::TFacebookGraph(const QString& accessToken, const TFacebookEndpoints& endpoints)
    : fAccessToken(accessToken)
    , fEndpoints(endpoints)
{
}

TFacebookGraph::TFacebookGraph(const QString& appId, const QString& appSecret, const TFacebookEndpoints& endpoints)
    : fEndpoints(endpoints)
{
    AppAccess(appId, appSecret);
}

TFacebookGraph::~TFacebookGraph() = default;

IFacebookGraphRef TFacebookGraph::selfRef()
{
    return shared_from_this();
}

QString TFacebookGraph::JsonText(const TFacebookJson& obj, const char* name)
{
    if (!obj.is_object())
        return QString();
    auto it = obj.find(name);
    if (it == obj.end())
        return QString();
    if (it->is_string())
        return QString::fromStdString(it->get_ref<const std::string&>());
    if (it->is_number() || it->is_boolean())
        return QString::fromStdString(it->dump());
    return QString();
}

TFacebookJson TFacebookGraph::ParseReply(const QByteArray& body, bool requestFailed)
{
    TFacebookJson obj = TFacebookJson::parse(body.constBegin(), body.constEnd(), nullptr, false);
    if (!obj.is_object())
        obj = TFacebookJson::object();
    auto err = obj.find("error");
    if (err != obj.end() && err->is_object())
        throw EFacebook(JsonText(*err, "type"), JsonText(*err, "message"));
    if (requestFailed)
        throw EFacebook(QStringLiteral("RequestFailed"), QStringLiteral("Facebook connection error"));
    return obj;
}

TFacebookJson TFacebookGraph::GetObject(const QString& id, TFacebookDico* args)
{
    const bool absolute = isAbsoluteUrl(id);
    TFacebookDico local;
    if (!absolute && !fAccessToken.isEmpty()) {
        if (!args)
            args = &local;
        (*args)[QStringLiteral("access_token")] = fAccessToken;
    }
    QString url;
    if (absolute) {
        url = id;
        if (args)
            url += (id.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + args->Encode();
    } else {
        url = fEndpoints.graphBase + fEndpoints.apiVersion + QLatin1Char('/') + id;
        if (args)
            url += QLatin1Char('?') + args->Encode();
    }
    TNetHttp http;
    http.SetMaxReplySize(MaxJsonReplySize);
    QByteArray body;
    bool failed = false;
    try {
        QBuffer buf(&body);
        buf.open(QIODevice::WriteOnly);
        http.HttpGet(url, &buf);
    } catch (const ENetHttp& e) {
        body = e.HttpMsgText().toUtf8();
        failed = true;
    }
    return ParseReply(body, failed);
}

bool TFacebookGraph::GetObjectNext(TFacebookJson& jobj)
{
    QString next;
    if (jobj.is_object()) {
        auto paging = jobj.find("paging");
        if (paging != jobj.end() && paging->is_object())
            next = JsonText(*paging, "next");
    }
    jobj = TFacebookJson();
    if (next.isEmpty())
        return false;
    jobj = GetObject(next, nullptr);
    return true;
}

QString TFacebookGraph::FacebookState()
{
    if (fFacebookStateMake.isEmpty()) {
        // 128 bits from the system's cryptographic source: a page that
        // cannot guess it cannot slip another log-in's code in.
        quint32 words[4];
        QRandomGenerator::system()->fillRange(words);
        for (quint32 w : words)
            fFacebookStateMake += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0'));
    }
    return fFacebookStateMake;
}

QString TFacebookGraph::fbkStateMake()
{
    return fFacebookStateMake;
}

QString TFacebookGraph::WebBrowserLoginUrl(const QString& appId, const QString&, const QString& redirectUri,
                                           const QString& scope)
{
    // The secret never travels to the browser; it is used only by the token
    // exchange, which the kiosk makes itself.
    return fEndpoints.dialogBase + QStringLiteral("dialog/oauth/?client_id=") + TFacebookDico::URIparamsEncode(appId)
        + QStringLiteral("&redirect_uri=") + TFacebookDico::URIparamsEncode(redirectUri)
        + QStringLiteral("&state=") + TFacebookDico::URIparamsEncode(FacebookState())
        + QStringLiteral("&scope=") + TFacebookDico::URIparamsEncode(scope)
        + QStringLiteral("&response_type=code&display=popup");
}

bool TFacebookGraph::RequestToFile(const QString& url, const TFacebookDico* args, const QString& sfile)
{
    QString full = url;
    if (args)
        full += (url.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + args->Encode();
    if (!isAbsoluteUrl(full)) {
        LogWarn(QStringLiteral("TFacebookGraph.RequestToFile: not a web address [%1]").arg(full));
        return false;
    }
    QDir().mkpath(QFileInfo(sfile).absolutePath());
    QSaveFile file(sfile);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(sfile, file.errorString()));
    try {
        TNetHttp http;
        http.SetMaxReplySize(MaxFileSize);
        http.HttpGet(full, &file);
    } catch (const ECancel&) {
        file.cancelWriting();
        throw;
    } catch (const std::exception& e) {
        file.cancelWriting();
        LogWarn(QStringLiteral("TFacebookGraph.RequestToFile: download failed"), e);
        return false;
    }
    if (file.size() <= 0) {
        file.cancelWriting();
        LogWarn(QStringLiteral("TFacebookGraph.RequestToFile: empty reply"));
        return false;
    }
    if (!file.commit()) {
        LogWarn(QStringLiteral("TFacebookGraph.RequestToFile: cannot write %1: %2").arg(sfile, file.errorString()));
        return false;
    }
    return true;
}

void TFacebookGraph::CloseAccess()
{
    fAccessToken.clear();
    fFacebookStateMake.clear();
    fLoginObj.reset();
}

void TFacebookGraph::AppAccess(const QString& appId, const QString& appSecret)
{
    fAccessToken = appId + QLatin1Char('|') + appSecret;
}

QString TFacebookGraph::accessToken()
{
    return fAccessToken;
}

TFacebookJson TFacebookGraph::loginObj()
{
    return fLoginObj ? *fLoginObj : TFacebookJson();
}

QString TFacebookGraph::loginId()
{
    if (!fLoginObj)
        throw Exception(QStringLiteral("TFacebookGraph.loginId: not connected"));
    const QString id = JsonText(*fLoginObj, "id");
    if (id.isEmpty())
        throw Exception(QStringLiteral("TFacebookGraph.loginId: no id defined"));
    return id;
}

QString TFacebookGraph::loginName()
{
    if (!fLoginObj)
        throw Exception(QStringLiteral("TFacebookGraph.loginName: not connected"));
    const QString name = JsonText(*fLoginObj, "name");
    return name.isEmpty() ? loginId() : name;
}

void TFacebookGraph::OnFacebookLoginCodeSend(TWebBrowserFacebookHelper& webBr, const QString& code,
                                             const QString& state)
{
    try {
        const QString own = FacebookState();
        if (state != own)
            throw EFacebook(QStringLiteral("InvalidLoginRet"),
                            QStringLiteral("Invalid login state !\\n") + state + QStringLiteral(" <> ") + own);
        TFacebookDico args;
        args[QStringLiteral("client_id")] = webBr.AppId();
        args[QStringLiteral("client_secret")] = webBr.AppSecret();
        args[QStringLiteral("code")] = code;
        args[QStringLiteral("redirect_uri")] = webBr.RedirectUri();
        const TFacebookJson reply = GetObject(QStringLiteral("oauth/access_token"), &args);
        const QString token = JsonText(reply, "access_token");
        if (token.isEmpty())
            throw EFacebook(QStringLiteral("InvalidLoginRet"),
                            QStringLiteral("Invalid login response !")
                                + QString::fromStdString(reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)).left(1000));
        fAccessToken = token;
        fLoginObj = std::make_unique<TFacebookJson>(GetObject(QStringLiteral("me"), nullptr));
        TriggerEventLoginReady();
    } catch (const std::exception& e) {
        OnFacebookLoginErrorSend(webBr, &e, QString(), QString(), QString(), QString());
    }
}

void TFacebookGraph::OnFacebookLoginErrorSend(TWebBrowserFacebookHelper& webBr, const std::exception* ex,
                                              const QString& errorCode, const QString& errorReasonCode,
                                              const QString& errorMsg, const QString& state)
{
    if (!ex && !state.isEmpty() && state != FacebookState())
        throw EFacebook(QStringLiteral("InvalidLoginRet"),
                        QStringLiteral("Invalid login state !\\n") + state + QStringLiteral(" <> ") + FacebookState());
    if (errorCode == QStringLiteral("access_denied") && errorReasonCode == QStringLiteral("user_denied")) {
        OnFacebookLoginCancel(webBr);
        return;
    }
    QString msg = errorMsg;
    QString code = errorCode;
    QString reason = errorReasonCode;
    if (msg.isEmpty())
        msg = ex ? ExceptionMessage(*ex) : QStringLiteral("Unknown facebook error");
    if (code.isEmpty())
        code = ex ? ExceptionClassName(*ex) : QStringLiteral("Unknown");
    if (reason.isEmpty())
        if (const auto* fe = dynamic_cast<const EFacebook*>(ex))
            reason = fe->ErrorType();
    TriggerEventLoginError(ex, code, reason, msg);
}

void TFacebookGraph::OnFacebookLoginCancel(TWebBrowserFacebookHelper&)
{
    TriggerEventLoginCancel();
}

void TFacebookGraph::TriggerEventLoginReady()
{
    if (TLoginReadyEvent ev = fLoginReady)
        ev(selfRef());
}

void TFacebookGraph::TriggerEventLoginError(const std::exception* ex, const QString& errorCode,
                                            const QString& errorReasonCode, const QString& errorMsg)
{
    if (TLoginErrorEvent ev = fLoginError)
        ev(selfRef(), ex, errorCode, errorReasonCode, errorMsg);
}

void TFacebookGraph::TriggerEventLoginCancel()
{
    if (TLoginCancelEvent ev = fLoginCancel)
        ev(selfRef());
}

QDateTime TFacebookGraph::facebookDateParse(const QString& photoDate)
{
    const QString invalid = QStringLiteral("Invalid facebook date string");
    if (photoDate.size() != 24)
        throw Exception(invalid);
    const QChar sign = photoDate.at(19);
    if (photoDate.at(4) != QLatin1Char('-') || photoDate.at(7) != QLatin1Char('-')
        || photoDate.at(10) != QLatin1Char('T') || photoDate.at(13) != QLatin1Char(':')
        || photoDate.at(16) != QLatin1Char(':') || (sign != QLatin1Char('+') && sign != QLatin1Char('-')))
        throw Exception(invalid);
    const int y = fixedNumber(photoDate, 0, 4), mo = fixedNumber(photoDate, 5, 2), d = fixedNumber(photoDate, 8, 2);
    const int h = fixedNumber(photoDate, 11, 2), mi = fixedNumber(photoDate, 14, 2), s = fixedNumber(photoDate, 17, 2);
    const int oh = fixedNumber(photoDate, 20, 2), om = fixedNumber(photoDate, 22, 2);
    const QDate date(y, mo, d);
    const QTime time(h, mi, s);
    if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || s < 0 || oh < 0 || om < 0 || !date.isValid()
        || !time.isValid() || oh > 23 || om > 59)
        throw Exception(invalid);
    const int offsetMin = oh * 60 + om;
    QDateTime dt(date, time, Qt::UTC);
    return dt.addSecs(qint64(sign == QLatin1Char('-') ? offsetMin : -offsetMin) * 60);
}

// ---------------------------------------------- TWebBrowserFacebookHelper

TWebBrowserFacebookHelper::TWebBrowserFacebookHelper(std::shared_ptr<TFacebookGraph> graph, const QString& appId,
                                                     const QString& appSecret, const QString& redirectUri)
    : fAppId(appId)
    , fAppSecret(appSecret)
    , fRedirectUri(redirectUri)
    , fGraph(std::move(graph))
{
}

QStringList TWebBrowserFacebookHelper::ResultElementIds()
{
    return { QStringLiteral("facebookZebState"), QStringLiteral("facebookZebCode"),
             QStringLiteral("facebookZebErrorReason"), QStringLiteral("facebookZebError"),
             QStringLiteral("facebookZebErrorDesc") };
}

QString TWebBrowserFacebookHelper::StartUrl(const QString& scope)
{
    return fGraph->WebBrowserLoginUrl(fAppId, fAppSecret, fRedirectUri, scope);
}

bool TWebBrowserFacebookHelper::ResponsePageScanOk(const TTagValueReader& tagValue)
{
    const QString state = tagValue(QStringLiteral("facebookZebState"));
    if (state.isEmpty())
        return false;
    const QString code = tagValue(QStringLiteral("facebookZebCode"));
    const QString reason = tagValue(QStringLiteral("facebookZebErrorReason"));
    const QString error = tagValue(QStringLiteral("facebookZebError"));
    const QString desc = tagValue(QStringLiteral("facebookZebErrorDesc"));
    if (!code.isEmpty()) {
        FacebookLoginCodeSend(code, state);
        return true;
    }
    if (!reason.isEmpty()) {
        FacebookLoginErrorSend(error, reason, desc, state);
        return true;
    }
    if (!error.isEmpty()) {
        FacebookLoginErrorSend(error, QString(), desc, QString());
        return true;
    }
    throw Exception(QStringLiteral("Invalid facebook return !"));
}

void TWebBrowserFacebookHelper::FacebookLoginCodeSend(const QString& code, const QString& state)
{
    fGraph->OnFacebookLoginCodeSend(*this, code, state);
}

void TWebBrowserFacebookHelper::FacebookLoginErrorSend(const QString& errorCode, const QString& errorReasonCode,
                                                       const QString& errorMsg, const QString& state)
{
    fGraph->OnFacebookLoginErrorSend(*this, nullptr, errorCode, errorReasonCode, errorMsg, state);
}
