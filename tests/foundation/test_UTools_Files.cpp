#include "UAppExceptions.h"
#include "UDebug.h"
#include "UTools.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no exception>");
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : fName(name), fHad(qEnvironmentVariableIsSet(name)), fOld(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (fHad)
            qputenv(fName, fOld);
        else
            qunsetenv(fName);
    }

private:
    const char* fName;
    bool fHad;
    QByteArray fOld;
};

class FileToolsTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString path(const QString& rel) const { return tmp.filePath(rel); }
    void write(const QString& rel, const QByteArray& bytes) { ASSERT_TRUE(testsupport::writeAll(path(rel), bytes)); }
    QByteArray read(const QString& rel) const { return testsupport::readAll(path(rel)); }
};

} // namespace

TEST_F(FileToolsTest, ApplicationFoldersUnderXdgBases)
{
    const QByteArray base = tmp.path().toUtf8();
    ScopedEnv data("XDG_DATA_HOME", base + "/data");
    ScopedEnv config("XDG_CONFIG_HOME", base + "/config");
    ScopedEnv temp("TMPDIR", base + "/temp");
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("temp"))));

    struct Case {
        const char* name;
        QString (*get)();
        QString expected;
    };
    const Case cases[] = {
        { "cache (local data)", &TFileTools::AppCachePathLow, path(QStringLiteral("data/XJQ/Brindlewick")) },
        { "user data (roaming)", &TFileTools::AppUserDataPathLow, path(QStringLiteral("config/XJQ/Brindlewick")) },
        { "public", &TFileTools::AppPublicPath, path(QStringLiteral("config/XJQ/Brindlewick")) },
        { "temporary", &TFileTools::AppTempPathLow, path(QStringLiteral("temp/XJQ/Brindlewick")) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.get(), c.expected);
        EXPECT_TRUE(QFileInfo(c.expected).isDir());
        // A second call gives the same folder and leaves it in place.
        ASSERT_TRUE(testsupport::writeAll(c.expected + QStringLiteral("/keep"), "k"));
        EXPECT_EQ(c.get(), c.expected);
        EXPECT_TRUE(QFileInfo::exists(c.expected + QStringLiteral("/keep")));
    }

    // A base that cannot hold folders raises the MakeDirRec message.
    write(QStringLiteral("file-not-dir"), "x");
    ScopedEnv blocked("XDG_DATA_HOME", base + "/file-not-dir");
    EXPECT_EQ(messageOf([] { TFileTools::AppCachePathLow(); }),
        QStringLiteral("TFileTools.MakeDirRec failure on path \"") + path(QStringLiteral("file-not-dir/XJQ/Brindlewick"))
            + QStringLiteral("\""));
}

TEST_F(FileToolsTest, ProgramAndSystemFolders)
{
    EXPECT_EQ(TFileTools::AppExePath(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(TFileTools::AppExeName(), QStringLiteral("tests_foundation"));
    EXPECT_EQ(TFileTools::GetSystemPath(), QStringLiteral("/usr"));
    EXPECT_EQ(TFileTools::GetSystemPath(), TFileTools::GetSystemPath());
    ScopedEnv home("HOME", tmp.path().toUtf8());
    EXPECT_FALSE(TFileTools::GetDownloadsPath().isEmpty());
    EXPECT_FALSE(TFileTools::GetDesktopPath().isEmpty());
}

TEST_F(FileToolsTest, MakeDirRecAndFileBasics)
{
    const QString deep = path(QStringLiteral("a/b/c"));
    EXPECT_EQ(TFileTools::MakeDirRec(deep), deep);
    EXPECT_TRUE(QFileInfo(deep).isDir());
    write(QStringLiteral("plain"), "12345");
    EXPECT_EQ(messageOf([&] { TFileTools::MakeDirRec(path(QStringLiteral("plain/sub"))); }),
        QStringLiteral("TFileTools.MakeDirRec failure on path \"") + path(QStringLiteral("plain/sub")) + QStringLiteral("\""));

    EXPECT_EQ(TFileTools::FileSize(path(QStringLiteral("plain"))), 5);
    EXPECT_THROW(TFileTools::FileSize(path(QStringLiteral("missing"))), EFOpenError);

    QFile::setPermissions(path(QStringLiteral("plain")), QFileDevice::ReadOwner);
    TFileTools::DeleteFileRequired(path(QStringLiteral("plain")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("plain"))));
    EXPECT_EQ(messageOf([&] { TFileTools::DeleteFileRequired(path(QStringLiteral("plain"))); }),
        QStringLiteral("TFileTools.DeleteFile: can't delete file '") + path(QStringLiteral("plain")) + QStringLiteral("'"));
}

TEST_F(FileToolsTest, GetFiles)
{
    write(QStringLiteral("pics/a.jpg"), "a");
    write(QStringLiteral("pics/B.JPG"), "b");
    write(QStringLiteral("pics/c.png"), "c");
    write(QStringLiteral("pics/d.jpeg"), "d");
    write(QStringLiteral("pics/sub/e.jpg"), "e");
    const QString dir = path(QStringLiteral("pics"));
    auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };
    const QStringList jpg = sorted({ dir + QStringLiteral("/B.JPG"), dir + QStringLiteral("/a.jpg") });
    EXPECT_EQ(sorted(TFileTools::GetFiles(dir, { QStringLiteral("*.jpg") })), jpg);
    EXPECT_EQ(sorted(TFileTools::GetFiles(dir, { QStringLiteral("*.JPG") })), jpg);
    EXPECT_EQ(TFileTools::GetFiles(dir, { QStringLiteral("*.jpg"), QStringLiteral("*.png") }).size(), 3);
    EXPECT_EQ(TFileTools::GetFiles(dir, { QStringLiteral("?.jp*g") }).size(), 3);
    EXPECT_TRUE(TFileTools::GetFiles(path(QStringLiteral("missing")), { QStringLiteral("*.jpg") }).isEmpty());
    EXPECT_TRUE(TFileTools::GetFiles(dir, {}).isEmpty());
}

