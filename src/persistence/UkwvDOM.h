#pragma once
// The system's XML document model: node classes, node list, attribute map,
// document, DOM implementation and vendor registry.
//
// Nodes are reference-counted (std::shared_ptr) and always created by their
// document. Containers own their children; the links upwards (parent, owner
// document) are plain pointers, so a node kept after its parent or document
// is gone must not be asked for them. The DOM interface names are aliases of
// the classes that implement them (IDOMElement is TkwvDOMElement, ...).
#include "UkwvDOMtools.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QIODevice;
class TkwvDOMNodeBase;
class TkwvDOMNodeComplex;
class TkwvDOMElement;
class TkwvDOMAttr;
class TkwvDOMDocument;
class TkwvDOMNodeList;
class TkwvDOMNamedNodeMap;
class TkwvDOMImplementation;
class TkwvDOMxmlDclType;
class TkwvXmlToDomParser;

using DOMNodeType = quint16;
enum : DOMNodeType {
    ELEMENT_NODE = 1,
    ATTRIBUTE_NODE = 2,
    TEXT_NODE = 3,
    CDATA_SECTION_NODE = 4,
    ENTITY_REFERENCE_NODE = 5,
    ENTITY_NODE = 6,
    PROCESSING_INSTRUCTION_NODE = 7,
    COMMENT_NODE = 8,
    DOCUMENT_NODE = 9,
    DOCUMENT_TYPE_NODE = 10,
    DOCUMENT_FRAGMENT_NODE = 11,
    NOTATION_NODE = 12,
};

// The namespace names reserved for the prefixes "xmlns" and "xml".
inline const QString& XmlnsNamespaceURI()
{
    static const QString s = QStringLiteral("http://www.w3.org/2000/xmlns/");
    return s;
}
inline const QString& XmlNamespaceURI()
{
    static const QString s = QStringLiteral("http://www.w3.org/XML/1998/namespace");
    return s;
}

// Outcome of the last read of a document.
struct TkwvParseErrorInfo {
    qint32 errorCode = 0;
    QString errorCodeStr;
    QString url;
    QString reason;
    QString srcText;
    qint32 line = 0;
    qint32 linePos = 0;
    qint32 filePos = 0;
};

// The writer's output, called by the nodes that write themselves.
class IkwvDomToXmlOutput {
public:
    virtual ~IkwvDomToXmlOutput() = default;
    virtual void beforeWriteNode(TkwvDOMNodeBase* node) = 0;
    virtual void writeText(QStringView text) = 0;
    virtual void writeSpaced(QStringView text) = 0;
    virtual void writeQuotedValue(QStringView value) = 0;
    virtual void writeEscapedText(QStringView text) = 0;
    virtual void writeLine(QStringView text) = 0;
    virtual void writeLineStart(QStringView text) = 0;
    virtual void writeLineEnd(QStringView text) = 0;
    virtual void writeNode(const std::shared_ptr<TkwvDOMNodeBase>& node) = 0;
    virtual void writeAttribute(const QString& name, const QString& value) = 0;
};

// Base of every DOM object.
class TkwvDOMInterface { };

// The memory of the nodes of one document. Nodes are created and freed in
// large numbers while a document is read, written and taken apart; serving
// them from size classes in big blocks costs a fraction of the general heap's
// time. Freed nodes go back to their class and are used again, so a document
// that is taken apart while it is read (the serializer's streaming loader)
// keeps only the memory of the nodes alive at a time. The pool lives as long
// as its document or any of its nodes.
class TkwvDOMNodePool {
public:
    static TkwvDOMNodePool* Create() { return new TkwvDOMNodePool(); }
    TkwvDOMNodePool(const TkwvDOMNodePool&) = delete;
    TkwvDOMNodePool& operator=(const TkwvDOMNodePool&) = delete;

    // The document's own reference.
    void Release();
    void* Allocate(size_t bytes);
    void Deallocate(void* p, size_t bytes) noexcept;

    // While a whole document is read or taken apart, its thread keeps the
    // lock from the first node to the last (TkwvDOMNodePoolHold) instead of
    // taking it for each node; a node released meanwhile on another thread
    // waits for the end of that work. Holds nest.
    void Hold() noexcept;
    void Unhold() noexcept;

private:
    TkwvDOMNodePool() = default;
    ~TkwvDOMNodePool();
    void lock() noexcept;
    void unlock() noexcept { fLock.store(false, std::memory_order_release); }
    // Whether the calling thread holds the pool (and so its lock).
    bool heldHere() const noexcept;
    // Drops one reference; answers whether the pool is to be deleted.
    bool unref() noexcept { return --fRefs == 0; }

