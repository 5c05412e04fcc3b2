#pragma once
// The main window's side of loading a language: the lab through the client
// of the web-service queue the load runs on, the dictionaries' cache folder
// of the configuration, and, on the main thread while the load waits, the
// language put in force and the switch of every text on screen followed by
// the language event.
#include "ULangLoad.h"

#include <functional>

class IMainFrame;

class TMainLangLoadHost : public ILangLoadHost {
public:
    // languageSet: the main window's reaction to a language put in force;
    // retranslate: re-applies the texts of the window's widgets (may be
    // empty). Both run on the main thread.
    TMainLangLoadHost(IMainFrame* main, std::function<void(const QString& iso, bool save)> languageSet,
                      std::function<void()> retranslate);

    QString CacheFolder() override;
    bool IsOnline() override;
    std::vector<TLangChoice> GetLangChoices() override;
    std::unique_ptr<TLangDico> GetLangDico(int appId, const QString& iso,
                                           const std::optional<QDateTime>& since) override;
    bool IsNetError(const std::exception& e) override;
    void LanguageSet(const QString& iso, bool save) override;
    void ApplySwitch() override;

private:
    // The main frame the lab calls go through: the queue's proxy on its
    // worker thread (it owns the client), the main window elsewhere.
    IMainFrame* labFrame() const;
    static void onMainThread(const std::function<void()>& proc);

    IMainFrame* fMain;
    std::function<void(const QString&, bool)> fLanguageSet;
    std::function<void()> fRetranslate;
};
