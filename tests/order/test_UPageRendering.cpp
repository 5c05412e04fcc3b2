#include "TestSupport.h"
#include "UPageRendering.h"
#include "UTextBloc.h"
#include "UXmlSerializer.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// Renders use DejaVu Sans from Debian's fonts-dejavu-core, loaded by path,
// so that text pictures are the same on every machine.
QString testFontFamily()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        const QStringList fams = QFontDatabase::applicationFontFamilies(id);
        return fams.isEmpty() ? QString() : fams.first();
    }();
    return family;
}

// Compares a render with its golden picture in tests/order/data/golden: at
// most 1% of the pixels may differ, each by at most 24 per channel, which
// absorbs antialiasing differences but not a misplaced edge. With
// KIOSK_UPDATE_GOLDEN set, the render becomes the new golden picture.
::testing::AssertionResult matchesGolden(const QImage& img, const QString& name)
{
    const QString path = testsupport::dataPath(QStringLiteral("golden/%1.png").arg(name));
    const QImage render = img.convertToFormat(QImage::Format_ARGB32);
    if (qEnvironmentVariableIsSet("KIOSK_UPDATE_GOLDEN")) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        render.save(path);
        return ::testing::AssertionSuccess();
    }
    QImage golden(path);
    if (golden.isNull())
        return ::testing::AssertionFailure() << "no golden picture " << path.toStdString();
    golden = golden.convertToFormat(QImage::Format_ARGB32);
    if (golden.size() != render.size())
        return ::testing::AssertionFailure() << "size differs from " << name.toStdString();
    qint64 off = 0;
    for (int y = 0; y < render.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(render.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(golden.constScanLine(y));
        for (int x = 0; x < render.width(); ++x) {
            const int d = std::max({ std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                                     std::abs(qBlue(a[x]) - qBlue(b[x])), std::abs(qAlpha(a[x]) - qAlpha(b[x])) });
            if (d > 24)
                ++off;
        }
    }
    const qint64 total = qint64(render.width()) * render.height();
    if (off * 100 > total) {
        render.save(QDir::temp().filePath(name + QStringLiteral("-actual.png")));
        return ::testing::AssertionFailure() << name.toStdString() << ": " << off << " of " << total
                                             << " pixels differ";
    }
    return ::testing::AssertionSuccess();
}

QImage canvas(int w, int h, QColor fill = QColor(0xd0, 0xd0, 0xd0))
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

// A 4:3 picture whose four quarters have their own colours.
QImage quarters(int w = 400, int h = 300)
{
    QImage img(w, h, QImage::Format_ARGB32);
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h / 2, Qt::red);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
    p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::yellow);
    return img;
}

// A clip-art border picture W x H with bands L, T, R, B: each of the nine
// regions has its own colour.
QImage clipart(int W, int H, int L, int T, int R, int B)
{
    QImage img(W, H, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    const int xs[4] = { 0, L, W - R, W };
    const int ys[4] = { 0, T, H - B, H };
    const QColor colours[9] = { Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::white, Qt::magenta, Qt::yellow,
                                Qt::darkGreen, Qt::darkBlue };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            p.fillRect(QRect(QPoint(xs[c], ys[r]), QPoint(xs[c + 1] - 1, ys[r + 1] - 1)), colours[r * 3 + c]);
    return img;
}

QColor at(const QImage& img, double x, double y)
{
    return img.pixelColor(int(x), int(y));
}

} // namespace

// ---------------------------------------------------------------------------
// Geometry

TEST(PageGeometry, PagePlacementInAWiderRectangle)
{
    struct Case {
        const char* name;
        TPagePlacement placement;
        QRectF expected;
    };
    const Case cases[] = {
        { "a left page is pushed to the right end", TPagePlacement::PageLeft, QRectF(200, 0, 200, 300) },
        { "a right page stays at the left end", TPagePlacement::PageRight, QRectF(0, 0, 200, 300) },
        { "a centred page gets half the spare width", TPagePlacement::PageCenter, QRectF(100, 0, 200, 300) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TPageRenderTools::PageRect(QRectF(0, 0, 400, 300), QSizeF(100, 150), c.placement), c.expected);
    }
    // A taller rectangle: the page is centred vertically.
    EXPECT_EQ(TPageRenderTools::PageRect(QRectF(0, 0, 200, 500), QSizeF(100, 150), TPagePlacement::PageLeft),
              QRectF(0, 100, 200, 300));
}

