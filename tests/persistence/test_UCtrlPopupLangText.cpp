// The language popup under the offscreen platform.
#include "UCtrlPopupLangText.h"
#include "ULangTexts.h"
#include "ULanguages.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

struct Calls {
    QStringList sets;
    int loads = 0;
    int closeSelf = 0;
    int closeAll = 0;
};

class LangPopup : public ::testing::Test {
protected:
    void SetUp() override { TLanguages::SetLanguagesListPath(dir.path() + QStringLiteral("/lang_choices.xml")); }
    void TearDown() override
    {
        TLangSwitch::ClearPending();
        TLangSwitch::Restore({});
        TLanguages::SetLanguagesListPath(QString());
    }
    std::unique_ptr<TCtrlPopupLangText> make(TCtrlPopupLangMode mode)
    {
        TLangPopupHost host;
        host.languageSet = [this](const QString& iso, bool save) { calls.sets << iso + (save ? "+save" : ""); };
        host.startLoad = [this](TCtrlPopupLangMode) { ++calls.loads; };
        host.closeSelf = [this] { ++calls.closeSelf; };
        host.closeAll = [this] { ++calls.closeAll; };
        auto p = std::make_unique<TCtrlPopupLangText>(host, nullptr, mode);
        p->resize(800, 1000);
        p->show();
        p->OnOpen();
        return p;
    }
    QTemporaryDir dir;
    Calls calls;
};

} // namespace

TEST_F(LangPopup, ChoiceShowsOneButtonPerLanguageAndClosesPerMode)
{
    struct Case { const char* name; TCtrlPopupLangMode mode; QString set; int closeAll; int closeSelf; } cases[] = {
        { "customer choice closes every popup", TCtrlPopupLangMode::LangChoose, QStringLiteral("fr"), 1, 0 },
        { "kiosk choice is saved, closes itself", TCtrlPopupLangMode::LangChooseForKiosk, QStringLiteral("fr+save"), 0, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        calls = {};
        auto p = make(c.mode);
        for (const char* name : { "PanelPopupLangText", "GroupBoxPopupLangText", "VertScrollBoxPopupLangText", "LayoutPopUpLangText" })
            EXPECT_TRUE(p->findChild<QWidget*>(QString::fromLatin1(name))) << name;
        auto* layout = p->findChild<QWidget*>(QStringLiteral("LayoutPopUpLangText"));
        const auto buttons = layout->findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 15);
        EXPECT_EQ(layout->height(), 15 * 80);
        EXPECT_EQ(calls.loads, 0);
        auto* fr = p->findChild<QPushButton*>(QStringLiteral("btnLang_fr"));
        ASSERT_TRUE(fr);
        EXPECT_EQ(fr->text(), QStringLiteral("Français"));
        fr->click();
        EXPECT_EQ(calls.sets, QStringList { c.set });
        EXPECT_EQ(calls.loads, 1);
        EXPECT_TRUE(p->Waiting());
        EXPECT_TRUE(p->findChild<QGroupBox*>(QStringLiteral("GroupBoxPopupLangText"))->isHidden());
        p->OnBackgroundClick();
        EXPECT_EQ(calls.closeSelf + calls.closeAll, 0) << "a click during a load does nothing";
        p->LoadEnded();
        EXPECT_EQ(calls.closeAll, c.closeAll);
        EXPECT_EQ(calls.closeSelf, c.closeSelf);
    }
}

TEST_F(LangPopup, LoadModesStartAtOnceAndIgnoreBackgroundClicks)
{
    for (auto mode : { TCtrlPopupLangMode::LangLoad, TCtrlPopupLangMode::LangsExport }) {
        calls = {};
        auto p = make(mode);
        EXPECT_EQ(calls.loads, 1);
        EXPECT_TRUE(p->findChild<QGroupBox*>(QStringLiteral("GroupBoxPopupLangText"))->isHidden());
        p->OnBackgroundClick();
        EXPECT_EQ(calls.closeSelf, 0);
        p->LoadEnded();
        EXPECT_EQ(calls.closeSelf, 1);
    }
    calls = {};
    auto p = make(TCtrlPopupLangMode::LangChoose);
    p->OnBackgroundClick();
    EXPECT_EQ(calls.closeSelf, 1);
}

TEST_F(LangPopup, SwitchRetranslatesWidgetsButNotLanguageNames)
{
    QTemporaryDir cache;
    const QString folder = cache.path() + QLatin1Char('/');
    auto p = make(TCtrlPopupLangMode::LangChoose);
    auto* label = new QLabel(QStringLiteral("Cancel"), p.get());
    auto apply = [&](const char* code) {
        auto app = TLangTools::LoadLangFromXmlFile(folder, QString::fromLatin1(code), 4);
        auto com = TLangTools::LoadLangFromXmlFile(folder, QString::fromLatin1(code), 0);
        TLangSwitch::SetPending(TLangTools::PrepareLangDico(app.get(), com.get()));
        TLangSwitch::Apply([&] { TCtrlPopupLangText::RetranslateWidgets(p.get()); });
        TLangSwitch::ClearPending();
    };
    apply("de");
    EXPECT_EQ(label->text(), QStringLiteral("Abbrechen"));
    apply("fr");
    EXPECT_EQ(label->text(), QStringLiteral("Annuler"));
    EXPECT_EQ(LangTexts::Shell::Cancel.Text(), QStringLiteral("Annuler"));
    EXPECT_EQ(p->findChild<QPushButton*>(QStringLiteral("btnLang_de"))->text(), QStringLiteral("Deutsch"));

    // Beside the test program, in the build folder it runs in.
    const QString shot = QCoreApplication::applicationDirPath() + QStringLiteral("/popup_lang.png");
    EXPECT_TRUE(p->grab().save(shot));
}
