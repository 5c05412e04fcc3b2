#pragma once
// The pages of designed products: a stack of frames on a sheet whose size in
// whole millimetres comes from the catalogue (the lab template's paper for
// cards, calendars and designer prints; the photographer album's page for
// photo books). The first frame of the list lies at the bottom.
//
// A page builds its first frames from the catalogue, fills empty frames with
// placeholders, tells which pages the customer may change and how the lab
// numbers them, and draws itself; it is also an image source whose preview
// the bitmap cache keeps.
#include "UCustomizedFrame.h"
#include "UCustomizedPageRules.h"
#include "UIArcList.h"
#include "UOwnerList.h"

#include <memory>
#include <vector>

class TProduct;
class TTemplateProduct;
class TAlbumProduct;
class ZebtemplateVelmora2;
class ZebtemplateVelmoraFrameInfo;
class AlbumPhotographe2;
class FondAlbum2;
class CouleurMatiere2;

class TCustomizedPageBase : public TXMLSerializableNeedParent, public TImageSource {
    KIOSK_SERIALIZABLE_CLASS(TCustomizedPageBase)
public:
    TCustomizedPageBase();
    explicit TCustomizedPageBase(TProduct* product);
    ~TCustomizedPageBase() override;

    const TClassInfo* GiveParent(TRemotable* parent) override;

    // The frames, bottom first; owned.
    TOwnerList<TCustomizedFrame>& CustomizedFrameList() { return *fCustomizedFrameList; }
    const TOwnerList<TCustomizedFrame>& CustomizedFrameList() const { return *fCustomizedFrameList; }
    // Appends a frame (the page takes it and becomes its page).
    TCustomizedFrame* FrameAdd(std::unique_ptr<TCustomizedFrame> frame);
    // Replaces the frames by a new list of the given ones.
    void SetFrames(const TArray<TCustomizedFrame*>& frames);
    qint32 PageNum() const { return fPageNum; }
    void SetPageNum(qint32 n) { fPageNum = n; }
    TProduct* Product() const { return fProduct; }
    IMainFrame* mainFrame() const;

    // --- sizes and rules
    virtual int PageWidth() = 0;
    virtual int PageHeight() = 0;
    virtual bool IsCustomizable() = 0;
    virtual bool IsMoveable() { return IsCustomizable(); }
    virtual int PageNumForLab() = 0;
    virtual bool IsFrameTemplatable() { return false; }
    virtual QString PageLabel();
    virtual QString PageShortLabel();
    virtual int OutputChannelId();
    // After a reload: finds the page's catalogue records again and re-attaches
    // the pictures that depend on them; false when a record is gone.
    virtual bool XMLloadFinalize(IMainFrame* main) = 0;

    // The first background (chosen by the customer or not), else the last
    // replaceable background, else null.
    TCustomizedFrame* getFrameBackground();
    // Shrinks the panel to the page's ratio; millimetres per pixel. Raises
    // when the page has no size.
    double getRatioMmPerPx(float& panelWidth, float& panelHeight);

    // --- pictures
    // Fills the frames: the background frame takes bgImage, the calendar
    // grid calImage; any frame still empty gets a placeholder.
    virtual void DataPrepare(IMainFrame* main, TOrderImageBase* bgImage, TOrderImageBase* calImage);
    virtual bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg);
    // Removes img from the frames: refused with EUser without force, else
    // the frames show the drop example instead.
    void ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force);

    // --- drawing
    virtual void draw(IMainFrame* main, QPainter& canvas, const QRectF& localRect, TThreadTaskQueueBase* taskQueue,
                      IOrderBitmapNotif* notif, TPagePlacement placement, TCustomizedFrame* selected);
    virtual void drawFrames(IMainFrame* main, QPainter& canvas, const QRectF& pageRect,
                            TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif, TCustomizedFrame* selected);

    // --- image source
    QSizeF ImageSize() override;
    QSizeF ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    void onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode,
                            QImage& bitmapSurface) override;
    QString DebugLabel() override;

protected:
    std::unique_ptr<TOwnerList<TCustomizedFrame>> fCustomizedFrameList;
    qint32 fPageNum = 0;
    TProduct* fProduct = nullptr;
};

// A page of a card, calendar or designer print.
class TCustomizedPage : public TCustomizedPageBase {
    KIOSK_SERIALIZABLE_CLASS(TCustomizedPage)
public:
    TCustomizedPage();
    // The frames of the page from the template and its frame information
    // (may be null: completed later by FramesInfoComplete).
    TCustomizedPage(TTemplateProduct* product, IMainFrame* main, ZebtemplateVelmora2* tpl,
                    ZebtemplateVelmoraFrameInfo* framesInfo, TOrderImageBase* bgImage, int pageNum,
                    TOrderImageBase* calImage);
    // A page of the same template, without frames.
    TCustomizedPage(TTemplateProduct* product, TCustomizedPage* other);
    ~TCustomizedPage() override;

    // The lab template: the catalogue's record (not owned), or the copy read
    // from an order file until the page is re-linked (owned).
    ZebtemplateVelmora2* TplVelmora() const { return fTplVelmora; }
    void SetTplVelmora(ZebtemplateVelmora2* tpl);
    void SetTplVelmoraOwned(std::unique_ptr<ZebtemplateVelmora2> tpl);
    bool OwnsTplVelmora() const { return fTplVelmoraOwned; }
    bool FramesInfoOk() const { return fFramesInfoOk; }
    // Places the template's photo tplSlots around the frames of a page built
    // without its frame information.
    void FramesInfoComplete(IMainFrame* main, ZebtemplateVelmora2* tpl, ZebtemplateVelmoraFrameInfo* framesInfo);

