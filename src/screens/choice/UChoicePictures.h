#pragma once
// Pictures drawn into the program for the choice screens: the phone
// outline that stands beside the size pictures for scale, and a print with
// and without its white border. Each document is built once and lives as
// long as the program.
class QSvgRenderer;

class TChoicePictures {
public:
    TChoicePictures() = delete;

    // A phone seen from the front, 58 x 123 units.
    static QSvgRenderer* Phone();
    // A landscape print, framed by a white border or printed to its edges.
    static QSvgRenderer* Border(bool withBorder);
};
