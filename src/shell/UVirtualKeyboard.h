#pragma once
// The on-screen keyboard of a touch-screen kiosk: whenever a text field
// takes the focus the keyboard program is started beside it, and it is
// closed again when the focus leaves the text fields (unless automatic
// hiding is off).
//
// The keyboard is a separate program driven through QProcess: by default
// the desktop's on-screen keyboard ("onboard", placed with its -x/-y/-s
// options), or the maker's external keyboard program "ScreenKeyboard"
// beside the executable, which reads its size, place, language and log
// folder from its arguments. The keyboard's window is the process: running
// means shown, ended means none.
//
// Once the customer has closed the keyboard on a field it is not opened
// again for that field until the field is pressed again; another field
// opens it at once.
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

enum class TVKAutoShowMode { DefinedBySystem, Never, Always };
enum class TvkbState { None, Hidden, Shown };
enum class TVirtualKeyboardType { Default, NumbersAndPunctuation, NumberPad, PhonePad, Alphabet, URL, NamePhonePad, EmailAddress };

// The system's extension of the keyboard service.
class IFMXVirtualKeyboardServiceExt {
public:
    virtual ~IFMXVirtualKeyboardServiceExt() = default;
    virtual void ResetVirtualKeyboard(QObject* control) = 0;
    virtual void setAutoHideKeyboard(bool value) = 0;
    virtual void setVirtualKeyboardPath(const QString& path) = 0;
    virtual void setVirtualKeyboardExe(const QString& exe) = 0;
    virtual void setVirtualKeyboardClassName(const QString& name) = 0;
    virtual void setVirtualKeyboardTitle(const QString& title) = 0;
    virtual void setVelmoraKeyboard(bool value) = 0;
    virtual bool getVelmoraKeyboard() = 0;
    virtual void setVirtualKeyboardLogPath(const QString& path) = 0;
    virtual void setVirtualKeyboardToDefault() = 0;
    virtual void setVirtualKeyboardLang(const QString& lang) = 0;
};

// What the external keyboard's arguments are made of.
struct TKeyboardPlacement {
    QRect form;              // the window, in screen coordinates
    QRect control;           // the focused field, in the window's coordinates (empty: none)
    TVirtualKeyboardType type = TVirtualKeyboardType::Default;
    bool kanaInput = false;  // the field asks for full-width katakana
    QString lang;
    QString logPath;
    quint64 windowId = 0;
};

class TVirtualKeyboardService : public QObject, public IFMXVirtualKeyboardServiceExt {
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 300;

    TVirtualKeyboardService();
    ~TVirtualKeyboardService() override;

    // The service of the program (created on first use).
    static TVirtualKeyboardService& Instance();
    static void SetAutoShowMode(TVKAutoShowMode mode);
    static TVKAutoShowMode AutoShowMode();
    // The keyboard shows by itself: mode Always (a hardware keyboard is
    // taken as present, so DefinedBySystem does not show it).
    static bool AutoShows();

    // The keyboard's rectangle on the screen: bottom centre of the window,
    // or its top when the field would be covered.
    static QRect KeyboardRect(const TKeyboardPlacement& p);
    // The external keyboard's arguments, and the same as one text.
    static QStringList ExternalArguments(const TKeyboardPlacement& p);
    static QString ExternalArgumentText(const TKeyboardPlacement& p);
    // The desktop keyboard's placement arguments.
    static QStringList DefaultArguments(const TKeyboardPlacement& p);

    // Follows the application's focus and presses (start once, with the
    // application object existing).
    void Install();

    bool ShowVirtualKeyboard(QWidget* control);
    bool HideVirtualKeyboard();
    TvkbState VirtualKeyboardState() const;
    bool Error() const { return fError; }
    bool AutoHide() const { return fAutoHide; }
    QString Program() const;
    // The arguments of the last start.
    const QStringList& LastArguments() const { return fLastArgs; }
    // The keyboard program's process id (0 when none runs).
    qint64 KeyboardProcessId() const { return fProcess ? fProcess->processId() : 0; }

    // IFMXVirtualKeyboardServiceExt
    void ResetVirtualKeyboard(QObject* control) override;
    void setAutoHideKeyboard(bool value) override { fAutoHide = value; }
    void setVirtualKeyboardPath(const QString& path) override { fPath = path; }
    void setVirtualKeyboardExe(const QString& exe) override { fExeName = exe; }
    void setVirtualKeyboardClassName(const QString& name) override { fWndClassName = name; }
    void setVirtualKeyboardTitle(const QString& title) override { fWndWinTitle = title; }
    void setVelmoraKeyboard(bool value) override { fVelmoraKb = value; }
    bool getVelmoraKeyboard() override { return fVelmoraKb; }
    void setVirtualKeyboardLogPath(const QString& path) override { fLogPath = path; }
    void setVirtualKeyboardToDefault() override;
    void setVirtualKeyboardLang(const QString& lang) override { fKBlang = lang; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void launch(QWidget* control);
    void quit();
    void focusChanged(QWidget* old, QWidget* now);

    std::unique_ptr<QProcess> fProcess;
    bool fError = false;
    bool fAutoHide = true;
    bool fVelmoraKb = false;
    QString fPath;
    QString fExeName;
    QString fWndClassName;
    QString fWndWinTitle;
    QString fLogPath;
    QString fKBlang;
    QPointer<QObject> fLastCtrlHandle;
    QPointer<QObject> fLastCtrlFocusedHandle;
    QStringList fLastArgs;
    bool fInstalled = false;
};
