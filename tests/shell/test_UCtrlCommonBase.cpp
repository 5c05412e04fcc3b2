#include "ShellTestSupport.h"
#include "UCtrlCommonBase.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Binds the window's tab control under another letter case.
class CtrlCaseDiffers : public TCtrlStepBase {
public:
    using TCtrlStepBase::TCtrlStepBase;
    void status(const QString&) override { }
    KIOSK_PUBLISHED(QStackedWidget, tabcontrolMAIN);
};

class CtrlMisspelt : public TCtrlStepBase {
public:
    using TCtrlStepBase::TCtrlStepBase;
    KIOSK_PUBLISHED(QStackedWidget, TabControlMian);
};

class CtrlEmpty : public TCtrlStepBase {
public:
    using TCtrlStepBase::TCtrlStepBase;
    KIOSK_PUBLISHED(QPushButton, ButtonGone);
};

// Counts its waiting-state changes and status texts.
class CtrlWaits : public TCtrlStepBase {
public:
    using TCtrlStepBase::TCtrlStepBase;
    int shows = 0;
    int hides = 0;
    QStringList statuses;
    static inline int destroyed = 0;
    ~CtrlWaits() override { ++destroyed; }

protected:
    void waitShow() override { ++shows; }
    void waitHide() override { ++hides; }
    void statusShow(const QString& text) override { statuses << text; }
};

} // namespace

TEST(CtrlCommonBase, FieldBindsIgnoringLetterCase)
{
    ShellWindow w;
    auto ctrl = TCtrlCommonBase::Create<CtrlCaseDiffers>(&w.win, w.win.TabControlMain());
    EXPECT_EQ(ctrl->tabcontrolMAIN.get(), w.win.TabControlMain());
    EXPECT_EQ(ctrl->ClassName(), QStringLiteral("(anonymous namespace)::CtrlCaseDiffers"));
}

TEST(CtrlCommonBase, MisspeltOrEmptyFieldFailsWithItsText)
{
    ShellWindow w;
    const int live = TCtrlScreenBase::LiveCount();
    try {
        TCtrlCommonBase::Create<CtrlMisspelt>(&w.win, nullptr);
        FAIL() << "bound a misspelt field";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TCtrlCommonBase.initFromMain / property TabControlMian of "
                                              "(anonymous namespace)::CtrlMisspelt not found in main frame"));
    }
    // A slot the window declares but holds nothing in.
    w.win.RegisterField(QStringLiteral("ButtonGone"), nullptr);
    try {
        TCtrlCommonBase::Create<CtrlEmpty>(&w.win, nullptr);
        FAIL() << "bound an empty field";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TCtrlCommonBase.initFromMain / property ButtonGone of "
                                              "(anonymous namespace)::CtrlEmpty found in main frame but empty"));
    }
    // The half-built controllers are gone.
    EXPECT_EQ(TCtrlScreenBase::LiveCount(), live);
}

TEST(CtrlCommonBase, NestedWaitsShowOnceAndKeepTheControllerAlive)
{
    ShellWindow w;
    CtrlWaits::destroyed = 0;
    auto ctrl = TCtrlCommonBase::Create<CtrlWaits>(&w.win, nullptr);
    CtrlWaits* raw = ctrl.get();
    raw->waitStart();
    raw->waitStart();
    EXPECT_EQ(raw->shows, 1);
    ctrl.reset(); // the main window drops the step
    EXPECT_EQ(CtrlWaits::destroyed, 0);
    raw->waitEnd();
    EXPECT_EQ(raw->hides, 0);
    EXPECT_EQ(CtrlWaits::destroyed, 0);
    raw->waitEnd();
    EXPECT_EQ(CtrlWaits::destroyed, 1);
}

TEST(CtrlCommonBase, WaitEndErrorWithoutTextShowsNoBoxButEndsTheWait)
{
    ShellWindow w;
    auto ctrl = TCtrlCommonBase::Create<CtrlWaits>(&w.win, nullptr);
    ctrl->waitStart();
    ctrl->waitEndError(QString(), nullptr);
    EXPECT_EQ(ctrl->hides, 1);
    EXPECT_EQ(ctrl->WaitLockCount(), 0);
    EXPECT_EQ(ctrl->statuses, QStringList { QString() });
    EXPECT_EQ(w.win.popupShownGet(0), nullptr);

    ctrl->waitStart();
    ctrl->waitEndError(QStringLiteral("Card refused"), nullptr);
    ASSERT_NE(w.win.popupShownGet(0), nullptr);
    auto* msg = w.win.findChild<QLabel*>(QStringLiteral("LabelMsgBoxMsg"));
    ASSERT_NE(msg, nullptr);
    EXPECT_EQ(msg->text(), QStringLiteral("Card refused"));
}

TEST(CtrlCommonBase, WaitStartIsRefusedOffTheMainThread)
{
    ShellWindow w;
    auto ctrl = TCtrlCommonBase::Create<CtrlWaits>(&w.win, nullptr);
    QString error;
    std::thread t([&] {
        try {
            ctrl->waitStart();
        } catch (const Exception& e) {
            error = e.Message();
        }
    });
    t.join();
    EXPECT_EQ(error, QStringLiteral("Call to this function is forbidden for current thread, allowed only for main thread"));
}

