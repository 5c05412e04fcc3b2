#include "UOrderingTexts.h"

#include <QHash>
#include <mutex>

TLangText& OrderingText(const char* text)
{
    // Keyed by the wording, not the pointer: the same literal may live at
    // several addresses, and each wording must be one language text.
    static QHash<QString, TLangText*> texts;
    static std::mutex sync;
    const QString key = QString::fromUtf8(text);
    std::lock_guard lk(sync);
    TLangText*& t = texts[key];
    if (!t)
        t = &TLangText::Create(key);
    return *t;
}
