#pragma once
// The photo-book frames-per-page step: one photo per page, several photos
// per page (laid out automatically) or blank pages to arrange by hand, as
// the book size's page models allow; each tile an open double page of a
// sample book laid out that way on the chosen theme. The choice is kept in
// the album workflow data, which builds the book later.
#include "UPagePreviewPart.h"
#include "UCtrlTileChoiceBase.h"
#include "UQzguiButton.h"

#include <QPointer>

#include <memory>

class GammeFond2;
class TAlbumProduct;


class TAlbumFramesPerPageButton : public TTileButton {
    Q_OBJECT
public:
    TAlbumFramesPerPageButton(IMainFrame* main, int nbFramesPerPage, GammeFond2* range, QWidget* parent = nullptr);
    ~TAlbumFramesPerPageButton() override;

    int nbFramesPerPage() const { return fNbFramesPerPage; }
    TPagePreviewPart* previewPart() const { return fDrawAlbumLayout; }

private:
    IMainFrame* fMain;
    int fNbFramesPerPage;
    GammeFond2* fBackgroundRange;
    QPointer<TPagePreviewPart> fDrawAlbumLayout;
    std::unique_ptr<TAlbumProduct> fAlbumPreview;
};

class TCtrlAlbumFramesPerPage : public TCtrlTileChoiceBase, public ICtrlToResize {
public:
    using TCtrlTileChoiceBase::TCtrlTileChoiceBase;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    QString topBarTitle() override;
    void CtrlResize(TTileButton* button) override;
    void framesClick(int nbFramesPerPage);
    bool resizePending() const { return fResizeTask != nullptr; }

protected:
    void createButtons() override;

private:
    IThreadTaskRef fResizeTask;
};
