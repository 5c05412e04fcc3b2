#include "UFacebookGraphPhoto.h"

#include "UDebug.h"

#include <QFileInfo>
#include <QSet>
#include <limits>

namespace {

// Width and height meaning "as large as possible".
constexpr int SizeUnbounded = 0xFFFFFF;
// Smallest box a size is chosen for.
constexpr int SizeFloor = 256;
// A stored size beyond this is not a picture the kiosk can use.
constexpr int SizeSane = 1 << 16;

const TFacebookJson* member(const TFacebookJson& obj, const char* name)
{
    if (!obj.is_object())
        return nullptr;
    auto it = obj.find(name);
    return it == obj.end() ? nullptr : &*it;
}

const TFacebookJson* dataArray(const TFacebookJson& page)
{
    const TFacebookJson* data = member(page, "data");
    return data && data->is_array() ? data : nullptr;
}

// Reads the pages of a list: each page's "data" elements go to onElement,
// then the "next" page, until there is none, maxPages were read, or a page
// names a page already read (a server going round in circles).
void readPages(const IFacebookGraphPhotoRef& graph, TFacebookJson page, int maxPages, const QString& what,
               const std::function<void(const TFacebookJson&)>& onElement)
{
    QSet<QString> seen;
    for (int pageNo = 1;; ++pageNo) {
        const TFacebookJson* data = dataArray(page);
        if (!data) {
            LogWarn(QStringLiteral("TFacebookGraphPhoto: a page of %1 without data ends the listing").arg(what));
            return;
        }
        for (const TFacebookJson& el : *data)
            onElement(el);
        if (pageNo >= maxPages)
            return;
        const TFacebookJson* paging = member(page, "paging");
        const QString next = paging ? TFacebookGraph::JsonText(*paging, "next") : QString();
        if (next.isEmpty())
            return;
        if (seen.contains(next)) {
            LogWarn(QStringLiteral("TFacebookGraphPhoto: the pages of %1 loop; listing ended").arg(what));
            return;
        }
        seen.insert(next);
        if (!graph->GetObjectNext(page))
            return;
    }
}

} // namespace

bool FacebookIdIsSafe(const QString& id)
{
    if (id.isEmpty() || id == QStringLiteral(".") || id == QStringLiteral("..") || id.size() > 200)
        return false;
    for (QChar c : id)
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c.unicode() < 0x20 || c == QLatin1Char('%'))
            return false;
    return true;
}

QString FacebookSourceWithoutHttpArg(const QString& url)
{
    const int q = url.indexOf(QLatin1Char('?'));
    return q >= 1 ? url.left(q) : url;
}

QString FacebookSourceExt(const QString& url)
{
    const QString name = url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    const QString ext = name.mid(dot + 1);
    if (ext.isEmpty() || ext.size() > 5)
        return QString();
    for (QChar c : ext)
        if (!(c.isDigit() || (c.toLatin1() >= 'a' && c.toLatin1() <= 'z') || (c.toLatin1() >= 'A' && c.toLatin1() <= 'Z')))
            return QString();
    return QLatin1Char('.') + ext;
}

// ----------------------------------------------------- TFacebookGraphPhoto

std::shared_ptr<TFacebookGraphPhoto> TFacebookGraphPhoto::selfPhoto()
{
    return std::dynamic_pointer_cast<TFacebookGraphPhoto>(shared_from_this());
}

IFacebookAlbumsRef TFacebookGraphPhoto::CreateAlbums()
{
    auto albums = std::make_shared<TFacebookAlbums>(selfPhoto());
    albums->Load();
    return albums;
}

// ------------------------------------------------------ TFacebookPhotoFile

TFacebookPhotoFile::TFacebookPhotoFile(IFacebookGraphPhotoRef graph, const QString& phid, int width, int height,
                                       const QString& source)
    : fGraph(std::move(graph))
    , fWidth(width)
    , fHeight(height)
    , fSource(source)
    , fPhid(phid)
{
}

bool TFacebookPhotoFile::DownloadTo(const QString& fpath)
{
    return fGraph->RequestToFile(fSource, nullptr, fpath);
}

// ---------------------------------------------------------- TFacebookPhoto

TFacebookPhoto::TFacebookPhoto(IFacebookGraphPhotoRef graph, const QString& id, const QString& name,
                               const QDateTime& dt, const QString& source, const TFacebookJson& files)
    : fName(name)
    , fId(id)
    , fSource(source)
    , fDt(dt)
    , fGraph(std::move(graph))
{
    if (!files.is_array())
        return;
    for (const TFacebookJson& f : files) {
        const TFacebookJson* w = member(f, "width");
        const TFacebookJson* h = member(f, "height");
        const QString src = TFacebookGraph::JsonText(f, "source");
        if (!w || !h || !w->is_number_integer() || !h->is_number_integer() || src.isEmpty()) {
            LogWarn(QStringLiteral("TFacebookPhoto: a stored size of photo %1 is incomplete and left out").arg(id));
            continue;
        }
        const auto wi = w->get<long long>(), hi = h->get<long long>();
        if (wi <= 0 || hi <= 0 || wi > SizeSane || hi > SizeSane) {
            LogWarn(QStringLiteral("TFacebookPhoto: a stored size of photo %1 is out of range and left out").arg(id));
            continue;
        }
        fChild.push_back(std::make_shared<TFacebookPhotoFile>(fGraph, fId, int(wi), int(hi), src));
    }
}

