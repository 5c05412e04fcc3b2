// The on-screen keyboard: its place and arguments, and when the keyboard
// program is started and closed.
#include "UVirtualKeyboard.h"

#include "TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

TEST(VirtualKeyboardArgs, PlacementAndOptionsOnAFullHdWindow)
{
    struct Case {
        const char* name;
        QRect control;
        TVirtualKeyboardType type;
        bool kana;
        QString lang;
        QString logPath;
        QString expected;
    };
    const QString base = QStringLiteral("width=1024 height=300 left=448 top=780 titlebar=yes GetIMEStatusEveryTime=yes targetWHandle=77");
    const QString atTop = QStringLiteral("width=1024 height=300 left=448 top=0 titlebar=yes GetIMEStatusEveryTime=yes targetWHandle=77");
    const Case cases[] = {
        { "field in the upper half", QRect(100, 100, 400, 48), TVirtualKeyboardType::Default, false, "fr", "", base },
        { "no field", QRect(), TVirtualKeyboardType::Default, false, "fr", "", base },
        { "field reaching the lower 300 pixels", QRect(500, 760, 400, 48), TVirtualKeyboardType::Default, false, "fr", "", atTop },
        { "field beside the keyboard", QRect(10, 900, 400, 48), TVirtualKeyboardType::Default, false, "fr", "", base },
        { "Japanese", QRect(100, 100, 400, 48), TVirtualKeyboardType::NumberPad, true, "ja", "", base + " Lang=EN" },
        { "katakana field", QRect(100, 100, 400, 48), TVirtualKeyboardType::NumberPad, true, "fr", "", base + " Init=KANA" },
        { "numeric field", QRect(100, 100, 400, 48), TVirtualKeyboardType::NumberPad, false, "fr", "", base + " Init=EN" },
        { "log folder", QRect(100, 100, 400, 48), TVirtualKeyboardType::Default, false, "en", "/var/log/my kiosk",
          base + " \"logpath=/var/log/my kiosk\"" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TKeyboardPlacement p;
        p.form = QRect(0, 0, 1920, 1080);
        p.control = c.control;
        p.type = c.type;
        p.kanaInput = c.kana;
        p.lang = c.lang;
        p.logPath = c.logPath;
        p.windowId = 77;
        EXPECT_EQ(TVirtualKeyboardService::ExternalArgumentText(p), c.expected);
    }
    // The log folder is one argument, spaces and all.
    TKeyboardPlacement p;
    p.form = QRect(0, 0, 1920, 1080);
    p.logPath = QStringLiteral("/var/log/my kiosk");
    EXPECT_EQ(TVirtualKeyboardService::ExternalArguments(p).last(), QStringLiteral("logpath=/var/log/my kiosk"));
    // The desktop keyboard gets the same place.
    EXPECT_EQ(TVirtualKeyboardService::DefaultArguments(p),
              (QStringList { "-x", "448", "-y", "780", "-s", "1024x300" }));
    // A window narrower than the keyboard, away from the origin.
    p.form = QRect(100, 50, 1000, 700);
    EXPECT_EQ(TVirtualKeyboardService::KeyboardRect(p), QRect(88, 450, 1024, 300));
}

namespace {

// A keyboard program that only waits; its arguments land in a file.
QString fakeKeyboard(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("onboard"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/args.txt\"\nexec sleep 60\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

TEST(VirtualKeyboardService, ClosedKeyboardComesBackOnlyWhenTheFieldIsPressedAgain)
{
    QTemporaryDir dir;
    fakeKeyboard(dir);
    TVirtualKeyboardService kb;
    kb.setVirtualKeyboardPath(dir.path());
    QWidget form;
    auto* lay = new QVBoxLayout(&form);
    auto* first = new QLineEdit(&form);
    auto* second = new QLineEdit(&form);
    lay->addWidget(first);
    lay->addWidget(second);
    form.resize(800, 600);
    form.show();
    auto shown = [&] { return testsupport::waitFor([&] { return kb.VirtualKeyboardState() == TvkbState::Shown; }, 10000); };
    auto closedByCustomer = [&] {
        ::kill(pid_t(kb.KeyboardProcessId()), SIGTERM);
        return testsupport::waitFor([&] { return kb.VirtualKeyboardState() == TvkbState::None; }, 10000);
    };

    EXPECT_TRUE(kb.ShowVirtualKeyboard(first));
    ASSERT_TRUE(shown());
    EXPECT_EQ(kb.LastArguments().mid(4), (QStringList { "-s", "1024x300" }));

    // Closed by the customer: the same field does not bring it back...
    ASSERT_TRUE(closedByCustomer());
    EXPECT_TRUE(kb.ShowVirtualKeyboard(first));
    EXPECT_EQ(kb.KeyboardProcessId(), 0);
    EXPECT_EQ(kb.VirtualKeyboardState(), TvkbState::None);
    // ...another field opens it at once...
    EXPECT_TRUE(kb.ShowVirtualKeyboard(second));
    ASSERT_TRUE(shown());
    ASSERT_TRUE(closedByCustomer());
    // ...and pressing the field again does too.
    kb.ResetVirtualKeyboard(second);
    EXPECT_TRUE(kb.ShowVirtualKeyboard(second));
    ASSERT_TRUE(shown());

    // Leaving the fields hides it, unless automatic hiding is off.
    EXPECT_TRUE(kb.HideVirtualKeyboard());
    EXPECT_EQ(kb.VirtualKeyboardState(), TvkbState::None);
    kb.setAutoHideKeyboard(false);
    kb.ShowVirtualKeyboard(first);
    ASSERT_TRUE(shown());
    EXPECT_FALSE(kb.HideVirtualKeyboard());
    EXPECT_EQ(kb.VirtualKeyboardState(), TvkbState::Shown);
    kb.setAutoHideKeyboard(true);
    kb.HideVirtualKeyboard();
}

TEST(VirtualKeyboardService, MissingProgramPutsTheServiceInErrorUntilReset)
{
    QTemporaryDir dir;
    TVirtualKeyboardService kb;
    kb.setVirtualKeyboardPath(dir.path());
    kb.setVirtualKeyboardExe(QStringLiteral("ScreenKeyboard"));
    kb.setVelmoraKeyboard(true);
    QLineEdit field;
    field.show();
    kb.ShowVirtualKeyboard(&field);
    EXPECT_TRUE(kb.Error());
    EXPECT_FALSE(kb.ShowVirtualKeyboard(&field));
    EXPECT_FALSE(kb.HideVirtualKeyboard());
    // The text field still works without a keyboard.
    QTest::keyClicks(&field, QStringLiteral("abc"));
    EXPECT_EQ(field.text(), QStringLiteral("abc"));
    kb.setVirtualKeyboardToDefault();
    EXPECT_FALSE(kb.Error());
    EXPECT_FALSE(kb.getVelmoraKeyboard());
    EXPECT_EQ(kb.Program(), QStringLiteral("/usr/bin/onboard"));
}

TEST(VirtualKeyboardService, FocusOnATextFieldStartsTheExternalKeyboardWithItsArguments)
{
    QTemporaryDir dir;
    const QString exe = dir.filePath(QStringLiteral("ScreenKeyboard"));
    QFile::copy(fakeKeyboard(dir), exe);
    TVirtualKeyboardService kb;
    kb.setVirtualKeyboardPath(dir.path());
    kb.setVirtualKeyboardExe(QStringLiteral("ScreenKeyboard"));
    kb.setVelmoraKeyboard(true);
    kb.setVirtualKeyboardLang(QStringLiteral("ja"));
    kb.Install();
    TVirtualKeyboardService::SetAutoShowMode(TVKAutoShowMode::Always);
    QWidget form;
    auto* lay = new QVBoxLayout(&form);
    auto* button = new QLineEdit(&form);
    auto* field = new QLineEdit(&form);
    lay->addWidget(button);
    lay->addWidget(field);
    form.resize(1000, 700);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    field->setFocus();
    ASSERT_TRUE(testsupport::waitFor([&] { return kb.VirtualKeyboardState() == TvkbState::Shown; }, 10000));
    const QStringList args = kb.LastArguments();
    EXPECT_EQ(args.mid(0, 2), (QStringList { "width=1024", "height=300" }));
    EXPECT_TRUE(args.contains(QStringLiteral("Lang=EN")));
    EXPECT_TRUE(args.contains(QStringLiteral("targetWHandle=%1").arg(quint64(form.winId()))));
    TVirtualKeyboardService::SetAutoShowMode(TVKAutoShowMode::DefinedBySystem);
}
