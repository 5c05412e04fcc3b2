// Placement geometry: fill-in and fit-in zooms, moves, matrix and rendering.
#include "UAppExceptions.h"
#include "UImageEffects.h"
#include "UPrintOrderEffects.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>
#include <cmath>

namespace {

TImageEffectInfo context(QSizeF src, QSizeF dst)
{
    TImageEffectInfo info;
    info.src = src;
    info.dst = dst;
    return info;
}

void expectRect(const QRectF& r, double l, double t, double w, double h)
{
    EXPECT_NEAR(r.left(), l, 1e-6);
    EXPECT_NEAR(r.top(), t, 1e-6);
    EXPECT_NEAR(r.width(), w, 1e-6);
    EXPECT_NEAR(r.height(), h, 1e-6);
}

} // namespace

TEST(TPrintOrderEffects, FillInStartCoversFrame)
{
    // 2000 x 1000 in 500 x 500: the replay starts at 0.5, the picture is
    // 1000 x 500 and overflows by 250 on each side.
    TImageEffects effects;
    TImageEffectInfo info = context(QSizeF(2000, 1000), QSizeF(500, 500));
    effects.play(info);
    EXPECT_NEAR(info.zoomFillInStart, 0.5, 1e-9);
    EXPECT_NEAR(info.zoomUser, 1.0, 1e-9);
    expectRect(TPrintOrderEffects::calcBoundingRectSrc(info), -250, 0, 1000, 500);
    EXPECT_NEAR(TPrintOrderEffects::fillInZoom(info), 1.0, 1e-6);
    EXPECT_TRUE(TPrintOrderEffects::FillInOk(info));
}

TEST(TPrintOrderEffects, FitInTouchesLeftAndRight)
{
    TImageEffects effects;
    effects.FitIn();
    TImageEffectInfo info = context(QSizeF(2000, 1000), QSizeF(500, 500));
    effects.play(info);
    EXPECT_EQ(info.opLimit, TImageEffectFrameLimit::StayFitIn);
    EXPECT_NEAR(info.zoomUser, 0.5, 1e-6);
    EXPECT_NEAR(info.ZoomCalc(), 0.25, 1e-6);
    expectRect(TPrintOrderEffects::calcBoundingRectSrc(info), 0, 125, 500, 250);
    EXPECT_NEAR(TPrintOrderEffects::fitInZoom(info), 1.0, 1e-6);
    EXPECT_EQ(TPrintOrderEffects::calcFitInMove(info), QPointF(0, 0));
}

TEST(TPrintOrderEffects, ZoomsAfterQuarterTurnStayExact)
{
    // A quarter turn computed in floating point leaves nearly vertical edges;
    // the zooms must still measure them exactly.
    TImageEffectInfo info = context(QSizeF(2000, 1000), QSizeF(500, 1000));
    info.zoomFillInStart = 0.5;
    info.angle = 90;
    EXPECT_NEAR(TPrintOrderEffects::fillInZoom(info), 1.0, 1e-6);
    EXPECT_NEAR(TPrintOrderEffects::fitInZoom(info), 1.0, 1e-6);
    info.angle = 270;
    EXPECT_NEAR(TPrintOrderEffects::fillInZoom(info), 1.0, 1e-6);
}

