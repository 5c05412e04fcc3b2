// The seed corpus of the envelope reader's fuzz target, run as a test.
#include "../../fuzz/SoapReplyTarget.h"

#include "TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(SoapFuzzCorpus, EverySeedIsReadWithoutFault)
{
    const QDir dir(QStringLiteral(KIOSK_SOURCE_DIR "/fuzz/corpus/soap_reply"));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 20);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = testsupport::readAll(dir.filePath(name));
        EXPECT_NO_THROW(soapfuzz::FuzzSoapReply(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    }
}
