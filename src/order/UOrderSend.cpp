#include "UOrderSend.h"

#include "LumLabService.h"
#include "UConfig.h"
#include "UDebug.h"
#include "UFormat.h"
#include "UAlbumProduct.h"
#include "UCustomizedPage.h"
#include "UPrintOrder.h"
#include "UTemplateProduct.h"
#include "UThreadCancel.h"
#include "UTools.h"
#include "ULabAlbumContracts.h"
#include "ULabTemplateContracts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <mutex>
#include <thread>

namespace {

std::mutex gPrinterSync;
TOrderSend::TPrinterFactory gPrinterFactory;

std::vector<const LigneDeCommande2*> constLines(const TOwnerList<LigneDeCommande2>& lines)
{
    std::vector<const LigneDeCommande2*> out;
    for (LigneDeCommande2* line : lines)
        out.push_back(line);
    return out;
}

// The lab service of the web-service queue's proxy; any other main frame
// has none, and the operation is refused with its own failure text.
ILumLabServiceRef labService(IMainFrame* main, const QString& failure)
{
    ILumLabServiceRef service = main->GetWebSvcLum();
    if (!service)
        throw EOrder(failure);
    return service;
}

// The file name part of a photo id ("/media/usb/DCIM/a.jpg", "res\\b.png").
QString idFileName(const QString& imageId)
{
    const qsizetype cut = std::max(imageId.lastIndexOf(QLatin1Char('/')), imageId.lastIndexOf(QLatin1Char('\\')));
    QString name = imageId.mid(cut + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("image");
    return name;
}

TTemplateProduct* templateOf(const TSubOrder& sub)
{
    auto* product = dynamic_cast<TTemplateProduct*>(sub.product);
    if (!product)
        throw Exception(QStringLiteral("TOrderSend: the template sub-order has no template product"));
    return product;
}

TAlbumProduct* albumOf(const TSubOrder& sub)
{
    auto* product = dynamic_cast<TAlbumProduct*>(sub.product);
    if (!product)
        throw Exception(QStringLiteral("TOrderSend: the photo-book sub-order has no photo book"));
    return product;
}

// The pages whose frames go to the lab: every page of a template product,
// the customizable pages of a photo book; in page-list order.
std::vector<TCustomizedPageBase*> sentPages(TProduct* product, bool album)
{
    std::vector<TCustomizedPageBase*> out;
    IArcList<TCustomizedPageBase*> pages = product ? product->GetPagesList() : nullptr;
    if (!pages)
        return out;
    for (int i = 0; i < pages->GetCount(); ++i) {
        TCustomizedPageBase* page = pages->GetItem(i);
        if (page && (!album || page->IsCustomizable()))
            out.push_back(page);
    }
    return out;
}

// Every frame that goes to the lab, page by page, bottom first.
void forEachSentFrame(const TSubOrder& sub,
                      const std::function<void(TCustomizedPageBase*, TCustomizedFrame*)>& each)
{
    for (TCustomizedPageBase* page : sentPages(sub.product, sub.kind == TSubOrderKind::sokAlbum))
        for (TCustomizedFrame* frame : page->CustomizedFrameList())
            if (frame->isToSendToLumlab())
                each(page, frame);
}

// A print file, cropped; a picture not ready yet is asked again.
QString transferWithRetry(IMainFrame* main, TImageToTransfer& item)
{
    for (;;) {
        ThreadCancel::Check();
        try {
            return item.ImageTransfo(main, true);
        } catch (const ETaskRetry&) {
            LogDebug(QStringLiteral("TOrderSend.DesignedFilesMake: retry"));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

// The lab order file a sub-order was posted with, kept until it is filed.
QString labOrderFileRead(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("TOrderSend.Run: cannot read ") + path);
    return QString::fromUtf8(f.readAll());
}

// Writes the kept lab order file back where the order writes it.
QString labOrderFileRestore(IMainFrame* main, const QString& xml)
{
    const QString path = QDir(main->Config()->CalcTempPath()).filePath(QStringLiteral("order.xml"));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(xml.toUtf8()) < 0 || !f.commit())
        throw Exception(QStringLiteral("TOrderSend.Run: cannot write ") + path);
    return path;
}

// The kiosk prints go to the kiosk printer once per send.
void printOnce(TPrintOrder& order, IOrderSendSteps& steps, const TSubOrder& sub, TOrderSendProgress::Item& item)
{
    if (sub.kind != TSubOrderKind::sokDirectPrints || item.printed)
        return;
    steps.PrintDirect(order, sub);
    item.printed = true;
    order.SetDirty();
}

} // namespace

// ------------------------------------------------------------ TSubOrder

QString TSubOrder::Label() const
{
    switch (kind) {
    case TSubOrderKind::sokDirectPrints: return QStringLiteral("kiosk prints");
    case TSubOrderKind::sokLabPrints: return QStringLiteral("lab prints");
    case TSubOrderKind::sokTemplate: return QStringLiteral("template product");
    case TSubOrderKind::sokAlbum: return QStringLiteral("photo book");
    }
    return QString();
}

// --------------------------------------------------- TOrderSendProgress

KIOSK_ENUM_DEFINE(TSubOrderKind, QStringLiteral("TSubOrderKind"), QString(), QStringLiteral("sokDirectPrints"),
                  QStringLiteral("sokLabPrints"), QStringLiteral("sokTemplate"), QStringLiteral("sokAlbum"))

KIOSK_SERIALIZABLE_DESCRIBE(
    TOrderSendProgressItem, TXMLSerializable,
    b.Property<TSubOrderKind>("Kind", [](const TOrderSendProgressItem& i) { return i.sub.kind; },
                              [](TOrderSendProgressItem& i, TSubOrderKind v) { i.sub.kind = v; }, nullptr);
    b.Property<qint32>("Product", [](const TOrderSendProgressItem& i) { return i.productIndex; },
                       [](TOrderSendProgressItem& i, qint32 v) { i.productIndex = v; }, nullptr);
    b.Property<qint32>("LabId", [](const TOrderSendProgressItem& i) { return i.labId; },
                       [](TOrderSendProgressItem& i, qint32 v) { i.labId = v; }, nullptr);
    b.Property<QString>("Numero", [](const TOrderSendProgressItem& i) { return i.numero; },
                        [](TOrderSendProgressItem& i, QString v) { i.numero = v; }, nullptr);
    b.Property<bool>("Posted", [](const TOrderSendProgressItem& i) { return i.posted; },
                     [](TOrderSendProgressItem& i, bool v) { i.posted = v; }, nullptr);
    b.Property<bool>("Printed", [](const TOrderSendProgressItem& i) { return i.printed; },
                     [](TOrderSendProgressItem& i, bool v) { i.printed = v; }, nullptr);
    b.Property<bool>("Filed", [](const TOrderSendProgressItem& i) { return i.filed; },
                     [](TOrderSendProgressItem& i, bool v) { i.filed = v; }, nullptr);
    b.Property<bool>("Validated", [](const TOrderSendProgressItem& i) { return i.validated; },
                     [](TOrderSendProgressItem& i, bool v) { i.validated = v; }, nullptr);
    b.Property<QString>("LabOrderFile", [](const TOrderSendProgressItem& i) { return i.labOrderXml; },
                        [](TOrderSendProgressItem& i, QString v) { i.labOrderXml = v; },
                        [](const TOrderSendProgressItem& i) { return !i.labOrderXml.isEmpty(); });)

TOrderSendProgress::Item* TOrderSendProgress::Find(const TSubOrder& sub)
{
    for (auto& item : fItems)
        if (item->sub == sub)
            return item.get();
    return nullptr;
}

TOrderSendProgress::Item& TOrderSendProgress::Get(const TSubOrder& sub)
{
    if (Item* item = Find(sub))
        return *item;
    auto item = std::make_unique<Item>();
    item->sub = sub;
    fItems.push_back(std::move(item));
    return *fItems.back();
}

bool TOrderSendProgress::AnyPosted() const
{
    for (const auto& item : fItems)
        if (item->posted)
            return true;
    return false;
}

bool TOrderSendProgress::AnyDone() const
{
    for (const auto& item : fItems)
        if (item->posted || item->printed)
            return true;
    return false;
}

bool TOrderSendProgress::AllValidated() const
{
    for (const auto& item : fItems)
        if (!item->validated)
            return false;
    return !fItems.empty();
}

std::vector<TOrderSendProgress::Item*> TOrderSendProgress::Items() const
{
    std::vector<Item*> out;
    for (const auto& item : fItems)
        out.push_back(item.get());
    return out;
}

void TOrderSendProgress::Forget(TProduct* product)
{
    if (!product)
        return;
    std::erase_if(fItems, [product](const std::unique_ptr<Item>& item) { return item->sub.product == product; });
}

void TOrderSendProgress::Adopt(std::unique_ptr<Item> item)
{
    if (item && !Find(item->sub))
        fItems.push_back(std::move(item));
}

// ------------------------------------------------------------ TOrderSend

std::vector<TSubOrder> TOrderSend::SubOrders(TPrintOrder& order)
{
    bool direct = false;
    bool lab = false;
    for (TImageTirageGroupData* group : order.ImagesSelectionneesTirage())
        for (TImageTirageData* format : group->LstFormats())
            (format->IsDirectPrint() ? direct : lab) = true;
    std::vector<TSubOrder> subs;
    if (direct)
        subs.push_back({ TSubOrderKind::sokDirectPrints });
    if (lab)
        subs.push_back({ TSubOrderKind::sokLabPrints });
    for (TTemplateProduct* p : order.TemplatesProducts())
        subs.push_back({ TSubOrderKind::sokTemplate, p });
    for (TAlbumProduct* p : order.AlbumsProducts())
        subs.push_back({ TSubOrderKind::sokAlbum, p });
    return subs;
}

void TOrderSend::Build(TPrintOrder& order, IMainFrame* main, const TSubOrder& sub)
{
    switch (sub.kind) {
    case TSubOrderKind::sokDirectPrints: order.WebSvcInitOrderPrint(main, true); return;
    case TSubOrderKind::sokLabPrints: order.WebSvcInitOrderPrint(main, false); return;
    case TSubOrderKind::sokTemplate: order.WebSvcInitOrderTemplate(main, templateOf(sub)); return;
    case TSubOrderKind::sokAlbum: order.WebSvcInitOrderAlbum(main, albumOf(sub)); return;
    }
}

void TOrderSend::Post(TPrintOrder& order, IMainFrame* main, const TSubOrder& sub)
{
    switch (sub.kind) {
    case TSubOrderKind::sokDirectPrints: order.WebSvcSendOrder(main, true); return;
    case TSubOrderKind::sokLabPrints: order.WebSvcSendOrder(main, false); return;
    case TSubOrderKind::sokTemplate: order.WebSvcSendOrderTemplate(main, templateOf(sub)); return;
    case TSubOrderKind::sokAlbum: order.WebSvcSendOrderAlbum(main, albumOf(sub)); return;
    }
}

QStringList TOrderSend::DesignedFilesMake(IMainFrame* main, const TSubOrder& sub)
{
    QString empty;
    switch (sub.kind) {
    case TSubOrderKind::sokTemplate: empty = QStringLiteral("Template doesn't have Image to send"); break;
    case TSubOrderKind::sokAlbum: empty = QStringLiteral("Album doesn't have Image to send"); break;
    default: throw Exception(QStringLiteral("TOrderSend.DesignedFilesMake: a ") + sub.Label() + QStringLiteral(" has no pages"));
    }
    QStringList files;
    forEachSentFrame(sub, [&](TCustomizedPageBase*, TCustomizedFrame* frame) {
        files << transferWithRetry(main, *frame);
        if (frame->HasClipartFrame())
            files << transferWithRetry(main, *frame->FrameBorder());
    });
    if (files.isEmpty())
        throw Exception(empty);
    return files;
}

void TOrderSend::Run(TPrintOrder& order, IMainFrame* main, IOrderSendSteps& steps, bool online)
{
    LogInfo(QStringLiteral("TOrderSend.Run: START"));
    const std::vector<TSubOrder> subs = SubOrders(order);
    TOrderSendProgress& progress = order.SendProgress();
    if (!progress.AnyDone()) {
        progress.Clear();
        order.resetFirstCmdParams();
    } else {
        LogInfo(QStringLiteral("TOrderSend.Run: resuming a send that stopped midway"));
    }
    for (size_t i = 0; i < subs.size(); ++i) {
        ThreadCancel::Check();
        const TSubOrder& sub = subs[i];
        TOrderSendProgress::Item& item = progress.Get(sub);
        if (online && item.validated) {
            // A send resumed from a reloaded order learns the first
            // sub-order's identity again from what it recorded.
            if (order.FirstCmdId() < 0)
                order.SetFirstCmd(item.labId, item.numero);
            continue;
        }
        QString labOrderFile;
        if (!online || !item.posted) {
            steps.PrepareFiles(order, sub);
            Build(order, main, sub);
            labOrderFile = order.GenerateLabOrderFile(main, i == 0);
        } else if (!item.filed) {
            // The lab has the records: their files stay as they were, and
            // the lab order file goes as it was posted. The print files of
            // an order reloaded after a crash cannot be named again, so the
            // records are not built anew.
            if (!item.labOrderXml.isEmpty()) {
                labOrderFile = labOrderFileRestore(main, item.labOrderXml);
            } else {
                Build(order, main, sub);
                labOrderFile = order.GenerateLabOrderFile(main, i == 0);
            }
        }
        if (!online) {
            printOnce(order, steps, sub, item);
            steps.FileSubOrder(order, sub, nullptr, labOrderFile);
            continue;
        }
        if (!item.posted) {
            Post(order, main, sub);
            item.labId = order.WebSvcOrderReceived()->Id();
            item.numero = order.WebSvcOrderReceived()->Numero();
            item.posted = true;
            item.labOrderXml = labOrderFileRead(labOrderFile);
            // The backup must learn it before anything else can fail.
            order.SetDirty();
            LogInfoFmt(QStringLiteral("TOrderSend.Run: %s posted as %s (id %d)"),
                       { sub.Label(), item.numero, item.labId });
        } else {
            // The lab's identity of the sub-order is what the next steps
            // need.
            auto answer = std::make_unique<Commande2>();
            answer->setId(item.labId);
            answer->setNumero(item.numero);
            order.SetWebSvcOrderReceived(std::move(answer));
        }
        printOnce(order, steps, sub, item);
        if (!item.filed) {
            steps.FileSubOrder(order, sub, order.WebSvcOrderReceived(), labOrderFile);
            item.filed = true;
            item.labOrderXml.clear();
            order.SetDirty();
        }
        order.WebSvcValidateOrder(main);
        item.validated = true;
        order.SetDirty();
        order.saveCmdParamsIfFirst();
    }
    // Off line nothing reached the lab: a later run starts afresh.
    if (!online) {
        progress.Clear();
        order.SetDirty();
    }
    LogInfo(QStringLiteral("TOrderSend.Run: END"));
}

void TOrderSend::SetPrinterFactory(TPrinterFactory factory)
{
    std::lock_guard lock(gPrinterSync);
    gPrinterFactory = std::move(factory);
}

std::unique_ptr<QPrinter> TOrderSend::NewPrinter(const QString& printerName)
{
    TPrinterFactory factory;
    {
        std::lock_guard lock(gPrinterSync);
        factory = gPrinterFactory;
    }
    if (factory)
        return factory(printerName);
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (printerName.isEmpty() || info.isNull())
        throw Exception(Format(QStringLiteral("Printer not found (%s)"), { printerName }));
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

// ------------------------------------------------------------ TPrintOrder: folders

TOrderSendProgress& TPrintOrder::SendProgress()
{
    if (!fSendProgress)
        fSendProgress = std::make_shared<TOrderSendProgress>();
    return *fSendProgress;
}

std::vector<TOrderSendProgressItem*> TPrintOrder::SendProgressForSave() const
{
    std::vector<TOrderSendProgressItem*> out;
    if (!fSendProgress)
        return out;
    for (TOrderSendProgressItem* item : fSendProgress->Items()) {
        item->productIndex = -1;
        if (item->sub.kind == TSubOrderKind::sokTemplate)
            item->productIndex = fprodTemplatesList->IndexOf(static_cast<TTemplateProduct*>(item->sub.product));
        else if (item->sub.kind == TSubOrderKind::sokAlbum)
            item->productIndex = fprodAlbumsList->IndexOf(static_cast<TAlbumProduct*>(item->sub.product));
        else {
            out.push_back(item);
            continue;
        }
        if (item->productIndex >= 0)
            out.push_back(item);
    }
    return out;
}

void TPrintOrder::SetSendProgressLoaded(std::vector<std::unique_ptr<TOrderSendProgressItem>> items)
{
    TOrderSendProgress& progress = SendProgress();
    progress.Clear();
    for (auto& item : items) {
        if (!item)
            continue;
        const qint32 index = item->productIndex;
        switch (item->sub.kind) {
        case TSubOrderKind::sokDirectPrints:
        case TSubOrderKind::sokLabPrints: item->sub.product = nullptr; break;
        case TSubOrderKind::sokTemplate:
            item->sub.product = index >= 0 && index < fprodTemplatesList->Count() ? (*fprodTemplatesList)[index] : nullptr;
            break;
        case TSubOrderKind::sokAlbum:
            item->sub.product = index >= 0 && index < fprodAlbumsList->Count() ? (*fprodAlbumsList)[index] : nullptr;
            break;
        }
        if ((item->sub.kind == TSubOrderKind::sokTemplate || item->sub.kind == TSubOrderKind::sokAlbum)
            && !item->sub.product) {
            LogWarnFmt(QStringLiteral("TPrintOrder.SetSendProgressLoaded: no product %d for a %s, its progress is dropped"),
                       { index, item->sub.Label() });
            continue;
        }
        progress.Adopt(std::move(item));
    }
}

QString TPrintOrder::tempFolderGet()
{
    if (!ftempPath.isEmpty())
        return ftempPath;
    const QString base = QDir(fMainFrame->Config()->CalcTempPath())
                             .filePath(QStringLiteral("O") + fDateOrder.toString(QStringLiteral("yyMMddHHmmss")));
    QString path = base;
    for (int n = 1; QFileInfo::exists(path); ++n)
        path = base + QLatin1Char('-') + QString::number(n);
    if (!QDir().mkpath(path))
        throw Exception(QStringLiteral("TPrintOrder.tempFolderGet: cannot create ") + path);
    ftempPath = path;
    return ftempPath;
}

void TPrintOrder::tempFolderDel()
{
    if (ftempPath.isEmpty())
        return;
    try {
        if (QDir(ftempPath).exists())
            TFileTools::DeleteDirRec(ftempPath);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TPrintOrder.tempFolderDel"), e);
    }
    ftempPath.clear();
}

QString TPrintOrder::ftpPathGet(IMainFrame* main)
{
    if (fftpPath.isEmpty()) {
        Zebconsumer2* boot = main->GetWebSvcConsumerBoot();
        if (!boot)
            throw Exception(QStringLiteral("TPrintOrder.ftpPathGet: the shop account is not loaded"));
        fftpPath = QStringLiteral("#") + QString::number(boot->Id()) + QLatin1Char('_')
            + fDateOrder.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('T')
            + fDateOrder.toString(QStringLiteral("HH_mm_ss"));
    }
    return fftpPath;
}

// ------------------------------------------------------------ TPrintOrder: records

void TPrintOrder::WebSvcInitOrderCommande(IMainFrame* main, std::unique_ptr<Commande2> cmd)
{
    fLabOrderRecv.reset();
    fLabOrder = std::move(cmd);
    forderLines->Clear();
    fOrderAlbumPages->Clear();

    Consommateur2* consumer = main->GetWebSvcConsumerFull();
    Demandeur2* asker = main->GetWebSvcAsker();
    if (!consumer || !asker)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcInitOrderCommande: the customer account is not loaded"));
    Commande2& c = *fLabOrder;
    c.setId(LabOrderWire::kNewId);
    c.setConsommateurId(consumer->Id());
    c.setDateCommande(TXSDateTime(QDateTime::currentDateTime()));
    c.setNumeroVersion(asker->Version());
    c.setCmdNomConso(fConsumerName);
    c.setCmdNumTelConso(fConsumerPhone);
    c.setDatePassage(TXSDateTime(fDateWithdrawal));
    c.setStatut(LabOrderWire::kStatusPosted);
    c.setReference(fReference);
    c.setCommentaire(fComments);
    c.setLivraisonPostale(fPostalShipping);
    c.setCmdTirCalib(fCalibrationImage);
    if (fPostalShipping) {
        // A postal order without an address cannot be delivered.
        if (!fPostalAddr)
            throw EOrder(QStringLiteral("TPrintOrder.WebSvcInitOrderCommande: postal shipping without address !"));
        c.setAdresseLivraisonId(fPostalAddr->Id());
    } else {
        c.setAdresseLivraisonId(consumer->AdresseCouranteId());
    }
    const bool local = main->QzConnectionMode() == 21;
    c.setCmdLocale(local);
    if (local) {
        if (fNumCommande.isEmpty())
            throw Exception(QStringLiteral("TPrintOrder.WebSvcInitOrderCommande: order number is empty !"));
        c.setCmdLocalePath(fNumCommande);
        if (fConsumerName.trimmed().isEmpty())
            c.setCmdNomConso(consumer->Nom());
    }
}

void TPrintOrder::WebSvcInitOrderPrint(IMainFrame* main, bool directPrint)
{
    auto cmd = std::make_unique<Commande>();
    cmd->setCmdForImprimanteBorne(directPrint);
    switch (fPrintDateFormat) {
    case TPrintDateFormat::pdWithout: cmd->setCmdPrintDateFormat(QString()); break;
    case TPrintDateFormat::pdWithDate: cmd->setCmdPrintDateFormat(main->GetWebSvcFrontPrintFormat()); break;
    case TPrintDateFormat::pdWithDateTime:
        cmd->setCmdPrintDateFormat(main->GetWebSvcFrontPrintFormat() + QLatin1Char('H'));
        break;
    }
    cmd->setType_(Commande_TypeCommande::Tirages);
    WebSvcInitOrderCommande(main, std::move(cmd));
    webSvcPrintLinesAdd(directPrint, false);
    webSvcPrintLinesAdd(directPrint, true);
}

void TPrintOrder::webSvcPrintLinesAdd(bool directPrint, bool galleryPass)
{
    const qint64 galleryCoeff = qint64(std::nearbyint(fMainFrame->Config()->GetGalleryProCoeff() * 10000.0));
    for (TImageTirageGroupData* group : *fImagesSelectionneesTirage) {
        TOrderImageBase* image = group->Image();
        if (!image || image->IsImageGalleryPro() != galleryPass)
            continue;
        for (TImageTirageData* format : group->LstFormats()) {
            if (format->IsDirectPrint() != directPrint)
                continue;
            auto line = std::make_unique<LigneDeCommande2>();
            line->setChannel(format->Channel());
            line->setCommandeId(LabOrderWire::kNewId);
            line->setId(LabOrderWire::kNewId);
            line->setQuantite(format->Quantity());
            line->setImage(directPrint ? image->ImageLabel() : format->FTPFilename());
            line->setTailleImage(directPrint ? 0 : format->ImageFileSize());
            line->setTirageId(format->TirageId());
            line->setUnitePacks(0);
            line->setUnitePrix(-1.0);
            line->setCoefficientPrix(TXSDecimal::FromFixed4(galleryPass ? galleryCoeff : 10000));
            line->setNomFichier(image->ImageLabel());
            forderLines->Add(line.release());
        }
    }
}

// ------------------------------------------------------------ TPrintOrder: designed products

namespace {

// The border line drawn by the lab around a frame: a plain border (a
// clip-art border goes as a picture of its own).
bool hasLineBorder(const TCustomizedFrame& frame)
{
    const TFrameBorder* border = frame.FrameBorder();
    return border && border->BorderThickness() > 0 && !frame.HasClipartFrame();
}

// The members common to the frame records of photo books and template
// products.
template <class R>
void frameRecordFill(R& r, const TCustomizedFrame& frame, qint32 lineIndex)
{
    r.setAngleRotation(-double(frame.RotationAngle()));
    r.setCmdLignId(lineIndex);
    if (hasLineBorder(frame)) {
        r.setCouleurLisere(LabOrderWire::BorderColour(frame.FrameBorder()->BorderAlphaColor()));
        r.setLargeurLisere(double(frame.FrameBorder()->BorderThickness()) / 10.0);
    } else {
        r.setCouleurLisere(QString());
        r.setLargeurLisere(0.0);
    }
    r.setHauteur(double(frame.Height()));
    r.setLargeur(double(frame.Width()));
    r.setX(double(frame.PositionX()));
    r.setY(double(frame.PositionY()));
    r.setZoneTexte(frame.isText());
}

// The record of a frame's clip-art border: the frame's rectangle grown by
// the border's bands.
template <class R>
void borderRecordFill(R& r, const TCustomizedFrame& frame, qint32 lineIndex)
{
    const TCustomizedFrameRules::TBands bands = frame.FrameBorder()->GetBorderRectInMm();
    r.setAngleRotation(-double(frame.RotationAngle()));
    r.setCmdLignId(lineIndex);
    r.setHauteur(double(frame.Height()) + bands.top + bands.bottom);
    r.setLargeur(double(frame.Width()) + bands.left + bands.right);
    r.setX(double(frame.PositionX()) - bands.left);
    r.setY(double(frame.PositionY()) - bands.top);
    r.setZoneTexte(false);
}

std::unique_ptr<LigneDeCommande2> frameLine(TCustomizedFrame& frame, qint32 channel)
{
    auto line = std::make_unique<LigneDeCommande2>();
    line->setChannel(channel);
    line->setCommandeId(LabOrderWire::kNewId);
    line->setId(LabOrderWire::kNewId);
    line->setImage(frame.FTPFilename());
    line->setQuantite(1);
    line->setTailleImage(frame.ImageFileSize());
    line->setUnitePacks(0);
    line->setUnitePrix(0.0);
    line->setCoefficientPrix(TXSDecimal::FromFixed4(10000));
    return line;
}

std::unique_ptr<LigneDeCommande2> borderLine(TCustomizedFrame& frame, qint32 channel)
{
    TFrameBorder& border = *frame.FrameBorder();
    auto line = std::make_unique<LigneDeCommande2>();
    line->setChannel(channel);
    line->setCommandeId(LabOrderWire::kNewId);
    line->setId(LabOrderWire::kNewId);
    line->setQuantite(1);
    line->setTailleImage(border.ImageFileSize());
    line->setImage(QFileInfo(border.FTPFilepath()).fileName());
    return line;
}

} // namespace

void TPrintOrder::WebSvcInitOrderTemplate(IMainFrame* main, TTemplateProduct* product)
{
    if (!product)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcInitOrderTemplate: no product"));
    Tirage2* format = product->Tirage();
    if (!format)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcInitOrderTemplate: no format for ") + product->DebugLabel());
    const std::vector<TCustomizedPageBase*> pages = sentPages(product, false);
    auto* firstPage = pages.empty() ? nullptr : dynamic_cast<TCustomizedPage*>(pages.front());
    ZebtemplateVelmora2* firstTpl = firstPage ? firstPage->TplVelmora() : nullptr;
    if (!firstTpl)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcInitOrderTemplate: no lab template for ")
                        + product->DebugLabel());

    auto cmd = std::make_unique<CommandeTemplate>();
    cmd->setType_(Commande_TypeCommande::Templates);
    CommandeTemplate2* tpl = cmd.get();
    WebSvcInitOrderCommande(main, std::move(cmd));

    tpl->setChannel(format->Channel());
    tpl->setTemplateHauteur(format->TemplateHauteur());
    tpl->setTemplateLargeur(format->TemplateLargeur());
    tpl->setTemplateVelmoraId(firstTpl->Id());
    tpl->setTemplatePU(-1.0);
    tpl->setTemplatePictIdRectoHD(firstTpl->RectoHDid());
    if (firstTpl->VersoHDid() > 0)
        tpl->setTemplatePictIdVersoHD(firstTpl->VersoHDid());
    tpl->setTemplateQuantite(product->Quantity());
    tpl->setTemplateTypeTarif(main->GetWebSvcConsumerFull()->TypeTarif());
    tpl->setTirageId(format->Id());
    if (product->TplType() == TTemplateType::MonthCalendar) {
        auto* impl = dynamic_cast<TTemplateProductImpl*>(product);
        if (!impl)
            throw Exception(QStringLiteral("TPrintOrder.WebSvcInitOrderTemplate: no calendar data for ")
                            + product->DebugLabel());
        tpl->SetStartMonthCount(impl->DateStart());
        tpl->setTemplateCalendrierId(impl->TplCalId());
    }

    CommandeTemplateCadre2List frames;
    const qint32 channel = format->Channel();
    for (TCustomizedPageBase* page : pages) {
        auto* tplPage = dynamic_cast<TCustomizedPage*>(page);
        ZebtemplateVelmora2* pageTpl = tplPage ? tplPage->TplVelmora() : nullptr;
        const qint32 pageNum = page->PageNumForLab();
        auto templateFields = [&](CommandeTemplateCadre2& r, const TCustomizedFrame& frame) {
            r.setBackground(frame.TypeFrame() == TTypeFrame::FrameFixedUnderBg);
            if (pageTpl)
                r.setIdFond(pageTpl->Id());
            r.setNumeroPage(pageNum);
        };
        for (TCustomizedFrame* frame : page->CustomizedFrameList()) {
            if (!frame->isToSendToLumlab())
                continue;
            forderLines->Add(frameLine(*frame, channel).release());
            auto record = std::make_unique<CommandeTemplateCadre2>();
            frameRecordFill(*record, *frame, forderLines->Count() - 1);
            templateFields(*record, *frame);
            frames.push_back(std::move(record));
            if (frame->HasClipartFrame()) {
                forderLines->Add(borderLine(*frame, channel).release());
                auto border = std::make_unique<CommandeTemplateCadre2>();
                borderRecordFill(*border, *frame, forderLines->Count() - 1);
                templateFields(*border, *frame);
                frames.push_back(std::move(border));
            }
        }
    }
    tpl->setTemplateCadres(std::move(frames));
}

void TPrintOrder::WebSvcInitOrderAlbum(IMainFrame* main, TAlbumProduct* album)
{
    if (!album)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcInitOrderAlbum: no product"));
    AlbumPhotographe2* model = album->Album();
    if (!model)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcInitOrderAlbum: no photo-book model for ")
                        + album->DebugLabel());

    auto cmd = std::make_unique<CommandeAlbum>();
    cmd->setType_(Commande_TypeCommande::Albums);
    CommandeAlbum2* rec = cmd.get();
    WebSvcInitOrderCommande(main, std::move(cmd));

    rec->setChannel(model->Channel());
    rec->setAlbumPhotographeId(model->AlbumPhotographeId());
    rec->setChannelCouvertureImprimee(model->ChannelCouvertureImprimee());
    rec->setHauteurPage(model->HauteurPage());
    rec->setLargeurPage(model->LargeurPage());
    rec->setMargeInfoTechnique(model->MargeInfoTechnique());
    rec->setRectoVerso(model->RectoVerso());
    rec->setAlbumQuantite(album->Quantity());
    rec->setAlbumTypeTarif(main->GetWebSvcConsumerFull()->TypeTarif());

    // The record owns its page records; the order's list names them for
    // the post.
    CommandeAlbumPage2List pageRecords;
    for (TCustomizedPageBase* page : sentPages(album, true)) {
        const qint32 channel = page->OutputChannelId();
        CommandeAlbumCadre2List frames;
        for (TCustomizedFrame* frame : page->CustomizedFrameList()) {
            if (!frame->isToSendToLumlab())
                continue;
            forderLines->Add(frameLine(*frame, channel).release());
            auto record = std::make_unique<CommandeAlbumCadre2>();
            frameRecordFill(*record, *frame, forderLines->Count() - 1);
            record->setCommandeAlbumPageId(0);
            frames.push_back(std::move(record));
            if (frame->HasClipartFrame()) {
                forderLines->Add(borderLine(*frame, channel).release());
                auto border = std::make_unique<CommandeAlbumCadre2>();
                borderRecordFill(*border, *frame, forderLines->Count() - 1);
                frames.push_back(std::move(border));
            }
        }
        // The lab expects every page to hold a frame record.
        if (frames.empty())
            frames.push_back(std::make_unique<CommandeAlbumCadre2>());
        auto pageRecord = std::make_unique<CommandeAlbumPage2>();
        pageRecord->setCadres(std::move(frames));
        pageRecord->setCommandeId(LabOrderWire::kNewId);
        pageRecord->setId(LabOrderWire::kNewId);
        if (auto* albumPage = dynamic_cast<TCustomizedAlbumPageBase*>(page); albumPage && albumPage->BgAlbum())
            pageRecord->setFondAlbumId(albumPage->BgAlbum()->Id());
        pageRecord->setNumeroPage(page->PageNumForLab());
        fOrderAlbumPages->Add(pageRecord.get());
        pageRecords.push_back(std::move(pageRecord));
    }
    rec->setAlbumPages(std::move(pageRecords));
}

// ------------------------------------------------------------ TPrintOrder: posting

void TPrintOrder::InsertPostalShipping(IMainFrame* main)
{
    if (!fPostalShipping || !fPostalAddr || fPostalAddr->Id() > 0)
        return;
    fPostalAddr->setId(-1);
    fPostalAddr->setType_(QStringLiteral("LIVR"));
    const QString failure = QStringLiteral("WebService: Can't add shipping address !");
    const qint32 id = labService(main, failure)->AddAddress(main->GetWebSvcAsker(), fPostalAddr);
    if (id <= 0)
        throw EOrder(failure);
    fPostalAddr->setId(id);
    if (fPostalAddrToFree) {
        main->GetWebSvcAddressesDelivery()->Add(fPostalAddr);
        fPostalAddrToFree = false;
    }
}

ILumLabServiceRef TPrintOrder::webSvcSendPrepare(IMainFrame* main, const QString& failure)
{
    InsertPostalShipping(main);
    if (!fLabOrder)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcSendOrder: no lab order built"));
    if (fFirstCmdId >= 0)
        fLabOrder->setCmdMainId(fFirstCmdId);
    if (fLabOrder->LivraisonPostale() && fLabOrder->AdresseLivraisonId() <= 0 && fPostalAddr)
        fLabOrder->setAdresseLivraisonId(fPostalAddr->Id());
    return labService(main, failure);
}

void TPrintOrder::webSvcSendAnswer(IMainFrame* main, std::unique_ptr<Commande2> answer, const QString& failure)
{
    fLabOrderRecv = std::move(answer);
    if (!fLabOrderRecv || fLabOrderRecv->Numero().isEmpty()) {
        fLabOrderRecv.reset();
        throw EOrder(failure);
    }
    if (Consommateur2* consumer = main->GetWebSvcConsumerFull(); consumer && fLabOrderRecv->SoldePacks_Specified())
        consumer->setSoldePacks(fLabOrderRecv->SoldePacks());
}

void TPrintOrder::WebSvcSendOrder(IMainFrame* main, bool directPrint)
{
    const QString failure = QStringLiteral("WebService: Can't post print order !");
    ILumLabServiceRef service = webSvcSendPrepare(main, failure);
    webSvcSendAnswer(main, service->PasserCommande(main->GetWebSvcAsker(), fLabOrder.get(), constLines(*forderLines)),
                     failure);
}

void TPrintOrder::WebSvcSendOrderTemplate(IMainFrame* main, TTemplateProduct* product)
{
    const QString failure = QStringLiteral("WebService: Can't post template order !");
    ILumLabServiceRef service = webSvcSendPrepare(main, failure);
    auto* record = dynamic_cast<CommandeTemplate2*>(fLabOrder.get());
    if (!record)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcSendOrderTemplate: no template order built for ")
                        + (product ? product->DebugLabel() : QStringLiteral("nil")));
    webSvcSendAnswer(main, service->AddOrderTemplate(main->GetWebSvcAsker(), record, constLines(*forderLines)),
                     failure);
}

