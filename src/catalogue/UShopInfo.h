#pragma once
// TShopInfo: the root of the lab catalogue that the kiosk keeps on disk and
// in memory: the kiosk's consumer record as the lab returned it at log-in,
// the stamp that each catalogue part must carry, and the four parts once
// loaded (shop-wide, prints, templates, photo books). It loads the parts in
// the background on the web-service queue, converts print sizes to pixels
// and names the local order folders.
//
// Parts are built completely on the worker as separate objects and
// installed on the main thread. Readers take a part as a shared pointer
// (CommonRef, ...): a worker still reading a part that the main thread
// replaced keeps it alive until it lets go. An installed part is never
// changed again.
#include "UCatalogueTypes.h"
#include "UShopCommonInfo.h"
#include "UShopInfoPart.h"
#include "UShopProdBookInfo.h"
#include "UShopProdPrintInfo.h"
#include "UShopProdTplInfo.h"
#include "UShopTplInfo.h"

#include <QSizeF>
#include <memory>
#include <mutex>

class IMainFrame;
class TConfigInfo;

class TShopInfo : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TShopInfo)
public:
    TShopInfo();
    ~TShopInfo() override;

    // --- persistence ("ShopInfoBoot.qzinf")
    static std::unique_ptr<TShopInfo> TryLoadCreate(TConfigInfo* cfg);
    // Writes the boot file when dirty; the flag stays set on failure.
    void Save(TConfigInfo* cfg);
    static void serializerPrepare(TXMLSerializer& ser);
    bool Dirty() const { return fDirty; }
    void SetDirty() { fDirty = true; }
    // Writes the boot object as plain XML with the boot file's names.
    void ExportShopInfoToXmlFile(const QString& path);
    static void deleteShopFile(const QString& lbl, const QString& path);
    // The current local date and time as a day count (days since 1899-12-30
    // and the fraction of the day), the form of every stamp.
    static double TSmake();

    // --- consumer record and stamps (stored)
    Zebconsumer2* Consumer() const { return fConsumer.get(); }
    void SetConsumer(std::unique_ptr<Zebconsumer2> consumer) { fConsumer = std::move(consumer); }
    double TScommon() const { return fTScommon; }
    double TSprodPrintInfo() const { return fTSprodPrintInfo; }
    double TSprodTplInfo() const { return fTSprodTplInfo; }
    double TSprodBookInfo() const { return fTSprodBookInfo; }

    // --- parts
    // The loaded part; ETaskNotReady while it is not.
    std::shared_ptr<TShopCommonInfo> CommonRef() const;
    std::shared_ptr<TShopProdPrintInfo> ProdPrintRef() const;
    std::shared_ptr<TShopProdTplInfo> ProdTplRef() const;
    std::shared_ptr<TShopProdBookInfo> ProdBookRef() const;
    // The same as plain pointers, for the main thread, which alone replaces
    // parts.
    TShopCommonInfo* Common() const { return CommonRef().get(); }
    TShopProdPrintInfo* ProdPrint() const { return ProdPrintRef().get(); }
    TShopProdTplInfo* ProdTpl() const { return ProdTplRef().get(); }
    TShopProdBookInfo* ProdBook() const { return ProdBookRef().get(); }
    bool CommonLoaded() const;
    bool ProdPrintLoaded() const;
    bool ProdTplLoaded() const;
    bool ProdBookLoaded() const;
    bool hasProducts() const;

    // Mark a part for reload: a new stamp (and the part's file deleted,
    // but for the shop-wide part, whose stale stamp is enough).
    void CommonLoadAsk(IMainFrame* main);
    void ProdPrintLoadAsk(IMainFrame* main);
    void ProdTplLoadAsk(IMainFrame* main);
    void ProdBookLoadAsk(IMainFrame* main);

    // Load a part from its file or the lab and install it (worker thread).
    void CommonLoadForce(IMainFrame* main, IShopLoadCtrl* ctrl);
    void ProdPrintLoadForce(IMainFrame* main, IShopLoadCtrl* ctrl);
    void ProdTplLoadForce(IMainFrame* main, IShopLoadCtrl* ctrl, bool& bLoadScrapData);
    void ProdBookLoadForce(IMainFrame* main, IShopLoadCtrl* ctrl, bool& bLoadScrapData);
    // Error handling of a part load; true when the families were marked
    // failed (the load goes on without the part).
    bool loadErrorProcess(IMainFrame* main, const QString& lbl, int kind, const std::exception& ex);

    // Background load of every part the consumer offers (main thread).
    void productInfoLoad(IMainFrame* main);
    void productInfoLoadCancel();
    // The body of that load, on the web-service queue's worker.
    void productInfoLoadAsync(IMainFrame* main);

    // Picture caches: the catalogue pictures of the loaded template part
    // and the decorating pictures. Changed pictures lose their cached file
    // (fetched when first shown), or are downloaded at once in the
    // installation-data launch mode. Worker thread.
    void loadVisualsDatas(IMainFrame* main, IShopLoadCtrl* ctrl);
    void loadScrapDatas(IMainFrame* main, IShopLoadCtrl* ctrl);

    // Front-print pictures: fetched when missing, deleted when switched off.
    void loadFrontPrint(IMainFrame* main);

    // --- frame details of one theme and size (main thread)
    // True when the details of that theme and size are loaded; otherwise
    // queues their load (once per key) and answers false.
    bool LoadTemplateVelmoraInfo(int themeId, int tplWidth, int tplHeight, IMainFrame* main);
    // The details of a template from the loaded set; null while the set of
    // its theme and paper size is not the loaded one. A template that the
    // set lacks gets the shared empty record.
    ZebtemplateVelmoraFrameInfo* GetTemplateVelmoraInfo(const ZebtemplateVelmora2* tpl);
    // The task body of that load.
    void loadTemplateVelmoraInfoAsync(IMainFrame* main, int themeId, int sizeMin, int sizeMax);

    // --- sizes and order folders
    // Pixel size of a print of sizeInMm at the store's resolution (reduced
    // by the channel's rate when channelId is not 0).
    QSizeF BitmapSizeMmToPixel(IMainFrame* main, int channelId, QSizeF sizeInMm, int* pdpi, bool bGpuLimit);
    // The computation itself: dpi and rate given, maxSize the largest
    // bitmap side. Raises for a resolution of 0 or less.
    static QSizeF BitmapSizeMmToPixelCalc(int dpi, double rate, QSizeF sizeInMm, int* pdpi, bool bGpuLimit,
                                          quint32 maxSize);
    // The next free order folder name under ordersRoot.
    QString GetLastNextNumCmd(IMainFrame* main, const QString& ordersRoot);
    // An order folder name: naming 0 "%.5d-<computer>-yymmdd", naming 1
    // "o%.2d%.2d%.3d" of the kiosk id, 0 and the number.
    static QString FormaterNomRepertoire(quint32 num, int naming, int kioskId, const QString& computerName,
                                         const QDate& date);
    static int kioskIdGet(const QString& prenom);