    int PageWidth() override;
    int PageHeight() override;
    bool IsCustomizable() override { return true; }
    int PageNumForLab() override { return fPageNum; }
    // The template is looked up by id in the catalogue's templates; a
    // template the catalogue no longer has is dropped (false).
    bool XMLloadFinalize(IMainFrame* main) override;

private:
    bool monthCalendar() const;
    void addSlots(IMainFrame* main, ZebtemplateVelmoraFrameInfo* framesInfo, const std::vector<int>& tplSlots,
                  TTypeFrame kind);

    ZebtemplateVelmora2* fTplVelmora = nullptr;
    bool fTplVelmoraOwned = false;
    bool fFramesInfoOk = false;
};

// A page of a photo book, with an optional album background.
class TCustomizedAlbumPageBase : public TCustomizedPageBase {
    KIOSK_SERIALIZABLE_CLASS(TCustomizedAlbumPageBase)
public:
    using TCustomizedPageBase::TCustomizedPageBase;
    ~TCustomizedAlbumPageBase() override;

    // The album background, null for none: the catalogue's record (not
    // owned), or the copy read from an order file until the page is
    // re-linked (owned).
    FondAlbum2* BgAlbum() const { return fBgAlbum; }
    void SetBgAlbum(FondAlbum2* bg);
    void SetBgAlbumOwned(std::unique_ptr<FondAlbum2> bg);
    bool OwnsBgAlbum() const { return fBgAlbumOwned; }
    virtual bool IsBgAlbumOptional() = 0;
    int PageWidth() override;
    int PageHeight() override;
    // The background is looked up by id among those of the catalogue's
    // album size of the page; a background that is gone is dropped (false).
    bool XMLloadFinalize(IMainFrame* main) override;

protected:
    AlbumPhotographe2* album() const;
    TAlbumTraits albumTraits() const;
    // The highest page number of the product (the back cover's).
    int lastPageNum() const;

    FondAlbum2* fBgAlbum = nullptr;
    bool fBgAlbumOwned = false;
};

class TCustomizedAlbumPage : public TCustomizedAlbumPageBase {
    KIOSK_SERIALIZABLE_CLASS(TCustomizedAlbumPage)
public:
    TCustomizedAlbumPage();
    // With its background frame, and on page 3 of an album with a
    // first-page photo the frame over the photo window.
    TCustomizedAlbumPage(TAlbumProduct* product, IMainFrame* main, FondAlbum2* bg, TOrderImageBase* bgImage,
                         int pageNum);
    // Without frames.
    TCustomizedAlbumPage(TAlbumProduct* product, IMainFrame* main, int pageNum);
    ~TCustomizedAlbumPage() override;

    bool IsCustomizable() override;
    bool IsMoveable() override;
    int PageNumForLab() override;
    bool IsFrameTemplatable() override;
    bool IsBgAlbumOptional() override { return false; }
    void CacheInvalidate(IOrderBitmapRef exceptBmp) override;
    void drawFrames(IMainFrame* main, QPainter& canvas, const QRectF& pageRect, TThreadTaskQueueBase* taskQueue,
                    IOrderBitmapNotif* notif, TCustomizedFrame* selected) override;
};

class TCustomizedAlbumCover : public TCustomizedAlbumPageBase {
    KIOSK_SERIALIZABLE_CLASS(TCustomizedAlbumCover)
public:
    TCustomizedAlbumCover();
    // With its background frame.
    TCustomizedAlbumCover(TAlbumProduct* product, IMainFrame* main, CouleurMatiere2* cover, TOrderImageBase* bgImage,
                          int pageNum);
    // Without material and frames.
    TCustomizedAlbumCover(TAlbumProduct* product, IMainFrame* main, const QString& insideColor, int pageNum);
    ~TCustomizedAlbumCover() override;

    // The cover material; same ownership rule as the background.
    CouleurMatiere2* Cover() const { return fCover; }
    void SetCover(CouleurMatiere2* cover);
    void SetCoverOwned(std::unique_ptr<CouleurMatiere2> cover);
    bool OwnsCover() const { return fCoverOwned; }
    // The background first, then the material by id among the catalogue's
    // materials.
    bool XMLloadFinalize(IMainFrame* main) override;
    bool IsCustomizable() override;
    bool IsMoveable() override { return false; }
    int PageNumForLab() override;
    bool IsFrameTemplatable() override;
    bool IsBgAlbumOptional() override { return true; }
    int OutputChannelId() override;
    // The cover's own form: the background frame takes bgImage only without
    // an album background; empty frames get the drop example when the
    // customer may fill them, else the "image not found" picture.
    void DataPrepareCover(IMainFrame* main, TOrderImageBase* bgImage, const QString& insideColor);
    void drawFrames(IMainFrame* main, QPainter& canvas, const QRectF& pageRect, TThreadTaskQueueBase* taskQueue,
                    IOrderBitmapNotif* notif, TCustomizedFrame* selected) override;

private:
    CouleurMatiere2* fCover = nullptr;
    bool fCoverOwned = false;
};

// Makes pages the product's pages, in a fresh list that replaces list; the
// pages of the old list are freed.
void ProductPagesReplace(IArcList<TCustomizedPageBase*>& list, TRemotable* product,
                         std::vector<std::unique_ptr<TCustomizedPageBase>> pages);
