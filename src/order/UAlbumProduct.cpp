#include "UAlbumProduct.h"

#include "UAlbumSize.h"
#include "UCatalogueLists.h"
#include "UCustomizedPage.h"
#include "UDebug.h"
#include "UFormat.h"
#include "ULangTexts.h"
#include "UOrderImage.h"
#include "UOwnerList.h"
#include "UPrintOrder.h"
#include "UTemplateProduct.h"
#include "UWaitingProduct.h"

#include <cmath>
#include <cstdlib>

// The order file's description of a photo book. The pages (covers and
// inner pages) are written whole by their own descriptions; the pictures by
// reference (the order owns them).
KIOSK_SERIALIZABLE_DESCRIBE_WITH_(
    TAlbumProduct, TProduct, [] { return std::unique_ptr<TRemotable>(new TAlbumProductImpl()); },
    b.Property<std::unique_ptr<AlbumPhotographe2>>(
        "Album", [](const TAlbumProduct& p) { return p.Album(); },
        [](TAlbumProduct& p, std::unique_ptr<AlbumPhotographe2> v) {
            if (auto* a = dynamic_cast<TAlbumProductImpl*>(&p))
                a->SetAlbumOwned(std::move(v));
        },
        nullptr);
    b.Property<std::unique_ptr<GammeFond2>>(
        "BackgroundRange",
        [](const TAlbumProduct& p) -> GammeFond2* {
            auto* a = dynamic_cast<const TAlbumProductImpl*>(&p);
            return a ? a->BackgroundRange() : nullptr;
        },
        [](TAlbumProduct& p, std::unique_ptr<GammeFond2> v) {
            if (auto* a = dynamic_cast<TAlbumProductImpl*>(&p))
                a->SetBackgroundRangeOwned(std::move(v));
        },
        nullptr);
    b.Property<std::vector<std::unique_ptr<TOrderImageBase>>>(
        "Images",
        [](const TAlbumProduct& p) {
            std::vector<TOrderImageBase*> out;
            if (auto* a = dynamic_cast<const TAlbumProductImpl*>(&p))
                for (TOrderImageBase* img : a->Images())
                    out.push_back(img);
            return out;
        },
        [](TAlbumProduct& p, std::vector<std::unique_ptr<TOrderImageBase>> v) {
            std::vector<TOrderImageBase*> raw;
            for (auto& img : v)
                raw.push_back(img.release());
            if (auto* a = dynamic_cast<TAlbumProductImpl*>(&p))
                a->SetImages(TArray<TOrderImageBase*>(raw));
        },
        nullptr);
    b.Property<std::vector<std::unique_ptr<TCustomizedPageBase>>>(
        "Pages",
        [](const TAlbumProduct& p) {
            std::vector<TCustomizedPageBase*> out;
            if (auto* a = dynamic_cast<const TAlbumProductImpl*>(&p))
                for (TCustomizedPageBase* page : a->CustomizedAlbumPageList())
                    out.push_back(page);
            return out;
        },
        [](TAlbumProduct& p, std::vector<std::unique_ptr<TCustomizedPageBase>> v) {
            if (auto* a = dynamic_cast<TAlbumProductImpl*>(&p))
                a->SetPages(std::move(v));
        },
        nullptr);)

namespace {

// Registers the implementation with the order at program start.
[[maybe_unused]] const bool gFactoryInstalled = [] {
    TAlbumProductImpl::InstallFactory();
    return true;
}();

} // namespace

TAlbumProductImpl::TAlbumProductImpl()
    : fImages(TArcList<TOrderImageBase*>::Create())
{
    if (auto access = DesignedPageAccess::Current())
        fPages = access->NewPageList();
}

TAlbumProductImpl::TAlbumProductImpl(TPrintOrder* order)
    : TAlbumProduct(order)
    , fImages(TArcList<TOrderImageBase*>::Create())
{
    if (auto access = DesignedPageAccess::Current())
        fPages = access->NewPageList();
}

TAlbumProductImpl::~TAlbumProductImpl()
{
    // A page that fails while being freed must not stop the rest of the
    // destruction.
    try {
        if (fPages)
            fPages->ClearAndFree();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TAlbumProduct.Destroy"), e);
    }
    if (fAlbumOwned)
        delete fAlbum;
    if (fBackgroundRangeOwned)
        delete fBackgroundRange;
}

void TAlbumProductImpl::InstallFactory()
{
    TAlbumProduct::SetFactory([](TPrintOrder* order) { return std::make_unique<TAlbumProductImpl>(order); });
}

// --- stored data

void TAlbumProductImpl::SetAlbum(AlbumPhotographe2* album)
{
    if (album == fAlbum)
        return;
    SetBorrowed(fAlbum, fAlbumOwned, album);
    // The frame counts belong to the model's page size.
    fMinFramesPerPage = -1;
    fMaxFramesPerPage = -1;
}

