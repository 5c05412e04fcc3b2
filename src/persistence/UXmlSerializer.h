#pragma once
// The object serializer: turns a tree of described objects (TRemotable and
// its descendants, see URttiCache.h) into an XML document and back.
//
// Every persistent document of the system goes through it: the
// configuration, the language dictionaries, saved and backed-up orders, the
// lab order file, the catalogue caches. Saving streams the elements out as
// soon as they are complete (TXMLSerializerParserToXml), loading follows the
// reader element by element (TXMLSerializerParserToDom), so only the open
// path of the tree is held as XML at any time.
//
// Document format:
//   <?xml version="1.0" encoding="UTF-8"?>            (UTF-8 with BOM, CR LF)
//   <XmlSerializerV1_0>                               (XMLRootId)
//     <Config>                                        (registered class name)
//       <Config.Login type="UString">shop</Config.Login>
//       ...
// Property elements are "<object element>.<property>" with the kind in
// "type"; objects inside properties and array items are elements named by
// their class, array items carrying name="<index>".
#include "UAppExceptions.h"
#include "URttiCache.h"
#include "UXmlParser.h"

#include <QByteArray>
#include <QFileDevice>
#include <QFlags>
#include <QHash>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TXMLSerializer;

// Format and registration errors of the serializer.
class EXSSerializationException : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EXSSerializationException)
};

// An error raised while one property was written or read; the caught error
// is kept as the inner exception.
class EXSSetPropertyException : public EXSSerializationException {
public:
    EXSSetPropertyException(const QString& message, std::exception_ptr inner, const QString& innerText);
    KIOSK_EXCEPTION_CLASSNAME(EXSSetPropertyException)

    std::exception_ptr InnerException() const { return fInner; }
    // Class name and message of the inner exception, for logs and messages.
    const QString& InnerText() const { return fInnerText; }

private:
    std::exception_ptr fInner;
    QString fInnerText;
};

// Base of every document class. Described like the lab's records; adds
// nothing but the name.
class TXMLSerializable : public TRemotable {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// A document class that must know the object that owns it: the loader hands
// it the owner once it is loaded.
class TXMLSerializableNeedParent : public TXMLSerializable {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Keeps the owner and returns null when it is of the expected class;
    // otherwise returns the expected class (the load then fails).
    virtual const TClassInfo* GiveParent(TRemotable* parent) = 0;
};

// GiveParent of a class whose owner is a P: keeps it in held.
template<class P>
const TClassInfo* KeepParentOf(TRemotable* parent, P*& held)
{
    if (parent && parent->InheritsFrom(P::StaticClassInfo())) {
        held = static_cast<P*>(parent);
        return nullptr;
    }
    return &P::StaticClassInfo();
}

// Class body of a document class: declares its description, defined in the
// .cpp with KIOSK_SERIALIZABLE_DESCRIBE.
#define KIOSK_SERIALIZABLE_CLASS(Cls)                                          \
public:                                                                        \
    static const TClassInfo& StaticClassInfo();                                \
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); } \
    template <class>                                                           \
    friend class TClassBuilder;