TEST(PageGeometry, FrameRectangleAtTwoPixelsPerMillimetre)
{
    const QRectF page = TPageRenderTools::PageRect(QRectF(0, 0, 200, 300), QSizeF(100, 150),
                                                   TPagePlacement::PageCenter);
    QSizeF panel = page.size();
    const double r = TPageRenderTools::FitRatioMmPerPx(QSizeF(100, 150), panel);
    EXPECT_DOUBLE_EQ(r, 0.5);
    const QRectF f = TPageRenderTools::FrameRect(page, r, QRectF(10, 20, 50, 40));
    EXPECT_EQ(f, QRectF(QPointF(20, 40), QPointF(120, 120)));
}

TEST(PageGeometry, FrameMatrixTurnsAboutTheCentre)
{
    const QRectF f(20, 40, 100, 80);
    const QTransform m = TPageRenderTools::FrameMatrix(90, f);
    const QPointF c = m.map(f.center());
    EXPECT_NEAR(c.x(), f.center().x(), 1e-9);
    EXPECT_NEAR(c.y(), f.center().y(), 1e-9);
    // Positive angles turn counter-clockwise on screen: the right middle
    // point goes up.
    const QPointF right = m.map(QPointF(f.right(), f.center().y()));
    EXPECT_NEAR(right.x(), f.center().x(), 1e-9);
    EXPECT_NEAR(right.y(), f.center().y() - 50, 1e-9);
}

