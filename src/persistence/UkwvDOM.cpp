#include "UkwvDOM.h"

#include "UkwvDomToXmlParser.h"
#include "UkwvXmlToDomParser.h"

#include <algorithm>
#include <thread>

// Under AddressSanitizer the pool marks the blocks it holds for reuse, so a
// node used after it was freed is still reported.
#if defined(__SANITIZE_ADDRESS__)
#define KWV_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KWV_POOL_ASAN 1
#endif
#endif
#ifdef KWV_POOL_ASAN
#include <sanitizer/asan_interface.h>
#define KWV_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define KWV_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define KWV_POISON(p, n) ((void)(p), (void)(n))
#define KWV_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// Case-insensitive name comparison of the attribute map.
bool sameName(QStringView a, QStringView b)
{
    const qsizetype n = a.size();
    if (n != b.size())
        return false;
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.data());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.data());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = pa[i];
        char16_t y = pb[i];
        if (x == y)
            continue;
        if ((x | y) >= 0x80)
            return a.mid(i).compare(b.mid(i), Qt::CaseInsensitive) == 0;
        if (x >= 'A' && x <= 'Z')
            x += 32;
        if (y >= 'A' && y <= 'Z')
            y += 32;
        if (x != y)
            return false;
    }
    return true;
}

// Position of the colon that separates a prefix: the first colon, when it is
// at the second position or later; -1 otherwise.
qsizetype prefixColon(QStringView name)
{
    const qsizetype c = name.indexOf(u':');
    return c >= 1 ? c : -1;
}

TkwvDOMAttr* asAttr(TkwvDOMNodeBase* node)
{
    return static_cast<TkwvDOMAttr*>(node);
}

} // namespace

// ---------------------------------------------------------------------------
// TkwvDOMNodePool

TkwvDOMNodePool* DOMNodePoolOf(const TkwvDOMDocument* document)
{
    return document ? document->NodePool() : nullptr;
}

TkwvDOMNodePool::~TkwvDOMNodePool()
{
    for (size_t i = 0; i < fSlabs.size(); ++i) {
        KWV_UNPOISON(fSlabs[i], fSlabSizes[i]);
        ::operator delete(fSlabs[i]);
    }
}

namespace {
// One per thread: its address tells the threads apart.
thread_local char tPoolThreadTag;
} // namespace

void TkwvDOMNodePool::lock() noexcept
{
    // Nodes of one document are used by one thread at a time; the lock only
    // covers a node that a caller releases on another thread.
    while (fLock.exchange(true, std::memory_order_acquire))
        while (fLock.load(std::memory_order_relaxed))
            std::this_thread::yield();
}

bool TkwvDOMNodePool::heldHere() const noexcept
{
    // Only the holding thread ever writes its own tag here.
    return fHolder.load(std::memory_order_relaxed) == &tPoolThreadTag;
}

void TkwvDOMNodePool::Hold() noexcept
{
    if (heldHere()) {
        ++fHoldDepth;
        return;
    }
    lock();
    fHolder.store(&tPoolThreadTag, std::memory_order_relaxed);
    fHoldDepth = 1;
}

void TkwvDOMNodePool::Unhold() noexcept
{
    if (--fHoldDepth > 0)
        return;
    fHolder.store(nullptr, std::memory_order_relaxed);
    // The hold keeps the pool alive (its owner's reference is dropped only
    // by Release, which waits for the lock): unlocking is the last use.
    unlock();
}

void TkwvDOMNodePool::Release()
{
    const bool held = heldHere();
    if (!held)
        lock();
    const bool last = unref();
    if (!held)
        unlock();
    if (last)
        delete this;
}

void* TkwvDOMNodePool::Allocate(size_t bytes)
{
    const bool held = heldHere();
    const size_t cls = (bytes + kGranule - 1) / kGranule;
    if (cls > kClasses || cls == 0) {
        void* p = ::operator new(bytes);
        if (!held)
            lock();
        ++fRefs;
        if (!held)
            unlock();
        return p;
    }
    if (!held)
        lock();
    if (FreeBlock* b = fFree[cls]) {
        KWV_UNPOISON(b, cls * kGranule);
        fFree[cls] = b->next;
        ++fRefs;
        if (!held)
            unlock();
        return b;
    }
    const size_t size = cls * kGranule;
    if (size_t(fEnd - fCur) < size) {
        void* slab;
        try {
            slab = ::operator new(fNextSlab);
            fSlabs.reserve(fSlabs.size() + 1);
            fSlabSizes.reserve(fSlabs.size() + 1);
            fSlabs.push_back(slab);
            fSlabSizes.push_back(fNextSlab);
            KWV_POISON(slab, fNextSlab);
        } catch (...) {
            if (!held)
                unlock();
            throw;
        }
        fCur = static_cast<char*>(slab);
        fEnd = fCur + fNextSlab;
        fNextSlab = std::min<size_t>(fNextSlab * 2, 1 << 20);
    }
    void* p = fCur;
    KWV_UNPOISON(p, size);
    fCur += size;
    ++fRefs;
    if (!held)
        unlock();
    return p;
}

void TkwvDOMNodePool::Deallocate(void* p, size_t bytes) noexcept
{
    const bool held = heldHere();
    const size_t cls = (bytes + kGranule - 1) / kGranule;
    if (cls > kClasses || cls == 0) {
        ::operator delete(p);
        if (!held)
            lock();
    } else {
        if (!held)
            lock();
        auto* b = static_cast<FreeBlock*>(p);
        b->next = fFree[cls];
        fFree[cls] = b;
        KWV_POISON(b, cls * kGranule);
    }
    const bool last = unref();
    if (!held)
        unlock();
    // A held pool keeps the holder's document reference: never the last.
    if (last)
        delete this;
}

// ---------------------------------------------------------------------------
// TkwvDOMNodeList

TkwvDOMNodeList::NodePtr TkwvDOMNodeList::item(qint32 index) const
{
    if (index < 0 || size_t(index) >= fNodeList.size())
        throw EArgumentOutOfRangeException();
    return fNodeList[size_t(index)];
}

qsizetype TkwvDOMNodeList::indexOf(const TkwvDOMNodeBase* node) const
{
    const size_t n = fNodeList.size();
    if (fHint < n && fNodeList[fHint].get() == node)
        return qsizetype(fHint);
    if (fHint + 1 < n && fNodeList[fHint + 1].get() == node) {
        ++fHint;
        return qsizetype(fHint);
    }
    for (size_t i = 0; i < n; ++i) {
        if (fNodeList[i].get() == node) {
            fHint = i;
            return qsizetype(i);
        }
    }
    return -1;
}

