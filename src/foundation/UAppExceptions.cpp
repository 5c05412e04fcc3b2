#include "UAppExceptions.h"

#include <QMetaObject>

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