void TPrintOrder::WebSvcSendOrderAlbum(IMainFrame* main, TAlbumProduct* album)
{
    const QString failure = QStringLiteral("WebService: Can't post template order !");
    ILumLabServiceRef service = webSvcSendPrepare(main, failure);
    auto* record = dynamic_cast<CommandeAlbum2*>(fLabOrder.get());
    if (!record)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcSendOrderAlbum: no photo-book order built for ")
                        + (album ? album->DebugLabel() : QStringLiteral("nil")));
    std::vector<const CommandeAlbumPage2*> pages;
    for (CommandeAlbumPage2* page : *fOrderAlbumPages)
        pages.push_back(page);
    webSvcSendAnswer(main, service->AddOrderAlbum(main->GetWebSvcAsker(), record, constLines(*forderLines), pages),
                     failure);
}

void TPrintOrder::saveCmdParamsIfFirst()
{
    if (fFirstCmdId < 0 && fLabOrderRecv)
        SetFirstCmd(fLabOrderRecv->Id(), fLabOrderRecv->Numero());
}

void TPrintOrder::WebSvcValidateOrder(IMainFrame* main)
{
    if (!fLabOrderRecv)
        throw EOrder(QStringLiteral("WebService: Can't modify order status, order not sent !"));
    const QString failure = QStringLiteral("WebService: Can't modify order status !");
    if (!labService(main, failure)->ModifyOrderStatus(main->GetWebSvcAsker(), fLabOrderRecv->Id(),
                                                      LabOrderWire::kStatusCreated))
        throw EOrder(failure);
}