TEST(TPrintOrderEffects, Moves)
{
    enum Kind { FitMove, FillMove };
    struct Case {
        const char* name;
        Kind kind;
        QSizeF src;
        QPointF offset; // percent of the 500 x 500 frame, zoom 1
        QPointF expected;
    };
    const Case cases[] = {
        // 200 x 100 centred 180 to the left: left edge at -30.
        { "fit: sticks out left by 30 moves right", FitMove, QSizeF(200, 100), QPointF(-36, 0), QPointF(30, 0) },
        { "fit: sticks out at the bottom by 20 moves up", FitMove, QSizeF(200, 100), QPointF(0, 44), QPointF(0, -20) },
        { "fit: sticks out right and top", FitMove, QSizeF(200, 100), QPointF(40, -45), QPointF(-50, 25) },
        { "fit: wholly inside, no move", FitMove, QSizeF(200, 100), QPointF(10, 10), QPointF(0, 0) },
        // 1000 x 1000 shifted 300 right: the left frame corners are 50
        // outside; the picture moves left towards them.
        { "fill: corners uncovered on the left, x shift only", FillMove, QSizeF(1000, 1000), QPointF(60, 0),
          QPointF(-50, 0) },
        { "fill: corners uncovered above, y shift only", FillMove, QSizeF(1000, 1000), QPointF(0, -70), QPointF(0, 100) },
        { "fill: one corner uncovered, both axes", FillMove, QSizeF(1000, 1000), QPointF(-60, 56), QPointF(50, -30) },
        { "fill: covered, no move", FillMove, QSizeF(1000, 1000), QPointF(20, -20), QPointF(0, 0) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImageEffectInfo info = context(c.src, QSizeF(500, 500));
        info.offset = c.offset;
        const QPointF m = c.kind == FitMove ? TPrintOrderEffects::calcFitInMove(info)
                                            : TPrintOrderEffects::calcFillInMove(info);
        EXPECT_NEAR(m.x(), c.expected.x(), 1e-6);
        EXPECT_NEAR(m.y(), c.expected.y(), 1e-6);
        // The move brings the picture back within the limit.
        info.offset += QPointF(m.x() * 100 / 500, m.y() * 100 / 500);
        if (c.kind == FitMove)
            EXPECT_GE(TPrintOrderEffects::valRndInt(TPrintOrderEffects::fitInZoom(info)), 100);
        else
            EXPECT_LE(TPrintOrderEffects::valRndInt(TPrintOrderEffects::fillInZoom(info)), 100);
    }
}

TEST(TPrintOrderEffects, MoveAndZoomStepsKeepTheFrameShift)
{
    TImageEffectInfo info = context(QSizeF(1000, 1000), QSizeF(500, 500));
    info.zoomFillInStart = 0.5;
    TPrintOrderEffects::Move(10, -20, info);
    EXPECT_NEAR(info.offsetCalc().x(), 50, 1e-9);
    EXPECT_NEAR(info.offsetCalc().y(), -100, 1e-9);
    TPrintOrderEffects::Zoom(3, info);
    EXPECT_NEAR(info.offsetCalc().x(), 50, 1e-9);
    EXPECT_NEAR(info.offsetCalc().y(), -100, 1e-9);
    TPrintOrderEffects::Rotate(45, info, 2);
    EXPECT_NEAR(info.zoomUser, 6, 1e-9);
    EXPECT_EQ(info.angle, 45);
    EXPECT_NEAR(info.offsetCalc().x(), 50, 1e-9);
}

TEST(TPrintOrderEffects, MatrixTurnsCounterClockwiseAboutChosenCentre)
{
    TImageEffectInfo info = context(QSizeF(200, 100), QSizeF(400, 400));
    info.angle = 90;
    const QTransform m = TPrintOrderEffects::MatrixCalc(info);
    // The picture's right-middle point goes up (screen y down).
    const QPointF p = TPrintOrderEffects::MatrixTransfo(m, QPointF(200, 50));
    EXPECT_NEAR(p.x(), 200, 1e-9);
    EXPECT_NEAR(p.y(), 100, 1e-9);

    // About the frame centre: the frame centre stays where it is.
    info.srcAsDstOrigin = true;
    const QPointF c = TPrintOrderEffects::MatrixTransfo(TPrintOrderEffects::MatrixCalc(info), QPointF(200, 200));
    EXPECT_NEAR(c.x(), 200, 1e-9);
    EXPECT_NEAR(c.y(), 200, 1e-9);

    // A custom centre replaces the frame centre; fill-in still measures
    // against the left-top corner.
    TImageEffectInfo custom = context(QSizeF(400, 400), QSizeF(400, 400));
    custom.DstOriginCustom = true;
    custom.DstOrigin = QPointF(100, 100);
    EXPECT_EQ(custom.frameCenter(), QPointF(100, 100));
    const QPointF centre = TPrintOrderEffects::MatrixTransfo(TPrintOrderEffects::MatrixCalc(custom),
                                                             custom.sourceCenter());
    EXPECT_EQ(centre, QPointF(100, 100));
    // The picture spans -100..300 around (100, 100); the nearest edge is
    // hit on the ray towards the right-top corner, at (300, 33.3); the
    // result is the left-top corner's distance over that one.
    EXPECT_NEAR(TPrintOrderEffects::fillInZoom(custom), std::hypot(100.0, 100.0) / std::hypot(200.0, 200.0 / 3),
                1e-6);
}

TEST(TPrintOrderEffects, NoAreaIsFailure)
{
    const QSizeF sizes[][2] = { { QSizeF(100, 100), QSizeF(0, 0) }, { QSizeF(0, 0), QSizeF(100, 100) },
                                { QSizeF(100, 0), QSizeF(100, 100) } };
    for (const auto& s : sizes) {
        TImageEffectInfo info = context(s[0], s[1]);
        EXPECT_LE(TPrintOrderEffects::fillInZoom(info), 0);
        EXPECT_LE(TPrintOrderEffects::fitInZoom(info), 0);
    }
    TImageEffects effects;
    TImageEffectInfo info = context(QSizeF(100, 100), QSizeF(0, 0));
    try {
        effects.play(info);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("TImageEffects.play: zoom start problem(-1.00, src=100.00x100.00, dst=0.00x0.00)"));
    }
}

