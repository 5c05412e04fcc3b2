#pragma once
// The choice of how an image list groups its pictures (by date, folder or
// file name), opened from the print selection (TCtrlTileChoiceChangeViewPrint)
// and from the common selection (TCtrlTileChoiceChangeViewCommon); a choice
// goes back to the list, which feeds itself again in the new grouping.
#include "UCtrlTileChoiceBase.h"

#include <QScrollArea>

#include "UDataSourceImg.h"

class TCtrlTileChoiceChangeViewBase : public TCtrlTileChoiceBase {
public:
    TCtrlTileChoiceChangeViewBase(IMainFrame* main, QWidget* stepTabItem);

    void OnOpen(IMainFrame* main) override;
    // The base's tile, square, in the media tile style of the design.
    TTileButton* AddTileButton(const QString& caption, QSvgRenderer* svg) override;

    virtual void groupByDate() { groupBy(psgb_date); }
    virtual void groupByFolder() { groupBy(psgb_folder); }
    virtual void groupByFileName() { groupBy(psgb_filename); }

    TTileButton* ButtonPhotoViewDate = nullptr;
    TTileButton* ButtonPhotoViewFolder = nullptr;
    TTileButton* ButtonPhotoViewFilename = nullptr;
    QSvgRenderer* svgDocClock;
    QSvgRenderer* svgDocFolder;
    QSvgRenderer* svgDocFileImage;

protected:
    void createButtons() override;

private:
    // The photo source's lists feed again in the new grouping.
    void groupBy(TPhotoSourceGroupBy g);
};

class TCtrlTileChoiceChangeViewPrint : public TCtrlTileChoiceChangeViewBase {
public:
    using TCtrlTileChoiceChangeViewBase::TCtrlTileChoiceChangeViewBase;
};

class TCtrlTileChoiceChangeViewCommon : public TCtrlTileChoiceChangeViewBase {
public:
    using TCtrlTileChoiceChangeViewBase::TCtrlTileChoiceChangeViewBase;
};
