#include "UAlbumSize.h"

#include "UOrderImage.h"
#include "UPageModeleZeb.h"

#include <mutex>

KIOSK_SERIALIZABLE_DESCRIBE(
    TAlbumSize, TXMLSerializable,
    b.Property<qint32>("cx", [](const TAlbumSize& s) { return s.cx(); }, [](TAlbumSize& s, qint32 v) { s.setCx(v); },
                       nullptr);
    b.Property<qint32>("cy", [](const TAlbumSize& s) { return s.cy(); }, [](TAlbumSize& s, qint32 v) { s.setCy(v); },
                       nullptr);
    b.Property<std::vector<std::unique_ptr<FondAlbum2>>>(
        "Backgrounds",
        [](const TAlbumSize& s) {
            std::vector<FondAlbum2*> out;
            for (FondAlbum2* bg : s.BackgroundList())
                out.push_back(bg);
            return out;
        },
        [](TAlbumSize& s, std::vector<std::unique_ptr<FondAlbum2>> v) {
            auto list = std::make_unique<TAlbumBackgroundList>(true);
            for (auto& bg : v)
                list->Add(bg.release());
            s.SetBackgroundList(std::move(list));
        },
        nullptr);
    b.Property<std::vector<std::unique_ptr<PageModeleZeb>>>(
        "PageTemplates",
        [](const TAlbumSize& s) {
            std::vector<PageModeleZeb*> out;
            for (PageModeleZeb* m : s.PageModelList())
                out.push_back(m);
            return out;
        },
        [](TAlbumSize& s, std::vector<std::unique_ptr<PageModeleZeb>> v) {
            auto list = std::make_unique<TOwnerList<PageModeleZeb>>(true);
            for (auto& m : v)
                list->Add(m.release());
            s.SetPageModelList(std::move(list));
        },
        nullptr);)

namespace {

// Ratio of two counts: 1 when both are 0, 0 when only one is, otherwise the
// smaller over the larger.
float countRatio(qint32 a, qint32 b)
{
    if (a == 0 && b == 0)
        return 1.0f;
    if (a == 0 || b == 0)
        return 0.0f;
    return a < b ? float(a) / float(b) : float(b) / float(a);
}

std::mutex& bgFactorySync()
{
    static std::mutex sync;
    return sync;
}

TBgAlbumData::TImageFactory& bgFactory()
{
    static TBgAlbumData::TImageFactory factory;
    return factory;
}

// The process-wide generator of the album builder: a 32-bit linear
// congruential sequence whose seed may be read and set back, so that a
// preview's draws can be replayed exactly when the customer's book is built.
struct SharedRandom {
    std::mutex sync;
    quint32 seed = 0;
};

SharedRandom& sharedRandom()
{
    static SharedRandom r;
    return r;
}

} // namespace

// ------------------------------------------------------------------ AlbumRandom

void AlbumRandom::Seed(quint32 seed)
{
    SharedRandom& r = sharedRandom();
    std::lock_guard lock(r.sync);
    r.seed = seed;
}

void AlbumRandom::SetSeed(qint32 seed)
{
    Seed(quint32(seed));
}

qint32 AlbumRandom::GetSeed()
{
    SharedRandom& r = sharedRandom();
    std::lock_guard lock(r.sync);
    return qint32(r.seed);
}

int AlbumRandom::Below(int count)
{
    if (count <= 0)
        throw EArgumentOutOfRangeException();
    SharedRandom& r = sharedRandom();
    std::lock_guard lock(r.sync);
    r.seed = r.seed * 134775813u + 1u;
    return int((quint64(r.seed) * quint64(count)) >> 32);
}

// ------------------------------------------------------------------ TBgAlbumData

void TBgAlbumData::SetImageFactory(TImageFactory factory)
{
    std::lock_guard lock(bgFactorySync());
    bgFactory() = std::move(factory);
}

TBgAlbumData::TBgAlbumData(IMainFrame* main, FondAlbum2* background)
    : fBackground(background)
{
    TImageFactory factory;
    {
        std::lock_guard lock(bgFactorySync());
        factory = bgFactory();
    }
    if (factory)
        fImage = factory(main, background);
}

TBgAlbumData::~TBgAlbumData() = default;

// -------------------------------------------------------------------- TAlbumSize

TAlbumSize::TAlbumSize()
    : fBackgrounds(std::make_unique<TAlbumBackgroundList>(true))
    , fPageModels(std::make_unique<TOwnerList<PageModeleZeb>>(true))
{
    // Page models find their parent class by its registered name.
    (void)StaticClassInfo();
}

TAlbumSize::TAlbumSize(qint32 x, qint32 y)
    : TAlbumSize()
{
    fCx = x;
    fCy = y;
}

TAlbumSize::~TAlbumSize()
{
    // The background data refer to the backgrounds: freed first.
    fBgData.reset();
}

