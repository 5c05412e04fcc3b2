// The disc-burning popup on a kiosk window: it shows what the job reports,
// writes the order's pictures on a pseudo-drive and closes by itself, asks
// before cancelling, and shrinks its button bar on a narrow box.
#include "OrderingTestSupport.h"
#include "TestSupport.h"
#include "UAppStyle.h"
#include "UCtrlPopupCDBurner.h"
#include "UMainFrameBase.h"
#include "UPopupPanel.h"

#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace orderfakes;
using namespace orderingtest;

namespace {

constexpr qint64 MB = 1024 * 1024;

// A kiosk window with an order and a temporary folder of the test's own.
class BurnWindow : public TMainFrameBase {
public:
    explicit BurnWindow(TempConfig* cfg)
        : TMainFrameBase(cfg)
    {
        resize(1280, 800);
        show();
    }
    TPrintOrder* GetOrder() override { return order; }
    TPrintOrder* order = nullptr;
};

struct PopupFixture : testing::Test {
    void SetUp() override
    {
        config.temp = dir.filePath(QStringLiteral("temp"));
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        win = std::make_unique<BurnWindow>(&config);
        order = std::make_unique<TPrintOrder>(win.get());
        win->order = order.get();
        format = makeTirage(1, 10, 15);
        product = order->TirageProductAdd(format.get(), 1);
    }
    void TearDown() override
    {
        popup.reset();
        win->order = nullptr;
        order.reset();
        win.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
    }
    std::shared_ptr<TCtrlPopupCDBurner> open(qint64 capacity, const QString& disc)
    {
        burner = std::make_shared<TestBurner>(disc, capacity);
        popup = TCtrlCommonBase::Create<TCtrlPopupCDBurner>(
            win.get(), win->PopupPanel(QStringLiteral("PanelPopupCdBurner")),
            TCtrlPopupCDBurner::TBurnerFactory([this] { return burner; }));
        win->popupAdd(popup);
        return popup;
    }
    template <class T> T* find(const char* name)
    {
        return win->findChild<T*>(QLatin1String(name));
    }
    QString disc() const { return dir.filePath(QStringLiteral("drive.iso")); }
    void shoot(const char* name)
    {
        TAppStyle::Apply(*qApp);
        QDir().mkpath(QStringLiteral("/tmp/shots"));
        win->grab().save(QStringLiteral("/tmp/shots/%1.png").arg(QLatin1String(name)));
    }

    QTemporaryDir dir;
    TempConfig config;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<BurnWindow> win;
    std::unique_ptr<TPrintOrder> order;
    std::unique_ptr<Tirage2> format;
    TTirageProduct* product = nullptr;
    std::shared_ptr<TestBurner> burner;
    std::shared_ptr<TCtrlPopupCDBurner> popup;
};

} // namespace

TEST_F(PopupFixture, WaitsForADiscThenWritesTheOrderAndClosesItself)
{
    addCopyingPicture(product, QStringLiteral("/media/usb/DCIM/IMG_0001.jpg"), 1 * MB);
    addCopyingPicture(product, QStringLiteral("/media/usb/OLD/IMG_0001.jpg"), 1 * MB);
    // No disc yet: the drive's file cannot be made.
    const QString noDisc = dir.filePath(QStringLiteral("tray/drive.iso"));
    open(7 * MB, noDisc);
    QLabel* text = find<QLabel>("TextPopUpCdBurner");
    ASSERT_TRUE(text);
    EXPECT_TRUE(popup->userIdleBlocked());
    QTRY_COMPARE_WITH_TIMEOUT(text->text(),
                              QStringLiteral("Please insert a new CD/DVD.\r\nClick on \"Start burn\" when CD/DVD is ready"),
                              30000);
    EXPECT_TRUE(find<QPushButton>("ButtonCdBurnerStart")->isVisible());
    EXPECT_EQ(find<QLabel>("LabelMediaDetect")->text(), QStringLiteral(" "));
    shoot("cdburner");
    // A click on the dimmed background does not close it.
    popup->OnBackgroundClick();
    EXPECT_TRUE(popup->Opened());

    // The disc goes in: found without pressing Start burn, written, closed.
    QDir().mkpath(QFileInfo(noDisc).path());
    QTRY_VERIFY_WITH_TIMEOUT(!popup->Opened(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!popup->Process()->Running(), 30000);
    EXPECT_EQ(discFiles(noDisc), (QStringList { QStringLiteral("IMG_0001(1).jpg"), QStringLiteral("IMG_0001.jpg") }));
    EXPECT_EQ(popup->Display().media, QStringLiteral("stdio file"));
    EXPECT_EQ(popup->Display().nbMedia, QStringLiteral("1"));
}

TEST_F(PopupFixture, CancelAsksAndStopsOnlyOnYes)
{
    addCopyingPicture(product, QStringLiteral("/media/usb/IMG_0001.jpg"), 1 * MB);
    open(7 * MB, dir.filePath(QStringLiteral("tray/drive.iso")));
    QTRY_VERIFY_WITH_TIMEOUT(popup->Process()->WaitingMedia(), 30000);
    auto* cancel = find<QPushButton>("ButtonCdBurnerCancel");
    // The question is a message box over the popup, made anew for each
    // question: its buttons are looked up once it is shown.
    auto answer = [&](const char* button) {
        QPointer<QPushButton> b;
        QTRY_VERIFY_WITH_TIMEOUT((b = find<QPushButton>(button)) && b->isVisible(), 30000);
        QTest::mouseClick(b, Qt::LeftButton);
    };
    QTest::mouseClick(cancel, Qt::LeftButton);
    answer("ButtonMsgBox2"); // No: burning goes on
    EXPECT_FALSE(popup->Process()->StopAsked());
    EXPECT_TRUE(popup->Opened());
    QTRY_VERIFY_WITH_TIMEOUT(!find<QPushButton>("ButtonMsgBox2") || !find<QPushButton>("ButtonMsgBox2")->isVisible(), 30000);
    QTest::mouseClick(cancel, Qt::LeftButton);
    answer("ButtonMsgBox1"); // Yes
    QTRY_VERIFY_WITH_TIMEOUT(!popup->Opened(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!popup->Process()->Running(), 30000);
    EXPECT_EQ(burner->MediaCountInBurn(), 0);
}

TEST_F(PopupFixture, ButtonBarScalesBelow350)
{
    addCopyingPicture(product, QStringLiteral("/media/usb/IMG_0001.jpg"), 1 * MB);
    open(7 * MB, dir.filePath(QStringLiteral("tray/drive.iso")));
    auto* bg = win->PopupPanel(QStringLiteral("PanelPopupCdBurner"));
    struct Case {
        const char* name;
        int panelWidth;
        double scale;
    } cases[] = {
        { "KioskScreen", 1280, 1.0 },
        { "JustWideEnough", 390, 1.0 },
        { "Narrow", 215, 175.0 / 350.0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bg->resize(c.panelWidth, 800);
        popup->OnResize(bg);
        EXPECT_NEAR(popup->ButtonScale(), c.scale, 0.01);
        EXPECT_EQ(find<QWidget>("LayoutButtonCdBurner")->height(), qRound(76 * c.scale));
    }
}
