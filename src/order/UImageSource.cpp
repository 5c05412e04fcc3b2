#include "UImageSource.h"

#include "UAppExceptions.h"
#include "UDebug.h"

TImageSource::TImageSource() = default;

TImageSource::~TImageSource()
{
    ImageCacheDetach();
}

void TImageSource::ImageCacheDetach()
{
    if (TImageCache* cache = fcache.exchange(nullptr)) {
        try {
            cache->onImageSourceDestroyed(this);
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TImageSource.Destroy"), e);
        } catch (...) {
            LogError(QStringLiteral("TImageSource.Destroy"));
        }
    }
}

TImageSource* TImageSource::GetImageCacheRef()
{
    return this;
}

void TImageSource::CacheInvalidate(IOrderBitmapRef exceptBmp)
{
    if (TImageCache* cache = ImageCache())
        cache->onImageSourceInvalidate(this, std::move(exceptBmp));
}

void TImageSource::onImageCacheAttached(TImageCache* cache)
{
    TImageCache* expected = nullptr;
    if (fcache.compare_exchange_strong(expected, cache, std::memory_order_acq_rel))
        return;
    if (expected != cache)
        throw Exception(QStringLiteral("TImageSource.onImageCacheAttached : attached to another cache repository"));
}

void TImageSource::onBitmapLoadErrorClear(IMainFrame* /*main*/)
{
}

bool TImageSource::onBitmapLoadError(IMainFrame* /*main*/, const std::exception& /*ex*/)
{
    return false;
}
