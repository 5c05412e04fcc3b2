#include "UOrderSend.h"

#include "LumLabService.h"
#include "UConfig.h"
#include "UDebug.h"
#include "UFormat.h"
#include "UPrintOrder.h"
#include "UThreadCancel.h"
#include "UTools.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <mutex>

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

TOrderSendProgress::Item* TOrderSendProgress::Find(const TSubOrder& sub)
{
    for (Item& item : fItems)
        if (item.sub == sub)
            return &item;
    return nullptr;
}

TOrderSendProgress::Item& TOrderSendProgress::Get(const TSubOrder& sub)
{
    if (Item* item = Find(sub))
        return *item;
    Item item;
    item.sub = sub;
    fItems.push_back(std::move(item));
    return fItems.back();
}

bool TOrderSendProgress::AnyPosted() const
{
    for (const Item& item : fItems)
        if (item.posted)
            return true;
    return false;
}

bool TOrderSendProgress::AllValidated() const
{
    for (const Item& item : fItems)
        if (!item.validated)
            return false;
    return !fItems.empty();
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
    case TSubOrderKind::sokTemplate:
    case TSubOrderKind::sokAlbum: break;
    }
    throw EToDo(QStringLiteral("TOrderSend.Build: the records of a ") + sub.Label()
                + QStringLiteral(" need its designed pages"));
}

void TOrderSend::Post(TPrintOrder& order, IMainFrame* main, const TSubOrder& sub)
{
    switch (sub.kind) {
    case TSubOrderKind::sokDirectPrints: order.WebSvcSendOrder(main, true); return;
    case TSubOrderKind::sokLabPrints: order.WebSvcSendOrder(main, false); return;
    case TSubOrderKind::sokTemplate:
    case TSubOrderKind::sokAlbum: break;
    }
    throw EToDo(QStringLiteral("TOrderSend.Post: a ") + sub.Label() + QStringLiteral(" cannot be posted yet"));
}

void TOrderSend::Run(TPrintOrder& order, IMainFrame* main, IOrderSendSteps& steps, bool online)
{
    LogInfo(QStringLiteral("TOrderSend.Run: START"));
    const std::vector<TSubOrder> subs = SubOrders(order);
    TOrderSendProgress& progress = order.SendProgress();
    if (!online || !progress.AnyPosted()) {
        progress.Clear();
        order.resetFirstCmdParams();
    } else {
        LogInfo(QStringLiteral("TOrderSend.Run: resuming a send that stopped midway"));
    }
    for (size_t i = 0; i < subs.size(); ++i) {
        ThreadCancel::Check();
        const TSubOrder& sub = subs[i];
        TOrderSendProgress::Item& item = progress.Get(sub);
        if (online && item.validated)
            continue;
        // Once the lab has the records, their files stay as they were.
        if (!item.posted)
            steps.PrepareFiles(order, sub);
        Build(order, main, sub);
        const QString labOrderFile = order.GenerateLabOrderFile(main, i == 0);
        if (!online) {
            steps.FileSubOrder(order, sub, nullptr, labOrderFile);
            continue;
        }
        if (!item.posted) {
            Post(order, main, sub);
            item.labId = order.WebSvcOrderReceived()->Id();
            item.numero = order.WebSvcOrderReceived()->Numero();
            item.posted = true;
            LogInfoFmt(QStringLiteral("TOrderSend.Run: %s posted as %s (id %d)"),
                       { sub.Label(), item.numero, item.labId });
        } else {
            // Building freed the answer; the lab's identity of the
            // sub-order is what the next steps need.
            auto answer = std::make_unique<Commande2>();
            answer->setId(item.labId);
            answer->setNumero(item.numero);
            order.SetWebSvcOrderReceived(std::move(answer));
        }
        if (!item.filed) {
            steps.FileSubOrder(order, sub, order.WebSvcOrderReceived(), labOrderFile);
            item.filed = true;
        }
        order.WebSvcValidateOrder(main);
        item.validated = true;
        order.saveCmdParamsIfFirst();
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

void TPrintOrder::WebSvcSendOrder(IMainFrame* main, bool directPrint)
{
    InsertPostalShipping(main);
    if (!fLabOrder)
        throw Exception(QStringLiteral("TPrintOrder.WebSvcSendOrder: no lab order built"));
    if (fFirstCmdId >= 0)
        fLabOrder->setCmdMainId(fFirstCmdId);
    if (fLabOrder->LivraisonPostale() && fLabOrder->AdresseLivraisonId() <= 0 && fPostalAddr)
        fLabOrder->setAdresseLivraisonId(fPostalAddr->Id());
    ILumLabServiceRef service = labService(main, QStringLiteral("WebService: Can't post print order !"));
    fLabOrderRecv = service->PasserCommande(main->GetWebSvcAsker(), fLabOrder.get(), constLines(*forderLines));
    if (!fLabOrderRecv || fLabOrderRecv->Numero().isEmpty()) {
        fLabOrderRecv.reset();
        throw EOrder(QStringLiteral("WebService: Can't post print order !"));
    }
    if (Consommateur2* consumer = main->GetWebSvcConsumerFull(); consumer && fLabOrderRecv->SoldePacks_Specified())
        consumer->setSoldePacks(fLabOrderRecv->SoldePacks());
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
