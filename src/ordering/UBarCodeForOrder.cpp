#include "UBarCodeForOrder.h"

#include <QLocale>

namespace {

constexpr char16_t kReplacement = u'.';

bool inAlphabet(QChar c)
{
    return c.unicode() >= 32 && c.unicode() <= 93;
}

} // namespace

bool TBarCodeForOrder::orderCharValid(QChar c)
{
    if (c >= u'a' && c <= u'z')
        return true;
    return inAlphabet(c);
}

QString TBarCodeForOrder::orderToIntBarCode(const QString& order)
{
    QString code = QLocale().toUpper(order);
    for (QChar& c : code)
        if (!inAlphabet(c))
            c = QChar(kReplacement);
    return code;
}

QString TBarCodeForOrder::orderFromScanClean(const QString& order)
{
    QString text = QLocale().toUpper(order);
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from].unicode() <= 32)
        ++from;
    while (to > from && text[to - 1].unicode() <= 32)
        --to;
    while (from < to && !inAlphabet(text[from]))
        ++from;
    while (to > from && !inAlphabet(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

bool TBarCodeForOrder::orderToIntBarCodeCompare(const QString& tableOrder, const QString& scanOrder)
{
    const QString code = orderToIntBarCode(tableOrder);
    if (scanOrder == code)
        return true;
    const qsizetype d = scanOrder.size() - code.size();
    return (d == 1 || d == 2) && scanOrder.mid(d) == code;
}