private:
    template <class T>
    void install(std::shared_ptr<T>& slot, std::unique_ptr<T> part);

    bool fDirty = true;
    std::unique_ptr<Zebconsumer2> fConsumer;
    double fTScommon = 0;
    double fTSprodPrintInfo = 0;
    double fTSprodTplInfo = 0;
    double fTSprodBookInfo = 0;
    quint32 fLastNumCmdUsed = 0;

    // Guards the four part pointers: the worker reads them while the main
    // thread swaps them.
    mutable std::mutex fPartsSync;
    std::shared_ptr<TShopCommonInfo> fCommon;
    std::shared_ptr<TShopProdPrintInfo> fProdPrint;
    std::shared_ptr<TShopProdTplInfo> fProdTpl;
    std::shared_ptr<TShopProdBookInfo> fProdBook;
    IThreadTaskRef fProdTask;

    // Frame details: installed and read on the main thread only.
    std::unique_ptr<TShopTplInfo> fTplInfo;
    std::unique_ptr<ZebtemplateVelmoraFrameInfo> fTplInfoEmpty;
    IThreadTaskRef fTplInfoTask;
    int fTplInfoThemeIdLoading = 0;
    int fTplInfoTplSizeMinLoading = 0;
    int fTplInfoTplSizeMaxLoading = 0;
};
