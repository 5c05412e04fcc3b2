#include "FacebookFuzzEntry.h"

#include "UFacebookGraphPhoto.h"

#include <QSet>
#include <cstdlib>

namespace {

void check(bool cond)
{
    if (!cond)
        std::abort();
}

// A client whose requests are answered by the fuzzer's pages, in order.
class PagedGraph : public TFacebookGraphPhoto {
public:
    explicit PagedGraph(QList<QByteArray> pages)
        : TFacebookGraphPhoto(QStringLiteral("token"))
        , fPages(std::move(pages))
    {
    }

    TFacebookJson GetObject(const QString&, TFacebookDico*) override
    {
        ++fRequests;
        const QByteArray body = fPages.isEmpty() ? QByteArray() : fPages.takeFirst();
        // A leading "!" stands for a refused HTTP status.
        const bool failed = body.startsWith('!');
        return ParseReply(failed ? body.mid(1) : body, failed);
    }
    bool RequestToFile(const QString&, const TFacebookDico*, const QString&) override { return false; }

    int fRequests = 0;

private:
    QList<QByteArray> fPages;
};

void checkPhoto(const IFacebookPhotoRef& photo)
{
    check(FacebookIdIsSafe(photo->Id()));
    const QString ext = photo->SourceExt();
    check(ext.isEmpty() || (ext.startsWith(QLatin1Char('.')) && !ext.contains(QLatin1Char('/'))
                            && !ext.contains(QLatin1Char('\\')) && ext.size() <= 6));
    for (const IFacebookPhotoFileRef& f : photo->Children())
        check(f->width() > 0 && f->height() > 0);
    try {
        const QSize max = photo->SizeMax();
        check(max.width() > 0 && max.height() > 0);
        photo->FileWithSize(200, 200);
        photo->FileWithSize(-1, 0);
    } catch (const Exception&) {
        check(photo->Children().empty());
    }
    (void)photo->Date();
    (void)photo->Name();
}

void albumList(const QList<QByteArray>& pages)
{
    auto graph = std::make_shared<PagedGraph>(pages);
    TFacebookAlbums albums(graph);
    try {
        albums.Load();
    } catch (const EFacebook&) {
        return;
    }
    check(graph->fRequests <= FacebookAlbumPagesMax);
    QSet<QString> ids;
    for (const IFacebookAlbumRef& a : albums.Children()) {
        check(FacebookIdIsSafe(a->Id()));
        check(!ids.contains(a->Id()));
        ids.insert(a->Id());
    }
}

void photoPages(const QList<QByteArray>& pages)
{
    auto graph = std::make_shared<PagedGraph>(pages);
    TFacebookAlbum album(graph, QStringLiteral("1"), QString());
    try {
        album.Load();
    } catch (const EFacebook&) {
        check(!album.Loaded());
        return;
    }
    check(graph->fRequests <= FacebookPhotoPagesMax);
    QSet<QString> ids;
    for (int i = 0; i < album.Count(); ++i) {
        IFacebookPhotoRef p = album.RetrievePhotoFromFileIndice(i);
        check(p != nullptr);
        check(!ids.contains(p->Id()));
        ids.insert(p->Id());
        checkPhoto(p);
    }
    check(album.RetrievePhotoFromFileIndice(album.Count()) == nullptr);
}

void storedSizes(const QByteArray& body)
{
    const TFacebookJson images = TFacebookJson::parse(body.constBegin(), body.constEnd(), nullptr, false);
    auto photo = std::make_shared<TFacebookPhoto>(nullptr, QStringLiteral("1"), QString(), QDateTime(),
                                                  QStringLiteral("http://h/p.jpg"), images);
    checkPhoto(photo);
}

void creationTime(const QByteArray& body)
{
    try {
        const QDateTime dt = TFacebookGraph::facebookDateParse(QString::fromUtf8(body));
        check(dt.isValid() && dt.timeSpec() == Qt::UTC);
    } catch (const Exception&) {
    }
}

void resultPage(const QList<QByteArray>& fields)
{
    const QStringList ids = TWebBrowserFacebookHelper::ResultElementIds();
    auto graph = std::make_shared<PagedGraph>(QList<QByteArray> {});
    int events = 0;
    graph->SetLoginReady([&](const IFacebookGraphRef&) { ++events; });
    graph->SetLoginError([&](const IFacebookGraphRef&, const std::exception*, const QString&, const QString&,
                             const QString&) { ++events; });
    graph->SetLoginCancel([&](const IFacebookGraphRef&) { ++events; });
    TWebBrowserFacebookHelper helper(graph, QStringLiteral("a"), QStringLiteral("s"), QStringLiteral("http://r/"));
    const QString own = graph->FacebookState();
    auto value = [&](const QString& id) {
        const int i = int(ids.indexOf(id));
        if (i < 0 || i >= fields.size())
            return QString();
        const QString v = QString::fromUtf8(fields[i]);
        // "=" stands for this client's own state.
        return v == QStringLiteral("=") ? own : v;
    };
    try {
        const bool done = helper.ResponsePageScanOk(value);
        check(done ? events == 1 : events == 0);
    } catch (const Exception&) {
        check(events == 0);
    }
}

} // namespace

void FacebookFuzzOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QList<QByteArray> pages = rest.split('\0');
    switch (data[0] % 6) {
    case 0:
        try {
            check(TFacebookGraph::ParseReply(rest, false).is_object());
        } catch (const EFacebook&) {
        }
        break;
    case 1:
        albumList(pages);
        break;
    case 2:
        photoPages(pages);
        break;
    case 3:
        storedSizes(rest);
        break;
    case 4:
        creationTime(rest);
        break;
    default:
        resultPage(rest.split('\n'));
        break;
    }
}
