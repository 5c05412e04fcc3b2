#include "UkwvXmlToObjectParser.h"

#include "UDebug.h"

#include <typeinfo>

namespace {

// Character classes of the markup states, for units below 0x80.
enum : quint8 {
    cc_ws = 1,     // space, TAB, LF
    cc_gt = 2,     // >
    cc_slash = 4,  // /
    cc_eq = 8,     // =
    cc_quote = 16, // "
    cc_lt = 32,    // <
    cc_bad = 64,   // not an XML character
};

struct CharTable {
    quint8 c[128] {};
    constexpr CharTable()
    {
        for (int i = 0; i < 0x20; ++i)
            c[i] = cc_bad;
        c[0x09] = cc_ws;
        c[0x0A] = cc_ws;
        c[0x0D] = 0;
        c[int(' ')] = cc_ws;
        c[int('>')] = cc_gt;
        c[int('/')] = cc_slash;
        c[int('=')] = cc_eq;
        c[int('"')] = cc_quote;
        c[int('<')] = cc_lt;
    }
};
constexpr CharTable kTable;

inline quint8 charClass(char16_t c)
{
    if (c < 0x80)
        return kTable.c[c];
    return c >= 0xFFFE ? cc_bad : 0;
}

const QStringView kCDataStart = u"![CDATA[";
const QStringView kCommentStart = u"!--";

} // namespace

TkwvXmlToObjectParser::TkwvXmlToObjectParser()
{
    parseReset();
}

TkwvXmlToObjectParser::~TkwvXmlToObjectParser() = default;

void TkwvXmlToObjectParser::parseReset()
{
    fInParseError = false;
    fWord.clear();
    fWordPos = TkwvParseLocation();
    fWordPos.lineNo = -1;
    fSourcePos = TkwvParseLocation();
    fSourcePos.lineNo = 1;
    fProcessingPos = TkwvParseLocation();
    fProcessingPos.filePos = -1;
    fTagName = QStringView();
    fTagNameStore.clear();
    fTagValue = QStringView();
    fTagAllowed = false;
    fTagNameSpecified = false;
    fTagValueSpecified = false;
    fStopSearch = QStringView();
    fMachState = TkwvPS_Noop;
    fChunkBegin = fChunkEnd = nullptr;
}

void TkwvXmlToObjectParser::parseCheckEnd()
{
    if (!fInParseError && fMachState != TkwvPS_Noop)
        throw DOMException(QStringLiteral("Missing '>' or quoted string not closed !"));
}

void TkwvXmlToObjectParser::parseFlushText()
{
    if (fInParseError || fMachState != TkwvPS_Noop || fWord.isEmpty())
        return;
    QString word = std::move(fWord);
    fWord = QString();
    parseWordEnd(word, false);
}

void TkwvXmlToObjectParser::clearErrorInfo(TkwvParseErrorInfo& info)
{
    info = TkwvParseErrorInfo();
}

void TkwvXmlToObjectParser::fillErrorInfo(TkwvParseErrorInfo& info, const std::exception& E) const
{
    info.errorCode = 1;
    if (const auto* ex = dynamic_cast<const Exception*>(&E)) {
        info.errorCodeStr = ex->ClassName();
        info.reason = ex->Message();
    } else {
        info.errorCodeStr = QString::fromLatin1(typeid(E).name());
        info.reason = QString::fromUtf8(E.what());
    }
    const TkwvParseLocation& pos = fProcessingPos.filePos != -1 ? fProcessingPos : fSourcePos;
    info.line = pos.lineNo;
    info.linePos = pos.colNo;
    info.filePos = pos.filePos;
    info.url = pos.url;
}

void TkwvXmlToObjectParser::onParseError(const std::exception& E)
{
    LogError(QStringLiteral("XML parser"), &E);
}

void TkwvXmlToObjectParser::setErrorPosAfterLastChar()
{
    fProcessingPos.filePos = -1;
    fSourcePos.colNo += 1;
    fSourcePos.filePos += 1;
}

void TkwvXmlToObjectParser::raiseInvalidChar(const char* stateName)
{
    throw DOMException(QStringLiteral("XML contains an invalid character. (%1)").arg(QLatin1String(stateName)));
}

void TkwvXmlToObjectParser::flushAttribute()
{
    if (!fTagNameSpecified)
        return;
    // The "?" that closes "<?xml ... ?>" reads as an attribute without value.
    if (fTagValueSpecified || fTagName != u"?")
        onAttribute(fTagName, fTagNamePos, fTagValueSpecified, fTagValueSpecified ? fTagValue : QStringView(),
                    fTagValuePos);
    fTagNameSpecified = false;
    fTagValueSpecified = false;
    fTagName = QStringView();
    fTagValue = QStringView();
}

