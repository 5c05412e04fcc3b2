#include "UShopConnect.h"

#include "LumLabService.h"
#include "UConfig.h"
#include "UCtrlConnecNotif.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UNetTransfer.h"
#include "UShopInfo.h"
#include "UThreadTaskWebSvcQueue.h"

#include <cstdlib>

namespace {

TLangText& txtLoadingShop()
{
    static TLangText& t = TLangText::Create(QStringLiteral("Loading shop information..."));
    return t;
}

TLangText& txtConnecting()
{
    static TLangText& t = TLangText::Create(QStringLiteral("Connecting..."));
    return t;
}

QString ramLine(const QString& text)
{
    return text + QStringLiteral(" (ram: %1)").arg(ShopInfoFiles::RamText());
}

// A date-time's wall-clock fields as milliseconds, without time-zone
// conversion.
qint64 wallClockMs(const TXSDateTime& v)
{
    const QDateTime& dt = v.AsDateTime();
    return QDateTime(dt.date(), dt.time(), Qt::UTC).toMSecsSinceEpoch();
}

} // namespace

TShopConnect::TShopConnect(ICtrlConnecNotif* notif, IMainFrame* window, IShopLoadCtrl* ctrl, QObject* sender)
    : fNotif(notif)
    , fWindow(window)
    , fCtrl(ctrl)
    , fSender(sender)
{
}

IMainFrame* TShopConnect::main() const
{
    if (TThreadTaskWebSvcQueue* q = TThreadTaskWebSvcQueue::Current())
        return q;
    return fWindow;
}

void TShopConnect::status(const QString& text) const
{
    if (fCtrl)
        fCtrl->status(text);
}

void TShopConnect::AsyncConnect()
{
    std::unique_ptr<TShopInfo> shopInfo = ShopInfoLoad();
    try {
        ShopInfoLoadOnLine(shopInfo);
    } catch (const std::exception& e) {
        if (!TNetTransfer::isNetError(e))
            throw;
        LogWarn(QStringLiteral("AsyncConnect: Webservice not available"), e);
        // shopInfo is still the cached root as read from disk: the on-line
        // part changes it only once the lab has answered.
        ShopInfoSetOffLine(shopInfo);
    }
    fNotif->kioskInit();
}

std::unique_ptr<TShopInfo> TShopConnect::ShopInfoLoad()
{
    status(txtLoadingShop().Text());
    std::unique_ptr<TShopInfo> shopInfo;
    try {
        shopInfo = TShopInfo::TryLoadCreate(fNotif->ConfigObj());
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TCtrlConnec.ShopInfoLoad"), e);
        shopInfo.reset();
    }
    status(txtConnecting().Text());
    if (shopInfo && !shopInfo->Consumer())
        shopInfo.reset();
    return shopInfo;
}

bool TShopConnect::StampUnchanged(const std::optional<TXSDateTime>& a, const std::optional<TXSDateTime>& b)
{
    if (!a || !b || !a->AsDateTime().isValid() || !b->AsDateTime().isValid())
        return false;
    return std::llabs(wallClockMs(*a) - wallClockMs(*b)) <= 1;
}

