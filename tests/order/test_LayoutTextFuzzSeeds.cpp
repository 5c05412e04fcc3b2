// Replays the layout-text fuzz target's seed corpus through the same entry as
// the fuzzer, so that the normal build keeps the target's invariants.
#include "LayoutTextFuzzEntry.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(LayoutTextFuzzSeeds, CorpusKeepsTheInvariants)
{
    QDir dir(QStringLiteral(KIOSK_SOURCE_DIR "/fuzz/corpus/layout_text"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        LayoutTextFuzzOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
}
