#pragma once
// The customer-facing texts of the list widgets, created once and
// translated with every other language text.
#include "ULangText.h"

namespace WidgetTexts {
TLangText& LoadingImages();
TLangText& NoImageFound();
TLangText& ImagesWithoutDate();
TLangText& Options();
TLangText& ChangeView();
TLangText& ShowFilenames();
TLangText& HideFilenames();
TLangText& GotoDate();
TLangText& SelectAll();
TLangText& SelectNone();
TLangText& All();
TLangText& None();
} // namespace WidgetTexts
