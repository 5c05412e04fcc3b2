#include "UOrderFiles.h"

#include "UCustomizedPage.h"
#include "UDebug.h"
#include "UImageEffects.h"
#include "ULabAlbumContracts.h"
#include "ULabHistoContracts.h"
#include "ULabOrderFile.h"
#include "ULabPrintContracts.h"
#include "ULabTemplateContracts.h"
#include "UOrderSend.h"
#include "UPrintOrder.h"
#include "UTextBloc.h"

#include <QFile>
#include <QFileInfo>

namespace {

// One class of order documents: its description and its element name.
struct TOrderFileClass {
    const TClassInfo& (*info)();
    const char* className;
    const char* element;
};

template <class T>
const TClassInfo& infoOf()
{
    return T::StaticClassInfo();
}

const TOrderFileClass kClasses[] = {
    { &infoOf<TPrintOrder>, "TPrintOrder", "PrintOrder" },
    { &infoOf<TTirageProduct>, "TTirageProduct", "PrintProduct" },
    { &infoOf<TTemplateProduct>, "TTemplateProduct", "TemplateProduct" },
    { &infoOf<TAlbumProduct>, "TAlbumProduct", "AlbumProduct" },
    { &infoOf<TImageTirageGroupData>, "TImageTirageGroupData", "ImagePrintGroupData" },
    { &infoOf<TImageTirageData>, "TImageTirageData", "ImagePrintData" },
    { &infoOf<TImageEffects>, "TImageEffects", "ImageEffects" },
    { &infoOf<TImageEffectOpItem>, "TImageEffectOpItem", "ImageEffectOpItem" },
    { &infoOf<TCustomizedFrame>, "TCustomizedFrame", "CustomizedFrame" },
    { &infoOf<TCustomizedPage>, "TCustomizedPage", "CustomizedPage" },
    { &infoOf<TCustomizedAlbumPage>, "TCustomizedAlbumPage", "CustomizedAlbumPage" },
    { &infoOf<TCustomizedAlbumCover>, "TCustomizedAlbumCover", "CustomizedAlbumCover" },
    { &infoOf<TFrameBorder>, "TFrameBorder", "FrameBorder" },
    { &infoOf<TClipartFrame>, "TClipartFrame", "ClipartFrame" },
    { &infoOf<TTextBloc>, "TTextBloc", "TextBloc" },
    { &infoOf<Adresse2>, "Adresse2", "Address" },
    { &infoOf<Tirage2>, "Tirage2", "Print" },
    { &infoOf<AlbumPhotographe2>, "AlbumPhotographe2", "AlbumPhotographe" },
    { &infoOf<ZebtemplateVelmora2>, "ZebtemplateVelmora2", "TemplateVelmora" },
    { &infoOf<Vignette2>, "Vignette2", "Vignette" },
    { &infoOf<CouleurMatiere2>, "CouleurMatiere2", "MaterColor" },
    { &infoOf<TPrintOrderSerial>, "TPrintOrderSerial", "CommandSerial" },
    { &infoOf<Consommateur2>, "Consommateur2", "Consommateur" },
    { &infoOf<CommandeTemplate2>, "CommandeTemplate2", "CommandeTemplate" },
    { &infoOf<CommandeTemplateCadre2>, "CommandeTemplateCadre2", "CommandeTemplateCadre" },
    { &infoOf<LigneDeCommande2>, "LigneDeCommande2", "LigneDeCommande" },
    { &infoOf<HistoConsoCommande2>, "HistoConsoCommande2", "HistoConsoCommande" },
    { &infoOf<GammeFond2>, "GammeFond2", "BackgroundRange" },
    { &infoOf<FondAlbum2>, "FondAlbum2", "BackgroundAlbum" },
    { &infoOf<TemplateCalendrier2>, "TemplateCalendrier2", "TemplateCalendar" },
    { &infoOf<TemplateCalendrierImage2>, "TemplateCalendrierImage2", "TemplateCalendarImage" },
    { &infoOf<TWaitingProduct>, "TWaitingProduct", "WaitingProduct" },
    { &infoOf<CommandeAlbumPage2>, "CommandeAlbumPage2", "CommandeAlbumPage" },
    { &infoOf<CommandeAlbumCadre2>, "CommandeAlbumCadre2", "CommandeAlbumCadre" },
    { &infoOf<TOrderSendProgressItem>, "TOrderSendProgressItem", "SendProgressItem" },
};

template <class T>
std::vector<T*> listCopy(const TOwnerList<T>& list)
{
    std::vector<T*> out;
    for (T* item : list)
        out.push_back(item);
    return out;
}


} // namespace

