#include "ULangTexts.h"

// Definitions in list order: dynamic initialisation within one file follows
// it, so the constants are created (and translated) in the listed order.
#define KIOSK_LANGTEXT(Group, Name, Text) TLangText& LangTexts::Group::Name = TLangText::Create(QStringLiteral(Text));
#define KIOSK_LANGTEXT_FAMILY(Group, Name, Mask, MinId, MaxId) \
    TLangTextArray& LangTexts::Group::Name = TLangTextArray::Create(QStringLiteral(Mask), MinId, MaxId);
#include "ULangTextsList.h"
#undef KIOSK_LANGTEXT
#undef KIOSK_LANGTEXT_FAMILY
