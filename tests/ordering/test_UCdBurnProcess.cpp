// The disc-burning job on a pseudo-drive: pictures copied under unique
// names, discs asked for one after the other, cancel, the error box with
// Retry and Cancel, and no copy left behind.
#include "OrderingTestSupport.h"
#include "TestSupport.h"
#include "UCdBurnProcess.h"

#include <gtest/gtest.h>
#include <QDirIterator>
#include <QProcess>

using namespace orderfakes;
using namespace orderingtest;

namespace {

constexpr qint64 MB = 1024 * 1024;

class BurnMainFrame : public OrderMainFrame {
public:
    TConfigInfo* Config() override { return &tempConfig; }
    void ConfirmYesNo(const QString& text, TProc yesProc, TProc noProc) override
    {
        confirms << text;
        yes = std::move(yesProc);
        no = std::move(noProc);
    }
    IMainPopupControllerRef MessageDlgCusto(const QString& icon, const QString& title, const QString& msg,
                                            const QString& btnText1, TProc btnProc1, const QString& btnText2,
                                            TProc btnProc2, bool bBtn2IfClickOut, TProc) override
    {
        boxes << QStringList { icon, title, msg, btnText1, btnText2 };
        EXPECT_TRUE(bBtn2IfClickOut);
        retry = std::move(btnProc1);
        cancel = std::move(btnProc2);
        return nullptr;
    }

    TempConfig tempConfig;
    QStringList confirms;
    QList<QStringList> boxes;
    TProc yes, no, retry, cancel;
};

// The popup as the job sees it.
class RecordingView : public ICdBurnerView {
public:
    void SetButtonStartVisible(bool visible) override { startVisible = visible; }
    void UpdateInterface(const QString& Texte, const QString& Media, int, int, int NbMedia, int, int) override
    {
        if (!Texte.isEmpty())
            texts << Texte;
        if (!Media.isEmpty())
            media = Media;
        if (NbMedia > 0)
            nbMedia = NbMedia; // the last disc count shown
    }
    void Close() override { ++closed; }

