#pragma once
// What the image-selection lists and the photo-source workflow data know of
// each other: a picture repository (one device or folder that provides
// pictures for the current customer) and a list that the workflow data
// feeds with the pictures of every repository.
//
// The lists (widgets) implement IDataSourceImgTarget; the workflow data
// (catalogue) implements the repositories. Both sit on the order model, so
// the interfaces live here.
#include <QString>
#include <memory>

class TOrderImageBase;
class IQzfsFolder;

// How the selection lists group and order the pictures.
enum TPhotoSourceGroupBy : int { psgb_date = 0, psgb_filename = 1, psgb_folder = 2, psgb_addOrder = 3 };

class IDataSourceImgRepository {
public:
    virtual ~IDataSourceImgRepository() = default;
    // Seen by the current device scan.
    virtual bool GetPresent() = 0;
    virtual void SetPresent(bool val) = 0;
    // The repository stands for that folder (same object, content unchanged).
    virtual bool MatchFolder(IQzfsFolder* folder) = 0;
    // The medium went: the browse stops (at once) and the pictures are
    // dropped from the lists (RemovedEnd, on the repository queue).
    virtual void RemovedStart() = 0;
    virtual void RemovedEnd() = 0;
    virtual void BrowseStart() = 0;
    virtual int GetImageCount() = 0;
    // The index-th picture shown; the repository or the order owns it.
    virtual TOrderImageBase* GetImage(int index) = 0;
    // val true: the repository owns the picture again; false: the order
    // takes it. False when the repository does not show it.
    virtual bool setImageOwnedByRepository(TOrderImageBase* img, bool val) = 0;
    virtual QString debugLabel() = 0;
};
using IDataSourceImgRepositoryRef = std::shared_ptr<IDataSourceImgRepository>;

// A list fed with source pictures. The calls come from the feed worker
// thread (ImageFeedEnd also from the main thread when the list is
// unregistered): the list guards its own items.
class IDataSourceImgTarget {
public:
    virtual ~IDataSourceImgTarget() = default;
    // A feed run begins.
    virtual void ImageFeedStart() = 0;
    // Drop every item; group from now on by groupBy.
    virtual void ImageFeedReset(TPhotoSourceGroupBy groupBy) = 0;
    // Add one picture (owned by rep or by the order; never freed by the list).
    virtual void ImageFeed(const IDataSourceImgRepositoryRef& rep, TOrderImageBase* img) = 0;
    // The feed run is over (no more pictures for now).
    virtual void ImageFeedEnd() = 0;
};
using IDataSourceImgTargetRef = std::shared_ptr<IDataSourceImgTarget>;