void TkwvXmlToObjectParser::tagEnd(bool closed)
{
    flushAttribute();
    onTagEnd(closed);
    fTagNameSpecified = false;
    fTagAllowed = false;
}

bool TkwvXmlToObjectParser::parseWordEnd(QStringView word, bool inChunk)
{
    const bool setPos = fProcessingPos.filePos == -1;
    if (setPos)
        fProcessingPos = fWordPos;
    bool reread = false;
    switch (fMachState) {
    case TkwvPS_Noop:
        onText(word, fWordPos);
        break;
    case TkwvPS_InSectionStart:
    case TkwvPS_InSectionStartTagWaiting:
        if (word.startsWith(kCDataStart)) {
            fTagAllowed = false;
            if (word.size() >= kCDataStart.size() + 2 && word.endsWith(u"]]")) {
                onCData(word.mid(kCDataStart.size(), word.size() - kCDataStart.size() - 2), fWordPos);
            } else {
                fWord = word.mid(kCDataStart.size()).toString();
                fStopSearch = u"]]";
                fMachState = TkwvPS_InDataStopSearch;
                reread = true;
            }
        } else if (word.startsWith(kCommentStart)) {
            fTagAllowed = false;
            fWord = word.mid(kCommentStart.size()).toString();
            fStopSearch = u"--";
            fMachState = TkwvPS_InCommentStopSearch;
            reread = true;
        } else {
            onTagStart(word, fWordPos);
            fTagNameSpecified = false;
            fTagAllowed = true;
        }
        break;
    case TkwvPS_InSectionStop:
        onTagStop(word, fWordPos);
        fTagNameSpecified = false;
        fTagAllowed = false;
        break;
    case TkwvPS_InTagName:
        if (!fTagAllowed)
            throw DOMException(QStringLiteral("TkwvXmlToObjectParser.parseWordEnd: tag not allowed here"));
        flushAttribute();
        if (inChunk) {
            fTagName = word;
        } else {
            fTagNameStore = word.toString();
            fTagName = fTagNameStore;
        }
        fTagNamePos = fWordPos;
        fTagNameSpecified = true;
        fTagValueSpecified = false;
        break;
    case TkwvPS_InTagValue:
    case TkwvPS_InTagQuotedValue:
        if (!fTagAllowed)
            throw DOMException(QStringLiteral("TkwvXmlToObjectParser.parseWordEnd: tag not allowed here"));
        if (!fTagNameSpecified) {
            fTagName = QStringView(u"");
            fTagNamePos = fWordPos;
            fTagNameSpecified = true;
        }
        fTagValue = word;
        fTagValuePos = fWordPos;
        fTagValueSpecified = true;
        flushAttribute();
        break;
    case TkwvPS_InDataStopSearch:
        onCData(word, fWordPos);
        break;
    case TkwvPS_InCommentStopSearch:
        onComment(word, fWordPos);
        break;
    default:
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.parseWordEnd: unexpected parser state"));
    }
    if (setPos)
        fProcessingPos.filePos = -1;
    return reread;
}

void TkwvXmlToObjectParser::parseLine(QStringView line)
{
    parseText(line);
    parseText(u"\n");
}

// One run of the machine over a chunk. The position counters and the open
// word live in locals for speed and go back to the members on every exit.
class TkwvXmlToObjectParser::ChunkRun {
public:
    ChunkRun(TkwvXmlToObjectParser& p, QStringView text)
        : P(p)
        , s(reinterpret_cast<const char16_t*>(text.data()))
        , n(text.size())
        , line(p.fSourcePos.lineNo)
        , col(p.fSourcePos.colNo)
        , fpos(p.fSourcePos.filePos)
    {
        P.fChunkBegin = s;
        P.fChunkEnd = s + n;
    }

    ~ChunkRun()
    {
        sync();
        P.fChunkBegin = P.fChunkEnd = nullptr;
    }

    void sync()
    {
        P.fSourcePos.lineNo = line;
        P.fSourcePos.colNo = col;
        P.fSourcePos.filePos = fpos;
    }

    void run();

private:
    // The word operations.
    void startWord(qsizetype i)
    {
        if (wordOpen)
            return;
        wordOpen = true;
        wordStart = i;
        if (P.fWord.isEmpty()) {
            P.fWordPos.lineNo = line;
            P.fWordPos.colNo = col > 0 ? col - 1 : 0;
            P.fWordPos.filePos = fpos;
        }
    }

    void closeWord(qsizetype i)
    {
        if (!wordOpen)
            return;
        wordOpen = false;
        if (i > wordStart)
            P.fWord.append(QStringView(s + wordStart, i - wordStart));
    }

