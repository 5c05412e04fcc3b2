#pragma once
// The kiosk's look: the bundled font (DejaVu Sans) and the one application
// style sheet, built into the program.
#include <QString>

class QApplication;

class TAppStyle {
public:
    // Registers the bundled fonts, makes DejaVu Sans the application font
    // and installs the style sheet. Safe to call more than once.
    static void Apply(QApplication& app);
    // The style sheet's text.
    static QString StyleSheet();
    // The family name of the bundled font, empty when it failed to load.
    static QString FontFamily();
};