void TAlbumProductImpl::SetAlbumOwned(std::unique_ptr<AlbumPhotographe2> album)
{
    SetOwned(fAlbum, fAlbumOwned, std::move(album));
    fMinFramesPerPage = -1;
    fMaxFramesPerPage = -1;
}

qint32 TAlbumProductImpl::AlbumId() const
{
    if (!fAlbum)
        throw Exception(QStringLiteral("TAlbumProduct.GetAlbumId: no album"));
    return fAlbum->AlbumPhotographeId();
}

void TAlbumProductImpl::SetBackgroundRange(GammeFond2* range)
{
    SetBorrowed(fBackgroundRange, fBackgroundRangeOwned, range);
}

void TAlbumProductImpl::SetBackgroundRangeOwned(std::unique_ptr<GammeFond2> range)
{
    SetOwned(fBackgroundRange, fBackgroundRangeOwned, std::move(range));
}

void TAlbumProductImpl::SetPages(std::vector<std::unique_ptr<TCustomizedPageBase>> pages)
{
    ProductPagesReplace(fPages, this, std::move(pages));
}

void TAlbumProductImpl::SetImages(const TArray<TOrderImageBase*>& images)
{
    fImages = TArcList<TOrderImageBase*>::Create(images);
}

// --- pictures

bool TAlbumProductImpl::ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg)
{
    return availableImageReplace(fImages, fPages, oldImg, newImg);
}

TOrderImageBase* TAlbumProductImpl::ImageUsedAdd(TOrderImageBase* img)
{
    return availableImageAdd(fImages, img);
}

void TAlbumProductImpl::ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force)
{
    availableImageDel(fImages, fPages, main, img, force);
}

void TAlbumProductImpl::InitWithProduct(TProductBase* prod)
{
    if (auto* waiting = dynamic_cast<TWaitingProduct*>(prod))
        fImages = waiting->ImgsAvailableList();
}

// --- product

bool TAlbumProductImpl::XMLloadFinalize(TPrintOrder* order, IMainFrame* main)
{
    bool result = true;
    if (fAlbum) {
        TPhotographerAlbumList* albums = main ? main->GetWebSvcAlbumProducts() : nullptr;
        // A record gone from the catalogue is kept for the labels until the
        // order drops the product.
        if (!RelinkToCatalogue(fAlbum, fAlbumOwned, albums ? albums->findById(fAlbum->AlbumPhotographeId()) : nullptr))
            result = false;
    } else {
        result = false;
    }

    if (fBackgroundRange) {
        TAlbumSizeList* sizes = main ? main->GetWebSvcAlbumSize() : nullptr;
        const bool sizeKnown = fAlbum && sizes && sizes->byWidthHeight(fAlbum->LargeurPage(), fAlbum->HauteurPage());
        TBackgroundRangeList* ranges = sizeKnown ? main->GetWebSvcBackgroundRange() : nullptr;
        if (!RelinkToCatalogue(fBackgroundRange, fBackgroundRangeOwned,
                               ranges ? ranges->findById(fBackgroundRange->Id()) : nullptr))
            result = false;
    }

    if (!DesignedPageAccess::XMLloadFinalize(fPages, main))
        result = false;
    (void)order;
    return result;
}

QString TAlbumProductImpl::FormatAlbumSize(IMainFrame* main, AlbumPhotographe2* alb, TProductLabelMode mode)
{
    return FormatSize(main, alb->LargeurPage(), alb->HauteurPage(), mode);
}

QString TAlbumProductImpl::FormatAlbumName(IMainFrame* main, AlbumPhotographe2* alb, TProductLabelMode mode)
{
    const QString size = FormatAlbumSize(main, alb, mode);
    if (!alb->NomAlbumPhotographe().isEmpty())
        return Format(QStringLiteral("%s %s"), { size, alb->NomAlbumPhotographe() });
    return LangTexts::Order::PhotoBook.Text({ size });
}

QString TAlbumProductImpl::AlbumLabel(TProductLabelMode mode)
{
    if (!fAlbum || !fOrder)
        return QStringLiteral("?");
    QString label = FormatAlbumName(mainFrame(), fAlbum, mode);
    const int extra = PageSuppCount();
    if (extra > 0)
        label += QStringLiteral(" - ") + LangTexts::Order::AdditionalPages.Text({ extra });
    return label;
}

QString TAlbumProductImpl::DebugLabel()
{
    return ProductLabel() + QStringLiteral("(ID : ")
        + (fAlbum ? QString::number(fAlbum->AlbumPhotographeId()) : QStringLiteral("?")) + QLatin1Char(')');
}

