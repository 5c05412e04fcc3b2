// The photo sources of a customer over a media root of fake volumes: sticks
// plugged and pulled, lists fed in turns, pictures refused by size, copies
// that wait for a pulled-out stick, the Bluetooth inbox and the reset.
#include "SourceFakes.h"
#include "TestSupport.h"

#include "UMediaEjected.h"
#include "UOrderImageFile.h"
#include "UQzFileSystemDrives.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace sourcefakes;
using testsupport::waitFor;

namespace {

using Pictures = QList<std::tuple<QString, int, int>>;

const Pictures kThreeAndTiny = {
    { QStringLiteral("a.jpg"), 200, 150 },
    { QStringLiteral("b.jpg"), 160, 160 },
    { QStringLiteral("tiny.jpg"), 128, 127 },
    { QStringLiteral("DCIM/c.jpg"), 300, 200 },
};

QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

// What a list sees of one feed run over these pictures.
QStringList feedOf(const QStringList& pictures, int groupBy = 0)
{
    return QStringList({ QStringLiteral("start"), QStringLiteral("reset:%1").arg(groupBy) }) + pictures
        + QStringList({ QStringLiteral("end") });
}

bool browseDone(const TDataSourceImgRepositoryRef& rep)
{
    IThreadTaskRef task = rep->BrowseTask();
    return task && task->IsDone();
}

// A picture whose destruction the test sees.
class CountedImage : public TOrderImageFile {
public:
    explicit CountedImage(std::atomic<int>& alive)
        : TOrderImageFile(QStringLiteral("x:\\counted.jpg"), QStringLiteral("/nonexistent/counted.jpg"))
        , fAlive(alive)
    {
        ++fAlive;
    }
    ~CountedImage() override { --fAlive; }

private:
    std::atomic<int>& fAlive;
};

} // namespace

TEST(DataSourceImgRepository, PicturesBelow128PixelsAreRefused)
{
    QTemporaryDir tmp;
    struct Case {
        const char* name;
        int w, h;
        bool supported;
    } cases[] = {
        { "128 x 128 accepted", 128, 128, true },
        { "128 x 127 refused", 128, 127, false },
        { "127 x 128 refused", 127, 128, false },
        { "large accepted", 640, 480, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + QLatin1Char('/') + QString::fromLatin1(c.name) + QStringLiteral(".jpg");
        mediafakes::writeJpeg(path, c.w, c.h);
        TOrderImageFile img(QStringLiteral("x:\\p.jpg"), path);
        EXPECT_EQ(TDataSourceImgRepository::isImageSupported(&img), c.supported);
    }
    SCOPED_TRACE("not a picture");
    mediafakes::writeText(tmp.path() + QStringLiteral("/broken.jpg"), "not a jpeg");
    TOrderImageFile broken(QStringLiteral("x:\\broken.jpg"), tmp.path() + QStringLiteral("/broken.jpg"));
    EXPECT_FALSE(TDataSourceImgRepository::isImageSupported(&broken));
}

TEST(WorkflowDataSource, PluggedStickFeedsTwoListsInTurns)
{
    SourceWorld w;
    w.plug(QStringLiteral("STICK"), QStringLiteral("1111-AAAA"), kThreeAndTiny);
    // The lists are fed once everything is browsed, so that the turns are
    // exact.
    w.wk->setQueuesPaused(true);
    EXPECT_TRUE(w.scan());
    EXPECT_EQ(w.main.markedUsed.load(), 1);
    const auto reps = w.wk->Repositories();
    ASSERT_EQ(reps.size(), 1u);
    ASSERT_TRUE(waitFor([&] { return browseDone(reps[0]); }));
    EXPECT_EQ(reps[0]->GetImageCount(), 3) << "the 128 x 127 picture is refused";

    QStringList turns;
    std::mutex turnsSync;
    auto l1 = std::make_shared<RecordingTarget>(QStringLiteral("L1"), &turns, &turnsSync);
    auto l2 = std::make_shared<RecordingTarget>(QStringLiteral("L2"), &turns, &turnsSync);
    w.wk->registerControlToFeed(l1);
    w.wk->registerControlToFeed(l2);
    w.wk->setQueuesPaused(false);
    ASSERT_TRUE(waitFor([&] { return l1->endedLast() && l2->endedLast(); }));

    // A folder's pictures come in the order the folder lists them; a
    // sub-folder's after them.
    const QStringList expected = feedOf(l1->pictures());
    EXPECT_EQ(l1->calls(), expected);
    EXPECT_EQ(l2->calls(), expected);
    EXPECT_EQ(sorted(l1->pictures()), QStringList({ "a", "b", "c" }));
    EXPECT_EQ(l1->pictures().last(), QStringLiteral("c"));
    {
        std::lock_guard lk(turnsSync);
        ASSERT_EQ(turns.size(), 6);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(turns[2 * i], QStringLiteral("L1:") + l1->pictures()[i]);
            EXPECT_EQ(turns[2 * i + 1], QStringLiteral("L2:") + l1->pictures()[i]);
        }
    }

    // Nothing changed: no rescan, nothing marked again.
    EXPECT_FALSE(w.wk->OnDevicesChangesDetected(w.root));
    EXPECT_FALSE(w.scan());
    EXPECT_EQ(w.main.markedUsed.load(), 1);
    EXPECT_TRUE(w.wk->HasDevicesDetected());
    EXPECT_TRUE(w.wk->HasDevicesDetectedWithImages());

    // A list registered after the others finished starts from the first
    // picture; the finished ones are left alone.
    auto l3 = std::make_shared<RecordingTarget>(QStringLiteral("L3"));
    w.wk->registerControlToFeed(l3);
    ASSERT_TRUE(waitFor([&] { return l3->endedLast(); }));
    EXPECT_EQ(l3->calls(), expected);
    EXPECT_EQ(l1->calls(), expected);

    EXPECT_THROW(w.wk->registerControlToFeed(l3), Exception);
    w.wk->unregisterControlToFeed(std::make_shared<RecordingTarget>(QStringLiteral("never")));
    ASSERT_TRUE(waitFor([&] { return !w.wk->ImagesLoading(); }));
    ASSERT_TRUE(waitFor([&] { return w.main.eventCount(moe_imagesLoading) % 2 == 0; }));
    EXPECT_GE(w.main.eventCount(moe_imagesLoading), 2);
}