TEST(PageGeometry, CenterCropKeepsTheMiddleOfTheBitmap)
{
    struct Case {
        const char* name;
        QSizeF bitmap, frame;
        QRectF expected;
    };
    const Case cases[] = {
        { "square frame, 4:3 picture: middle three quarters of the width", { 400, 300 }, { 50, 50 }, { 50, 0, 300, 300 } },
        { "wide frame, 4:3 picture: middle band of the height", { 400, 300 }, { 80, 20 }, { 0, 100, 400, 100 } },
        { "same ratio: whole picture", { 400, 300 }, { 40, 30 }, { 0, 0, 400, 300 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TPageRenderTools::CenterCrop(c.bitmap, c.frame), c.expected);
    }
}

TEST(PageGeometry, CoverWindowOnTheFrontAndMirroredOnPageTwo)
{
    const QRectF rect(10, 0, 200, 200); // 1 mm per pixel for a 200 mm page
    const QRectF photo(5, 10, 100, 80);
    EXPECT_EQ(TPageRenderTools::CoverWindowRect(rect, 200, photo, 1), QRectF(15, 10, 100, 80));
    EXPECT_EQ(TPageRenderTools::CoverWindowRect(rect, 200, photo, 2), QRectF(105, 10, 100, 80));
}

// ---------------------------------------------------------------------------
// Text block

TEST(TextBloc, DefaultsAndStoredColours)
{
    TTextBloc t;
    EXPECT_EQ(t.Text(), QStringLiteral("Replace this default text with yours."));
    EXPECT_EQ(t.FontSize(), 10);
    EXPECT_EQ(t.FontFamily(), QStringLiteral("Arial"));
    EXPECT_EQ(t.FontColor(), QStringLiteral("FF000000"));
    EXPECT_EQ(t.BackColor(), QStringLiteral("00000000"));
    EXPECT_EQ(t.FontStyle(), 0);
    EXPECT_EQ(t.FontVertPosition(), TTextAlign::Leading);
    EXPECT_EQ(t.FontHorzPosition(), TTextAlign::Leading);
    EXPECT_EQ(t.FontAlphaColor(), qRgba(0, 0, 0, 255));
    EXPECT_EQ(qAlpha(t.BackAlphaColor()), 0);
    t.SetBackAlphaColor(qRgba(0x12, 0xab, 0xcd, 0x80));
    EXPECT_EQ(t.BackColor(), QStringLiteral("8012ABCD"));
}

TEST(TextBloc, ColourTexts)
{
    struct Case {
        const char* name;
        QString text;
        QRgb expected;
    };
    const Case cases[] = {
        { "eight digits carry the alpha", QStringLiteral("80FF0000"), qRgba(255, 0, 0, 0x80) },
        { "lower case is read too", QStringLiteral("ff00ff00"), qRgba(0, 255, 0, 255) },
        { "six digits are opaque", QStringLiteral("0000FF"), qRgba(0, 0, 255, 255) },
        { "garbage gives the fallback", QStringLiteral("zzzz"), qRgba(1, 2, 3, 4) },
        { "empty gives the fallback", QString(), qRgba(1, 2, 3, 4) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TColorText::FromText(c.text, qRgba(1, 2, 3, 4)), c.expected);
    }
}

TEST(TextBloc, SizesFollowTheFrame)
{
    TTextBloc t;
    t.SetFontFamily(testFontFamily());
    // A frame of 100 x 50 mm into 200 x 100 pixels: 2 pixels per mm, so a
    // 10 mm font is 20 pixels and the 5 mm margin 10 pixels.
    EXPECT_EQ(t.QtFont(10 / 0.5).pixelSize(), 20);
    t.SetText(QStringLiteral("M"));
    t.SetFontColor(QStringLiteral("FF000000"));
    t.SetBackColor(QStringLiteral("FFFFFFFF"));
    const TZebbitmap bmp = TPageRenderTools::TextPicture(t, QSizeF(100, 50), 400, 100);
    EXPECT_EQ(bmp.size(), QSize(200, 100));
    // Nothing is drawn in the margin; the glyph starts right after it.
    int firstInk = -1;
    for (int x = 0; x < bmp.width() && firstInk < 0; ++x)
        for (int y = 0; y < bmp.height(); ++y)
            if (qGray(bmp.pixel(x, y)) < 128) {
                firstInk = x;
                break;
            }
    EXPECT_GE(firstInk, 10);
    EXPECT_LE(firstInk, 14);
}

// ---------------------------------------------------------------------------
// Golden renders

TEST(PageRenderGolden, PagePlacement)
{
    QImage img = canvas(400, 300);
    QPainter p(&img);
    {
        const TPagePlacement placement = TPagePlacement::PageLeft;
        const QColor colour(255, 255, 255);
        const QRectF page = TPageRenderTools::PageRect(QRectF(0, 0, 400, 300), QSizeF(100, 150), placement);
        p.fillRect(page, colour);
        p.fillRect(page.adjusted(20, 20, -20, -20), QColor(40, 90, 160));
    }
    p.end();
    EXPECT_EQ(at(img, 199, 150), QColor(0xd0, 0xd0, 0xd0));
    EXPECT_EQ(at(img, 200, 150), QColor(Qt::white));
    EXPECT_EQ(at(img, 220, 150), QColor(40, 90, 160));
    EXPECT_EQ(at(img, 399, 150), QColor(Qt::white));
    EXPECT_TRUE(matchesGolden(img, QStringLiteral("page_placement")));
}

TEST(PageRenderGolden, RotatedFrameRectangle)
{
    QImage img = canvas(200, 160, Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF page(0, 0, 200, 160);
    const QRectF f = TPageRenderTools::FrameRect(page, 0.5, QRectF(10, 20, 50, 40));
    p.fillRect(f, QColor(220, 220, 255)); // where the frame lies before rotation
    p.save();
    p.setTransform(TPageRenderTools::FrameMatrix(15, f), true);
    TPageRenderTools::DrawPicture(p, quarters(), f, QRectF(0, 0, 400, 300));
    p.restore();
    p.end();
    // The centre stays where it was.
    EXPECT_EQ(QRgb(img.pixel(70, 80)) & 0xffffff, QRgb(qRgb(255, 255, 0)) & 0xffffff);
    EXPECT_TRUE(matchesGolden(img, QStringLiteral("frame_rotated")));
}

TEST(PageRenderGolden, CenterCropOfASquareFrame)
{
    QImage img = canvas(120, 120, Qt::white);
    QPainter p(&img);
    const QImage pic = quarters();
    const QRectF frame(10, 10, 100, 100);
    TPageRenderTools::DrawPicture(p, pic, frame, TPageRenderTools::CenterCrop(pic.size(), frame.size()));
    p.end();
    // Left and right eighths of the picture are cut: the colours still meet
    // in the middle of the frame.
    EXPECT_EQ(at(img, 12, 12), QColor(Qt::red));
    EXPECT_EQ(at(img, 107, 12), QColor(Qt::green));
    EXPECT_EQ(at(img, 12, 107), QColor(Qt::blue));
    EXPECT_EQ(at(img, 107, 107), QColor(Qt::yellow));
    EXPECT_EQ(at(img, 58, 30), QColor(Qt::red));
    EXPECT_EQ(at(img, 62, 30), QColor(Qt::green));
    EXPECT_TRUE(matchesGolden(img, QStringLiteral("center_crop")));
}

TEST(PageRenderGolden, BorderLineJustOutsideTheFrame)
{
    QImage img = canvas(60, 60, Qt::white);
    QPainter p(&img);
    const QRectF frame(10, 10, 40, 40);
    p.fillRect(frame, QColor(200, 200, 200));
    // Thickness 20 at 1 pixel per millimetre: a 2-pixel line centred on the
    // frame enlarged by 1 pixel.
    TPageRenderTools::DrawBorderLine(p, frame, qRgb(200, 0, 0), 20, 1);
    p.end();
    EXPECT_EQ(at(img, 7, 30), QColor(Qt::white));
    EXPECT_EQ(at(img, 8, 30), QColor(200, 0, 0));
    EXPECT_EQ(at(img, 9, 30), QColor(200, 0, 0));
    EXPECT_EQ(at(img, 10, 30), QColor(200, 200, 200));
    EXPECT_EQ(at(img, 50, 30), QColor(200, 0, 0));
    EXPECT_EQ(at(img, 51, 30), QColor(200, 0, 0));
    EXPECT_EQ(at(img, 52, 30), QColor(Qt::white));
    EXPECT_EQ(at(img, 8, 8), QColor(200, 0, 0)); // square corners
    EXPECT_TRUE(matchesGolden(img, QStringLiteral("border_line")));
}

TEST(PageRenderGolden, TextBlock)
{
    ASSERT_FALSE(testFontFamily().isEmpty()) << "DejaVu Sans (fonts-dejavu-core) is missing";
    struct Case {
        const char* name;
        TTextAlign horz, vert;
        int style;
    };
    const Case cases[] = {
        { "text_leading_leading", TTextAlign::Leading, TTextAlign::Leading, 0 },
        { "text_center_center_bold", TTextAlign::Center, TTextAlign::Center, fsBold },
        { "text_trailing_trailing_italic", TTextAlign::Trailing, TTextAlign::Trailing, fsItalic | fsUnderline },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTextBloc t;
        t.SetText(QStringLiteral("Happy birthday, dear Anna! Forty candles and a cake."));
        t.SetFontFamily(testFontFamily());
        t.SetFontSize(8);
        t.SetFontStyle(c.style);
        t.SetFontHorzPosition(c.horz);
        t.SetFontVertPosition(c.vert);
        t.SetFontColor(QStringLiteral("FF203060"));
        t.SetBackColor(QStringLiteral("FFFFF4C0"));
        const TZebbitmap bmp = TPageRenderTools::TextPicture(t, QSizeF(100, 60), 300, 300);
        EXPECT_EQ(bmp.size(), QSize(300, 180));
        EXPECT_EQ(bmp.pixelColor(1, 1), QColor(0xff, 0xf4, 0xc0));
        EXPECT_TRUE(matchesGolden(bmp, QString::fromLatin1(c.name)));
    }
}

TEST(PageRenderGolden, EightPieceBorder)
{
    // Clip-art 100 x 80 with bands L 40, T 10, R 10, B 20, around a frame of
    // 60 x 40 pixels with bands of 20, 10, 15, 12 pixels.
    const QImage art = clipart(100, 80, 40, 10, 10, 20);
    const QRectF bands(20, 10, 15, 12); // left, top, right, bottom in x, y, w, h
    const QSize total(20 + 60 + 15, 10 + 40 + 12);
    const TZebbitmap bmp = TPageRenderTools::BorderPicture(art, 40, 10, 10, 20, total, bands, QSizeF(60, 40));
    EXPECT_EQ(bmp.size(), total);
    // The top-right corner comes from the picture's last 10 columns.
    EXPECT_EQ(bmp.pixelColor(total.width() - 2, 2), QColor(Qt::blue));
    EXPECT_EQ(bmp.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(bmp.pixelColor(50, 2), QColor(Qt::green));
    EXPECT_EQ(bmp.pixelColor(2, 30), QColor(Qt::cyan));
    EXPECT_EQ(bmp.pixelColor(total.width() - 2, 30), QColor(Qt::magenta));
    EXPECT_EQ(bmp.pixelColor(2, total.height() - 2), QColor(Qt::yellow));
    EXPECT_EQ(bmp.pixelColor(50, total.height() - 2), QColor(Qt::darkGreen));
    EXPECT_EQ(bmp.pixelColor(total.width() - 2, total.height() - 2), QColor(Qt::darkBlue));
    EXPECT_EQ(bmp.pixelColor(50, 30).alpha(), 0); // the centre stays transparent
    QImage shown = canvas(total.width(), total.height(), Qt::gray);
    QPainter p(&shown);
    p.drawImage(0, 0, bmp);
    p.end();
    EXPECT_TRUE(matchesGolden(shown, QStringLiteral("border_8piece")));
}

TEST(PageRenderGolden, CoverWindowShowsPageThree)
{
    const QRectF rect(0, 0, 200, 200);
    const QRectF photo(30, 40, 100, 80);
    QImage page3 = quarters(200, 200);
    QImage front = canvas(200, 200, QColor(0x80, 0x20, 0x20));
    {
        QPainter p(&front);
        TPageRenderTools::DrawCoverWindow(p, rect, TPageRenderTools::CoverWindowRect(rect, 200, photo, 1), &page3);
    }
    QImage back = canvas(200, 200, QColor(0x80, 0x20, 0x20));
    {
        QPainter p(&back);
        TPageRenderTools::DrawCoverWindow(p, rect, TPageRenderTools::CoverWindowRect(rect, 200, photo, 2), nullptr);
    }
    // Front: the same region of page 3 shows through the window.
    EXPECT_EQ(front.pixelColor(35, 45), QColor(Qt::red));
    EXPECT_EQ(front.pixelColor(125, 115), QColor(Qt::yellow));
    EXPECT_EQ(front.pixelColor(25, 45), QColor(0x80, 0x20, 0x20));
    // Back: the window mirrored, white.
    EXPECT_EQ(back.pixelColor(75, 45), QColor(Qt::white));
    EXPECT_EQ(back.pixelColor(65, 45), QColor(0x80, 0x20, 0x20));
    EXPECT_EQ(back.pixelColor(170, 45), QColor(0x80, 0x20, 0x20));
    QImage both = canvas(410, 200, Qt::black);
    QPainter p(&both);
    p.drawImage(0, 0, front);
    p.drawImage(210, 0, back);
    p.end();
    EXPECT_TRUE(matchesGolden(both, QStringLiteral("cover_window")));
}

TEST(TextBloc, StoredFormRoundTrips)
{
    TTextBloc t;
    t.SetText(QStringLiteral("Merry <Christmas> & \"more\""));
    t.SetFontSize(12.5);
    t.SetFontFamily(QStringLiteral("DejaVu Serif"));
    t.SetFontStyle(fsBold | fsStrikeOut);
    t.SetFontVertPosition(TTextAlign::Trailing);
    t.SetFontHorzPosition(TTextAlign::Center);
    t.SetFontColor(QStringLiteral("FF102030"));
    t.SetBackColor(QStringLiteral("80FFFFFF"));
    TXMLSerializer writer;
    writer.ClassRegister(TTextBloc::StaticClassInfo());
    writer.SaveObject(&t);
    const QByteArray bytes = writer.SaveToBytes();
    // The element order is the stored property order.
    const QString xml = QString::fromUtf8(bytes);
    const QStringList order = { QStringLiteral("TTextBloc.Text"), QStringLiteral("TTextBloc.FontSize"),
                                QStringLiteral("TTextBloc.FontFamily"), QStringLiteral("TTextBloc.FontStyle"),
                                QStringLiteral("TTextBloc.FontVertPosition"), QStringLiteral("TTextBloc.FontHorzPosition"),
                                QStringLiteral("TTextBloc.FontColor"), QStringLiteral("TTextBloc.BackColor") };
    qsizetype last = -1;
    for (const QString& e : order) {
        const qsizetype at = xml.indexOf(QLatin1Char('<') + e);
        ASSERT_GT(at, last) << e.toStdString();
        last = at;
    }
    TXMLSerializer reader;
    reader.ClassRegister(TTextBloc::StaticClassInfo());
    reader.LoadFromBytes(bytes);
    auto back = reader.LoadObjectAs<TTextBloc>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Text(), t.Text());
    EXPECT_EQ(back->FontSize(), 12.5);
    EXPECT_EQ(back->FontFamily(), t.FontFamily());
    EXPECT_EQ(back->FontStyle(), fsBold | fsStrikeOut);
    EXPECT_EQ(back->FontVertPosition(), TTextAlign::Trailing);
    EXPECT_EQ(back->FontHorzPosition(), TTextAlign::Center);
    EXPECT_EQ(back->FontColor(), t.FontColor());
    EXPECT_EQ(back->BackColor(), t.BackColor());
}
