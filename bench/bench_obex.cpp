// OBEX Object Push receiving throughput with 64 KiB packets: the protocol
// session alone (bytes in, nothing stored) and the whole receiver over a
// socket pair into its inbox folder (".partial" file, exclusive final name),
// the way a phone pushes a photo.
//   bench_obex [--benchmark_filter=...]
#include "ObexBytes.h"
#include "UQzbluetoothObex.h"
#include "UQzbluetoothTransport.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace obexbytes;

namespace {

constexpr int kMaxPacket = 0xFFFF;
// Body bytes per packet: the packet less its opcode and length (3) and the
// body header (3).
constexpr int kChunk = kMaxPacket - 6;

// The PUT packets of one object of `size` bytes, as a phone sends them.
QList<QByteArray> putPackets(const QString& fileName, qsizetype size)
{
    const QByteArray data(size, 'p');
    QList<QByteArray> out;
    // The first packet carries the name and length: its body is smaller.
    const QByteArray first = name(fileName) + length(size);
    qsizetype pos = 0;
    bool firstPacket = true;
    while (pos < size || firstPacket) {
        const QByteArray head = firstPacket ? first : QByteArray();
        const qsizetype room = kChunk - head.size();
        const bool last = pos + room >= size;
        out << packet(last ? 0x82 : 0x02, head + body(data.mid(pos, room), last));
        pos += room;
        firstPacket = false;
    }
    return out;
}

class CountingSink : public IObexObjectSink {
public:
    bool objectAccepted(const QString&) override { return true; }
    void objectStart(const QString&, qint64) override { }
    void objectWrite(const char*, qsizetype count, qint64, qint64) override { bytes += count; }
    QString objectFinish(const QString& name, qint64) override { return name; }
    void objectCancel() noexcept override { }
    qint64 bytes = 0;
};

void BM_ObexSession(benchmark::State& state)
{
    const qsizetype size = state.range(0) << 20;
    const QList<QByteArray> packets = putPackets(QStringLiteral("photo.jpg"), size);
    const QByteArray hello = connect(kMaxPacket);
    for (auto _ : state) {
        CountingSink sink;
        TBluetoothObexBufferServer session(sink, [] { return true; });
        session.ProcessRecvData(hello);
        for (const QByteArray& p : packets)
            session.ProcessRecvData(p);
        benchmark::DoNotOptimize(session.takeResponses());
        if (sink.bytes != size)
            state.SkipWithError("object not received whole");
    }
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_ObexSession)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

// Reads one response packet; false when the receiver went away.
bool readResponse(int fd)
{
    char head[3];
    qsizetype got = 0;
    while (got < 3) {
        const ssize_t r = ::read(fd, head + got, size_t(3 - got));
        if (r <= 0)
            return false;
        got += r;
    }
    int rest = ((uint8_t(head[1]) << 8) | uint8_t(head[2])) - 3;
    char skip[256];
    while (rest > 0) {
        const ssize_t r = ::read(fd, skip, size_t(std::min<int>(rest, int(sizeof skip))));
        if (r <= 0)
            return false;
        rest -= int(r);
    }
    return true;
}

bool sendAll(int fd, const QByteArray& b)
{
    qsizetype done = 0;
    while (done < b.size()) {
        const ssize_t w = ::write(fd, b.constData() + done, size_t(b.size() - done));
        if (w <= 0)
            return false;
        done += w;
    }
    return true;
}

class QuietNotif : public IBluetoothObexNotif {
public:
    void OnRecvConnecStart(TBluetoothServiceBase*) override { }
    void OnRecvFileStart(TBluetoothServiceBase*, const QString&, qint64) override { }
    void OnRecvFileProgress(TBluetoothServiceBase*, const QString&, qint64, qint64) override { }
    void OnRecvFileEnd(TBluetoothServiceBase*, const QString&, qint64) override { ++stored; }
    void OnRecvConnecEnd(TBluetoothServiceBase*) override { }
    bool OnRecvConnecError(TBluetoothServiceBase*, const std::exception&) override { return true; }
    void OnRecvServiceError(const std::exception&) override { }
    void OnRecvServiceStatus() override { }
    std::atomic<int> stored { 0 };
};

void BM_ObexPushOverSocketPair(benchmark::State& state)
{
    const qsizetype size = state.range(0) << 20;
    QTemporaryDir tmp;
    const QString inbox = tmp.path() + QStringLiteral("/inbox");
    auto listener = std::make_unique<TObexFdListener>(QStringLiteral("bench"));
    TObexFdListener* accepting = listener.get();
    TBluetoothObexService service({ QStringLiteral("*.jpg") }, std::move(listener));
    service.SetOutputPath(inbox);
    auto notif = std::make_shared<QuietNotif>();
    service.SetNotif(notif);
    service.SetReceptionEnabled(true);
    const QList<QByteArray> packets = putPackets(QStringLiteral("photo.jpg"), size);

    for (auto _ : state) {
        int sv[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) {
            state.SkipWithError("socketpair");
            break;
        }
        accepting->push(sv[1]);
        bool ok = sendAll(sv[0], connect(kMaxPacket)) && readResponse(sv[0]);
        // Each PUT waits for its Continue, as a phone does.
        for (const QByteArray& p : packets)
            ok = ok && sendAll(sv[0], p) && readResponse(sv[0]);
        ok = ok && sendAll(sv[0], disconnect()) && readResponse(sv[0]);
        ::close(sv[0]);
        if (!ok) {
            state.SkipWithError("the receiver ended the connection");
            break;
        }
        state.PauseTiming();
        for (const QString& f : QDir(inbox).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(inbox + QLatin1Char('/') + f);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["stored"] = double(notif->stored);
}
BENCHMARK(BM_ObexPushOverSocketPair)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
