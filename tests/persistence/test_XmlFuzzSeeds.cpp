// Replays the seed corpora of the XML and serializer fuzz targets through the
// same entries as the fuzzers: every seed must pass the fuzz invariants (the
// entries abort when one does not hold) in this sanitizer build.
#include "SerializerFuzzEntry.h"
#include "XmlFuzzEntry.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void replayCorpus(const char* name, void (*entry)(const uint8_t*, size_t))
{
    QDir dir(QStringLiteral(KIOSK_SOURCE_DIR "/fuzz/corpus/") + QLatin1String(name));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 10);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        QFile f(dir.filePath(file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        entry(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
}

} // namespace

TEST(XmlFuzzSeeds, EverySeedPasses)
{
    replayCorpus("xml", XmlFuzzOneInput);
}

TEST(SerializerFuzzSeeds, EverySeedPasses)
{
    replayCorpus("serializer", SerializerFuzzOneInput);
}
