#include "ShellTestSupport.h"
#include "LogCapture.h"
#include "UAppStyle.h"
#include "UCtrlPopupMsgBox.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<RecPopup> popupOn(ShellWindow& w, const char* panel, const char* name, QStringList& log,
                                  bool block = false)
{
    return TCtrlCommonBase::Create<RecPopup>(&w.win, w.win.PopupPanel(QString::fromLatin1(panel)),
                                             QString::fromLatin1(name), &log, block);
}

QPushButton* button(ShellWindow& w, const char* name)
{
    // The top box's button: boxes of closed popups go away with deleteLater.
    QPushButton* found = nullptr;
    for (auto* b : w.win.findChildren<QPushButton*>(QString::fromLatin1(name)))
        if (b->isVisible())
            found = b;
    return found;
}

} // namespace

TEST(PopupStack, LevelsFollowThePanels)
{
    ShellWindow w;
    const int help = w.win.calcPopupLevel(w.win.PopupPanel(QStringLiteral("PanelPopUpHelp")));
    const int msg = w.win.calcPopupLevel(w.win.PopupPanel(QStringLiteral("PanelPopUpMsgBox")));
    const int shop = w.win.calcPopupLevel(w.win.PopupPanel(QStringLiteral("PanelPopUpShopInfo")));
    EXPECT_GE(help, 1000);
    EXPECT_LT(help, msg);
    EXPECT_LT(msg, shop);
    EXPECT_EQ(w.win.calcPopupLevel(w.win.PopupPanel(QStringLiteral("PanelPopupImageEditor"))), 1);
    EXPECT_EQ(w.win.calcPopupLevel(w.win.PopupPanel(QStringLiteral("PanelPopupSelectImage"))), 4);
    QWidget stray(w.win.TabControlMain());
    try {
        w.win.calcPopupLevel(&stray);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TMainNavi.calcPopupLevel: bg panel must be a direct child of TMainNavi or of LayoutAppTabContent"));
    }
}