// ------------------------------------------------------------------ TOrderFiles

const QString& TOrderFiles::OrderImageElement()
{
    static const QString name = QStringLiteral("OrderImage");
    return name;
}

void TOrderFiles::RegisterClasses(TXMLSerializer& ser)
{
    ser.ClassesOptions = TxsSpecialClassTypes(scTonlyRegistered);
    for (const TOrderFileClass& c : kClasses) {
        ser.ClassRegister(c.info(), QLatin1String(c.element));
    }
}

QStringList TOrderFiles::RegisteredElementNames()
{
    QStringList names;
    for (const TOrderFileClass& c : kClasses)
        names << QLatin1String(c.element);
    return names;
}

void TOrderFiles::InstallSaveHook(TXMLSerializer& ser)
{
    ser.OnStartObjectSave = [](TXMLSerializer* sender, TRemotable* obj, const QString& name,
                               TkwvDOMElement* parent, ElementPtr& result, bool& skip) {
        auto* image = dynamic_cast<TOrderImageBase*>(obj);
        if (!image)
            return;
        skip = true;
        const QString id = image->ImageID();
        // A photo without id cannot be found again: it is left out.
        if (id.isEmpty())
            return;
        result = sender->NewNode(parent, OrderImageElement(), name);
        result->setAttribute(QStringLiteral("id"), id);
        result->setAttribute(QStringLiteral("label"), image->ImageLabel());
        result->setAttribute(QStringLiteral("data"), image->ImageData());
    };
}

// --------------------------------------------------------- TOrderImageReloader

TOrderImageReloader::TOrderImageReloader(TPrintOrder* order, IMainFrame* main)
    : fOrder(order)
    , fMain(main)
{
}

TOrderImageReloader::~TOrderImageReloader() = default;

void TOrderImageReloader::Install(TXMLSerializer& ser)
{
    ser.OnStartObjectLoad = [this](TXMLSerializer*, TRemotable*& obj, const QString& name, TkwvDOMElement* node,
                                   bool partial, bool& skip) {
        if (name.compare(TOrderFiles::OrderImageElement(), Qt::CaseInsensitive) != 0)
            return;
        // The element never becomes an object of its own: the photo it
        // names is handed to the property as a reference.
        skip = true;
        if (partial)
            return;
        QString id, label, data;
        TXMLSerializer::GetNodeAttribute(node, QStringLiteral("id"), id);
        TXMLSerializer::GetNodeAttribute(node, QStringLiteral("label"), label);
        TXMLSerializer::GetNodeAttribute(node, QStringLiteral("data"), data);
        obj = resolve(id, label, data);
    };
}

TOrderImageBase* TOrderImageReloader::resolve(const QString& id, const QString& label, const QString& data)
{
    if (TOrderImageBase* own = fOrder->ImageUsedFind(id))
        return own;
    if (TOrderImageBase* known = fById.value(id, nullptr))
        return known;
    TOrderImageBase* image = fMain ? fMain->OrderImageReload(id, label, data) : nullptr;
    if (!image) {
        LogWarnFmt(QStringLiteral("TPrintOrder.TryLoadCreate: image %s could not be re-created"), { id });
        return nullptr;
    }
    fById.insert(id, image);
    fCreated.push_back(image);
    if (!image->IsImageValid())
        fOrder->SetImageUsedInvalidCount(fOrder->ImageUsedInvalidCount() + 1);
    return image;
}