    static constexpr size_t kGranule = 16;
    static constexpr size_t kClasses = 32; // blocks up to 512 bytes
    struct FreeBlock {
        FreeBlock* next;
    };

    std::atomic<bool> fLock { false };
    // The holding thread's tag (null: none) and its hold count.
    std::atomic<const void*> fHolder { nullptr };
    int fHoldDepth = 0;
    size_t fRefs = 1;
    FreeBlock* fFree[kClasses + 1] = {};
    char* fCur = nullptr;
    char* fEnd = nullptr;
    size_t fNextSlab = 8192;
    std::vector<void*> fSlabs;
    std::vector<size_t> fSlabSizes;
};

// Holds a pool (none for null) for the lifetime of the object.
class TkwvDOMNodePoolHold {
public:
    explicit TkwvDOMNodePoolHold(TkwvDOMNodePool* pool) noexcept : fPool(pool)
    {
        if (fPool)
            fPool->Hold();
    }
    ~TkwvDOMNodePoolHold()
    {
        if (fPool)
            fPool->Unhold();
    }
    TkwvDOMNodePoolHold(const TkwvDOMNodePoolHold&) = delete;
    TkwvDOMNodePoolHold& operator=(const TkwvDOMNodePoolHold&) = delete;

private:
    TkwvDOMNodePool* fPool;
};

