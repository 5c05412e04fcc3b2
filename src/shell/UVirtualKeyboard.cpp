#include "UVirtualKeyboard.h"

#include "UDebug.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace {

TVKAutoShowMode gAutoShowMode = TVKAutoShowMode::DefinedBySystem;

const QString kDefaultFolder = QStringLiteral("/usr/bin");
const QString kDefaultExe = QStringLiteral("onboard");

QString ptrText(const void* p)
{
    return QStringLiteral("0x%1").arg(quintptr(p), 0, 16);
}

bool isTextField(const QWidget* w)
{
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w)
        || qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

// A field's keyboard type, from its input-method hints.
TVirtualKeyboardType keyboardTypeOf(const QWidget* w)
{
    const Qt::InputMethodHints h = w->inputMethodHints();
    if (h & Qt::ImhEmailCharactersOnly)
        return TVirtualKeyboardType::EmailAddress;
    if (h & Qt::ImhUrlCharactersOnly)
        return TVirtualKeyboardType::URL;
    if (h & Qt::ImhDialableCharactersOnly)
        return TVirtualKeyboardType::PhonePad;
    if (h & (Qt::ImhDigitsOnly | Qt::ImhFormattedNumbersOnly) || qobject_cast<const QAbstractSpinBox*>(w))
        return TVirtualKeyboardType::NumberPad;
    return TVirtualKeyboardType::Default;
}

} // namespace

TVirtualKeyboardService::TVirtualKeyboardService()
    : fPath(kDefaultFolder)
    , fExeName(kDefaultExe)
{
}

TVirtualKeyboardService::~TVirtualKeyboardService()
{
    if (fInstalled && qApp)
        qApp->removeEventFilter(this);
    quit();
}

TVirtualKeyboardService& TVirtualKeyboardService::Instance()
{
    static TVirtualKeyboardService service;
    return service;
}

void TVirtualKeyboardService::SetAutoShowMode(TVKAutoShowMode mode)
{
    gAutoShowMode = mode;
}

TVKAutoShowMode TVirtualKeyboardService::AutoShowMode()
{
    return gAutoShowMode;
}

bool TVirtualKeyboardService::AutoShows()
{
    return gAutoShowMode == TVKAutoShowMode::Always;
}

QRect TVirtualKeyboardService::KeyboardRect(const TKeyboardPlacement& p)
{
    const QRect& w = p.form;
    // Integer division toward zero, as the window may be narrower than the
    // keyboard.
    const int left = w.left() + (w.width() - kWidth) / 2;
    const int bottom = w.top() + w.height();
    QRect kb(left, bottom - kHeight, kWidth, kHeight);
    if (!p.control.isEmpty() && p.control.intersects(kb))
        kb.moveTop(w.top());
    return kb;
}

QStringList TVirtualKeyboardService::ExternalArguments(const TKeyboardPlacement& p)
{
    const QRect kb = KeyboardRect(p);
    QStringList args = { QStringLiteral("width=%1").arg(kWidth), QStringLiteral("height=%1").arg(kHeight),
                         QStringLiteral("left=%1").arg(kb.left()), QStringLiteral("top=%1").arg(kb.top()),
                         QStringLiteral("titlebar=yes"), QStringLiteral("GetIMEStatusEveryTime=yes"),
                         QStringLiteral("targetWHandle=%1").arg(p.windowId) };
    if (p.lang.toUpper() == QLatin1String("JA"))
        args << QStringLiteral("Lang=EN");
    else if (p.kanaInput)
        args << QStringLiteral("Init=KANA");
    else if (p.type != TVirtualKeyboardType::Default)
        args << QStringLiteral("Init=EN");
    if (!p.logPath.isEmpty())
        args << QStringLiteral("logpath=") + p.logPath;
    return args;
}

QString TVirtualKeyboardService::ExternalArgumentText(const TKeyboardPlacement& p)
{
    QStringList args = ExternalArguments(p);
    if (!p.logPath.isEmpty())
        args.last() = QLatin1Char('"') + args.last() + QLatin1Char('"');
    return args.join(QLatin1Char(' '));
}

QStringList TVirtualKeyboardService::DefaultArguments(const TKeyboardPlacement& p)
{
    const QRect kb = KeyboardRect(p);
    return { QStringLiteral("-x"), QString::number(kb.left()), QStringLiteral("-y"), QString::number(kb.top()),
             QStringLiteral("-s"), QStringLiteral("%1x%2").arg(kWidth).arg(kHeight) };
}

QString TVirtualKeyboardService::Program() const
{
    return fPath.isEmpty() ? fExeName : fPath + QLatin1Char('/') + fExeName;
}

void TVirtualKeyboardService::Install()
{
    if (fInstalled || !qApp)
        return;
    fInstalled = true;
    qApp->installEventFilter(this);
    QObject::connect(qApp, &QApplication::focusChanged, this,
                     [this](QWidget* old, QWidget* now) { focusChanged(old, now); });
}

