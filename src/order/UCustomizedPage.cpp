#include "UCustomizedPage.h"

#include "UAlbumSize.h"
#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UDesignedPageAccess.h"
#include "UDebug.h"
#include "UDesignedProducts.h"
#include "ULabAlbumContracts.h"
#include "ULabTemplateContracts.h"
#include "ULangTexts.h"
#include "UProductBase.h"
#include "UTools.h"
#include "UZebtemplateVelmoraFrameInfo.h"

#include <algorithm>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(
    TCustomizedPageBase, TXMLSerializableNeedParent,
    b.Property<std::vector<std::unique_ptr<TCustomizedFrame>>>(
        "Frames",
        [](const TCustomizedPageBase& p) {
            std::vector<TCustomizedFrame*> out;
            for (TCustomizedFrame* f : p.CustomizedFrameList())
                out.push_back(f);
            return out;
        },
        [](TCustomizedPageBase& p, std::vector<std::unique_ptr<TCustomizedFrame>> v) {
            std::vector<TCustomizedFrame*> raw;
            for (auto& f : v)
                raw.push_back(f.release());
            p.SetFrames(TArray<TCustomizedFrame*>(raw));
        },
        nullptr);
    b.Property<qint32>("PageNum", [](const TCustomizedPageBase& p) { return p.PageNum(); },
                       [](TCustomizedPageBase& p, qint32 v) { p.SetPageNum(v); }, nullptr);)

// The catalogue records of the pages are written whole; a loaded page owns
// the copy read from the file until XMLloadFinalize finds the catalogue's own.
KIOSK_SERIALIZABLE_DESCRIBE(
    TCustomizedPage, TCustomizedPageBase,
    b.Property<std::unique_ptr<ZebtemplateVelmora2>>(
        "TplVelmora", [](const TCustomizedPage& p) { return p.TplVelmora(); },
        [](TCustomizedPage& p, std::unique_ptr<ZebtemplateVelmora2> v) { p.SetTplVelmoraOwned(std::move(v)); },
        nullptr);)
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(
    TCustomizedAlbumPageBase, TCustomizedPageBase,
    b.Property<std::unique_ptr<FondAlbum2>>(
        "BgAlbum", [](const TCustomizedAlbumPageBase& p) { return p.BgAlbum(); },
        [](TCustomizedAlbumPageBase& p, std::unique_ptr<FondAlbum2> v) { p.SetBgAlbumOwned(std::move(v)); },
        nullptr);)
KIOSK_SERIALIZABLE_DESCRIBE(TCustomizedAlbumPage, TCustomizedAlbumPageBase, )
KIOSK_SERIALIZABLE_DESCRIBE(
    TCustomizedAlbumCover, TCustomizedAlbumPageBase,
    b.Property<std::unique_ptr<CouleurMatiere2>>(
        "Cover", [](const TCustomizedAlbumCover& p) { return p.Cover(); },
        [](TCustomizedAlbumCover& p, std::unique_ptr<CouleurMatiere2> v) { p.SetCoverOwned(std::move(v)); },
        nullptr);)

namespace {

// How the products reach their pages (see UDesignedPageAccess.h).
class TCustomizedPageAccess : public IDesignedPageAccess {
public:
    IArcList<TCustomizedPageBase*> NewPageList() override { return TArcList<TCustomizedPageBase*>::Create(); }
    int PageNum(TCustomizedPageBase* page) override { return page ? page->PageNum() : 0; }
    ZebtemplateVelmora2* TplVelmora(TCustomizedPageBase* page) override
    {
        auto* p = dynamic_cast<TCustomizedPage*>(page);
        return p ? p->TplVelmora() : nullptr;
    }
    std::vector<TFrameTraits> Frames(TCustomizedPageBase* page) override
    {
        std::vector<TFrameTraits> out;
        if (!page)
            return out;
        for (TCustomizedFrame* f : page->CustomizedFrameList()) {
            TFrameTraits t = f->Traits();
            t.imageValid = f->IsImageValid();
            out.push_back(t);
        }
        return out;
    }
    bool ImageUsedReplace(TCustomizedPageBase* page, TOrderImageBase* oldImg, TOrderImageBase* newImg) override
    {
        return page && page->ImageUsedReplace(oldImg, newImg);
    }
    void ImageUsedDel(TCustomizedPageBase* page, IMainFrame* main, TOrderImageBase* img, bool force) override
    {
        if (page)
            page->ImageUsedDel(main, img, force);
    }
    bool XMLloadFinalize(TCustomizedPageBase* page, IMainFrame* main) override
    {
        return page && page->XMLloadFinalize(main);
    }
};

const QString kNoPageSize =
    QStringLiteral("TCustomizedPage.getRatioMmPerPx: no background frame or background frame with invalid size");

} // namespace