// Allocator of the nodes and node lists of one document (the general heap
// when there is no pool).
template<typename T>
class TkwvPoolAllocator {
public:
    using value_type = T;
    TkwvPoolAllocator() noexcept = default;
    explicit TkwvPoolAllocator(TkwvDOMNodePool* pool) noexcept : fPool(pool) { }
    template<typename U>
    TkwvPoolAllocator(const TkwvPoolAllocator<U>& other) noexcept : fPool(other.fPool)
    {
    }
    T* allocate(size_t n)
    {
        return static_cast<T*>(fPool ? fPool->Allocate(n * sizeof(T)) : ::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept
    {
        if (fPool)
            fPool->Deallocate(p, n * sizeof(T));
        else
            ::operator delete(p);
    }
    friend bool operator==(const TkwvPoolAllocator& a, const TkwvPoolAllocator& b) { return a.fPool == b.fPool; }
    friend bool operator!=(const TkwvPoolAllocator& a, const TkwvPoolAllocator& b) { return a.fPool != b.fPool; }

    TkwvDOMNodePool* fPool = nullptr;
};

using TkwvNodeVector = std::vector<std::shared_ptr<TkwvDOMNodeBase>, TkwvPoolAllocator<std::shared_ptr<TkwvDOMNodeBase>>>;

// The pool of a document (null for none).
TkwvDOMNodePool* DOMNodePoolOf(const TkwvDOMDocument* document);

// ---------------------------------------------------------------------------
// Node list: the children of a container, or a snapshot given out by the
// document.
class TkwvDOMNodeList : public TkwvDOMInterface {
public:
    using NodePtr = std::shared_ptr<TkwvDOMNodeBase>;

    TkwvDOMNodeList() = default;
    explicit TkwvDOMNodeList(TkwvDOMNodePool* pool) : fNodeList(TkwvPoolAllocator<NodePtr>(pool)) { }

    // IDOMNodeList
    NodePtr item(qint32 index) const;
    qint32 length() const { return qint32(fNodeList.size()); }

    // Class operations. appendChild does not attach: the container does.
    void appendChild(const NodePtr& node) { fNodeList.push_back(node); }
    bool removeChild(const TkwvDOMNodeBase* node);
    NodePtr get_firstChild() const { return fNodeList.empty() ? NodePtr() : fNodeList.front(); }
    NodePtr get_lastChild() const { return fNodeList.empty() ? NodePtr() : fNodeList.back(); }
    bool hasChildNodes() const { return !fNodeList.empty(); }
    bool findNextChild(const TkwvDOMNodeBase* forChild, NodePtr& found) const;
    bool findPreviousChild(const TkwvDOMNodeBase* forChild, NodePtr& found) const;
    void writeToXml(IkwvDomToXmlOutput& output) const;

    // Direct access for the reader, the writer and the tree's own code.
    const TkwvNodeVector& Nodes() const { return fNodeList; }

private:
    friend class TkwvDOMNodeComplex;
    qsizetype indexOf(const TkwvDOMNodeBase* node) const;

    TkwvNodeVector fNodeList;
    // Where the last search ended: walking the siblings one by one stays
    // linear instead of searching the list from the start at each step.
    mutable size_t fHint = 0;
};

// ---------------------------------------------------------------------------
// The attributes of one element. Names compare without regard to case,
// namespace URIs exactly; the first match in list order wins.
class TkwvDOMNamedNodeMap : public TkwvDOMInterface {
public:
    using NodePtr = std::shared_ptr<TkwvDOMNodeBase>;
    TkwvDOMNamedNodeMap(TkwvDOMElement* owningElement, TkwvDOMNodePool* pool)
        : fNodeList(TkwvPoolAllocator<NodePtr>(pool)), fParentNode(owningElement)
    {
    }

    // IDOMNamedNodeMap
    NodePtr item(qint32 index) const;
    qint32 length() const { return qint32(fNodeList.size()); }
    NodePtr getNamedItem(QStringView name) const;
    NodePtr setNamedItem(const NodePtr& node);
    NodePtr removeNamedItem(QStringView name);
    NodePtr getNamedItemNS(QStringView namespaceURI, QStringView localName) const;
    NodePtr setNamedItemNS(const NodePtr& node);
    NodePtr removeNamedItemNS(QStringView namespaceURI, QStringView localName);

    // Class operations.
    NodePtr removeItem(const TkwvDOMNodeBase* node);
    void writeToXml(IkwvDomToXmlOutput& output) const;

    const TkwvNodeVector& Nodes() const { return fNodeList; }
    TkwvDOMDocument* ownerDocumentObj() const;
    TkwvDOMElement* parentElementObj() const { return fParentNode; }

private:
    friend class TkwvDOMElement;
    friend class TkwvDOMNodeComplex;
    TkwvDOMNodeBase* findNamed(QStringView name, qsizetype* index) const;
    TkwvDOMNodeBase* findNamedNS(QStringView namespaceURI, QStringView localName, qsizetype* index) const;
    NodePtr replaceEntry(TkwvDOMNodeBase* existing, qsizetype existingIndex, const NodePtr& node);
    NodePtr takeAt(qsizetype index);
    // Adds an attribute known to be new (no entry of the same name).
    void appendNew(NodePtr node);

    TkwvNodeVector fNodeList;
    TkwvDOMElement* fParentNode;
};

// ---------------------------------------------------------------------------
class TkwvDOMNodeBase : public TkwvDOMInterface, public std::enable_shared_from_this<TkwvDOMNodeBase> {
public:
    using NodePtr = std::shared_ptr<TkwvDOMNodeBase>;

    TkwvDOMNodeBase() = default;
    TkwvDOMNodeBase(const TkwvDOMNodeBase&) = delete;
    TkwvDOMNodeBase& operator=(const TkwvDOMNodeBase&) = delete;
    virtual ~TkwvDOMNodeBase();

    // Class operations.
    virtual NodePtr findNextChild(const TkwvDOMNodeBase* child) const;
    virtual NodePtr findPreviousChild(const TkwvDOMNodeBase* child) const;
    // IkwvDOMNodeRef: a container calls these on a node it takes in or lets go.
    virtual void DocAttach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent);
    virtual void DocDetach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent);

    // IDOMNode
    virtual QString nodeName() const = 0;
    virtual QString nodeValue() const;
    virtual void set_nodeValue(const QString& value);
    virtual DOMNodeType nodeType() const = 0;
    virtual NodePtr parentNode() const;
    virtual std::shared_ptr<TkwvDOMNodeList> childNodes();
    virtual NodePtr firstChild() const;
    virtual NodePtr lastChild() const;
    virtual NodePtr previousSibling() const;
    virtual NodePtr nextSibling() const;
    virtual std::shared_ptr<TkwvDOMNamedNodeMap> attributes();
    virtual std::shared_ptr<TkwvDOMDocument> ownerDocument() const = 0;
    virtual QString namespaceURI() const;
    virtual QString prefix() const;
    virtual QString localName() const;
    virtual NodePtr insertBefore(const NodePtr& newChild, const NodePtr& refChild);
    virtual NodePtr replaceChild(const NodePtr& newChild, const NodePtr& oldChild);
    virtual NodePtr removeChild(const NodePtr& oldChild);
    virtual NodePtr appendChild(const NodePtr& newChild);
    virtual bool hasChildNodes() const;
    virtual NodePtr cloneNode(bool deep);
    virtual void normalize();
    // Always answers false.
    virtual bool supports(const QString& feature, const QString& version) const;