void TOrderImageReloader::Finish()
{
    std::vector<TOrderImageBase*> missing;
    for (TOrderImageBase* image : fCreated) {
        if (fOrder->ImageUsedFind(image->ImageID()) != image)
            missing.push_back(image);
    }
    fCreated.clear();
    fById.clear();
    if (missing.empty())
        return;
    LogWarnFmt(QStringLiteral("TPrintOrder.TryLoadCreate: %d image(s) used but not listed, added to the order"),
               { int(missing.size()) });
    std::vector<TOrderImageBase*> all;
    for (TOrderImageBase* image : fOrder->usedImagesList())
        all.push_back(image);
    all.insert(all.end(), missing.begin(), missing.end());
    fOrder->SetImagesArray(TArray<TOrderImageBase*>(all));
}

void TOrderImageReloader::Abandon()
{
    for (TOrderImageBase* image : fCreated) {
        if (fOrder->ImageUsedFind(image->ImageID()) != image)
            delete image;
    }
    fCreated.clear();
    fById.clear();
}

// ------------------------------------------------------------ TPrintOrder

void TPrintOrder::Save(const QString& path)
{
    if (!fDirty)
        return;
    LogDebug(QStringLiteral("TPrintOrder.Save: path=") + path);
    TXMLSerializer ser;
    TOrderFiles::RegisterClasses(ser);
    TOrderFiles::InstallSaveHook(ser);
    ser.SaveObject(this);
    // Written beside the target and renamed into place: a failed save
    // leaves the previous file whole.
    ser.SaveToFile(path);
    fDirty = false;
}

void TPrintOrder::SaveOrDelete(const QString& path)
{
    if (!IsEmpty()) {
        Save(path);
        return;
    }
    if (QFileInfo::exists(path)) {
        if (!QFile::remove(path))
            throw Exception(QStringLiteral("TPrintOrder.SaveOrDelete: cannot delete ") + path);
        fDirty = false;
    }
}

std::unique_ptr<TPrintOrder> TPrintOrder::TryLoadCreate(IMainFrame* main, const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return nullptr;
    LogDebug(QStringLiteral("TPrintOrder.TryLoadCreate: path=") + path);
    auto order = std::make_unique<TPrintOrder>(main);
    TOrderImageReloader reloader(order.get(), main);
    try {
        {
            TXMLSerializer ser;
            TOrderFiles::RegisterClasses(ser);
            ser.LoadFromFile(path);
            reloader.Install(ser);
            ser.LoadObject(order.get());
        }
        reloader.Finish();
    } catch (...) {
        // The serializer is gone: nothing it parked refers to the photos
        // any more.
        reloader.Abandon();
        throw;
    }
    order->fDirty = false;
    order->fJustReloaded = true;

    // Products whose catalogue entry is gone are dropped, and say so.
    auto dropped = [&order](TProduct* p) {
        order->fProdReloadMessage += QStringLiteral("\r\n- ") + p->ProductLabel() + QStringLiteral(": not found, removed");
    };
    for (TTirageProduct* p : listCopy(order->TirageProducts())) {
        if (!p->XMLloadFinalize(order.get(), main)) {
            dropped(p);
            order->TirageProductDel(p, false);
        }
    }
    for (TTemplateProduct* p : listCopy(order->TemplatesProducts())) {
        if (!p->XMLloadFinalize(order.get(), main)) {
            dropped(p);
            order->TemplateProductDel(p, false);
        }
    }
    for (TAlbumProduct* p : listCopy(order->AlbumsProducts())) {
        if (!p->XMLloadFinalize(order.get(), main)) {
            dropped(p);
            order->AlbumProductDel(p, false);
        }
    }
    return order;
}
