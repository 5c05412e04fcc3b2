#pragma once
// The photo-book kind: same-day books made in the shop, or premium books
// made by a specialist; both lead to the photo-book size step.
#include "UCtrlTileChoiceBase.h"

#include <QScrollArea>

class TCtrlTileChoiceAlbumTypes : public TCtrlTileChoiceBase {
public:
    using TCtrlTileChoiceBase::TCtrlTileChoiceBase;

    void OnOpen(IMainFrame* main) override;

    TTileButton* ButtonAlbumTypes1Day = nullptr;
    TTileButton* ButtonAlbumTypesPremium = nullptr;

protected:
    void createButtons() override;
};
