#include "UMainLangLoadHost.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "ULanguages.h"
#include "UMainObservers.h"
#include "UNetTransfer.h"
#include "UThreadTaskWebSvcQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

TMainLangLoadHost::TMainLangLoadHost(IMainFrame* main, std::function<void(const QString&, bool)> languageSet,
                                     std::function<void()> retranslate)
    : fMain(main)
    , fLanguageSet(std::move(languageSet))
    , fRetranslate(std::move(retranslate))
{
}

IMainFrame* TMainLangLoadHost::labFrame() const
{
    if (TThreadTaskWebSvcQueue* queue = TThreadTaskWebSvcQueue::Current())
        return queue;
    return fMain;
}

void TMainLangLoadHost::onMainThread(const std::function<void()>& proc)
{
    if (QThread::currentThread() == QCoreApplication::instance()->thread())
        proc();
    else
        TThreadTaskQueue::MainThreadSynchro(proc);
}

QString TMainLangLoadHost::CacheFolder()
{
    TConfigInfo* cfg = fMain->Config();
    const QString folder = cfg ? cfg->CalcCachePath() : QDir::tempPath();
    QDir().mkpath(folder);
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool TMainLangLoadHost::IsOnline()
{
    return fMain->IsOnline();
}

std::vector<TLangChoice> TMainLangLoadHost::GetLangChoices()
{
    IMainFrame* lab = labFrame();
    std::vector<TLangChoice> out;
    for (const auto& c : lab->GetWebSvcLum()->GetLangChoices(lab->GetWebSvcAsker(), TLangTools::KindApp))
        if (c && !c->IsoCode().isEmpty())
            out.push_back({ c->DisplayName(), c->IsoCode() });
    return out;
}

std::unique_ptr<TLangDico> TMainLangLoadHost::GetLangDico(int appId, const QString& iso,
                                                          const std::optional<QDateTime>& since)
{
    IMainFrame* lab = labFrame();
    std::optional<TXSDateTime> stamp;
    if (since)
        stamp = TXSDateTime(*since);
    auto d = lab->GetWebSvcLum()->GetLangDico(lab->GetWebSvcAsker(), appId, iso, stamp);
    if (!d)
        return nullptr;
    auto out = std::make_unique<TLangDico>();
    out->IsoCode = d->IsoCode();
    if (d->LastUpdate())
        out->LastUpdate = d->LastUpdate()->AsDateTime();
    for (const auto& t : d->Translations())
        if (t)
            out->Translations.push_back({ t->InitialString(), t->TranslatedString() });
    return out;
}

bool TMainLangLoadHost::IsNetError(const std::exception& e)
{
    return TNetTransfer::isNetError(e);
}

void TMainLangLoadHost::LanguageSet(const QString& iso, bool save)
{
    onMainThread([&] {
        if (fLanguageSet)
            fLanguageSet(iso, save);
    });
}

void TMainLangLoadHost::ApplySwitch()
{
    onMainThread([&] {
        TLangSwitch::Apply(fRetranslate);
        fMain->EventObservedRaise(moe_language, nullptr);
    });
}