    bool endWord(qsizetype i)
    {
        QStringView word;
        bool inChunk = false;
        QString held;
        if (wordOpen && P.fWord.isEmpty()) {
            wordOpen = false;
            word = QStringView(s + wordStart, i - wordStart);
            inChunk = true;
        } else {
            closeWord(i);
            held = std::move(P.fWord);
            P.fWord = QString();
            word = held;
        }
        if (word.isEmpty())
            return false;
        sync();
        return P.parseWordEnd(word, inChunk);
    }

    void endWordStrict(qsizetype i)
    {
        if (endWord(i))
            throw DOMException(QStringLiteral("TkwvXmlToDomParser.parseWordAdd: unexpected state"));
    }

    [[noreturn]] void invalid(const char* stateName)
    {
        sync();
        P.raiseInvalidChar(stateName);
    }

    // Whether the unquoted value assembled so far runs over a line end.
    bool valueSpansLine(qsizetype i) const
    {
        if (P.fWord.contains(u'\n'))
            return true;
        if (wordOpen)
            for (qsizetype k = wordStart; k < i; ++k)
                if (s[k] == u'\n')
                    return true;
        return false;
    }

    // The k-th last unit (1 = last) of the word assembled so far.
    char16_t wordTail(qsizetype i, qsizetype k) const
    {
        const qsizetype open = wordOpen ? i - wordStart : 0;
        if (k <= open)
            return s[i - k];
        const qsizetype idx = P.fWord.size() - (k - open);
        return idx >= 0 ? P.fWord.at(idx).unicode() : 0;
    }

    // Counts one character that a fast scan consumes.
    void count(char16_t c)
    {
        ++fpos;
        if (c == u'\n') {
            ++line;
            col = 0;
        } else {
            ++col;
        }
    }

    TkwvXmlToObjectParser& P;
    const char16_t* s;
    qsizetype n;
    qint32 line;
    qint32 col;
    qint32 fpos;
    bool wordOpen = false;
    qsizetype wordStart = 0;
};