TEST(FileToolsGuard, GuardedPaths)
{
    struct Case {
        const char* path;
        bool guarded;
    };
    const Case cases[] = {
        { "/", false },
        { "/home", false },
        { "/home/user", true }, // exactly 10 characters
        { "/home/use", false },
        { "relative/path/that/is/long", false },
        { "", false },
        { "/tmp/kiosk/../..", false },
        { "/tmp/kiosk/cache/../x", false },
        { "/tmp////////", false }, // only "/tmp" once normalised
        { "/tmp/abc/./", false }, // "/tmp/abc" once normalised
        { "/tmp/kiosk/cache", true },
        { "/tmp/kiosk/..cache", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(TFileTools::IsGuardedPath(QString::fromLatin1(c.path)), c.guarded);
    }
}

TEST_F(FileToolsTest, DeleteRefusesUnguardedPaths)
{
    for (const QString& bad : { QStringLiteral("/"), QStringLiteral("relative/dir/name"), tmp.path() + QStringLiteral("/x/../..") }) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_EQ(messageOf([&] { TFileTools::DeleteDirFilesRec(bad); }),
            QStringLiteral("TFileTools.DeleteDirFilesRec: forbidden directory path: '") + bad + QStringLiteral("'"));
    }
    // A guarded folder that does not exist is left alone.
    EXPECT_NO_THROW(TFileTools::DeleteDirFilesRec(path(QStringLiteral("does/not/exist"))));
}