QString TAlbumProductImpl::PageLabelFor(int pageNum, int pageCount, TProductLabelMode mode)
{
    const bool isShort = mode == plm_short;
    if (pageNum == 1)
        return isShort ? LangTexts::Order::FrontCover.Text() : LangTexts::Order::TheFrontCover.Text();
    if (pageNum == pageCount)
        return isShort ? LangTexts::Order::BackCover.Text() : LangTexts::Order::TheBackCover.Text();
    return (isShort ? LangTexts::Order::PageFmt : LangTexts::Order::ThePage).Text({ pageNum - 2 });
}

QString TAlbumProductImpl::PageLabel(int pageNum, TProductLabelMode mode)
{
    return PageLabelFor(pageNum, pageCount(), mode);
}

QString TAlbumProductImpl::DoublePageLabelFor(int pageIndex, int pageCount)
{
    if (pageIndex == 0)
        return LangTexts::Order::FrontCover.Text();
    if (pageIndex == pageCount)
        return LangTexts::Order::BackCover.Text();
    if (pageIndex == 2)
        return LangTexts::Order::PageFmt.Text({ 1 });
    if (pageIndex == pageCount - 2)
        return LangTexts::Order::PageFmt.Text({ pageIndex - 2 });
    return LangTexts::Order::Pages.Text({ pageIndex - 2, pageIndex - 1 });
}

QString TAlbumProductImpl::DoublePageLabel(int pageIndex, TProductLabelMode)
{
    return DoublePageLabelFor(pageIndex, pageCount());
}

TCustomizedPageBase* TAlbumProductImpl::GetPageByNum(int pageNum)
{
    if (pageCount() == 0)
        return nullptr;
    const auto access = DesignedPageAccess::Required();
    for (int p = 0; p < fPages->GetCount(); ++p)
        if (access->PageNum(fPages->GetItem(p)) == pageNum)
            return fPages->GetItem(p);
    return nullptr;
}

bool TAlbumProductImpl::IsEmpty()
{
    return TTemplateProductImpl::IsEmptyPages(DesignedPageAccess::Contents(fPages));
}

int TAlbumProductImpl::ChannelId()
{
    return fAlbum ? fAlbum->Channel() : 0;
}

int TAlbumProductImpl::ChannelIdForPrintedCover()
{
    if (fAlbum && fAlbum->ChannelCouvertureImprimee() > 0)
        return fAlbum->ChannelCouvertureImprimee();
    return ChannelId();
}

void TAlbumProductImpl::CheckPages(const QString& productLabel, const std::vector<TDesignedPageContent>& pages,
                                   const std::function<QString(int)>& pageLabel)
{
    bool content = false;
    for (const TDesignedPageContent& page : pages) {
        for (const TFrameTraits& f : page.frames) {
            if (!TCustomizedFrameRules::isToSendToLumlab(f))
                continue;
            if (TCustomizedFrameRules::isText(f) || f.imageValid) {
                content = true;
                continue;
            }
            throw EUser(LangTexts::Order::ProductLeastOneInvalidMissing.Text({ productLabel, pageLabel(page.pageNum) }));
        }
    }
    if (!content)
        throw EUser(LangTexts::Order::ProductNoImageRequiresLeast.Text({ productLabel }));
}

void TAlbumProductImpl::Check()
{
    CheckPages(ProductLabel(), DesignedPageAccess::Contents(fPages),
               [this](int pageNum) { return PageLabel(pageNum, plm_std); });
}

// --- counts

int TAlbumProductImpl::PageSuppCountFor(int pageCount, bool rectoVerso, qint32 minPages)
{
    int m = pageCount - 4; // the covers
    if (!rectoVerso)
        // Each printed side is followed by a blank page; halves go to the
        // even neighbour.
        m = int(std::nearbyint(m / 2.0));
    return m > minPages ? m - minPages : 0;
}

int TAlbumProductImpl::PageSuppCount()
{
    if (!fAlbum)
        throw Exception(QStringLiteral("TAlbumProduct.PageSuppCount: album = nil"));
    return PageSuppCountFor(pageCount(), fAlbum->RectoVerso(), fAlbum->NombrePagesMini());
}

qint32 TAlbumProductImpl::getMinPages() const
{
    if (!fAlbum)
        throw Exception(QStringLiteral("TAlbumProduct.getMinPages: album = nil"));
    return fAlbum->NombrePagesMini();
}

qint32 TAlbumProductImpl::getMaxPages() const
{
    if (!fAlbum)
        throw Exception(QStringLiteral("TAlbumProduct.getMaxPages: album = nil"));
    return fAlbum->NombrePagesMaxi();
}

