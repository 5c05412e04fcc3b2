#pragma once
// The popup in which the customer types and formats the text of a text frame
// (the mobile design variant edits text frames here instead of inline). It
// covers the upper half of the window, leaving the lower half to an
// on-screen keyboard. Typing writes the text into the frame at once and
// redraws the page; every format control is handed to the owner (the design
// editor), which applies it to the text block; the toggles then show the
// text block's state again.
#include "UCtrlPopupBase.h"
#include "UPopupPanel.h"

#include <QPointer>

class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QPushButton;
class QTextEdit;
class QWidget;
class TColorPalette;
class TCustomizedFrame;
class TCtrlPopupEditText;
class TPopupPanel;
class TZebguiCustomizedPage;

// The owner of the text popup (the design editor). The sender is the control
// whose value changed; the owner reads the value from it.
class ICtrlPopupEditTextNotif {
public:
    virtual ~ICtrlPopupEditTextNotif() = default;
    virtual IMainFrame* mainFrame() = 0;
    virtual TCustomizedFrame* frameSelected() = 0;
    virtual TZebguiCustomizedPage* pageControlSelected() = 0;
    virtual void selectedFrameChanged() = 0;
    virtual void fontFamilyChanged(QObject* sender) = 0;
    virtual void fontSizeChanged(QObject* sender) = 0;
    virtual void fontColorChanged(QObject* sender) = 0;
    virtual void backColorChanged(QObject* sender) = 0;
    virtual void fontBoldClick(QObject* sender) = 0;
    virtual void fontItalicClick(QObject* sender) = 0;
    virtual void fontUnderlineClick(QObject* sender) = 0;
    virtual void alignLeftClick(QObject* sender) = 0;
    virtual void alignCenterClick(QObject* sender) = 0;
    virtual void alignRightClick(QObject* sender) = 0;
    // "Remove this Text".
    virtual void frameDelete(TCtrlPopupEditText* sender) = 0;
    // Shows a toggle button as on or off.
    virtual void toggleButtonLook(bool selected, QPushButton* button) = 0;
};

// The popup's size on a window of W x H: the group box's margins and the
// scale of its content.
struct TEditTextScale {
    int marginLeft = 10;
    int marginTop = 10;
    int marginRight = 10;
    int marginBottom = 0;
    double scale = 1;
    // Room left for the content, as the scale was computed from.
    double roomV = 0;
    double roomH = 0;
};

class TCtrlPopupEditText : public TCtrlPopupHard {
public:
    KIOSK_PUBLISHED(QWidget, LayoutPopUpEditText);
    KIOSK_PUBLISHED(QGroupBox, GroupBoxPopUpEditText);

    // The group box and its content area on the panel, when missing.
    static void BuildForm(TPopupPanel* bg);
    // The scale of the content for a window of W x H whose content area has
    // the margins m (top, left, right, bottom) at the current scale s.
    static TEditTextScale ScaleCalc(double W, double H, double s, const QMargins& m);

    // Built with TCtrlCommonBase::Create<TCtrlPopupEditText>(main, notif, bg).
    TCtrlPopupEditText(IMainFrame* main, ICtrlPopupEditTextNotif* notif, TPopupPanel* bg);
    ~TCtrlPopupEditText() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;

    // The controls, once opened (null while closed).
    QTextEdit* MemoEditText() const { return fMemo; }
    QComboBox* ComboBoxFontFamily() const { return fCombo; }
    QDoubleSpinBox* SpinBoxFontSize() const { return fSpin; }
    TColorPalette* ComboColorBoxFontColor() const { return fFontColor; }
    TColorPalette* ComboColorBoxFontBackgroundColor() const { return fBackColor; }
    QPushButton* ButtonFontBold() const { return fBold; }
    QPushButton* ButtonFontItalic() const { return fItalic; }
    QPushButton* ButtonFontUnderline() const { return fUnderline; }
    QPushButton* ButtonFontPositionLeft() const { return fLeft; }
    QPushButton* ButtonFontPositionCenter() const { return fCenter; }
    QPushButton* ButtonFontPositionRight() const { return fRight; }
    QPushButton* ButtonRemoveText() const { return fRemove; }
    QPushButton* ButtonOK() const { return fOK; }
    double Scale() const { return fScale; }

    // Hands a format control's change to the owner, then shows the toggles
    // as the text block now is. An unknown sender raises EToDo.
    void OnChangeRouter(QObject* sender);

private:
    void buildContent();
    void fill(bool first);
    void onTextChanged();

    ICtrlPopupEditTextNotif* fNotif;
    QPointer<QWidget> fContent;
    QTextEdit* fMemo = nullptr;
    QComboBox* fCombo = nullptr;
    QDoubleSpinBox* fSpin = nullptr;
    TColorPalette* fFontColor = nullptr;
    TColorPalette* fBackColor = nullptr;
    QPushButton* fBold = nullptr;
    QPushButton* fItalic = nullptr;
    QPushButton* fUnderline = nullptr;
    QPushButton* fLeft = nullptr;
    QPushButton* fCenter = nullptr;
    QPushButton* fRight = nullptr;
    QPushButton* fRemove = nullptr;
    QPushButton* fOK = nullptr;
    std::vector<QWidget*> fLeftColumn;
    double fScale = 1;
};
