#pragma once
// The signal connections a controller makes on the main window's
// components while it is open. Controllers are no QObjects, so nothing
// cuts these connections for them: OnClose (and, as a safety net, the
// destructor) disconnects them all.
#include <QList>
#include <QMetaObject>
#include <QObject>

class TCtrlHandlers {
public:
    TCtrlHandlers() = default;
    TCtrlHandlers(const TCtrlHandlers&) = delete;
    TCtrlHandlers& operator=(const TCtrlHandlers&) = delete;
    ~TCtrlHandlers() { clear(); }

    TCtrlHandlers& operator<<(const QMetaObject::Connection& c)
    {
        fConnections << c;
        return *this;
    }
    void clear()
    {
        for (const QMetaObject::Connection& c : fConnections)
            QObject::disconnect(c);
        fConnections.clear();
    }

private:
    QList<QMetaObject::Connection> fConnections;
};
