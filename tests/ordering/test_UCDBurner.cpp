// The disc burner on a libburn pseudo-drive (a file standing for the disc):
// the images read back with isoinfo, the split of files over discs, cancel,
// and the refusals.
#include "OrderingTestSupport.h"

#include <gtest/gtest.h>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace orderingtest;

namespace {

constexpr qint64 MB = 1024 * 1024;

QString volumeId(const QString& iso)
{
    for (const QString& line : runTool(QStringLiteral("isoinfo"), { QStringLiteral("-d"), QStringLiteral("-i"), iso }).split(u'\n'))
        if (line.startsWith(QStringLiteral("Volume id:")))
            return line.mid(10).trimmed();
    return QString();
}

struct BurnerFixture : testing::Test {
    // A picture file of the given size at the customer's copy folder.
    IMediaRef picture(const QString& discName, qint64 size, const QString& copyName = QString())
    {
        const QString path = dir.filePath(QStringLiteral("copies/") + (copyName.isEmpty() ? discName : copyName));
        QDir().mkpath(dir.filePath(QStringLiteral("copies")));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(64, 'J'));
        f.resize(size);
        return std::make_shared<TMediaFile>(path, discName, size);
    }
    // Takes the written disc out of the pseudo-drive: the next one is blank.
    QString eject(int n)
    {
        const QString taken = dir.filePath(QStringLiteral("disc%1.iso").arg(n));
        EXPECT_TRUE(QFile::rename(disc(), taken));
        return taken;
    }
    QString disc() const { return dir.filePath(QStringLiteral("drive.iso")); }

    QTemporaryDir dir;
    QStringList texts;
    TUpdateInteface record = [this](const QString& t, const QString&, int, int, int, int, int) {
        if (!t.isEmpty())
            texts << t;
    };
};


} // namespace

// Three files of 3, 3 and 2 MB on discs of 7 MB: the estimate is two discs;
// the first disc takes the last two files, the second the first file.
TEST_F(BurnerFixture, SplitsFilesOverDiscsFromTheEndOfTheList)
{
    TestBurner burner(disc(), 7 * MB);
    burner.SetUpdateInterface(record);
    burner.MediaAdd(picture(QStringLiteral("A.jpg"), 3 * MB));
    burner.MediaAdd(picture(QStringLiteral("B.jpg"), 3 * MB));
    burner.MediaAdd(picture(QStringLiteral("C.jpg"), 2 * MB));
    EXPECT_EQ(burner.TotalFileSize(), 8 * MB);

    ASSERT_TRUE(burner.DetectMedia());
    EXPECT_EQ(burner.MediaFreeSize(), 7 * MB);
    EXPECT_EQ(burner.MediaCountRequired(), 2);
    const QString date = QStringLiteral("%1-%2-%3")
                             .arg(QDate::currentDate().year())
                             .arg(QDate::currentDate().month())
                             .arg(QDate::currentDate().day());
    EXPECT_EQ(burner.VolumeNameCalc(), QStringLiteral("Qz 1.2 ") + date);
    ASSERT_EQ(burner.Burn(), BurnRes::Ok);
    ASSERT_EQ(burner.MediaList().size(), 1u);
    const QString first = eject(1);
    EXPECT_EQ(discFiles(first), (QStringList { QStringLiteral("B.jpg"), QStringLiteral("C.jpg") }));
    EXPECT_TRUE(texts.contains(QStringLiteral("Please wait \r\nImage creation is in progress...")));

    ASSERT_TRUE(burner.DetectMedia());
    EXPECT_EQ(burner.VolumeNameCalc(), QStringLiteral("Qz 2.2 ") + date);
    ASSERT_EQ(burner.Burn(), BurnRes::Ok);
    EXPECT_TRUE(burner.MediaList().empty());
    EXPECT_EQ(burner.MediaCountInBurn(), 2);
    EXPECT_EQ(discFiles(eject(2)), QStringList { QStringLiteral("A.jpg") });
}

