#pragma once
// Splitting and number reading shared by the template-frame and page-model
// texts. These texts come from the lab and from the catalogue's cache files:
// every malformed piece raises EConvertError naming the text and the piece,
// so a bad layout is refused as a whole and never half-read.
#include <QString>
#include <QStringList>

namespace LayoutText {

// The pieces between separators, empty pieces included, except that an
// empty piece after the last separator is dropped; an empty text gives no
// piece.
QStringList Split(const QString& text, QChar sep);

// Decimal integer (optional sign, digits only).
qint32 ReadInt(const QString& piece, const QString& what, const QString& context);
// Decimal number with a point as separator (no thousands separators).
double ReadFloat(const QString& piece, const QString& what, const QString& context);
// General number format, up to 15 significant digits, point separator.
QString WriteFloat(double value);

[[noreturn]] void Malformed(const QString& context, const QString& problem);

} // namespace LayoutText
