#pragma once
// The small client of the social network's Graph API behind the customer's
// social-network photos: one JSON object per request, paging through lists,
// file downloads, and the OAuth authorization-code log-in that an embedded
// browser drives.
//
// Every reply is outside input: a body that is not JSON, an "error" object
// with any HTTP status, a page that links to itself. Requests go through
// TNetHttp (certificates verified, the running task's cancellation tested on
// every received block, a size cap on JSON replies). The hosts and the API
// version are configuration (TFacebookEndpoints), so the lab simulator can
// stand in for the network on 127.0.0.1.
#include "UAppExceptions.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

using TFacebookJson = nlohmann::json;

class TConfig;

// A Graph or log-in failure: ErrorType is the API's error type (or one of
// ours: "RequestFailed", "InvalidLoginRet"), the message the API's message.
class EFacebook : public Exception {
public:
    EFacebook(const QString& errtype, const QString& msg)
        : Exception(msg), fType(errtype) { }
    EFacebook(const QString& errtype, const QString& msg, std::exception_ptr inner)
        : Exception(msg), fType(errtype) { SetInnerException(std::move(inner)); }
    KIOSK_EXCEPTION_CLASSNAME(EFacebook)

    const QString& ErrorType() const { return fType; }

private:
    QString fType;
};

// Where the social network lives. The defaults are the public hosts; the
// configuration or a test replaces them.
struct TFacebookEndpoints {
    // Base of relative Graph paths, ending in "/".
    QString graphBase = QStringLiteral("https://graph.facebook.com/");
    // Base of the OAuth dialog, ending in "/".
    QString dialogBase = QStringLiteral("https://www.facebook.com/");
    // Path prefix of the API version, without slashes.
    QString apiVersion = QStringLiteral("v2.7");

    // The configuration's endpoints; an empty key keeps the default, and the
    // bases get their final "/".
    static TFacebookEndpoints FromConfig(const TConfig& cfg);
    // The endpoints new clients get; thread-safe.
    static TFacebookEndpoints Default();
    static void SetDefault(const TFacebookEndpoints& endpoints);
};

// The query parameters of one request. Ordered by key; the receiver does not
// depend on the order.
class TFacebookDico : public QMap<QString, QString> {
public:
    using QMap<QString, QString>::QMap;

    // key=value pairs joined with "&", both sides encoded.
    QString Encode() const;
    // One "key=value" line per pair, not encoded.
    QStringList ToStringList() const;
    // UTF-8 bytes; A-Z a-z 0-9 - . _ ~ kept, every other byte (the "%" of
    // a value included, so a value travels exactly as given) as %XX.
    static QString URIparamsEncode(const QString& value);
};

class IFacebookGraph;
using IFacebookGraphRef = std::shared_ptr<IFacebookGraph>;

using TLoginReadyEvent = std::function<void(const IFacebookGraphRef& graph)>;
using TLoginErrorEvent = std::function<void(const IFacebookGraphRef& graph, const std::exception* ex,
                                            const QString& errorCode, const QString& errorReasonCode,
                                            const QString& errorMsg)>;
using TLoginCancelEvent = std::function<void(const IFacebookGraphRef& graph)>;

class IFacebookGraph {
public:
    virtual ~IFacebookGraph() = default;
    // One Graph request; id is a path below the API version or an absolute
    // URL. args may be null; a relative request adds the token to it.
    virtual TFacebookJson GetObject(const QString& id, TFacebookDico* args) = 0;
    // Replaces jobj by the page its "paging"/"next" names; false (jobj
    // emptied) when there is none.
    virtual bool GetObjectNext(TFacebookJson& jobj) = 0;
    virtual QString FacebookState() = 0;
    virtual QString WebBrowserLoginUrl(const QString& appId, const QString& appSecret, const QString& redirectUri,
                                       const QString& scope)
        = 0;
    // Downloads url into sfile (through a temporary file renamed into
    // place). False, with no file left, when the transfer failed.
    virtual bool RequestToFile(const QString& url, const TFacebookDico* args, const QString& sfile) = 0;
    virtual void WebBowserCacheClear() = 0;
    virtual void CloseAccess() = 0;
    virtual void AppAccess(const QString& appId, const QString& appSecret) = 0;
    virtual QString accessToken() = 0;
    virtual TFacebookJson loginObj() = 0;
    virtual QString loginId() = 0;
    virtual QString loginName() = 0;
    virtual QString fbkStateMake() = 0;
    virtual TLoginReadyEvent GetLoginReady() = 0;
    virtual void SetLoginReady(TLoginReadyEvent ev) = 0;
    virtual TLoginErrorEvent GetLoginError() = 0;
    virtual void SetLoginError(TLoginErrorEvent ev) = 0;
    virtual TLoginCancelEvent GetLoginCancel() = 0;
    virtual void SetLoginCancel(TLoginCancelEvent ev) = 0;
};

class TWebBrowserFacebookHelper;

