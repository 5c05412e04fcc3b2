#pragma once
// Sending the order to the lab: the sub-orders of a send, what the order
// remembers of each while it is sent, and the run of a whole send.
//
// An order leaves the kiosk as lab sub-orders, in this order: the prints
// for the kiosk's own printer, the prints for the lab, each template
// product, each photo book. For each the order builds the lab's records,
// writes the lab order file and, on line, posts the records, has the upload
// folder renamed after the lab's number and confirms the sub-order. The
// first sub-order's lab id becomes the main id of the later ones.
//
// A send that fails midway is retried as a whole: the order keeps, per
// sub-order, what was already done (posted, printed on the kiosk printer,
// filed, confirmed), so the retry goes on where the failure stopped and
// posts or prints nothing twice. The order's backup stores it, so this
// holds across a crash of the kiosk as well.
#include "ULabOrderContracts.h"

#include "UXmlSerializer.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class IMainFrame;
class QPrinter;
class TPrintOrder;
class TProduct;

enum class TSubOrderKind : int { sokDirectPrints, sokLabPrints, sokTemplate, sokAlbum };
KIOSK_ENUM_DECLARE(TSubOrderKind)

// One lab sub-order of the order: a print kind, or one designed product.
struct TSubOrder {
    TSubOrderKind kind = TSubOrderKind::sokLabPrints;
    TProduct* product = nullptr;

    bool operator==(const TSubOrder& o) const { return kind == o.kind && product == o.product; }
    QString Label() const;
};

// What the current send achieved for one sub-order. Stored with the order
// (backup and saved orders), so that a send cut by a crash and retried
// after the reload posts nothing twice; the product is stored as its place
// in the order's list of its kind.
class TOrderSendProgressItem : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TOrderSendProgressItem)
public:
    TSubOrder sub;
    // Place of the product in the order's template or photo-book list, as
    // stored; -1 for the print sub-orders.
    qint32 productIndex = -1;
    qint32 labId = -1;
    QString numero;
    // The lab accepted the records.
    bool posted = false;
    // The kiosk printer printed the sub-order's prints.
    bool printed = false;
    // The upload folder carries the lab's number and holds the lab
    // order file.
    bool filed = false;
    // The sub-order's status is "CRE".
    bool validated = false;
    // The lab order file the sub-order was posted with, until it is filed.
    QString labOrderXml;
};

// What the current send achieved for each of its sub-orders.
class TOrderSendProgress {
public:
    using Item = TOrderSendProgressItem;

    Item* Find(const TSubOrder& sub);
    Item& Get(const TSubOrder& sub);
    // Some sub-order of the send reached the lab: a new run is a retry.
    bool AnyPosted() const;
    // Something of the send cannot be done again without harm: a post or
    // a print on the kiosk printer.
    bool AnyDone() const;
    bool AllValidated() const;
    void Clear() { fItems.clear(); }
    bool IsEmpty() const { return fItems.empty(); }
    std::vector<Item*> Items() const;
    // The product left the order: what was recorded for it goes.
    void Forget(TProduct* product);
    // Items read back from an order file (their sub-order resolved).
    void Adopt(std::unique_ptr<Item> item);

private:
    std::vector<std::unique_ptr<Item>> fItems;
};

// The steps of a send that belong to the sending step: files on the
// transfer page or in local folders, and the kiosk printer.
class IOrderSendSteps {
public:
    virtual ~IOrderSendSteps() = default;
    // Before the records of a sub-order are built: its print files are
    // produced (and uploaded). Not called again once the lab has the
    // sub-order, so a retry posts the very files it recorded.
    virtual void PrepareFiles(TPrintOrder& order, const TSubOrder& sub) = 0;
    // The kiosk prints of the order go to the kiosk printer: called once
    // per send, after the lab accepted their sub-order (off line, after its
    // records were built), so that a failed post leaves nothing printed and
    // a retry prints nothing twice.
    virtual void PrintDirect(TPrintOrder& order, const TSubOrder& sub) = 0;
    // After the lab accepted the sub-order (answer) or, off line, after its
    // records were built (answer null): the files get their final place and
    // the lab order file goes beside them.
    virtual void FileSubOrder(TPrintOrder& order, const TSubOrder& sub, const Commande2* answer,
                              const QString& labOrderFile) = 0;
};

class TOrderSend {
public:
    TOrderSend() = delete;

    // The sub-orders of the order, in sending order.
    static std::vector<TSubOrder> SubOrders(TPrintOrder& order);
    // Builds the records of one sub-order into the order.
    static void Build(TPrintOrder& order, IMainFrame* main, const TSubOrder& sub);
    // Posts the records just built for that sub-order.
    static void Post(TPrintOrder& order, IMainFrame* main, const TSubOrder& sub);
    // The print files of a template product or photo book: every frame that
    // goes to the lab, cropped, each followed by its clip-art border's file,
    // in the order of the pages and frames whose records name them. A
    // product without any raises "Template doesn't have Image to send" or
    // "Album doesn't have Image to send".
    static QStringList DesignedFilesMake(IMainFrame* main, const TSubOrder& sub);

    // One whole send (on the web-service queue's worker, main being its
    // proxy). online: post and confirm every sub-order; otherwise only the
    // records and the lab order files are made. A run that follows a failed
    // run of the same order resumes it; once every sub-order is confirmed
    // the progress is forgotten.
    static void Run(TPrintOrder& order, IMainFrame* main, IOrderSendSteps& steps, bool online);

    // The printer of a kiosk print format, by its system name; the default
    // looks the name up among the installed printers and raises
    // "Printer not found (%s)" for a missing one.
    using TPrinterFactory = std::function<std::unique_ptr<QPrinter>(const QString& printerName)>;
    static void SetPrinterFactory(TPrinterFactory factory);
    static std::unique_ptr<QPrinter> NewPrinter(const QString& printerName);
};