std::shared_ptr<IDesignedPageAccess> DesignedPageAccess::PageClassesAccess()
{
    static const std::shared_ptr<IDesignedPageAccess> access = std::make_shared<TCustomizedPageAccess>();
    return access;
}

// ---------------------------------------------------------- TCustomizedPageBase

TCustomizedPageBase::TCustomizedPageBase() : fCustomizedFrameList(std::make_unique<TOwnerList<TCustomizedFrame>>(true))
{
}

TCustomizedPageBase::TCustomizedPageBase(TProduct* product) : TCustomizedPageBase()
{
    fProduct = product;
}

TCustomizedPageBase::~TCustomizedPageBase()
{
    // Preview builds walk the frames: none may run from here on.
    ImageCacheDetach();
    fCustomizedFrameList->Clear();
}

const TClassInfo* TCustomizedPageBase::GiveParent(TRemotable* parent)
{
    return KeepParentOf(parent, fProduct);
}

TCustomizedFrame* TCustomizedPageBase::FrameAdd(std::unique_ptr<TCustomizedFrame> frame)
{
    TCustomizedFrame* f = frame.release();
    f->SetPage(this);
    fCustomizedFrameList->Add(f);
    return f;
}

void TCustomizedPageBase::SetFrames(const TArray<TCustomizedFrame*>& frames)
{
    auto list = std::make_unique<TOwnerList<TCustomizedFrame>>(true);
    for (TCustomizedFrame* f : frames) {
        if (!f)
            continue;
        f->SetPage(this);
        list->Add(f);
    }
    fCustomizedFrameList = std::move(list);
}

IMainFrame* TCustomizedPageBase::mainFrame() const
{
    return fProduct ? fProduct->mainFrame() : nullptr;
}

QString TCustomizedPageBase::PageLabel()
{
    return fProduct ? fProduct->PageLabel(fPageNum, plm_std) : QStringLiteral("???");
}

QString TCustomizedPageBase::PageShortLabel()
{
    return fProduct ? fProduct->PageLabel(fPageNum, plm_short) : QStringLiteral("???");
}

int TCustomizedPageBase::OutputChannelId()
{
    return fProduct ? fProduct->ChannelId() : 0;
}

TCustomizedFrame* TCustomizedPageBase::getFrameBackground()
{
    TCustomizedFrame* editable = nullptr;
    for (TCustomizedFrame* f : *fCustomizedFrameList) {
        if (f->TypeFrame() == TTypeFrame::FrameBackground || f->TypeFrame() == TTypeFrame::FrameBgUser)
            return f;
        if (f->TypeFrame() == TTypeFrame::FrameBgEditable)
            editable = f;
    }
    return editable;
}

double TCustomizedPageBase::getRatioMmPerPx(float& panelWidth, float& panelHeight)
{
    const int w = PageWidth();
    const int h = PageHeight();
    if (w <= 0 || h <= 0)
        throw Exception(kNoPageSize);
    TImageTools::AspectRatioSizeCoerceF(panelWidth, panelHeight, float(w), float(h));
    if (panelWidth <= 0)
        throw Exception(kNoPageSize);
    return double(w) / panelWidth;
}

void TCustomizedPageBase::DataPrepare(IMainFrame* main, TOrderImageBase* bgImage, TOrderImageBase* calImage)
{
    for (TCustomizedFrame* f : *fCustomizedFrameList) {
        if (f->TypeFrame() == TTypeFrame::FrameBackground)
            f->SetImage(bgImage);
        else if (f->TypeFrame() == TTypeFrame::FrameCalendarGrid)
            f->SetImage(calImage);
        if (f->Image() || !main)
            continue;
        if (f->isFrameBackground() || f->isCalendarGrid())
            f->SetImage(main->GetImgNotFound());
        else
            f->SetImage(main->GetDropImgExample(f->Width(), f->Height()));
    }
}

