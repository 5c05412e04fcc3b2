#pragma once
// Base of the product-option steps (print group, surface and finish, border,
// front print, card groups, card background): their tiles are product tiles
// (TProductButton) laid out by the tile-choice step base; a step adds them
// with productButtonAdd in its createButtons.
//
// TCalTypeButton: a product tile that shows a picture of the program's
// resources (a JPEG, through the bitmap cache) in place of its SVG picture;
// the calendar-type tiles use it and the print-border tiles derive from it.
#include "UCtrlTileChoiceBase.h"

#include <QScrollArea>
#include "UQzguiButton.h"

#include <QPointer>

class TOrderImageBase;
#include "UResImagePart.h"

class TCtrlProductChoiceBase : public TCtrlTileChoiceBase {
public:
    TCtrlProductChoiceBase(IMainFrame* main, QWidget* stepTabItem);

    void OnResize(QWidget* area) override;

    // A product tile with the caption and the picture (the mountain when
    // svg is null), in the tile container. The step lists it itself.
    virtual TProductButton* productButtonAdd(const QString& caption, QSvgRenderer* svg);
};

class TCalTypeButton : public TProductButton {
    Q_OBJECT
public:
    explicit TCalTypeButton(QSvgRenderer* defaultImage, QWidget* parent = nullptr);
    ~TCalTypeButton() override;

    QString ResId() const { return fResId; }
    // Loads the picture of that resource name ("<name>.jpg"); a failure is
    // logged and leaves the tile with its SVG picture.
    void setResId(const QString& resId);
    IMainFrame* main() const { return fMain; }
    void setMain(IMainFrame* main);
    TOrderImageBase* image() const { return fImg; }
    TResImagePart* drawLayout() const { return fDrawLayout; }

protected:
    void updateImage() override;

private:
    TOrderImageBase* fImg = nullptr;
    QString fResId;
    QPointer<TResImagePart> fDrawLayout;
    IMainFrame* fMain = nullptr;
};