qint32 TAlbumProductImpl::framesPerPage(bool wantMax)
{
    qint32& cached = wantMax ? fMaxFramesPerPage : fMinFramesPerPage;
    if (cached > 0)
        return cached;
    IMainFrame* main = mainFrame();
    TAlbumSizeList* sizes = main ? main->GetWebSvcAlbumSize() : nullptr;
    TAlbumSize* size = fAlbum && sizes ? sizes->byWidthHeight(fAlbum->LargeurPage(), fAlbum->HauteurPage()) : nullptr;
    if (!size)
        return 1; // not cached: the catalogue may still bring the size
    const TPageModelFramesLimit limit = size->getPageModelFramesLimit();
    const qint32 n = wantMax ? limit.max : limit.min;
    cached = n > 0 ? n : 1;
    return cached;
}

qint32 TAlbumProductImpl::getMinFramesPerPageOnModels()
{
    return framesPerPage(false);
}

qint32 TAlbumProductImpl::getMaxFramesPerPageOnModels()
{
    return framesPerPage(true);
}

qint32 TAlbumProductImpl::PhotoCountFor(bool photoOnFirstPage, qint32 minPages, qint32 framesPerPage)
{
    const qint32 f = photoOnFirstPage ? 1 : 0;
    const qint32 p = f == 1 && minPages > 0 ? minPages - 1 : minPages;
    return f + p * framesPerPage;
}

qint32 TAlbumProductImpl::getMinPhotos()
{
    return PhotoCountFor(fAlbum && fAlbum->PhotoEn1erePage(), getMinPages(), getMinFramesPerPageOnModels());
}

qint32 TAlbumProductImpl::getMaxPhotos()
{
    // The range of a photo book of the minimum size: NombrePagesMini here too.
    return PhotoCountFor(fAlbum && fAlbum->PhotoEn1erePage(), getMinPages(), getMaxFramesPerPageOnModels());
}

qint32 TAlbumProductImpl::getMinPhotosForFramesPerPage(qint32 nbFramesPerPage) const
{
    return PhotoCountFor(fAlbum && fAlbum->PhotoEn1erePage(), getMinPages(), nbFramesPerPage);
}

qint32 TAlbumProductImpl::getMaxPhotosForFramesPerPage(qint32 nbFramesPerPage) const
{
    return getMinPhotosForFramesPerPage(nbFramesPerPage);
}

// --- prices

PrixAlbum2* TAlbumProductImpl::GetAlbumPrice(IMainFrame* main, qint32 idAlbum, qint32 qty, bool seePageAddPrice,
                                             bool required)
{
    TAlbumPriceList* rows = main ? main->GetWebSvcAlbumPrice() : nullptr;
    PrixAlbum2* nearest = nullptr;
    qint64 nearestDistance = 0;
    if (rows) {
        for (PrixAlbum2* row : *rows) {
            if (!row || row->AlbumId() != idAlbum || row->EstTarifPageSupplementaire() != seePageAddPrice)
                continue;
            if (row->QuantiteMinimale() <= qty && qty <= row->QuantiteMaximale())
                return row;
            const qint64 distance = std::min(std::llabs(qint64(qty) - row->QuantiteMinimale()),
                                             std::llabs(qint64(qty) - row->QuantiteMaximale()));
            if (!nearest || distance < nearestDistance) {
                nearest = row;
                nearestDistance = distance;
            }
        }
    }
    if (!nearest && required)
        throw Exception(QStringLiteral("TAlbumProduct.GetAlbumPrice: PrixAlbum2 not found"));
    return nearest;
}

TProductPrice TAlbumProductImpl::GetBasePrice(IMainFrame* main, qint32 idAlbum, qint32 qty, bool seePageAddPrice,
                                              bool required)
{
    TProductPrice p;
    p.qty = qty;
    Consommateur2* consumer = main ? main->GetWebSvcConsumerFull() : nullptr;
    p.priceType = consumer ? consumer->TypeTarif() : Tarif_TypeTarif::Undef;
    PrixAlbum2* row = GetAlbumPrice(main, idAlbum, qty, seePageAddPrice, false);
    if (!row) {
        if (required)
            throw Exception(QStringLiteral("TAlbumProduct.GetBasePrice: price not found"));
        p.price = 0;
        return p;
    }
    p.price = Money::FromDouble(row->Cout());
    main->priceRound(p);
    return p;
}

TProductPrice TAlbumProductImpl::GetUnitPrice(qint32 qty, bool seePageAddPrice)
{
    return GetBasePrice(mainFrame(), AlbumId(), qty, seePageAddPrice, true);
}

TProductPrice TAlbumProductImpl::GetPrice()
{
    TProductPrice result = GetUnitPrice(Quantity(), false);
    if (Quantity() <= 0)
        return result;
    result.price = Money::Mul(result.price, Quantity());
    const int extra = PageSuppCount();
    if (extra > 0) {
        const TProductPrice pageUnit = GetUnitPrice(Quantity(), true);
        result.price = Money::Add(result.price, Money::Mul(pageUnit.price, qint64(Quantity()) * extra));
    }
    return result;
}
