#pragma once
// Where the tiles of a tile-choice screen go: rows of equal tiles as large as
// the area allows within minimum and maximum widths, at most a given number
// per row, the rows spread over the height and a short last row centred.
// Plain arithmetic, tested with tables.
#include <QRectF>
#include <QSizeF>

#include <vector>

struct TTileLayoutInput {
    QSizeF area;          // W x H
    int count = 0;        // n
    QSizeF design;        // design size of a tile (aspect reference)
    float heightUsed = 0; // taken above the tiles (title, subtitle, info)
    float addHeight = 0;  // extra height below each tile (outside caption)
    float widthMin = 150;
    float widthMax = 800;
    float heightMin = 100;
    float marginHorz = 20;
    float marginHorzMax = 100;
    float marginVert = 20;
    float marginHorzDiv = 20;
    int perRowMax = 3;
    bool popup = false; // popups never drop tiles for the minimum width
};

struct TTileLayoutResult {
    float margin = 0;          // c
    int perRow = 0;            // p
    int rows = 0;              // r
    QSizeF tile;               // w x h (h without the extra height)
    float containerHeight = 0; // the tiles scroll when it exceeds the area
    std::vector<QRectF> rects; // one per tile, in order
};

TTileLayoutResult TileLayoutCompute(const TTileLayoutInput& in);
