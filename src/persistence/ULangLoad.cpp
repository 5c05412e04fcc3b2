#include "ULangLoad.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "ULangTexts.h"
#include "ULanguages.h"

#include <QFile>
#include <QMutex>
#include <QSaveFile>
#include <QXmlStreamReader>

namespace {

QMutex gListLock; // the class-level state of TLanguages
QString gListPath;
bool gListCurrent = false;

QString esc(const QString& s)
{
    QString out = s;
    return out.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
}

// Last resort when neither the cached nor the built-in list can be read.
// Japanese is listed with the code of its dictionaries, so that choosing it
// finds them.
std::vector<TLangChoice> lastResortList()
{
    return { { QStringLiteral("English"), QStringLiteral("en") },
             { QStringLiteral("Deutsch"), QStringLiteral("de") },
             { QStringLiteral("日本語"), QStringLiteral("JA") },
             { QStringLiteral("Nederlands"), QStringLiteral("nl") },
             { QStringLiteral("Français"), QStringLiteral("fr") },
             { QStringLiteral("Español"), QStringLiteral("es") },
             { QStringLiteral("русский"), QStringLiteral("ru") },
             { QStringLiteral("ελληνικά"), QStringLiteral("gr") },
             { QStringLiteral("Dansk"), QStringLiteral("dk") } };
}

std::vector<TLangChoice> readChoices(const QByteArray& bytes)
{
    QXmlStreamReader r(bytes);
    std::vector<TLangChoice> out;
    auto bad = [] { throw Exception(QStringLiteral("TLanguages: not a language list")); };
    if (!r.readNextStartElement() || r.name() != QLatin1String("XmlSerializerV1_0"))
        bad();
    if (!r.readNextStartElement() || r.name() != QLatin1String("TLanguages"))
        bad();
    while (r.readNextStartElement()) {
        if (r.name() != QLatin1String("TLanguages.Choices")) {
            r.skipCurrentElement();
            continue;
        }
        while (r.readNextStartElement()) {
            if (r.name() != QLatin1String("LangChoice"))
                bad();
            TLangChoice c;
            while (r.readNextStartElement()) {
                if (r.name() == QLatin1String("LangChoice.DisplayName"))
                    c.DisplayName = r.readElementText();
                else if (r.name() == QLatin1String("LangChoice.IsoCode"))
                    c.IsoCode = r.readElementText();
                else
                    bad();
            }
            out.push_back(c);
        }
    }
    if (r.hasError())
        throw Exception(QStringLiteral("TLanguages: ") + r.errorString());
    return out;
}

QString dateText(const std::optional<QDateTime>& d)
{
    return d ? d->toUTC().toString(Qt::ISODateWithMs) : QString();
}

} // namespace

// ---------------------------------------------------------------- TLanguages

bool TLanguages::isLanguagesListToUpdate()
{
    QMutexLocker l(&gListLock);
    return !gListCurrent;
}

void TLanguages::setLanguagesListToUpdate(bool toUpdate)
{
    QMutexLocker l(&gListLock);
    gListCurrent = !toUpdate;
}

QString TLanguages::LanguagesListPath()
{
    QMutexLocker l(&gListLock);
    return gListPath;
}

void TLanguages::SetLanguagesListPath(const QString& path)
{
    QMutexLocker l(&gListLock);
    gListPath = path;
}

const std::vector<TLangChoice>& TLanguages::getLanguages()
{
    if (!fChoices.empty())
        return fChoices;
    const QString path = LanguagesListPath();
    if (!path.isEmpty()) {
        loadFromXmlFile(path, false);
        if (fChoices.empty())
            loadFromXmlFile(path + QStringLiteral("res"), true);
    }
    if (fChoices.empty())
        fChoices = lastResortList();
    return fChoices;
}

void TLanguages::loadFromXmlFile(const QString& path, bool bRes)
{
    LogDebug(QStringLiteral("TLanguages.LoadFromXmlFile: path=") + path);
    try {
        if (bRes && !QFile::exists(path)) {
            QFile in(TLangTools::ResourcePath(QStringLiteral("lang_choices")));
            QSaveFile out(path);
            if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly)) {
                out.write(in.readAll());
                out.commit();
            }
        }
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return; // no list there: the caller falls back
        const QByteArray bytes = f.readAll();
        try {
            fChoices = readChoices(bytes);
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TLanguages.LoadFromXmlFile"), e);
        }
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TLanguages.LoadFromXmlFile(2)"), e);
    }
}

void TLanguages::saveToXmlFile(const QString& path)
{
    LogDebug(QStringLiteral("TLanguages.SaveToXmlFile: path=") + path);
    getLanguages();
    QString s = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XmlSerializerV1_0>\n<TLanguages>\n"
                               "  <TLanguages.Choices type=\"Array\">\n");
    int i = 0;
    for (const auto& c : fChoices) {
        s += QStringLiteral("      <LangChoice name=\"%1\">\n").arg(i++);
        s += QStringLiteral("        <LangChoice.DisplayName type=\"UString\">%1</LangChoice.DisplayName>\n").arg(esc(c.DisplayName));
        s += QStringLiteral("        <LangChoice.IsoCode type=\"UString\">%1</LangChoice.IsoCode>\n").arg(esc(c.IsoCode));
        s += QStringLiteral("      </LangChoice>\n");
    }
    s += QStringLiteral("  </TLanguages.Choices>\n</TLanguages>\n</XmlSerializerV1_0>\n");
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(QByteArray("\xEF\xBB\xBF") + s.toUtf8()) < 0 || !out.commit())
        throw EFCreateError(QStringLiteral("TLanguages.SaveToXmlFile: cannot write ") + path);
}

