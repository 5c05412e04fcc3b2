// Cost of the global log: a line below the level, a written line, and the
// XOR scrambling of a picture-sized buffer.
#include "UDebug.h"
#include "UTools.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_LogBelowLevel(benchmark::State& state)
{
    QTemporaryDir dir;
    TLogFile::GlobalOpen(dir.path(), ll_info, 0, QStringLiteral("bench"), false);
    const QString msg = QStringLiteral("TBench.Run: never written");
    for (auto _ : state)
        LogDebug(msg);
    TLogFile::GlobalClose();
}
BENCHMARK(BM_LogBelowLevel);

void BM_LogFmtBelowLevel(benchmark::State& state)
{
    QTemporaryDir dir;
    TLogFile::GlobalOpen(dir.path(), ll_info, 0, QStringLiteral("bench"), false);
    for (auto _ : state)
        LogDebugFmt(QStringLiteral("TBench.Run: %s=%d"), { QStringLiteral("count"), 42 });
    TLogFile::GlobalClose();
}
BENCHMARK(BM_LogFmtBelowLevel);

void BM_LogLineWritten(benchmark::State& state)
{
    // One log for all threads: the first thread opens it before the timed
    // loop starts and closes it after every thread has left the loop.
    static QTemporaryDir* dir = nullptr;
    if (state.thread_index() == 0) {
        dir = new QTemporaryDir;
        TLogFile::GlobalOpen(dir->path(), ll_info, 0, QStringLiteral("bench"), false);
    }
    const QString msg = QStringLiteral("TBench.Run: a typical line of about sixty characters long");
    for (auto _ : state)
        LogInfo(msg);
    if (state.thread_index() == 0) {
        TLogFile::GlobalClose();
        delete dir;
    }
}
BENCHMARK(BM_LogLineWritten)->Threads(1)->Threads(8)->UseRealTime();

// The yardstick of a written line: the same bytes appended to a file that
// stays open, flushed each time.
void BM_RawLineKeptOpen(benchmark::State& state)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("raw.log")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        state.SkipWithError("cannot open");
        return;
    }
    const QByteArray line = "INFO 2026-01-01 12:00:00.000:0000ABCD:TBench.Run: a typical line of about sixty characters long\r\n";
    for (auto _ : state) {
        f.write(line);
        f.flush();
    }
}
BENCHMARK(BM_RawLineKeptOpen);

void BM_CryptXOR(benchmark::State& state)
{
    const QByteArray key = TAppTools::CryptKey();
    const QByteArray data(state.range(0), 'x');
    for (auto _ : state)
        benchmark::DoNotOptimize(TAppTools::CryptXOR(data, key));
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_CryptXOR)->Arg(4 << 20);

} // namespace

BENCHMARK_MAIN();
