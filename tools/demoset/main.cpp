// Draws the demonstration set: a few pictures in two folders, made by the
// build so that the kiosk ships no picture of anyone else. Each picture has
// a capture date, so that sorting by date has something to show.
//
//   kiosk_demo_pictures <folder>
#include "USimplifiedExifData.h"
#include "UImageCodec.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace {

QImage landscape(quint32 seed)
{
    QRandomGenerator rnd(seed);
    QImage img(1600, 1200, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 700);
    sky.setColorAt(0, QColor::fromHsv(200 + rnd.bounded(30), 150, 230));
    sky.setColorAt(1, QColor::fromHsv(30 + rnd.bounded(20), 80, 255));
    p.fillRect(img.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 236, 160));
    p.drawEllipse(QPointF(300 + rnd.bounded(1000), 250 + rnd.bounded(200)), 90, 90);
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hills;
        const int base = 650 + layer * 170;
        hills.moveTo(0, 1200);
        for (int x = 0; x <= 1600; x += 100)
            hills.lineTo(x, base - rnd.bounded(180));
        hills.lineTo(1600, 1200);
        hills.closeSubpath();
        p.setBrush(QColor::fromHsv(90 + 20 * layer + rnd.bounded(20), 120 + 40 * layer, 170 - 40 * layer));
        p.drawPath(hills);
    }
    return img;
}

QImage pattern(quint32 seed)
{
    QRandomGenerator rnd(seed);
    QImage img(1200, 1600, QImage::Format_RGB32);
    img.fill(QColor::fromHsv(rnd.bounded(360), 40, 245));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        p.setBrush(QColor::fromHsv(rnd.bounded(360), 160 + rnd.bounded(80), 200, 200));
        const double r = 40 + rnd.bounded(160);
        p.drawEllipse(QPointF(rnd.bounded(1200), rnd.bounded(1600)), r, r);
    }
    return img;
}

void save(const QImage& img, const QString& path, const QDateTime& date)
{
    TImageCodec::SaveToFile(img, path, 88);
    TExifWriter::WriteSoftwareAndDate(path, QStringLiteral("Photo kiosk demonstration set"), date);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out + QStringLiteral("/Landscapes"));
    QDir().mkpath(out + QStringLiteral("/Patterns"));
    const QDateTime start(QDate(2024, 6, 1), QTime(10, 0));
    for (int i = 0; i < 4; ++i) {
        save(landscape(100 + i), out + QStringLiteral("/Landscapes/landscape%1.jpg").arg(i + 1), start.addDays(i));
        save(pattern(200 + i), out + QStringLiteral("/Patterns/pattern%1.jpg").arg(i + 1), start.addDays(10 + i));
    }
    return 0;
}