bool TCustomizedPageBase::ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg)
{
    bool changed = false;
    for (TCustomizedFrame* f : *fCustomizedFrameList)
        if (f->ImageUsedReplace(oldImg, newImg))
            changed = true;
    return changed;
}

void TCustomizedPageBase::ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force)
{
    if (!img)
        return;
    for (TCustomizedFrame* f : *fCustomizedFrameList) {
        if (f->Image() != img)
            continue;
        if (!force)
            throw EUser(LangTexts::Order::UsedImageFrame.Text({ img->ImageLabel(), PageLabel() }));
        f->SetImage(main ? main->GetDropImgExample(f->Width(), f->Height()) : nullptr);
        f->CacheInvalidate(nullptr);
    }
}

void TCustomizedPageBase::draw(IMainFrame* main, QPainter& canvas, const QRectF& localRect,
                               TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif, TPagePlacement placement,
                               TCustomizedFrame* selected)
{
    TPageDrawing::DrawPage(canvas, localRect, QSizeF(PageWidth(), PageHeight()), placement,
                           [&](const QRectF& pageRect) {
                               drawFrames(main, canvas, pageRect, taskQueue, notif, selected);
                           });
}

void TCustomizedPageBase::drawFrames(IMainFrame* main, QPainter& canvas, const QRectF& pageRect,
                                     TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif,
                                     TCustomizedFrame* selected)
{
    for (TCustomizedFrame* f : *fCustomizedFrameList) {
        // The frame being edited always shows its picture.
        const bool force = f == selected && (f->isMoveableAndResizable() || f->isImageMoveable());
        f->draw(main, canvas, pageRect, taskQueue, notif, force);
    }
}

QSizeF TCustomizedPageBase::ImageSize()
{
    throw Exception(QStringLiteral("TCustomizedPage.GetImageSize: not implemented"));
}

QSizeF TCustomizedPageBase::ImageSizeForMax(int, int, TOrderBitmapMode)
{
    throw Exception(QStringLiteral("TCustomizedPage.ImageSizeForMax: not implemented"));
}

void TCustomizedPageBase::onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax,
                                             TOrderBitmapMode bitmapMode, QImage& bitmapSurface)
{
    bitmapSurface = TPageDrawing::BuildPagePreview(
        main, DebugLabel(), QSizeF(PageWidth(), PageHeight()), bitmapWidthMax, bitmapHeightMax, bitmapMode,
        [&](QPainter& canvas, const QRectF& local, TThreadTaskQueueBase* queue) {
            draw(main, canvas, local, queue, nullptr, TPagePlacement::PageCenter, nullptr);
        });
}

QString TCustomizedPageBase::DebugLabel()
{
    QString s;
    try {
        s = ClassInfo().ClassName();
    } catch (...) {
        s = QStringLiteral("???");
    }
    s += QStringLiteral("(n°") + QString::number(fPageNum) + QStringLiteral(", lab:");
    try {
        s += QString::number(PageNumForLab());
    } catch (...) {
        s += QStringLiteral("???");
    }
    try {
        s += fProduct ? QStringLiteral(", ") + fProduct->DebugLabel() + QLatin1Char(')') : QStringLiteral(", nil)");
    } catch (...) {
        s += QStringLiteral(", ??\?)");
    }
    return s;
}

// -------------------------------------------------------------- TCustomizedPage

TCustomizedPage::TCustomizedPage() = default;