QString TShopConnect::XSDateTimeToLogText(const std::optional<TXSDateTime>& value)
{
    if (!value)
        return QStringLiteral("nil");
    const QDateTime& dt = value->AsDateTime();
    return value->NativeToXS() + QStringLiteral(" >> ")
        + QDateTime(dt.date(), dt.time()).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

TShopConnect::TUpdateDecision TShopConnect::Decide(const Zebconsumer2* cached, const Zebconsumer2& received)
{
    TUpdateDecision d;
    if (cached && cached->Id() == received.Id() && cached->PhotographeId() == received.PhotographeId()) {
        d.full = false;
        d.consumerChanged = !StampUnchanged(received.LastUpdateConsumer(), cached->LastUpdateConsumer());
        d.booksChanged = !StampUnchanged(received.LastUpdateBook(), cached->LastUpdateBook());
        d.templatesChanged = !StampUnchanged(received.LastUpdateTemplate(), cached->LastUpdateTemplate());
        d.calendarsChanged = !StampUnchanged(received.LastUpdateCalendar(), cached->LastUpdateCalendar());
        QString now = received.Message_(), before = cached->Message_();
        now.remove(QLatin1Char('\r'));
        before.remove(QLatin1Char('\r'));
        if (now != before)
            d.message = received.Message_();
    } else {
        d.message = received.Message_();
    }
    d.askCommon = d.consumerChanged;
    d.askPrint = d.consumerChanged || !received.HasPrint();
    d.askTpl = d.consumerChanged || d.templatesChanged || d.calendarsChanged
        || (!received.HasCard() && !received.HasPhotoProduct() && !received.HasCalendar());
    d.askBook = d.consumerChanged || d.booksChanged || !received.HasBook();
    return d;
}

void TShopConnect::ShopInfoLoadOnLine(std::unique_ptr<TShopInfo>& cachedRoot)
{
    static TLangText& txtLoginInvalid = TLangText::Create(QStringLiteral("Login is invalid"));
    static TLangText& txtConnected = TLangText::Create(QStringLiteral("Connected"));
    static TLangText& txtFrontPrint = TLangText::Create(QStringLiteral("Loading front print images..."));

    IMainFrame* m = main();
    LogDebug(ramLine(QStringLiteral("Connection: Loading consumer(boot)")));
    std::unique_ptr<Zebconsumer2> consumer
        = m->GetWebSvcLum()->GetZebconsumerByLogin(m->GetWebSvcAsker(), m->GetWebSvcAskerClearLogin());
    if (!consumer)
        throw EUser(txtLoginInvalid);

    // Only now, with the lab's answer in hand, is the root changed; until
    // the hand-over a root of our own is freed on failure and a cached one
    // stays the caller's.
    std::unique_ptr<TShopInfo> created;
    TShopInfo* shop = cachedRoot.get();
    if (!shop) {
        created = std::make_unique<TShopInfo>();
        shop = created.get();
    }

    const TUpdateDecision d = Decide(shop->Consumer(), *consumer);
    const Zebconsumer2* old = shop->Consumer();
    if (d.full) {
        LogDebug(QStringLiteral("TCtrlConnec.ShopInfoLoadOnLine: shop info full update"));
    } else {
        LogDebug(QStringLiteral("TCtrlConnec.ShopInfoLoadOnLine: shop info partial update"));
        struct Line {
            const char* what;
            bool changed;
            const std::optional<TXSDateTime>& server;
            const std::optional<TXSDateTime>& svc;
        };
        const Line lines[] = {
            { "consumer info", d.consumerChanged, consumer->LastUpdateConsumer(), old->LastUpdateConsumer() },
            { "books", d.booksChanged, consumer->LastUpdateBook(), old->LastUpdateBook() },
            { "templates", d.templatesChanged, consumer->LastUpdateTemplate(), old->LastUpdateTemplate() },
            { "calendars", d.calendarsChanged, consumer->LastUpdateCalendar(), old->LastUpdateCalendar() },
        };
        for (const Line& l : lines)
            LogDebug(QStringLiteral("      -> %1: %2 (server: %3) %4 (svc: %5)")
                         .arg(QLatin1String(l.what), l.changed ? QStringLiteral("to update") : QStringLiteral("no change"),
                              XSDateTimeToLogText(l.server), l.changed ? QStringLiteral("<>") : QStringLiteral("="),
                              XSDateTimeToLogText(l.svc)));
    }
    shop->SetConsumer(std::move(consumer));

    try {
        if (d.askCommon)
            shop->CommonLoadAsk(m);
        if (d.askPrint)
            shop->ProdPrintLoadAsk(m);
        if (d.askTpl)
            shop->ProdTplLoadAsk(m);
        if (d.askBook)
            shop->ProdBookLoadAsk(m);
    } catch (...) {
        shop->Consumer()->setLastUpdateConsumer(std::nullopt);
        throw;
    }

    QString message = d.message;
    const bool initData = int(m->GetLaunchMode()) == kLaunchModeInitData;
    if (initData) {
        message.clear();
        shop->Consumer()->setMessage_(QString());
    }
    TConfig* cfg = fNotif->ConfigObj();
    shop->SetDirty();
    shop->Save(cfg);
    cfg->Save();

    std::unique_ptr<TShopInfo>& handed = created ? created : cachedRoot;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { fNotif->SetWebSvcShopInfo(handed, true); });
    if (handed)
        throw Exception(QStringLiteral("TCtrlConnec.ShopInfoLoadOnLine: catalogue not taken over"));

    if (initData) {
        bool scrap = false;
        const Zebconsumer2* boot = shop->Consumer();
        shop->CommonLoadForce(m, fCtrl);
        if (boot->HasPrint())
            shop->ProdPrintLoadForce(m, fCtrl);
        if (boot->HasCard() || boot->HasPhotoProduct() || boot->HasCalendar())
            shop->ProdTplLoadForce(m, fCtrl, scrap);
        if (boot->HasBook())
            shop->ProdBookLoadForce(m, fCtrl, scrap);
        status(txtFrontPrint.Text());
        shop->loadFrontPrint(m);
    }
    status(txtConnected.Text());
    if (!message.isEmpty())
        TThreadTaskQueueWithoutThread::MainThreadSynchro(
            [&] { fNotif->showPhotographerMessage(fSender, message, true); });
    LogDebug(ramLine(QStringLiteral("Connection: all information loaded")));
}

void TShopConnect::ShopInfoSetOffLine(std::unique_ptr<TShopInfo>& shopInfo)
{
    static TLangText& txtOffline = TLangText::Create(QStringLiteral("Offline mode"));
    static TLangText& txtNotAvailable = TLangText::Create(
        QStringLiteral("Connection to {APP} server not available.\nPlease connect to internet."));
    status(txtLoadingShop().Text());
    if (!shopInfo || !shopInfo->Consumer())
        throw EUser(txtNotAvailable);
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { fNotif->SetWebSvcShopInfo(shopInfo, false); });
    if (shopInfo)
        throw Exception(QStringLiteral("TCtrlConnec.ShopInfoSetOffLine: catalogue not taken over"));
    status(txtOffline.Text());
}
