#pragma once
// The XML writer: writes a node of the document model and everything below
// it as indented XML text (CR LF line ends, two spaces per level) into a
// stream or a string. The nodes write themselves through the output
// operations below; the serializer's streaming writer derives from it.
//
// Everything written can be read back: characters that XML does not allow
// (control characters, lone surrogates, U+FFFE, U+FFFF) are dropped or
// replaced by U+FFFD, and names that are no XML names are refused.
#include "UkwvXmlToObjectParser.h"

#include <memory>

class QIODevice;
class TkwvStreamWriter;

class TkwvDomToXmlParser : public TkwvParserBase, public IkwvDomToXmlOutput {
public:
    using NodePtr = std::shared_ptr<TkwvDOMNodeBase>;

    TkwvDomToXmlParser();
    ~TkwvDomToXmlParser() override;

    bool IncludeXmlDecl() const { return fIncludeXmlDecl; }
    void set_IncludeXmlDecl(bool value) { fIncludeXmlDecl = value; }
    bool IncludeOuter() const { return fIncludeOuter; }
    void set_IncludeOuter(bool value) { fIncludeOuter = value; }

    // Into a stream, in the encoding of the node's document (ParserEncoding),
    // with its byte-order mark when the stream is at its start.
    void writeToStream(const NodePtr& aNode, QIODevice* stream);
    void writeToStream(const NodePtr& aNode, TkwvStreamWriter& textWriter);
    // Into a string (no byte-order mark).
    QString writeToString(const NodePtr& aNode);
    void writeToString(const NodePtr& aNode, TkwvDOMtools::TStrBuilder& builder);

    virtual void writeReset();
    void writeNode(const NodePtr& node) override;
    void writeAttribute(const QString& name, const QString& value) override;
    virtual void startOnWriter(TkwvStreamWriter* textWriter);
    virtual void startOnBuilder(TkwvDOMtools::TStrBuilder* builder);
    virtual void writeEnd();
    void beforeWriteNode(TkwvDOMNodeBase* node) override;

    void writeText(QStringView text) override;
    void writeSpaced(QStringView text) override;
    void writeQuotedValue(QStringView value) override;
    void writeEscapedText(QStringView text) override;
    void writeLine(QStringView text) override;
    void writeLineStart(QStringView text) override;
    void writeLineEnd(QStringView text) override;

protected:
    // Where text goes now; raises "TkwvDomToXmlParser: not started" when the
    // writer has no target.
    QString& target();
    void afterOutput();
    void writeChildren(const NodePtr& aNode);

    bool fIncludeXmlDecl = true;
    bool fIncludeOuter = true;
    TkwvDOMtools::TStrBuilder* fStrBuilder = nullptr;
    TkwvStreamWriter* fStmWriter = nullptr;
    qint32 fLevel = 0;
    qint32 fIndentSpcCount = 2;
    bool fLineToStart = true;
    bool fLineToEnd = false;
};
