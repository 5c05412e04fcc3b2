#pragma once
// Translatable text constants.
//
// Every text that the code builds for the customer is a constant created
// once at start with its English source text; a language switch passes each
// constant's current text through the installed translation hook, in place.
// The English text is also the key of the dictionaries.
//
// Constants are owned by one global list (in creation order) and live until
// CollectConstDestroy; they are created through Create and handed out by
// reference. They are read from any thread: a switch replaces a text under
// an exclusive lock, so a reader sees either the old or the new text.
#include <QString>
#include <QVariantList>
#include <functional>
#include <vector>

class TLangTextBase {
public:
    virtual ~TLangTextBase();
    TLangTextBase(const TLangTextBase&) = delete;
    TLangTextBase& operator=(const TLangTextBase&) = delete;

    // Passes the constant's text(s) through the translation hook.
    virtual void OnCollectTranslate() = 0;

    // Fills txt with args; when they do not fit, logs the failure at ERROR
    // and answers txt unformatted. Never raises.
    static QString Format(const QString& txt, const QVariantList& args);

    // Translates every constant, in creation order (the language switch).
    static void CollectConstTranslate();
    // Frees every constant (the end of the program).
    static void CollectConstDestroy();
    static int CollectConstCount();

    // The translation hook: displayed text -> text to display. Empty means
    // identity. The language switch installs its look-up for the time of a
    // switch.
    using TTranslateHook = std::function<QString(const QString&)>;
    static void SetTranslateHook(TTranslateHook hook);
    static bool HasTranslateHook();
    static QString Translate(const QString& text);

    // The dictionary being applied by a switch: does it hold this key?
    // Empty outside a switch. Numbered families end at their first number
    // that it does not hold.
    using TPendingLookup = std::function<bool(const QString& key)>;
    static void SetPendingDictionary(TPendingLookup lookup);

protected:
    // Appends the new constant to the global list, which owns it.
    TLangTextBase() = default;
    static void Register(TLangTextBase* text);
};

// One text.
class TLangText final : public TLangTextBase {
public:
    static TLangText& Create(const QString& textToTranslate);

    // The current text with every "{APP}" replaced by the application's
    // display name as captions need it.
    QString Text() const;
    // Text(), then formatted with args (never raises).
    QString Text(const QVariantList& args) const;

    void OnCollectTranslate() override;

private:
    explicit TLangText(const QString& textToTranslate);
    QString fTextToTranslate;
};

// A numbered family of texts built from one mask ("...Format%03d"), for lab
// catalogue entries whose keys are numbered.
class TLangTextArray final : public TLangTextBase {
public:
    static TLangTextArray& Create(const QString& textToTranslateMask, qint32 minId, qint32 maxId);

    // The current text of number id; empty outside MinId..MaxId.
    QString Text(qint32 id) const;
    QString Text(qint32 id, const QVariantList& args) const;

    qint32 MinId() const { return fMinId; }
    // The last number the current dictionary knows, never above MaxMaxId.
    qint32 MaxId() const;
    qint32 MaxMaxId() const { return fMaxId; }

    void OnCollectTranslate() override;

private:
    TLangTextArray(const QString& textToTranslateMask, qint32 minId, qint32 maxId);
    QString keyOf(qint32 id) const;

    QString fTextToTranslateMask;
    std::vector<QString> fTextToTranslate; // index 0 is fMinId
    qint32 fMinId;
    qint32 fMaxId;
    qint32 fCalcMaxId;
};
