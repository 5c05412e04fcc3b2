#include "UCustomizedFrame.h"

#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UImageCodec.h"
#include "UThreadCancel.h"
#include "UCustomizedPage.h"
#include "UDebug.h"
#include "ULabAlbumContracts.h"
#include "ULabTemplateContracts.h"
#include "UPrintOrder.h"
#include "UProductBase.h"
#include "UTools.h"
#include "UZebtemplateVelmoraFrameInfo.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The ordinal of zebd_mobile among the design variants (home, kiosk, mobile),
// whose enumeration the shell defines.
constexpr int kZebdMobile = 2;

} // namespace

KIOSK_SERIALIZABLE_DESCRIBE(
    TClipartFrame, TXMLSerializable,
    b.Property<qint32>("BorderBottom", [](const TClipartFrame& c) { return c.BorderBottom; },
                       [](TClipartFrame& c, qint32 v) { c.BorderBottom = v; }, nullptr);
    b.Property<qint32>("BorderLeft", [](const TClipartFrame& c) { return c.BorderLeft; },
                       [](TClipartFrame& c, qint32 v) { c.BorderLeft = v; }, nullptr);
    b.Property<qint32>("BorderRight", [](const TClipartFrame& c) { return c.BorderRight; },
                       [](TClipartFrame& c, qint32 v) { c.BorderRight = v; }, nullptr);
    b.Property<qint32>("BorderTop", [](const TClipartFrame& c) { return c.BorderTop; },
                       [](TClipartFrame& c, qint32 v) { c.BorderTop = v; }, nullptr);
    b.Property<qint32>("DpiX", [](const TClipartFrame& c) { return c.DpiX; },
                       [](TClipartFrame& c, qint32 v) { c.DpiX = v; }, nullptr);
    b.Property<qint32>("DpiY", [](const TClipartFrame& c) { return c.DpiY; },
                       [](TClipartFrame& c, qint32 v) { c.DpiY = v; }, nullptr);
    // The picture is stored by reference; the one read back is the order's
    // object (the order file's loader gives every picture to the order), so
    // the clip-art frame does not free it.
    b.Property<std::unique_ptr<TOrderImageBase>>(
        "Image", [](const TClipartFrame& c) { return c.Image(); },
        [](TClipartFrame& c, std::unique_ptr<TOrderImageBase> v) { c.SetImage(v.release()); }, nullptr);)

KIOSK_SERIALIZABLE_DESCRIBE(
    TFrameBorder, TImageToTransfer,
    b.Property<std::unique_ptr<TClipartFrame>>(
        "ClipartFrame", [](const TFrameBorder& f) { return f.ClipartFrame(); },
        [](TFrameBorder& f, std::unique_ptr<TClipartFrame> v) { f.SetClipartFrame(std::move(v)); }, nullptr);
    b.Property<double>("BorderThickness", [](const TFrameBorder& f) { return double(f.BorderThickness()); },
                       [](TFrameBorder& f, double v) { f.SetBorderThickness(float(v)); }, nullptr);
    b.Property<QString>("BorderColor", [](const TFrameBorder& f) { return f.BorderColor(); },
                        [](TFrameBorder& f, QString v) { f.SetBorderColor(v); }, nullptr);)

