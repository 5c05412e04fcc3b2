// Replays the serializer load fuzz target's seed corpus through the same
// entry as the fuzzer: every seed must pass its invariants (the entry aborts
// when one does not hold) in this sanitizer build.
#include "SerializerFuzzEntry.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TEST(SerializerFuzzSeeds, EverySeedPasses)
{
    QDir dir(QStringLiteral(KIOSK_SOURCE_DIR "/fuzz/corpus/serializer"));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 10);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        SerializerFuzzOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
}
