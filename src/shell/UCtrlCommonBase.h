#pragma once
// Common base of step and popup controllers: binding of the main-window
// components the controller drives, status and wait operations, and the
// checks of input fields.
//
// A controller names the components it needs as published fields:
//
//   class TCtrlHome : public TCtrlStepBase {
//   public:
//       using TCtrlStepBase::TCtrlStepBase;
//       KIOSK_PUBLISHED(QPushButton, ButtonStart);
//   };
//   auto ctrl = TCtrlCommonBase::Create<TCtrlHome>(main, tabItem);
//
// Create builds the controller and binds every published field to the
// main-window component whose objectName matches, ignoring letter case
// (IMainFrame::GetFieldValueByName). A name that matches nothing, or a
// component that no longer exists, makes Create fail with a message naming
// the field and the class; the half-built controller is released.
#include "UCtrlScreenBase.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class QLineEdit;
class QWidget;

// Demangled C++ class name, as the log lines print it.
QString KioskClassName(const std::type_info& type);

class TCtrlCommonBase;

// The untyped part of a published field.
class TPublishedField {
public:
    TPublishedField(TCtrlCommonBase* owner, const char* name);
    TPublishedField(const TPublishedField&) = delete;
    TPublishedField& operator=(const TPublishedField&) = delete;
    const char* Name() const { return fName; }
    // Stores the bound component; false when it is not of the field's type.
    virtual bool Bind(QObject* obj) = 0;

protected:
    ~TPublishedField() = default;
    [[noreturn]] void unbound() const;

private:
    const char* fName;
};

template <class T>
class TPublished final : public TPublishedField {
public:
    TPublished(TCtrlCommonBase* owner, const char* name)
        : TPublishedField(owner, name)
    {
    }
    bool Bind(QObject* obj) override
    {
        fObj = qobject_cast<T*>(obj);
        return fObj != nullptr;
    }
    T* get() const
    {
        if (!fObj)
            unbound();
        return fObj.data();
    }
    T* operator->() const { return get(); }
    operator T*() const { return get(); }

private:
    QPointer<T> fObj;
};

#define KIOSK_PUBLISHED(Type, Name) TPublished<Type> Name { this, #Name }

class TCtrlCommonBase : public TCtrlScreenBase, public std::enable_shared_from_this<TCtrlCommonBase> {
public:
    TCtrlCommonBase(IMainFrame* main, QObject* parent);
    ~TCtrlCommonBase() override;

    // The one way to build a controller: constructs T (main, parent, extra
    // arguments), then binds its published fields.
    template <class T, class... Args>
    static std::shared_ptr<T> Create(IMainFrame* main, Args&&... args)
    {
        auto ctrl = std::make_shared<T>(main, std::forward<Args>(args)...);
        ctrl->initFromMain(main);
        return ctrl;
    }

    // Class name of the concrete controller.
    QString ClassName() const;
    // IMainFrame::AppMemoryUsageStr, empty without main window.
    QString AppMemoryUsageStr() const;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    QString topBarTitle() override { return QString(); }
    QString topBarSubTitle() override { return QString(); }

    // Shows a status text: at once on the main thread; from a worker after
    // its task's cancellation check, synchronised on the main thread.
    void status(const QString& text) override;
    // Main thread only. The first start shows the waiting state; each start
    // keeps the controller alive until its matching end.
    virtual void waitStart();
    // The last end hides the waiting state. Any thread.
    virtual void waitEnd();
    // waitEnd, focus on ctrlToFocus (may be null), the text (when not empty)
    // in an error box, status cleared. Any thread.
    virtual void waitEndError(const QString& text, QWidget* ctrlToFocus);
    // The same with an exception shown through IMainFrame::ShowEx.
    virtual void waitEndEx(const std::exception& ex, QWidget* ctrlToFocus);
    int WaitLockCount() const { return fWaitLck; }

    // Input-field checks: fieldCheckStart, then fieldCheck for each field,
    // then read FieldCheckOk().
    void fieldCheckStart() { fFieldCheckOk = true; }
    // Marks label and edit with the valid or required style ("styleLookup"
    // property); the first invalid edit since fieldCheckStart gets the focus
    // when setFocus is set.
    bool fieldCheck(QWidget* label, QLineEdit* edit, int maxLen, int minLen, const QString& format, bool setFocus);
    bool FieldCheckOk() const { return fFieldCheckOk; }
    // At least minLen characters, at most maxLen (0 or less: no maximum),
    // and the format: none, "date" (the program's short date format, or
    // ISO 8601), or a regular expression found anywhere, ignoring case.
    static bool fieldValueValid(const QString& text, int maxLen, int minLen, const QString& format);

    // Binds the published fields (called by Create).
    void initFromMain(IMainFrame* main);

protected:
    virtual void statusShow(const QString& text) { }
    virtual void waitShow() { }
    virtual void waitHide() { }

private:
    friend class TPublishedField;
    void waitEndMain();

    std::vector<TPublishedField*> fPublished;
    int fWaitLck = 0;
    // One reference per pending waitStart.
    std::vector<std::shared_ptr<TCtrlCommonBase>> fWaitRefs;
    bool fFieldCheckOk = true;
    QString fClassName;
};

// Sets a style lookup (the "styleLookup" property the style sheet selects
// on) and re-polishes the widget when it changed.
void KioskSetStyleLookup(QWidget* w, const QString& lookup);