    // IDOMNodeEx
    virtual QString text() const;
    virtual QString xml() const;
    virtual void set_text(const QString& value);
    virtual QString transformNode(const NodePtr& stylesheet) const;
    virtual void transformNode(const NodePtr& stylesheet, const std::shared_ptr<TkwvDOMDocument>& output) const;

    // IDOMNodeSelect
    virtual NodePtr selectNode(const QString& nodePath) const;
    virtual std::shared_ptr<TkwvDOMNodeList> selectNodes(const QString& nodePath) const;

    virtual QString lookupNamespaceURI(const QString& prefix) const;
    virtual QString lookupCurrentNS() const;

    // IkwvDomToXmlNode: nodes that have no written form raise EIntfCastError.
    virtual void writeToXml(IkwvDomToXmlOutput& output);
    virtual bool canWriteToXml() const { return false; }

    // Cheap casts used by the tree, the reader and the writer.
    virtual TkwvDOMNodeComplex* asComplex() { return nullptr; }
    virtual TkwvDOMElement* asElement() { return nullptr; }
    virtual TkwvDOMDocument* asDocument() { return nullptr; }
    virtual TkwvDOMxmlDclType* asXmlDecl() { return nullptr; }
    virtual TkwvDOMDocument* ownerDocumentObj() const = 0;

    // The parent object, null when not attached.
    TkwvDOMNodeBase* parentNodeObj() const { return fParentNode; }

    // Raises what DocAttach would raise, without changing anything.
    virtual void checkAttach(TkwvDOMDocument* ownerDocument) const;

protected:
    // Owner check shared by DocAttach and DocDetach.
    void checkOwner(TkwvDOMDocument* ownerDocument, const char* operation) const;

    TkwvDOMNodeBase* fParentNode = nullptr;

    friend class TkwvDOMNodeComplex;
    friend class TkwvDOMNamedNodeMap;
    friend class TkwvDOMDocument;
    friend class TkwvDOMElement;
};

// A node that belongs to a document and may have a namespace.
class TkwvDOMNode : public TkwvDOMNodeBase {
public:
    TkwvDOMNode(TkwvDOMDocument* ownerDocument, const QString& namespaceURI)
        : fOwnerDocument(ownerDocument), fNamespaceURI(namespaceURI)
    {
    }

    std::shared_ptr<TkwvDOMDocument> ownerDocument() const override;
    TkwvDOMDocument* ownerDocumentObj() const override { return fOwnerDocument; }
    QString namespaceURI() const override { return fNamespaceURI; }
    virtual void change_namespaceURI(const QString& namespaceURI) { fNamespaceURI = namespaceURI; }

protected:
    TkwvDOMDocument* fOwnerDocument;
    QString fNamespaceURI;
};

// A node that can have children (elements, fragments).
class TkwvDOMNodeComplex : public TkwvDOMNode {
public:
    TkwvDOMNodeComplex(TkwvDOMDocument* ownerDocument, const QString& namespaceURI)
        : TkwvDOMNode(ownerDocument, namespaceURI), fChildNodes(DOMNodePoolOf(ownerDocument))
    {
    }
    ~TkwvDOMNodeComplex() override;

    std::shared_ptr<TkwvDOMNodeList> childNodes() override;
    NodePtr firstChild() const override { return fChildNodes.get_firstChild(); }
    NodePtr lastChild() const override { return fChildNodes.get_lastChild(); }
    NodePtr appendChild(const NodePtr& newChild) override;
    NodePtr removeChild(const NodePtr& oldChild) override;
    bool hasChildNodes() const override { return fChildNodes.hasChildNodes(); }
    // appendChild for a node that the caller hands over.
    void appendChildTaken(NodePtr&& newChild);
    NodePtr findNextChild(const TkwvDOMNodeBase* child) const override;
    NodePtr findPreviousChild(const TkwvDOMNodeBase* child) const override;
    TkwvDOMNodeComplex* asComplex() override { return this; }

    // The children without a reference count round trip.
    const TkwvNodeVector& ChildList() const { return fChildNodes.fNodeList; }

protected:
    TkwvDOMNodeList fChildNodes;
};