TEST(PopupStack, Table)
{
    struct Case {
        const char* name;
        std::function<void(ShellWindow&, QStringList&)> run;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        { "same level: the first closes before the second opens",
          [](ShellWindow& w, QStringList& log) {
              auto a = popupOn(w, "PanelPopUpHelp", "a", log);
              auto b = popupOn(w, "PanelPopUpHelp", "b", log);
              w.win.popupAdd(a);
              w.win.popupAdd(b);
          },
          { "a.opening", "a.open", "a.close", "a.closed", "b.opening", "b.open" } },
        { "a higher level stacks over a lower one",
          [](ShellWindow& w, QStringList& log) {
              w.win.popupAdd(popupOn(w, "PanelPopUpHelp", "a", log));
              w.win.popupAdd(popupOn(w, "PanelPopUpShopInfo", "b", log));
          },
          { "a.opening", "a.open", "b.opening", "a.covered", "b.open" } },
        { "a lower level closes the higher one",
          [](ShellWindow& w, QStringList& log) {
              w.win.popupAdd(popupOn(w, "PanelPopUpShopInfo", "a", log));
              w.win.popupAdd(popupOn(w, "PanelPopUpHelp", "b", log));
          },
          { "a.opening", "a.open", "a.close", "a.closed", "b.opening", "b.open" } },
        { "level -1 closes nothing and is never refused",
          [](ShellWindow& w, QStringList& log) {
              auto a = popupOn(w, "PanelPopUpShopInfo", "a", log, true);
              w.win.popupAdd(a);
              auto b = popupOn(w, "PanelPopUpHelp", "b", log);
              b->SetLevel(-1);
              w.win.popupAdd(b);
          },
          { "a.opening", "a.open", "b.opening", "a.covered", "b.open" } },
        { "a refusing popup holds the new one back",
          [](ShellWindow& w, QStringList& log) {
              w.win.popupAdd(popupOn(w, "PanelPopUpShopInfo", "a", log, true));
              w.win.popupAdd(popupOn(w, "PanelPopUpHelp", "b", log));
          },
          { "a.opening", "a.open" } },
        { "closing the middle of three closes the top first, uncovers the bottom last",
          [](ShellWindow& w, QStringList& log) {
              auto a = popupOn(w, "PanelPopUpHelp", "a", log);
              auto b = popupOn(w, "PanelPopUpMsgBox", "b", log);
              auto c = popupOn(w, "PanelPopUpShopInfo", "c", log);
              w.win.popupAdd(a);
              w.win.popupAdd(b);
              w.win.popupAdd(c);
              log.clear();
              w.win.popupClose(b);
          },
          { "c.close", "b.uncovered", "c.closed", "b.close", "a.uncovered", "b.closed" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList log;
        ShellWindow w;
        c.run(w, log);
        EXPECT_EQ(log, c.expected);
    }
}

TEST(PopupStack, CoveringDisablesTheStepAndShownGetCountsFromTheTop)
{
    QStringList log;
    ShellWindow w;
    auto a = popupOn(w, "PanelPopUpHelp", "a", log);
    auto b = popupOn(w, "PanelPopUpShopInfo", "b", log);
    w.win.popupAdd(a);
    EXPECT_FALSE(w.win.TabControlMain()->isEnabled());
    EXPECT_EQ(w.win.popupShownGet(1), nullptr);
    w.win.popupAdd(b);
    EXPECT_EQ(w.win.popupShownGet(0), b);
    EXPECT_EQ(w.win.popupShownGet(-3), b);
    EXPECT_EQ(w.win.popupShownGet(1), a);
    EXPECT_EQ(w.win.popupShownGet(2), nullptr);
    w.win.popupClose(nullptr);
    EXPECT_TRUE(w.win.TabControlMain()->isEnabled());
    EXPECT_FALSE(w.win.PopupPanel(QStringLiteral("PanelPopUpHelp"))->isVisible());
    try {
        w.win.popupClose(a);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TMainNavi.popupClose: popup not found in stack"));
    }
}

TEST(PopupStack, StepChangeClosesTabContentPopupsOnly)
{
    QStringList log;
    ShellWindow w;
    w.win.popupAdd(popupOn(w, "PanelPopUpHelp", "window", log));
    w.win.popupCloseOnStepChange();
    EXPECT_EQ(w.win.Popups().Count(), 1);
    w.win.popupAdd(popupOn(w, "PanelPopupImageEditor", "tab", log));
    w.win.popupCloseOnStepChange();
    EXPECT_EQ(w.win.Popups().Count(), 0);
}

namespace {
class CancelOnOpen : public RecPopup {
public:
    using RecPopup::RecPopup;
    bool cancel = true;
    void OnOpen(IMainFrame* main) override
    {
        RecPopup::OnOpen(main);
        if (cancel)
            throw ECancel();
        throw Exception(QStringLiteral("broken popup"));
    }
};
}

TEST(PopupStack, FailedOpeningLeavesNoTrace)
{
    QStringList log;
    ShellWindow w;
    auto a = popupOn(w, "PanelPopUpHelp", "a", log);
    w.win.popupAdd(a);
    auto c = TCtrlCommonBase::Create<CancelOnOpen>(&w.win, w.win.PopupPanel(QStringLiteral("PanelPopUpShopInfo")),
                                                   QStringLiteral("c"), &log);
    w.win.popupAdd(c); // ECancel: quietly not opened
    EXPECT_EQ(w.win.popupShownGet(0), a);
    c->cancel = false;
    EXPECT_THROW(w.win.popupAdd(c), Exception);
    EXPECT_EQ(w.win.popupShownGet(0), a);
    EXPECT_EQ(log.count(QStringLiteral("a.uncovered")), 2);
    EXPECT_FALSE(c->Opened());
}

// ------------------------------------------------------------ message boxes

TEST(MessageBox, ExactlyOneProcedurePerBox)
{
    struct Case {
        const char* name;
        bool confirm; // a Yes/No box, else an information box
        std::function<void(ShellWindow&)> act;
        QString expected; // which procedure ran
    };
    const std::vector<Case> cases = {
        { "OK runs the close procedure", false, [](ShellWindow& w) { QTest::mouseClick(button(w, "ButtonMsgBox1"), Qt::LeftButton); }, "close" },
        { "click outside closes an information box", false,
          [](ShellWindow& w) { QTest::mouseClick(w.win.PopupPanel(QStringLiteral("PanelPopUpMsgBox")), Qt::LeftButton, {}, QPoint(5, 5)); }, "close" },
        { "Yes", true, [](ShellWindow& w) { QTest::mouseClick(button(w, "ButtonMsgBox1"), Qt::LeftButton); }, "yes" },
        { "No", true, [](ShellWindow& w) { QTest::mouseClick(button(w, "ButtonMsgBox2"), Qt::LeftButton); }, "no" },
        { "a question ignores the dimmed background", true,
          [](ShellWindow& w) { QTest::mouseClick(w.win.PopupPanel(QStringLiteral("PanelPopUpMsgBox")), Qt::LeftButton, {}, QPoint(5, 5)); }, "" },
        { "a question pushed away answers No", true, [](ShellWindow& w) { w.win.ShowInfo(QStringLiteral("next"), nullptr); }, "no" },
        { "closed by the stack", false, [](ShellWindow& w) { w.win.popupCloseAll(); }, "close" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList ran;
        ShellWindow w;
        if (c.confirm)
            w.win.ConfirmYesNo(QStringLiteral("Sure ?"), [&] { ran << "yes"; }, [&] { ran << "no"; });
        else
            w.win.ShowInfo(QStringLiteral("Done."), [&] { ran << "close"; });
        c.act(w);
        EXPECT_EQ(ran, c.expected.isEmpty() ? QStringList() : QStringList { c.expected });
        w.win.popupCloseAll();
        EXPECT_EQ(ran.size(), 1) << "one procedure, also after a later close";
    }
}

TEST(MessageBox, SecondBoxClosesTheFirstWhichAnswersFirst)
{
    QStringList ran;
    ShellWindow w;
    w.win.ShowError(QStringLiteral("first"), [&] { ran << "first"; });
    w.win.ShowWarning(QStringLiteral("second"), [&] { ran << "second"; });
    EXPECT_EQ(ran, QStringList { QStringLiteral("first") });
    EXPECT_EQ(w.win.Popups().Count(), 1);
    const auto msg = w.win.findChildren<QLabel*>(QStringLiteral("LabelMsgBoxMsg"));
    int visible = 0;
    for (auto* l : msg)
        if (l->isVisible()) {
            ++visible;
            EXPECT_EQ(l->text(), QStringLiteral("second"));
        }
    EXPECT_EQ(visible, 1);
}

TEST(MessageBox, RefusedBoxStillRunsItsCloseProcedure)
{
    QStringList log;
    ShellWindow w;
    w.win.popupAdd(popupOn(w, "PanelPopUpShopInfo", "shop", log, true));
    QStringList ran;
    w.win.ShowInfo(QStringLiteral("refused"), [&] { ran << "info"; });
    w.win.ConfirmYesNo(QStringLiteral("refused too"), [&] { ran << "yes"; }, [&] { ran << "no"; });
    EXPECT_EQ(ran, (QStringList { QStringLiteral("info"), QStringLiteral("no") }));
    EXPECT_EQ(w.win.Popups().Count(), 1);
}

TEST(MessageBox, ShowExByClass)
{
    LogCapture logs;
    QStringList ran;
    ShellWindow w;
    auto title = [&] {
        for (auto* l : w.win.findChildren<QLabel*>(QStringLiteral("LabelMsgBoxTitle")))
            if (l->isVisible())
                return l->text();
        return QString();
    };
    w.win.ShowEx(ECancel(), [&] { ran << "quiet"; });
    EXPECT_EQ(ran, QStringList { QStringLiteral("quiet") });
    EXPECT_EQ(w.win.Popups().Count(), 0);
    w.win.ShowEx(ECancel(QStringLiteral("Stopped")), nullptr);
    EXPECT_EQ(title(), QStringLiteral("Information"));
    w.win.ShowEx(EUser(QStringLiteral("Choose a format")), nullptr);
    EXPECT_EQ(title(), QStringLiteral("Warning"));
    w.win.ShowEx(std::runtime_error("disk gone"), nullptr);
    EXPECT_EQ(title(), QStringLiteral("Error !"));
    EXPECT_TRUE(logs.Text().contains(QStringLiteral("disk gone")));
    EXPECT_FALSE(logs.Text().contains(QStringLiteral("Choose a format")));
}

TEST(MessageBox, Screenshot)
{
    TAppStyle::Apply(*qApp);
    {
        ShellWindow w;
        w.win.ConfirmYesNo(QStringLiteral("Do you really want to exit the application ?"), nullptr, nullptr);
        const QString shot = QCoreApplication::applicationDirPath() + QStringLiteral("/msgbox.png");
        EXPECT_TRUE(w.win.grab().save(shot));
    }
    qApp->setStyleSheet(QString());
}