TCustomizedPage::TCustomizedPage(TTemplateProduct* product, IMainFrame* main, ZebtemplateVelmora2* tpl,
                                 ZebtemplateVelmoraFrameInfo* framesInfo, TOrderImageBase* bgImage, int pageNum,
                                 TOrderImageBase* calImage)
    : TCustomizedPageBase(product), fTplVelmora(tpl), fFramesInfoOk(framesInfo != nullptr)
{
    fPageNum = pageNum;
    std::vector<TTemplateSlot> tplSlots;
    if (framesInfo)
        for (TemplateVelmoraFrame* c : framesInfo->Cadres())
            tplSlots.push_back({ c->PageNum, c->Background });
    for (const TPageLayoutEntry& e : TCustomizedPageRules::TemplatePageLayout(
             tplSlots, pageNum, framesInfo != nullptr, monthCalendar(), calImage != nullptr)) {
        switch (e.kind) {
        case TTypeFrame::FrameBackground:
            FrameAdd(std::make_unique<TCustomizedFrame>(this, tpl, bgImage, TTypeFrame::FrameBackground));
            break;
        case TTypeFrame::FrameCalendarGrid:
            FrameAdd(std::make_unique<TCustomizedFrame>(this, tpl, calImage, TTypeFrame::FrameCalendarGrid));
            break;
        default:
            addSlots(main, framesInfo, { e.slot }, e.kind);
            break;
        }
    }
}

TCustomizedPage::TCustomizedPage(TTemplateProduct* product, TCustomizedPage* other)
    : TCustomizedPageBase(product), fTplVelmora(other ? other->fTplVelmora : nullptr)
{
}

TCustomizedPage::~TCustomizedPage()
{
    // A preview build reads the template's paper size.
    ImageCacheDetach();
    if (fTplVelmoraOwned)
        delete fTplVelmora;
}

void TCustomizedPage::SetTplVelmora(ZebtemplateVelmora2* tpl)
{
    SetBorrowed(fTplVelmora, fTplVelmoraOwned, tpl);
}

void TCustomizedPage::SetTplVelmoraOwned(std::unique_ptr<ZebtemplateVelmora2> tpl)
{
    SetOwned(fTplVelmora, fTplVelmoraOwned, std::move(tpl));
}

bool TCustomizedPage::XMLloadFinalize(IMainFrame* main)
{
    if (!fTplVelmora)
        return false;
    TTemplateVelmoraList* templates = main ? main->GetWebSvcTemplatesVelmora() : nullptr;
    ZebtemplateVelmora2* found = templates ? templates->findById(fTplVelmora->Id()) : nullptr;
    if (!found) {
        LogWarnFmt(QStringLiteral("TCustomizedPage.XMLloadFinalize: template %d not found"), { fTplVelmora->Id() });
        SetTplVelmora(nullptr);
        return false;
    }
    if (found != fTplVelmora) {
        SetTplVelmora(found);
        auto* product = dynamic_cast<TTemplateProduct*>(fProduct);
        DataPrepare(main, main->GetBackgroundImg(product, this), main->GetCalImg(product, this));
    }
    return true;
}

bool TCustomizedPage::monthCalendar() const
{
    auto* tp = dynamic_cast<TTemplateProduct*>(fProduct);
    return tp && tp->TplType() == TTemplateType::MonthCalendar;
}

void TCustomizedPage::addSlots(IMainFrame* main, ZebtemplateVelmoraFrameInfo* framesInfo,
                               const std::vector<int>& tplSlots, TTypeFrame kind)
{
    for (int i : tplSlots) {
        const TemplateVelmoraFrame* c = framesInfo->Cadres()[i];
        TOrderImageBase* drop = main ? main->GetDropImgExample(float(c->Largeur), float(c->Hauteur)) : nullptr;
        FrameAdd(std::make_unique<TCustomizedFrame>(this, c, drop, kind));
    }
}

void TCustomizedPage::FramesInfoComplete(IMainFrame* main, ZebtemplateVelmora2*, ZebtemplateVelmoraFrameInfo* framesInfo)
{
    if (fFramesInfoOk || !framesInfo)
        return;
    fFramesInfoOk = true;
    std::vector<TTemplateSlot> tplSlots;
    for (TemplateVelmoraFrame* c : framesInfo->Cadres())
        tplSlots.push_back({ c->PageNum, c->Background });
    std::vector<int> under, over;
    TCustomizedPageRules::FramesInfoSlots(tplSlots, fPageNum, monthCalendar(), under, over);
    // The frames in place go between the tplSlots under and over the background.
    std::vector<TCustomizedFrame*> kept;
    while (fCustomizedFrameList->Count() > 0)
        kept.push_back(fCustomizedFrameList->Extract(fCustomizedFrameList->First()));
    addSlots(main, framesInfo, under, TTypeFrame::FrameFixedUnderBg);
    for (TCustomizedFrame* f : kept)
        FrameAdd(std::unique_ptr<TCustomizedFrame>(f));
    if (!monthCalendar())
        addSlots(main, framesInfo, over, TTypeFrame::FrameFixed);
}