void TAlbumSize::SetBackgroundList(std::unique_ptr<TAlbumBackgroundList> list)
{
    if (!list)
        list = std::make_unique<TAlbumBackgroundList>(true);
    // Background data built on the old backgrounds would point at freed
    // records: they are built again on the next request.
    fBgData.reset();
    fBackgrounds = std::move(list);
}

void TAlbumSize::SetPageModelList(std::unique_ptr<TOwnerList<PageModeleZeb>> list)
{
    if (!list)
        list = std::make_unique<TOwnerList<PageModeleZeb>>(true);
    for (PageModeleZeb* m : *list)
        if (m)
            m->GiveParent(this);
    fPageModels = std::move(list);
}

void TAlbumSize::PageModelListStr(const QStringList& arr)
{
    auto list = std::make_unique<TOwnerList<PageModeleZeb>>(true);
    for (const QString& text : arr) {
        auto model = std::make_unique<PageModeleZeb>();
        model->GiveParent(this);
        model->SetInfo(text);
        list->Add(model.release());
    }
    fPageModels = std::move(list);
}

TPageModelFramesLimit TAlbumSize::getPageModelFramesLimit()
{
    if (fFramesLimit.min == 9999 && fFramesLimit.max == -1) {
        for (const PageModeleZeb* m : *fPageModels) {
            const qint32 n = m->Cadres().Count();
            if (n < 1)
                continue;
            fFramesLimit.min = std::min(fFramesLimit.min, n);
            fFramesLimit.max = std::max(fFramesLimit.max, n);
        }
        if (fFramesLimit.min == 9999)
            fFramesLimit.min = 0;
        if (fFramesLimit.max == -1)
            fFramesLimit.max = 0;
    }
    return fFramesLimit;
}

float TAlbumSize::PageModelScore(qint32 portraitFrames, qint32 landscapeFrames, qint32 countPortrait,
                                 qint32 countLandscape)
{
    const float all = countRatio(countPortrait + countLandscape, portraitFrames + landscapeFrames) * 1000.0f;
    const float portrait = countRatio(countPortrait, portraitFrames) * 50.0f;
    const float landscape = countRatio(countLandscape, landscapeFrames) * 50.0f;
    return all + portrait + landscape;
}

bool TAlbumSize::fullSizeFrame(const PageModelFrameZeb* f) const
{
    return f && f->X <= 0 && f->Y <= 0 && f->Largeur >= fCx && f->Hauteur >= fCy;
}

bool TAlbumSize::pageModelWithFullSizeFrame(const PageModeleZeb* pageModel) const
{
    if (!pageModel)
        return false;
    for (const PageModelFrameZeb* f : pageModel->Cadres())
        if (fullSizeFrame(f))
            return true;
    return false;
}

TPageModelScoreMap TAlbumSize::getPageModelAvailableList(qint32 countPortrait, qint32 countLandscape,
                                                         bool bNoFullSizeFrame)
{
    TPageModelScoreMap out;
    for (PageModeleZeb* m : *fPageModels) {
        if (!m || (bNoFullSizeFrame && pageModelWithFullSizeFrame(m)))
            continue;
        const float score = PageModelScore(m->NombreCadreOrientationVerticale(), m->NombreCadreOrientationHorizontale(),
                                           countPortrait, countLandscape);
        out[score].push_back(m);
    }
    return out;
}

PageModeleZeb* TAlbumSize::getRandomInBestPageModelAvailable(qint32 countPortrait, qint32 countLandscape,
                                                             bool bNoFullSizeFrame)
{
    const TPageModelScoreMap models = getPageModelAvailableList(countPortrait, countLandscape, bNoFullSizeFrame);
    if (models.empty())
        throw Exception(QStringLiteral("TAlbumSize.getRandomInBestPageModelAvailable: no page model found !"));
    const std::vector<PageModeleZeb*>& best = models.rbegin()->second;
    if (best.empty())
        throw Exception(QStringLiteral("TAlbumSize.getRandomInBestPageModelAvailable: internal pb"));
    return best[size_t(AlbumRandom::Below(int(best.size())))];
}

TOwnerList<TBgAlbumData>& TAlbumSize::getBgAlbumDataList(IMainFrame* main)
{
    if (!fBgData) {
        auto list = std::make_unique<TOwnerList<TBgAlbumData>>(true);
        for (FondAlbum2* bg : *fBackgrounds)
            list->Add(new TBgAlbumData(main, bg));
        fBgData = std::move(list);
    }
    return *fBgData;
}

TBgAlbumData* TAlbumSize::bgAlbumDataById(IMainFrame* main, qint32 id)
{
    for (TBgAlbumData* d : getBgAlbumDataList(main))
        if (d->BackgroundAlbum() && d->BackgroundAlbum()->Id() == id)
            return d;
    throw Exception(QStringLiteral("AlbumSize.bgAlbumDataById: background not found"));
}

// ---------------------------------------------------------------- TAlbumSizeList

TAlbumSize* TAlbumSizeList::byWidthHeight(qint32 width, qint32 height) const
{
    for (TAlbumSize* s : *this)
        if (s && s->cx() == width && s->cy() == height)
            return s;
    return nullptr;
}
