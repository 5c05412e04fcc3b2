#include "ULanguages.h"

#include "UAppExceptions.h"
#include "ULangText.h"

#include <QMutex>
#include <optional>

namespace {

// Handed from the worker to the main thread; guarded by gPendingLock.
QMutex gPendingLock;
std::optional<TLangLookup> gPending;

// Main thread only.
std::optional<QHash<QString, QString>> gShown; // displayed -> source
std::optional<QHash<QString, QString>> gNextShown;
QStringList* gCollected = nullptr;

// Resets the hooks even when a restyle or a constant raises.
struct THookGuard {
    ~THookGuard()
    {
        TLangTextBase::SetTranslateHook({});
        TLangTextBase::SetPendingDictionary({});
    }
};

void translateAll(const TLangSwitch::TRestyle& restyle)
{
    if (restyle)
        restyle();
    TLangTextBase::CollectConstTranslate();
}

} // namespace

void TLangSwitch::SetPending(TLangLookup dico)
{
    QMutexLocker lock(&gPendingLock);
    if (gPending)
        throw Exception(QStringLiteral("TCtrlPopupLangText.AsyncLanguageLoad: unexpected state"));
    gPending = std::move(dico);
}

bool TLangSwitch::HasPending()
{
    QMutexLocker lock(&gPendingLock);
    return gPending.has_value();
}

void TLangSwitch::ClearPending()
{
    QMutexLocker lock(&gPendingLock);
    gPending.reset();
}

QString TLangSwitch::SourceOf(const QString& displayed)
{
    if (gShown) {
        auto it = gShown->constFind(TLangTools::trPrepare(displayed));
        if (it != gShown->constEnd())
            return *it;
    }
    // Never translated: the text is its own source, kept byte for byte so
    // that a text without translation stays exactly as built.
    return displayed;
}

QString TLangSwitch::SwitchLookup(const QString& displayed)
{
    const QString source = SourceOf(displayed);
    QString result = source;
    {
        QMutexLocker lock(&gPendingLock);
        if (gPending) {
            auto it = gPending->constFind(TLangTools::trPrepare(source));
            if (it != gPending->constEnd())
                result = *it;
        }
    }
    const QString shownKey = TLangTools::trPrepare(result);
    if (gNextShown && !gNextShown->contains(shownKey))
        gNextShown->insert(shownKey, source);
    return result;
}

void TLangSwitch::Apply(const TRestyle& restyle)
{
    gNextShown.emplace();
    {
        THookGuard guard;
        TLangTextBase::SetTranslateHook(&TLangSwitch::SwitchLookup);
        TLangTextBase::SetPendingDictionary([](const QString& key) {
            QMutexLocker lock(&gPendingLock);
            return gPending && gPending->contains(key);
        });
        try {
            translateAll(restyle);
        } catch (...) {
            gShown = std::move(gNextShown);
            gNextShown.reset();
            throw;
        }
    }
    gShown = std::move(gNextShown);
    gNextShown.reset();
}

void TLangSwitch::Restore(const TRestyle& restyle)
{
    {
        THookGuard guard;
        TLangTextBase::SetTranslateHook(&TLangSwitch::SourceOf);
        // The built-in texts hold every number of a family: each family
        // gets back its full declared range.
        TLangTextBase::SetPendingDictionary([](const QString&) { return true; });
        try {
            translateAll(restyle);
        } catch (...) {
            gShown.reset();
            throw;
        }
    }
    gShown.reset();
}

QStringList TLangSwitch::Collect(const TRestyle& restyle)
{
    QStringList collected;
    gCollected = &collected;
    {
        THookGuard guard;
        TLangTextBase::SetTranslateHook([](const QString& displayed) {
            const QString source = TLangTools::trPrepare(SourceOf(displayed));
            if (gCollected && !gCollected->contains(source))
                gCollected->append(source);
            return displayed;
        });
        try {
            translateAll(restyle);
        } catch (...) {
            gCollected = nullptr;
            throw;
        }
    }
    gCollected = nullptr;
    return collected;
}

void TLangSwitch::LangDicoDestroy()
{
    gShown.reset();
    gNextShown.reset();
}