KIOSK_SERIALIZABLE_DESCRIBE(
    TCustomizedFrame, TImageWithEffects,
    b.Property<std::unique_ptr<TImageEffects>>(
        "ImageEffects", [](const TCustomizedFrame& f) { return f.ImageEffects(); },
        [](TCustomizedFrame& f, std::unique_ptr<TImageEffects> v) { f.SetImageEffects(std::move(v)); }, nullptr);
    // The picture is stored by reference: the order owns its photos.
    b.Property<std::unique_ptr<TOrderImageBase>>(
        "Image", [](const TCustomizedFrame& f) { return f.StoredImage(); },
        [](TCustomizedFrame& f, std::unique_ptr<TOrderImageBase> v) { f.SetImage(v.release()); }, nullptr);
    b.Property<double>("Width", [](const TCustomizedFrame& f) { return double(f.Width()); },
                       [](TCustomizedFrame& f, double v) { f.SetWidth(float(v)); }, nullptr);
    b.Property<double>("Height", [](const TCustomizedFrame& f) { return double(f.Height()); },
                       [](TCustomizedFrame& f, double v) { f.SetHeight(float(v)); }, nullptr);
    b.Property<double>("PositionX", [](const TCustomizedFrame& f) { return double(f.PositionX()); },
                       [](TCustomizedFrame& f, double v) { f.SetPositionX(float(v)); }, nullptr);
    b.Property<double>("PositionY", [](const TCustomizedFrame& f) { return double(f.PositionY()); },
                       [](TCustomizedFrame& f, double v) { f.SetPositionY(float(v)); }, nullptr);
    b.Property<double>("RotationAngle", [](const TCustomizedFrame& f) { return double(f.RotationAngle()); },
                       [](TCustomizedFrame& f, double v) { f.SetRotationAngle(float(v)); }, nullptr);
    b.Property<TTypeFrame>("TypeFrame", [](const TCustomizedFrame& f) { return f.TypeFrame(); },
                           [](TCustomizedFrame& f, TTypeFrame v) { f.SetTypeFrame(v); }, nullptr);
    b.Property<std::unique_ptr<TFrameBorder>>(
        "FrameBorder", [](const TCustomizedFrame& f) { return f.FrameBorder(); },
        [](TCustomizedFrame& f, std::unique_ptr<TFrameBorder> v) { f.SetFrameBorder(std::move(v)); }, nullptr);
    b.Property<std::unique_ptr<TTextBloc>>(
        "TextBloc", [](const TCustomizedFrame& f) { return f.TextBloc(); },
        [](TCustomizedFrame& f, std::unique_ptr<TTextBloc> v) { f.SetTextBloc(std::move(v)); }, nullptr);)

// ---------------------------------------------------------------- TClipartFrame

TClipartFrame::TClipartFrame() = default;

TClipartFrame::TClipartFrame(ScrapFrame2* scrap, IMainFrame* main)
{
    if (!scrap)
        return;
    BorderBottom = scrap->BorderBottom();
    BorderLeft = scrap->BorderLeft();
    BorderRight = scrap->BorderRight();
    BorderTop = scrap->BorderTop();
    DpiX = scrap->DpiX();
    DpiY = scrap->DpiY();
    if (main) {
        bool toFree = false;
        fImage = main->ScrapImageLoad(scrap->Nom(), toFree);
        fImageToFree = toFree;
    }
}

TClipartFrame::TClipartFrame(TClipartFrame* other, IMainFrame* main) : fImageToFree(false)
{
    if (!other)
        return;
    BorderBottom = other->BorderBottom;
    BorderLeft = other->BorderLeft;
    BorderRight = other->BorderRight;
    BorderTop = other->BorderTop;
    DpiX = other->DpiX;
    DpiY = other->DpiY;
    TPrintOrder* order = main ? main->GetOrder() : nullptr;
    if (!other->fImage || !order)
        return;
    fImage = order->GlobalImageUsedAdd(other->fImage);
    // The order now keeps that very picture: it is no longer the other
    // clip-art frame's to free.
    if (fImage == other->fImage)
        other->fImageToFree = false;
}

TClipartFrame::~TClipartFrame()
{
    if (fImageToFree)
        delete fImage;
}

void TClipartFrame::SetImage(TOrderImageBase* image)
{
    if (image == fImage)
        return;
    if (fImageToFree)
        delete fImage;
    fImage = image;
    fImageToFree = false;
}

void TClipartFrame::SetOwnedImage(TOrderImageBase* image)
{
    SetImage(image);
    fImageToFree = image != nullptr;
}

bool TClipartFrame::ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg)
{
    if (!fImage || fImage != oldImg)
        return false;
    // The old picture belongs to whoever replaces it.
    fImage = newImg;
    fImageToFree = false;
    return true;
}

// ----------------------------------------------------------------- TFrameBorder