TEST(CtrlCommonBase, FieldValueValidTable)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    struct Case {
        const char* name;
        const char* text;
        int maxLen;
        int minLen;
        const char* format;
        bool valid;
    };
    const Case cases[] = {
        { "max 0 accepts any length", "a rather long text of forty characters..", 0, 3, "", true },
        { "max below 0 accepts any length", "abcdef", -1, 0, "", true },
        { "below the minimum", "ab", 0, 3, "", false },
        { "at the maximum", "abcde", 5, 0, "", true },
        { "above the maximum", "abcdef", 5, 0, "", false },
        { "empty with minimum 0", "", 10, 0, "", true },
        { "date in the short format", "24/12/2026", 0, 0, "date", true },
        { "date in ISO form", "2026-12-24", 0, 0, "date", true },
        { "not a date", "24 decembre", 0, 0, "date", false },
        { "impossible date", "31/02/2026", 0, 0, "date", false },
        { "regex found anywhere", "call +33 6 12", 0, 0, "[0-9]{2}", true },
        { "regex ignores case", "ABC@EXAMPLE.ORG", 0, 0, "^[a-z]+@[a-z]+\\.org$", true },
        { "regex not found", "no digits", 0, 0, "[0-9]", false },
        { "broken regex rejects", "(", 0, 0, "(", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TCtrlCommonBase::fieldValueValid(QString::fromUtf8(c.text), c.maxLen, c.minLen,
                                                    QString::fromUtf8(c.format)),
                  c.valid);
    }
    QLocale::setDefault(QLocale::c());
}

TEST(CtrlCommonBase, FieldCheckMarksFieldsAndFocusesTheFirstInvalid)
{
    ShellWindow w;
    auto ctrl = TCtrlCommonBase::Create<CtrlWaits>(&w.win, nullptr);
    QWidget form(&w.win);
    QLabel l1(&form), l2(&form), l3(&form);
    QLineEdit e1(QStringLiteral("Jane"), &form), e2(&form), e3(&form);
    form.show();
    ctrl->fieldCheckStart();
    EXPECT_TRUE(ctrl->fieldCheck(&l1, &e1, 20, 1, QString(), true));
    EXPECT_FALSE(ctrl->fieldCheck(&l2, &e2, 20, 1, QString(), true));
    EXPECT_FALSE(ctrl->fieldCheck(&l3, &e3, 20, 1, QString(), true));
    EXPECT_FALSE(ctrl->FieldCheckOk());
    EXPECT_EQ(l1.property("styleLookup").toString(), QStringLiteral("lblFieldStyle"));
    EXPECT_EQ(e1.property("styleLookup").toString(), QStringLiteral("editFieldStyle"));
    EXPECT_EQ(l2.property("styleLookup").toString(), QStringLiteral("lblFieldRequiredStyle"));
    EXPECT_EQ(e3.property("styleLookup").toString(), QStringLiteral("editFieldRequiredStyle"));
    EXPECT_EQ(w.win.focusWidget(), &e2);

    e2.setText(QStringLiteral("Doe"));
    e3.setText(QStringLiteral("x"));
    ctrl->fieldCheckStart();
    for (auto [l, e] : { std::pair { &l1, &e1 }, { &l2, &e2 }, { &l3, &e3 } })
        ctrl->fieldCheck(l, e, 20, 1, QString(), true);
    EXPECT_TRUE(ctrl->FieldCheckOk());
    EXPECT_EQ(e2.property("styleLookup").toString(), QStringLiteral("editFieldStyle"));
}

TEST(CtrlPopupHard, BoxSizeTable)
{
    struct Case {
        const char* name;
        float boxW, boxH, panelW, panelH;
        float expectW, expectH;
    };
    // Design size 654 x 434, margins 40 x 80.
    const Case cases[] = {
        { "room of 600 x 500 shrinks to the room", 654, 434, 640, 580, 600, 500 },
        { "grown beyond design plus margins: design size", 600, 500, 1280, 800, 654, 434 },
        { "width alone too small", 654, 434, 680, 800, 640, 720 },
        { "height alone too small", 654, 434, 1280, 500, 1240, 420 },
        { "exactly design plus margins keeps the box", 654, 434, 694, 514, 654, 434 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        float ow = 654, oh = 434;
        const TPopupBoxSize s = PopupBoxSizeCalc(c.boxW, c.boxH, ow, oh, 40, 80, c.panelW, c.panelH);
        EXPECT_FLOAT_EQ(s.width, c.expectW);
        EXPECT_FLOAT_EQ(s.height, c.expectH);
    }
    // Without design size the box's current size becomes it.
    float ow = 0, oh = 0;
    const TPopupBoxSize s = PopupBoxSizeCalc(500, 300, ow, oh, 40, 80, 1280, 800);
    EXPECT_FLOAT_EQ(ow, 500);
    EXPECT_FLOAT_EQ(oh, 300);
    EXPECT_FLOAT_EQ(s.width, 500);
}

TEST(CtrlPopupHard, BoxShrinksWithTheWindowAndComesBack)
{
    QStringList log;
    ShellWindow w;
    TPopupPanel* panel = w.win.PopupPanel(QStringLiteral("PanelPopUpHelp"));
    auto* box = new QGroupBox(panel);
    box->resize(654, 434);
    auto popup = TCtrlCommonBase::Create<RecPopup>(&w.win, panel, QStringLiteral("help"), &log);
    w.win.popupAdd(popup);
    EXPECT_EQ(box->size(), QSize(654, 434));
    w.win.resize(640, 580);
    EXPECT_EQ(panel->size(), QSize(640, 580));
    EXPECT_EQ(box->size(), QSize(600, 500));
    w.win.resize(1280, 800);
    EXPECT_EQ(box->size(), QSize(654, 434));
    EXPECT_EQ(box->geometry().center(), panel->rect().center());
}
