#pragma once
// Image sources and the cache contract they talk to.
//
// An image source is anything the bitmap cache can render (an order photo,
// a print format of a photo, a frame, a page, a frame border): the cache
// asks it for a bitmap no larger than a box and in a rendering mode, and the
// source tells the cache when its bitmaps are out of date or when it dies.
// TImageCache is the cache's side of that contract; TOrderBitmapCache
// (UOrderBitmapCache) implements it.
#include "IMainFrame.h"
#include "UImageTransfer.h"
#include "URttiCache.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <atomic>
#include <exception>

class TImageSource;

// What an image source tells the bitmap cache.
class TImageCache {
public:
    virtual ~TImageCache() = default;
    // The source is being destroyed: its bitmaps go, and no build of one of
    // them uses the source once this returns.
    virtual void onImageSourceDestroyed(TImageSource* src) = 0;
    // The source's bitmaps are out of date, except exceptBmp (may be null).
    virtual void onImageSourceInvalidate(TImageSource* src, IOrderBitmapRef exceptBmp) = 0;
};

class TImageSource {
public:
    TImageSource();
    virtual ~TImageSource();
    TImageSource(const TImageSource&) = delete;
    TImageSource& operator=(const TImageSource&) = delete;

    // Picture size in pixels, already turned for an orientation of 90 or 270.
    virtual QSizeF ImageSize() = 0;
    // The size of the bitmap that a request for that box and mode builds.
    virtual QSizeF ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) = 0;
    // The source whose cached bitmaps stand for this one.
    virtual TImageSource* GetImageCacheRef();
    // Tells the attached cache, if any, that the bitmaps are out of date.
    virtual void CacheInvalidate(IOrderBitmapRef exceptBmp);
    // Builds the bitmap asked for into a new pixel surface that the caller
    // owns. Runs on a worker thread of the cache (or at once on the asking
    // thread); anything that must run on the main thread goes through
    // TThreadTaskQueueWithoutThread::MainThreadSynchro.
    virtual void onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax,
                                    TOrderBitmapMode bitmapMode, QImage& bitmapSurface)
        = 0;
    // Called by the cache, under its lock, at the first request for one of
    // the source's bitmaps. A source belongs to one cache only: attaching it
    // to another raises.
    virtual void onImageCacheAttached(TImageCache* cache);
    virtual void onBitmapLoadErrorClear(IMainFrame* main);
    // A build failed with ex; true when the source now shows a replacement.
    virtual bool onBitmapLoadError(IMainFrame* main, const std::exception& ex);
    // Names the source in log lines.
    virtual QString DebugLabel() = 0;

    TImageCache* ImageCache() const { return fcache.load(std::memory_order_acquire); }

protected:
    // Tells the cache that the source goes. A derived class whose builds use
    // its own members calls it first thing in its destructor, so that no
    // build runs on a half-destroyed object; calling it twice is harmless.
    void ImageCacheDetach();

private:
    std::atomic<TImageCache*> fcache { nullptr };
};

// The debug label "Class(detail)" of an image source, which never raises
// (it is written from error handlers): "???" when the class cannot be told,
// "Class(???)" when the detail raises.
template<class Detail>
QString SafeDebugLabel(const TRemotable& obj, Detail detail)
{
    QString name;
    try {
        name = obj.ClassInfo().ClassName();
    } catch (...) {
        return QStringLiteral("???");
    }
    try {
        return name + QLatin1Char('(') + detail() + QLatin1Char(')');
    } catch (...) {
        return name + QStringLiteral("(\?\?\?)");
    }
}