void TLanguages::languagesListSave()
{
    const QString path = LanguagesListPath();
    try {
        saveToXmlFile(path);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TLanguages.languagesListSave(%1)").arg(path), e);
    }
}

void TLanguages::languagesListUpdate(const std::vector<TLangChoice>& choices)
{
    if (choices.empty()) {
        setLanguagesListToUpdate(true);
        return;
    }
    fChoices = choices;
    setLanguagesListToUpdate(fChoices.empty());
}

void TLanguages::BtnLangClick(const QString& isoCode)
{
    if (LangNotif)
        LangNotif->OnLanguageChosen(isoCode);
}

// ----------------------------------------------------------------- TLangLoad

bool TLangLoad::LanguageLoad(ILangLoadHost& host, TLanguages& lg, const QString& isoCodeIn, bool required,
                             bool notifUIonlyIfChanges)
{
    QString isoCode = isoCodeIn;
    const bool unconfirmed = isoCode.startsWith(QLatin1Char('?'));
    if (unconfirmed)
        isoCode.remove(QLatin1Char('?'));
    const QString upper = isoCode.toUpper();
    try {
        bool online = host.IsOnline();
        const QString folder = host.CacheFolder();
        TLanguages::SetLanguagesListPath(folder + QStringLiteral("lang_choices.xml"));

        if (online && TLanguages::isLanguagesListToUpdate()) {
            LogDebug(QStringLiteral("AsyncLanguageLoad: Updating language list"));
            try {
                const auto choices = host.GetLangChoices();
                if (!choices.empty()) {
                    lg.languagesListUpdate(choices);
                    lg.languagesListSave();
                }
            } catch (const ECancel&) {
                throw;
            } catch (const std::exception& e) {
                if (host.IsNetError(e))
                    LogDebug(QStringLiteral("AsyncLanguageLoad: Webservice not available"), e);
                else
                    LogError(QStringLiteral("AsyncLanguageLoad: Webservice.GetLangChoices not available"), e);
            }
        }

        bool changed = !notifUIonlyIfChanges;
        LogDebug(QStringLiteral("AsyncLanguageLoad: Loading language ") + upper);
        std::unique_ptr<TLangDico> parts[2];
        const int kinds[2] = { TLangTools::KindCommon, TLangTools::KindApp };
        if (required) {
            parts[0] = TLangTools::LoadLangFromXmlFile(folder, isoCode, kinds[0]);
            parts[1] = TLangTools::LoadLangFromXmlFile(folder, isoCode, kinds[1]);
        }
        std::unique_ptr<TLangDico> answers[2];
        for (int i = 0; i < 2 && online; ++i) {
            std::optional<QDateTime> since;
            if (parts[i] && parts[i]->IsoCode.toUpper() == upper)
                since = parts[i]->LastUpdate;
            try {
                answers[i] = host.GetLangDico(kinds[i], isoCode, since);
            } catch (const std::exception& e) {
                if (dynamic_cast<const ECancel*>(&e) || !host.IsNetError(e))
                    throw;
                LogDebug(QStringLiteral("AsyncLanguageLoad: Webservice not available"), e);
                online = false;
            }
            // An answer older than what the kiosk has is ignored.
            if (answers[i] && parts[i] && answers[i]->LastUpdate && parts[i]->LastUpdate
                && *answers[i]->LastUpdate < *parts[i]->LastUpdate)
                answers[i].reset();
        }
        for (int i = 0; i < 2; ++i) {
            const QString part = i == 0 ? QStringLiteral(" common part") : QStringLiteral(" app part");
            const QString head = QStringLiteral("AsyncLanguageLoad: Language ") + isoCode + part;
            if (answers[i]) {
                parts[i] = std::move(answers[i]);
                TLangTools::SaveLangToXmlFile(*parts[i], folder, isoCode, kinds[i]);
                LogDebug(head + QStringLiteral(" has been updated (") + dateText(parts[i]->LastUpdate) + QStringLiteral(")"));
                changed = true;
            } else if (parts[i]) {
                LogDebug(head + QStringLiteral(" is up to date (") + dateText(parts[i]->LastUpdate) + QStringLiteral(")"));
            } else {
                LogDebug(head + QStringLiteral(" not found"));
            }
        }

        if (parts[0] && parts[1]) {
            if (unconfirmed)
                host.LanguageSet(isoCode, true);
            if (changed && (!notifUIonlyIfChanges || required)) {
                TLangSwitch::SetPending(TLangTools::PrepareLangDico(parts[1].get(), parts[0].get()));
                try {
                    host.ApplySwitch();
                } catch (...) {
                    TLangSwitch::ClearPending();
                    throw;
                }
                TLangSwitch::ClearPending();
            }
            return true;
        }
        if (!required)
            return false;
        if (upper != QLatin1String("EN")) {
            host.LanguageSet(QStringLiteral("en"), unconfirmed);
            LanguageLoad(host, lg, QStringLiteral("en"), true, false);
            if (unconfirmed)
                return false;
        }
        const TLangText& msg = online ? LangTexts::Language::TranslationsYetAvailableLanguagePlease
                                      : LangTexts::Language::NoTranslationFoundLanguagePlease;
        throw EUser(msg.Text({ isoCode }));
    } catch (const EUser&) {
        throw;
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception&) {
        Exception e(QStringLiteral("Loading language ") + upper + QStringLiteral(" failure!"));
        e.SetInnerException(std::current_exception());
        throw e;
    }
}

void TLangLoad::LanguageCheck(ILangLoadHost& host, const QString& isoCode)
{
    TLanguages lg;
    LanguageLoad(host, lg, isoCode, true, true);
}
