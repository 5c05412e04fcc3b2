#pragma once
// A configuration living in a temporary folder: its executable, per-user,
// cache and temporary folders and the sibling product's fixed path all point
// below one QTemporaryDir.
#include "UConfig.h"
#include "UTools.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The permission bits of a file for its owner, group and others.
inline QFileDevice::Permissions ownerGroupOther(const QString& path)
{
    return QFile::permissions(path)
        & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

// A configuration whose executable, per-user and sibling folders live in a
// temporary folder of the test.
class TTestConfig : public TConfig {
public:
    struct Places {
        QString exe, user, cache, temp, siblingFixed;
        bool userFails = false;
    };
    explicit TTestConfig(const Places& p) : fPlaces(p) { }
    using TConfig::Init;

protected:
    QString ExeFolder() override { return fPlaces.exe; }
    QString UserDataFolder() override
    {
        if (fPlaces.userFails)
            throw Exception(QStringLiteral("TFileTools.MakeDirRec failure on path \"") + fPlaces.user
                            + QStringLiteral("\""));
        return TFileTools::MakeDirRec(fPlaces.user);
    }
    QString UserCacheFolder() override { return TFileTools::MakeDirRec(fPlaces.cache); }
    QString UserTempFolder() override { return TFileTools::MakeDirRec(fPlaces.temp); }
    QString SiblingFixedPath() override { return fPlaces.siblingFixed; }
    QString AppVersionStr() override { return QStringLiteral("3.2.0.15"); }

private:
    Places fPlaces;
};

// The folders of a test configuration below one temporary folder; the
// executable's folder is created.
inline TTestConfig::Places testConfigPlaces(const QTemporaryDir& dir)
{
    TTestConfig::Places p;
    p.exe = dir.filePath(QStringLiteral("kiosk"));
    p.user = dir.filePath(QStringLiteral("home/.config/XJQ/Brindlewick"));
    p.cache = dir.filePath(QStringLiteral("home/.cache/XJQ/Brindlewick"));
    p.temp = dir.filePath(QStringLiteral("tmp/XJQ/Brindlewick"));
    p.siblingFixed = dir.filePath(QStringLiteral("opt/Tallowfern/Tallowfern.exe.config"));
    QDir().mkpath(p.exe);
    return p;
}

class ConfigTestBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fDir.isValid());
        fPlaces = testConfigPlaces(fDir);
    }

    std::unique_ptr<TTestConfig> start()
    {
        auto cfg = std::make_unique<TTestConfig>(fPlaces);
        cfg->Init();
        return cfg;
    }

    QString exeFile() const { return fPlaces.exe + QStringLiteral("/Brindlewick.qzcfg"); }
    QString userFile() const { return fPlaces.user + QStringLiteral("/Brindlewick.qzcfg"); }

    // A configuration document holding the given property elements.
    static QByteArray configDoc(const QByteArray& props, const QByteArray& element = "Config")
    {
        return "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<XmlSerializerV1_0>\r\n<" + element + ">\r\n"
            + props + "</" + element + ">\r\n</XmlSerializerV1_0>\r\n";
    }

    QTemporaryDir fDir;
    TTestConfig::Places fPlaces;
};

