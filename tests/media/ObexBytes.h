#pragma once
// Builders of OBEX packets for the receiver's tests.
#include <QByteArray>
#include <QString>

namespace obexbytes {

inline QByteArray bytes(std::initializer_list<int> b)
{
    QByteArray out;
    for (int v : b)
        out.append(char(v));
    return out;
}

inline QByteArray be16(int v) { return bytes({ (v >> 8) & 0xFF, v & 0xFF }); }

inline QByteArray be32(qint64 v) { return bytes({ int((v >> 24) & 0xFF), int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF) }); }

inline QByteArray packet(int op, const QByteArray& headers) { return char(op) + be16(3 + headers.size()) + headers; }

inline QByteArray connect(int maxPacket, const QByteArray& headers = QByteArray())
{
    return char(0x80) + be16(7 + headers.size()) + bytes({ 0x10, 0x00 }) + be16(maxPacket) + headers;
}

inline QByteArray name(const QString& s)
{
    QByteArray u;
    for (QChar c : s)
        u += be16(c.unicode());
    u += be16(0);
    return char(0x01) + be16(3 + u.size()) + u;
}

inline QByteArray length(qint64 n) { return char(0xC3) + be32(n); }

inline QByteArray body(const QByteArray& d, bool end = false) { return char(end ? 0x49 : 0x48) + be16(3 + d.size()) + d; }

inline QByteArray disconnect() { return bytes({ 0x81, 0x00, 0x03 }); }

} // namespace obexbytes