// ---------------------------------------------------------------------------
class TkwvDOMElement : public TkwvDOMNodeComplex {
public:
    TkwvDOMElement(TkwvDOMDocument* ownerDocument, const QString& namespaceURI, const QString& qualifiedName)
        : TkwvDOMNodeComplex(ownerDocument, namespaceURI), fNodeName(qualifiedName), fAttributes(this, DOMNodePoolOf(ownerDocument))
    {
    }
    ~TkwvDOMElement() override;

    QString nodeName() const override { return fNodeName; }
    DOMNodeType nodeType() const override { return ELEMENT_NODE; }
    std::shared_ptr<TkwvDOMNamedNodeMap> attributes() override;
    QString xml() const override;
    QString lookupNamespaceURI(const QString& prefix) const override;
    void DocAttach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent) override;
    void writeToXml(IkwvDomToXmlOutput& output) override { writeOuterToXml(output); }
    bool canWriteToXml() const override { return true; }
    TkwvDOMElement* asElement() override { return this; }

    // IDOMElement
    QString tagName() const { return fNodeName; }
    QString getAttribute(QStringView name) const;
    void setAttribute(const QString& name, const QString& value);
    void removeAttribute(QStringView name);
    std::shared_ptr<TkwvDOMAttr> getAttributeNode(QStringView name) const;
    std::shared_ptr<TkwvDOMAttr> setAttributeNode(const std::shared_ptr<TkwvDOMAttr>& newAttr);
    std::shared_ptr<TkwvDOMAttr> removeAttributeNode(const std::shared_ptr<TkwvDOMAttr>& oldAttr);
    std::shared_ptr<TkwvDOMNodeList> getElementsByTagName(const QString& name) const;
    QString getAttributeNS(QStringView namespaceURI, QStringView localName) const;
    void setAttributeNS(const QString& namespaceURI, const QString& qualifiedName, const QString& value);
    void removeAttributeNS(const QString& namespaceURI, const QString& localName);
    std::shared_ptr<TkwvDOMAttr> getAttributeNodeNS(QStringView namespaceURI, QStringView localName) const;
    std::shared_ptr<TkwvDOMAttr> setAttributeNodeNS(const std::shared_ptr<TkwvDOMAttr>& newAttr);
    std::shared_ptr<TkwvDOMNodeList> getElementsByTagNameNS(const QString& namespaceURI, const QString& localName) const;
    bool hasAttribute(QStringView name) const;
    bool hasAttributeNS(QStringView namespaceURI, QStringView localName) const;

    // Writing (the nodes' part of the writer).
    virtual void writeOuterToXml(IkwvDomToXmlOutput& output);
    // Answers whether the element has children (and so an end tag).
    virtual bool writeHeaderToXml(IkwvDomToXmlOutput& output);
    virtual void writeInnerToXml(IkwvDomToXmlOutput& output);
    virtual void writeFooterToXml(IkwvDomToXmlOutput& output);
    virtual void change_nodeName(const QString& name) { fNodeName = name; }

    // The attribute map without a reference count round trip.
    TkwvDOMNamedNodeMap& AttributeMap() { return fAttributes; }
    const TkwvDOMNamedNodeMap& AttributeMap() const { return fAttributes; }
    const QString& NodeNameRef() const { return fNodeName; }

    void checkAttach(TkwvDOMDocument* ownerDocument) const override;

protected:
    // Adds the namespace declaration that attaching under `parent` calls for.
    void declareNamespace(TkwvDOMNodeBase* parent);

    QString fNodeName;
    TkwvDOMNamedNodeMap fAttributes;

    friend class TkwvXmlToDomParser;
};

// The XML declaration: an element named "?xml" whose attributes are the
// declaration's pseudo-attributes.
class TkwvDOMxmlDclType : public TkwvDOMElement {
public:
    using TkwvDOMElement::TkwvDOMElement;
    DOMNodeType nodeType() const override { return 0; }
    void writeToXml(IkwvDomToXmlOutput& output) override;
    TkwvDOMxmlDclType* asXmlDecl() override { return this; }
};

class TkwvDOMDocumentFragment : public TkwvDOMNodeComplex {
public:
    explicit TkwvDOMDocumentFragment(TkwvDOMDocument* ownerDocument) : TkwvDOMNodeComplex(ownerDocument, QString()) { }
    QString nodeName() const override { return QStringLiteral("#Fragment"); }
    DOMNodeType nodeType() const override { return DOCUMENT_FRAGMENT_NODE; }
};

