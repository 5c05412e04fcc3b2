#include "UkwvDOMtools.h"

namespace {

bool isHexDigit(char16_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isDecDigit(char16_t c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char16_t c)
{
    if (c <= '9')
        return c - '0';
    if (c >= 'a')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

const char16_t* escapeOf(char16_t c)
{
    switch (c) {
    case '"':
        return u"&quot;";
    case '&':
        return u"&amp;";
    case '\'':
        return u"&apos;";
    case '<':
        return u"&lt;";
    case '>':
        return u"&gt;";
    default:
        return nullptr;
    }
}

bool needsEscape(char16_t c)
{
    return c == '"' || c == '&' || c == '\'' || c == '<' || c == '>';
}

} // namespace

void DOMRaiseNotSupported(const QString& name)
{
    throw DOMException(QStringLiteral("Property or Method \"%1\" is not supported by DOM Vendor \"%2\"")
                           .arg(name, QLatin1String(kKwvDOMVendorDescription)));
}

void TkwvDOMtools::XmlEscapeTo(QStringView s, TStrBuilder& out)
{
    const QChar* p = s.data();
    const QChar* end = p + s.size();
    const QChar* run = p;
    for (; p < end; ++p) {
        const char16_t c = p->unicode();
        if (c > '>' || !needsEscape(c))
            continue;
        out.AddWideString(run, p);
        out.AddWideString(QStringView(escapeOf(c)));
        run = p + 1;
    }
    out.AddWideString(run, end);
}

QString TkwvDOMtools::XmlEscape(QStringView s)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && (s[i].unicode() > '>' || !needsEscape(s[i].unicode())))
        ++i;
    if (i == n)
        return s.toString();
    TStrBuilder b;
    b.Reserve(n + 16);
    XmlEscapeTo(s, b);
    return b.Take();
}

QString TkwvDOMtools::XmlUnescape(QStringView s)
{
    const QChar* begin = s.data();
    const QChar* end = begin + s.size();
    const QChar* p = begin;
    // Most values hold no reference: check them in one pass and copy once.
    for (; p < end; ++p) {
        const char16_t c = p->unicode();
        if (c == '&' || !IsXmlChar(QChar(c)))
            break;
    }
    if (p == end)
        return s.toString();

    TStrBuilder b;
    b.Reserve(s.size());
    const QChar* run = begin;
    while (p < end) {
        const char16_t c = p->unicode();
        if (c == '&') {
            const qsizetype at = p - begin;
            const qsizetype semi = s.indexOf(u';', at + 1);
            if (semi < 0)
                throw DOMException(QStringLiteral("XmlUnescape: string contains an '&' without a ';'."));
            b.AddWideString(run, p);
            const QStringView ref = s.mid(at, semi - at + 1);
            if (IsXmlEntityRef(ref)) {
                const QStringView name = ref.mid(1, ref.size() - 2);
                if (IsXmlPredefinedEntityName(name))
                    b.AddWideString(XmlPredefinedEntityToStr(name));
                else
                    b.AddWideString(ref);
            } else if (IsXmlCharRef(ref)) {
                b.AddWideString(XmlCharRefToStr(ref));
            } else {
                throw DOMException(QStringLiteral("XmlUnescape: string contains an invalid reference %1.").arg(ref));
            }
            p = begin + semi + 1;
            run = p;
            continue;
        }
        if (!IsXmlChar(QChar(c)))
            throw DOMException(QStringLiteral("XmlUnescape: string contains an invalid character."));
        ++p;
    }
    b.AddWideString(run, end);
    return b.Take();
}

bool TkwvDOMtools::IsXmlEntityRef(QStringView s)
{
    if (s.size() < 3 || s.front() != u'&' || s.back() != u';')
        return false;
    return IsXmlName(s.mid(1, s.size() - 2));
}

bool TkwvDOMtools::IsXmlPredefinedEntityName(QStringView name)
{
    return name == u"lt" || name == u"gt" || name == u"amp" || name == u"apos" || name == u"quot";
}

QString TkwvDOMtools::XmlPredefinedEntityToStr(QStringView name)
{
    if (name == u"lt")
        return QStringLiteral("<");
    if (name == u"gt")
        return QStringLiteral(">");
    if (name == u"amp")
        return QStringLiteral("&");
    if (name == u"apos")
        return QStringLiteral("'");
    if (name == u"quot")
        return QStringLiteral("\"");
    return name.toString();
}

