#include "FakeMainFrame.h"
#include "TestSupport.h"
#include "UAppExceptions.h"
#include "UOrderBitmapCache.h"
#include "UPageDrawing.h"
#include "UThreadTaskQueue.h"

#include <QCoreApplication>
#include <QPainter>
#include <gtest/gtest.h>
#include <atomic>
#include <functional>

namespace {

constexpr auto kMax = TOrderBitmapMode::obm_sizeMax;

// A main frame with a bitmap cache, a switch for 2D readiness and print
// sizes of 2 pixels per millimetre.
class DrawMainFrame : public RecordingMainFrame {
public:
    IOrderBitmapRef BitmapCache(TImageSource* src, int w, int h, TOrderBitmapMode mode) override
    {
        return fCache.Access(src, w, h, mode);
    }
    bool Is2DrenderingReady() override { return f2DReady.load(); }
    bool GetDebugMode() override { return true; }
    QSizeF BitmapSizeMmToPixel(int channelId, QSizeF sizeInMm, int* pdpi, bool bGpuLimit) override
    {
        record(QStringLiteral("BitmapSizeMmToPixel"));
        fLastChannel = channelId;
        if (pdpi)
            *pdpi = 51;
        return sizeInMm * 2;
    }

    TOrderBitmapCache fCache { this };
    std::atomic<bool> f2DReady { true };
    std::atomic<int> fLastChannel { -1 };
};

// A source whose pictures are a given picture scaled to the asked box (or
// the picture itself at full size).
class PictureSource : public TImageSource {
public:
    explicit PictureSource(QImage picture, QString name = QStringLiteral("pic"))
        : fPicture(std::move(picture)), fName(std::move(name))
    {
    }
    ~PictureSource() override { ImageCacheDetach(); }

    QSizeF ImageSize() override { return QSizeF(fPicture.size()); }
    QSizeF ImageSizeForMax(int w, int h, TOrderBitmapMode) override
    {
        return w == 0 ? QSizeF(fPicture.size()) : QSizeF(w, h);
    }
    // A bitmap for cropping keeps the picture's ratio and covers the box.
    void onAsyncBitmapBuild(IMainFrame*, int w, int h, TOrderBitmapMode mode, QImage& surface) override
    {
        ++fBuilds;
        if (fFail.load())
            throw Exception(QStringLiteral("PictureSource: decode failed"));
        const Qt::AspectRatioMode ratio = mode == TOrderBitmapMode::obm_sizeMinForCrop ? Qt::KeepAspectRatioByExpanding
                                                                                        : Qt::IgnoreAspectRatio;
        surface = w == 0 ? fPicture : fPicture.scaled(w, h, ratio, Qt::FastTransformation);
    }
    QString DebugLabel() override { return fName; }

    QImage fPicture;
    QString fName;
    std::atomic<int> fBuilds { 0 };
    std::atomic<bool> fFail { false };
};

QImage solid(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(c);
    return img;
}

// 400 x 300: black outer eighths, red and green halves in between.
QImage stripes()
{
    QImage img = solid(400, 300, Qt::black);
    QPainter p(&img);
    p.fillRect(50, 0, 150, 300, Qt::red);
    p.fillRect(200, 0, 150, 300, Qt::green);
    return img;
}

// A clip-art picture W x H with bands L, T, R, B: corners red, edges green,
// centre white.
QImage clipart(int W, int H, int L, int T, int R, int B)
{
    QImage img = solid(W, H, Qt::green);
    QPainter p(&img);
    p.fillRect(L, T, W - L - R, H - T - B, Qt::white);
    for (QRect c : { QRect(0, 0, L, T), QRect(W - R, 0, R, T), QRect(0, H - B, L, B), QRect(W - R, H - B, R, B) })
        p.fillRect(c, Qt::red);
    return img;
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    return img;
}

bool hasKey(TOrderBitmapCache& cache, TImageSource* src, int w, int h, TOrderBitmapMode mode)
{
    for (const auto& k : cache.LruKeys())
        if (k.imageSource == src && k.bitmapWidthMax == w && k.bitmapHeightMax == h && k.bitmapMode == int(mode))
            return true;
    return false;
}

QString messageOf(const std::exception& e)
{
    if (auto* ex = dynamic_cast<const Exception*>(&e))
        return ex->Message();
    return QString::fromUtf8(e.what());
}

// A page editor control: told of bitmaps on the main thread, draws its marks
// over every frame.
class MarkingControl : public QObject, public IOrderBitmapNotif, public ICustomizedFrameDraw {
public:
    void OnOrderBitmapLoaded(const IOrderBitmapRef&) override { ++fNotified; }
    void drawFrameSwapMark(TCustomizedFrame* frame, IMainFrame*, QPainter& canvas, const QRectF& frameRect,
                           TThreadTaskQueueBase*, bool bForce) override
    {
        ++fMarks;
        fFrame = frame;
        fRect = frameRect;
        fTransform = canvas.transform();
        fForce = bForce;
    }
    std::atomic<int> fNotified { 0 };
    int fMarks = 0;
    TCustomizedFrame* fFrame = nullptr;
    QRectF fRect;
    QTransform fTransform;
    bool fForce = false;
};

std::unique_ptr<TThreadTaskQueue> workerQueue()
{
    auto q = std::make_unique<TThreadTaskQueue>(QCoreApplication::instance(), nullptr, QStringLiteral("Img Queue"));
    q->SetRetryPolicy(30, 0, 0);
    return q;
}

class PageDrawingTest : public ::testing::Test {
protected:
    ~PageDrawingTest() override { fMain.fCache.ClearAll(); }
    DrawMainFrame fMain;
};

// The page of these tests: 100 x 80 mm drawn at 2 pixels per millimetre.
const QRectF kPageRect(0, 0, 200, 160);
constexpr double kR = 0.5;

} // namespace

