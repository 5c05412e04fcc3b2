#pragma once
// The drawable bitmap of everything the system renders itself (page
// previews, text and border pictures, cached bitmaps handed to controls),
// and the canvas hook that releases what such bitmaps hold after drawing.
//
// The kiosk draws with QPainter on QImage: every bitmap lives in main
// memory and no drawing batch keeps a GPU texture of it. The class still
// marks the system's own renderings, and the hook stays where callers
// release canvas resources after an off-screen render, so that a graphics
// layer with textures can plug in there; with the software raster both
// operations have nothing to release.
#include <QImage>

class TZebbitmap : public QImage {
public:
    TZebbitmap() = default;
    // Shares the pixels of img (no copy).
    explicit TZebbitmap(const QImage& img) : QImage(img) { }
    explicit TZebbitmap(QImage&& img) noexcept : QImage(std::move(img)) { }
    TZebbitmap(int width, int height, QImage::Format format) : QImage(width, height, format) { }
};

class TCanvasHelper {
public:
    TCanvasHelper() = delete;
    // Lists the resources of a drawn bitmap for release after the batch.
    static void AddBmpTexturesToFree(const TZebbitmap& /*bmp*/) { }
    // Releases what the listed bitmaps hold; called after every off-screen
    // render.
    static void ProcessTexturesToFree() { }
};
