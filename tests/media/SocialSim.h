#pragma once
// The lab simulator as the social network: endpoints pointing at it, a
// log-in walked through its dialog pages over HTTP (what a customer does in
// the browser), and the hidden result fields of the lab's redirect page.
#include "LabSim.h"
#include "UFacebookGraphPhoto.h"
#include "UNetHttp.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace socialsim {

inline TFacebookEndpoints endpointsOf(const testsupport::LabSim& sim)
{
    TFacebookEndpoints e;
    e.graphBase = sim.baseUrl() + QStringLiteral("/graph/");
    e.dialogBase = sim.baseUrl() + QStringLiteral("/");
    e.apiVersion = QStringLiteral("v2.7");
    return e;
}

inline QString appId() { return QStringLiteral("4711"); }
inline QString appSecret() { return QStringLiteral("simsecret"); }
inline QString redirectUri(const testsupport::LabSim& sim) { return sim.baseUrl() + QStringLiteral("/facebook.aspx"); }

// The hidden "value" attributes of a result page, by element id.
inline QMap<QString, QString> hiddenValues(const QString& page)
{
    QMap<QString, QString> out;
    static const QRegularExpression re(QStringLiteral("id=\"(facebookZeb\\w+)\" value=\"([^\"]*)\""));
    for (auto it = re.globalMatch(page); it.hasNext();) {
        const auto m = it.next();
        QString v = m.captured(2);
        v.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).replace(QStringLiteral("&#x27;"), QStringLiteral("'"));
        v.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        v.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        out[m.captured(1)] = v;
    }
    return out;
}

// Walks the dialog from its start address: log-in form, then the answer to
// the permission question; returns the redirect page the browser ends on.
inline QString walkDialog(const QString& startUrl, const QString& login, const QString& password, bool allow)
{
    TNetHttp http;
    QByteArray page;
    {
        QBuffer b(&page);
        b.open(QIODevice::WriteOnly);
        http.HttpGet(startUrl, &b);
    }
    const QUrl start(startUrl);
    QStringList fields;
    for (const auto& item : QUrlQuery(start).queryItems(QUrl::FullyDecoded))
        fields << item.first + QLatin1Char('=') + item.second;
    const QString base = start.adjusted(QUrl::RemovePath | QUrl::RemoveQuery).toString();
    QByteArray consent;
    {
        QBuffer b(&consent);
        b.open(QIODevice::WriteOnly);
        http.HttpPost(base + QStringLiteral("/dialog/oauth/login"),
                      fields + QStringList { QStringLiteral("email=") + login, QStringLiteral("pass=") + password }, &b);
    }
    QByteArray result;
    QBuffer b(&result);
    b.open(QIODevice::WriteOnly);
    http.HttpPost(base + QStringLiteral("/dialog/oauth/confirm"),
                  fields + QStringList { allow ? QStringLiteral("answer=allow") : QStringLiteral("answer=deny") }, &b);
    return QString::fromUtf8(result);
}

// A client of type G logged in through the dialog as that user; null when
// the log-in did not end in the ready event.
template <class G>
std::shared_ptr<G> loggedIn(const testsupport::LabSim& sim, const QString& login, const QString& password)
{
    auto graph = std::make_shared<G>(QString(), endpointsOf(sim));
    TWebBrowserFacebookHelper helper(graph, appId(), appSecret(), redirectUri(sim));
    const auto values = hiddenValues(walkDialog(helper.StartUrl(QStringLiteral("user_photos")), login, password, true));
    bool ready = false;
    graph->SetLoginReady([&](const IFacebookGraphRef&) { ready = true; });
    if (!helper.ResponsePageScanOk([&](const QString& id) { return values.value(id); }) || !ready)
        return nullptr;
    graph->SetLoginReady(nullptr);
    return graph;
}

// The requests of the journal whose path starts with prefix.
inline QJsonArray requestsTo(testsupport::LabSim& sim, const QString& prefix)
{
    QJsonArray out;
    for (const auto& e : sim.journal())
        if (e.toObject().value("path").toString().startsWith(prefix))
            out.append(e);
    return out;
}

} // namespace socialsim
