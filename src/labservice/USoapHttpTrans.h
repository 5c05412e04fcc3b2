#pragma once
// The HTTP transport of SOAP calls: posts one request envelope per call with
// TNetHttp and hands the reply back for reading.
//
// Headers of a call, in this order: Content-Type "text/xml; charset=utf-8",
// SOAPAction (the operation's action in double quotes) and Accept "*/*";
// the user agent is the transport's Agent. Any reply status but 200 (SOAP
// faults included) raises ENetHttp from TNetHttp; a 200 reply with an empty
// body or a plain-text or HTML content type raises ESOAPHTTPException.
#include "UAppExceptions.h"
#include "UNetHttp.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

// The transport's own refusals. StatusCode is always 0.
class ESOAPHTTPException : public Exception {
public:
    explicit ESOAPHTTPException(const QString& message, int statusCode = 0)
        : Exception(message), fStatusCode(statusCode) { }
    KIOSK_EXCEPTION_CLASSNAME(ESOAPHTTPException)
    int StatusCode() const { return fStatusCode; }

private:
    int fStatusCode;
};

enum class TWebServiceBindingType { btUnknown, btSoap, btHttp, btMime, btDIME };

enum SOAPInvokeOption : unsigned {
    soNoValueForEmptySOAPAction = 1u << 0,
    soIgnoreInvalidCerts = 1u << 1,
    soNoSOAPActionHeader = 1u << 2,
    soAutoCheckAccessPointViaUDDI = 1u << 3,
    soPickFirstClientCertificate = 1u << 4,
};
using TSOAPInvokeOptions = unsigned;

enum WebNodeOption : unsigned {
    wnoSOAP12 = 1u << 0,
};
using TWebNodeOptions = unsigned;

class THTTPReqResp {
public:
    THTTPReqResp();
    ~THTTPReqResp();
    THTTPReqResp(const THTTPReqResp&) = delete;
    THTTPReqResp& operator=(const THTTPReqResp&) = delete;

    const QString& URL() const { return FURL; }
    void SetURL(const QString& url);

    // The action of the current call; when empty and
    // soNoValueForEmptySOAPAction is not set, two double quotes.
    QString SoapAction() const;
    void SetSoapAction(const QString& action) { FSoapAction = action; }

    const QString& Agent() const { return FAgent; }
    void SetAgent(const QString& agent) { FAgent = agent; }
    bool UseUTF8InHeader() const { return FUseUTF8InHeader; }
    void SetUseUTF8InHeader(bool value) { FUseUTF8InHeader = value; }
    TSOAPInvokeOptions InvokeOptions() const { return FInvokeOptions; }
    void SetInvokeOptions(TSOAPInvokeOptions options) { FInvokeOptions = options; }
    TWebNodeOptions WebNodeOptions() const { return FWebNodeOptions; }
    void SetWebNodeOptions(TWebNodeOptions options) { FWebNodeOptions = options; }

    // Kept for the callers that set them; nothing of them reaches a request.
    const QString& UserName() const { return FUserName; }
    void SetUserName(const QString& v) { FUserName = v; }
    const QString& Password() const { return FPassword; }
    void SetPassword(const QString& v) { FPassword = v; }
    const QString& Proxy() const { return FProxy; }
    void SetProxy(const QString& v) { FProxy = v; }
    int ConnectTimeout() const { return FConnectTimeout; }
    void SetConnectTimeout(int ms) { FConnectTimeout = ms; }
    int SendTimeout() const { return FSendTimeout; }
    void SetSendTimeout(int ms) { FSendTimeout = ms; }
    int ReceiveTimeout() const { return FReceiveTimeout; }
    void SetReceiveTimeout(int ms) { FReceiveTimeout = ms; }

    // Largest accepted reply, far above any real one of the lab: a longer
    // reply is refused before it fills the memory.
    static constexpr qint64 kDefaultMaxReplySize = 16 << 20;
    qint64 MaxReplySize() const { return FMaxReplySize; }
    void SetMaxReplySize(qint64 bytes) { FMaxReplySize = bytes; }

    // Called before each POST.
    std::function<void(THTTPReqResp&)> OnBeforePost;

    // Before each call: the operation's action; the binding is plain SOAP.
    void BeforeExecute(const QString& soapAction);
    // Posts the request (rewound and sent whole) and fills the response.
    void Execute(QIODevice* request, QIODevice* response);
    void Execute(const QString& request, QIODevice* response);
    // The reply body of the request.
    QByteArray Execute(const QByteArray& request);
    // A GET of URL into the response.
    void Get(QIODevice* response);

    // Content type of the last reply, and its MIME boundary for a
    // multipart/related reply (empty otherwise).
    const QString& ContentType() const { return FContentType; }
    const QByteArray& MimeBoundary() const { return FMimeBoundary; }
    TWebServiceBindingType BindingType() const { return FBindingType; }

    // The SOAPAction header line and the content type of a SOAP request.
    QString SoapActionHeader() const;
    QString SoapContentType() const;

    // For tests: the client of the last request (null before the first).
    TNetHttp* NetHttp() const { return fNetHttp.get(); }

private:
    void SetupNetHttp();
    void SetupNetHttpForPost();
    void CheckContentType();

    bool FUserSetURL = false;
    QString FURL;
    QString FAgent;
    TWebServiceBindingType FBindingType = TWebServiceBindingType::btUnknown;
    QByteArray FMimeBoundary;
    TWebNodeOptions FWebNodeOptions = 0;
    QString FContentType;
    QString FUserName;
    QString FPassword;
    QString FProxy;
    std::unique_ptr<TNetHttp> fNetHttp;
    int FConnectTimeout = 0;
    int FSendTimeout = 0;
    int FReceiveTimeout = 0;
    qint64 FMaxReplySize = kDefaultMaxReplySize;
    QString FSoapAction;
    bool FUseUTF8InHeader = true;
    TSOAPInvokeOptions FInvokeOptions = soIgnoreInvalidCerts | soAutoCheckAccessPointViaUDDI;
};

// The lab service client as the main window configures it when the
// web-service queue creates one: its HTTP node, with the address and the
// time-outs. A handle on a client's transport; it owns nothing.
class THTTPRIO {
public:
    explicit THTTPRIO(THTTPReqResp& node) : fNode(node) { }
    THTTPReqResp& HTTPWebNode() const { return fNode; }
    QString URL() const { return fNode.URL(); }
    void SetURL(const QString& url) { fNode.SetURL(url); }

private:
    THTTPReqResp& fNode;
};
