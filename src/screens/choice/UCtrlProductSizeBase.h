#pragma once
// Base of the size steps (prints, cards, calendars, photo books): a paged
// choice whose buttons show each size as a picture drawn to scale, with a
// phone outline first on every page of the wide designs so that the
// customer has a familiar object to compare with. The page layouts are the
// arithmetic of TProductSizeLayout; a size button also carries what its
// click hands to the workflow data.
#include "UCtrlPagingTileChoiceBase.h"

#include <QPointer>

class TSvgImagePart;

class TProductSizeButton : public TCtrlPagingTileChoiceButton {
    Q_OBJECT
public:
    explicit TProductSizeButton(QSvgRenderer* defaultImage, const QString& style, QWidget* parent = nullptr);

    QString prefix() const { return fPrefix; }
    virtual void setPrefix(const QString& prefix) { fPrefix = prefix; }
    bool hideSizeTxt() const { return fHideSizeTxt; }
    void setHideSizeTxt(bool v) { fHideSizeTxt = v; }
    QString key() const { return fKey; }
    void setKey(const QString& key) { fKey = key; }
    qint32 filterWidth() const { return fFilterWidth; }
    void setFilterWidth(qint32 v) { fFilterWidth = v; }
    qint32 filterHeight() const { return fFilterHeight; }
    void setFilterHeight(qint32 v) { fFilterHeight = v; }
    // The picture keeps this much room on either side for the texts below
    // it (the page widens the button by as much).
    int pictureInset() const { return fPictureInset; }
    void setPictureInset(int inset);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePicture();
    int fPictureInset = -1;
    QString fPrefix;
    bool fHideSizeTxt = false;
    QString fKey;
    qint32 fFilterWidth = 0;
    qint32 fFilterHeight = 0;
};

class TProductSizePage : public TCtrlPagingTileChoicePage {
    Q_OBJECT
public:
    TProductSizePage(TCtrlPagingTileChoiceScrollBox* box, int pageNo, QSvgRenderer* phone);

    void layoutButtons() override;
    TSvgImagePart* phoneImage() const { return fSvgImageIphone5; }

private:
    QPointer<TSvgImagePart> fSvgImageIphone5;
    QSvgRenderer* fPhone;
};

class TCtrlProductSizeBase : public TCtrlPagingTileChoiceBase {
public:
    TCtrlProductSizeBase(IMainFrame* main, QWidget* stepTabItem);

    TCtrlPagingTileChoicePage* createPage(TCtrlPagingTileChoiceScrollBox* box, int pageNo) override;

    // The phone outline (58 x 123), built into the program.
    QSvgRenderer* svgDocAppleIphone5;
};