void TPrintOrder::WebSvcOrderPayment(IMainFrame* main, const QString& status)
{
    if (!fLabOrderRecv)
        throw EOrder(QStringLiteral("WebService: Can't modify order payment status, order not sent !"));
    const QString failure = QStringLiteral("WebService: Can't modify order payment status !");
    if (!labService(main, failure)->ModifyOrderPaymentStatus(main->GetWebSvcAsker(), fLabOrderRecv->Id(), status))
        throw EOrder(failure);
}

// ------------------------------------------------------------ TPrintOrder: kiosk printer

void TPrintOrder::SendDirectPrint(const QString& pathToSave)
{
    for (TImageTirageGroupData* group : *fImagesSelectionneesTirage) {
        for (TImageTirageData* format : group->LstFormats()) {
            if (!format->IsDirectPrint())
                continue;
            Tirage2* tirage = format->TirageRecord();
            const QString printerName = tirage ? tirage->ImprimanteBorneNomWindows() : QString();
            std::unique_ptr<QPrinter> printer = TOrderSend::NewPrinter(printerName);
            printer->setCopyCount(std::max(1, format->Quantity()));
            printer->setFullPage(true);
            const QRect page = printer->pageLayout().fullRectPixels(printer->resolution());
            QImage picture;
            format->onAsyncBitmapBuild(fMainFrame, page.width(), page.height(), TOrderBitmapMode::obm_sizeMax,
                                       picture);
            if (picture.isNull())
                throw Exception(QStringLiteral("TPrintOrder.SendDirectPrint: nothing rendered for ")
                                + group->ImageLabel());
            if (!pathToSave.isEmpty()) {
                const QString saved = QDir(pathToSave).filePath(idFileName(group->Image() ? group->Image()->ImageID() : QString()));
                if (!picture.save(saved, "JPG"))
                    LogError(QStringLiteral("TPrintOrder.SendDirectPrint: cannot save ") + saved);
            }
            QPainter painter;
            if (!painter.begin(printer.get()))
                throw Exception(QStringLiteral("TPrintOrder.SendDirectPrint: cannot print on ") + printerName);
            painter.setOpacity(1.0);
            painter.drawImage(QRect(QPoint(0, 0), page.size()), picture);
            painter.end();
        }
    }
}