// ---------------------------------------------------------------------------
class TkwvDOMCharacterData : public TkwvDOMNode {
public:
    explicit TkwvDOMCharacterData(TkwvDOMDocument* ownerDocument, const QString& data = QString())
        : TkwvDOMNode(ownerDocument, QString()), fData(data)
    {
    }

    QString nodeValue() const override { return fData; }
    void set_nodeValue(const QString& value) override { fData = value; }

    // IDOMCharacterData
    const QString& data() const { return fData; }
    void set_data(const QString& data) { fData = data; }
    qint32 length() const { return qint32(fData.size()); }
    QString substringData(qint32 offset, qint32 count) const;
    void appendData(const QString& data) { fData += data; }
    void insertData(qint32 offset, const QString& data);
    void deleteData(qint32 offset, qint32 count);
    void replaceData(qint32 offset, qint32 count, const QString& data);

protected:
    QString fData;
};

class TkwvDOMText : public TkwvDOMCharacterData {
public:
    using TkwvDOMCharacterData::TkwvDOMCharacterData;
    QString nodeName() const override { return QStringLiteral("#Text"); }
    DOMNodeType nodeType() const override { return TEXT_NODE; }
    void writeToXml(IkwvDomToXmlOutput& output) override;
    bool canWriteToXml() const override { return true; }
    std::shared_ptr<TkwvDOMText> splitText(qint32 offset);
};

class TkwvDOMCDATASection : public TkwvDOMText {
public:
    using TkwvDOMText::TkwvDOMText;
    QString nodeName() const override { return QStringLiteral("#CDATA"); }
    DOMNodeType nodeType() const override { return CDATA_SECTION_NODE; }
    void writeToXml(IkwvDomToXmlOutput& output) override;
};

class TkwvDOMComment : public TkwvDOMCharacterData {
public:
    using TkwvDOMCharacterData::TkwvDOMCharacterData;
    QString nodeName() const override { return QStringLiteral("#Comment"); }
    DOMNodeType nodeType() const override { return COMMENT_NODE; }
};

class TkwvDOMAttr : public TkwvDOMNode {
public:
    TkwvDOMAttr(TkwvDOMDocument* ownerDocument, const QString& namespaceURI, const QString& qualifiedName, bool specified)
        : TkwvDOMNode(ownerDocument, namespaceURI), fNodeName(qualifiedName), fSpecified(specified)
    {
    }

    QString nodeName() const override { return fNodeName; }
    DOMNodeType nodeType() const override { return ATTRIBUTE_NODE; }
    QString nodeValue() const override { return fNodeValue; }
    void set_nodeValue(const QString& value) override { fNodeValue = value; }
    void DocAttach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent) override;
    void writeToXml(IkwvDomToXmlOutput& output) override;
    bool canWriteToXml() const override { return true; }

    // IDOMAttr
    QString name() const { return fNodeName; }
    bool specified() const { return fSpecified; }
    const QString& value() const { return fNodeValue; }
    void set_value(const QString& value) { fNodeValue = value; }
    std::shared_ptr<TkwvDOMElement> ownerElement() const;

    const QString& NodeNameRef() const { return fNodeName; }

    void checkAttach(TkwvDOMDocument* ownerDocument) const override;

protected:
    QString fNodeName;
    QString fNodeValue;
    bool fSpecified;
};

class TkwvDOMEntityReference : public TkwvDOMNode {
public:
    TkwvDOMEntityReference(TkwvDOMDocument* ownerDocument, const QString& name)
        : TkwvDOMNode(ownerDocument, QString()), fNodeName(name)
    {
    }
    QString nodeName() const override { return fNodeName; }
    DOMNodeType nodeType() const override { return ENTITY_REFERENCE_NODE; }

protected:
    QString fNodeName;
};

class TkwvDOMProcessingInstruction : public TkwvDOMNode {
public:
    TkwvDOMProcessingInstruction(TkwvDOMDocument* ownerDocument, const QString& target)
        : TkwvDOMNode(ownerDocument, QString()), fTarget(target)
    {
    }
    QString nodeName() const override { return fTarget; }
    DOMNodeType nodeType() const override { return PROCESSING_INSTRUCTION_NODE; }

    // IDOMProcessingInstruction
    QString target() const { return fTarget; }
    QString data() const { return fData; }
    void set_data(const QString& data) { fData = data; }

protected:
    QString fTarget;
    QString fData;
};