// The description of a document class, in its .cpp: the body lists its
// stored properties in order, b.Property<Type>("Name", getter, setter,
// stored) (see TClassBuilder; stored may be nullptr: always stored).
// Abstract classes use KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT.
#define KIOSK_SERIALIZABLE_DESCRIBE_WITH_(Cls, Parent, Factory, ...)                                      \
    const TClassInfo& Cls::StaticClassInfo()                                                             \
    {                                                                                                    \
        static const TClassInfo* info = [] {                                                             \
            using Self = Cls;                                                                            \
            auto* built = new TClassInfo(QStringLiteral(#Cls), &Parent::StaticClassInfo(), Factory,      \
                                         QString(), QString());                                          \
            TClassBuilder<Self> b(*built);                                                               \
            (void)b;                                                                                     \
            __VA_ARGS__                                                                                  \
            TRttiRegistry::Register(*built);                                                             \
            return built;                                                                                \
        }();                                                                                             \
        return *info;                                                                                    \
    }

#define KIOSK_SERIALIZABLE_DESCRIBE(Cls, Parent, ...) \
    KIOSK_SERIALIZABLE_DESCRIBE_WITH_(Cls, Parent, [] { return std::unique_ptr<TRemotable>(new Cls()); }, __VA_ARGS__)

#define KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(Cls, Parent, ...) \
    KIOSK_SERIALIZABLE_DESCRIBE_WITH_(Cls, Parent, nullptr, __VA_ARGS__)

// The pseudo class under which scalar decimal values are registered
// ("Decimal", written as kind "XS:Decimal").
const TClassInfo& XSDecimalClassInfo();
// The same for date-time values (kind "XSDateTime").
const TClassInfo& XSDateTimeClassInfo();

enum class TxsStandaloneType { No, Yes };

enum TxsSpecialClassType { scTnoop = 0x1, scTonlyRegistered = 0x2 };
Q_DECLARE_FLAGS(TxsSpecialClassTypes, TxsSpecialClassType)
Q_DECLARE_OPERATORS_FOR_FLAGS(TxsSpecialClassTypes)

enum TxsStorageOptionType { soDotNetExport = 0x1 };
Q_DECLARE_FLAGS(TxsStorageOptionTypes, TxsStorageOptionType)
Q_DECLARE_OPERATORS_FOR_FLAGS(TxsStorageOptionTypes)

// Output settings of a serializer.
class TxsXMLSettings {
public:
    explicit TxsXMLSettings(TXMLSerializer* owner) : fSerializer(owner) { }

    // Empty reads as "UTF-8"; setting trims, and an empty result is "UTF-8".
    QString Encoding() const;
    void SetEncoding(const QString& value);
    // Whether Encoding differs from "UTF-8" (case ignored).
    bool EncodingStored() const;

    TxsStandaloneType Standalone() const { return fStandalone; }
    void SetStandalone(TxsStandaloneType value) { fStandalone = value; }
    bool XSNormalization() const { return fXSNormalization; }
    void SetXSNormalization(bool value) { fXSNormalization = value; }
    // Element wrapped around the root object; empty for none.
    const QString& XMLRootId() const { return fXMLRootId; }
    void SetXMLRootId(const QString& value) { fXMLRootId = value; }

    TXMLSerializer* Serializer() const { return fSerializer; }

private:
    TXMLSerializer* fSerializer;
    QString fEncoding = QStringLiteral("UTF-8");
    TxsStandaloneType fStandalone = TxsStandaloneType::No;
    bool fXSNormalization = true;
    QString fXMLRootId = QStringLiteral("XmlSerializerV1_0");
};

using TXMLClassDico = QHash<QString, const TClassInfo*>;
using TXMLClassDicoRev = QHash<const TClassInfo*, QString>;

using ElementPtr = std::shared_ptr<TkwvDOMElement>;

// One object element being loaded.
class TXMLSerializerNodeInfo {
public:
    TXMLSerializerNodeInfo(const QString& nodeName, TRemotable* instance, bool toFreeOnError);
    ~TXMLSerializerNodeInfo();

    QString NodeName;
    TRemotable* Instance;
    // The loader owns the instance until it is handed to its owner.
    bool ToFreeOnError;
    bool SkipProperties = false;
    // Property elements of a given root instance wait until the whole
    // document has been read, so that a cut document changes nothing; their
    // values are then read first and set only once every one of them was
    // read without error, so that a bad value changes nothing either.
    bool Deferred = false;
    // The sets waiting for the end of a deferred instance's properties.
    std::vector<std::function<void(TRemotable&)>> Staged;

    // The property list of the instance's class, fetched on first use.
    const TRttiCache& Props();
    // Frees the instance when the loader owns it.
    void FreeOnError();
    // Gives up ownership of the instance (it was handed to its owner).
    TRemotable* Release();

private:
    const TRttiCache* fProps = nullptr;
};

class TXMLSerializerParserToXml;
class TXMLSerializerParserToDom;

class TXMLSerializer {
public:
    using StartObjectSave = std::function<void(TXMLSerializer* aSender, TRemotable* aObject, const QString& aObjectName,
                                               TkwvDOMElement* aNodeParent, ElementPtr& aNodeResult, bool& aSkipObject)>;
    using EndObjectSave = std::function<void(TXMLSerializer* aSender, TRemotable* aObject, const QString& aObjectName,
                                             TkwvDOMElement* aNode)>;
    // An instance that the handler supplies for an element without one is
    // owned by the serializer from then on (it goes to the property that
    // claims it, or is freed).
    using StartObjectLoad = std::function<void(TXMLSerializer* aSender, TRemotable*& aObject, const QString& aObjectName,
                                               TkwvDOMElement* aNode, bool bLoadingPartial, bool& aSkipObject)>;
    using EndObjectLoad = std::function<void(TXMLSerializer* aSender, TRemotable* aObject, const QString& aObjectName,
                                             TkwvDOMElement* aNode)>;

    TXMLSerializer();
    ~TXMLSerializer();
    TXMLSerializer(const TXMLSerializer&) = delete;
    TXMLSerializer& operator=(const TXMLSerializer&) = delete;

    // --- options
    TxsSpecialClassTypes ClassesOptions;
    TxsStorageOptionTypes StorageOptions;
    bool AddType = true;
    // Largest document a load accepts, far above any real one (the largest
    // are the catalogue files): a longer one is refused before it is read.
    static constexpr qint64 kDefaultMaxInputSize = 32 << 20;
    qint64 MaxInputSize = kDefaultMaxInputSize;
    TxsXMLSettings& XMLSettings() { return fXMLSettings; }

    StartObjectSave OnStartObjectSave;
    EndObjectSave OnEndObjectSave;
    StartObjectLoad OnStartObjectLoad;
    EndObjectLoad OnEndObjectLoad;

    // --- save
    // Remembers the root object (not owned).
    void SaveObject(TRemotable* aInstance);
    // Writes the document into a temporary file beside aFileName and renames
    // it into place once complete, so an existing file is either the old one
    // or the new one, never a cut one. `permissions` are those of a new file
    // (default: the process's defaults; an existing file keeps its own).
    void SaveToFile(const QString& aFileName);
    void SaveToFile(const QString& aFileName, QFileDevice::Permissions permissions);
    // The same, scrambled with the program's key.
    void SaveToCryptedFile(const QString& aFileName);
    // The document's bytes (preamble included), for callers that post or
    // embed them.
    QByteArray SaveToBytes();

    // --- load
    void LoadFromFile(const QString& aFileName);
    void LoadFromCryptedFile(const QString& aFileName);
    // Loads from bytes held in memory (a reply, a resource).
    void LoadFromBytes(const QByteArray& bytes);
    // Loads the root element into aInstance (kept by the caller) and returns
    // the instance loaded (a load handler may have supplied another one).
    TRemotable* LoadObject(TRemotable* aInstance);
    // Creates the root object from its element name; the caller owns it.
    std::unique_ptr<TRemotable> LoadObject();
    template <class T>
    std::unique_ptr<T> LoadObjectAs();
    // Parses the input into the document without building objects.
    void LoadXmlData();

    // --- registration
    void ClassRegister(const TClassInfo& aCls, const QString& clsName = QString(), bool bAltName = false);
    void ClassUnregister(const TClassInfo& aCls, const QString& clsName = QString());
    bool IsClassRegistered(const TClassInfo& aCls, const QString& clsName = QString()) const;
    static void GlobalClassRegister(const TClassInfo& aCls, const QString& clsName = QString(), bool bAltName = false);
    static void GlobalClassUnregister(const TClassInfo& aCls, const QString& clsName = QString());
    static bool IsGlobalClassRegistered(const TClassInfo& aCls, const QString& clsName = QString());
    const TClassInfo* ClassFind(const QString& clsName) const;
    QString ClassName(const TClassInfo& aCls, bool registerRequired) const;
    QString ClassNameForInstance(const TRemotable* obj, bool registerRequired) const;
    bool ClassNameForInstanceIsOk(const TRemotable* obj, const QString& nodeName) const;
    std::unique_ptr<TRemotable> NewObject(const QString& clsName) const;

    // --- document building blocks
    ElementPtr NewNode(TkwvDOMElement* aParent, const QString& aNodeName, const QString& aPropertyName);
    ElementPtr NewProperty(TkwvDOMElement* aRootNode, const QString& aPropertyName, const QString& aPropertyType);
    std::shared_ptr<TkwvDOMDocument> XMLData();
    QString XMLString();
    void SetXMLString(const QString& text);

    // --- node tools (child elements only)
    static TkwvDOMElement* FindNodeByName(TkwvDOMElement* aRootNode, const QString& aName);
    static TkwvDOMElement* FindNodeByTag(TkwvDOMElement* aRootNode, const QString& aName);
    TkwvDOMElement* FindNodeByTagPath(TkwvDOMElement* aRootNode, const QStringList& tags);
    static TkwvDOMCharacterData* GetNodeText(TkwvDOMElement* aNode);
    static bool HasNodeValue(TkwvDOMElement* aNode, QString& value);
    static QString GetNodeValue(TkwvDOMElement* aNode);
    static void SetNodeValue(TkwvDOMElement* aNode, const QString& value);
    // The attribute's value; false and "" when the element has none.
    static bool GetNodeAttribute(TkwvDOMElement* aNode, const QString& name, QString& value);

    // --- the variant type-name table
    static QString VariantTypeName(int code);
    // The first code whose name equals `name` ignoring case, -1 for none.
    static int VariantTypeFromName(const QString& name);

private:
    friend class TXMLSerializerParserToXml;
    friend class TXMLSerializerParserToDom;

    void saveDocument(QIODevice& out, const char* operation);
    void SaveObjectLow(TkwvDOMElement* parentNode, TRemotable* obj, const QString& name, bool createNode);
    void SaveProperty(TkwvDOMElement* node, TRemotable* obj, const TPropInfo& prop);
    void loadStart(std::unique_ptr<QIODevice> stream, const QString& name);
    TRemotable* LoadObjectInto(TRemotable* aInstance, std::unique_ptr<TRemotable>* created);

public:
    // Used by the streaming loader.
    // The object of a child element; *isReference tells whether it is a
    // reference a load handler keeps (never to be freed here).
    std::unique_ptr<TRemotable> LoadObjectChild(TRemotable* parent, TkwvDOMElement* element,
                                                bool* isReference = nullptr);
    void LoadProperty(TXMLSerializerNodeInfo& nodeInfo, TkwvDOMElement* element);
    void LoadObjectLowProps(TXMLSerializerNodeInfo& nodeInfo, TkwvDOMElement* element);

private:
    void LoadPropertyLow(TXMLSerializerNodeInfo& nodeInfo, TkwvDOMElement* element, const TPropInfo& prop);
    void loadArray(TXMLSerializerNodeInfo& nodeInfo, TkwvDOMElement* element, const TPropInfo& prop,
                   const QString& kind);
    void giveParentToSerialized(TRemotable* parent, TRemotable* child);

    std::shared_ptr<TkwvDOMDocument> fXMLData;
    std::unique_ptr<QIODevice> fInputStream;
    TRemotable* fRootObject = nullptr;
    TXMLSerializerParserToXml* fWriter = nullptr;
    TXMLSerializerParserToDom* fParser = nullptr;
    std::unique_ptr<TXMLSerializerParserToDom> fParserObj;
    TxsXMLSettings fXMLSettings;
    std::unique_ptr<TXMLClassDico> fClassDico;
    std::unique_ptr<TXMLClassDicoRev> fClassDicoRev;
};

template <class T>
std::unique_ptr<T> TXMLSerializer::LoadObjectAs()
{
    std::unique_ptr<TRemotable> obj = LoadObject();
    if (!obj || !obj->InheritsFrom(T::StaticClassInfo()))
        throw EXSSerializationException(QStringLiteral("Xml node ") + (obj ? obj->ClassInfo().ClassName() : QString())
                                        + QStringLiteral(" invalid, should match class ")
                                        + T::StaticClassInfo().ClassName());
    return std::unique_ptr<T>(static_cast<T*>(obj.release()));
}
