#pragma once
// The popups that show a long text the customer reads and accepts: the
// shop's terms of sale (TCtrlPopupCgv) and the kiosk-use conditions of a
// self-service kiosk (TCtrlPopupCondKioskUse). Their base TCtrlPopupCgBase
// paints the text word-wrapped on a layout inside a vertical scroll box and
// grows the layout to the measured height of the text, so the scroll box
// scrolls over the whole of it; the same painting prints it page by page.
//
// The acceptance is the current order's acceptedCgv: accepting sets it,
// refusing the terms of sale clears it, any other close leaves it.
#include "UCtrlPopupBase.h"

#include <QFont>
#include <QPointer>
#include <QRectF>

#include <QGroupBox>
class QPainter;
class QPrinter;
class QPushButton;
#include <QScrollArea>

class TCtrlPopupCgBase : public TCtrlPopupHard {
public:
    TCtrlPopupCgBase(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus = nullptr);
    ~TCtrlPopupCgBase() override;

    void OnClose() override;
    void OnResize(QWidget* parent) override;
    QGroupBox* popupGroupBox() override;

    // The measured rectangle of the text painted into paintRect: as wide as
    // paintRect, as high as the wrapped text plus twice the font size. With
    // rect null the measure is cached until paintRect changes; otherwise
    // *rect is the cache (measured when it is empty).
    QRectF textRectCalc(const QRectF& paintRect, const QString& text, QRectF* rect = nullptr);
    // Forgets the cached measure.
    void textRectReset();
    // Paints page `page` (from 1) of the text into paintRect. With a text
    // layout, a layout whose height differs from the text's is given that
    // height later (on the GUI queue, never inside a paint). Errors are
    // logged and the text stays unpainted.
    void paintTextOnCanvas(QPainter& canvas, const QRectF& paintRect, const QString& text, QWidget* textLayout,
                           int page, QRectF* rect);
    // Prints the text on printer, as many pages as it needs; the number of
    // pages printed.
    int printText(QPrinter& printer, const QString& text);

    const QFont& textFont() const { return fFont; }
    QScrollArea* scrollBox() const { return fScrollBox; }
    QWidget* textLayout() const { return fTextLayout; }
    QWidget* buttonRow() const { return fButtonRow; }
    bool resizeTaskPending() const;

protected:
    // Builds the group box: title, scroll box with the text layout, button
    // row of rowHeight at the bottom. The names are the components' names.
    void frameBuild(const QString& boxName, const QString& title, const QString& scrollName,
                    const QString& layoutName, const QString& rowName);
    // The text the layout shows (read at every paint).
    virtual QString shownText() = 0;
    // Places the buttons in the row for a group box of width w; sets the
    // row's height.
    virtual void buttonsLayout(int w) = 0;
    // Moves the view to the top of the text.
    void viewportTop();
    QPushButton* addButton(const QString& name, const QString& caption);

    void statusShow(const QString&) override { }
    void waitShow() override { }
    void waitHide() override { }

    QFont fFont;

private:
    QRectF fTextRect;
    QRectF fTextRectRef;
    IThreadTaskRef fResizeTask;
    QPointer<QGroupBox> fBox;
    QPointer<QScrollArea> fScrollBox;
    QPointer<QWidget> fTextLayout;
    QPointer<QWidget> fButtonRow;
};

// The shop's terms of sale. With the terms mandatory the customer pages
// through them with Accept (each press shows the next part) before the last
// press accepts; otherwise the popup is for reading and Accept reads Close.
class TCtrlPopupCgv : public TCtrlPopupCgBase {
public:
    // acceptProc (may be empty) runs after the customer accepted.
    TCtrlPopupCgv(IMainFrame* main, TPopupPanel* bg, TProc acceptProc = nullptr);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;

    void ButtonPopUpCgvAcceptClick();
    void ButtonPopUpCgvRefuseClick();
    void ButtonPopUpCgvPrintClick();
    void ButtonPopUpCgvSaveClick();

    // Writes the terms to path as UTF-8 with CR LF line ends; a name without
    // extension gets ".txt". The path written.
    static QString SaveTermsToFile(const QString& text, const QString& path);
    // CR LF and LF become CR LF; a CR alone stays.
    static QString LineEndsToCrLf(const QString& text);

    QPushButton* ButtonPopUpCgvSave = nullptr;
    QPushButton* ButtonPopUpCgvPrint = nullptr;
    QPushButton* ButtonPopUpCgvAccept = nullptr;
    QPushButton* ButtonPopUpCgvRefuse = nullptr;

protected:
    QString shownText() override;
    void buttonsLayout(int w) override;

private:
    TProc fAcceptProc;
};

// The kiosk-use conditions: Agree runs the accept procedure, Disagree only
// closes; the customer must answer (a tap beside the box does nothing).
class TCtrlPopupCondKioskUse : public TCtrlPopupCgBase {
public:
    TCtrlPopupCondKioskUse(IMainFrame* main, TPopupPanel* bg, TProc acceptProc = nullptr);

    void OnOpen(IMainFrame* main) override;
    void OnResize(QWidget* parent) override;
    void OnBackgroundClick() override { }

    void ButtonPopUpCondKioskUseAgreeClick();
    void ButtonPopUpCondKioskUseDisagreeClick();
    const QString& Text() const { return fTxt; }

    QPushButton* ButtonPopUpCondKioskUseAgree = nullptr;
    QPushButton* ButtonPopUpCondKioskUseDisagree = nullptr;

protected:
    QString shownText() override { return fTxt; }
    void buttonsLayout(int w) override;

private:
    TProc fAcceptProc;
    QString fTxt;
};
