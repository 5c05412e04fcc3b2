#pragma once
// The serializer's streaming writer and loader.
//
// Writer: the serializer builds elements in its document and pushes and pops
// them on a stack; each element is written out as soon as it is complete and
// removed from the document, so memory holds only the open path of the tree
// and the siblings not yet written.
//
// Loader: follows the reader's element stack, builds the objects while their
// elements close, loads each property when its element ends and drops it
// from the document; a finished child object is parked under its element
// until the property that holds it claims it.
#include "UXmlSerializer.h"

#include <map>
#include <memory>
#include <vector>

class TXMLSerializerParserToXml : public TkwvDomToXmlParser {
public:
    TXMLSerializerParserToXml(TXMLSerializer* serializer, QIODevice* stream);
    ~TXMLSerializerParserToXml() override;

    void stackPushNode(TkwvDOMElement* element);
    void stackPopNode(TkwvDOMElement* element);
    // At the end of a save: writes what is left and flushes the text writer.
    void Flush();

    void writeAttribute(const QString& name, const QString& value) override;
    void beforeWriteNode(TkwvDOMNodeBase* node) override;
    void writeEscapedText(QStringView text) override;

private:
    struct TXmlStack {
        ElementPtr element;
        // Children already written, -1 while the start tag is not written.
        int count;
    };

    void stackFlushLast();
    void stackFlushNodeHeader(int k, TkwvDOMElement* childInProgress);
    void writeDeclarationOnce(TkwvDOMElement* anyElement);
    static void removeFromParent(TkwvDOMElement* element);

    TXMLSerializer* fSerializer;
    std::unique_ptr<TkwvStreamWriter> fTextWriter;
    bool fExport;
    int fStackLevel = -1;
    std::vector<TXmlStack> fStack;
    bool fDeclWritten = false;
};

class TXMLSerializerParserToDom : public TkwvXmlToDomParser {
public:
    enum Role { roleIgnored = 1, roleRoot = 2, roleObject = 3, roleProperty = 4 };

    TXMLSerializerParserToDom(TXMLSerializer* serializer, TRemotable* rootInstance);
    ~TXMLSerializerParserToDom() override;

    // After the whole document was read without error: loads the properties
    // of a root instance given by the caller, which waited until then.
    void finishDeferredRoot();
    // The root instance; raises when the document held none.
    TRemotable* getNewInstanceRoot();
    // The root object when the loader created it (null otherwise).
    std::unique_ptr<TRemotable> takeCreatedRoot() { return std::move(fRootOwned); }
    // Takes the parked object of an element (null when none); *owned is
    // false for a reference a load handler keeps.
    std::unique_ptr<TRemotable> getWaitingNode(TkwvDOMElement* element, bool* owned);

protected:
    void parseCleanup() override;
    void onStackPush(TStackLevel& level) override;
    void onStackPop(TStackLevel& level) override;

private:
    TXMLSerializerNodeInfo* startObject(TkwvDOMElement* element, bool isRoot);
    void endObject(TStackLevel& level);
    void endProperty(TStackLevel& level);
    void freeOpenNodeInfos();

    // A parked object; one that a load handler supplied as a reference
    // (not owned) is let go, never freed, when nobody claims it.
    struct TWaiting {
        TWaiting(ElementPtr e, std::unique_ptr<TRemotable> o, bool isOwned)
            : element(std::move(e))
            , object(std::move(o))
            , owned(isOwned)
        {
        }
        TWaiting(TWaiting&&) = default;
        TWaiting& operator=(TWaiting&&) = delete;
        ~TWaiting() { forget(); }
        void set(std::unique_ptr<TRemotable> o, bool isOwned)
        {
            forget();
            object = std::move(o);
            owned = isOwned;
        }
        void forget()
        {
            if (!owned)
                (void)object.release();
            object.reset();
        }

        ElementPtr element;
        std::unique_ptr<TRemotable> object;
        bool owned = true;
    };

    TXMLSerializer* fSerializer;
    TRemotable* fGivenRoot;
    TRemotable* fRootResult = nullptr;
    bool fRootDone = false;
    std::unique_ptr<TRemotable> fRootOwned;
    std::map<TkwvDOMElement*, TWaiting> fWaiting;
    std::unique_ptr<TXMLSerializerNodeInfo> fDeferredRoot;
    ElementPtr fDeferredRootElement;
};