TEST(TPrintOrderEffects, RecommandedSourceSize)
{
    TImageEffectInfo info = context(QSizeF(300, 200), QSizeF(300, 200));
    info.zoomUser = 2;
    const QSizeF s = info.RecommandedSourceSize(QSizeF(1000, 1000));
    EXPECT_NEAR(s.width(), 600, 1e-9);
    EXPECT_NEAR(s.height(), 600, 1e-9);
}

TEST(TPrintOrderEffects, GenerateFinalBitmap)
{
    // Left half red, right half blue.
    QImage photo(200, 100, QImage::Format_ARGB32);
    photo.fill(Qt::red);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            photo.setPixel(x, y, qRgb(0, 0, 255));
    const QImage original = photo.copy();

    {
        SCOPED_TRACE("fill-in, opaque");
        TImageEffects effects;
        TImageEffectInfo info = context(QSizeF(200, 100), QSizeF(100, 100));
        info.transparencyAllowed = false;
        info.fastRender = false;
        effects.play(info);
        QImage surface = photo;
        bool readOnly = true;
        effects.generateFinalBitmap(surface, readOnly, info);
        EXPECT_FALSE(readOnly);
        ASSERT_EQ(surface.size(), QSize(100, 100));
        EXPECT_EQ(QColor(surface.pixel(10, 50)), QColor(Qt::red));
        EXPECT_EQ(QColor(surface.pixel(90, 50)), QColor(Qt::blue));
        EXPECT_EQ(photo, original);
    }
    {
        SCOPED_TRACE("fit-in leaves white bands");
        TImageEffects effects;
        effects.FitIn();
        TImageEffectInfo info = context(QSizeF(200, 100), QSizeF(100, 100));
        info.transparencyAllowed = false;
        effects.play(info);
        QImage surface = photo;
        bool readOnly = false;
        effects.generateFinalBitmap(surface, readOnly, info);
        EXPECT_EQ(QColor(surface.pixel(10, 5)), QColor(Qt::white));
        EXPECT_EQ(QColor(surface.pixel(10, 50)), QColor(Qt::red));
        EXPECT_EQ(QColor(surface.pixel(10, 95)), QColor(Qt::white));
    }
    {
        SCOPED_TRACE("fit-in with transparency, straight alpha out");
        TImageEffects effects;
        effects.FitIn();
        TImageEffectInfo info = context(QSizeF(200, 100), QSizeF(100, 100));
        effects.play(info);
        QImage surface = photo;
        bool readOnly = false;
        effects.generateFinalBitmap(surface, readOnly, info);
        EXPECT_EQ(surface.format(), QImage::Format_ARGB32);
        EXPECT_EQ(qAlpha(surface.pixel(10, 5)), 0);
        EXPECT_EQ(surface.pixel(10, 50), qRgba(255, 0, 0, 255));
    }
    {
        SCOPED_TRACE("turned frame is turned back a quarter clockwise");
        TImageEffects effects;
        TImageEffectInfo info = context(QSizeF(200, 100), QSizeF(300, 100));
        info.rotate90 = true;
        info.transparencyAllowed = false;
        effects.play(info);
        QImage surface = photo;
        bool readOnly = true;
        effects.generateFinalBitmap(surface, readOnly, info);
        ASSERT_EQ(surface.size(), QSize(100, 300));
        // Left (red) of the drawn frame goes to the top after a clockwise turn.
        EXPECT_EQ(QColor(surface.pixel(50, 20)), QColor(Qt::red));
        EXPECT_EQ(QColor(surface.pixel(50, 280)), QColor(Qt::blue));
    }
}

