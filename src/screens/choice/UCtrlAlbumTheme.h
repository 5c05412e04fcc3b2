#pragma once
// The photo-book theme step: the background ranges of the book's family,
// each tile an open double page of a sample book made with the range, laid
// out in a grid of double pages. A click sets the range on the book; a
// book that already has pages gets new backgrounds at once and the
// workflow moves on, otherwise the customer goes to the frames-per-page
// step.
#include "UPagePreviewPart.h"
#include "UCtrlPagingTileChoiceBase.h"

#include <QPointer>

#include <memory>

class GammeFond2;
class TAlbumProduct;


class TBackgroundRangeButton : public TCtrlPagingTileChoiceButton {
    Q_OBJECT
public:
    explicit TBackgroundRangeButton(QWidget* parent = nullptr);
    ~TBackgroundRangeButton() override;

    GammeFond2* backgroundRange() const { return fBackgroundRange; }
    void setBackgroundRange(GammeFond2* range) { fBackgroundRange = range; }
    void bindMain(IMainFrame* main);
    TPagePreviewPart* previewPart() const { return fDrawAlbumLayout; }

private:
    GammeFond2* fBackgroundRange = nullptr; // the catalogue's
    QPointer<TPagePreviewPart> fDrawAlbumLayout;
    std::unique_ptr<TAlbumProduct> fAlbumPreview;
};

class TBackgroundRangePage : public TCtrlPagingTileChoicePage {
    Q_OBJECT
public:
    using TCtrlPagingTileChoicePage::TCtrlPagingTileChoicePage;
    void layoutButtons() override;
};

class TCtrlAlbumTheme : public TCtrlPagingTileChoiceBase {
public:
    using TCtrlPagingTileChoiceBase::TCtrlPagingTileChoiceBase;

    void OnOpen(IMainFrame* main) override;
    QString topBarTitle() override;
    TCtrlPagingTileChoicePage* createPage(TCtrlPagingTileChoiceScrollBox* box, int pageNo) override;

protected:
    TCtrlPagingTileChoiceScrollBox* createScrollBox() override;
    void choiceButtonsFill(TPagingButtonList& list) override;
    void choiceButtonClick(TCtrlPagingTileChoiceButton* sender) override;
};