    bool startVisible = false;
    QStringList texts;
    QString media;
    int nbMedia = -1;
    int closed = 0;
};

struct ProcessFixture : testing::Test {
    void SetUp() override
    {
        main.tempConfig.temp = dir.filePath(QStringLiteral("temp"));
        format = makeTirage(1, 10, 15);
    }
    void addPicture(const QString& id, qint64 size)
    {
        if (!product)
            product = order->TirageProductAdd(format.get(), 1);
        addCopyingPicture(product, id, size);
    }
    QString disc() const { return dir.filePath(QStringLiteral("drive.iso")); }
    // Takes the written disc out of the pseudo-drive.
    QString eject(int n)
    {
        const QString taken = dir.filePath(QStringLiteral("disc%1.iso").arg(n));
        EXPECT_TRUE(QFile::rename(disc(), taken));
        return taken;
    }
    bool tempIsEmpty() const
    {
        QDirIterator it(main.tempConfig.temp, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        return !it.hasNext();
    }

    QTemporaryDir dir;
    BurnMainFrame main;
    OrderOf order { main };
    std::unique_ptr<Tirage2> format;
    TTirageProduct* product = nullptr;
    RecordingView view;
};

} // namespace

TEST_F(ProcessFixture, WritesEveryPictureOverTwoDiscsAndLeavesNoCopy)
{
    addPicture(QStringLiteral("/media/usb/DCIM/IMG_0001.jpg"), 3 * MB);
    addPicture(QStringLiteral("/media/usb/OLD/IMG_0001.jpg"), 3 * MB);
    addPicture(QStringLiteral("/media/usb/OLD/IMG_0002.JPG"), 2 * MB);
    auto burner = std::make_shared<TestBurner>(disc(), 7 * MB);
    TCdBurnProcess process(&main, burner, &view);
    process.Start();
    // The first disc: the last two pictures. The written disc left in the
    // drive is refused and the job waits for the next one.
    ASSERT_TRUE(testsupport::waitFor([&] {
        return burner->MediaCountInBurn() == 1 && process.WaitingMedia() && !view.texts.isEmpty()
            && view.texts.last() == QStringLiteral("Impossible to write on this media.\r\nPlease insert a new CD/DVD.\r\n"
                                                   "Click on \"Start burn\" when CD/DVD is ready");
    }));
    EXPECT_EQ(view.nbMedia, 2);
    EXPECT_TRUE(view.startVisible);
    const QString first = eject(1);
    ASSERT_TRUE(testsupport::waitFor([&] { return view.closed == 1; }));
    EXPECT_FALSE(process.Running() && burner->MediaCountInBurn() != 2);
    EXPECT_EQ(discFiles(first), (QStringList { QStringLiteral("IMG_0001(1).jpg"), QStringLiteral("IMG_0002.JPG") }));
    EXPECT_EQ(discFiles(eject(2)), QStringList { QStringLiteral("IMG_0001.jpg") });
    EXPECT_TRUE(view.texts.contains(QStringLiteral("Please wait \r\nImage creation is in progress...")));
    EXPECT_TRUE(std::any_of(view.texts.begin(), view.texts.end(), [](const QString& t) {
        return t.startsWith(QStringLiteral("Please wait \r\nBurn process is in progress..."));
    }));
    EXPECT_EQ(view.media, QStringLiteral("stdio file"));
    ASSERT_TRUE(testsupport::waitFor([&] { return !process.Running(); }));
    EXPECT_TRUE(tempIsEmpty());
}

TEST_F(ProcessFixture, CancelWhileWaitingAsksThenClosesWithoutWriting)
{
    addPicture(QStringLiteral("/media/usb/IMG_0001.jpg"), 1 * MB);
    // No disc in the drive: the job waits.
    auto burner = std::make_shared<TestBurner>(dir.filePath(QStringLiteral("no-such-folder/drive.iso")), 7 * MB);
    TCdBurnProcess process(&main, burner, &view);
    process.Start();
    ASSERT_TRUE(testsupport::waitFor([&] { return process.WaitingMedia() && !view.texts.isEmpty(); }));
    process.ButtonCdBurnerCancelClick();
    ASSERT_EQ(main.confirms, QStringList { QStringLiteral("Do you really want to cancel burning ?") });
    main.no();
    EXPECT_FALSE(process.StopAsked());
    process.ButtonCdBurnerCancelClick();
    main.yes();
    ASSERT_TRUE(testsupport::waitFor([&] { return view.closed == 1 && !process.Running(); }));
    EXPECT_EQ(burner->MediaCountInBurn(), 0);
    EXPECT_TRUE(tempIsEmpty());
}

TEST_F(ProcessFixture, WriteErrorOffersRetryThenCancelCloses)
{
    addPicture(QStringLiteral("/media/usb/IMG_0001.jpg"), 1 * MB);
    auto burner = std::make_shared<TestBurner>(disc(), 7 * MB);
    burner->failWrites = 1;
    TCdBurnProcess process(&main, burner, &view);
    process.Start();
    ASSERT_TRUE(testsupport::waitFor([&] { return main.boxes.size() == 1; }));
    EXPECT_EQ(main.boxes[0],
              (QStringList { "msgbox_error", "Error !",
                             "An error occured during burn process\r\nCDburner.Burn: the disc could not be written",
                             "Retry", "Cancel" }));
    // Retry: the same pictures are written on the next disc.
    main.retry();
    ASSERT_TRUE(testsupport::waitFor([&] { return view.closed == 1 && !process.Running(); }));
    EXPECT_EQ(discFiles(disc()), QStringList { QStringLiteral("IMG_0001.jpg") });

    // Cancel after an error closes the popup.
    QFile::remove(disc());
    RecordingView second;
    auto failing = std::make_shared<TestBurner>(disc(), 7 * MB);
    failing->failWrites = 5;
    TCdBurnProcess again(&main, failing, &second);
    again.Start();
    ASSERT_TRUE(testsupport::waitFor([&] { return main.boxes.size() == 2; }));
    main.cancel();
    ASSERT_TRUE(testsupport::waitFor([&] { return second.closed == 1 && !again.Running(); }));
    EXPECT_TRUE(tempIsEmpty());
}

TEST_F(ProcessFixture, PictureLargerThanTheDiscIsReportedNotBurntForever)
{
    addPicture(QStringLiteral("/media/usb/MOV_0001.jpg"), 8 * MB);
    auto burner = std::make_shared<TestBurner>(disc(), 7 * MB);
    TCdBurnProcess process(&main, burner, &view);
    process.Start();
    ASSERT_TRUE(testsupport::waitFor([&] { return main.boxes.size() == 1; }));
    EXPECT_TRUE(main.boxes[0][2].contains(QStringLiteral("larger than the free space")));
    EXPECT_EQ(burner->MediaCountInBurn(), 0);
    main.cancel();
    ASSERT_TRUE(testsupport::waitFor([&] { return view.closed == 1 && !process.Running(); }));
}

TEST(CdBurnerDisplay, UpdatesFollowTheBurnerRules)
{
    TCdBurnerDisplay d;
    d.text = QStringLiteral("Please insert a CD");
    struct Step {
        const char* name;
        QString texte, media;
        int remaining, elapsed, nbMedia, value, max;
        QString text, shownMedia, left, elapsedText, discs;
        int shownValue, shownMax;
    } steps[] = {
        { "InsertDisc", "Insert", " ", 0, 0, 0, 0, 0, "Insert", " ", "00:00", "00:00", "0", 0, 100 },
        { "DiscFound", "", "DVD+R", -1, -1, -1, -1, 0, "Insert", "DVD+R", "00:00", "00:00", "0", 0, 100 },
        { "ImageCreation", "Image", "", -1, -1, 2, 0, 3, "Image", "DVD+R", "00:00", "00:00", "2", 0, 3 },
        { "OnePictureAdded", "", "", -1, -1, -1, 1, 0, "Image", "DVD+R", "00:00", "00:00", "2", 1, 3 },
        { "Writing", "Burn", "", 125, 61, -1, 61, 186, "Burn", "DVD+R", "02:05", "01:01", "2", 61, 186 },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        d.apply(s.texte, s.media, s.remaining, s.elapsed, s.nbMedia, s.value, s.max);
        EXPECT_EQ(d.text, s.text);
        EXPECT_EQ(d.media, s.shownMedia);
        EXPECT_EQ(d.timeLeft, s.left);
        EXPECT_EQ(d.timeElapsed, s.elapsedText);
        EXPECT_EQ(d.nbMedia, s.discs);
        EXPECT_EQ(d.progressValue, s.shownValue);
        EXPECT_EQ(d.progressMax, s.shownMax);
    }
    EXPECT_EQ(TCdBurnProcess::ActionName(TWriteAction::WritingData), QStringLiteral("writing data"));
    EXPECT_EQ(TCdBurnProcess::ActionName(TWriteAction(9)), QStringLiteral("??"));
}
