#include "UTextBloc.h"

#include "ULangTexts.h"

KIOSK_ENUM_DEFINE(TTextAlign, QStringLiteral("TTextAlign"), QString(), "Center", "Leading", "Trailing")

QString TColorText::ToText(QRgb argb)
{
    return QStringLiteral("%1").arg(quint32(argb), 8, 16, QLatin1Char('0')).toUpper();
}

QRgb TColorText::FromText(const QString& text, QRgb fallback)
{
    const QColor c = QColor::fromString(QStringLiteral("#") + text.trimmed());
    return c.isValid() ? c.rgba() : fallback;
}

KIOSK_SERIALIZABLE_DESCRIBE(TTextBloc, TXMLSerializable,
    b.template Property<QString>(
        "Text", [](const TTextBloc& t) { return t.Text(); }, [](TTextBloc& t, QString v) { t.SetText(v); }, nullptr);
    b.template Property<double>(
        "FontSize", [](const TTextBloc& t) { return t.FontSize(); }, [](TTextBloc& t, double v) { t.SetFontSize(v); },
        nullptr);
    b.template Property<QString>(
        "FontFamily", [](const TTextBloc& t) { return t.FontFamily(); },
        [](TTextBloc& t, QString v) { t.SetFontFamily(v); }, nullptr);
    b.template Property<qint32>(
        "FontStyle", [](const TTextBloc& t) { return t.FontStyle(); }, [](TTextBloc& t, qint32 v) { t.SetFontStyle(v); },
        nullptr);
    b.template Property<TTextAlign>(
        "FontVertPosition", [](const TTextBloc& t) { return t.FontVertPosition(); },
        [](TTextBloc& t, TTextAlign v) { t.SetFontVertPosition(v); }, nullptr);
    b.template Property<TTextAlign>(
        "FontHorzPosition", [](const TTextBloc& t) { return t.FontHorzPosition(); },
        [](TTextBloc& t, TTextAlign v) { t.SetFontHorzPosition(v); }, nullptr);
    b.template Property<QString>(
        "FontColor", [](const TTextBloc& t) { return t.FontColor(); },
        [](TTextBloc& t, QString v) { t.SetFontColor(v); }, nullptr);
    b.template Property<QString>(
        "BackColor", [](const TTextBloc& t) { return t.BackColor(); },
        [](TTextBloc& t, QString v) { t.SetBackColor(v); }, nullptr);
)

TTextBloc::TTextBloc()
    : fText(LangTexts::Order::ReplaceDefaultTextYours.Text()), fFontFamily(QStringLiteral("Arial")),
      fFontColor(QStringLiteral("FF000000")), fBackColor(QStringLiteral("00000000"))
{
}

TTextBloc::~TTextBloc() = default;

QRgb TTextBloc::FontAlphaColor() const
{
    return TColorText::FromText(fFontColor, qRgba(0, 0, 0, 255));
}

QRgb TTextBloc::BackAlphaColor() const
{
    return TColorText::FromText(fBackColor, qRgba(0, 0, 0, 0));
}

QFont TTextBloc::QtFont(double pixelSize) const
{
    QFont f(fFontFamily);
    if (pixelSize > 0)
        f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setBold(fFontStyle & fsBold);
    f.setItalic(fFontStyle & fsItalic);
    f.setUnderline(fFontStyle & fsUnderline);
    f.setStrikeOut(fFontStyle & fsStrikeOut);
    return f;
}