int TCustomizedPage::PageWidth()
{
    return fTplVelmora ? fTplVelmora->LargeurPapier() : 0;
}

int TCustomizedPage::PageHeight()
{
    return fTplVelmora ? fTplVelmora->HauteurPapier() : 0;
}

// ----------------------------------------------------- TCustomizedAlbumPageBase

TCustomizedAlbumPageBase::~TCustomizedAlbumPageBase()
{
    ImageCacheDetach();
    if (fBgAlbumOwned)
        delete fBgAlbum;
}

void TCustomizedAlbumPageBase::SetBgAlbum(FondAlbum2* bg)
{
    SetBorrowed(fBgAlbum, fBgAlbumOwned, bg);
}

void TCustomizedAlbumPageBase::SetBgAlbumOwned(std::unique_ptr<FondAlbum2> bg)
{
    SetOwned(fBgAlbum, fBgAlbumOwned, std::move(bg));
}

bool TCustomizedAlbumPageBase::XMLloadFinalize(IMainFrame* main)
{
    // A side that is not printed shows no background.
    if (!IsCustomizable()) {
        SetBgAlbum(nullptr);
        return true;
    }
    TAlbumSizeList* sizes = main ? main->GetWebSvcAlbumSize() : nullptr;
    TAlbumSize* size = sizes ? sizes->byWidthHeight(PageWidth(), PageHeight()) : nullptr;
    if (size && !fBgAlbum)
        return IsBgAlbumOptional();
    FondAlbum2* found = size && fBgAlbum ? size->BackgroundList().findById(fBgAlbum->Id()) : nullptr;
    if (!found) {
        if (fBgAlbum)
            LogWarnFmt(QStringLiteral("TCustomizedAlbumPage.XMLloadFinalize: background %d not found"),
                       { fBgAlbum->Id() });
        SetBgAlbum(nullptr);
        return false;
    }
    if (found != fBgAlbum) {
        SetBgAlbum(found);
        TBgAlbumData* data = size->bgAlbumDataById(main, found->Id());
        DataPrepare(main, data ? data->Image() : nullptr, nullptr);
    }
    return true;
}

AlbumPhotographe2* TCustomizedAlbumPageBase::album() const
{
    auto* ap = dynamic_cast<TAlbumProduct*>(fProduct);
    return ap ? ap->Album() : nullptr;
}

TAlbumTraits TCustomizedAlbumPageBase::albumTraits() const
{
    TAlbumTraits t;
    if (AlbumPhotographe2* a = album()) {
        t.rectoVerso = a->RectoVerso();
        t.coverPrinted = a->CouvertureImprimee();
        t.coverFrontCustomizable = a->CouvertureFrontCustomizable();
        t.coverBackCustomizable = a->CouvertureBackCustomizable();
        t.photoOnFirstPage = a->PhotoEn1erePage();
    }
    return t;
}

int TCustomizedAlbumPageBase::lastPageNum() const
{
    int last = fPageNum;
    if (fProduct)
        if (IArcList<TCustomizedPageBase*> pages = fProduct->GetPagesList())
            for (TCustomizedPageBase* p : *pages)
                if (p)
                    last = std::max(last, int(p->PageNum()));
    return last;
}

int TCustomizedAlbumPageBase::PageWidth()
{
    AlbumPhotographe2* a = album();
    return a ? a->LargeurPage() : 0;
}

int TCustomizedAlbumPageBase::PageHeight()
{
    AlbumPhotographe2* a = album();
    return a ? a->HauteurPage() : 0;
}

// --------------------------------------------------------- TCustomizedAlbumPage

TCustomizedAlbumPage::TCustomizedAlbumPage() = default;

