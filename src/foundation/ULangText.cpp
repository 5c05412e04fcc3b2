#include "ULangText.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "UFormat.h"
#include "UTools.h"

#include <memory>
#include <mutex>
#include <shared_mutex>

namespace {

struct Registry {
    std::mutex sync;
    std::vector<std::unique_ptr<TLangTextBase>> items; // creation order
};

Registry& registry()
{
    static Registry r;
    return r;
}

// Guards the texts of every constant: readers share it, a switch writing a
// translated text takes it alone.
std::shared_mutex& textSync()
{
    static std::shared_mutex m;
    return m;
}

struct Hooks {
    std::mutex sync;
    TLangTextBase::TTranslateHook translate;
    TLangTextBase::TPendingLookup pending;
};

Hooks& hooks()
{
    static Hooks h;
    return h;
}

} // namespace

// ---------------------------------------------------------------------------
// TLangTextBase

TLangTextBase::~TLangTextBase() = default;

void TLangTextBase::Register(TLangTextBase* text)
{
    Registry& r = registry();
    std::lock_guard lk(r.sync);
    r.items.emplace_back(text);
}

QString TLangTextBase::Format(const QString& txt, const QVariantList& args)
{
    try {
        return ::Format(txt, args);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TLangTextBase.Format on \"") + txt + QLatin1Char('"'), &e);
    } catch (...) {
        LogError(QStringLiteral("TLangTextBase.Format on \"") + txt + QLatin1Char('"'));
    }
    return txt;
}

void TLangTextBase::CollectConstTranslate()
{
    std::vector<TLangTextBase*> items;
    {
        Registry& r = registry();
        std::lock_guard lk(r.sync);
        items.reserve(r.items.size());
        for (const auto& t : r.items)
            items.push_back(t.get());
    }
    for (TLangTextBase* t : items)
        t->OnCollectTranslate();
}

void TLangTextBase::CollectConstDestroy()
{
    std::vector<std::unique_ptr<TLangTextBase>> items;
    {
        Registry& r = registry();
        std::lock_guard lk(r.sync);
        items.swap(r.items);
    }
}

int TLangTextBase::CollectConstCount()
{
    Registry& r = registry();
    std::lock_guard lk(r.sync);
    return int(r.items.size());
}

void TLangTextBase::SetTranslateHook(TTranslateHook hook)
{
    Hooks& h = hooks();
    std::lock_guard lk(h.sync);
    h.translate = std::move(hook);
}

bool TLangTextBase::HasTranslateHook()
{
    Hooks& h = hooks();
    std::lock_guard lk(h.sync);
    return bool(h.translate);
}

QString TLangTextBase::Translate(const QString& text)
{
    TTranslateHook hook;
    {
        Hooks& h = hooks();
        std::lock_guard lk(h.sync);
        hook = h.translate;
    }
    return hook ? hook(text) : text;
}

void TLangTextBase::SetPendingDictionary(TPendingLookup lookup)
{
    Hooks& h = hooks();
    std::lock_guard lk(h.sync);
    h.pending = std::move(lookup);
}

// ---------------------------------------------------------------------------
// TLangText

TLangText::TLangText(const QString& textToTranslate)
    : fTextToTranslate(textToTranslate)
{
}

TLangText& TLangText::Create(const QString& textToTranslate)
{
    auto* t = new TLangText(textToTranslate);
    Register(t);
    return *t;
}

QString TLangText::Text() const
{
    QString text;
    {
        std::shared_lock lk(textSync());
        text = fTextToTranslate;
    }
    if (text.contains(QLatin1String("{APP}")))
        text.replace(QLatin1String("{APP}"), TAppTools::GetAppNameStrForUI());
    return text;
}

QString TLangText::Text(const QVariantList& args) const
{
    return Format(Text(), args);
}

void TLangText::OnCollectTranslate()
{
    QString current;
    {
        std::shared_lock lk(textSync());
        current = fTextToTranslate;
    }
    const QString translated = Translate(current);
    std::unique_lock lk(textSync());
    fTextToTranslate = translated;
}

// ---------------------------------------------------------------------------
// TLangTextArray

TLangTextArray::TLangTextArray(const QString& textToTranslateMask, qint32 minId, qint32 maxId)
    : fTextToTranslateMask(textToTranslateMask)
    , fMinId(minId)
    , fMaxId(maxId)
    , fCalcMaxId(maxId)
{
    for (qint32 id = minId; id <= maxId; ++id)
        fTextToTranslate.push_back(keyOf(id));
}

TLangTextArray& TLangTextArray::Create(const QString& textToTranslateMask, qint32 minId, qint32 maxId)
{
    auto* t = new TLangTextArray(textToTranslateMask, minId, maxId);
    Register(t);
    return *t;
}

QString TLangTextArray::keyOf(qint32 id) const
{
    return Format(fTextToTranslateMask, { id });
}

qint32 TLangTextArray::MaxId() const
{
    std::shared_lock lk(textSync());
    return fCalcMaxId;
}

QString TLangTextArray::Text(qint32 id) const
{
    std::shared_lock lk(textSync());
    if (id < fMinId || id > fCalcMaxId)
        return QString();
    const auto index = std::size_t(qint64(id) - fMinId);
    return index < fTextToTranslate.size() ? fTextToTranslate[index] : QString();
}

QString TLangTextArray::Text(qint32 id, const QVariantList& args) const
{
    const QString text = Text(id);
    return text.isEmpty() ? text : Format(text, args);
}

void TLangTextArray::OnCollectTranslate()
{
    TPendingLookup pending;
    {
        Hooks& h = hooks();
        std::lock_guard lk(h.sync);
        if (h.translate)
            pending = h.pending;
    }
    std::vector<QString> texts;
    qint32 calcMaxId;
    {
        std::shared_lock lk(textSync());
        texts = fTextToTranslate;
        calcMaxId = fCalcMaxId;
    }
    if (pending) {
        // The family ends at the first number the dictionary does not know.
        calcMaxId = fMaxId;
        for (qint32 id = fMinId; id <= fMaxId; ++id) {
            if (!pending(keyOf(id))) {
                calcMaxId = id - 1;
                break;
            }
        }
        const qint64 count = std::max<qint64>(0, qint64(calcMaxId) - fMinId + 1);
        if (std::size_t(count) < texts.size()) {
            texts.resize(std::size_t(count));
        } else {
            for (qint64 i = qint64(texts.size()); i < count; ++i)
                texts.push_back(keyOf(qint32(fMinId + i)));
        }
    }
    for (QString& t : texts)
        t = Translate(t);
    std::unique_lock lk(textSync());
    fTextToTranslate = std::move(texts);
    fCalcMaxId = calcMaxId;
}

// ---------------------------------------------------------------------------
// EappBase

// The text's translation at the moment the exception is created: a later
// language switch does not change a message already raised.
EappBase::EappBase(const TLangText& text)
    : Exception(text.Text())
{
}