class TFacebookGraph : public virtual IFacebookGraph, public std::enable_shared_from_this<TFacebookGraph> {
public:
    explicit TFacebookGraph(const QString& accessToken = QString(),
                            const TFacebookEndpoints& endpoints = TFacebookEndpoints::Default());
    TFacebookGraph(const QString& appId, const QString& appSecret,
                   const TFacebookEndpoints& endpoints = TFacebookEndpoints::Default());
    ~TFacebookGraph() override;

    // Largest JSON reply accepted (a page of a list is a few hundred KB).
    static constexpr qint64 MaxJsonReplySize = 8 * 1024 * 1024;
    // Largest picture file accepted.
    static constexpr qint64 MaxFileSize = 256 * 1024 * 1024;

    TFacebookJson GetObject(const QString& id, TFacebookDico* args) override;
    bool GetObjectNext(TFacebookJson& jobj) override;
    QString FacebookState() override;
    QString WebBrowserLoginUrl(const QString& appId, const QString& appSecret, const QString& redirectUri,
                               const QString& scope) override;
    bool RequestToFile(const QString& url, const TFacebookDico* args, const QString& sfile) override;
    void WebBowserCacheClear() override { }
    void CloseAccess() override;
    void AppAccess(const QString& appId, const QString& appSecret) override;
    QString accessToken() override;
    TFacebookJson loginObj() override;
    QString loginId() override;
    QString loginName() override;
    QString fbkStateMake() override;
    TLoginReadyEvent GetLoginReady() override { return fLoginReady; }
    void SetLoginReady(TLoginReadyEvent ev) override { fLoginReady = std::move(ev); }
    TLoginErrorEvent GetLoginError() override { return fLoginError; }
    void SetLoginError(TLoginErrorEvent ev) override { fLoginError = std::move(ev); }
    TLoginCancelEvent GetLoginCancel() override { return fLoginCancel; }
    void SetLoginCancel(TLoginCancelEvent ev) override { fLoginCancel = std::move(ev); }

    // The log-in results the browser helper passes on.
    void OnFacebookLoginCodeSend(TWebBrowserFacebookHelper& webBr, const QString& code, const QString& state);
    void OnFacebookLoginErrorSend(TWebBrowserFacebookHelper& webBr, const std::exception* ex,
                                  const QString& errorCode, const QString& errorReasonCode, const QString& errorMsg,
                                  const QString& state);
    void OnFacebookLoginCancel(TWebBrowserFacebookHelper& webBr);

    // "2016-08-01T12:34:56+0200" as UTC; raises "Invalid facebook date
    // string" on any other shape.
    static QDateTime facebookDateParse(const QString& photoDate);
    // Reads a reply body: a JSON object, or an empty object for anything
    // else. Raises EFacebook for an "error" object, and "RequestFailed" when
    // the HTTP request failed without one.
    static TFacebookJson ParseReply(const QByteArray& body, bool requestFailed);
    // A member as text: strings as they are, numbers and booleans written
    // out, anything else (or a missing member) empty.
    static QString JsonText(const TFacebookJson& obj, const char* name);

    const TFacebookEndpoints& Endpoints() const { return fEndpoints; }

protected:
    void TriggerEventLoginReady();
    void TriggerEventLoginError(const std::exception* ex, const QString& errorCode, const QString& errorReasonCode,
                                const QString& errorMsg);
    void TriggerEventLoginCancel();
    IFacebookGraphRef selfRef();

private:
    TLoginReadyEvent fLoginReady;
    TLoginErrorEvent fLoginError;
    TLoginCancelEvent fLoginCancel;
    QString fAccessToken;
    QString fFacebookStateMake;
    std::unique_ptr<TFacebookJson> fLoginObj;
    TFacebookEndpoints fEndpoints;
};

// Drives the log-in in an embedded browser: the dialog's start address, and
// the reading of the lab's redirect page, whose hidden elements carry the
// result of the OAuth redirect.
class TWebBrowserFacebookHelper {
public:
    // The "value" attribute of the page's element of that id; empty when the
    // element is missing.
    using TTagValueReader = std::function<QString(const QString& id)>;

    TWebBrowserFacebookHelper(std::shared_ptr<TFacebookGraph> graph, const QString& appId, const QString& appSecret,
                              const QString& redirectUri);

    // The ids of the redirect page's result elements, in reading order.
    static QStringList ResultElementIds();

    QString StartUrl(const QString& scope);
    // True once the page is the result page (and its result was passed to
    // the client); false while it is not. Raises "Invalid facebook return !"
    // for a result page without result, and EFacebook for an error result
    // whose state is not ours.
    bool ResponsePageScanOk(const TTagValueReader& tagValue);
    void FacebookLoginCodeSend(const QString& code, const QString& state);
    void FacebookLoginErrorSend(const QString& errorCode, const QString& errorReasonCode, const QString& errorMsg,
                                const QString& state);

    const QString& AppId() const { return fAppId; }
    const QString& AppSecret() const { return fAppSecret; }
    const QString& RedirectUri() const { return fRedirectUri; }
    const std::shared_ptr<TFacebookGraph>& Graph() const { return fGraph; }

private:
    QString fAppId;
    QString fAppSecret;
    QString fRedirectUri;
    std::shared_ptr<TFacebookGraph> fGraph;
};
