#include "UWidgetTexts.h"

#define KIOSK_WIDGET_TEXT(Name, Text)                                          \
    TLangText& WidgetTexts::Name()                                             \
    {                                                                          \
        static TLangText& t = TLangText::Create(QStringLiteral(Text));         \
        return t;                                                              \
    }

KIOSK_WIDGET_TEXT(LoadingImages, "Loading images, please wait...")
KIOSK_WIDGET_TEXT(NoImageFound, "No image found")
KIOSK_WIDGET_TEXT(ImagesWithoutDate, "Images without date")
KIOSK_WIDGET_TEXT(Options, "Options")
KIOSK_WIDGET_TEXT(ChangeView, "Change View")
KIOSK_WIDGET_TEXT(ShowFilenames, "Show Filenames")
KIOSK_WIDGET_TEXT(HideFilenames, "Hide Filenames")
KIOSK_WIDGET_TEXT(GotoDate, "Go to Date")
KIOSK_WIDGET_TEXT(SelectAll, "Select All")
KIOSK_WIDGET_TEXT(SelectNone, "Select None")
KIOSK_WIDGET_TEXT(All, "All")
KIOSK_WIDGET_TEXT(None, "None")
