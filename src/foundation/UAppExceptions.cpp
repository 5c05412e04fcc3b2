#include "UAppExceptions.h"

#include <QMetaObject>

#include <cxxabi.h>
#include <cstdlib>

Exception::Exception(const QString& message)
    : fMessage(message)
    , fWhat(message.toUtf8())
{
}

Exception::~Exception() = default;

void Exception::SetMessage(const QString& message)
{
    fMessage = message;
    fWhat = message.toUtf8();
}

void EUser::ProcessShowEnd()
{
    EappBase::ProcessShowEnd();
    if (!fCtrl)
        return;
    // The control is a widget of a screen library; it is focused through the
    // meta-object system so that this layer needs no widget code.
    if (!QMetaObject::invokeMethod(fCtrl.data(), "setFocus", Qt::DirectConnection)) {
        // Not a focusable object: nothing to do.
    }
}

const std::exception* ExceptionFromPtr(const std::exception_ptr& p) noexcept
{
    if (!p)
        return nullptr;
    // Rethrowing an exception_ptr throws the very object it holds, so the
    // reference caught here stays valid while `p` lives.
    try {
        std::rethrow_exception(p);
    } catch (const std::exception& e) {
        return &e;
    } catch (...) {
        return nullptr;
    }
}

QString ExceptionClassName(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return own->ClassName();
    const char* mangled = typeid(e).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    return name;
}

QString ExceptionMessage(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message();
    return QString::fromUtf8(e.what());
}