TEST_F(BurnerFixture, SingleDiscCarriesNoDiscNumberAndKeepsJolietNames)
{
    TestBurner burner(disc(), 7 * MB);
    burner.MediaAdd(picture(QStringLiteral("IMG_0001.jpg"), 100000, QStringLiteral("a.jpg")));
    burner.MediaAdd(picture(QStringLiteral("IMG_0001(1).jpg"), 200000, QStringLiteral("b.jpg")));
    ASSERT_TRUE(burner.DetectMedia());
    const QString volume = burner.VolumeNameCalc();
    EXPECT_FALSE(volume.contains(u'.'));
    ASSERT_EQ(burner.Burn(), BurnRes::Ok);
    EXPECT_EQ(discFiles(disc()), (QStringList { QStringLiteral("IMG_0001(1).jpg"), QStringLiteral("IMG_0001.jpg") }));
    EXPECT_EQ(volumeId(disc()), volume.toUpper().replace(u' ', u'_').replace(u'-', u'_'));
    // The file's bytes are on the disc.
    QProcess extract;
    extract.start(QStringLiteral("isoinfo"), { QStringLiteral("-J"), QStringLiteral("-i"), disc(), QStringLiteral("-x"),
                                               QStringLiteral("/IMG_0001.jpg;1") });
    extract.waitForFinished(60000);
    const QByteArray bytes = extract.readAllStandardOutput();
    EXPECT_EQ(bytes.size(), 100000);
    EXPECT_TRUE(bytes.startsWith(QByteArray(64, 'J')));
}

TEST_F(BurnerFixture, CancelStopsTheWriteAndKeepsTheFiles)
{
    TestBurner burner(disc(), 700 * MB);
    for (int i = 0; i < 3; ++i)
        burner.MediaAdd(picture(QStringLiteral("P%1.jpg").arg(i), 40 * MB));
    int events = 0;
    burner.SetUpdate([&](ICDburner* sender, const TProgressData& progress) {
        EXPECT_EQ(progress.ftasktype, TaskType::ImageBurn);
        if (events++ == 0)
            sender->CancelWrite();
    });
    ASSERT_TRUE(burner.DetectMedia());
    EXPECT_EQ(burner.Burn(), BurnRes::CanceledByUser);
    EXPECT_GE(events, 1);
    EXPECT_EQ(burner.MediaList().size(), 3u);
    EXPECT_EQ(burner.MediaCountInBurn(), 0);
}

TEST_F(BurnerFixture, FileLargerThanTheDiscIsRefusedBeforeWriting)
{
    TestBurner burner(disc(), 7 * MB);
    burner.MediaAdd(picture(QStringLiteral("small.jpg"), 1 * MB));
    burner.MediaAdd(picture(QStringLiteral("huge.mov"), 8 * MB));
    ASSERT_TRUE(burner.DetectMedia());
    const QString error = exceptionText([&] { burner.Burn(); });
    EXPECT_TRUE(error.contains(QStringLiteral("huge.mov (8388608 bytes) is larger than the free space")))
        << error.toStdString();
    EXPECT_EQ(QFileInfo(disc()).size(), 0);
    EXPECT_EQ(burner.MediaList().size(), 2u);
}

TEST_F(BurnerFixture, WrittenDiscIsRefusedUntilABlankOneIsInserted)
{
    TestBurner burner(disc(), 7 * MB);
    burner.SetUpdateInterface(record);
    burner.MediaAdd(picture(QStringLiteral("A.jpg"), 3 * MB));
    burner.MediaAdd(picture(QStringLiteral("B.jpg"), 3 * MB));
    burner.MediaAdd(picture(QStringLiteral("C.jpg"), 3 * MB));
    ASSERT_TRUE(burner.DetectMedia());
    ASSERT_EQ(burner.Burn(), BurnRes::Ok);
    texts.clear();
    EXPECT_FALSE(burner.DetectMedia());
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_TRUE(texts.last().startsWith(QStringLiteral("Impossible to write on this media.\r\nPlease insert a new CD/DVD.")));
}

TEST_F(BurnerFixture, KnowsFilesBySourcePathAndNeedsADiscForItsEstimate)
{
    TestBurner burner(disc(), 7 * MB);
    const IMediaRef file = picture(QStringLiteral("A.jpg"), 1000);
    burner.MediaAdd(file);
    EXPECT_TRUE(burner.MediaAlreadyAdd(std::make_shared<TMediaFile>(file->SourcePath(), QStringLiteral("X.jpg"), 1)));
    EXPECT_FALSE(burner.MediaAlreadyAdd(picture(QStringLiteral("B.jpg"), 1000)));
    EXPECT_EQ(exceptionText([&] { burner.MediaCountRequired(); }),
              QStringLiteral("CDburner.MediaCountRequired: Media count required not yet available"));
}

// A system without a recorder.
class NoRecorderBurner : public CDBurner {
public:
    const std::vector<std::unique_ptr<TDrive>>& RecorderList() override { return fNone; }

private:
    std::vector<std::unique_ptr<TDrive>> fNone;
};

TEST_F(BurnerFixture, NoRecorderSaysSoWithoutCallback)
{
    NoRecorderBurner burner;
    burner.SetUpdateInterface(record);
    EXPECT_FALSE(burner.DetectMedia());
    EXPECT_EQ(burner.GetmediaLabel(), QStringLiteral("No CD burner detected!"));
    EXPECT_TRUE(texts.isEmpty());
}
