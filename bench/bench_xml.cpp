// XML reading speed and memory: the same texts parsed into a DOM by our
// reader, by pugixml and by libxml2, side by side. Two texts: a SOAP-sized
// reply (a few KB) and a catalogue-like serializer file of a few MB.
//
// Throughput is google-benchmark's bytes_per_second; the peak heap that one
// parse needs (input copies, decoding buffers and the finished DOM) is
// measured once per parser by counting the bytes that malloc hands out, and
// printed before the benchmark table.
//
// The ranking is printed first: the three parsers take turns in rounds, in a
// random order each round, and each round gives the ratio of our time to
// each yardstick's. The median of those ratios is what counts: a load that
// comes and goes on the machine hits all three alike within a round.
//
//   bench_xml [--pair_rounds=N] [benchmark options]
#include "UXmlParser.h"

#include <QBuffer>

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

// ---------------------------------------------------------------------------
// Heap accounting: malloc and friends are wrapped so that the bytes in use
// and their peak can be read around one parse.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
}

namespace {
std::atomic<long long> gInUse { 0 };
std::atomic<long long> gPeak { 0 };

inline void noteAlloc(void* p)
{
    if (!p)
        return;
    const long long now = gInUse.fetch_add((long long)malloc_usable_size(p), std::memory_order_relaxed)
        + (long long)malloc_usable_size(p);
    long long peak = gPeak.load(std::memory_order_relaxed);
    while (now > peak && !gPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) { }
}
inline void noteFree(void* p)
{
    if (p)
        gInUse.fetch_sub((long long)malloc_usable_size(p), std::memory_order_relaxed);
}
} // namespace

extern "C" {
void* malloc(size_t n)
{
    void* p = __libc_malloc(n);
    noteAlloc(p);
    return p;
}
void* calloc(size_t a, size_t b)
{
    void* p = __libc_calloc(a, b);
    noteAlloc(p);
    return p;
}
void* realloc(void* old, size_t n)
{
    noteFree(old);
    void* p = __libc_realloc(old, n);
    noteAlloc(p);
    if (!p && n && old)
        noteAlloc(old); // realloc failed: the old block stays
    return p;
}
void free(void* p)
{
    noteFree(p);
    __libc_free(p);
}
void* memalign(size_t a, size_t n)
{
    void* p = __libc_memalign(a, n);
    noteAlloc(p);
    return p;
}
void* aligned_alloc(size_t a, size_t n)
{
    return memalign(a, n);
}
int posix_memalign(void** out, size_t a, size_t n)
{
    void* p = memalign(a, n);
    if (!p)
        return 12;
    *out = p;
    return 0;
}
}