TCustomizedAlbumPage::TCustomizedAlbumPage(TAlbumProduct* product, IMainFrame* main, FondAlbum2* bg,
                                           TOrderImageBase* bgImage, int pageNum)
    : TCustomizedAlbumPageBase(product)
{
    fBgAlbum = bg;
    fPageNum = pageNum;
    AlbumPhotographe2* a = album();
    FrameAdd(std::make_unique<TCustomizedFrame>(this, a, bgImage, TTypeFrame::FrameBackground));
    if (a && a->PhotoEn1erePage() && pageNum == 3) {
        const QRectF r = TCustomizedPageRules::FirstPagePhotoFrameMm(a->LargeurPage(), a->HauteurPage(),
                                                                     a->XPhoto1erePage(), a->YPhoto1erePage(),
                                                                     a->LargeurPhoto1erePage(), a->HauteurPhoto1erePage());
        TOrderImageBase* drop = main ? main->GetDropImgExample(float(r.width()), float(r.height())) : nullptr;
        auto f = std::make_unique<TCustomizedFrame>(this, static_cast<const TemplateVelmoraFrame*>(nullptr), drop,
                                                    TTypeFrame::FrameFixed);
        f->SetPositionX(float(r.x()));
        f->SetPositionY(float(r.y()));
        f->SetWidth(float(r.width()));
        f->SetHeight(float(r.height()));
        FrameAdd(std::move(f));
    }
}

TCustomizedAlbumPage::TCustomizedAlbumPage(TAlbumProduct* product, IMainFrame*, int pageNum)
    : TCustomizedAlbumPageBase(product)
{
    fPageNum = pageNum;
}

TCustomizedAlbumPage::~TCustomizedAlbumPage() = default;

bool TCustomizedAlbumPage::IsCustomizable()
{
    return TCustomizedPageRules::InteriorIsCustomizable(albumTraits(), fPageNum);
}

bool TCustomizedAlbumPage::IsMoveable()
{
    return TCustomizedPageRules::InteriorIsMoveable(albumTraits(), fPageNum);
}

int TCustomizedAlbumPage::PageNumForLab()
{
    return TCustomizedPageRules::InteriorPageNumForLab(albumTraits(), fPageNum);
}

bool TCustomizedAlbumPage::IsFrameTemplatable()
{
    return TCustomizedPageRules::InteriorIsFrameTemplatable(albumTraits(), fPageNum);
}

void TCustomizedAlbumPage::CacheInvalidate(IOrderBitmapRef exceptBmp)
{
    TCustomizedAlbumPageBase::CacheInvalidate(exceptBmp);
    // The front cover shows page 3 through its window.
    if (fPageNum == 3 && fProduct)
        if (TCustomizedPageBase* cover = fProduct->GetPageByNum(1))
            cover->CacheInvalidate(nullptr);
}

void TCustomizedAlbumPage::drawFrames(IMainFrame* main, QPainter& canvas, const QRectF& pageRect,
                                      TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif,
                                      TCustomizedFrame* selected)
{
    // A back side that is not printed shows white.
    if (!IsCustomizable())
        canvas.fillRect(pageRect, Qt::white);
    TCustomizedAlbumPageBase::drawFrames(main, canvas, pageRect, taskQueue, notif, selected);
}

// -------------------------------------------------------- TCustomizedAlbumCover

TCustomizedAlbumCover::TCustomizedAlbumCover() = default;

TCustomizedAlbumCover::TCustomizedAlbumCover(TAlbumProduct* product, IMainFrame*, CouleurMatiere2* cover,
                                             TOrderImageBase* bgImage, int pageNum)
    : TCustomizedAlbumPageBase(product), fCover(cover)
{
    fPageNum = pageNum;
    FrameAdd(std::make_unique<TCustomizedFrame>(this, album(), bgImage, TTypeFrame::FrameBackground));
}

TCustomizedAlbumCover::TCustomizedAlbumCover(TAlbumProduct* product, IMainFrame*, const QString&, int pageNum)
    : TCustomizedAlbumPageBase(product)
{
    fPageNum = pageNum;
}

TCustomizedAlbumCover::~TCustomizedAlbumCover()
{
    if (fCoverOwned)
        delete fCover;
}

void TCustomizedAlbumCover::SetCover(CouleurMatiere2* cover)
{
    SetBorrowed(fCover, fCoverOwned, cover);
}

