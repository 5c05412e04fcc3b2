#include "UAlbumChoices.h"

#include "UAlbumSize.h"
#include "UChoicePriceText.h"
#include "ULabAlbumContracts.h"
#include "ULangTexts.h"

bool TAlbumChoices::pageCountVaries(const AlbumPhotographe2& book)
{
    return book.NombrePagesMini() < book.NombrePagesMaxi();
}

QString TAlbumChoices::description(const AlbumPhotographe2& book)
{
    QString text = pageCountVaries(book)
        ? LangTexts::Screens::FromPages.Text({ book.NombrePagesMini(), book.NombrePagesMaxi() })
        : LangTexts::Screens::PagesFmt.Text({ book.NombrePagesMaxi() });
    text += QLatin1Char('\n');
    text += book.RectoVerso() ? LangTexts::Screens::PagesFrontBackPrinted.Text()
                              : LangTexts::Screens::PagesFrontPrinted.Text();
    return text;
}

QString TAlbumChoices::priceText(IMainFrame* main, const AlbumPhotographe2& book, const PrixAlbum2* price)
{
    return TChoicePriceText::album(main, price, pageCountVaries(book));
}

GammeFond2* TAlbumChoices::defaultRange(const std::vector<std::pair<GammeFond2*, bool>>& ranges)
{
    GammeFond2* found = nullptr;
    for (const auto& [range, isDefault] : ranges)
        if (isDefault)
            found = range;
    return found;
}

std::vector<int> TAlbumChoices::framesPerPageOffered(TAlbumSizeList* sizes, qint32 pageWidth, qint32 pageHeight)
{
    TAlbumSize* size = sizes ? sizes->byWidthHeight(pageWidth, pageHeight) : nullptr;
    if (!size)
        return { FramesBlank };
    const TPageModelFramesLimit limit = size->getPageModelFramesLimit();
    std::vector<int> offered;
    // Without page models (limits 0 and 0) no automatic layout is possible.
    if (limit.max > 0 && limit.min <= 1)
        offered.push_back(FramesOne);
    if (limit.max > 1)
        offered.push_back(FramesMultiple);
    offered.push_back(FramesBlank);
    return offered;
}

QString TAlbumChoices::framesPerPageText(int value)
{
    switch (value) {
    case FramesOne:
        return LangTexts::Screens::OnePhotoPerPage.Text();
    case FramesMultiple:
        return LangTexts::Screens::MultiplePhotosPerPage.Text();
    default:
        return LangTexts::Screens::BlankLetMeArrange.Text();
    }
}