TFrameBorder::TFrameBorder() = default;

TFrameBorder::TFrameBorder(TCustomizedFrame* frame, TClipartFrame* clipart, IMainFrame* main)
    : fBorderThickness(100), fFrame(frame)
{
    if (clipart && main)
        fClipartFrame = std::make_unique<TClipartFrame>(clipart, main);
}

TFrameBorder::~TFrameBorder()
{
    // Builds read the clip-art frame and the owning frame.
    ImageCacheDetach();
}

const TClassInfo* TFrameBorder::GiveParent(TRemotable* parent)
{
    return KeepParentOf(parent, fFrame);
}

IMainFrame* TFrameBorder::mainFrame() const
{
    return fFrame ? fFrame->mainFrame() : nullptr;
}

TCustomizedFrameRules::TBands TFrameBorder::GetBorderRectInMm() const
{
    if (fBorderThickness <= 0 || !fClipartFrame)
        return {};
    TOrderImageBase* pic = fClipartFrame->Image();
    const float dpiX = pic ? pic->DpiX() : 0;
    const float dpiY = pic ? pic->DpiY() : 0;
    return TCustomizedFrameRules::BorderBandsMm(fBorderThickness, fClipartFrame->BorderLeft,
                                                fClipartFrame->BorderTop, fClipartFrame->BorderRight,
                                                fClipartFrame->BorderBottom, fClipartFrame->DpiX,
                                                fClipartFrame->DpiY, dpiX, dpiY);
}

QSizeF TFrameBorder::ImageSize()
{
    TOrderImageBase* pic = fClipartFrame ? fClipartFrame->Image() : nullptr;
    return pic ? pic->ImageSize() : QSizeF();
}

QSizeF TFrameBorder::ImageSizeForMax(int, int, TOrderBitmapMode)
{
    throw Exception(QStringLiteral("TFrameBorder.ImageSizeForMax: not implemented"));
}

void TFrameBorder::onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax,
                                      TOrderBitmapMode bitmapMode, QImage& bitmapSurface)
{
    if (!HasClipart())
        throw Exception(QStringLiteral("ClipartFrame must not be nil here!"));
    if (!fFrame)
        throw Exception(QStringLiteral("TFrameBorder.onAsyncBitmapBuild: no frame"));
    const TClipartFrame& c = *fClipartFrame;
    bitmapSurface = TPageDrawing::BuildBorderPicture(main, DebugLabel(), c.Image(), c.BorderLeft, c.BorderTop,
                                                     c.BorderRight, c.BorderBottom, GetBorderRectInMm(),
                                                     QSizeF(fFrame->Width(), fFrame->Height()), TransferChannel(),
                                                     bitmapWidthMax, bitmapHeightMax, bitmapMode);
}

QString TFrameBorder::DebugLabel()
{
    return SafeDebugLabel(*this,
                          [this] { return QStringLiteral("frame=") + (fFrame ? fFrame->DebugLabel() : QStringLiteral("nil")); });
}

QString TFrameBorder::SourceFileName()
{
    TOrderImageBase* pic = fClipartFrame ? fClipartFrame->Image() : nullptr;
    return pic ? pic->ImageID() : QString();
}

int TFrameBorder::TransferChannel()
{
    return fFrame ? fFrame->TransferChannel() : 0;
}

QString TFrameBorder::transfoKeyCalc() const
{
    QStringList parts { QString::number(fBorderThickness), QString::number(fBorderColor) };
    if (fFrame)
        parts << QString::number(fFrame->Width()) << QString::number(fFrame->Height());
    if (fClipartFrame) {
        TOrderImageBase* pic = fClipartFrame->Image();
        parts << (pic ? pic->ImageID() : QString()) << QString::number(fClipartFrame->BorderLeft)
              << QString::number(fClipartFrame->BorderTop) << QString::number(fClipartFrame->BorderRight)
              << QString::number(fClipartFrame->BorderBottom) << QString::number(fClipartFrame->DpiX)
              << QString::number(fClipartFrame->DpiY);
    }
    return parts.join(QChar(0x1F));
}