bool TkwvDOMtools::IsXmlCharRef(QStringView s)
{
    if (s.size() < 4 || s[0] != u'&' || s[1] != u'#' || s.back() != u';')
        return false;
    const QStringView body = s.mid(2, s.size() - 3);
    if (body.front() == u'x') {
        if (body.size() < 2)
            return false;
        for (qsizetype i = 1; i < body.size(); ++i)
            if (!isHexDigit(body[i].unicode()))
                return false;
        return true;
    }
    for (QChar c : body)
        if (!isDecDigit(c.unicode()))
            return false;
    return true;
}

qint32 TkwvDOMtools::XmlCharRefToInt(QStringView s)
{
    const auto invalid = [&s]() {
        return DOMException(QStringLiteral("%1 is not a valid XmlCharRef value.").arg(s));
    };
    if (!IsXmlCharRef(s))
        throw invalid();
    const bool hex = s[2] == u'x';
    const QStringView digits = hex ? s.mid(3, s.size() - 4) : s.mid(2, s.size() - 3);
    // A 32-bit conversion: hexadecimal numbers use all 32 bits (and may come
    // out negative), decimal ones stop at the signed maximum.
    quint64 v = 0;
    const quint64 limit = hex ? 0xFFFFFFFFull : 0x7FFFFFFFull;
    for (QChar c : digits) {
        v = hex ? v * 16 + hexValue(c.unicode()) : v * 10 + (c.unicode() - '0');
        if (v > limit)
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(digits));
    }
    const quint32 cp = quint32(v);
    const bool ok = cp <= 0x10FFFF
        && (cp >= 0x10000 || (IsXmlChar(QChar(char16_t(cp))) && (cp < 0xD800 || cp > 0xDFFF)));
    if (!ok)
        throw invalid();
    return qint32(cp);
}

QString TkwvDOMtools::XmlCharRefToStr(QStringView s)
{
    const quint32 cp = quint32(XmlCharRefToInt(s));
    if (cp < 0x10000)
        return QString(QChar(char16_t(cp)));
    const QChar pair[2] = { QChar(ExtractUtf16HighSurrogate(cp)), QChar(ExtractUtf16LowSurrogate(cp)) };
    return QString(pair, 2);
}

bool TkwvDOMtools::IsXmlName(QStringView s)
{
    if (s.isEmpty())
        return false;
    bool first = true;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (IsUtf16LowSurrogate(c))
            return false;
        if (IsUtf16HighSurrogate(c)) {
            if (i + 1 >= n || !IsUtf16LowSurrogate(s[i + 1]))
                return false;
            ++i;
            first = false;
            continue;
        }
        if (first ? !IsXmlNameStartChar(c) : !IsXmlNameChar(c))
            return false;
        first = false;
    }
    return true;
}

bool TkwvDOMtools::IsXmlNameStartChar(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c < 0x80)
        return c == ':' || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z');
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF)
        || (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D)
        || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF)
        || (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD);
}

bool TkwvDOMtools::IsXmlNameChar(QChar ch)
{
    if (IsXmlNameStartChar(ch))
        return true;
    const char16_t c = ch.unicode();
    return c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 || (c >= 0x300 && c <= 0x36F)
        || (c >= 0x203F && c <= 0x2040);
}

namespace {

// 0 = copy, 1 = escape, 2 = drop, 3 = needs a surrogate or non-character check
inline int writeClass(char16_t c)
{
    if (c < 0x20)
        return (c == 0x09 || c == 0x0A || c == 0x0D) ? 0 : 2;
    if (c <= '>')
        return needsEscape(c) ? 1 : 0;
    if (c < 0xD800)
        return 0;
    if (c <= 0xDFFF || c >= 0xFFFE)
        return 3;
    return 0;
}

template<bool Escape>
void appendValid(QStringView s, QString& out)
{
    const QChar* p = s.data();
    const QChar* end = p + s.size();
    const QChar* run = p;
    for (; p < end; ++p) {
        const char16_t c = p->unicode();
        int k = writeClass(c);
        if (k == 0 || (k == 1 && !Escape))
            continue;
        if (k == 3 && c >= 0xD800 && c <= 0xDBFF && p + 1 < end && p[1].unicode() >= 0xDC00 && p[1].unicode() <= 0xDFFF) {
            ++p; // a well-formed pair
            continue;
        }
        out.append(run, p - run);
        if (k == 1)
            out.append(QStringView(escapeOf(c)));
        else if (k == 3)
            out.append(QChar(0xFFFD));
        run = p + 1;
    }
    out.append(run, end - run);
}

} // namespace

void TkwvDOMtools::XmlEscapeValidTo(QStringView s, QString& out)
{
    appendValid<true>(s, out);
}

void TkwvDOMtools::XmlValidTo(QStringView s, QString& out)
{
    appendValid<false>(s, out);
}