TEST(TPrintOrderEffects, TurnedFrameEqualsDrawingThenTurning)
{
    QImage photo(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 255 / 300, y * 255 / 200, (x + y) * 255 / 500));
    TImageEffects effects;
    effects.SetAngle(7);
    TImageEffectInfo info;
    info.src = QSizeF(300, 200);
    info.dst = QSizeF(240, 160);
    info.transparencyAllowed = false;
    info.fastRender = false;
    effects.play(info);

    QImage straight = photo;
    bool ro = true;
    TPrintOrderEffects::GenerateFinalBitmap(straight, ro, info);
    const QImage expected = TPrintOrderEffects::Rotate90(straight);

    info.rotate90 = true;
    QImage turned = photo;
    ro = true;
    TPrintOrderEffects::GenerateFinalBitmap(turned, ro, info);
    ASSERT_EQ(turned.size(), expected.size());
    // Inside the picture the same points are sampled; only the aliased
    // outline of the turned picture may fall on the neighbouring pixel.
    int differing = 0;
    for (int y = 0; y < turned.height(); ++y)
        for (int x = 0; x < turned.width(); ++x) {
            const QRgb a = turned.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            const int d = std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                     std::abs(qBlue(a) - qBlue(b)) });
            if (d > 2)
                ++differing;
        }
    EXPECT_LT(differing, turned.width() * turned.height() / 100) << differing;
    EXPECT_EQ(turned.pixel(80, 120), expected.pixel(80, 120));
}

TEST(TPrintOrderEffects, BandedRenderingMatchesSingleBand)
{
    // A large rendering is drawn in bands on several threads; the result must
    // be the drawing of one band.
    QImage photo(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x % 256, y % 256, (x ^ y) % 256));
    TImageEffects effects;
    effects.SetAngle(7);
    effects.SetZoom(1.3f);
    TImageEffectInfo info = context(QSizeF(640, 480), QSizeF(1200, 900));
    info.transparencyAllowed = false;
    info.fastRender = false;
    effects.play(info);
    QImage banded = photo;
    bool ro = true;
    TPrintOrderEffects::GenerateFinalBitmap(banded, ro, info);

    QImage single(1200, 900, QImage::Format_RGB32);
    single.fill(Qt::white);
    QPainter painter(&single);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setTransform(TPrintOrderEffects::MatrixCalc(info));
    painter.drawImage(info.sourceDrawRect(), photo, info.sourceRect());
    painter.end();
    EXPECT_EQ(banded, single);
}