QString TFrameBorder::ImageTransfo(IMainFrame* main, bool)
{
    // The border is rendered once; an existing file is the lab's already,
    // unless the frame or its border changed since: then it is dropped and
    // rendered again under a new name, so a retried send never uploads a
    // border of the old shape.
    const QString key = transfoKeyCalc();
    if (!fImageTransfoPath.isEmpty() && key != fTransfoKey) {
        LogDebugFmt(QStringLiteral("%s.ImageTransfo: the border changed, %s dropped"), { DebugLabel(), fImageTransfoPath });
        ImageTransfoReset();
    }
    fTransfoKey = key;
    const QString path = FTPFilepathGet(main, false);
    if (QFileInfo::exists(path))
        return path;
    QImage surface;
    onAsyncBitmapBuild(main, 0, 0, TOrderBitmapMode::obm_sizeMax, surface);
    ThreadCancel::Check();
    const int channel = TransferChannel();
    double compression = 0;
    if (channel >= 1) {
        TChannelList* channels = main ? main->GetWebSvcChannels() : nullptr;
        if (!channels)
            throw Exception(QStringLiteral("TFrameBorder.ImageTransfo: no channel list"));
        compression = channels->byId(channel)->TauxCompression();
    }
    TImageCodec::SaveToFile(surface, path, TImageTransferTools::PrintFileQuality(channel, compression));
    surface = QImage();
    if (main && main->FilesToCrypt())
        TAppTools::CryptFile(path);
    return path;
}

bool TFrameBorder::ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg)
{
    return fClipartFrame && fClipartFrame->ImageUsedReplace(oldImg, newImg);
}

// ------------------------------------------------------------- TCustomizedFrame

QString TCustomizedFrame::TransfoKeyExtra()
{
    // The print file of a frame is drawn at the frame's size, with its text.
    QStringList parts { QString::number(fWidth), QString::number(fHeight), QString::number(int(fTypeFrame)) };
    if (fTextBloc)
        parts << fTextBloc->Text() << QString::number(fTextBloc->FontSize()) << fTextBloc->FontFamily()
              << QString::number(fTextBloc->FontStyle()) << QString::number(int(fTextBloc->FontVertPosition()))
              << QString::number(int(fTextBloc->FontHorzPosition())) << fTextBloc->FontColor()
              << fTextBloc->BackColor();
    return parts.join(QChar(0x1F));
}

TOrderImageBase* TCustomizedFrame::StoredImage() const
{
    // Pictures that are not the order's own would come back from the file
    // as extra photos of the order (or as invalid ones when no photo source
    // knows them); the page's DataPrepare puts them back instead.
    if (!fImage)
        return nullptr;
    TPrintOrder* order = fPage && fPage->Product() ? fPage->Product()->Order() : nullptr;
    if (!order)
        return fImage;
    return order->ImageUsedFind(fImage->ImageID()) == fImage ? fImage : nullptr;
}

TCustomizedFrame::TCustomizedFrame() : fImgEffects(std::make_unique<TImageEffects>()) { }

TCustomizedFrame::TCustomizedFrame(TCustomizedPageBase* page)
    : fImgEffects(std::make_unique<TImageEffects>()), fPage(page)
{
}

TCustomizedFrame::TCustomizedFrame(TCustomizedPageBase* page, const TemplateVelmoraFrame* tplFrame,
                                   TOrderImageBase* image, TTypeFrame kind)
    : fImgEffects(std::make_unique<TImageEffects>()), fImage(image), fTypeFrame(kind), fPage(page)
{
    if (tplFrame) {
        fWidth = float(tplFrame->Largeur);
        fHeight = float(tplFrame->Hauteur);
        fPositionX = float(tplFrame->X);
        fPositionY = float(tplFrame->Y);
        // The lab turns its frames the other way round.
        fRotationAngle = -float(tplFrame->AngleRot);
    }
}