bool TkwvDOMNodeList::removeChild(const TkwvDOMNodeBase* node)
{
    const qsizetype i = indexOf(node);
    if (i < 0)
        return false;
    fNodeList.erase(fNodeList.begin() + i);
    return true;
}

bool TkwvDOMNodeList::findNextChild(const TkwvDOMNodeBase* forChild, NodePtr& found) const
{
    found.reset();
    if (!forChild)
        return true;
    const qsizetype i = indexOf(forChild);
    if (i < 0)
        return false;
    if (size_t(i) + 1 < fNodeList.size())
        found = fNodeList[size_t(i) + 1];
    return true;
}

bool TkwvDOMNodeList::findPreviousChild(const TkwvDOMNodeBase* forChild, NodePtr& found) const
{
    found.reset();
    if (!forChild)
        return true;
    const qsizetype i = indexOf(forChild);
    if (i < 0)
        return false;
    if (i > 0)
        found = fNodeList[size_t(i) - 1];
    return true;
}

void TkwvDOMNodeList::writeToXml(IkwvDomToXmlOutput& output) const
{
    for (const NodePtr& node : fNodeList)
        output.writeNode(node);
}

// ---------------------------------------------------------------------------
// TkwvDOMNamedNodeMap

TkwvDOMDocument* TkwvDOMNamedNodeMap::ownerDocumentObj() const
{
    return fParentNode->ownerDocumentObj();
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::item(qint32 index) const
{
    if (index < 0 || size_t(index) >= fNodeList.size())
        throw EArgumentOutOfRangeException();
    return fNodeList[size_t(index)];
}

TkwvDOMNodeBase* TkwvDOMNamedNodeMap::findNamed(QStringView name, qsizetype* index) const
{
    for (size_t i = 0; i < fNodeList.size(); ++i) {
        TkwvDOMAttr* a = asAttr(fNodeList[i].get());
        if (a->namespaceURI().isEmpty() && sameName(a->NodeNameRef(), name)) {
            if (index)
                *index = qsizetype(i);
            return a;
        }
    }
    return nullptr;
}

TkwvDOMNodeBase* TkwvDOMNamedNodeMap::findNamedNS(QStringView namespaceURI, QStringView localName, qsizetype* index) const
{
    for (size_t i = 0; i < fNodeList.size(); ++i) {
        TkwvDOMAttr* a = asAttr(fNodeList[i].get());
        if (a->namespaceURI() == namespaceURI && sameName(a->NodeNameRef(), localName)) {
            if (index)
                *index = qsizetype(i);
            return a;
        }
    }
    if (namespaceURI.isEmpty() || localName.contains(u':'))
        return nullptr;
    for (size_t i = 0; i < fNodeList.size(); ++i) {
        TkwvDOMAttr* a = asAttr(fNodeList[i].get());
        if (a->namespaceURI() != namespaceURI)
            continue;
        const QStringView name(a->NodeNameRef());
        const qsizetype colon = prefixColon(name);
        if (colon > 0 && sameName(name.mid(colon + 1), localName)) {
            if (index)
                *index = qsizetype(i);
            return a;
        }
    }
    return nullptr;
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::getNamedItem(QStringView name) const
{
    qsizetype i = -1;
    return findNamed(name, &i) ? fNodeList[size_t(i)] : NodePtr();
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::getNamedItemNS(QStringView namespaceURI, QStringView localName) const
{
    qsizetype i = -1;
    return findNamedNS(namespaceURI, localName, &i) ? fNodeList[size_t(i)] : NodePtr();
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::takeAt(qsizetype index)
{
    NodePtr node = std::move(fNodeList[size_t(index)]);
    fNodeList.erase(fNodeList.begin() + index);
    return node;
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::replaceEntry(TkwvDOMNodeBase* existing, qsizetype, const NodePtr& node)
{
    if (existing == node.get())
        return NodePtr();
    TkwvDOMDocument* doc = ownerDocumentObj();
    // Everything that could make attaching fail is checked before the old
    // entry is let go: a refused node never costs the element its attribute.
    node->checkAttach(doc);
    if (existing) {
        auto it = std::find_if(fNodeList.begin(), fNodeList.end(),
                               [existing](const NodePtr& p) { return p.get() == existing; });
        if (it == fNodeList.end())
            throw DOMException(QStringLiteral("TkwvDOMNamedNodeMap.removeNamedItem: unexpected result"));
        NodePtr old = std::move(*it);
        fNodeList.erase(it);
        old->DocDetach(doc, fParentNode);
    }
    node->DocAttach(doc, fParentNode);
    fNodeList.push_back(node);
    return node;
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::setNamedItem(const NodePtr& node)
{
    if (!node || node->nodeType() != ATTRIBUTE_NODE)
        throw DOMException(QStringLiteral("TkwvDOMNamedNodeMap.setNamedItem: not an attribute"));
    return replaceEntry(findNamed(asAttr(node.get())->NodeNameRef(), nullptr), -1, node);
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::setNamedItemNS(const NodePtr& node)
{
    if (!node || node->nodeType() != ATTRIBUTE_NODE)
        throw DOMException(QStringLiteral("TkwvDOMNamedNodeMap.setNamedItemNS: not an attribute"));
    TkwvDOMAttr* a = asAttr(node.get());
    return replaceEntry(findNamedNS(a->namespaceURI(), a->NodeNameRef(), nullptr), -1, node);
}

void TkwvDOMNamedNodeMap::appendNew(NodePtr node)
{
    node->DocAttach(ownerDocumentObj(), fParentNode);
    fNodeList.push_back(std::move(node));
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::removeNamedItem(QStringView name)
{
    qsizetype i = -1;
    if (!findNamed(name, &i))
        return NodePtr();
    NodePtr node = takeAt(i);
    node->DocDetach(ownerDocumentObj(), fParentNode);
    return node;
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::removeNamedItemNS(QStringView namespaceURI, QStringView localName)
{
    qsizetype i = -1;
    if (!findNamedNS(namespaceURI, localName, &i))
        return NodePtr();
    NodePtr node = takeAt(i);
    node->DocDetach(ownerDocumentObj(), fParentNode);
    return node;
}

TkwvDOMNamedNodeMap::NodePtr TkwvDOMNamedNodeMap::removeItem(const TkwvDOMNodeBase* node)
{
    for (size_t i = 0; i < fNodeList.size(); ++i) {
        if (fNodeList[i].get() == node) {
            NodePtr taken = takeAt(qsizetype(i));
            taken->DocDetach(ownerDocumentObj(), fParentNode);
            return taken;
        }
    }
    return NodePtr();
}

void TkwvDOMNamedNodeMap::writeToXml(IkwvDomToXmlOutput& output) const
{
    for (const NodePtr& node : fNodeList)
        node->writeToXml(output);
}

// ---------------------------------------------------------------------------
// TkwvDOMNodeBase

TkwvDOMNodeBase::~TkwvDOMNodeBase() = default;

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::findNextChild(const TkwvDOMNodeBase*) const
{
    DOMRaiseNotSupported(QStringLiteral("findNextChild"));
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::findPreviousChild(const TkwvDOMNodeBase*) const
{
    DOMRaiseNotSupported(QStringLiteral("findPreviousChild"));
}

void TkwvDOMNodeBase::checkOwner(TkwvDOMDocument* ownerDocument, const char* operation) const
{
    if (ownerDocumentObj() != ownerDocument)
        throw DOMException(QStringLiteral("TkwvDOMNodeBase.%1: owner different").arg(QLatin1String(operation)));
}

void TkwvDOMNodeBase::checkAttach(TkwvDOMDocument* ownerDocument) const
{
    checkOwner(ownerDocument, "DocAttach");
    if (fParentNode)
        throw DOMException(QStringLiteral("TkwvDOMNodeBase.DocAttach: parentNode already set"));
}

void TkwvDOMNodeBase::DocAttach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent)
{
    checkAttach(ownerDocument);
    fParentNode = parent;
}

void TkwvDOMNodeBase::DocDetach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent)
{
    checkOwner(ownerDocument, "DocDetach");
    if (fParentNode != parent)
        throw DOMException(QStringLiteral("TkwvDOMNodeBase.DocDetach: not a child of this parent"));
    fParentNode = nullptr;
}

QString TkwvDOMNodeBase::nodeValue() const
{
    DOMRaiseNotSupported(QStringLiteral("get_nodeValue"));
}

void TkwvDOMNodeBase::set_nodeValue(const QString&)
{
    DOMRaiseNotSupported(QStringLiteral("set_nodeValue"));
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::parentNode() const
{
    return fParentNode ? fParentNode->shared_from_this() : NodePtr();
}

std::shared_ptr<TkwvDOMNodeList> TkwvDOMNodeBase::childNodes()
{
    return nullptr;
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::firstChild() const
{
    return NodePtr();
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::lastChild() const
{
    return NodePtr();
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::previousSibling() const
{
    return fParentNode ? fParentNode->findPreviousChild(this) : NodePtr();
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::nextSibling() const
{
    return fParentNode ? fParentNode->findNextChild(this) : NodePtr();
}

std::shared_ptr<TkwvDOMNamedNodeMap> TkwvDOMNodeBase::attributes()
{
    return nullptr;
}

QString TkwvDOMNodeBase::namespaceURI() const
{
    return QString();
}

QString TkwvDOMNodeBase::prefix() const
{
    const QString name = nodeName();
    const qsizetype c = prefixColon(name);
    return c > 0 ? name.left(c) : QString();
}

QString TkwvDOMNodeBase::localName() const
{
    const QString name = nodeName();
    const qsizetype c = prefixColon(name);
    return c > 0 ? name.mid(c + 1) : name;
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::insertBefore(const NodePtr&, const NodePtr&)
{
    DOMRaiseNotSupported(QStringLiteral("insertBefore"));
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::replaceChild(const NodePtr&, const NodePtr&)
{
    DOMRaiseNotSupported(QStringLiteral("replaceChild"));
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::removeChild(const NodePtr&)
{
    DOMRaiseNotSupported(QStringLiteral("removeChild"));
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::appendChild(const NodePtr&)
{
    DOMRaiseNotSupported(QStringLiteral("appendChild"));
}

bool TkwvDOMNodeBase::hasChildNodes() const
{
    return false;
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::cloneNode(bool)
{
    DOMRaiseNotSupported(QStringLiteral("cloneNode"));
}

void TkwvDOMNodeBase::normalize()
{
}

bool TkwvDOMNodeBase::supports(const QString&, const QString&) const
{
    return false;
}

QString TkwvDOMNodeBase::text() const
{
    DOMRaiseNotSupported(QStringLiteral("get_text"));
}

QString TkwvDOMNodeBase::xml() const
{
    DOMRaiseNotSupported(QStringLiteral("get_xml"));
}

void TkwvDOMNodeBase::set_text(const QString&)
{
    DOMRaiseNotSupported(QStringLiteral("set_text"));
}

QString TkwvDOMNodeBase::transformNode(const NodePtr&) const
{
    DOMRaiseNotSupported(QStringLiteral("TransformNode"));
}

void TkwvDOMNodeBase::transformNode(const NodePtr&, const std::shared_ptr<TkwvDOMDocument>&) const
{
    DOMRaiseNotSupported(QStringLiteral("TransformNode"));
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeBase::selectNode(const QString&) const
{
    DOMRaiseNotSupported(QStringLiteral("selectNode"));
}

std::shared_ptr<TkwvDOMNodeList> TkwvDOMNodeBase::selectNodes(const QString&) const
{
    DOMRaiseNotSupported(QStringLiteral("selectNodes"));
}

QString TkwvDOMNodeBase::lookupNamespaceURI(const QString& prefix) const
{
    if (fParentNode)
        return fParentNode->lookupNamespaceURI(prefix);
    if (prefix == u"xml")
        return XmlNamespaceURI();
    if (prefix == u"xmlns")
        return XmlnsNamespaceURI();
    return QString();
}

QString TkwvDOMNodeBase::lookupCurrentNS() const
{
    if (prefix().isEmpty())
        return namespaceURI();
    return fParentNode ? fParentNode->lookupCurrentNS() : QString();
}

void TkwvDOMNodeBase::writeToXml(IkwvDomToXmlOutput&)
{
    throw EIntfCastError();
}

// ---------------------------------------------------------------------------
// TkwvDOMNode, TkwvDOMNodeComplex

std::shared_ptr<TkwvDOMDocument> TkwvDOMNode::ownerDocument() const
{
    if (!fOwnerDocument)
        return nullptr;
    return std::static_pointer_cast<TkwvDOMDocument>(fOwnerDocument->shared_from_this());
}

TkwvDOMNodeComplex::~TkwvDOMNodeComplex()
{
    // Tear the subtree down with a work list instead of recursion, so that
    // freeing a deeply nested tree cannot exhaust the stack. A child that
    // someone else still holds keeps its own children.
    if (fChildNodes.fNodeList.empty())
        return;
    std::vector<NodePtr> pending;
    pending.reserve(fChildNodes.fNodeList.size());
    for (NodePtr& child : fChildNodes.fNodeList)
        pending.push_back(std::move(child));
    fChildNodes.fNodeList.clear();
    while (!pending.empty()) {
        NodePtr node = std::move(pending.back());
        pending.pop_back();
        node->fParentNode = nullptr;
        if (node.use_count() == 1) {
            if (TkwvDOMNodeComplex* c = node->asComplex()) {
                auto& children = c->fChildNodes.fNodeList;
                for (NodePtr& child : children)
                    pending.push_back(std::move(child));
                children.clear();
            }
        }
    }
}

std::shared_ptr<TkwvDOMNodeList> TkwvDOMNodeComplex::childNodes()
{
    return std::shared_ptr<TkwvDOMNodeList>(shared_from_this(), &fChildNodes);
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeComplex::appendChild(const NodePtr& newChild)
{
    NodePtr taken = newChild;
    appendChildTaken(std::move(taken));
    return newChild;
}

void TkwvDOMNodeComplex::appendChildTaken(NodePtr&& newChild)
{
    if (!newChild)
        throw DOMException(QStringLiteral("TkwvDOMNodeComplex.appendChild: no node"));
    const DOMNodeType type = newChild->nodeType();
    // Attributes, declarations and documents have no place among children:
    // written out, they would make text that cannot be read back.
    if (type == ATTRIBUTE_NODE || type == DOCUMENT_NODE || type == 0)
        throw DOMException(QStringLiteral("TkwvDOMNodeComplex.appendChild: this kind of node cannot be a child"));
    // A node that has children might be an ancestor: appending it would make
    // a cycle.
    if (newChild->hasChildNodes() || newChild.get() == this) {
        for (const TkwvDOMNodeBase* p = this; p; p = p->fParentNode)
            if (p == newChild.get())
                throw DOMException(QStringLiteral("TkwvDOMNodeComplex.appendChild: a node cannot be its own descendant"));
    }
    newChild->DocAttach(ownerDocumentObj(), this);
    fChildNodes.fNodeList.push_back(std::move(newChild));
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeComplex::removeChild(const NodePtr& oldChild)
{
    if (!oldChild)
        return NodePtr();
    const qsizetype i = fChildNodes.indexOf(oldChild.get());
    if (i < 0)
        return NodePtr();
    NodePtr node = std::move(fChildNodes.fNodeList[size_t(i)]);
    fChildNodes.fNodeList.erase(fChildNodes.fNodeList.begin() + i);
    node->DocDetach(ownerDocumentObj(), this);
    return node;
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeComplex::findNextChild(const TkwvDOMNodeBase* child) const
{
    NodePtr found;
    if (!fChildNodes.findNextChild(child, found))
        throw DOMException(QStringLiteral("TkwvDOMNodeComplex.findNextChild: not a child of this node"));
    return found;
}

TkwvDOMNodeBase::NodePtr TkwvDOMNodeComplex::findPreviousChild(const TkwvDOMNodeBase* child) const
{
    NodePtr found;
    if (!fChildNodes.findPreviousChild(child, found))
        throw DOMException(QStringLiteral("TkwvDOMNodeComplex.findPreviousChild: not a child of this node"));
    return found;
}

// ---------------------------------------------------------------------------
// TkwvDOMElement

TkwvDOMElement::~TkwvDOMElement()
{
    for (const NodePtr& a : fAttributes.fNodeList)
        a->fParentNode = nullptr;
}

std::shared_ptr<TkwvDOMNamedNodeMap> TkwvDOMElement::attributes()
{
    return std::shared_ptr<TkwvDOMNamedNodeMap>(shared_from_this(), &fAttributes);
}

QString TkwvDOMElement::getAttribute(QStringView name) const
{
    TkwvDOMNodeBase* a = fAttributes.findNamed(name, nullptr);
    return a ? a->nodeValue() : QString();
}

void TkwvDOMElement::setAttribute(const QString& name, const QString& value)
{
    if (TkwvDOMNodeBase* a = fAttributes.findNamed(name, nullptr)) {
        a->set_nodeValue(value);
        return;
    }
    auto attr = fOwnerDocument->createAttribute(name);
    attr->set_value(value);
    fAttributes.appendNew(std::move(attr));
}

void TkwvDOMElement::removeAttribute(QStringView name)
{
    fAttributes.removeNamedItem(name);
}

std::shared_ptr<TkwvDOMAttr> TkwvDOMElement::getAttributeNode(QStringView name) const
{
    return std::static_pointer_cast<TkwvDOMAttr>(fAttributes.getNamedItem(name));
}

std::shared_ptr<TkwvDOMAttr> TkwvDOMElement::setAttributeNode(const std::shared_ptr<TkwvDOMAttr>& newAttr)
{
    fAttributes.setNamedItem(newAttr);
    return nullptr;
}

std::shared_ptr<TkwvDOMAttr> TkwvDOMElement::removeAttributeNode(const std::shared_ptr<TkwvDOMAttr>& oldAttr)
{
    return std::static_pointer_cast<TkwvDOMAttr>(fAttributes.removeItem(oldAttr.get()));
}

std::shared_ptr<TkwvDOMNodeList> TkwvDOMElement::getElementsByTagName(const QString&) const
{
    DOMRaiseNotSupported(QStringLiteral("getElementsByTagName"));
}

QString TkwvDOMElement::getAttributeNS(QStringView namespaceURI, QStringView localName) const
{
    TkwvDOMNodeBase* a = fAttributes.findNamedNS(namespaceURI, localName, nullptr);
    return a ? a->nodeValue() : QString();
}

void TkwvDOMElement::setAttributeNS(const QString& namespaceURI, const QString& qualifiedName, const QString& value)
{
    if (TkwvDOMNodeBase* a = fAttributes.findNamedNS(namespaceURI, qualifiedName, nullptr)) {
        a->set_nodeValue(value);
        return;
    }
    auto attr = fOwnerDocument->createAttributeNS(namespaceURI, qualifiedName);
    attr->set_value(value);
    fAttributes.setNamedItem(attr);
}

void TkwvDOMElement::removeAttributeNS(const QString&, const QString&)
{
    DOMRaiseNotSupported(QStringLiteral("removeAttributeNS"));
}

std::shared_ptr<TkwvDOMAttr> TkwvDOMElement::getAttributeNodeNS(QStringView namespaceURI, QStringView localName) const
{
    return std::static_pointer_cast<TkwvDOMAttr>(fAttributes.getNamedItemNS(namespaceURI, localName));
}

std::shared_ptr<TkwvDOMAttr> TkwvDOMElement::setAttributeNodeNS(const std::shared_ptr<TkwvDOMAttr>& newAttr)
{
    fAttributes.setNamedItem(newAttr);
    return nullptr;
}

std::shared_ptr<TkwvDOMNodeList> TkwvDOMElement::getElementsByTagNameNS(const QString&, const QString&) const
{
    DOMRaiseNotSupported(QStringLiteral("getElementsByTagNameNS"));
}

bool TkwvDOMElement::hasAttribute(QStringView name) const
{
    return fAttributes.findNamed(name, nullptr) != nullptr;
}

bool TkwvDOMElement::hasAttributeNS(QStringView namespaceURI, QStringView localName) const
{
    return fAttributes.findNamedNS(namespaceURI, localName, nullptr) != nullptr;
}

QString TkwvDOMElement::xml() const
{
    TkwvDomToXmlParser writer;
    writer.set_IncludeXmlDecl(false);
    writer.set_IncludeOuter(false);
    writer.set_ManageNamespaces(fOwnerDocument ? fOwnerDocument->ManageNamespaces() : true);
    return writer.writeToString(std::const_pointer_cast<TkwvDOMNodeBase>(shared_from_this()));
}

QString TkwvDOMElement::lookupNamespaceURI(const QString& prefix) const
{
    const QString value = prefix.isEmpty() ? getAttribute(u"xmlns") : getAttribute(QString(QStringLiteral("xmlns:") + prefix));
    if (!value.isEmpty())
        return value;
    return TkwvDOMNodeBase::lookupNamespaceURI(prefix);
}

void TkwvDOMElement::checkAttach(TkwvDOMDocument* ownerDocument) const
{
    TkwvDOMNodeBase::checkAttach(ownerDocument);
}

void TkwvDOMElement::DocAttach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent)
{
    checkAttach(ownerDocument);
    fParentNode = parent;
    if (nodeType() == ELEMENT_NODE && ownerDocument->AddsNamespaceDeclarations())
        declareNamespace(parent);
}

void TkwvDOMElement::declareNamespace(TkwvDOMNodeBase* parent)
{
    const QString pfx = prefix();
    if (pfx.isEmpty() && fNamespaceURI == parent->lookupCurrentNS())
        return;
    QString declName;
    if (!pfx.isEmpty()) {
        if (!parent->lookupNamespaceURI(pfx).isEmpty())
            return;
        declName = QStringLiteral("xmlns:") + pfx;
    } else {
        declName = QStringLiteral("xmlns");
    }
    setAttributeNS(XmlnsNamespaceURI(), declName, fNamespaceURI);
}

void TkwvDOMElement::writeOuterToXml(IkwvDomToXmlOutput& output)
{
    if (writeHeaderToXml(output)) {
        writeInnerToXml(output);
        writeFooterToXml(output);
    }
}

bool TkwvDOMElement::writeHeaderToXml(IkwvDomToXmlOutput& output)
{
    output.beforeWriteNode(this);
    const QString name = nodeName();
    // A name that is no XML name would make text that no reader accepts.
    if (!TkwvDOMtools::IsXmlName(name))
        throw DOMException(QStringLiteral("TkwvDOMElement.writeHeaderToXml: invalid element name \"%1\"").arg(name));
    if (fAttributes.length() > TkwvXmlToDomParser::kMaxAttributes)
        throw DOMException(QStringLiteral("TkwvDOMElement.writeHeaderToXml: more than %1 attributes on \"%2\"")
                               .arg(TkwvXmlToDomParser::kMaxAttributes)
                               .arg(name));
    output.writeLineStart(QString(u'<' + name));
    fAttributes.writeToXml(output);
    if (hasChildNodes()) {
        output.writeText(u">");
        return true;
    }
    output.writeLineEnd(u"/>");
    return false;
}

void TkwvDOMElement::writeInnerToXml(IkwvDomToXmlOutput& output)
{
    fChildNodes.writeToXml(output);
}

void TkwvDOMElement::writeFooterToXml(IkwvDomToXmlOutput& output)
{
    output.writeLineEnd(QString(QStringLiteral("</") + nodeName() + u'>'));
}

void TkwvDOMxmlDclType::writeToXml(IkwvDomToXmlOutput& output)
{
    output.beforeWriteNode(this);
    const QString name = nodeName();
    if (!name.startsWith(u'?') || !TkwvDOMtools::IsXmlName(QStringView(name).mid(1)))
        throw DOMException(QStringLiteral("TkwvDOMxmlDclType.writeToXml: invalid declaration name \"%1\"").arg(name));
    output.writeLineStart(QString(u'<' + name));
    for (const NodePtr& a : fAttributes.Nodes())
        output.writeAttribute(a->nodeName(), a->nodeValue());
    output.writeLineEnd(u"?>");
}

// ---------------------------------------------------------------------------
// Character data, attributes

QString TkwvDOMCharacterData::substringData(qint32 offset, qint32 count) const
{
    if (offset < 0 || count <= 0 || offset >= fData.size())
        return QString();
    return fData.mid(offset, count);
}

void TkwvDOMCharacterData::insertData(qint32, const QString&)
{
    DOMRaiseNotSupported(QStringLiteral("insertData"));
}

void TkwvDOMCharacterData::deleteData(qint32, qint32)
{
    DOMRaiseNotSupported(QStringLiteral("deleteData"));
}

void TkwvDOMCharacterData::replaceData(qint32, qint32, const QString&)
{
    DOMRaiseNotSupported(QStringLiteral("replaceData"));
}

void TkwvDOMText::writeToXml(IkwvDomToXmlOutput& output)
{
    output.beforeWriteNode(this);
    output.writeEscapedText(fData);
}

std::shared_ptr<TkwvDOMText> TkwvDOMText::splitText(qint32)
{
    DOMRaiseNotSupported(QStringLiteral("splitText"));
}

void TkwvDOMCDATASection::writeToXml(IkwvDomToXmlOutput& output)
{
    output.beforeWriteNode(this);
    output.writeText(u"<![CDATA[");
    // The body is written as it is, with two mends: characters not allowed
    // in XML are mended, and the section is split after every "]]" that is
    // followed by ">", a blank or "/". "]]>" would end the section early, and
    // the reader takes "<![CDATA[" up to the first blank or "/" as one word,
    // which must not end in "]]".
    QString body;
    TkwvDOMtools::XmlValidTo(fData, body);
    qsizetype from = 0;
    for (qsizetype at = body.indexOf(u"]]"); at >= 0; at = body.indexOf(u"]]", at + 1)) {
        if (at + 2 >= body.size())
            break;
        const char16_t next = body.at(at + 2).unicode();
        if (next != u'>' && next != u' ' && next != u'\t' && next != u'\n' && next != u'\r' && next != u'/')
            continue;
        output.writeText(QStringView(body).mid(from, at + 2 - from));
        output.writeText(u"]]><![CDATA[");
        from = at + 2;
    }
    output.writeText(QStringView(body).mid(from));
    output.writeText(u"]]>");
}

void TkwvDOMAttr::checkAttach(TkwvDOMDocument* ownerDocument) const
{
    TkwvDOMNodeBase::checkAttach(ownerDocument);
    if (!fNamespaceURI.isEmpty() && ownerDocument->AddsNamespaceDeclarations() && prefix().isEmpty()
        && fNodeName != u"xmlns")
        throw DOMException(QStringLiteral("TkwvDOMAttr.DocAttach: Namespace error."));
}

void TkwvDOMAttr::DocAttach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase* parent)
{
    checkAttach(ownerDocument);
    fParentNode = parent;
    if (fNamespaceURI.isEmpty() || !ownerDocument->AddsNamespaceDeclarations())
        return;
    const QString pfx = prefix();
    if (pfx.isEmpty())
        return;
    if (lookupNamespaceURI(pfx) != fNamespaceURI) {
        if (TkwvDOMElement* e = parent ? parent->asElement() : nullptr)
            e->setAttributeNS(XmlnsNamespaceURI(), QStringLiteral("xmlns:") + pfx, fNamespaceURI);
    }
}

void TkwvDOMAttr::writeToXml(IkwvDomToXmlOutput& output)
{
    output.beforeWriteNode(this);
    output.writeAttribute(fNodeName, fNodeValue);
}

std::shared_ptr<TkwvDOMElement> TkwvDOMAttr::ownerElement() const
{
    TkwvDOMElement* e = fParentNode ? fParentNode->asElement() : nullptr;
    if (!e)
        throw DOMException(QStringLiteral("TkwvDOMAttr.get_ownerElement: parent has an invalid type or is not set"));
    return std::static_pointer_cast<TkwvDOMElement>(e->shared_from_this());
}

// ---------------------------------------------------------------------------
// TkwvDOMDocument

TkwvDOMDocument::TkwvDOMDocument(TkwvDOMImplementation* implementation)
    : fWrapperDOMImpl(implementation)
    , fPool(TkwvDOMNodePool::Create())
{
}

TkwvDOMDocument::~TkwvDOMDocument()
{
    if (fDocumentElement)
        fDocumentElement->fParentNode = nullptr;
    if (fXmlDeclNode)
        fXmlDeclNode->fParentNode = nullptr;
    {
        // The tree is usually freed here as a whole, node after node.
        TkwvDOMNodePoolHold hold(fPool);
        fDocumentElement.reset();
        fXmlDeclNode.reset();
    }
    fPool->Release();
}

std::shared_ptr<TkwvDOMDocument> TkwvDOMDocument::ownerDocument() const
{
    return std::static_pointer_cast<TkwvDOMDocument>(std::const_pointer_cast<TkwvDOMNodeBase>(shared_from_this()));
}

std::shared_ptr<TkwvDOMNodeList> TkwvDOMDocument::childNodes()
{
    auto list = std::make_shared<TkwvDOMNodeList>();
    if (fXmlDeclNode)
        list->appendChild(fXmlDeclNode);
    if (fDocumentElement)
        list->appendChild(fDocumentElement);
    return list;
}

TkwvDOMNodeBase::NodePtr TkwvDOMDocument::firstChild() const
{
    if (fXmlDeclNode)
        return fXmlDeclNode;
    return fDocumentElement;
}

TkwvDOMNodeBase::NodePtr TkwvDOMDocument::lastChild() const
{
    if (fDocumentElement)
        return fDocumentElement;
    return fXmlDeclNode;
}

bool TkwvDOMDocument::hasChildNodes() const
{
    return fXmlDeclNode || fDocumentElement;
}

TkwvDOMNodeBase::NodePtr TkwvDOMDocument::appendChild(const NodePtr& newChild)
{
    if (!newChild)
        throw DOMException(QStringLiteral("TkwvDOMDocument.appendChild: no node"));
    if (newChild->asXmlDecl()) {
        if (fXmlDeclNode)
            throw DOMException(QStringLiteral("TkwvDOMDocument.appendChild: there is already an xml declaration node"));
        set_xmlDeclNode(std::static_pointer_cast<TkwvDOMxmlDclType>(newChild));
        return newChild;
    }
    if (fDocumentElement)
        throw DOMException(QStringLiteral("TkwvDOMDocument.appendChild: there is already an document element node"));
    if (!newChild->asElement())
        throw EIntfCastError();
    set_documentElement(std::static_pointer_cast<TkwvDOMElement>(newChild));
    return newChild;
}

TkwvDOMNodeBase::NodePtr TkwvDOMDocument::removeChild(const NodePtr& oldChild)
{
    if (!oldChild)
        return NodePtr();
    if (oldChild.get() == fDocumentElement.get()) {
        set_documentElement(nullptr);
        return oldChild;
    }
    if (oldChild.get() == fXmlDeclNode.get()) {
        set_xmlDeclNode(nullptr);
        return oldChild;
    }
    return NodePtr();
}

TkwvDOMNodeBase::NodePtr TkwvDOMDocument::findNextChild(const TkwvDOMNodeBase* child) const
{
    if (!child)
        return NodePtr();
    if (fXmlDeclNode && child == fXmlDeclNode.get())
        return fDocumentElement;
    if (fDocumentElement && child == fDocumentElement.get())
        return NodePtr();
    throw DOMException(QStringLiteral("TkwvDOMDocument.findNextChild: invalid child node: not a child of document"));
}

TkwvDOMNodeBase::NodePtr TkwvDOMDocument::findPreviousChild(const TkwvDOMNodeBase* child) const
{
    if (!child)
        return NodePtr();
    if (fDocumentElement && child == fDocumentElement.get())
        return fXmlDeclNode;
    if (fXmlDeclNode && child == fXmlDeclNode.get())
        return NodePtr();
    throw DOMException(QStringLiteral("TkwvDOMDocument.findPreviousChild: invalid child node: not a child of document"));
}

QString TkwvDOMDocument::xml() const
{
    TkwvDomToXmlParser writer;
    writer.set_IncludeXmlDecl(true);
    writer.set_IncludeOuter(true);
    writer.set_ManageNamespaces(fManageNamespaces);
    return writer.writeToString(std::const_pointer_cast<TkwvDOMNodeBase>(shared_from_this()));
}

void TkwvDOMDocument::checkAttach(TkwvDOMDocument*) const
{
    throw DOMException(QStringLiteral("TkwvDOMDocument.DocAttach: a document cannot be a child"));
}

void TkwvDOMDocument::DocAttach(TkwvDOMDocument* ownerDocument, TkwvDOMNodeBase*)
{
    checkAttach(ownerDocument);
}

std::shared_ptr<TkwvDOMNodeBase> TkwvDOMDocument::doctype() const
{
    DOMRaiseNotSupported(QStringLiteral("get_doctype"));
}

std::shared_ptr<TkwvDOMImplementation> TkwvDOMDocument::domImplementation() const
{
    return fWrapperDOMImpl ? fWrapperDOMImpl->weak_from_this().lock() : nullptr;
}

void TkwvDOMDocument::set_documentElement(const std::shared_ptr<TkwvDOMElement>& element)
{
    if (element == fDocumentElement)
        return;
    // The new element is checked before the old one is let go, so a refused
    // element leaves the document as it was.
    if (element) {
        if (element->asXmlDecl())
            throw DOMException(QStringLiteral("TkwvDOMDocument.set_documentElement: a declaration cannot be the document element"));
        element->checkAttach(this);
    }
    if (fDocumentElement) {
        fDocumentElement->DocDetach(this, this);
        fDocumentElement.reset();
    }
    if (element) {
        element->DocAttach(this, this);
        fDocumentElement = element;
    }
}

void TkwvDOMDocument::set_xmlDeclNode(const std::shared_ptr<TkwvDOMxmlDclType>& node)
{
    if (node == fXmlDeclNode)
        return;
    if (node)
        node->checkAttach(this);
    if (fXmlDeclNode) {
        fXmlDeclNode->DocDetach(this, this);
        fXmlDeclNode.reset();
    }
    if (node) {
        node->DocAttach(this, this);
        fXmlDeclNode = node;
    }
}

std::shared_ptr<TkwvDOMxmlDclType> TkwvDOMDocument::get_xmlDeclNodeForced()
{
    if (!fXmlDeclNode) {
        auto decl = std::allocate_shared<TkwvDOMxmlDclType>(TkwvPoolAllocator<TkwvDOMxmlDclType>(fPool), this, QString(), QStringLiteral("?xml"));
        decl->DocAttach(this, this);
        fXmlDeclNode = decl;
        decl->setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    }
    return fXmlDeclNode;
}

std::shared_ptr<TkwvDOMElement> TkwvDOMDocument::createElement(const QString& tagName)
{
    return std::allocate_shared<TkwvDOMElement>(TkwvPoolAllocator<TkwvDOMElement>(fPool), this, QString(), tagName);
}

std::shared_ptr<TkwvDOMElement> TkwvDOMDocument::createElementNS(const QString& namespaceURI, const QString& qualifiedName)
{
    return std::allocate_shared<TkwvDOMElement>(TkwvPoolAllocator<TkwvDOMElement>(fPool), this, namespaceURI, qualifiedName);
}

std::shared_ptr<TkwvDOMAttr> TkwvDOMDocument::createAttribute(const QString& name)
{
    return std::allocate_shared<TkwvDOMAttr>(TkwvPoolAllocator<TkwvDOMAttr>(fPool), this, QString(), name, true);
}

std::shared_ptr<TkwvDOMAttr> TkwvDOMDocument::createAttributeNS(const QString& namespaceURI, const QString& qualifiedName)
{
    return std::allocate_shared<TkwvDOMAttr>(TkwvPoolAllocator<TkwvDOMAttr>(fPool), this, namespaceURI, qualifiedName, true);
}

std::shared_ptr<TkwvDOMText> TkwvDOMDocument::createTextNode(const QString& data)
{
    return std::allocate_shared<TkwvDOMText>(TkwvPoolAllocator<TkwvDOMText>(fPool), this, data);
}

std::shared_ptr<TkwvDOMComment> TkwvDOMDocument::createComment(const QString& data)
{
    return std::allocate_shared<TkwvDOMComment>(TkwvPoolAllocator<TkwvDOMComment>(fPool), this, data);
}

std::shared_ptr<TkwvDOMCDATASection> TkwvDOMDocument::createCDATASection(const QString& data)
{
    return std::allocate_shared<TkwvDOMCDATASection>(TkwvPoolAllocator<TkwvDOMCDATASection>(fPool), this, data);
}

std::shared_ptr<TkwvDOMProcessingInstruction> TkwvDOMDocument::createProcessingInstruction(const QString& target,
                                                                                          const QString& data)
{
    auto pi = std::allocate_shared<TkwvDOMProcessingInstruction>(TkwvPoolAllocator<TkwvDOMProcessingInstruction>(fPool), this, target);
    pi->set_data(data);
    return pi;
}

std::shared_ptr<TkwvDOMEntityReference> TkwvDOMDocument::createEntityReference(const QString& name)
{
    return std::allocate_shared<TkwvDOMEntityReference>(TkwvPoolAllocator<TkwvDOMEntityReference>(fPool), this, name);
}

std::shared_ptr<TkwvDOMDocumentFragment> TkwvDOMDocument::createDocumentFragment()
{
    return std::allocate_shared<TkwvDOMDocumentFragment>(TkwvPoolAllocator<TkwvDOMDocumentFragment>(fPool), this);
}

std::shared_ptr<TkwvDOMNodeList> TkwvDOMDocument::getElementsByTagName(const QString&) const
{
    DOMRaiseNotSupported(QStringLiteral("getElementsByTagName"));
}

std::shared_ptr<TkwvDOMNodeList> TkwvDOMDocument::getElementsByTagNameNS(const QString&, const QString&) const
{
    DOMRaiseNotSupported(QStringLiteral("getElementsByTagNameNS"));
}

std::shared_ptr<TkwvDOMElement> TkwvDOMDocument::getElementById(const QString&) const
{
    DOMRaiseNotSupported(QStringLiteral("getElementById"));
}

TkwvDOMNodeBase::NodePtr TkwvDOMDocument::importNode(const NodePtr&, bool)
{
    DOMRaiseNotSupported(QStringLiteral("importNode"));
}

QString TkwvDOMDocument::Encoding()
{
    return get_xmlDeclNodeForced()->getAttribute(u"encoding");
}

void TkwvDOMDocument::set_Encoding(const QString& value)
{
    if (value.isEmpty())
        get_xmlDeclNodeForced()->removeAttribute(u"encoding");
    else
        get_xmlDeclNodeForced()->setAttribute(QStringLiteral("encoding"), value);
}

QString TkwvDOMDocument::Standalone()
{
    return get_xmlDeclNodeForced()->getAttribute(u"standalone");
}

void TkwvDOMDocument::set_Standalone(const QString& value)
{
    if (value.isEmpty())
        get_xmlDeclNodeForced()->removeAttribute(u"standalone");
    else
        get_xmlDeclNodeForced()->setAttribute(QStringLiteral("standalone"), value);
}

QString TkwvDOMDocument::Version()
{
    return get_xmlDeclNodeForced()->getAttribute(u"version");
}

void TkwvDOMDocument::set_Version(const QString& value)
{
    get_xmlDeclNodeForced()->setAttribute(QStringLiteral("version"), value);
}

void TkwvDOMDocument::set_async(bool value)
{
    if (value)
        DOMRaiseNotSupported(QStringLiteral("set_async(True)"));
}

void TkwvDOMDocument::set_resolveExternals(bool value)
{
    if (value)
        DOMRaiseNotSupported(QStringLiteral("set_resolveExternals(True)"));
}

void TkwvDOMDocument::set_validate(bool value)
{
    if (value)
        DOMRaiseNotSupported(QStringLiteral("set_validate(True)"));
}

bool TkwvDOMDocument::loadxml(const QString& value)
{
    // The reader is the document's only user until it is done.
    TkwvDOMNodePoolHold hold(fPool);
    TkwvXmlToDomParser reader;
    return reader.writeFromString(shared_from_this(), value, fParseError);
}

bool TkwvDOMDocument::loadFromStream(QIODevice* stream)
{
    // The reader is the document's only user until it is done.
    TkwvDOMNodePoolHold hold(fPool);
    TkwvXmlToDomParser reader;
    return reader.writeFromStream(shared_from_this(), stream, fParseError);
}

void TkwvDOMDocument::saveToStream(QIODevice* stream)
{
    TkwvDomToXmlParser writer;
    writer.set_IncludeXmlDecl(true);
    writer.set_IncludeOuter(true);
    writer.set_ManageNamespaces(fManageNamespaces);
    writer.writeToStream(shared_from_this(), stream);
}

bool TkwvDOMDocument::load(const QString&)
{
    DOMRaiseNotSupported(QStringLiteral("load(object)"));
}

void TkwvDOMDocument::save(const QString&)
{
    DOMRaiseNotSupported(QStringLiteral("save(object)"));
}

void TkwvDOMDocument::set_OnAsyncLoad(const std::function<void()>&)
{
    DOMRaiseNotSupported(QStringLiteral("set_OnAsyncLoad"));
}

// ---------------------------------------------------------------------------
// Implementation, vendor and registry

std::shared_ptr<TkwvDOMDocument> TkwvDOMImplementation::createDocument(const QString&, const QString&,
                                                                       const std::shared_ptr<TkwvDOMNodeBase>&)
{
    return std::make_shared<TkwvDOMDocument>(this);
}

std::shared_ptr<TkwvDOMNodeBase> TkwvDOMImplementation::createDocumentType(const QString&, const QString&, const QString&)
{
    DOMRaiseNotSupported(QStringLiteral("createDocumentType"));
}

bool TkwvDOMImplementation::hasFeature(const QString&, const QString&) const
{
    return false;
}

std::shared_ptr<TkwvDOMImplementation> TkwvDOMImplementationFactory::DOMImplementation()
{
    std::lock_guard<std::mutex> lock(fLock);
    if (!fGlobalDOMImpl)
        fGlobalDOMImpl = std::make_shared<TkwvDOMImplementation>();
    return fGlobalDOMImpl;
}

namespace {

// The registry holds the system's own vendor from the start, so no start-up
// order between units matters.
struct VendorRegistry {
    std::mutex lock;
    TkwvDOMImplementationFactory kwvFactory;
    std::vector<TDOMVendor*> vendors { &kwvFactory };
    QString defaultVendor = QLatin1String(kKwvDOMVendorDescription);
};

VendorRegistry& registry()
{
    static VendorRegistry r;
    return r;
}

} // namespace

void RegisterDOMVendor(TDOMVendor* vendor)
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.lock);
    if (vendor && std::find(r.vendors.begin(), r.vendors.end(), vendor) == r.vendors.end())
        r.vendors.push_back(vendor);
}

void UnRegisterDOMVendor(TDOMVendor* vendor)
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.lock);
    r.vendors.erase(std::remove(r.vendors.begin(), r.vendors.end(), vendor), r.vendors.end());
}

TDOMVendor* GetDOMVendor(const QString& vendorDesc)
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.lock);
    for (TDOMVendor* v : r.vendors)
        if (v->Description().compare(vendorDesc, Qt::CaseInsensitive) == 0)
            return v;
    throw DOMException(QStringLiteral("No matching DOM Vendor: \"%1\"").arg(vendorDesc));
}

std::shared_ptr<TkwvDOMImplementation> GetDOM(const QString& vendorDesc)
{
    return GetDOMVendor(vendorDesc.isEmpty() ? DefaultDOMVendor() : vendorDesc)->DOMImplementation();
}

QString DefaultDOMVendor()
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.lock);
    return r.defaultVendor;
}

void SetDefaultDOMVendor(const QString& vendorDesc)
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.lock);
    r.defaultVendor = vendorDesc;
}