TEST(WorkflowDataSource, PicturesFoundLaterReachEndedListsWithoutReset)
{
    SourceWorld w;
    auto list = std::make_shared<RecordingTarget>(QStringLiteral("L"));
    w.wk->registerControlToFeed(list);
    ASSERT_TRUE(waitFor([&] { return list->endedLast(); }));
    EXPECT_EQ(list->calls(), QStringList({ "start", "reset:0", "end" }));

    w.plug(QStringLiteral("STICK"), QStringLiteral("2222-BBBB"), { { QStringLiteral("a.jpg"), 200, 200 } });
    EXPECT_TRUE(w.scan());
    ASSERT_TRUE(waitFor([&] { return list->calls().size() >= 6 && list->endedLast(); }));
    // No picture had been fed yet: the list restarts from the first one.
    EXPECT_EQ(list->calls(), QStringList({ "start", "reset:0", "end", "start", "reset:0", "a", "end" }));

    // A list that already holds pictures only gets the new ones.
    w.plug(QStringLiteral("OTHER"), QStringLiteral("9999-BBBB"), { { QStringLiteral("b.jpg"), 200, 200 } });
    EXPECT_TRUE(w.scan());
    ASSERT_TRUE(waitFor([&] { return list->calls().size() >= 10 && list->endedLast(); }));
    EXPECT_EQ(list->calls().mid(7), QStringList({ "start", "b", "end" }));
}

