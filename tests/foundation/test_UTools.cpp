#include "UAppExceptions.h"
#include "UDebug.h"
#include "UTools.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(AppTools, NamesAndVersions)
{
    EXPECT_EQ(TAppTools::GetAppNameStr(), QStringLiteral("Brindlewick"));
    EXPECT_EQ(TAppTools::GetAppNameStrForUI(), QStringLiteral("Brindlewick"));
    const QString v = TAppTools::GetAppVersionStr();
    EXPECT_EQ(v.split(QLatin1Char('.')).size(), 4);
    const QString ws = TAppTools::GetAppWebSvcVersionStr();
    EXPECT_TRUE(ws.startsWith(QLatin1Char('d')));
    EXPECT_TRUE(ws.endsWith(QStringLiteral("w64")));
    EXPECT_LE(ws.size(), 10);
}

TEST(AppTools, WriteByteArrayToFileReplacesTheFile)
{
    QTemporaryDir tmp;
    const QString f = tmp.filePath(QStringLiteral("data.bin"));
    TAppTools::WriteByteArrayToFile(QByteArray("first content"), f);
    EXPECT_EQ(testsupport::readAll(f), QByteArray("first content"));
    TAppTools::WriteByteArrayToFile(QByteArray("2nd"), f);
    EXPECT_EQ(testsupport::readAll(f), QByteArray("2nd"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
