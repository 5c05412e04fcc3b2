#pragma once
// The catalogue of user-interface texts: every text that the code shows is a
// constant here, created once at program start (before the configuration and
// the log) and translated in place by each language switch.
//
//   EUser(LangTexts::Order::CartEmptyCanTComplete);
//   LangTexts::Order::PageFmt.Text({ pageNo });
//   LangTexts::Catalogue::PrintFormats.Text(formatId);
//
// The constants are listed, with their English texts, in ULangTextsList.h.
#include "ULangText.h"

#define KIOSK_LANGTEXT(Group, Name, Text) \
    namespace LangTexts::Group {          \
    extern TLangText& Name;               \
    }
#define KIOSK_LANGTEXT_FAMILY(Group, Name, Mask, MinId, MaxId) \
    namespace LangTexts::Group {                               \
    extern TLangTextArray& Name;                               \
    }
#include "ULangTextsList.h"
#undef KIOSK_LANGTEXT
#undef KIOSK_LANGTEXT_FAMILY
