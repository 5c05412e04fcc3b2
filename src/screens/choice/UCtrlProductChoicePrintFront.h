#pragma once
// The front print step: prints without date, with the shooting date, or
// with date and time on their front. Each tile shows an example picture
// that the catalogue loader fetches from the lab; while one is missing the
// step holds the main window's waiting indicator, and the tiles repaint
// when the pictures arrive. The choice holds for every print of the order.
#include "UBitmapCachePart.h"
#include "UCtrlProductChoiceBase.h"
#include "UMainObservers.h"
#include "UOrderBitmapCache.h"
#include "UPrintOrder.h"

#include <QPointer>

class QLabel;
class TCtrlProductChoicePrintFront;

// The "drawlayout" part of a front tile: the example picture at its own
// pixel size, centred, with a thin dark outline.
class TFrontPreviewPart : public TBitmapCachePart {
    Q_OBJECT
public:
    TFrontPreviewPart(QWidget* parent, TCtrlProductChoicePrintFront* step, TPrintDateFormat format);

protected:
    bool paintPart() override;

private:
    TCtrlProductChoicePrintFront* fStep;
    TPrintDateFormat fFormat;
};

class TProductFrontButton : public TProductButton {
    Q_OBJECT
public:
    TProductFrontButton(QSvgRenderer* defaultImage, TCtrlProductChoicePrintFront* step, TPrintDateFormat format,
                        QWidget* parent = nullptr);

    TPrintDateFormat dateFormat() const { return fDateFormat; }
    TFrontPreviewPart* previewPart() const { return fDrawPreviewLayout; }

private:
    TPrintDateFormat fDateFormat;
    QPointer<TFrontPreviewPart> fDrawPreviewLayout;
};

class TCtrlProductChoicePrintFront : public TCtrlProductChoiceBase, public IMainObserver {
public:
    TCtrlProductChoicePrintFront(IMainFrame* main, QWidget* stepTabItem);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* area) override;
    QString topBarTitle() override;
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override;

    // A painted tile found its example file missing (true) or present.
    void setWaitingForImages(bool waiting);
    bool waitingForImages() const { return fIsWaitingForImages; }
    QLabel* cautionText() const { return fTextPrintFrontCaution; }
    void frontClick(TPrintDateFormat format);

protected:
    void createButtons() override;

private:
    bool fIsWaitingForImages = false;
    QPointer<QLabel> fTextPrintFrontCaution;
};
