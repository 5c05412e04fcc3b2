#pragma once
// The XML reader: builds a document of the system's document model from XML
// text, following the tokenizer's reports with a stack of open elements.
// Derived classes (the serializer's streaming loader) follow the stack
// through onStackPush and onStackPop.
#include "UkwvXmlToObjectParser.h"

#include <QString>

#include <memory>
#include <vector>

class QIODevice;

class TkwvXmlToDomParser : public TkwvXmlToObjectParser {
public:
    // One open element. fData and fType are left to derived classes.
    struct TStackLevel {
        std::shared_ptr<TkwvDOMElement> fNode;
        void* fData = nullptr;
        qint32 fType = 0;
    };

    // Limits that keep hostile input from exhausting the stack or the time.
    static constexpr qsizetype kMaxDepth = 256;
    static constexpr qsizetype kMaxAttributes = 4096;

    TkwvXmlToDomParser();
    ~TkwvXmlToDomParser() override;

    // Parses a whole stream into the document aRoot, in the document's
    // ParserEncoding unless a byte-order mark names another. Errors propagate.
    void writeFromStream(const std::shared_ptr<TkwvDOMNodeBase>& aRoot, QIODevice* stream);
    // The same; answers false with errorInfo filled instead of raising.
    bool writeFromStream(const std::shared_ptr<TkwvDOMNodeBase>& aRoot, QIODevice* stream, TkwvParseErrorInfo& errorInfo);
    // A text held in memory (line ends kept as they are).
    void writeFromString(const std::shared_ptr<TkwvDOMNodeBase>& aRoot, const QString& text);
    bool writeFromString(const std::shared_ptr<TkwvDOMNodeBase>& aRoot, const QString& text, TkwvParseErrorInfo& errorInfo);

    void parseStart(const std::shared_ptr<TkwvDOMNodeBase>& aRoot);
    void parseEnd(const std::shared_ptr<TkwvDOMNodeBase>& aRoot);

    void stackPush(const std::shared_ptr<TkwvDOMNodeBase>& node);
    // Pops the top record; node (when given) must be its element and name
    // (when not null) its element's name.
    void stackPop(const TkwvDOMNodeBase* node, QStringView name = QStringView());
    TkwvDOMElement* stackTop() const { return fStack.empty() ? nullptr : fStack.back().fNode.get(); }
    bool stackIsEmpty() const { return fStack.empty(); }
    qsizetype stackCount() const { return qsizetype(fStack.size()); }
    TStackLevel& stackLevel(qsizetype index) { return fStack[size_t(index)]; }

protected:
    // Empties the stack and forgets the open declaration; derived classes
    // free their own state here.
    virtual void parseCleanup();
    virtual void onStackPush(TStackLevel& level);
    virtual void onStackPop(TStackLevel& level);
    virtual void onXmlHeaderEnd(TkwvDOMxmlDclType* node);
    // The namespace bound to prefix by an "xmlns:" attribute of an open
    // element, the nearest first; "" when none.
    virtual QString lookupNamespace(QStringView prefix) const;

    void onText(QStringView text, const TkwvParseLocation& pos) override;
    void onCData(QStringView text, const TkwvParseLocation& pos) override;
    void onComment(QStringView text, const TkwvParseLocation& pos) override;
    void onTagStart(QStringView name, const TkwvParseLocation& pos) override;
    void onTagStop(QStringView name, const TkwvParseLocation& pos) override;
    void onTagEnd(bool closed) override;
    void onAttribute(QStringView name, const TkwvParseLocation& namePos, bool valueSpecified, QStringView value,
                     const TkwvParseLocation& valuePos) override;

    std::shared_ptr<TkwvDOMDocument> fDoc;
    std::vector<TStackLevel> fStack;
    std::shared_ptr<TkwvDOMxmlDclType> fXmlHeader;
    QString fXmlNsToSolve;

private:
    struct NsBinding {
        QString prefix;
        QString uri;
        qsizetype level;
    };

    // The shared copy of a name; the reference is good only until the next
    // call, which may reuse the slot.
    const QString& intern(QStringView name);
    // An attribute value or text with its references resolved; short ones
    // come from the name cache, since they repeat all over a document.
    QString unescapeShared(QStringView text, qsizetype maxShared);
    void pushElement(std::shared_ptr<TkwvDOMElement> element);

    std::vector<NsBinding> fNsBindings;
    std::vector<QString> fNameCache;
};
