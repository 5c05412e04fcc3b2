#pragma once
// The language switch: re-translates, in place, every text on screen and
// every text constant into the language of a prepared look-up dictionary.
//
// Texts already translated by an earlier switch are first led back to their
// source text through the shown-text dictionary (displayed text -> source),
// which each switch rebuilds; translations are made unique beforehand
// (TLangTools::PrepareLangDico), so this way back is never ambiguous.
#include "UlangDico.h"

#include <functional>

class TLangSwitch {
public:
    TLangSwitch() = delete;

    // Re-applies every translatable text of the user interface (widgets,
    // styles) through TLangTextBase::Translate. Supplied by the screen layer;
    // may be empty.
    using TRestyle = std::function<void()>;

    // The dictionary handed from the loading worker to the main thread. Set
    // fails with "unexpected state" while one is already pending.
    static void SetPending(TLangLookup dico);
    static bool HasPending();
    static void ClearPending();

    // Applies the pending dictionary (main thread): restyle, then every
    // constant. The identity hook is back afterwards, whatever happened.
    static void Apply(const TRestyle& restyle);
    // Back to the built-in texts (developer tool).
    static void Restore(const TRestyle& restyle);
    // Every source text the program translates, in first-seen order; the
    // screen does not change (developer tool).
    static QStringList Collect(const TRestyle& restyle);

    // Frees the shown-text dictionaries (end of the program, tests).
    static void LangDicoDestroy();

    // The look-up of a switch, for tests and the screen layer.
    static QString SwitchLookup(const QString& displayed);
    static QString SourceOf(const QString& displayed);
};