TEST(WorkflowDataSource, PulledSticksEndTheirRemovalOnceAndListsStartAgain)
{
    SourceWorld w;
    w.plug(QStringLiteral("ONE"), QStringLiteral("3333-CCCC"), { { QStringLiteral("a.jpg"), 200, 200 } });
    w.plug(QStringLiteral("TWO"), QStringLiteral("4444-DDDD"), { { QStringLiteral("b.jpg"), 200, 200 } });
    EXPECT_TRUE(w.scan());
    auto reps = w.wk->Repositories();
    ASSERT_EQ(reps.size(), 2u);
    for (const auto& rep : reps)
        ASSERT_TRUE(waitFor([&] { return browseDone(rep); }));
    auto list = std::make_shared<RecordingTarget>(QStringLiteral("L"));
    w.wk->registerControlToFeed(list);
    ASSERT_TRUE(waitFor([&] { return list->pictures().size() == 2; })) << "last: " << ::testing::PrintToString(list->pictures().size());

    w.pull(QStringLiteral("ONE"));
    w.pull(QStringLiteral("TWO"));
    EXPECT_FALSE(w.scan());
    EXPECT_TRUE(w.wk->Repositories().empty());
    for (const auto& rep : reps)
        EXPECT_TRUE(rep->Removed());
    // The removal ends on the repository queue: the lists start from the
    // first picture again, and there is none.
    ASSERT_TRUE(waitFor([&] {
        return list->endedLast() && list->pictures().isEmpty() && list->calls().count(QStringLiteral("reset:0")) >= 2;
    })) << list->calls().join(QLatin1Char(' ')).toStdString();
    for (const auto& rep : reps) {
        ASSERT_TRUE(waitFor([&] { return rep->GetImageCount() == 0; }));
        // Each removal ended exactly once: a second end is refused.
        try {
            rep->RemovedEnd();
            ADD_FAILURE() << "a second RemovedEnd was accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("TDataSourceImgRepository.RemovedEnd: unexpected call"));
        }
    }
    EXPECT_FALSE(w.wk->HasDevicesDetected());

    // The stick comes back: a new repository, fed again.
    w.plug(QStringLiteral("ONE"), QStringLiteral("3333-CCCC"), {});
    EXPECT_TRUE(w.scan());
    ASSERT_TRUE(waitFor([&] { return list->pictures() == QStringList({ "a" }) && list->endedLast(); }))
        << list->calls().join(QLatin1Char(' ')).toStdString();
}

TEST(WorkflowDataSource, EjectedCopiesShowOneWarningAndRunWhenTheStickIsBack)
{
    SourceWorld w;
    QzfsSetImageCopyQueueProvider([&w](IMainFrame*) -> TThreadTaskQueueBase* { return w.wk->imgCopyTaskQueue(); });
    struct ProviderReset {
        ~ProviderReset() { QzfsSetImageCopyQueueProvider(nullptr); }
    } providerReset;

    const Pictures three
        = { { QStringLiteral("a.jpg"), 200, 200 }, { QStringLiteral("b.jpg"), 200, 200 }, { QStringLiteral("c.jpg"), 200, 200 } };
    const QString mp = w.plug(QStringLiteral("STICK"), QStringLiteral("5555-EEEE"), three);
    EXPECT_TRUE(w.scan());
    auto reps = w.wk->Repositories();
    ASSERT_EQ(reps.size(), 1u);
    ASSERT_TRUE(waitFor([&] { return browseDone(reps[0]); }));
    ASSERT_EQ(reps[0]->GetImageCount(), 3);

    // The order takes the three pictures.
    std::vector<std::unique_ptr<TOrderImageBase>> order;
    for (int i = 0; i < 3; ++i) {
        TOrderImageBase* img = reps[0]->GetImage(i);
        ASSERT_TRUE(w.wk->setImageOwnedByRepository(img, false));
        order.emplace_back(img);
    }

    // The stick is pulled out: its files are gone.
    ASSERT_TRUE(QDir().rename(mp, mp + QStringLiteral(".out")));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        order[size_t(i)]->UsedPrepare(&w.main);
        ASSERT_TRUE(waitFor([&] { return w.main.boxCount() == i + 1; })) << "last: " << ::testing::PrintToString(w.main.boxCount());
        EXPECT_EQ(w.main.openBoxes(), 1) << "one warning at a time";
        EXPECT_EQ(w.main.lastBox().title, QStringLiteral("Warning - %1 images in error").arg(i + 1));
        EXPECT_EQ(w.main.lastBox().icon, QStringLiteral("msgbox_warn"));
        EXPECT_EQ(w.wk->imgCopyTaskQueue()->WaitingToRetryCount(), i + 1);
    }

    // It comes back: the scan adds it, the box closes and the copies run.
    ASSERT_TRUE(QDir().rename(mp + QStringLiteral(".out"), mp));
    w.pull(QStringLiteral("STICK"));
    EXPECT_FALSE(w.scan());
    w.plug(QStringLiteral("STICK"), QStringLiteral("5555-EEEE"), {});
    EXPECT_TRUE(w.scan());
    EXPECT_EQ(w.main.openBoxes(), 0);
    ASSERT_TRUE(waitFor([&] { return w.wk->imgCopyTaskQueue()->WaitingToRetryCount() == 0; })) << "last: " << ::testing::PrintToString(w.wk->imgCopyTaskQueue()->WaitingToRetryCount());
    for (const auto& img : order) {
        auto* drive = dynamic_cast<TQzfsWinDriveImage*>(img.get());
        ASSERT_TRUE(drive);
        ASSERT_TRUE(waitFor([&] { return drive->CacheStatus() == TQzfsWinDriveImageCache::wdic_incache; }));
        EXPECT_TRUE(QFile::exists(drive->ImagePath()));
        EXPECT_FALSE(drive->ImagePath().startsWith(mp)) << "the picture is read from the local copy";
    }
    EXPECT_EQ(w.main.boxCount(), 3);
}

