#pragma once
// Order files: the serializer set-up shared by saved orders, the order
// backup and the lab order file, and the hooks that store the order's
// photos by reference.
//
// A photo is never written with its own properties: wherever it is the
// value of a property or an array item, the document holds an element
// <OrderImage id="..." label="..." data="..."/>. On load every such
// element resolves to one photo object per id, re-created once by the
// main frame's media sources.
#include "UXmlSerializer.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

class IMainFrame;
class TPrintOrder;
class TOrderImageBase;

class TOrderFiles {
public:
    TOrderFiles() = delete;

    // Element name of a photo reference.
    static const QString& OrderImageElement();

    // Registers the classes of order documents under their element names
    // and keeps the serializer to registered classes only.
    static void RegisterClasses(TXMLSerializer& ser);
    // The registered element names, in registration order (for checks).
    static QStringList RegisteredElementNames();

    // Writes photos as references.
    static void InstallSaveHook(TXMLSerializer& ser);
};

// Resolves the photo references of one order document into the photos of
// the order being loaded. Photos it had re-created and that the order did
// not take (a failed load, a document whose photo list misses one) are
// freed or adopted by Finish / Abandon; the object must outlive the load.
class TOrderImageReloader {
public:
    TOrderImageReloader(TPrintOrder* order, IMainFrame* main);
    ~TOrderImageReloader();
    TOrderImageReloader(const TOrderImageReloader&) = delete;
    TOrderImageReloader& operator=(const TOrderImageReloader&) = delete;

    void Install(TXMLSerializer& ser);
    // After a successful load: photos referred to somewhere but missing
    // from the order's photo list join it, so that every photo has its one
    // owner.
    void Finish();
    // After a failed load, before the order is freed: frees the photos the
    // order did not take.
    void Abandon();

private:
    TOrderImageBase* resolve(const QString& id, const QString& label, const QString& data);

    TPrintOrder* fOrder;
    IMainFrame* fMain;
    QHash<QString, TOrderImageBase*> fById;
    std::vector<TOrderImageBase*> fCreated;
};
