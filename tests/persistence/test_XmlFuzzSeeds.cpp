// Replays the XML fuzz target's seed corpus through the same entry as the
// fuzzer: every seed must pass the fuzz invariants (the entry aborts when one
// does not hold) in this sanitizer build.
#include "XmlFuzzEntry.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TEST(XmlFuzzSeeds, EverySeedPasses)
{
    QDir dir(QStringLiteral(KIOSK_SOURCE_DIR "/fuzz/corpus/xml"));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 10);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        XmlFuzzOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
}
