#pragma once
// The exception classes of the whole system.
//
// `Exception` stands for the runtime's base exception: a message in UTF-16
// and a class name that log lines print. `EappBase` is the root of the
// application's own exceptions; the rest of the tree tells the main window and
// the task queues how to react (warning, quiet end, retry).
#include <QByteArray>
#include <QPointer>
#include <QObject>
#include <QString>
#include <exception>
#include <typeinfo>

class TLangText;

#define KIOSK_EXCEPTION_CLASSNAME(Name) \
    QString ClassName() const override { return QStringLiteral(#Name); }

class Exception : public std::exception {
public:
    explicit Exception(const QString& message = QString());
    ~Exception() override;

    const QString& Message() const noexcept { return fMessage; }
    void SetMessage(const QString& message);

    // Name of the class as log lines print it ("EUser", "ENetHttp", ...).
    virtual QString ClassName() const { return QStringLiteral("Exception"); }

    const char* what() const noexcept override { return fWhat.constData(); }

    // The exception that caused this one (the next link of the chain of
    // causes), null when there is none. Typically set in a handler:
    //   catch (...) { EOrder e(msg); e.SetInnerException(std::current_exception()); throw e; }
    const std::exception_ptr& InnerException() const noexcept { return fInner; }
    void SetInnerException(std::exception_ptr inner) { fInner = std::move(inner); }

private:
    QString fMessage;
    QByteArray fWhat;
    std::exception_ptr fInner;
};

// The exception object held by `p`, null when `p` is null or holds no
// std::exception. The object lives as long as `p` (or a copy of it) does.
const std::exception* ExceptionFromPtr(const std::exception_ptr& p) noexcept;

// Class name of any exception as the log prints it: ClassName() for ours,
// the demangled C++ type name for the others ("std::bad_alloc").
QString ExceptionClassName(const std::exception& e);

// Message of any exception: Message() for ours, what() for the others.
QString ExceptionMessage(const std::exception& e);

// The runtime's operating-system error: a failed system call, with the
// system's own error text.
class EOSError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EOSError)
};

// A file could not be opened or created.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EFOpenError)
};

class EFCreateError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EFCreateError)
};

// A read or write on an open file or stream failed or was short.
class EStreamError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EStreamError)
};

// A resource built into the program is missing or unreadable.
class EResNotFound : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EResNotFound)
};

// A picture is too big to be loaded; treated like running out of memory.
class EImgTooBig : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EImgTooBig)
};

// An argument that the called operation cannot take (an empty or malformed
// path, address or name).
class EArgumentException : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EArgumentException)
};

// Index errors of the generic lists.
class EArgumentOutOfRangeException : public Exception {
public:
    EArgumentOutOfRangeException() : Exception(QStringLiteral("Argument out of range")) { }
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EArgumentOutOfRangeException)
};

// A format string that does not fit its arguments.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EConvertError)
};

class EappBase : public Exception {
public:
    explicit EappBase(const QString& message = QString()) : Exception(message) { }
    // The message is the text's current translation, "{APP}" replaced.
    explicit EappBase(const TLangText& text);
    KIOSK_EXCEPTION_CLASSNAME(EappBase)

    // Called after the exception was shown to the user.
    virtual void ProcessShowEnd() { }
    // Extra detail for the log entry, kept apart from the message.
    virtual QString MessageDetails() const { return QString(); }
};

// The lab refused or did not confirm an order operation.
class EOrder : public EappBase {
public:
    using EappBase::EappBase;
    KIOSK_EXCEPTION_CLASSNAME(EOrder)
};

// A failure of the system or its environment.
class ESystem : public EappBase {
public:
    using EappBase::EappBase;
    KIOSK_EXCEPTION_CLASSNAME(ESystem)
};

// The lab server could not be reached.
class Econnection : public ESystem {
public:
    using ESystem::ESystem;
    KIOSK_EXCEPTION_CLASSNAME(Econnection)
};

// A refusal caused by the customer's input, shown as a warning. The control
// it is about (may be null) gets the focus once the message was shown.
class EUser : public EappBase {
public:
    using EappBase::EappBase;
    EUser(QObject* ctrl, const QString& message) : EappBase(message), fCtrl(ctrl) { }
    EUser(QObject* ctrl, const TLangText& text) : EappBase(text), fCtrl(ctrl) { }
    KIOSK_EXCEPTION_CLASSNAME(EUser)

    QObject* Ctrl() const { return fCtrl.data(); }
    void ProcessShowEnd() override;

protected:
    QPointer<QObject> fCtrl;
};

// An operation that this product, mode or subclass does not provide.
class EToDo : public EUser {
public:
    EToDo() : EUser(QStringLiteral("This function is not yet supported")) { }
    explicit EToDo(const QString& message) : EUser(message) { }
    KIOSK_EXCEPTION_CLASSNAME(EToDo)
};

// The current operation was cancelled; not an error.
class ECancel : public EappBase {
public:
    using EappBase::EappBase;
    KIOSK_EXCEPTION_CLASSNAME(ECancel)
};

// The task cannot finish now and must be queued again.
class ETaskRetry : public EappBase {
public:
    using EappBase::EappBase;
    KIOSK_EXCEPTION_CLASSNAME(ETaskRetry)
};

// Data the task needs is not loaded yet; retried like ETaskRetry.
class ETaskNotReady : public ETaskRetry {
public:
    using ETaskRetry::ETaskRetry;
    KIOSK_EXCEPTION_CLASSNAME(ETaskNotReady)
};