void TCustomizedAlbumCover::SetCoverOwned(std::unique_ptr<CouleurMatiere2> cover)
{
    SetOwned(fCover, fCoverOwned, std::move(cover));
}

bool TCustomizedAlbumCover::XMLloadFinalize(IMainFrame* main)
{
    const bool bgOk = TCustomizedAlbumPageBase::XMLloadFinalize(main);
    TMaterColorList* materials = main ? main->GetWebSvcMaterColor() : nullptr;
    CouleurMatiere2* found = fCover && materials ? materials->findById(fCover->Id()) : nullptr;
    if (fPageNum == 1 && !found) {
        if (fCover)
            LogWarnFmt(QStringLiteral("TCustomizedAlbumCover.XMLloadFinalize: material %d not found"), { fCover->Id() });
        SetCover(nullptr);
        return false;
    }
    if (found == fCover)
        return bgOk;
    SetCover(found);
    if (!found || !bgOk)
        return false;
    AlbumPhotographe2* a = album();
    DataPrepareCover(main, main->GetCoverImage(found->Id()), a ? a->CouleurInterieur() : QString());
    return true;
}

bool TCustomizedAlbumCover::IsCustomizable()
{
    return TCustomizedPageRules::CoverIsCustomizable(albumTraits(), fPageNum, lastPageNum());
}

int TCustomizedAlbumCover::PageNumForLab()
{
    return TCustomizedPageRules::CoverPageNumForLab(albumTraits(), fPageNum);
}

bool TCustomizedAlbumCover::IsFrameTemplatable()
{
    return TCustomizedPageRules::CoverIsFrameTemplatable(albumTraits(), fPageNum, lastPageNum());
}

int TCustomizedAlbumCover::OutputChannelId()
{
    AlbumPhotographe2* a = album();
    return a ? a->ChannelCouvertureImprimee() : TCustomizedAlbumPageBase::OutputChannelId();
}

void TCustomizedAlbumCover::DataPrepareCover(IMainFrame* main, TOrderImageBase* bgImage, const QString&)
{
    for (TCustomizedFrame* f : *fCustomizedFrameList) {
        if (f->TypeFrame() == TTypeFrame::FrameBackground && !fBgAlbum)
            f->SetImage(bgImage);
        if (f->Image() || !main)
            continue;
        if (f->isImageCustomizable())
            f->SetImage(main->GetDropImgExample(f->Width(), f->Height()));
        else
            f->SetImage(main->GetImgNotFound());
    }
}

void TCustomizedAlbumCover::drawFrames(IMainFrame* main, QPainter& canvas, const QRectF& pageRect,
                                       TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif,
                                       TCustomizedFrame* selected)
{
    AlbumPhotographe2* a = album();
    if (a && !a->CouleurInterieur().isEmpty()) {
        const QColor inside = QColor::fromString(QStringLiteral("#FF") + a->CouleurInterieur());
        if (inside.isValid())
            canvas.fillRect(pageRect, inside);
    }
    TCustomizedAlbumPageBase::drawFrames(main, canvas, pageRect, taskQueue, notif, selected);
    if (a && a->PhotoEn1erePage() && (fPageNum == 1 || fPageNum == 2)) {
        const QRectF photoMm(a->XPhoto1erePage(), a->YPhoto1erePage(), a->LargeurPhoto1erePage(),
                             a->HauteurPhoto1erePage());
        TImageSource* page3 = fPageNum == 1 && fProduct ? fProduct->GetPageByNum(3) : nullptr;
        TPageDrawing::DrawCoverWindow(main, canvas, pageRect, PageWidth(), photoMm, fPageNum, page3, taskQueue,
                                      notif);
    }
}

void ProductPagesReplace(IArcList<TCustomizedPageBase*>& list, TRemotable* product,
                         std::vector<std::unique_ptr<TCustomizedPageBase>> pages)
{
    IArcList<TCustomizedPageBase*> fresh = DesignedPageAccess::Current()->NewPageList();
    for (auto& page : pages) {
        if (!page)
            continue;
        page->GiveParent(product);
        fresh->Add(page.release());
    }
    IArcList<TCustomizedPageBase*> old = std::move(list);
    list = fresh;
    if (old)
        old->ClearAndFree();
}
