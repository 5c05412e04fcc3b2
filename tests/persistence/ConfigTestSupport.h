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

class ConfigTestBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fDir.isValid());
        fPlaces.exe = fDir.filePath(QStringLiteral("kiosk"));
        fPlaces.user = fDir.filePath(QStringLiteral("home/.config/XJQ/Brindlewick"));
        fPlaces.cache = fDir.filePath(QStringLiteral("home/.cache/XJQ/Brindlewick"));
        fPlaces.temp = fDir.filePath(QStringLiteral("tmp/XJQ/Brindlewick"));
        fPlaces.siblingFixed = fDir.filePath(QStringLiteral("opt/Tallowfern/Tallowfern.exe.config"));
        QDir().mkpath(fPlaces.exe);
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

