#pragma once
// The XML tokenizer: reads XML text through an eleven-state machine,
// assembles words (tag names, attribute names and values, text, CDATA and
// comment bodies) and reports each finished piece through a virtual
// operation. It builds nothing itself; the reader derives from it.
//
// Text comes in chunks (a stream read piece by piece, or a whole string); a
// word may span chunks. Positions are counted in UTF-16 units: line from 1,
// column from 1 for the character just read (0 right after a line feed),
// and the count of characters read so far.
#include "UkwvDOM.h"

#include <QString>
#include <QStringView>

#include <exception>

struct TkwvParseLocation {
    qint32 lineNo = 0;
    qint32 colNo = 0;
    qint32 filePos = 0;
    QString url;
};

enum TkwvXmlToObjectParserState : quint8 {
    TkwvPS_Noop,
    TkwvPS_InSectionDetected,
    TkwvPS_InSectionStart,
    TkwvPS_InSectionStop,
    TkwvPS_InSectionStartTagWaiting,
    TkwvPS_InSectionStartClose,
    TkwvPS_InTagName,
    TkwvPS_InTagValue,
    TkwvPS_InTagQuotedValue,
    TkwvPS_InDataStopSearch,
    TkwvPS_InCommentStopSearch,
};

// Shared by the reader and the writer.
class TkwvParserBase : public TkwvDOMInterface {
public:
    virtual ~TkwvParserBase() = default;
    bool ManageNamespaces() const { return fManageNamespaces; }
    void set_ManageNamespaces(bool value) { fManageNamespaces = value; }

protected:
    bool fManageNamespaces = true;
};

class TkwvXmlToObjectParser : public TkwvParserBase {
public:
    TkwvXmlToObjectParser();
    ~TkwvXmlToObjectParser() override;

    // Runs the machine over one chunk. Refused once an error occurred (until
    // the next parseReset); any exception sets the error flag and propagates.
    void parseText(QStringView text);
    // parseText of the line followed by one line feed.
    void parseLine(QStringView line);
    void parseReset();
    // Raises "Missing '>' or quoted string not closed !" when the text ended
    // inside markup.
    void parseCheckEnd();
    // Reports text still pending at the end of the input (text after the
    // last markup) as onText.
    void parseFlushText();

    static void clearErrorInfo(TkwvParseErrorInfo& info);
    // Fills info from an exception and the position where it happened: the
    // beginning of the word being handled, else the character just read.
    void fillErrorInfo(TkwvParseErrorInfo& info, const std::exception& E) const;

    TkwvXmlToObjectParserState MachState() const { return fMachState; }
    bool InParseError() const { return fInParseError; }
    const TkwvParseLocation& SourcePos() const { return fSourcePos; }

protected:
    // ERROR log line "XML parser" with the exception.
    virtual void onParseError(const std::exception& E);
    virtual void onText(QStringView text, const TkwvParseLocation& pos) = 0;
    virtual void onCData(QStringView text, const TkwvParseLocation& pos) = 0;
    virtual void onComment(QStringView text, const TkwvParseLocation& pos) = 0;
    virtual void onTagStart(QStringView name, const TkwvParseLocation& pos) = 0;
    virtual void onTagStop(QStringView name, const TkwvParseLocation& pos) = 0;
    virtual void onTagEnd(bool closed) = 0;
    virtual void onAttribute(QStringView name, const TkwvParseLocation& namePos, bool valueSpecified,
                             QStringView value, const TkwvParseLocation& valuePos) = 0;

    void setInParseError() { fInParseError = true; }
    // Places the error position on the character after the last one read:
    // used when the bytes after the decoded text could not be decoded.
    void setErrorPosAfterLastChar();

private:
    class ChunkRun;
    friend class ChunkRun;

    void flushAttribute();
    void tagEnd(bool closed);
    // Dispatches a finished word; answers whether the current character must
    // be read again (in the state the word switched to).
    bool parseWordEnd(QStringView word, bool inChunk);
    [[noreturn]] void raiseInvalidChar(const char* stateName);

    TkwvParseLocation fSourcePos;
    TkwvXmlToObjectParserState fMachState = TkwvPS_Noop;
    QString fWord;
    TkwvParseLocation fWordPos;
    TkwvParseLocation fProcessingPos;
    QStringView fTagName;
    QString fTagNameStore;
    QStringView fTagValue;
    bool fTagAllowed = false;
    bool fTagNameSpecified = false;
    bool fTagValueSpecified = false;
    TkwvParseLocation fTagNamePos;
    TkwvParseLocation fTagValuePos;
    QStringView fStopSearch;
    bool fInParseError = false;

    // The chunk being run: the tag name may point into it until its end.
    const char16_t* fChunkBegin = nullptr;
    const char16_t* fChunkEnd = nullptr;
};