void TkwvXmlToObjectParser::ChunkRun::run()
{
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = s[i];
        count(c);
        const quint8 cls = charClass(c);
    again:
        switch (P.fMachState) {
        case TkwvPS_Noop:
            if (c == u'<') {
                endWordStrict(i);
                P.fMachState = TkwvPS_InSectionDetected;
                break;
            }
            if (cls & cc_bad)
                invalid("MS.Noop");
            startWord(i);
            // Text runs up to the next "<".
            while (i + 1 < n) {
                const char16_t d = s[i + 1];
                if (d == u'<' || (charClass(d) & cc_bad))
                    break;
                count(d);
                ++i;
            }
            break;

        case TkwvPS_InSectionDetected:
            if (cls & cc_ws)
                break;
            if (c == u'/') {
                if (wordOpen)
                    throw DOMException(QStringLiteral("TkwvXmlToDomParser.parseText: invalid state. (MS.InSectionDetected)"));
                wordOpen = true;
                wordStart = i + 1;
                if (P.fWord.isEmpty()) {
                    P.fWordPos.lineNo = line;
                    P.fWordPos.colNo = col;
                    P.fWordPos.filePos = fpos;
                }
                P.fMachState = TkwvPS_InSectionStop;
                break;
            }
            if (cls & (cc_eq | cc_quote | cc_bad))
                invalid("MS.InSection");
            startWord(i);
            P.fMachState = TkwvPS_InSectionStart;
            break;

        case TkwvPS_InSectionStart:
            if (c == u'>') {
                if (endWord(i))
                    goto again;
                sync();
                P.tagEnd(false);
                P.fMachState = TkwvPS_Noop;
                break;
            }
            if (cls & cc_ws) {
                if (endWord(i))
                    goto again;
                P.fMachState = TkwvPS_InSectionStartTagWaiting;
                break;
            }
            if (c == u'/') {
                if (endWord(i))
                    goto again;
                P.fMachState = TkwvPS_InSectionStartClose;
                break;
            }
            if (cls & cc_bad)
                invalid("MS.InSectionStart");
            startWord(i);
            while (i + 1 < n && charClass(s[i + 1]) == 0) {
                count(s[i + 1]);
                ++i;
            }
            break;

        case TkwvPS_InSectionStop:
            if (c == u'>') {
                endWordStrict(i);
                P.fMachState = TkwvPS_Noop;
                break;
            }
            if (cls & (cc_ws | cc_slash | cc_bad))
                invalid("MS.InSectionStop");
            startWord(i);
            break;

        case TkwvPS_InSectionStartTagWaiting:
            if (cls & cc_ws)
                break;
            if (c == u'>') {
                endWordStrict(i);
                sync();
                P.tagEnd(false);
                P.fMachState = TkwvPS_Noop;
                break;
            }
            if (c == u'/') {
                endWordStrict(i);
                P.fMachState = TkwvPS_InSectionStartClose;
                break;
            }
            if (cls & (cc_eq | cc_quote | cc_bad))
                invalid("MS.InSectionStartTagWaiting");
            startWord(i);
            P.fMachState = TkwvPS_InTagName;
            break;

        case TkwvPS_InSectionStartClose:
            if (cls & cc_ws)
                break;
            if (c == u'>') {
                endWordStrict(i);
                sync();
                P.tagEnd(true);
                P.fMachState = TkwvPS_Noop;
                break;
            }
            invalid("MS.InSectionStartClose");

        case TkwvPS_InTagName:
            if (c == u'>') {
                endWordStrict(i);
                sync();
                P.tagEnd(false);
                P.fMachState = TkwvPS_Noop;
                break;
            }
            if (c == u'/') {
                endWordStrict(i);
                P.fMachState = TkwvPS_InSectionStartClose;
                break;
            }
            if (c == u'=') {
                endWordStrict(i);
                P.fMachState = TkwvPS_InTagValue;
                break;
            }
            if (cls & cc_ws) {
                endWordStrict(i);
                P.fMachState = TkwvPS_InSectionStartTagWaiting;
                break;
            }
            if (cls & (cc_quote | cc_bad))
                invalid("MS.InTagName");
            startWord(i);
            while (i + 1 < n && charClass(s[i + 1]) == 0) {
                count(s[i + 1]);
                ++i;
            }
            break;

        case TkwvPS_InTagValue:
            if (c == u'>') {
                endWordStrict(i);
                sync();
                P.tagEnd(false);
                P.fMachState = TkwvPS_Noop;
                break;
            }
            if (c == u'/') {
                endWordStrict(i);
                P.fMachState = TkwvPS_InSectionStartClose;
                break;
            }
            if (c == u'"') {
                closeWord(i);
                P.fMachState = TkwvPS_InTagQuotedValue;
                break;
            }
            if (cls & cc_ws) {
                // An unquoted value goes on over blanks, but one that has
                // run over a line end stops at the next blank.
                if (valueSpansLine(i)) {
                    endWordStrict(i);
                    P.fMachState = TkwvPS_InSectionStartTagWaiting;
                }
                break;
            }
            if (cls & cc_bad)
                invalid("MS.InTagName");
            startWord(i);
            break;

        case TkwvPS_InTagQuotedValue:
            if (c == u'"') {
                endWordStrict(i);
                P.fMachState = TkwvPS_InSectionStartTagWaiting;
                break;
            }
            if (cls & cc_bad)
                invalid("MS.InTagName");
            startWord(i);
            while (i + 1 < n) {
                const char16_t d = s[i + 1];
                if (d == u'"' || (charClass(d) & cc_bad))
                    break;
                count(d);
                ++i;
            }
            break;

        case TkwvPS_InDataStopSearch:
        case TkwvPS_InCommentStopSearch:
            if (c == u'>') {
                if (wordTail(i, 1) == P.fStopSearch[1].unicode() && wordTail(i, 2) == P.fStopSearch[0].unicode()) {
                    closeWord(i);
                    P.fWord.chop(2);
                    endWordStrict(i);
                    P.fMachState = TkwvPS_Noop;
                    break;
                }
                startWord(i);
                break;
            }
            if (cls & cc_bad)
                invalid("MS.InDataStopSearch/InCommentStopSearch");
            startWord(i);
            while (i + 1 < n) {
                const char16_t d = s[i + 1];
                if (d == u'>' || (charClass(d) & cc_bad))
                    break;
                count(d);
                ++i;
            }
            break;

        default:
            sync();
            throw DOMException(QStringLiteral("TkwvXmlToDomParser.parseText: unexpected parser state"));
        }
        ++i;
    }
    // The open word goes on in the next chunk.
    closeWord(n);
    // A pending attribute name must not point into this chunk any more.
    if (P.fTagNameSpecified && P.fTagName.data() && reinterpret_cast<const char16_t*>(P.fTagName.data()) >= s
        && reinterpret_cast<const char16_t*>(P.fTagName.data()) < s + n) {
        P.fTagNameStore = P.fTagName.toString();
        P.fTagName = P.fTagNameStore;
    }
}

void TkwvXmlToObjectParser::parseText(QStringView text)
{
    if (fInParseError)
        throw DOMException(QStringLiteral("TkwvXmlToObjectParser.parseText: parser in error, can't continue to parse text"));
    try {
        ChunkRun run(*this, text);
        run.run();
    } catch (...) {
        fInParseError = true;
        throw;
    }
}