TCustomizedFrame::TCustomizedFrame(TCustomizedPageBase* page, ZebtemplateVelmora2* tpl, TOrderImageBase* image,
                                   TTypeFrame kind)
    : fImgEffects(std::make_unique<TImageEffects>()), fImage(image), fTypeFrame(kind), fPage(page)
{
    if (!tpl)
        throw Exception(QStringLiteral("TCustomizedFrame.Create: tplVelmora nil"));
    fWidth = float(tpl->LargeurPapier());
    fHeight = float(tpl->HauteurPapier());
}

TCustomizedFrame::TCustomizedFrame(TCustomizedPageBase* page, AlbumPhotographe2* album, TOrderImageBase* image,
                                   TTypeFrame kind)
    : fImgEffects(std::make_unique<TImageEffects>()), fImage(image), fTypeFrame(kind), fPage(page)
{
    if (!album)
        throw Exception(QStringLiteral("TCustomizedFrame.Create: alb nil"));
    fWidth = float(album->LargeurPage());
    fHeight = float(album->HauteurPage());
}

TCustomizedFrame::~TCustomizedFrame()
{
    // Builds read the effects, the text and the page.
    ImageCacheDetach();
}

const TClassInfo* TCustomizedFrame::GiveParent(TRemotable* parent)
{
    return KeepParentOf(parent, fPage);
}

void TCustomizedFrame::SetFrameBorder(std::unique_ptr<TFrameBorder> b)
{
    fFrameBorder = std::move(b);
    if (fFrameBorder)
        fFrameBorder->SetFrame(this);
}

IMainFrame* TCustomizedFrame::mainFrame() const
{
    return fPage ? fPage->mainFrame() : nullptr;
}

TFrameTraits TCustomizedFrame::traits() const
{
    TFrameTraits t;
    t.kind = fTypeFrame;
    t.isText = fTextBloc != nullptr;
    t.imageIsScrap = fImage && fImage->IsImageScrap();
    return t;
}

bool TCustomizedFrame::isFrameBackground() const { return TCustomizedFrameRules::isFrameBackground(traits()); }
bool TCustomizedFrame::isCalendarGrid() const { return TCustomizedFrameRules::isCalendarGrid(traits()); }
bool TCustomizedFrame::isClickable() const { return TCustomizedFrameRules::isClickable(traits()); }
bool TCustomizedFrame::isMagnetVisible() const { return TCustomizedFrameRules::isMagnetVisible(traits()); }
bool TCustomizedFrame::isToSendToLumlab() const { return TCustomizedFrameRules::isToSendToLumlab(traits()); }
bool TCustomizedFrame::isMoveableAndResizable() const
{
    return TCustomizedFrameRules::isMoveableAndResizable(traits());
}
bool TCustomizedFrame::isBorderEditable() const { return TCustomizedFrameRules::isBorderEditable(traits()); }
bool TCustomizedFrame::isDeletable() const { return TCustomizedFrameRules::isDeletable(traits()); }
bool TCustomizedFrame::isImageCustomizable() const { return TCustomizedFrameRules::isImageCustomizable(traits()); }
bool TCustomizedFrame::isImageCustomizableForAutoFill() const
{
    return TCustomizedFrameRules::isImageCustomizableForAutoFill(traits());
}
bool TCustomizedFrame::IsFrameCustomizable() const { return TCustomizedFrameRules::IsFrameCustomizable(traits()); }
bool TCustomizedFrame::isDroppable() const { return TCustomizedFrameRules::isDroppable(traits()); }

bool TCustomizedFrame::isPopupEditable()
{
    TFrameTraits t = traits();
    if (t.isText) {
        IMainFrame* main = mainFrame();
        t.mobileDesign = main && int(main->Zebdesign()) == kZebdMobile;
    }
    return TCustomizedFrameRules::isPopupEditable(t);
}

bool TCustomizedFrame::isImageMoveable()
{
    TFrameTraits t = traits();
    t.imageValid = IsImageValid();
    return TCustomizedFrameRules::isImageMoveable(t);
}

