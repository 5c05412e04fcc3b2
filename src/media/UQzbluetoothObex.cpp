#include "UQzbluetoothObex.h"

#include "UAppExceptions.h"

namespace {

int be16(const uint8_t* p) { return (int(p[0]) << 8) | int(p[1]); }

qint32 be32(const uint8_t* p)
{
    return qint32((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]));
}

[[noreturn]] void fail(const char* msg) { throw ESystem(QString::fromLatin1(msg)); }

// Size of the header at pos by its identifier's kind, checked against the
// packet's end. A length form below 3 is malformed (it must count itself).
int headerSize(const uint8_t* p, int len, int pos)
{
    switch (p[pos] & 0xC0) {
    case 0x00:
    case 0x40: {
        if (pos + 3 > len)
            fail("TFormBluetoothBuffer.optHeaderRead: failure(0)");
        const int hl = be16(p + pos + 1);
        if (hl < 3 || pos + hl > len)
            fail("TFormBluetoothBuffer.optHeaderRead: failure(0)");
        return hl;
    }
    case 0x80:
        if (pos + 2 > len)
            fail("TFormBluetoothBuffer.optHeaderRead: failure(1)");
        return 2;
    default:
        if (pos + 5 > len)
            fail("TFormBluetoothBuffer.optHeaderRead: failure(2)");
        return 5;
    }
}

} // namespace

QString ObexCleanReceivedName(const QString& name)
{
    qsizetype cut = -1;
    for (qsizetype i = 0; i < name.size(); ++i)
        if (name[i] == QLatin1Char('/') || name[i] == QLatin1Char('\\'))
            cut = i;
    const QString last = name.mid(cut + 1);
    if (last.isEmpty() || last == QLatin1String(".") || last == QLatin1String(".."))
        return QString();
    for (const QChar c : last)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.category() == QChar::Other_Control
            || c.category() == QChar::Other_Surrogate)
            return QString();
    if (last.toUtf8().size() > 255)
        return QString();
    return last;
}

TBluetoothObexBufferServer::TBluetoothObexBufferServer(IObexObjectSink& sink, std::function<bool()> receptionEnabled,
                                                       TObexLimits limits)
    : fSink(sink), fReceptionEnabled(std::move(receptionEnabled)), fLimits(limits)
{
    fLimits.maxPacket = qBound(kObexPacketBeforeConnect, fLimits.maxPacket, 65535);
}

TBluetoothObexBufferServer::~TBluetoothObexBufferServer() { tempStreamCancel(); }

QByteArray TBluetoothObexBufferServer::takeResponses()
{
    QByteArray out;
    out.swap(fOut);
    return out;
}

void TBluetoothObexBufferServer::send(std::initializer_list<uint8_t> bytes)
{
    for (uint8_t b : bytes)
        fOut.append(char(b));
}

bool TBluetoothObexBufferServer::ProcessRecvData(const char* data, qsizetype count)
{
    fbytesFrame.append(data, count);
    qsizetype start = 0;
    bool goOn = true;
    while (goOn) {
        const qsizetype avail = fbytesFrame.size() - start;
        const auto* p = reinterpret_cast<const uint8_t*>(fbytesFrame.constData()) + start;
        if (fLenFrame == -1) {
            if (avail < 3)
                break;
            fLenFrame = be16(p + 1);
            // A length below the packet's own header would never advance; one
            // above the negotiated size is more than the phone may send.
            if (fLenFrame < 3 || fLenFrame > fMaxRecv) {
                fbytesFrame.clear();
                fLenFrame = -1;
                fail("OBEX: invalid frame length");
            }
        }
        if (avail < fLenFrame)
            break;
        const int len = fLenFrame;
        fLenFrame = -1;
        start += len;
        goOn = ProcessRecvFrame(p, len);
    }
    fbytesFrame.remove(0, start);
    return goOn;
}

bool TBluetoothObexBufferServer::ProcessRecvFrame(const uint8_t* p, int len)
{
    switch (p[0]) {
    case obex::kConnect:
        return processConnect(p, len);
    case obex::kDisconnect:
        fObjCountToRecv = 0;
        return false;
    case obex::kPut:
    case obex::kPutFinal:
        processPut(p, len);
        return true;
    default:
        return false;
    }
}

bool TBluetoothObexBufferServer::processConnect(const uint8_t* p, int len)
{
    if (len < 7)
        fail("OBEX: invalid connection frame");
    const int phoneMax = be16(p + 5);
    if (phoneMax < 250)
        fail("OBEX: invalid connection frame (lg buf)");
    flgBufMax = std::min(phoneMax, fLimits.maxPacket);
    if (!fReceptionEnabled || !fReceptionEnabled()) {
        send({ obex::kServiceUnavailable, 0x00, 0x03 });
        return true;
    }
    int count = 1;
    for (int pos = 7; pos < len;) {
        const int size = headerSize(p, len, pos);
        if (p[pos] == obex::kHdrCount)
            count = be32(p + pos + 1);
        pos += size;
    }
    fObjCountToRecv = count;
    fMaxRecv = flgBufMax;
    send({ obex::kSuccess, 0x00, 0x07, 0x10, 0x00, uint8_t(flgBufMax >> 8), uint8_t(flgBufMax & 0xFF) });
    return true;
}

