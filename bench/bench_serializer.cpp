// Saving and loading a large serializer document: time, throughput and the
// memory a save or load needs beyond the objects themselves.
//
// The streaming writer keeps only the open path of the tree and writes into
// the temporary file as it goes, so the extra peak memory of a save should
// stay flat as the array grows; a load holds the objects it builds (they are
// the result) but not the document.
//
// Figures per size: for a save, extra_peak_MiB = highest resident memory during the
// operation minus the resident memory just before it (Linux VmHWM, reset
// through /proc/self/clear_refs). It is measured once per size in a fresh
// process (this program started again with "--memory"), so that memory freed
// by an earlier run cannot hide growth. For a load, objects_MiB is what the
// loaded objects hold afterwards and peak_MiB the peak growth during it: the
// difference is what reading the document needed.
#include "UXmlSerializer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <functional>
#include <string>

#include <cstdio>

namespace {

class TBenchItem : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TBenchItem)
public:
    qint32 Id = 0;
    QString Label;
    double Price = 0;
    bool Available = false;
};

class TBenchDoc : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TBenchDoc)
public:
    std::vector<std::unique_ptr<TBenchItem>> Items;
};

#define PLAIN(Type, Name) b.Field<Type>(#Name, &Self::Name, nullptr, rtti::Opt());
KIOSK_SERIALIZABLE_DESCRIBE(TBenchItem, TXMLSerializable,
                            PLAIN(qint32, Id) PLAIN(QString, Label) PLAIN(double, Price) PLAIN(bool, Available))
KIOSK_SERIALIZABLE_DESCRIBE(TBenchDoc, TXMLSerializable, PLAIN(std::vector<std::unique_ptr<TBenchItem>>, Items))
#undef PLAIN

long statusKiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return 0;
}

// Makes VmHWM start again from the current resident size.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct TMemGrowth {
    double peak = -1;     // growth of the peak resident memory during the operation, MiB
    double retained = -1; // growth of the resident memory once it returned, MiB
};

TMemGrowth measure(const std::function<void()>& op)
{
    TMemGrowth result;
    const long before = statusKiB("VmRSS");
    resetPeak();
    op();
    result.peak = double(statusKiB("VmHWM") - before) / 1024.0;
    result.retained = double(statusKiB("VmRSS") - before) / 1024.0;
    return result;
}

// Runs this program again as "--memory <what> <count> <file>" and reads the
// figures it prints: a fresh process, whose heap holds nothing freed by an
// earlier run.
TMemGrowth measureInFreshProcess(const char* what, int count, const QString& file)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                { QStringLiteral("--memory"), QLatin1String(what), QString::number(count), file });
    TMemGrowth result;
    if (!child.waitForFinished(600000))
        return result;
    const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() == 2) {
        result.peak = parts[0].toDouble();
        result.retained = parts[1].toDouble();
    }
    return result;
}

std::unique_ptr<TBenchDoc> makeDoc(int count)
{
    auto doc = std::make_unique<TBenchDoc>();
    doc->Items.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<TBenchItem>();
        item->Id = i;
        item->Label = QStringLiteral("Print 10x15 glossy, item %1").arg(i);
        item->Price = 0.35 + i % 100 / 100.0;
        item->Available = i % 3 == 0;
        doc->Items.push_back(std::move(item));
    }
    return doc;
}

void registerClasses(TXMLSerializer& ser)
{
    ser.ClassRegister(TBenchDoc::StaticClassInfo());
    ser.ClassRegister(TBenchItem::StaticClassInfo());
}

void BM_SaveToFile(benchmark::State& state)
{
    const int count = int(state.range(0));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.qzinf"));
    std::unique_ptr<TBenchDoc> doc = makeDoc(count);
    auto save = [&] {
        TXMLSerializer ser;
        registerClasses(ser);
        ser.SaveObject(doc.get());
        ser.SaveToFile(file);
    };
    const double extraPeak = measureInFreshProcess("save", count, file).peak;
    save();
    for (auto _ : state)
        save();
    const double bytes = double(QFileInfo(file).size());
    state.counters["items"] = count;
    state.counters["file_MiB"] = bytes / 1048576.0;
    state.counters["extra_peak_MiB"] = extraPeak;
    state.SetBytesProcessed(int64_t(bytes) * state.iterations());
}

void BM_LoadFromFile(benchmark::State& state)
{
    const int count = int(state.range(0));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.qzinf"));
    {
        auto doc = makeDoc(count);
        TXMLSerializer ser;
        registerClasses(ser);
        ser.SaveObject(doc.get());
        ser.SaveToFile(file);
    }
    std::unique_ptr<TBenchDoc> back;
    auto load = [&] {
        TXMLSerializer ser;
        registerClasses(ser);
        ser.LoadFromFile(file);
        back = ser.LoadObjectAs<TBenchDoc>();
    };
    // The loaded objects are the result: peak_MiB is the growth of the peak
    // during the load, objects_MiB what the objects still hold afterwards;
    // the difference is what reading the document needed.
    const TMemGrowth growth = measureInFreshProcess("load", count, file);
    // One untimed run, so that the timed ones reuse the memory it freed.
    load();
    back.reset();
    for (auto _ : state) {
        load();
        if (back->Items.size() != size_t(count))
            state.SkipWithError("wrong item count");
        back.reset();
    }
    const double bytes = double(QFileInfo(file).size());
    state.counters["items"] = count;
    state.counters["objects_MiB"] = growth.retained;
    state.counters["peak_MiB"] = growth.peak;
    state.SetBytesProcessed(int64_t(bytes) * state.iterations());
}

BENCHMARK(BM_SaveToFile)->Arg(10000)->Arg(50000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFromFile)->Arg(10000)->Arg(50000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--memory")) {
        // One measurement in this fresh process; prints "peak retained".
        const int count = args[3].toInt();
        const QString file = args[4];
        TMemGrowth growth;
        if (args[2] == QLatin1String("save")) {
            auto doc = makeDoc(count);
            growth = measure([&] {
                TXMLSerializer ser;
                registerClasses(ser);
                ser.SaveObject(doc.get());
                ser.SaveToFile(file);
            });
        } else {
            std::unique_ptr<TBenchDoc> back;
            growth = measure([&] {
                TXMLSerializer ser;
                registerClasses(ser);
                ser.LoadFromFile(file);
                back = ser.LoadObjectAs<TBenchDoc>();
            });
        }
        printf("%.3f %.3f\n", growth.peak, growth.retained);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