IFacebookPhotoFileRef TFacebookPhoto::FileWithSize(int width, int height)
{
    long long w = width < 0 ? SizeUnbounded : width;
    long long h = height < 0 ? SizeUnbounded : height;
    w = std::max<long long>(w, SizeFloor);
    h = std::max<long long>(h, SizeFloor);
    IFacebookPhotoFileRef best;
    long long bestD = std::numeric_limits<long long>::max();
    for (const IFacebookPhotoFileRef& f : fChild) {
        const long long d = std::llabs(f->width() - w) + std::llabs(f->height() - h);
        // Of equally distant sizes the later one wins.
        if (!best || d <= bestD) {
            best = f;
            bestD = d;
        }
    }
    if (!best)
        throw Exception(QStringLiteral("Facebook file ") + fId + QStringLiteral(" invalid !"));
    return best;
}

IFacebookPhotoRef TFacebookPhoto::RetrievePhotoFromFileId(const QString& fileId)
{
    return fileId == fId ? shared_from_this() : nullptr;
}

// ---------------------------------------------------------- TFacebookAlbum

TFacebookAlbum::TFacebookAlbum(IFacebookGraphPhotoRef graph, const QString& id, const QString& name)
    : fName(name)
    , fId(id)
    , fGraph(std::move(graph))
{
}

void TFacebookAlbum::Load()
{
    if (fBLoaded)
        return;
    fChild.clear();
    fChildLst.clear();
    TFacebookDico args;
    args[QStringLiteral("fields")] = QStringLiteral("name,picture,images,created_time");
    TFacebookJson page = fGraph->GetObject(fId + QStringLiteral("/photos"), &args);
    readPages(fGraph, std::move(page), FacebookPhotoPagesMax, QStringLiteral("album ") + fId,
              [this](const TFacebookJson& el) {
                  const QString id = TFacebookGraph::JsonText(el, "id");
                  const QString source = TFacebookGraph::JsonText(el, "picture");
                  const TFacebookJson* images = member(el, "images");
                  if (!FacebookIdIsSafe(id) || source.isEmpty() || !images || !images->is_array()) {
                      LogWarn(QStringLiteral("TFacebookAlbum.Load: an unusable photo of album %1 is left out [%2]")
                                  .arg(fId, id.left(64)));
                      return;
                  }
                  if (fChild.contains(id)) {
                      LogWarn(QStringLiteral("TFacebookAlbum.Load: photo %1 listed twice in album %2").arg(id, fId));
                      return;
                  }
                  // No readable creation time: the photo has no date (the
                  // sorting by date puts it apart) rather than a made-up one.
                  QDateTime dt;
                  const QString created = TFacebookGraph::JsonText(el, "created_time");
                  if (!created.isEmpty()) {
                      try {
                          dt = TFacebookGraph::facebookDateParse(created);
                      } catch (const std::exception&) {
                          dt = QDateTime();
                      }
                  }
                  auto photo = std::make_shared<TFacebookPhoto>(fGraph, id, TFacebookGraph::JsonText(el, "name"), dt,
                                                                source, *images);
                  fChild.insert(id, photo);
                  fChildLst.push_back(photo);
              });
    fBLoaded = true;
}

IFacebookPhotoRef TFacebookAlbum::RetrievePhotoFromFileId(const QString& fileId)
{
    Load();
    return fChild.value(fileId);
}

IFacebookPhotoRef TFacebookAlbum::RetrievePhotoFromFileIndice(int idx)
{
    Load();
    if (idx < 0 || idx >= int(fChildLst.size()))
        return nullptr;
    return fChildLst[size_t(idx)];
}

// --------------------------------------------------------- TFacebookAlbums

TFacebookAlbums::TFacebookAlbums(IFacebookGraphPhotoRef graph)
    : fGraph(std::move(graph))
{
}

void TFacebookAlbums::Load()
{
    if (fBLoaded)
        return;
    fChild.clear();
    fChildLst.clear();
    TFacebookJson page = fGraph->GetObject(QStringLiteral("me/albums"), nullptr);
    readPages(fGraph, std::move(page), FacebookAlbumPagesMax, QStringLiteral("albums"), [this](const TFacebookJson& el) {
        const QString id = TFacebookGraph::JsonText(el, "id");
        if (!FacebookIdIsSafe(id) || !member(el, "name")) {
            LogWarn(QStringLiteral("TFacebookAlbums.Load: an unusable album is left out [%1]").arg(id.left(64)));
            return;
        }
        if (fChild.contains(id)) {
            LogWarn(QStringLiteral("TFacebookAlbums.Load: album %1 listed twice").arg(id));
            return;
        }
        auto album = std::make_shared<TFacebookAlbum>(fGraph, id, TFacebookGraph::JsonText(el, "name"));
        fChild.insert(id, album);
        fChildLst.push_back(album);
    });
    fBLoaded = true;
}

QString TFacebookAlbums::PhotoIdFromFilePath(const QString& filePath)
{
    QString name = filePath.mid(std::max(filePath.lastIndexOf(QLatin1Char('/')), filePath.lastIndexOf(QLatin1Char('\\'))) + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name = name.left(dot);
    const int dash = name.lastIndexOf(QLatin1Char('-'));
    if (dash >= 1)
        name = name.left(dash);
    return name;
}

IFacebookPhotoRef TFacebookAlbums::RetrievePhotoFromFilePath(const QString& filePath)
{
    return RetrievePhotoFromFileId(PhotoIdFromFilePath(filePath));
}

IFacebookPhotoRef TFacebookAlbums::RetrievePhotoFromFileId(const QString& fileId)
{
    Load();
    for (const IFacebookAlbumRef& album : fChildLst)
        if (IFacebookPhotoRef photo = album->RetrievePhotoFromFileId(fileId))
            return photo;
    return nullptr;
}
