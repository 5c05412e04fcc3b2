#pragma once
// The one theme every list painter draws from: colours, font sizes and the
// content margins of each element style. The application may install its
// own (from its style sheet's palette) with SetCurrent at start; painters
// never hard-code a colour.
#include <QColor>
#include <QMarginsF>
#include <QString>

struct TListTheme {
    QColor background { 0xFF, 0xFF, 0xFF };
    QColor emptyText { 0xD3, 0xD3, 0xD3 };
    QColor cell { 0xD3, 0xD3, 0xD3 };
    QColor cellSelected { 0x1E, 0x90, 0xFF };
    QColor imageOutline { 0xAA, 0xAA, 0xAA };
    QColor itemCurrent { 0x1E, 0x90, 0xFF };
    QColor itemSelected { 0x1E, 0x90, 0xFF, 0x60 };
    QColor titleBar { 0x00, 0x00, 0x00, 0x90 };
    QColor titleText { 0xFF, 0xFF, 0xFF };
    QColor folderHeader { 0xEE, 0xEE, 0xEE };
    QColor folderText { 0x33, 0x33, 0x33 };
    QColor folderLine { 0xBB, 0xBB, 0xBB };
    QColor checkOn { 0x2E, 0xA0, 0x43 };
    QColor checkOff { 0xFF, 0xFF, 0xFF, 0xC0 };
    QColor usedMark { 0x2E, 0xA0, 0x43 };
    int titlePixelSize = 13;
    int folderPixelSize = 18;
    // Content margins of the element styles (left, top, right, bottom).
    QMarginsF itemMargins { 4, 4, 4, 4 };
    float titleBarHeight = 22;
    QMarginsF folderMargins { 16, 44, 0, 0 };
    QMarginsF folderMarginsFirstLine { 16, 36, 0, 0 };
    QMarginsF folderMarginsMobile { 8, 36, 0, 0 };

    static const TListTheme& Current();
    static void SetCurrent(const TListTheme& theme);
};
