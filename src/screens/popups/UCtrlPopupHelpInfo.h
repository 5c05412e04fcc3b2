#pragma once
// Short advice popups that the selection and overview screens push at the
// right moment; each advice shows once: once per order on a kiosk, once
// ever (per configuration) elsewhere. A popup already shown, or whose advice
// does not apply, refuses its own opening with ECancel (the popup stack
// then shows nothing).
#include "UCtrlPopupBase.h"

#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <functional>

class TCtrlPopupHelpInfo : public TCtrlPopupHard {
public:
    TCtrlPopupHelpInfo(IMainFrame* main, TPopupPanel* bg);
    ~TCtrlPopupHelpInfo() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    bool closeOnStepChange() override { return true; }
    QGroupBox* popupGroupBox() override;

    // "<class name less TCtrlPopupHelpInfo>.<workflow type name>".
    virtual QString helpKey();
    virtual QString helpTitle() = 0;
    virtual QString helpMessage() = 0;
    virtual QString helpMessage2() { return QString(); }
    virtual bool button1Visible() { return true; }
    virtual QString button1Text();
    virtual void button1Click() { Close(); }
    virtual bool button2Visible() { return false; }
    virtual QString button2Text() { return QString(); }
    virtual void button2Click() { }

    QLabel* LabelPopupHelpInfoText() const { return fText; }
    QLabel* LabelPopupHelpInfoText2() const { return fText2; }
    QPushButton* ButtonPopupHelpInfoOk() const { return fOk; }
    QPushButton* ButtonPopupHelpInfoCancel() const { return fCancel; }
    double boxScale() const { return fScale; }

    // The group box of the design size (dw x dh) in unzoomed units on a
    // panel of width panelW in a client area W x H at zoom z (percent):
    // scale b, width and height.
    struct TBoxLayout {
        double scale = 1;
        double width = 0;
        double height = 0;
    };
    static TBoxLayout BoxLayout(double dw, double dh, double boxW, double boxH, double panelW, double W, double H,
                                double z, double marginW, double marginH);

protected:
    QPointer<QGroupBox> fBox;
    QPointer<QWidget> fLayout;
    QPointer<QLabel> fText;
    QPointer<QLabel> fText2;
    QPointer<QPushButton> fOk;
    QPointer<QPushButton> fCancel;
    double fScale = 1;
};

// What the advice about the number of photos needs of the current product:
// the pictures available, the minimum, and for a photo book its frames per
// page (negative: automatic layout, 0: blank pages, positive: fixed). The
// product workflow data installs it.
struct THelpInfoProductFacts {
    int available = 0;
    int minimum = 0;
    int framesPerPage = -1;
};
using THelpInfoProductFactsHook = std::function<THelpInfoProductFacts(IMainFrame* main)>;

class TCtrlPopupHelpInfoPhotoMin : public TCtrlPopupHelpInfo {
public:
    using TCtrlPopupHelpInfo::TCtrlPopupHelpInfo;
    void OnOpen(IMainFrame* main) override;
    QString helpKey() override;
    QString helpTitle() override;
    QString helpMessage() override;
    int PhotoMin() const { return fPhotoMin; }

    static inline THelpInfoProductFactsHook ProductFacts;

private:
    int fPhotoMin = 0;
};

class TCtrlPopupHelpInfoPhotoOk : public TCtrlPopupHelpInfo {
public:
    using TCtrlPopupHelpInfo::TCtrlPopupHelpInfo;
    void OnOpen(IMainFrame* main) override;
    QString helpKey() override;
    QString helpTitle() override;
    QString helpMessage() override;
    QString button1Text() override;
    void button1Click() override;
    bool button2Visible() override;
    QString button2Text() override;
    void button2Click() override { Close(); }

private:
    bool fixedLayoutBook();
};

class TCtrlPopupHelpInfoPageOrder : public TCtrlPopupHelpInfo {
public:
    using TCtrlPopupHelpInfo::TCtrlPopupHelpInfo;
    void OnOpen(IMainFrame* main) override;
    QString helpTitle() override { return QString(); }
    QString helpMessage() override;
};

class TCtrlPopupHelpInfoPrintSelection : public TCtrlPopupHelpInfo {
public:
    using TCtrlPopupHelpInfo::TCtrlPopupHelpInfo;
    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    QString helpTitle() override { return QString(); }
    QString helpMessage() override;
    QString helpMessage2() override;
    QPushButton* ButtonFullscreen() const { return fButtonFullscreen; }
    void OnLabelResize();

private:
    QPointer<QPushButton> fButtonFullscreen;
    QPointer<QObject> fWatcher;
};
