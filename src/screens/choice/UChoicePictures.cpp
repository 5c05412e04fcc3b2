#include "UChoicePictures.h"

#include <QByteArray>
#include <QSvgRenderer>

namespace {

const char kPhoneSvg[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 58 123" width="58" height="123">
<rect x="1" y="1" width="56" height="121" rx="8" ry="8" fill="#f4f4f4" stroke="#555555" stroke-width="2"/>
<rect x="4" y="17" width="50" height="89" fill="#d9dde2" stroke="#777777" stroke-width="0.8"/>
<rect x="23" y="8" width="12" height="2" rx="1" fill="#777777"/>
<circle cx="29" cy="114.5" r="4" fill="none" stroke="#777777" stroke-width="1.2"/>
</svg>)";

// A landscape: sky, sun, hills; the border variant insets it in white.
// (QtSvg draws SVG Tiny: a group scaled into place, no nested documents.)
QByteArray printSvg(bool withBorder)
{
    const double inset = withBorder ? 9 : 0;
    const double sx = (150 - 2 * inset) / 150;
    const double sy = (100 - 2 * inset) / 100;
    const QString svg = QStringLiteral(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" viewBox=\"0 0 150 100\" "
        "width=\"150\" height=\"100\">"
        "<rect x=\"0\" y=\"0\" width=\"150\" height=\"100\" fill=\"#ffffff\"/>"
        "<g transform=\"translate(%1,%1) scale(%2,%3)\">"
        "<rect width=\"150\" height=\"100\" fill=\"#8ec5ea\"/>"
        "<circle cx=\"112\" cy=\"28\" r=\"12\" fill=\"#ffd34d\"/>"
        "<path d=\"M0 78 Q 35 45 70 70 T 150 60 V 100 H 0 Z\" fill=\"#5aa05a\"/>"
        "<path d=\"M0 88 Q 50 70 100 86 T 150 84 V 100 H 0 Z\" fill=\"#3f7f3f\"/>"
        "</g>"
        "<rect x=\"0.5\" y=\"0.5\" width=\"149\" height=\"99\" fill=\"none\" stroke=\"#9a9a9a\"/>"
        "</svg>")
                            .arg(inset)
                            .arg(sx)
                            .arg(sy);
    return svg.toUtf8();
}

} // namespace

QSvgRenderer* TChoicePictures::Phone()
{
    static QSvgRenderer* doc = new QSvgRenderer(QByteArray(kPhoneSvg));
    return doc;
}

QSvgRenderer* TChoicePictures::Border(bool withBorder)
{
    static QSvgRenderer* with = new QSvgRenderer(printSvg(true));
    static QSvgRenderer* without = new QSvgRenderer(printSvg(false));
    return withBorder ? with : without;
}