void TVirtualKeyboardService::focusChanged(QWidget* old, QWidget* now)
{
    if (now && isTextField(now)) {
        if (AutoShows())
            ShowVirtualKeyboard(now);
    } else if (old && isTextField(old)) {
        HideVirtualKeyboard();
    }
}

bool TVirtualKeyboardService::eventFilter(QObject* watched, QEvent* e)
{
    // Pressing a control that takes the focus clears the mark that keeps a
    // keyboard the customer closed from coming back.
    if (e->type() == QEvent::MouseButtonPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->focusPolicy() != Qt::NoFocus) {
            ResetVirtualKeyboard(w);
            if (AutoShows() && isTextField(w) && w->hasFocus())
                ShowVirtualKeyboard(w);
        }
    }
    return false;
}

TvkbState TVirtualKeyboardService::VirtualKeyboardState() const
{
    return fProcess && fProcess->state() != QProcess::NotRunning ? TvkbState::Shown : TvkbState::None;
}

bool TVirtualKeyboardService::ShowVirtualKeyboard(QWidget* control)
{
    fLastCtrlHandle = control;
    if (fError)
        return false;
    if (VirtualKeyboardState() == TvkbState::Shown) {
        LogDebugFmt(QStringLiteral("TVirtualKeyboardWin.ShowVirtualKeyboard called (%p) -> vkb already shown"),
                    { ptrText(control) });
        fLastCtrlFocusedHandle = control;
        return true;
    }
    LogDebugFmt(QStringLiteral("TVirtualKeyboardWin.ShowVirtualKeyboard called (%p) -> vkb to show"), { ptrText(control) });
    if (control && fLastCtrlFocusedHandle == control) {
        LogDebugFmt(QStringLiteral("TVirtualKeyboardWin.TimerVisibleProc: shown ignored (%p=%p)"),
                    { ptrText(control), ptrText(fLastCtrlFocusedHandle.data()) });
        return true;
    }
    LogDebugFmt(QStringLiteral("TVirtualKeyboardWin.TimerVisibleProc: shown processed (%p<>%p)"),
                { ptrText(control), ptrText(fLastCtrlFocusedHandle.data()) });
    fLastCtrlFocusedHandle = control;
    launch(control);
    return true;
}

bool TVirtualKeyboardService::HideVirtualKeyboard()
{
    if (!fAutoHide || fError)
        return false;
    if (VirtualKeyboardState() == TvkbState::Shown)
        quit();
    return true;
}

void TVirtualKeyboardService::ResetVirtualKeyboard(QObject* control)
{
    if (control && control == fLastCtrlFocusedHandle && VirtualKeyboardState() != TvkbState::Shown) {
        LogDebugFmt(QStringLiteral("TVirtualKeyboardWin.ResetVirtualKeyboard called (%p)"), { ptrText(control) });
        fLastCtrlFocusedHandle = nullptr;
    }
}

void TVirtualKeyboardService::launch(QWidget* control)
{
    const QString program = Program();
    if (!QFileInfo(program).isExecutable()) {
        LogError(QStringLiteral("TVirtualKeyboardWin: keyboard program not found: ") + program);
        fError = true;
        return;
    }
    TKeyboardPlacement p;
    QWidget* form = control ? control->window() : nullptr;
    if (form) {
        p.form = QRect(form->mapToGlobal(QPoint(0, 0)), form->size());
        p.windowId = quint64(form->winId());
    }
    if (control && form) {
        p.control = QRect(control->mapTo(form, QPoint(0, 0)), control->size()).normalized();
        p.type = keyboardTypeOf(control);
        // A field asking for full-width katakana says so in a property.
        p.kanaInput = control->property("kanaInput").toBool();
    }
    p.lang = fKBlang;
    p.logPath = fLogPath;
    fLastArgs = fVelmoraKb ? ExternalArguments(p) : DefaultArguments(p);
    fProcess = std::make_unique<QProcess>();
    fProcess->setProgram(program);
    fProcess->setArguments(fLastArgs);
    fProcess->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(fProcess.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError err) {
        if (err == QProcess::FailedToStart) {
            LogError(QStringLiteral("TVirtualKeyboardWin: keyboard program failed to start: ") + Program());
            fError = true;
        }
    });
    fProcess->start();
}

void TVirtualKeyboardService::quit()
{
    fLastCtrlFocusedHandle = nullptr;
    fLastCtrlHandle = nullptr;
    if (!fProcess)
        return;
    // Closed as a window would be: asked first, then ended.
    fProcess->terminate();
    if (!fProcess->waitForFinished(500)) {
        fProcess->kill();
        fProcess->waitForFinished(500);
    }
    fProcess.reset();
}

void TVirtualKeyboardService::setVirtualKeyboardToDefault()
{
    quit();
    fError = false;
    fPath = kDefaultFolder;
    fExeName = kDefaultExe;
    fWndClassName.clear();
    fWndWinTitle.clear();
    fVelmoraKb = false;
    fLogPath.clear();
}
