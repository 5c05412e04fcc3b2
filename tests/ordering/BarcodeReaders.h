#pragma once
// The bar code readers of the test machine (zbarimg from zbar-tools,
// ZXingReader from zxing-cpp-tools), run on a picture file: what a
// scanner at the shop counter would read.
#include <QImage>
#include <QList>
#include <QRect>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace readers {

inline QStringList run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return { QStringLiteral("<%1 did not finish>").arg(program) };
    QStringList lines;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        lines << line;
    return lines;
}

// The texts of the Code 128 symbols zbarimg finds, one per symbol.
inline QStringList zbar(const QString& picture)
{
    return run(QStringLiteral("zbarimg"),
               { QStringLiteral("--raw"), QStringLiteral("-q"), QStringLiteral("--nodbus"), QStringLiteral("-Sdisable"),
                 QStringLiteral("-Scode128.enable"), picture });
}

// The texts of the Code 128 symbols ZXing finds, one per symbol.
inline QStringList zxing(const QString& picture)
{
    QStringList texts;
    for (const QString& line : run(QStringLiteral("ZXingReader"),
                                   { QStringLiteral("-format"), QStringLiteral("Code128"), picture })) {
        // The raw bytes, so that quotes and backslashes come back exactly.
        if (!line.startsWith(QStringLiteral("Bytes:")))
            continue;
        QByteArray bytes;
        for (const QString& hex : line.mid(6).split(u' ', Qt::SkipEmptyParts))
            bytes.append(char(hex.toInt(nullptr, 16)));
        texts << QString::fromLatin1(bytes);
    }
    return texts;
}

// A picture with transparent spaces laid on white paper, as printed.
inline QImage onPaper(const QImage& picture, int margin = 0)
{
    QImage paper(picture.width() + 2 * margin, picture.height() + 2 * margin, QImage::Format_RGB32);
    paper.fill(Qt::white);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(picture.pixel(x, y)) > 127)
                paper.setPixel(x + margin, y + margin, picture.pixel(x, y) | 0xFF000000u);
    return paper;
}

// The bar codes of a printed page: bands of at least 40 identical rows
// holding 10 bars or more (text lines never repeat a row that often), each
// as the rectangle from its first to its last bar.
inline QList<QRect> barBands(const QImage& page)
{
    const QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
    auto rowBits = [&](int y) {
        QByteArray bits(gray.width(), '0');
        const uchar* line = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            bits[x] = line[x] < 128 ? '1' : '0';
        return bits;
    };
    QList<QRect> bands;
    int y = 0;
    while (y < gray.height()) {
        const QByteArray bits = rowBits(y);
        int end = y + 1;
        while (end < gray.height() && rowBits(end) == bits)
            ++end;
        if (end - y >= 40 && bits.count("01") >= 10) {
            const int left = int(bits.indexOf('1'));
            const int right = int(bits.lastIndexOf('1'));
            bands << QRect(QPoint(left, y), QPoint(right, end - 1));
        }
        y = end;
    }
    return bands;
}

} // namespace readers
