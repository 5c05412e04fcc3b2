#pragma once
// Offered languages and the loading of one language: cached and built-in
// dictionaries, refreshed from the lab when on line, then applied.
//
// This layer does not know the lab client or the main window: the layer
// above supplies them through ILangLoadHost.
#include "UlangDico.h"

#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The receiver of a language button click.
class ILanguageNotif {
public:
    virtual ~ILanguageNotif() = default;
    virtual void OnLanguageChosen(const QString& isoCode) = 0;
};

struct TLangChoice {
    QString DisplayName;
    QString IsoCode;
};

// What loading a language needs from above. Called on the loading thread,
// except where noted.
class ILangLoadHost {
public:
    virtual ~ILangLoadHost() = default;
    virtual QString CacheFolder() = 0; // ends with "/"
    virtual bool IsOnline() = 0;
    // The lab's offered languages (application id 4). Raises on failure.
    virtual std::vector<TLangChoice> GetLangChoices() = 0;
    // The lab's part of a language, newer than since; nothing when the lab
    // has nothing newer. Raises on failure.
    virtual std::unique_ptr<TLangDico> GetLangDico(int appId, const QString& iso, const std::optional<QDateTime>& since) = 0;
    // A failure of the network itself (the lab unreachable), as opposed to a
    // faulty answer.
    virtual bool IsNetError(const std::exception& e) = 0;
    // On the main thread, waited for: stores the language in use.
    virtual void LanguageSet(const QString& iso, bool save) = 0;
    // On the main thread, waited for: TLangSwitch::Apply with the screen's
    // restyle, then the language event.
    virtual void ApplySwitch() = 0;
};

class TLanguages {
public:
    TLanguages() = default;

    const std::vector<TLangChoice>& getLanguages();
    const std::vector<TLangChoice>& Choices() const { return fChoices; }
    void loadFromXmlFile(const QString& path, bool bRes);
    void saveToXmlFile(const QString& path);
    void languagesListSave();
    void languagesListUpdate(const std::vector<TLangChoice>& choices);

    static bool isLanguagesListToUpdate();
    static void setLanguagesListToUpdate(bool toUpdate);
    static QString LanguagesListPath();
    static void SetLanguagesListPath(const QString& path);

    ILanguageNotif* LangNotif = nullptr;
    // A language button was clicked.
    void BtnLangClick(const QString& isoCode);

private:
    std::vector<TLangChoice> fChoices;
};

class TLangLoad {
public:
    TLangLoad() = delete;
    // Loads one language (see the class comment); true when both parts are
    // present. Raises EUser when a required language has no dictionary.
    static bool LanguageLoad(ILangLoadHost& host, TLanguages& lg, const QString& isoCode, bool required,
                             bool notifUIonlyIfChanges);
    // Refreshes the language in use, applied again only when the lab
    // brought something newer.
    static void LanguageCheck(ILangLoadHost& host, const QString& isoCode);
};