TEST(ImgCopyQueue, CancelKeepsCopiesWaitingUntilTheNextRequestAndOtherErrorsAreDropped)
{
    SourceWorld w;
    TThreadTaskQueueImgCopy* queue = w.wk->imgCopyTaskQueue();
    std::atomic<bool> present { false };
    std::atomic<int> copied { 0 };
    queue->AddCall([&] {
        if (!present.load())
            throw EMediaEjected(QStringLiteral("STICK"), QStringLiteral("test copy"));
        ++copied;
    });
    ASSERT_TRUE(waitFor([&] { return w.main.boxCount() == 1; })) << "last: " << ::testing::PrintToString(w.main.boxCount());
    EXPECT_EQ(w.main.lastBox().msg.isEmpty(), false);
    w.main.lastBox().cancel();
    EXPECT_FALSE(queue->PopupCtrl());
    EXPECT_EQ(queue->WaitingToRetryCount(), 1);

    // Another failure, not an ejected medium: dropped, no box.
    std::atomic<int> otherRuns { 0 };
    present = true;
    queue->AddCall([&] {
        ++otherRuns;
        throw Exception(QStringLiteral("disk full"));
    });
    // That request retried the waiting copy too.
    ASSERT_TRUE(waitFor([&] { return copied.load() == 1; })) << "last: " << ::testing::PrintToString(copied.load());
    ASSERT_TRUE(waitFor([&] { return otherRuns.load() == 1; })) << "last: " << ::testing::PrintToString(otherRuns.load());
    EXPECT_EQ(queue->WaitingToRetryCount(), 0);
    EXPECT_EQ(w.main.boxCount(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(otherRuns.load(), 1) << "never retried";
}

TEST(WorkflowDataSource, GroupingChangeFeedsEveryListAgain)
{
    SourceWorld w;
    w.plug(QStringLiteral("STICK"), QStringLiteral("6666-FFFF"),
           { { QStringLiteral("a.jpg"), 200, 200 }, { QStringLiteral("b.jpg"), 200, 200 } });
    EXPECT_TRUE(w.scan());
    auto list = std::make_shared<RecordingTarget>(QStringLiteral("L"));
    w.wk->registerControlToFeed(list);
    ASSERT_TRUE(waitFor([&] { return list->pictures().size() == 2 && list->endedLast(); }));
    const int before = list->calls().size();

    w.wk->setImageGroupBy(psgb_date); // unchanged: nothing happens
    QCoreApplication::processEvents();
    EXPECT_EQ(list->calls().size(), before);

    w.wk->setImageGroupBy(psgb_folder);
    ASSERT_TRUE(waitFor([&] { return list->calls().size() == before + 5 && list->endedLast(); }));
    const QStringList again = list->calls().mid(before);
    EXPECT_EQ(again, feedOf(again.mid(2, 2), 2));
    EXPECT_EQ(sorted(again.mid(2, 2)), QStringList({ "a", "b" }));
}

TEST(WorkflowDataSource, OwnershipGoesToTheOrderAndBack)
{
    SourceWorld w;
    w.plug(QStringLiteral("STICK"), QStringLiteral("7777-AAAA"),
           { { QStringLiteral("a.jpg"), 200, 200 }, { QStringLiteral("b.jpg"), 200, 200 }, { QStringLiteral("c.jpg"), 200, 200 } });
    EXPECT_TRUE(w.scan());
    auto rep = w.wk->Repositories().at(0);
    ASSERT_TRUE(waitFor([&] { return browseDone(rep); }));

    // Preview pictures come in repository order, then none for good.
    int idx = 0;
    IDataSourceImgRepositoryRef from;
    QStringList preview;
    while (TOrderImageBase* img = w.wk->imageToUseForPreview(idx, from))
        preview << img->ImageLabel();
    EXPECT_EQ(sorted(preview), QStringList({ "a", "b", "c" }));
    EXPECT_EQ(idx, 100000);
    EXPECT_EQ(w.wk->imageToUseForPreview(idx, from), nullptr);

    TOrderImageBase* used = rep->GetImage(1);
    EXPECT_EQ(w.wk->setImageOwnedByRepository(used, false), rep);
    EXPECT_EQ(rep->GetImageCount(), 3) << "still shown";

    std::atomic<int> alive { 0 };
    std::vector<TOrderImageBase*> back = { used, new CountedImage(alive) };
    EXPECT_EQ(alive.load(), 1);
    w.wk->imageOwnershipRecup(back);
    EXPECT_EQ(alive.load(), 0) << "a picture no repository shows is freed";
    EXPECT_FALSE(w.wk->setImageOwnedByRepository(nullptr, true));
    // The repository owns it again: it frees it (no leak under the sanitizer).
}

TEST(WorkflowDataSource, DemoChoiceScansTheRememberedRootAndBluetoothFilesJoinTheInbox)
{
    SourceWorld w;
    mediafakes::writeJpeg(w.tmp.path() + QStringLiteral("/Demo Pictures/d1.jpg"), 300, 300);
    EXPECT_FALSE(w.wk->OnDevicesChangesDetected(nullptr)) << "no root known yet";
    EXPECT_FALSE(w.scan());
    w.wk->setPhotoSourceChoice(psc_demo);
    ASSERT_EQ(w.wk->Repositories().size(), 1u);
    EXPECT_EQ(w.main.markedUsed.load(), 0) << "the demonstration set does not mark the order";

    const QString bt = w.tmp.path() + QStringLiteral("/Bluetooth");
    mediafakes::writeText(bt + QStringLiteral("/notes.txt"));
    w.wk->OnBluetoothRecvFileEnd(nullptr, QStringLiteral("notes.txt"));
    EXPECT_EQ(w.wk->Repositories().size(), 1u);
    mediafakes::writeJpeg(bt + QStringLiteral("/Phone Photo.JPG"), 400, 300);
    w.wk->OnBluetoothRecvFileEnd(nullptr, QStringLiteral("Phone Photo.JPG"));
    const auto reps = w.wk->Repositories();
    ASSERT_EQ(reps.size(), 2u);
    EXPECT_EQ(reps[1]->GetImageCount(), 1);
    EXPECT_FALSE(reps[1]->BrowseTask()) << "the inbox is never browsed";
    EXPECT_EQ(w.main.markedUsed.load(), 1);
    // A later scan keeps the inbox.
    w.wk->setPhotoSourceChoice(psc_usb);
    ASSERT_EQ(w.wk->Repositories().size(), 1u);
    EXPECT_EQ(w.wk->Repositories()[0], reps[1]);
}

TEST(WorkflowDataSource, ResetForgetsTheCustomer)
{
    SourceWorld w;
    w.plug(QStringLiteral("STICK"), QStringLiteral("8888-AAAA"), { { QStringLiteral("a.jpg"), 200, 200 } });
    w.wk->setPhotoSourcePhone(psp_android);
    w.wk->setShowFileNames(true);
    w.wk->setImageGroupBy(psgb_filename);
    EXPECT_TRUE(w.scan());
    auto list = std::make_shared<RecordingTarget>(QStringLiteral("L"));
    w.wk->registerControlToFeed(list);
    w.wk->Reset();
    EXPECT_TRUE(w.wk->Repositories().empty());
    EXPECT_EQ(w.wk->photoSourceChoice(), psc_none);
    EXPECT_EQ(w.wk->photoSourcePhone(), psp_iphone);
    EXPECT_FALSE(w.wk->ShowFileNames());
    EXPECT_EQ(w.wk->ImageGroupBy(), psgb_date);
    // The root is forgotten: the stick is offered again only by a new scan.
    EXPECT_FALSE(w.wk->OnDevicesChangesDetected(nullptr));
    EXPECT_TRUE(w.wk->OnDevicesChangesDetected(w.root));
    // The list was dropped with its registration: registering it again works.
    w.wk->registerControlToFeed(list);
}

TEST(WorkflowDataSource, CounterUnderflowIsRefused)
{
    SourceWorld w;
    EXPECT_THROW(w.wk->onImagesLoadingDec(), Exception);
    EXPECT_THROW(w.wk->onImagesWorkingDec(), Exception);
    w.wk->onImagesWorkingInc();
    EXPECT_TRUE(w.wk->ImagesWorking());
    w.wk->onImagesWorkingDec();
    EXPECT_FALSE(w.wk->ImagesWorking());
    ASSERT_TRUE(waitFor([&] { return w.main.eventCount(moe_imagesWorking) == 2; })) << "last: " << ::testing::PrintToString(w.main.eventCount(moe_imagesWorking));
}