void TBluetoothObexBufferServer::processPut(const uint8_t* p, int len)
{
    if (fObjCountToRecv <= 0)
        fail("OBEX: unexpected put command");
    const bool final = (p[0] & 0x80) != 0;
    const uint8_t* body = nullptr;
    int bodyLen = 0;
    bool bodySeen = false, endOfBody = false;
    for (int pos = 3; pos < len;) {
        const uint8_t id = p[pos];
        const int size = headerSize(p, len, pos);
        if (id == obex::kHdrName) {
            if (fStreamOpen)
                fail("OBEX: name header inside an object");
            const int bytes = size - 3;
            if (bytes % 2 != 0)
                fail("OBEX: invalid name header");
            QString name;
            for (int i = 0; i < bytes / 2; ++i) {
                const char16_t unit = char16_t(be16(p + pos + 3 + 2 * i));
                if (unit == 0)
                    break;
                if (name.size() >= fLimits.maxNameLength)
                    fail("OBEX: object name too long");
                name.append(QChar(unit));
            }
            fFileName = ObexCleanReceivedName(name);
            if (fFileName.isEmpty())
                fail("OBEX: invalid object name");
        } else if (id == obex::kHdrLength) {
            const qint32 v = be32(p + pos + 1);
            if (v < 0)
                fail("TFormBluetoothBufferServer.ProcessRecvFrame: invalid file length");
            if (v > fLimits.maxObjectSize)
                fail("OBEX: object too large");
            fFileLength = v;
        } else if (id == obex::kHdrBody || id == obex::kHdrEndOfBody) {
            if (bodySeen)
                fail("TFormBluetoothBufferServer.ProcessRecvFrame: invalid put header");
            bodySeen = true;
            if (fFileLength == -2)
                fFileLength = -1;
            endOfBody = id == obex::kHdrEndOfBody;
            body = p + pos + 3;
            bodyLen = size - 3;
        }
        pos += size;
    }
    if (bodySeen) {
        if (!fStreamOpen && !fFileName.isEmpty() && !fSink.objectAccepted(fFileName)) {
            // Not a picture: the phone is told and the object forgotten; the
            // connection goes on with the next object.
            resetObject();
            send({ obex::kUnsupportedMediaType, 0x00, 0x03 });
            return;
        }
        tempStreamWrite(reinterpret_cast<const char*>(body), bodyLen);
        if (endOfBody)
            tempStreamFinalize();
    }
    if (final && fStreamOpen)
        fail("ProcessRecvFrame: stream should be closed");
    if (final)
        send({ obex::kSuccess, 0x00, 0x03 });
    else
        send({ obex::kContinue, 0x00, 0x03 });
}

void TBluetoothObexBufferServer::tempStreamWrite(const char* data, qsizetype count)
{
    if (!fStreamOpen) {
        if (fFileName.isEmpty() || fFileLength < -1)
            fail("TFormBluetoothBufferServer.tempStreamWrite: put command / unexpected datas");
        fStreamOpen = true;
        fFileWritten = 0;
        fSink.objectStart(fFileName, fFileLength);
    }
    if (fFileWritten + count > fLimits.maxObjectSize)
        fail("OBEX: object too large");
    // More data than announced can never end well: stop at once rather than
    // write the surplus.
    if (fFileLength >= 0 && fFileWritten + count > fFileLength)
        fail("TFormBluetoothBufferServer.tempStreamFinalize: received size doesn't match expected size !");
    fFileWritten += count;
    fSink.objectWrite(data, count, fFileWritten, fFileLength);
}

void TBluetoothObexBufferServer::tempStreamFinalize()
{
    if (!fStreamOpen)
        return;
    if (fFileLength >= 0 && fFileLength != fFileWritten)
        fail("TFormBluetoothBufferServer.tempStreamFinalize: received size doesn't match expected size !");
    const QString name = fFileName;
    const qint64 written = fFileWritten;
    fStreamOpen = false;
    resetObject();
    try {
        fSink.objectFinish(name, written);
    } catch (...) {
        fSink.objectCancel();
        throw;
    }
}

void TBluetoothObexBufferServer::resetObject()
{
    fFileName.clear();
    fFileLength = -2;
    fFileWritten = 0;
}

void TBluetoothObexBufferServer::tempStreamCancel() noexcept
{
    if (fStreamOpen)
        fSink.objectCancel();
    fStreamOpen = false;
    resetObject();
}
