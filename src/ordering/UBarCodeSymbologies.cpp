#include "UBarCodeSymbologies.h"

#include "UAppExceptions.h"

namespace {

// Bar and space widths of the symbol values 0 to 105, bar first; each adds up
// to 11 modules.
constexpr const char* kWidths[106] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232",
};

// The first 11 modules of the stop pattern; the final two-module bar is
// appended when the pattern is assembled.
const QString kStopEncoding = QStringLiteral("11000111010");
const QString kStopTail = QStringLiteral("11");

QString modulesOf(const char* widths)
{
    QString modules;
    QChar mark = u'1';
    for (const char* w = widths; *w; ++w) {
        modules += QString(*w - '0', mark);
        mark = mark == u'1' ? u'0' : u'1';
    }
    return modules;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

template <class Column>
TCode128Row* findBy(const TOwnerList<TCode128Row>& rows, const QString& text, Column column)
{
    for (TCode128Row* row : rows)
        if ((row->*column)() == text)
            return row;
    return nullptr;
}

} // namespace

const QString& TCode128Row::column(int col) const
{
    switch (col) {
    case 1:
        return fA;
    case 2:
        return fB;
    default:
        return fC;
    }
}

TCode128Row* TCode128Table::findByA(const QString& text) const { return findBy(fRowList, text, &TCode128Row::a); }
TCode128Row* TCode128Table::findByB(const QString& text) const { return findBy(fRowList, text, &TCode128Row::b); }
TCode128Row* TCode128Table::findByC(const QString& text) const { return findBy(fRowList, text, &TCode128Row::c); }
TCode128Row* TCode128Table::findByValue(const QString& text) const { return findBy(fRowList, text, &TCode128Row::value); }
TCode128Row* TCode128Table::findByEncoding(const QString& text) const { return findBy(fRowList, text, &TCode128Row::encoding); }

TCode128::TCode128(const QString& text)
{
    fRawData = text;
}

void TCode128::initCode128()
{
    for (int v = 0; v <= 105; ++v) {
        const QString value = QString::number(v);
        const QString pattern = modulesOf(kWidths[v]);
        QString a;
        QString b;
        QString c = QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
        if (v < 64) {
            a = b = QString(QChar(32 + v));
        } else if (v < 96) {
            // Set A holds the control characters; NUL is written as the two
            // characters backslash and zero.
            a = v == 64 ? QStringLiteral("\\0") : QString(QChar(v - 64));
            b = QString(QChar(32 + v));
        } else {
            // The function and switch symbols: "Ê" FNC3, "É" FNC2, "Ë" FNC4, "È" FNC1.
            static const char16_t* const names[10][3] = {
                { u"\u00CA", u"\u00CA", u"96" },       { u"\u00C9", u"\u00C9", u"97" },
                { u"SHIFT", u"SHIFT", u"98" },         { u"CODE_C", u"CODE_C", u"99" },
                { u"CODE_B", u"\u00CB", u"CODE_B" },   { u"\u00CB", u"CODE_A", u"CODE_A" },
                { u"\u00C8", u"\u00C8", u"\u00C8" },   { u"START_A", u"START_A", u"START_A" },
                { u"START_B", u"START_B", u"START_B" }, { u"START_C", u"START_C", u"START_C" },
            };
            a = QString::fromUtf16(names[v - 96][0]);
            b = QString::fromUtf16(names[v - 96][1]);
            c = QString::fromUtf16(names[v - 96][2]);
        }
        addToC128Code(new TCode128Row(value, a, b, c, pattern));
    }
    const QString stop = QStringLiteral("STOP");
    addToC128Code(new TCode128Row(QString(), stop, stop, stop, kStopEncoding));
}

void TCode128::breakUpDataForEncoding()
{
    fFormattedData.clear();
    QString pending;
    for (const QChar c : fRawData) {
        if (isDigit(c)) {
            if (pending.isEmpty()) {
                pending = c;
            } else {
                fFormattedData << pending + c;
                pending.clear();
            }
            continue;
        }
        if (!pending.isEmpty()) {
            fFormattedData << pending;
            pending.clear();
        }
        fFormattedData << QString(c);
    }
    if (!pending.isEmpty())
        fFormattedData << pending;
}

