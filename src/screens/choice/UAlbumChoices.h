#pragma once
// What the photo-book steps show and offer: the description and price of a
// book offer, its default background range, the size of a theme tile (an
// open double page) and the frames-per-page tiles a book size allows.
#include <QString>

#include <utility>
#include <vector>

class AlbumPhotographe2;
class GammeFond2;
class IMainFrame;
class PrixAlbum2;
class TAlbumSizeList;

class TAlbumChoices {
public:
    TAlbumChoices() = delete;

    // Frames per page: one photo, automatic with several, blank pages.
    static constexpr int FramesOne = 1;
    static constexpr int FramesMultiple = -1;
    static constexpr int FramesBlank = 0;

    static bool pageCountVaries(const AlbumPhotographe2& book);
    // Page range (or count), a line feed, the printing sides.
    static QString description(const AlbumPhotographe2& book);
    // The price, inside "From %s" when the page count can vary.
    static QString priceText(IMainFrame* main, const AlbumPhotographe2& book, const PrixAlbum2* price);
    // The range marked as the offer's own (the last such one), null when
    // none is marked.
    static GammeFond2* defaultRange(const std::vector<std::pair<GammeFond2*, bool>>& ranges);

    // The frames-per-page values offered for a book of that page size, in
    // tile order. A size the catalogue does not know, or one without page
    // models, leaves only blank pages to arrange by hand.
    static std::vector<int> framesPerPageOffered(TAlbumSizeList* sizes, qint32 pageWidth, qint32 pageHeight);
    static QString framesPerPageText(int value);
    // Frames per page of the sample book a tile shows.
    static int framesPerPagePreview(int value) { return value == FramesMultiple ? 3 : value; }
};