bool TCustomizedFrame::HasClipartFrame() const
{
    return fFrameBorder
        && TCustomizedFrameRules::HasClipartFrame(fFrameBorder->ClipartFrame() != nullptr,
                                                  fFrameBorder->BorderThickness());
}

double TCustomizedFrame::getRatioMmPerPx(float& panelWidth, float& panelHeight) const
{
    TImageTools::AspectRatioSizeCoerceF(panelWidth, panelHeight, fWidth, fHeight);
    return panelWidth > 0 ? fWidth / panelWidth : 0;
}

std::unique_ptr<TImageEffects> TCustomizedFrame::copyImgEffect() const
{
    auto copy = std::make_unique<TImageEffects>();
    for (int i = 0; i < fImgEffects->Count(); ++i) {
        const TImageEffectOpItem* op = fImgEffects->Item(i);
        copy->Add(std::make_unique<TImageEffectOpItem>(op->OpType, op->OpArg1, op->OpArg2));
    }
    return copy;
}

void TCustomizedFrame::SwapImageAndEffectsWithFrame(TCustomizedFrame* other)
{
    if (!other || other == this)
        return;
    std::swap(fImgEffects, other->fImgEffects);
    std::swap(fImage, other->fImage);
    other->CacheInvalidate(nullptr);
    CacheInvalidate(nullptr);
}

bool TCustomizedFrame::ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg)
{
    bool changed = false;
    if (fImage && fImage == oldImg) {
        fImage = newImg;
        changed = true;
    }
    if (fFrameBorder && fFrameBorder->ImageUsedReplace(oldImg, newImg))
        changed = true;
    return changed;
}

QSizeF TCustomizedFrame::ImageSize()
{
    return fImage ? fImage->ImageSize() : QSizeF();
}

int TCustomizedFrame::TransferChannel()
{
    return fPage ? fPage->OutputChannelId() : 0;
}

void TCustomizedFrame::CacheInvalidate(IOrderBitmapRef exceptBmp)
{
    TImageWithEffects::CacheInvalidate(exceptBmp);
    // The page previews show this frame.
    if (fPage)
        fPage->CacheInvalidate(exceptBmp);
}

void TCustomizedFrame::onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax,
                                          TOrderBitmapMode bitmapMode, QImage& bitmapSurface)
{
    if (!fTextBloc) {
        TImageWithEffects::onAsyncBitmapBuild(main, bitmapWidthMax, bitmapHeightMax, bitmapMode, bitmapSurface);
        return;
    }
    bitmapSurface = TPageDrawing::BuildTextPicture(main, DebugLabel(), *fTextBloc, QSizeF(fWidth, fHeight),
                                                   TransferChannel(), bitmapWidthMax, bitmapHeightMax, bitmapMode);
}

void TCustomizedFrame::draw(IMainFrame* main, QPainter& canvas, const QRectF& pageRect,
                            TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif, bool bForce)
{
    if (!fPage)
        throw Exception(QStringLiteral("TCustomizedFrame.draw: frame without page"));
    float w = float(pageRect.width());
    float h = float(pageRect.height());
    const double r = fPage->getRatioMmPerPx(w, h);

    TFrameDrawInfo info;
    info.frame = this;
    info.rectMm = RectInMm();
    info.rotationAngle = fRotationAngle;
    // Frames without effects share the order image's bitmap, cropped when
    // drawn; text, no picture or effects need a rendering of their own.
    if (fTextBloc || !fImage || (IsImageValid() && !fImgEffects->isEmpty()))
        info.ownPicture = this;
    else
        info.orderImage = fImage;
    if (fFrameBorder) {
        if (fFrameBorder->HasClipart()) {
            info.borderPicture = fFrameBorder.get();
            info.borderBandsMm = fFrameBorder->GetBorderRectInMm();
        } else {
            info.borderThickness = fFrameBorder->BorderThickness();
            info.borderColor = fFrameBorder->BorderAlphaColor();
        }
    }
    setLocMatrix(TPageDrawing::DrawFrame(main, canvas, pageRect, r, info, taskQueue, notif, bForce));
}
