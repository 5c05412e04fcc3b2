#pragma once
// The page sizes of the store's photo books: one size per distinct page size
// of the photo-book models, with its page models (frame layouts) and its
// backgrounds. A size chooses page models for a mix of portrait and
// landscape pictures; TBgAlbumData pairs a background with the picture that
// shows it.
#include "UCatalogueLists.h"
#include "UOwnerList.h"
#include "UXmlSerializer.h"

#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class IMainFrame;
class PageModeleZeb;
class PageModelFrameZeb;
class TOrderImageBase;

// Smallest and largest frame count of a size's page models; 9999 and -1
// until computed.
struct TPageModelFramesLimit {
    qint32 min = 9999;
    qint32 max = -1;
};

// A background and the order picture that shows it; owns the picture.
class TBgAlbumData {
public:
    // The picture of a background, made by the media layer (a picture of
    // the lab server known by the background's vignette id).
    using TImageFactory = std::function<std::unique_ptr<TOrderImageBase>(IMainFrame* main, FondAlbum2* background)>;
    static void SetImageFactory(TImageFactory factory);

    TBgAlbumData(IMainFrame* main, FondAlbum2* background);
    ~TBgAlbumData();
    TBgAlbumData(const TBgAlbumData&) = delete;
    TBgAlbumData& operator=(const TBgAlbumData&) = delete;

    FondAlbum2* BackgroundAlbum() const { return fBackground; }
    // Null when no picture factory is installed.
    TOrderImageBase* Image() const { return fImage.get(); }

private:
    FondAlbum2* fBackground;
    std::unique_ptr<TOrderImageBase> fImage;
};

// Page models by score, lowest first.
using TPageModelScoreMap = std::map<float, std::vector<PageModeleZeb*>>;

class TAlbumSize : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TAlbumSize)
public:
    // The loader's constructor: no size.
    TAlbumSize();
    TAlbumSize(qint32 x, qint32 y);
    ~TAlbumSize() override;

    // Stored: page width and height in millimetres.
    qint32 cx() const { return fCx; }
    qint32 cy() const { return fCy; }
    void setCx(qint32 v) { fCx = v; }
    void setCy(qint32 v) { fCy = v; }

    // Stored as "Backgrounds": the backgrounds of the size (owned).
    TAlbumBackgroundList& BackgroundList() { return *fBackgrounds; }
    const TAlbumBackgroundList& BackgroundList() const { return *fBackgrounds; }
    // Frees the previous list and keeps the new one.
    void SetBackgroundList(std::unique_ptr<TAlbumBackgroundList> list);
    // Stored as "PageTemplates": the page models (owned).
    TOwnerList<PageModeleZeb>& PageModelList() { return *fPageModels; }
    const TOwnerList<PageModeleZeb>& PageModelList() const { return *fPageModels; }
    // Frees the previous list and keeps the new one; its models get this
    // size as parent.
    void SetPageModelList(std::unique_ptr<TOwnerList<PageModeleZeb>> list);
    // Replaces the page models by models read from their texts, in order (a
    // malformed text raises and leaves the models as they were).
    void PageModelListStr(const QStringList& arr);

    // The frame-count limits of the page models, computed once: later
    // changes of the models do not change them.
    TPageModelFramesLimit getPageModelFramesLimit();

    // Score of a model of V portrait and H landscape frames for p portrait
    // and l landscape pictures.
    static float PageModelScore(qint32 portraitFrames, qint32 landscapeFrames, qint32 countPortrait,
                                qint32 countLandscape);
    // Every page model in list order under its score; with bNoFullSizeFrame
    // the models with a full-size frame are left out.
    TPageModelScoreMap getPageModelAvailableList(qint32 countPortrait, qint32 countLandscape, bool bNoFullSizeFrame);
    // One of the best-scored models, picked with the shared random
    // generator; raises "TAlbumSize.getRandomInBestPageModelAvailable: no
    // page model found !" when there is none.
    PageModeleZeb* getRandomInBestPageModelAvailable(qint32 countPortrait, qint32 countLandscape,
                                                     bool bNoFullSizeFrame);
    bool pageModelWithFullSizeFrame(const PageModeleZeb* pageModel) const;
    // At (0, 0) or before, and at least as large as the page.
    bool fullSizeFrame(const PageModelFrameZeb* pageModelFrame) const;

    // One background datum per background, built on the first call.
    TOwnerList<TBgAlbumData>& getBgAlbumDataList(IMainFrame* main);
    // Raises "AlbumSize.bgAlbumDataById: background not found".
    TBgAlbumData* bgAlbumDataById(IMainFrame* main, qint32 id);

private:
    qint32 fCx = 0;
    qint32 fCy = 0;
    std::unique_ptr<TAlbumBackgroundList> fBackgrounds;
    std::unique_ptr<TOwnerList<PageModeleZeb>> fPageModels;
    TPageModelFramesLimit fFramesLimit;
    std::unique_ptr<TOwnerList<TBgAlbumData>> fBgData;
};

// The photo-book sizes of the catalogue.
class TAlbumSizeList : public TOwnerList<TAlbumSize> {
public:
    using TOwnerList::TOwnerList;
    // The first size of that width and height; null when none.
    TAlbumSize* byWidthHeight(qint32 width, qint32 height) const;
};

// The random generator shared by the album builder's choices (backgrounds,
// page models): one process-wide 32-bit seed, advanced as
// seed := seed × 134775813 + 1 before each draw; a draw below n is
// (seed × n) >> 32 with the seed taken unsigned. The photo-book workflow
// records the seed with a preview and sets it back to build the same book.
namespace AlbumRandom {
void Seed(quint32 seed);
void SetSeed(qint32 seed);
qint32 GetSeed();
// An index in [0, count); count must be above 0.
int Below(int count);
} // namespace AlbumRandom