// ---------------------------------------------------------------------------
// The document: root of one tree, factory of its nodes, holder of the XML
// declaration and of the document element.
class TkwvDOMDocument : public TkwvDOMNodeBase {
public:
    explicit TkwvDOMDocument(TkwvDOMImplementation* implementation);
    ~TkwvDOMDocument() override;

    // IDOMNode
    QString nodeName() const override { return QString(); }
    DOMNodeType nodeType() const override { return DOCUMENT_NODE; }
    std::shared_ptr<TkwvDOMDocument> ownerDocument() const override;
    TkwvDOMDocument* ownerDocumentObj() const override { return const_cast<TkwvDOMDocument*>(this); }
    std::shared_ptr<TkwvDOMNodeList> childNodes() override;
    NodePtr firstChild() const override;
    NodePtr lastChild() const override;
    bool hasChildNodes() const override;
    NodePtr appendChild(const NodePtr& newChild) override;
    NodePtr removeChild(const NodePtr& oldChild) override;
    NodePtr findNextChild(const TkwvDOMNodeBase* child) const override;
    NodePtr findPreviousChild(const TkwvDOMNodeBase* child) const override;
    QString xml() const override;
    void DocAttach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent) override;
    TkwvDOMDocument* asDocument() override { return this; }

    // IDOMDocument
    std::shared_ptr<TkwvDOMNodeBase> doctype() const;
    std::shared_ptr<TkwvDOMImplementation> domImplementation() const;
    std::shared_ptr<TkwvDOMElement> documentElement() const { return fDocumentElement; }
    void set_documentElement(const std::shared_ptr<TkwvDOMElement>& element);
    std::shared_ptr<TkwvDOMElement> createElement(const QString& tagName);
    std::shared_ptr<TkwvDOMElement> createElementNS(const QString& namespaceURI, const QString& qualifiedName);
    std::shared_ptr<TkwvDOMAttr> createAttribute(const QString& name);
    std::shared_ptr<TkwvDOMAttr> createAttributeNS(const QString& namespaceURI, const QString& qualifiedName);
    std::shared_ptr<TkwvDOMText> createTextNode(const QString& data);
    std::shared_ptr<TkwvDOMComment> createComment(const QString& data);
    std::shared_ptr<TkwvDOMCDATASection> createCDATASection(const QString& data);
    std::shared_ptr<TkwvDOMProcessingInstruction> createProcessingInstruction(const QString& target, const QString& data);
    std::shared_ptr<TkwvDOMEntityReference> createEntityReference(const QString& name);
    std::shared_ptr<TkwvDOMDocumentFragment> createDocumentFragment();
    std::shared_ptr<TkwvDOMNodeList> getElementsByTagName(const QString& tagName) const;
    std::shared_ptr<TkwvDOMNodeList> getElementsByTagNameNS(const QString& namespaceURI, const QString& localName) const;
    std::shared_ptr<TkwvDOMElement> getElementById(const QString& elementId) const;
    NodePtr importNode(const NodePtr& importedNode, bool deep);

    // The XML declaration.
    std::shared_ptr<TkwvDOMxmlDclType> get_xmlDeclNode() const { return fXmlDeclNode; }
    void set_xmlDeclNode(const std::shared_ptr<TkwvDOMxmlDclType>& node);
    // The declaration, created with version="1.0" when there is none.
    std::shared_ptr<TkwvDOMxmlDclType> get_xmlDeclNodeForced();

    // IDOMXMLProlog
    QString Encoding();
    void set_Encoding(const QString& value);
    QString Standalone();
    void set_Standalone(const QString& value);
    QString Version();
    void set_Version(const QString& value);

    // IDOMParseOptions
    bool async() const { return false; }
    void set_async(bool value);
    bool preserveWhiteSpace() const { return true; }
    void set_preserveWhiteSpace(bool) { }
    bool resolveExternals() const { return false; }
    void set_resolveExternals(bool value);
    bool validate() const { return false; }
    void set_validate(bool value);

    // IDOMPersist
    qint32 asyncLoadState() const { return 0; }
    bool loadxml(const QString& value);
    bool loadFromStream(QIODevice* stream);
    void saveToStream(QIODevice* stream);
    bool load(const QString& source);
    void save(const QString& destination);
    void set_OnAsyncLoad(const std::function<void()>& handler);

    // IDOMParseError
    qint32 errorCode() const { return fParseError.errorCode; }
    QString url() const { return fParseError.url; }
    QString reason() const { return fParseError.reason; }
    QString srcText() const { return fParseError.srcText; }
    qint32 line() const { return fParseError.line; }
    qint32 linepos() const { return fParseError.linePos; }
    qint32 filepos() const { return fParseError.filePos; }
    const TkwvParseErrorInfo& ParseError() const { return fParseError; }

    // Properties.
    TkwvDOMImplementation* WrapperDOMImpl() const { return fWrapperDOMImpl; }
    const QString& ParserEncoding() const { return fParserEncoding; }
    void set_ParserEncoding(const QString& value) { fParserEncoding = value; }
    bool ManageNamespaces() const { return fManageNamespaces; }
    void set_ManageNamespaces(bool value) { fManageNamespaces = value; }

    TkwvDOMNodePool* NodePool() const { return fPool; }

    // Whether attaching adds namespace declarations now: off while the reader
    // fills the document, whose text carries its own declarations.
    bool AddsNamespaceDeclarations() const { return fManageNamespaces && !fFilling; }

    void checkAttach(TkwvDOMDocument* ownerDocument) const override;