TEST_F(FileToolsTest, DeleteDirFilesRecEmptiesAndNeverFollowsLinks)
{
    write(QStringLiteral("victim/precious.txt"), "keep me");
    write(QStringLiteral("target/a.txt"), "a");
    write(QStringLiteral("target/.hidden"), "h");
    write(QStringLiteral("target/sub/deeper/b.txt"), "b");
    QFile::setPermissions(path(QStringLiteral("target/sub/deeper/b.txt")), QFileDevice::ReadOwner);
    ASSERT_TRUE(QFile::link(path(QStringLiteral("victim")), path(QStringLiteral("target/link-to-dir"))));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("victim/precious.txt")), path(QStringLiteral("target/link-to-file"))));

    TFileTools::DeleteDirFilesRec(path(QStringLiteral("target")));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("target"))).isDir());
    EXPECT_TRUE(QDir(path(QStringLiteral("target"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(read(QStringLiteral("victim/precious.txt")), QByteArray("keep me"));

    TFileTools::DeleteDirRec(path(QStringLiteral("target")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("target"))));
    EXPECT_EQ(messageOf([&] { TFileTools::DeleteDirRec(path(QStringLiteral("target"))); }),
        QStringLiteral("TFileTools.DeleteDirRec: can't delete directory '") + path(QStringLiteral("target")) + QStringLiteral("'"));

    // A link to a folder given as the folder itself goes as a link.
    ASSERT_TRUE(QFile::link(path(QStringLiteral("victim")), path(QStringLiteral("alias"))));
    TFileTools::DeleteDirRec(path(QStringLiteral("alias")));
    EXPECT_FALSE(QFileInfo(path(QStringLiteral("alias"))).isSymLink());
    EXPECT_EQ(read(QStringLiteral("victim/precious.txt")), QByteArray("keep me"));
}

TEST_F(FileToolsTest, CopyChecksComeInOrder)
{
    write(QStringLiteral("src/f.txt"), "f");
    const QString src = path(QStringLiteral("src"));
    const QString missing = path(QStringLiteral("missing"));
    // Existence is checked before the guard: a relative source that exists
    // with a missing destination reports the destination.
    EXPECT_EQ(messageOf([&] { TFileTools::CopyDirFilesRec(QStringLiteral("."), missing, true); }),
        QStringLiteral("TFileTools.CopyDirFilesRec: not found directory path dst: '") + missing + QStringLiteral("'"));
    EXPECT_EQ(messageOf([&] { TFileTools::CopyDirFilesRec(missing, src, true); }),
        QStringLiteral("TFileTools.CopyDirFilesRec: not found directory path src: '") + missing + QStringLiteral("'"));
    EXPECT_EQ(messageOf([&] { TFileTools::CopyDirFilesRec(QStringLiteral("."), src, true); }),
        QStringLiteral("TFileTools.CopyDirFilesRec: forbidden directory path src: '.'"));
    EXPECT_EQ(messageOf([&] { TFileTools::CopyDirFilesRec(src, QStringLiteral("/"), true); }),
        QStringLiteral("TFileTools.CopyDirFilesRec: forbidden directory path dst: '/'"));
    EXPECT_EQ(messageOf([&] { TFileTools::CopyDirRec(src, missing, true); }),
        QStringLiteral("TFileTools.CopyDirRec: not found directory path dst: '") + missing + QStringLiteral("'"));
    EXPECT_EQ(messageOf([&] { TFileTools::CopyDirRec(missing, src, true); }),
        QStringLiteral("TFileTools.CopyDirRec: not found directory path src: '") + missing + QStringLiteral("'"));
    EXPECT_EQ(messageOf([&] { TFileTools::CopyDirRec(src, QStringLiteral("/"), true); }),
        QStringLiteral("TFileTools.CopyDirRec: forbidden directory path dst: '/'"));
    // A copy into its own subfolder would never end.
    ASSERT_TRUE(QDir().mkpath(src + QStringLiteral("/inner")));
    EXPECT_THROW(TFileTools::CopyDirFilesRec(src, src + QStringLiteral("/inner"), true), Exception);
}

TEST_F(FileToolsTest, CopyTreesWithAndWithoutOverwrite)
{
    write(QStringLiteral("src/top.txt"), "top-new");
    write(QStringLiteral("src/.hidden"), "hidden");
    write(QStringLiteral("src/sub/deep/leaf.txt"), "leaf-new");
    write(QStringLiteral("outside/secret.txt"), "secret");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("outside")), path(QStringLiteral("src/sub/link"))));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("dst"))));

    TFileTools::CopyDirRec(path(QStringLiteral("src")), path(QStringLiteral("dst")), false);
    EXPECT_EQ(read(QStringLiteral("dst/src/top.txt")), QByteArray("top-new"));
    EXPECT_EQ(read(QStringLiteral("dst/src/.hidden")), QByteArray("hidden"));
    EXPECT_EQ(read(QStringLiteral("dst/src/sub/deep/leaf.txt")), QByteArray("leaf-new"));
    // The link is copied as a link, its target is not walked.
    const QFileInfo link(path(QStringLiteral("dst/src/sub/link")));
    EXPECT_TRUE(link.isSymLink());
    EXPECT_EQ(link.symLinkTarget(), path(QStringLiteral("outside")));

    // Overwrite replaces files at every depth.
    write(QStringLiteral("src/sub/deep/leaf.txt"), "leaf-newer");
    TFileTools::CopyDirFilesRec(path(QStringLiteral("src")), path(QStringLiteral("dst/src")), true);
    EXPECT_EQ(read(QStringLiteral("dst/src/sub/deep/leaf.txt")), QByteArray("leaf-newer"));

    // Without overwrite the first existing file ends the copy with an error.
    write(QStringLiteral("src/sub/deep/leaf.txt"), "leaf-newest");
    EXPECT_THROW(TFileTools::CopyDirFilesRec(path(QStringLiteral("src")), path(QStringLiteral("dst/src")), false), Exception);
    EXPECT_EQ(read(QStringLiteral("dst/src/sub/deep/leaf.txt")), QByteArray("leaf-newer"));
}

