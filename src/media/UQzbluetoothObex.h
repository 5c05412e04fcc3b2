#pragma once
// The OBEX Object Push server side as a pure protocol session: bytes in,
// response bytes and object events out. No socket, no file, no thread: the
// receiver (UQzbluetoothServer) feeds it what the phone sent and writes what
// it answers; the object data go to an IObexObjectSink.
//
// Every byte comes from a device the kiosk does not control. A packet whose
// declared length is below 3 or above the negotiated size, a header that runs
// past its packet, an odd-length name, an object above the size cap, an
// unusable name: each raises ESystem, which ends the connection. Nothing is
// read outside the bytes received.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

// Bounds of what a phone may send in one connection.
struct TObexLimits {
    // Largest packet accepted once connected (the CONNECT response announces
    // the smaller of this and the phone's own maximum).
    int maxPacket = 65535;
    // Largest object kept, with or without a Length header.
    qint64 maxObjectSize = 256ll * 1024 * 1024;
    // Longest object name, in UTF-16 units.
    int maxNameLength = 200;
    // A connection that sends nothing for this long is ended.
    int idleTimeoutMs = 30000;
};

// Largest packet accepted before the CONNECT was accepted: the OBEX minimum,
// which every client keeps to until the sizes were exchanged.
inline constexpr int kObexPacketBeforeConnect = 255;

// The last component of a name a phone sent, or an empty string when the name
// cannot be used as a file name: both "/" and "\" separate folders; ".", "..",
// an empty last component, control characters and a name of more than 255
// bytes in UTF-8 are refused.
QString ObexCleanReceivedName(const QString& name);

// Where the session puts the objects it receives. Calls come in this order per
// object: objectAccepted, objectStart, objectWrite*, then objectFinish or
// objectCancel. Any of them may raise; the session is then unusable and the
// connection ends (the owner calls objectCancel through the session's
// destructor).
class IObexObjectSink {
public:
    virtual ~IObexObjectSink() = default;
    // Whether an object of that (cleaned) name is kept at all.
    virtual bool objectAccepted(const QString& name) = 0;
    // First data of an object; lgExpected is its Length header or -1.
    virtual void objectStart(const QString& name, qint64 lgExpected) = 0;
    // A block of data; written counts the object's bytes including this block.
    virtual void objectWrite(const char* data, qsizetype count, qint64 written, qint64 lgExpected) = 0;
    // The object is complete: store it and answer the stored file name.
    virtual QString objectFinish(const QString& name, qint64 written) = 0;
    // Drop the unfinished object; must not raise.
    virtual void objectCancel() noexcept = 0;
};

class TBluetoothObexBufferServer {
public:
    // receptionEnabled is asked at each CONNECT: while it answers false the
    // CONNECT is refused with Service Unavailable.
    TBluetoothObexBufferServer(IObexObjectSink& sink, std::function<bool()> receptionEnabled,
                               TObexLimits limits = TObexLimits());
    ~TBluetoothObexBufferServer();
    TBluetoothObexBufferServer(const TBluetoothObexBufferServer&) = delete;
    TBluetoothObexBufferServer& operator=(const TBluetoothObexBufferServer&) = delete;

    // Appends received bytes and handles every complete packet among them.
    // False: the phone ended the connection (DISCONNECT, or a request this
    // server does not serve). Raises ESystem on a protocol error.
    bool ProcessRecvData(const char* data, qsizetype count);
    bool ProcessRecvData(const QByteArray& data) { return ProcessRecvData(data.constData(), data.size()); }

    // Response bytes produced so far; cleared by the call.
    QByteArray takeResponses();

    // Drops the unfinished object, if any (also done by the destructor).
    void tempStreamCancel() noexcept;

    int lgBufMax() const { return flgBufMax; }
    int objCountToRecv() const { return fObjCountToRecv; }
    bool objectOpen() const { return fStreamOpen; }

private:
    bool ProcessRecvFrame(const uint8_t* p, int len);
    bool processConnect(const uint8_t* p, int len);
    void processPut(const uint8_t* p, int len);
    void tempStreamWrite(const char* data, qsizetype count);
    void tempStreamFinalize();
    void resetObject();
    void send(std::initializer_list<uint8_t> bytes);

    IObexObjectSink& fSink;
    std::function<bool()> fReceptionEnabled;
    TObexLimits fLimits;

    QByteArray fbytesFrame;
    int fLenFrame = -1;
    int fMaxRecv = kObexPacketBeforeConnect;
    int flgBufMax = 0;
    int fObjCountToRecv = 0;
    QByteArray fOut;

    QString fFileName;
    qint64 fFileLength = -2;
    qint64 fFileWritten = 0;
    bool fStreamOpen = false;
};

// Request opcodes, response codes and header identifiers.
namespace obex {
inline constexpr uint8_t kConnect = 0x80;
inline constexpr uint8_t kDisconnect = 0x81;
inline constexpr uint8_t kPut = 0x02;
inline constexpr uint8_t kPutFinal = 0x82;
inline constexpr uint8_t kContinue = 0x90;
inline constexpr uint8_t kSuccess = 0xA0;
inline constexpr uint8_t kUnsupportedMediaType = 0xCF;
inline constexpr uint8_t kServiceUnavailable = 0xD3;
inline constexpr uint8_t kHdrName = 0x01;
inline constexpr uint8_t kHdrBody = 0x48;
inline constexpr uint8_t kHdrEndOfBody = 0x49;
inline constexpr uint8_t kHdrCount = 0xC0;
inline constexpr uint8_t kHdrLength = 0xC3;
} // namespace obex