// ---------------------------------------------------------------------------
// Frames

TEST_F(PageDrawingTest, AFrameShowsItsOwnRenderingOnceBuilt)
{
    PictureSource own(solid(10, 10, Qt::blue), QStringLiteral("frame"));
    TFrameDrawInfo f;
    f.rectMm = QRectF(10, 20, 50, 40);
    f.ownPicture = &own;

    QImage img = canvas(200, 160);
    {
        QPainter p(&img);
        TPageDrawing::DrawFrame(&fMain, p, kPageRect, kR, f, nullptr, nullptr, false);
    }
    // Not built yet, and without a queue nothing is built: the frame stays empty.
    EXPECT_EQ(img.pixelColor(70, 80), QColor(Qt::white));
    EXPECT_EQ(own.fBuilds.load(), 0);
    EXPECT_TRUE(hasKey(fMain.fCache, &own, 100, 80, kMax));

    {
        QPainter p(&img);
        TPageDrawing::DrawFrame(&fMain, p, kPageRect, kR, f, nullptr, nullptr, true);
    }
    // (10, 20) mm of 50 x 40 mm at 2 px/mm: (20, 40) to (120, 120).
    EXPECT_EQ(img.pixelColor(21, 41), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(118, 118), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(18, 80), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(122, 80), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(70, 122), QColor(Qt::white));
    EXPECT_EQ(own.fBuilds.load(), 1);
}

TEST_F(PageDrawingTest, AFrameWithoutItsOwnRenderingShowsTheMiddleOfTheOrderImage)
{
    PictureSource photo(stripes(), QStringLiteral("photo"));
    TFrameDrawInfo f;
    f.rectMm = QRectF(10, 10, 50, 50); // a square frame, 100 x 100 pixels
    f.orderImage = &photo;
    QImage img = canvas(200, 160);
    {
        QPainter p(&img);
        TPageDrawing::DrawFrame(&fMain, p, kPageRect, kR, f, nullptr, nullptr, true);
    }
    // The shared bitmap of the photo is asked for cropping at the frame's size.
    EXPECT_TRUE(hasKey(fMain.fCache, &photo, 100, 100, TOrderBitmapMode::obm_sizeMinForCrop));
    // Of the 4:3 picture the middle three quarters of its width show: no
    // black edge, red on the left half, green on the right half.
    EXPECT_EQ(img.pixelColor(21, 60), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(68, 60), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(72, 60), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(118, 60), QColor(Qt::green));
}