namespace {

// ---------------------------------------------------------------------------
// Test texts

QByteArray soapReply()
{
    QByteArray s = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                   "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">\r\n"
                   "  <s:Body>\r\n"
                   "    <GetTarifsResponse xmlns=\"http://tempuri.org/\">\r\n"
                   "      <GetTarifsResult xmlns:a=\"http://schemas.datacontract.org/2004/07/Lab\" "
                   "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\">\r\n";
    for (int i = 0; i < 12; ++i) {
        s += "        <a:Tarif2>\r\n"
             "          <a:IdTarif>" + QByteArray::number(1000 + i) + "</a:IdTarif>\r\n"
             "          <a:Libelle>Tirage 10x15 brillant &amp; mat n\xC2\xB0" + QByteArray::number(i) + "</a:Libelle>\r\n"
             "          <a:Prix>0." + QByteArray::number(15 + i) + "</a:Prix>\r\n"
             "          <a:Quantite>" + QByteArray::number(i * 25) + "</a:Quantite>\r\n"
             "          <a:Remarque i:nil=\"true\"/>\r\n"
             "        </a:Tarif2>\r\n";
    }
    s += "      </GetTarifsResult>\r\n    </GetTarifsResponse>\r\n  </s:Body>\r\n</s:Envelope>\r\n";
    return s;
}

// A catalogue cache as the object serializer writes it.
QByteArray catalogue(int targetBytes)
{
    QByteArray s = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<XmlSerializerV1_0>\r\n"
                   "  <TShopInfoPrint>\r\n    <TShopInfoPrint.Tirages type=\"array\">\r\n";
    for (int i = 0; s.size() < targetBytes; ++i) {
        const QByteArray n = QByteArray::number(i);
        s += "      <Item>\r\n"
             "        <Tirage2 type=\"object\">\r\n"
             "          <Tirage2.IdTirage type=\"integer\">" + n + "</Tirage2.IdTirage>\r\n"
             "          <Tirage2.Libelle type=\"string\">Tirage " + n + " \xC3\xA9" "dition limit\xC3\xA9" "e 13x18 &amp; cadre</Tirage2.Libelle>\r\n"
             "          <Tirage2.Largeur type=\"double\">127.5</Tirage2.Largeur>\r\n"
             "          <Tirage2.Hauteur type=\"double\">177.8</Tirage2.Hauteur>\r\n"
             "          <Tirage2.Papier type=\"string\" code=\"GL\" finish=\"glossy\">Brillant</Tirage2.Papier>\r\n"
             "          <Tirage2.Actif type=\"boolean\">true</Tirage2.Actif>\r\n"
             "          <Tirage2.Tarifs type=\"array\">\r\n"
             "            <Item>\r\n"
             "              <Tarif2 type=\"object\" qty=\"1\" price=\"0.2500\" priceType=\"EurosMagasin\"/>\r\n"
             "            </Item>\r\n"
             "            <Item>\r\n"
             "              <Tarif2 type=\"object\" qty=\"100\" price=\"0.1800\" priceType=\"EurosMagasin\"/>\r\n"
             "            </Item>\r\n"
             "          </Tirage2.Tarifs>\r\n"
             "        </Tirage2>\r\n"
             "      </Item>\r\n";
    }
    s += "    </TShopInfoPrint.Tirages>\r\n  </TShopInfoPrint>\r\n</XmlSerializerV1_0>\r\n";
    return s;
}

// The smallest reply: what every document costs whatever its size.
QByteArray emptyReply()
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
           "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body/></s:Envelope>\r\n";
}

const QByteArray& textFor(int which)
{
    static const QByteArray small = soapReply();
    static const QByteArray large = catalogue(4 * 1024 * 1024);
    static const QByteArray empty = emptyReply();
    return which == 0 ? small : which == 1 ? large : empty;
}

// ---------------------------------------------------------------------------
// The three parsers, each building a whole DOM from the bytes.

struct Ours {
    std::shared_ptr<TkwvDOMDocument> doc;
    bool parse(const QByteArray& bytes, bool ns)
    {
        doc = GetDOM()->createDocument();
        doc->set_ManageNamespaces(ns);
        QByteArray copy = bytes; // shares the data, no copy
        QBuffer buf(&copy);
        buf.open(QIODevice::ReadOnly);
        return doc->loadFromStream(&buf);
    }
};

struct Pugi {
    pugi::xml_document doc;
    bool parse(const QByteArray& bytes, bool)
    {
        return bool(doc.load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_default, pugi::encoding_auto));
    }
};

struct LibXml {
    xmlDocPtr doc = nullptr;
    ~LibXml() { reset(); }
    void reset()
    {
        if (doc)
            xmlFreeDoc(doc);
        doc = nullptr;
    }
    bool parse(const QByteArray& bytes, bool)
    {
        reset();
        doc = xmlReadMemory(bytes.constData(), int(bytes.size()), "bench.xml", nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOBLANKS);
        return doc != nullptr;
    }
};

template<typename P>
void BM_Parse(benchmark::State& state)
{
    const QByteArray& bytes = textFor(int(state.range(0)));
    const bool ns = state.range(1) != 0;
    for (auto _ : state) {
        P p;
        if (!p.parse(bytes, ns))
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(p);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.SetLabel(state.range(0) == 0 ? "SOAP reply" : state.range(0) == 1 ? "catalogue" : "empty reply");
}

// Arguments: text (0 SOAP reply, 1 catalogue, 2 empty reply), namespaces
// managed (ours only).
BENCHMARK_TEMPLATE(BM_Parse, Ours)->Args({ 0, 1 })->Args({ 1, 0 })->Args({ 2, 1 })->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Parse, Pugi)->Args({ 0, 0 })->Args({ 1, 0 })->Args({ 2, 0 })->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Parse, LibXml)->Args({ 0, 0 })->Args({ 1, 0 })->Args({ 2, 0 })->Unit(benchmark::kMicrosecond);