std::vector<TCode128Row*> TCode128::findStartorCodeCharacter(const QString& element, int& col)
{
    std::vector<TCode128Row*> candidates;
    col = 1;
    // The symbol that starts or switches to a code set: the start symbol
    // while none has been chosen, else the set's switch symbol.
    auto setSymbol = [this](const QString& start, TCode128Row* switchRow) {
        if (fStartCharacter)
            return switchRow;
        fStartCharacter = fc128Code.findByA(start);
        return fStartCharacter;
    };
    auto add = [&](TCode128Row* row, int column) {
        if (candidates.empty())
            col = column;
        candidates.push_back(row);
    };

    if (element.size() == 1) {
        bool foundA = false;
        bool foundB = false;
        for (TCode128Row* row : fc128Code.rowList()) {
            if (foundA && foundB)
                break;
            if (!foundA && row->a() == element) {
                foundA = true;
                add(setSymbol(QStringLiteral("START_A"), fc128Code.findByB(QStringLiteral("CODE_A"))), 2);
            } else if (!foundB && row->b() == element) {
                foundB = true;
                add(setSymbol(QStringLiteral("START_B"), fc128Code.findByA(QStringLiteral("CODE_B"))), 1);
            }
        }
    } else if (element.size() == 2 && isDigit(element[0]) && isDigit(element[1])) {
        add(setSymbol(QStringLiteral("START_C"), fc128Code.findByA(QStringLiteral("CODE_C"))), 1);
    }
    if (candidates.empty())
        throw Exception(QStringLiteral("TCode128.findStartorCodeCharacter: Could not determine start character"));
    return candidates;
}

void TCode128::insertStartandCodeCharacters()
{
    QString currentSet;
    for (int i = 0; i < fFormattedData.size(); ++i) {
        int col = 1;
        const std::vector<TCode128Row*> candidates = findStartorCodeCharacter(fFormattedData[i], col);
        bool keep = false;
        if (!currentSet.isEmpty())
            for (const TCode128Row* row : candidates)
                keep = keep || row->a().endsWith(currentSet) || row->b().endsWith(currentSet)
                    || row->c().endsWith(currentSet);
        if (keep)
            continue;
        const TCode128Row* first = candidates.front();
        while (!first->column(col).contains(u'_')) {
            if (++col > 3)
                throw Exception(QStringLiteral(
                    "TCode128.insertStartandCodeCharacters: No start character found in CurrentCodeSet"));
        }
        const QString symbol = first->column(col);
        currentSet = symbol.mid(symbol.indexOf(u'_') + 1);
        fFormattedData.insert(i, symbol);
        ++i;
    }
}

TCode128Row* TCode128::rowOfElement(const QString& element) const
{
    // Symbol names map to their rows and a digit pair to its set-C row. The
    // apostrophe is looked up like any character (value 7), so that an order
    // number holding one can be printed.
    if (TCode128Row* row = fc128Code.findByA(element))
        return row;
    if (TCode128Row* row = fc128Code.findByB(element))
        return row;
    return fc128Code.findByC(element);
}

QString TCode128::calculateCheckDigit() const
{
    qint64 sum = 0;
    for (int i = 0; i < fFormattedData.size(); ++i) {
        const TCode128Row* row = rowOfElement(fFormattedData[i]);
        if (!row)
            throw Exception(QStringLiteral("TCode128.getEncoding : could not find encoding of a value(")
                            + fFormattedData[i] + QStringLiteral(") in C128"));
        sum += row->value().toLongLong() * std::max(i, 1);
    }
    return QString::number(sum % 103);
}

QString TCode128::getEncoding()
{
    breakUpDataForEncoding();
    insertStartandCodeCharacters();
    QString encoded;
    for (const QString& element : std::as_const(fFormattedData)) {
        const TCode128Row* row = rowOfElement(element);
        if (!row)
            throw Exception(QStringLiteral("TCode128.getEncoding : could not find encoding of a value(") + element
                            + QStringLiteral(") in C128"));
        encoded += row->encoding();
    }
    encoded += fc128Code.findByValue(calculateCheckDigit())->encoding();
    encoded += fc128Code.findByA(QStringLiteral("STOP"))->encoding();
    encoded += kStopTail;
    return encoded;
}

QString TCode128::encodeCode128()
{
    initCode128();
    return getEncoding();
}
