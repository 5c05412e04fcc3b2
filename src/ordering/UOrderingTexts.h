#pragma once
// The customer-facing texts of the cart, order-information and recap
// screens. Each text is created once, on first use, under its English
// wording, and re-translated in place with every other language text.
#include "ULangText.h"

// The language text of that English wording.
TLangText& OrderingText(const char* text);