// Writing back what was read, for the record.
void BM_WriteOurs(benchmark::State& state)
{
    Ours p;
    p.parse(textFor(1), false);
    qint64 bytes = 0;
    for (auto _ : state) {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        p.doc->saveToStream(&buf);
        bytes = buf.size();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    state.SetLabel("catalogue");
}
BENCHMARK(BM_WriteOurs)->Unit(benchmark::kMicrosecond);

// Peak heap of one parse with the DOM kept, in bytes above what was in use
// before.
template<typename P>
long long peakOf(int which, bool ns)
{
    const QByteArray& bytes = textFor(which);
    const long long base = gInUse.load();
    gPeak.store(base);
    long long peak;
    {
        P p;
        p.parse(bytes, ns);
        peak = gPeak.load() - base;
    }
    return peak;
}

void printMemory()
{
    xmlInitParser();
    for (int which = 0; which < 2; ++which) {
        const double size = double(textFor(which).size());
        const char* name = which == 0 ? "SOAP reply" : "catalogue";
        std::printf("%-10s %9.0f bytes of text; peak heap of one parse into a DOM:\n", name, size);
        const long long ours = peakOf<Ours>(which, which == 0);
        const long long pugi = peakOf<Pugi>(which, false);
        const long long lx = peakOf<LibXml>(which, false);
        std::printf("  ours     %10lld bytes (%.2f x text)\n", ours, double(ours) / size);
        std::printf("  pugixml  %10lld bytes (%.2f x text)\n", pugi, double(pugi) / size);
        std::printf("  libxml2  %10lld bytes (%.2f x text)\n", lx, double(lx) / size);
    }
    std::fflush(stdout);
}

// Seconds per parse of `which` by P, over n parses.
template<typename P>
double timeParses(int which, bool ns, int n)
{
    const QByteArray& bytes = textFor(which);
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
        P p;
        if (!p.parse(bytes, ns))
            std::abort();
        benchmark::DoNotOptimize(p);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / n;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

void printRanking(int rounds)
{
    std::mt19937 rng(20261211);
    for (int which = 0; which < 2; ++which) {
        const bool ns = which == 0;
        // About 20 ms per parser and round.
        const int n = which == 0 ? 400 : 1;
        const double warm = timeParses<Ours>(which, ns, n) + timeParses<Pugi>(which, ns, n)
            + timeParses<LibXml>(which, ns, n);
        (void)warm;
        std::vector<double> ours, pugi, lx, vsLibxml, vsPugi;
        for (int r = 0; r < rounds; ++r) {
            int order[3] = { 0, 1, 2 };
            std::shuffle(std::begin(order), std::end(order), rng);
            double t[3] = {};
            for (int k : order)
                t[k] = k == 0 ? timeParses<Ours>(which, ns, n)
                    : k == 1  ? timeParses<Pugi>(which, ns, n)
                              : timeParses<LibXml>(which, ns, n);
            ours.push_back(t[0]);
            pugi.push_back(t[1]);
            lx.push_back(t[2]);
            vsPugi.push_back(t[0] / t[1]);
            vsLibxml.push_back(t[0] / t[2]);
        }
        std::printf("%-10s %d rounds in random order, median time per parse: ours %.1f us, pugixml %.1f us, "
                    "libxml2 %.1f us\n",
                    which == 0 ? "SOAP reply" : "catalogue", rounds, median(ours) * 1e6, median(pugi) * 1e6,
                    median(lx) * 1e6);
        std::vector<double> sorted = vsLibxml;
        std::sort(sorted.begin(), sorted.end());
        std::printf("           ours / libxml2: median %.2f (quartiles %.2f .. %.2f); ours / pugixml: median %.2f\n",
                    median(vsLibxml), sorted[sorted.size() / 4], sorted[sorted.size() * 3 / 4], median(vsPugi));
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    printMemory();
    int rounds = 41;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--pair_rounds=", 14) == 0) {
            rounds = std::max(1, std::atoi(argv[i] + 14));
            for (int k = i; k + 1 < argc; ++k)
                argv[k] = argv[k + 1];
            --argc;
            --i;
        }
    }
    xmlInitParser();
    printRanking(rounds);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xmlCleanupParser();
    return 0;
}
