// XML reading speed and memory: the same texts parsed into a DOM by our
// reader, by pugixml and by libxml2, side by side. Two texts: a SOAP-sized
// reply (a few KB) and a catalogue-like serializer file of a few MB.
//
// Throughput is google-benchmark's bytes_per_second; the peak heap that one
// parse needs (input copies, decoding buffers and the finished DOM) is
// measured once per parser by counting the bytes that malloc hands out, and
// printed before the benchmark table.
#include "UXmlParser.h"

#include <QBuffer>

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>

#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>

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

const QByteArray& textFor(int which)
{
    static const QByteArray small = soapReply();
    static const QByteArray large = catalogue(4 * 1024 * 1024);
    return which == 0 ? small : large;
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
    state.SetLabel(state.range(0) == 0 ? "SOAP reply" : "catalogue");
}

// Arguments: text (0 SOAP reply, 1 catalogue), namespaces managed (ours only).
BENCHMARK_TEMPLATE(BM_Parse, Ours)->Args({ 0, 1 })->Args({ 1, 0 })->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Parse, Pugi)->Args({ 0, 0 })->Args({ 1, 0 })->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Parse, LibXml)->Args({ 0, 0 })->Args({ 1, 0 })->Unit(benchmark::kMicrosecond);

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

} // namespace

int main(int argc, char** argv)
{
    printMemory();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xmlCleanupParser();
    return 0;
}