TEST_F(FileToolsTest, StreamOpenForReadRetriesThenRaises)
{
    write(QStringLiteral("in.txt"), "content");
    auto f = TFileTools::StreamOpenForRead(path(QStringLiteral("in.txt")));
    EXPECT_EQ(f->readAll(), QByteArray("content"));
    EXPECT_THROW(TFileTools::StreamOpenForRead(path(QStringLiteral("missing.txt"))), EFOpenError);
}

TEST_F(FileToolsTest, StreamOpenForWriteIsAtomic)
{
    write(QStringLiteral("cfg.xml"), "old configuration");
    {
        auto f = TFileTools::StreamOpenForWrite(path(QStringLiteral("cfg.xml")));
        f->write("half written");
        // Dropped without commit: a failed save never truncates the file.
    }
    EXPECT_EQ(read(QStringLiteral("cfg.xml")), QByteArray("old configuration"));
    {
        auto f = TFileTools::StreamOpenForWrite(path(QStringLiteral("cfg.xml")));
        f->write("new configuration");
        ASSERT_TRUE(f->commit());
    }
    EXPECT_EQ(read(QStringLiteral("cfg.xml")), QByteArray("new configuration"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_THROW(TFileTools::StreamOpenForWrite(path(QStringLiteral("no/folder/x"))), EFCreateError);

    QByteArray mem("from memory");
    QBuffer buf(&mem);
    TFileTools::StreamSaveToFile(buf, path(QStringLiteral("cfg.xml")));
    EXPECT_EQ(read(QStringLiteral("cfg.xml")), mem);
}

TEST_F(FileToolsTest, StreamOpenForWriteOnReadOnlyFile)
{
    TLogFile::GlobalOpen(path(QStringLiteral("logs")), ll_debug, 0, QString(), true);
    write(QStringLiteral("ro.txt"), "old");
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("ro.txt")), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const bool effectivelyReadOnly = !QFileInfo(path(QStringLiteral("ro.txt"))).isWritable();
    TAppTools::WriteByteArrayToFile("new", path(QStringLiteral("ro.txt")));
    EXPECT_EQ(read(QStringLiteral("ro.txt")), QByteArray("new"));
    const QByteArray log = testsupport::readAll(QDir(path(QStringLiteral("logs"))).filePath(
        QStringLiteral("Qz-") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log")));
    TLogFile::GlobalClose();
    // The superuser may write anyway; for anyone else the attribute is
    // cleared once, and said so.
    EXPECT_EQ(log.contains(":File " + path(QStringLiteral("ro.txt")).toUtf8() + " : attribute readonly removed\r\n"),
        effectivelyReadOnly);
}

TEST_F(FileToolsTest, TextWriterAndReader)
{
    const QString f = path(QStringLiteral("notes.txt"));
    {
        auto w = TFileTools::StreamWriterCreate(f, false, QStringConverter::Utf8, 8);
        w->WriteLine(QStringLiteral("caf\u00e9"));
        w->Write(QStringLiteral("end"));
        w->Close();
    }
    EXPECT_EQ(testsupport::readAll(f), QByteArray("\xEF\xBB\xBF" "caf\xC3\xA9\r\nend"));
    {
        auto w = TFileTools::StreamWriterCreate(f, true);
        w->WriteLine();
        w->Write(QStringLiteral("more"));
    } // appended text is kept without Close
    EXPECT_EQ(testsupport::readAll(f), QByteArray("\xEF\xBB\xBF" "caf\xC3\xA9\r\nend\r\nmore"));
    {
        auto w = TFileTools::StreamWriterCreate(f, false);
        w->Write(QStringLiteral("replacement that fails half way"));
    } // not closed: the previous file stays whole
    EXPECT_EQ(testsupport::readAll(f), QByteArray("\xEF\xBB\xBF" "caf\xC3\xA9\r\nend\r\nmore"));

    auto r = TFileTools::StreamReaderCreate(f);
    EXPECT_EQ(r->ReadLine(), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(r->ReadLine(), QStringLiteral("end"));
    EXPECT_FALSE(r->EndOfStream());
    EXPECT_EQ(r->ReadToEnd(), QStringLiteral("more"));
    EXPECT_TRUE(r->EndOfStream());

    EXPECT_THROW(TFileTools::StreamWriterCreate(path(QStringLiteral("no/dir/x.txt")), false), EFCreateError);
    EXPECT_THROW(TFileTools::StreamReaderCreate(path(QStringLiteral("missing.txt"))), EFOpenError);
}