private:
    friend class TkwvXmlToDomParser;

    TkwvDOMImplementation* fWrapperDOMImpl;
    bool fManageNamespaces = true;
    bool fFilling = false;
    std::shared_ptr<TkwvDOMElement> fDocumentElement;
    TkwvParseErrorInfo fParseError;
    QString fParserEncoding = QStringLiteral("UTF-8");
    std::shared_ptr<TkwvDOMxmlDclType> fXmlDeclNode;
    TkwvDOMNodePool* fPool;
};

// ---------------------------------------------------------------------------
class TkwvDOMImplementation : public TkwvDOMInterface, public std::enable_shared_from_this<TkwvDOMImplementation> {
public:
    // IDOMImplementation. The arguments of createDocument are not used.
    std::shared_ptr<TkwvDOMDocument> createDocument(const QString& namespaceURI = QString(),
                                                    const QString& qualifiedName = QString(),
                                                    const std::shared_ptr<TkwvDOMNodeBase>& doctype = nullptr);
    std::shared_ptr<TkwvDOMNodeBase> createDocumentType(const QString& qualifiedName, const QString& publicId,
                                                        const QString& systemId);
    // Always answers false.
    bool hasFeature(const QString& feature, const QString& version) const;
};

// A source of DOM implementations, registered under its description.
class TDOMVendor {
public:
    virtual ~TDOMVendor() = default;
    virtual QString Description() const = 0;
    virtual std::shared_ptr<TkwvDOMImplementation> DOMImplementation() = 0;
};

class TkwvDOMImplementationFactory : public TDOMVendor {
public:
    QString Description() const override { return QLatin1String(kKwvDOMVendorDescription); }
    // The factory's single implementation, created on the first call.
    std::shared_ptr<TkwvDOMImplementation> DOMImplementation() override;

private:
    std::mutex fLock;
    std::shared_ptr<TkwvDOMImplementation> fGlobalDOMImpl;
};

// The vendor registry. The system's own vendor is registered from the start
// and is the default one.
void RegisterDOMVendor(TDOMVendor* vendor);
void UnRegisterDOMVendor(TDOMVendor* vendor);
// Raises DOMException "No matching DOM Vendor: "<description>"" when none.
TDOMVendor* GetDOMVendor(const QString& vendorDesc);
// The implementation of the named vendor, of the default one for "".
std::shared_ptr<TkwvDOMImplementation> GetDOM(const QString& vendorDesc = QString());
QString DefaultDOMVendor();
void SetDefaultDOMVendor(const QString& vendorDesc);

// The DOM interface names.
using IDOMNode = TkwvDOMNodeBase;
using IDOMNodeList = TkwvDOMNodeList;
using IDOMNamedNodeMap = TkwvDOMNamedNodeMap;
using IDOMElement = TkwvDOMElement;
using IDOMAttr = TkwvDOMAttr;
using IDOMCharacterData = TkwvDOMCharacterData;
using IDOMText = TkwvDOMText;
using IDOMCDATASection = TkwvDOMCDATASection;
using IDOMComment = TkwvDOMComment;
using IDOMEntityReference = TkwvDOMEntityReference;
using IDOMProcessingInstruction = TkwvDOMProcessingInstruction;
using IDOMDocumentFragment = TkwvDOMDocumentFragment;
using IDOMDocument = TkwvDOMDocument;
using IDOMImplementation = TkwvDOMImplementation;
using IkwvDomXmlDclType = TkwvDOMxmlDclType;
