#pragma once
// String formatting with the placeholders used throughout the system's texts:
// "%s", "%d", "%u", "%x", "%f", "%e", "%g", "%n", "%m", "%p", each optionally
// with an argument index ("%0:s"), left alignment ("-"), a width (zero-padded
// when it starts with "0", as in "%03d"), a precision (".2") and "*" to take
// the index, width or precision from the arguments. "%%" is a percent sign.
#include <QLocale>
#include <QString>
#include <QVariant>
#include <QVariantList>

// Fills fmt with args; raises EConvertError when a placeholder has no
// argument or its argument has the wrong kind. Decimal separators and the
// thousand separators of "%n" follow `locale` (C locale by default).
QString Format(const QString& fmt, const QVariantList& args);
QString Format(const QString& fmt, const QVariantList& args, const QLocale& locale);
