#include "USoapHttpTrans.h"

#include <QBuffer>

namespace {
// The user agent of every lab call; the kiosk never changes it.
const QString kDefaultAgent = QStringLiteral("KioskSoapClient/1.0");
} // namespace

THTTPReqResp::THTTPReqResp() : FAgent(kDefaultAgent) { }

THTTPReqResp::~THTTPReqResp() = default;

void THTTPReqResp::SetURL(const QString& url)
{
    FURL = url;
    FUserSetURL = !url.isEmpty();
}

QString THTTPReqResp::SoapAction() const
{
    if (FSoapAction.isEmpty() && !(FInvokeOptions & soNoValueForEmptySOAPAction))
        return QStringLiteral("\"\"");
    return FSoapAction;
}

QString THTTPReqResp::SoapActionHeader() const
{
    const QString action = SoapAction();
    if (action.isEmpty())
        return QStringLiteral("SOAPAction:");
    if (action == QLatin1String("\"\""))
        return QStringLiteral("SOAPAction: ") + action;
    return QStringLiteral("SOAPAction: \"%1\"").arg(action);
}

QString THTTPReqResp::SoapContentType() const
{
    if (FWebNodeOptions & wnoSOAP12) {
        const QString base = FUseUTF8InHeader ? QStringLiteral("application/soap+xml; charset=utf-8")
                                              : QStringLiteral("application/soap+xml");
        return QStringLiteral("%1;action=\"%2\"").arg(base, SoapAction());
    }
    return FUseUTF8InHeader ? QStringLiteral("text/xml; charset=utf-8") : QStringLiteral("text/xml");
}

void THTTPReqResp::BeforeExecute(const QString& soapAction)
{
    if (!FUserSetURL)
        throw ESOAPHTTPException(QStringLiteral(
            "No WSDL or URL property was set in the THTTPRIO component. You must set the WSDL or URL property "
            "before invoking the Web Service"));
    FSoapAction = soapAction;
    FBindingType = TWebServiceBindingType::btSoap;
}

void THTTPReqResp::SetupNetHttp()
{
    if (fNetHttp)
        fNetHttp->RequestClear();
    else
        fNetHttp = std::make_unique<TNetHttp>();
    fNetHttp->SetRequestAccept(QStringLiteral("*/*"));
    fNetHttp->SetRequestUserAgent(FAgent);
    fNetHttp->SetRequestContentType(QStringLiteral("text/xml"));
    fNetHttp->SetMaxReplySize(FMaxReplySize);
}

void THTTPReqResp::SetupNetHttpForPost()
{
    if (fNetHttp)
        fNetHttp->RequestClear();
    else
        fNetHttp = std::make_unique<TNetHttp>();
    fNetHttp->SetRequestContentType(SoapContentType());
    if (!(FInvokeOptions & soNoSOAPActionHeader))
        fNetHttp->RequestCustomHeadersAdd(SoapActionHeader());
    fNetHttp->SetRequestAccept(QStringLiteral("*/*"));
    fNetHttp->SetRequestUserAgent(FAgent);
    fNetHttp->SetMaxReplySize(FMaxReplySize);
}

void THTTPReqResp::Execute(QIODevice* request, QIODevice* response)
{
    SetupNetHttpForPost();
    if (OnBeforePost)
        OnBeforePost(*this);
    fNetHttp->HttpPost(FURL, request, response);
    FContentType = fNetHttp->ResponseContentType();

    FMimeBoundary.clear();
    if (FContentType.toLower().startsWith(QLatin1String("multipart/related"))) {
        const int at = FContentType.indexOf(QLatin1String("boundary="));
        if (at >= 0) {
            QString boundary = FContentType.mid(at + int(qstrlen("boundary=")));
            const int semicolon = boundary.indexOf(QLatin1Char(';'));
            if (semicolon >= 0)
                boundary = boundary.left(semicolon);
            boundary = boundary.trimmed();
            if (boundary.size() >= 2 && boundary.startsWith(QLatin1Char('"')) && boundary.endsWith(QLatin1Char('"')))
                boundary = boundary.mid(1, boundary.size() - 2);
            FMimeBoundary = boundary.toLatin1();
        }
    }

    if (response->size() == 0)
        throw ESOAPHTTPException(QStringLiteral("Invalid HTTP Response: Length is 0"));
    CheckContentType();
}

void THTTPReqResp::Execute(const QString& request, QIODevice* response)
{
    QBuffer buffer;
    buffer.setData(request.toUtf8());
    buffer.open(QIODevice::ReadOnly);
    Execute(&buffer, response);
}

QByteArray THTTPReqResp::Execute(const QByteArray& request)
{
    QBuffer in;
    in.setData(request);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    Execute(&in, &out);
    return out.data();
}

void THTTPReqResp::CheckContentType()
{
    if (FContentType.compare(QLatin1String("text/plain"), Qt::CaseInsensitive) == 0
        || FContentType.compare(QLatin1String("text/html"), Qt::CaseInsensitive) == 0)
        throw ESOAPHTTPException(
            QStringLiteral("Received content of invalid Content-Type setting: %1 - SOAP expects \"text/xml\"")
                .arg(FContentType));
}

void THTTPReqResp::Get(QIODevice* response)
{
    if (FURL.isEmpty())
        throw ESOAPHTTPException(QStringLiteral("No URL was given for 'GET'"));
    SetupNetHttp();
    fNetHttp->HttpGet(FURL, response);
}
