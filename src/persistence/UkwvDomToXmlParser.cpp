#include "UkwvDomToXmlParser.h"

#include "UkwvTextStreams.h"
#include "UkwvXmlToDomParser.h"

TkwvDomToXmlParser::TkwvDomToXmlParser()
{
    writeReset();
}

TkwvDomToXmlParser::~TkwvDomToXmlParser() = default;

void TkwvDomToXmlParser::writeReset()
{
    fStrBuilder = nullptr;
    fStmWriter = nullptr;
    fLevel = 0;
    fLineToStart = true;
    fLineToEnd = false;
}

void TkwvDomToXmlParser::startOnWriter(TkwvStreamWriter* textWriter)
{
    writeReset();
    fStmWriter = textWriter;
}

void TkwvDomToXmlParser::startOnBuilder(TkwvDOMtools::TStrBuilder* builder)
{
    writeReset();
    fStrBuilder = builder;
}

void TkwvDomToXmlParser::writeEnd()
{
    writeReset();
}

void TkwvDomToXmlParser::beforeWriteNode(TkwvDOMNodeBase*)
{
}

QString& TkwvDomToXmlParser::target()
{
    if (fStrBuilder)
        return fStrBuilder->Str();
    if (fStmWriter)
        return fStmWriter->Buffer();
    throw DOMException(QStringLiteral("TkwvDomToXmlParser: not started"));
}

void TkwvDomToXmlParser::afterOutput()
{
    if (!fStrBuilder && fStmWriter)
        fStmWriter->FlushIfFull();
}

void TkwvDomToXmlParser::writeText(QStringView text)
{
    if (fLineToStart)
        writeLineStart(u"");
    target().append(text);
    afterOutput();
}

void TkwvDomToXmlParser::writeSpaced(QStringView text)
{
    if (fLineToStart)
        writeLineStart(u"");
    QString& out = target();
    out.append(u' ');
    out.append(text);
    afterOutput();
}

void TkwvDomToXmlParser::writeQuotedValue(QStringView value)
{
    if (fLineToStart)
        writeLineStart(u"");
    QString& out = target();
    out.append(u'"');
    TkwvDOMtools::XmlEscapeValidTo(value, out);
    out.append(u'"');
    afterOutput();
}

void TkwvDomToXmlParser::writeEscapedText(QStringView text)
{
    if (fLineToStart)
        writeLineStart(u"");
    TkwvDOMtools::XmlEscapeValidTo(text, target());
    afterOutput();
}

void TkwvDomToXmlParser::writeLine(QStringView text)
{
    writeLineStart(text);
    writeLineEnd(u"");
}

void TkwvDomToXmlParser::writeLineStart(QStringView text)
{
    if (fLineToEnd)
        writeLineEnd(u"");
    QString& out = target();
    const qint32 spaces = (fLevel - 1) * fIndentSpcCount;
    if (spaces > 0)
        out.append(QString(spaces, u' '));
    out.append(text);
    fLineToEnd = true;
    fLineToStart = false;
    afterOutput();
}

void TkwvDomToXmlParser::writeLineEnd(QStringView text)
{
    if (fLineToStart)
        writeLineStart(u"");
    QString& out = target();
    out.append(text);
    out.append(u"\r\n");
    fLineToStart = true;
    fLineToEnd = false;
    afterOutput();
}

void TkwvDomToXmlParser::writeAttribute(const QString& name, const QString& value)
{
    // A name that is no XML name would make text that no reader accepts.
    if (!TkwvDOMtools::IsXmlName(name))
        throw DOMException(QStringLiteral("TkwvDomToXmlParser.writeAttribute: invalid attribute name \"%1\"").arg(name));
    if (fLineToStart)
        writeLineStart(u"");
    QString& out = target();
    out.append(u' ');
    out.append(name);
    out.append(u'=');
    writeQuotedValue(value);
}

void TkwvDomToXmlParser::writeNode(const NodePtr& node)
{
    if (!node)
        return;
    if (fLevel == 0 && fIncludeXmlDecl) {
        fIncludeXmlDecl = false;
        if (!node->asXmlDecl()) {
            if (TkwvDOMDocument* doc = node->ownerDocumentObj())
                writeNode(doc->get_xmlDeclNodeForced());
        }
    }
    struct LevelGuard {
        qint32& level;
        qint32 saved;
        ~LevelGuard() { level = saved; }
    } guard { fLevel, fLevel };
    ++fLevel;
    // The reader refuses deeper nesting; writing it would make a file that
    // cannot be read back.
    if (fLevel > TkwvXmlToDomParser::kMaxDepth && node->asElement())
        throw DOMException(QStringLiteral("TkwvDomToXmlParser.writeNode: elements nested deeper than %1 levels")
                               .arg(TkwvXmlToDomParser::kMaxDepth));
    if (TkwvDOMDocument* doc = node->asDocument()) {
        if (const auto element = doc->documentElement())
            element->writeToXml(*this);
        return;
    }
    node->writeToXml(*this);
}

void TkwvDomToXmlParser::writeChildren(const NodePtr& aNode)
{
    NodePtr parent = aNode;
    if (TkwvDOMDocument* doc = aNode->asDocument())
        parent = doc->documentElement();
    if (!parent)
        return;
    if (TkwvDOMNodeComplex* c = parent->asComplex())
        for (const NodePtr& child : c->ChildList())
            writeNode(child);
}

void TkwvDomToXmlParser::writeToStream(const NodePtr& aNode, TkwvStreamWriter& textWriter)
{
    startOnWriter(&textWriter);
    try {
        if (aNode) {
            if (fIncludeOuter)
                writeNode(aNode);
            else
                writeChildren(aNode);
        }
    } catch (...) {
        writeEnd();
        throw;
    }
    writeEnd();
}

void TkwvDomToXmlParser::writeToStream(const NodePtr& aNode, QIODevice* stream)
{
    TkwvDOMDocument* doc = aNode ? aNode->ownerDocumentObj() : nullptr;
    TkwvStreamWriter textWriter(stream, doc ? doc->ParserEncoding() : QStringLiteral("UTF-8"));
    writeToStream(aNode, textWriter);
    textWriter.Flush();
}

void TkwvDomToXmlParser::writeToString(const NodePtr& aNode, TkwvDOMtools::TStrBuilder& builder)
{
    startOnBuilder(&builder);
    try {
        if (aNode) {
            if (fIncludeOuter)
                writeNode(aNode);
            else
                writeChildren(aNode);
        }
    } catch (...) {
        writeEnd();
        throw;
    }
    writeEnd();
}

QString TkwvDomToXmlParser::writeToString(const NodePtr& aNode)
{
    TkwvDOMtools::TStrBuilder builder;
    writeToString(aNode, builder);
    return builder.Take();
}