TEST_F(PageDrawingTest, BordersAroundAFrame)
{
    struct Case {
        const char* name;
        bool clipart;
        double thickness;
        QPoint border;  // a pixel of the border
        QPoint outside; // a pixel just outside it
    };
    // Frame (20, 40) to (120, 120) in pixels.
    const Case cases[] = {
        // Bands of 5 mm = 10 pixels on every side.
        { "clip-art picture stretched over the bands", true, 100, QPoint(12, 80), QPoint(8, 80) },
        // Thickness 20: a 2 mm = 4 pixel line lying just outside the frame.
        { "plain line outside the frame edge", false, 20, QPoint(17, 80), QPoint(14, 80) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PictureSource own(solid(10, 10, Qt::blue), QStringLiteral("frame"));
        PictureSource art(solid(10, 10, Qt::magenta), QStringLiteral("border"));
        TFrameDrawInfo f;
        f.rectMm = QRectF(10, 20, 50, 40);
        f.ownPicture = &own;
        f.borderThickness = c.thickness;
        f.borderColor = qRgba(255, 0, 255, 255);
        if (c.clipart) {
            f.borderPicture = &art;
            f.borderBandsMm = { 5, 5, 5, 5 };
        }
        QImage img = canvas(200, 160);
        {
            QPainter p(&img);
            TPageDrawing::DrawFrame(&fMain, p, kPageRect, kR, f, nullptr, nullptr, true);
        }
        EXPECT_EQ(img.pixelColor(c.border), QColor(Qt::magenta));
        EXPECT_EQ(img.pixelColor(c.outside), QColor(Qt::white));
        if (c.clipart)
            EXPECT_TRUE(hasKey(fMain.fCache, &art, 120, 100, kMax)); // frame plus bands
        else
            EXPECT_EQ(img.pixelColor(22, 80), QColor(Qt::blue)); // the line leaves the picture whole
        fMain.fCache.ClearAll();
    }
}

TEST_F(PageDrawingTest, AControlDrawsItsMarksInTheFramesTurnedCoordinates)
{
    PictureSource own(solid(10, 10, Qt::blue));
    TFrameDrawInfo f;
    f.frame = reinterpret_cast<TCustomizedFrame*>(quintptr(0x1000)); // only compared
    f.rectMm = QRectF(10, 20, 50, 40);
    f.rotationAngle = 30;
    f.ownPicture = &own;
    MarkingControl ctrl;
    QImage img = canvas(200, 160);
    QTransform matrix;
    {
        QPainter p(&img);
        matrix = TPageDrawing::DrawFrame(&fMain, p, kPageRect, kR, f, nullptr, &ctrl, true);
        EXPECT_EQ(p.transform(), QTransform()); // the canvas matrix is restored
    }
    EXPECT_EQ(ctrl.fMarks, 1);
    EXPECT_EQ(ctrl.fFrame, f.frame);
    EXPECT_EQ(ctrl.fRect, QRectF(20, 40, 100, 80));
    EXPECT_EQ(ctrl.fTransform, matrix);
    EXPECT_TRUE(ctrl.fForce);
    // The matrix turns about the frame's centre.
    EXPECT_NEAR(matrix.map(QPointF(70, 80)).x(), 70, 1e-6);
    EXPECT_NEAR(matrix.map(QPointF(70, 80)).y(), 80, 1e-6);
    fMain.fCache.controlDestroyed(&ctrl);
}

// ---------------------------------------------------------------------------
// Pages

TEST_F(PageDrawingTest, PageDrawingKeepsTheCanvasAndStopsOnlyForARetry)
{
    struct Case {
        const char* name;
        QSizeF pageMm;
        std::function<void()> failure;
        bool retryReachesCaller;
        bool framesCalled;
    };
    const Case cases[] = {
        { "a page drawn normally", QSizeF(100, 150), nullptr, false, true },
        { "a failing frame is swallowed", QSizeF(100, 150), [] { throw Exception(QStringLiteral("broken")); }, false,
          true },
        { "a retry goes on to the caller", QSizeF(100, 150),
          [] { throw ETaskRetry(QStringLiteral("High priority tasks requested")); }, true, true },
        { "a page without size draws nothing", QSizeF(0, 150), nullptr, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage img = canvas(400, 300);
        QPainter p(&img);
        bool called = false;
        QRectF seen;
        auto run = [&] {
            TPageDrawing::DrawPage(p, QRectF(0, 0, 400, 300), c.pageMm, TPagePlacement::PageLeft,
                                   [&](const QRectF& pageRect) {
                                       called = true;
                                       seen = pageRect;
                                       p.translate(5, 5);
                                       if (c.failure)
                                           c.failure();
                                   });
        };
        if (c.retryReachesCaller)
            EXPECT_THROW(run(), ETaskRetry);
        else
            EXPECT_NO_THROW(run());
        EXPECT_EQ(called, c.framesCalled);
        if (c.framesCalled)
            EXPECT_EQ(seen, QRectF(200, 0, 200, 300)); // a left page at the right end
        EXPECT_FALSE(p.hasClipping());
        EXPECT_EQ(p.transform(), QTransform());
    }
}

namespace {

// A page of two frames whose preview is drawn through the cache.
class PreviewPage : public TImageSource {
public:
    explicit PreviewPage(std::vector<TFrameDrawInfo> frames) : fFrames(std::move(frames)) { }
    ~PreviewPage() override { ImageCacheDetach(); }

    QSizeF ImageSize() override { throw Exception(QStringLiteral("TCustomizedPage.GetImageSize: not implemented")); }
    QSizeF ImageSizeForMax(int, int, TOrderBitmapMode) override
    {
        throw Exception(QStringLiteral("TCustomizedPage.ImageSizeForMax: not implemented"));
    }
    void onAsyncBitmapBuild(IMainFrame* main, int w, int h, TOrderBitmapMode mode, QImage& surface) override
    {
        ++fBuilds;
        surface = TPageDrawing::BuildPagePreview(
            main, DebugLabel(), QSizeF(100, 80), w, h, mode,
            [&](QPainter& p, const QRectF& local, TThreadTaskQueueBase* queue) {
                TPageDrawing::DrawPage(p, local, QSizeF(100, 80), TPagePlacement::PageCenter,
                                       [&](const QRectF& pageRect) {
                                           const double r = 100 / pageRect.width();
                                           for (const auto& f : fFrames)
                                               TPageDrawing::DrawFrame(main, p, pageRect, r, f, queue, nullptr,
                                                                       false);
                                       });
            });
    }
    QString DebugLabel() override { return QStringLiteral("page"); }

    std::atomic<int> fBuilds { 0 };

private:
    std::vector<TFrameDrawInfo> fFrames;
};

} // namespace

TEST_F(PageDrawingTest, APagePreviewBuiltBeforeItsFramesIsDrawnAgainWithThem)
{
    auto q = workerQueue();
    PictureSource f1(solid(4, 4, Qt::blue)), f2(solid(4, 4, Qt::red));
    TFrameDrawInfo a, b;
    a.rectMm = QRectF(10, 10, 30, 30);
    a.ownPicture = &f1;
    b.rectMm = QRectF(60, 10, 30, 30);
    b.ownPicture = &f2;
    PreviewPage page({ a, b });
    MarkingControl ctrl;
    auto bmp = fMain.fCache.Access(&page, 200, 200, kMax);
    EXPECT_FALSE(bmp->IsBitmapLoaded(q.get(), &ctrl, false));
    ASSERT_TRUE(testsupport::waitFor([&] { return ctrl.fNotified.load() == 1; }));
    // The first picture lacked both frames and was thrown away.
    EXPECT_EQ(page.fBuilds.load(), 2);
    EXPECT_EQ(f1.fBuilds.load(), 1);
    EXPECT_EQ(f2.fBuilds.load(), 1);
    const QImage shown = bmp->BitmapSurface();
    EXPECT_EQ(shown.size(), QSize(200, 160)); // the box fitted to the 100 x 80 mm page
    EXPECT_EQ(shown.pixelColor(50, 50), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(150, 50), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(100, 140).alpha(), 0); // no frame there: transparent
    fMain.fCache.controlDestroyed(&ctrl);
    q->waitEnd();
}

TEST_F(PageDrawingTest, OffScreenPicturesWaitFor2DRendering)
{
    fMain.f2DReady = false;
    TTextBloc text;
    try {
        TPageDrawing::BuildPagePreview(&fMain, QStringLiteral("page"), QSizeF(100, 80), 200, 160, kMax,
                                       [](QPainter&, const QRectF&, TThreadTaskQueueBase*) {});
        ADD_FAILURE() << "no exception";
    } catch (const ETaskNotReady& e) {
        EXPECT_EQ(messageOf(e), QStringLiteral("page.onAsyncBitmapBuild: 2D rendering not ready"));
    }
    EXPECT_THROW(TPageDrawing::BuildTextPicture(&fMain, QStringLiteral("text"), text, QSizeF(100, 50), 0, 200, 100,
                                                kMax),
                 ETaskNotReady);
    PictureSource art(clipart(30, 30, 10, 10, 10, 10));
    EXPECT_THROW(TPageDrawing::BuildBorderPicture(&fMain, QStringLiteral("border"), &art, 10, 10, 10, 10,
                                                  { 2, 2, 2, 2 }, QSizeF(50, 40), 0, 100, 100, kMax),
                 ETaskNotReady);
}

TEST_F(PageDrawingTest, TextPictureSizes)
{
    struct Case {
        const char* name;
        int maxW, maxH;
        QSize expected;
        bool printSize;
    };
    const Case cases[] = {
        { "screen box fitted to the frame", 300, 100, QSize(200, 100), false },
        { "print size from the channel's resolution", 0, 0, QSize(200, 100), true },
    };
    TTextBloc text;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fMain.fLastChannel = -1;
        const TZebbitmap bmp = TPageDrawing::BuildTextPicture(&fMain, QStringLiteral("text"), text, QSizeF(100, 50),
                                                              7, c.maxW, c.maxH, kMax);
        EXPECT_EQ(bmp.size(), c.expected);
        EXPECT_EQ(fMain.fLastChannel.load(), c.printSize ? 7 : -1);
    }
}

TEST_F(PageDrawingTest, BorderPictureTakesTheClipartFromTheCache)
{
    // Clip-art 40 x 40 with bands of 10 pixels; bands of 10 mm around a
    // 40 x 20 mm frame, drawn into a box of 90 x 40 pixels: 1 px/mm.
    PictureSource art(clipart(40, 40, 10, 10, 10, 10), QStringLiteral("clipart"));
    const TZebbitmap bmp = TPageDrawing::BuildBorderPicture(&fMain, QStringLiteral("border"), &art, 10, 10, 10, 10,
                                                            { 10, 10, 10, 10 }, QSizeF(40, 20), 0, 90, 40, kMax);
    EXPECT_EQ(bmp.size(), QSize(60, 40));
    EXPECT_TRUE(hasKey(fMain.fCache, &art, 0, 0, kMax)); // the clip-art at full size
    EXPECT_EQ(bmp.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(bmp.pixelColor(30, 2), QColor(Qt::green));
    EXPECT_EQ(bmp.pixelColor(57, 37), QColor(Qt::red));
    EXPECT_EQ(bmp.pixelColor(30, 20).alpha(), 0); // the frame's area stays transparent

    // Print size: the channel's pixel size of frame plus bands.
    const TZebbitmap print = TPageDrawing::BuildBorderPicture(&fMain, QStringLiteral("border"), &art, 10, 10, 10,
                                                              10, { 10, 10, 10, 10 }, QSizeF(40, 20), 3, 0, 0, kMax);
    EXPECT_EQ(print.size(), QSize(120, 80));
    EXPECT_EQ(fMain.fLastChannel.load(), 3);
}

TEST_F(PageDrawingTest, BorderPictureErrors)
{
    try {
        TPageDrawing::BuildBorderPicture(&fMain, QStringLiteral("border"), nullptr, 10, 10, 10, 10, { 1, 1, 1, 1 },
                                         QSizeF(40, 20), 0, 120, 80, kMax);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ClipartFrame must not be nil here!"));
    }
    PictureSource art(clipart(40, 40, 10, 10, 10, 10));
    art.fFail = true;
    try {
        TPageDrawing::BuildBorderPicture(&fMain, QStringLiteral("border"), &art, 10, 10, 10, 10, { 1, 1, 1, 1 },
                                         QSizeF(40, 20), 0, 120, 80, kMax);
        ADD_FAILURE() << "no exception";
    } catch (const ETaskNotReady& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("border.onAsyncBitmapBuild: bmpBorderCache not ready"));
    }
}

TEST_F(PageDrawingTest, TheFrontCoverShowsPageThreeThroughItsWindow)
{
    QImage quarters = solid(200, 200, Qt::red);
    {
        QPainter p(&quarters);
        p.fillRect(100, 100, 100, 100, Qt::yellow);
    }
    PictureSource page3(quarters, QStringLiteral("page 3"));
    const QRectF rect(0, 0, 200, 200);
    const QRectF photoMm(30, 40, 100, 80); // on a 200 mm page: 1 px/mm
    auto draw = [&](int pageNum) {
        QImage img = solid(200, 200, QColor(0x80, 0x20, 0x20));
        QPainter p(&img);
        TPageDrawing::DrawCoverWindow(&fMain, p, rect, 200, photoMm, pageNum, &page3, nullptr, nullptr);
        return img;
    };
    // Page 3 not built yet: the window is white.
    EXPECT_EQ(draw(1).pixelColor(35, 45), QColor(Qt::white));
    ASSERT_TRUE(fMain.fCache.Access(&page3, 200, 200, kMax)->IsBitmapLoaded(nullptr, nullptr, true));
    const QImage front = draw(1);
    EXPECT_EQ(front.pixelColor(35, 45), QColor(Qt::red));
    EXPECT_EQ(front.pixelColor(125, 115), QColor(Qt::yellow));
    EXPECT_EQ(front.pixelColor(25, 45), QColor(0x80, 0x20, 0x20));
    // Page 2: the window mirrored and white; page 3 is not asked for.
    const int before = fMain.fCache.ItemCountActual();
    const QImage back = draw(2);
    EXPECT_EQ(back.pixelColor(75, 45), QColor(Qt::white));
    EXPECT_EQ(back.pixelColor(65, 45), QColor(0x80, 0x20, 0x20));
    EXPECT_EQ(fMain.fCache.ItemCountActual(), before);
}
