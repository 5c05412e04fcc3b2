// The terms popups: paging through a long text before accepting, the
// buttons of mandatory and optional terms, refusing, saving with CR LF line
// ends, printing page by page, and the kiosk-use conditions.
#include "ScreensTestSupport.h"
#include "UCtrlPopupCgBase.h"

#include "UPopupPanel.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Terms : ::testing::Test {
    TestScreensWindow win;
    int accepted = 0;

    void SetUp() override
    {
        win.show();
        win.Kiosk = false;
        win.CguMandatory = true;
    }
    std::shared_ptr<TCtrlPopupCgv> openCgv(bool withProc = true)
    {
        auto popup = TCtrlCommonBase::Create<TCtrlPopupCgv>(&win, win.PopupPanel(QStringLiteral("PanelPopUpCgv")),
                                                            withProc ? TProc([this] { ++accepted; }) : TProc());
        win.popupAdd(popup);
        settle();
        return popup;
    }
    // The text layout takes the text's height through the GUI queue.
    void settle()
    {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            win.RunQueue();
        }
    }
    // A text of about n viewports of the popup's scroll box.
    QString textOfViewports(TCtrlPopupCgv& popup, double n)
    {
        const QFontMetricsF fm(popup.textFont());
        const double lineH = fm.lineSpacing();
        const double viewH = popup.scrollBox()->viewport()->height();
        const double fontPx = QFontInfo(popup.textFont()).pixelSize();
        // The measured height adds twice the font size.
        const int lines = int((n * viewH - 2 * fontPx) / lineH);
        QStringList l;
        for (int i = 0; i < lines; ++i)
            l << QStringLiteral("Article %1: the shop prints your pictures with care.").arg(i + 1);
        return l.join(QLatin1Char('\n'));
    }
    int pos(TCtrlPopupCgv& p) { return p.scrollBox()->verticalScrollBar()->value(); }
};

TEST_F(Terms, ALongTextNeedsOneAcceptPressPerPartToRead)
{
    win.Cgv = QStringLiteral("x");
    auto popup = openCgv();
    const int viewH = popup->scrollBox()->viewport()->height();
    ASSERT_GT(viewH, 100);
    // The text is read at every paint; its measure is kept until reset.
    win.Cgv = textOfViewports(*popup, 2.5);
    popup->textRectReset();
    popup->textLayout()->update();
    settle();
    const int textH = popup->textLayout()->height();
    ASSERT_NEAR(textH, 2.5 * viewH, 30);
    win.grab().save(ScreenShotPath(QStringLiteral("terms_of_sale")));

    popup->ButtonPopUpCgvAccept->click();
    EXPECT_EQ(pos(*popup), viewH) << "first press: one viewport down";
    EXPECT_EQ(accepted, 0);
    popup->ButtonPopUpCgvAccept->click();
    EXPECT_EQ(pos(*popup), textH - viewH) << "second press: to the end";
    EXPECT_EQ(accepted, 0);
    EXPECT_TRUE(popup->Opened());
    popup->ButtonPopUpCgvAccept->click();
    settle();
    EXPECT_EQ(accepted, 1) << "third press accepts";
    EXPECT_FALSE(popup->Opened());
    EXPECT_TRUE(win.order->acceptedCgv());
}

TEST_F(Terms, AShortTextIsAcceptedAtTheFirstPress)
{
    win.Cgv = QStringLiteral("Prints are sold as they are.");
    auto popup = openCgv();
    popup->ButtonPopUpCgvAccept->click();
    settle();
    EXPECT_EQ(accepted, 1);
    EXPECT_TRUE(win.order->acceptedCgv());
}

TEST_F(Terms, OptionalTermsOnlyCloseAndMandatoryOnesOfferEverything)
{
    win.Cgv = QStringLiteral("Prints are sold as they are.");
    struct Case {
        bool mandatory;
        const char* acceptCaption;
        bool others;
    } cases[] = { { true, "Accept", true }, { false, "Close", false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mandatory);
        win.CguMandatory = c.mandatory;
        win.order->SetAcceptedCgv(false);
        accepted = 0;
        auto popup = openCgv();
        EXPECT_EQ(popup->ButtonPopUpCgvAccept->text(), QString::fromLatin1(c.acceptCaption));
        EXPECT_EQ(popup->ButtonPopUpCgvSave->isVisible(), c.others);
        EXPECT_EQ(popup->ButtonPopUpCgvPrint->isVisible(), c.others);
        EXPECT_EQ(popup->ButtonPopUpCgvRefuse->isVisible(), c.others);
        popup->ButtonPopUpCgvAccept->click();
        settle();
        EXPECT_FALSE(popup->Opened());
        EXPECT_EQ(win.order->acceptedCgv(), c.mandatory);
        EXPECT_EQ(accepted, c.mandatory ? 1 : 0);
    }
}

TEST_F(Terms, RefusingClearsTheAcceptanceAndABackgroundTapLeavesIt)
{
    win.Cgv = QStringLiteral("Prints are sold as they are.");
    win.order->SetAcceptedCgv(true);
    auto popup = openCgv();
    popup->ButtonPopUpCgvRefuse->click();
    settle();
    EXPECT_FALSE(popup->Opened());
    EXPECT_FALSE(win.order->acceptedCgv());
    EXPECT_EQ(accepted, 0);

    popup = openCgv();
    popup->OnBackgroundClick();
    settle();
    EXPECT_FALSE(popup->Opened());
    EXPECT_FALSE(win.order->acceptedCgv());
    EXPECT_EQ(accepted, 0);
}

TEST_F(Terms, SavingWritesCrLfLineEndsAndAddsTheExtension)
{
    struct Case {
        const char* name;
        QString text;
        QByteArray written;
    } cases[] = {
        { "LF becomes CR LF", QStringLiteral("one\ntwo\n"), "one\r\ntwo\r\n" },
        { "CR LF stays", QStringLiteral("one\r\ntwo"), "one\r\ntwo" },
        { "a CR alone stays", QStringLiteral("one\rtwo"), "one\rtwo" },
        { "accents in UTF-8", QStringLiteral("Conditions générales\n"), "Conditions g\xc3\xa9n\xc3\xa9rales\r\n" },
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString written = TCtrlPopupCgv::SaveTermsToFile(c.text, dir.filePath(QStringLiteral("terms")));
        EXPECT_EQ(written, dir.filePath(QStringLiteral("terms.txt")));
        QFile f(written);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        if (bytes.startsWith("\xef\xbb\xbf"))
            bytes.remove(0, 3);
        EXPECT_EQ(bytes, c.written);
    }
    EXPECT_EQ(TCtrlPopupCgv::SaveTermsToFile(QStringLiteral("x"), dir.filePath(QStringLiteral("mine.text"))),
              dir.filePath(QStringLiteral("mine.text")));
    EXPECT_THROW(TCtrlPopupCgv::SaveTermsToFile(QStringLiteral("x"), dir.filePath(QStringLiteral("no/such/dir/t"))),
                 std::exception);
}

TEST_F(Terms, PrintingCutsTheTextIntoPages)
{
    win.Cgv = QStringLiteral("x");
    auto popup = openCgv();
    QTemporaryDir dir;
    struct Case {
        const char* name;
        int lines;
        bool several;
    } cases[] = { { "a few lines", 3, false }, { "a long text", 400, true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList l;
        for (int i = 0; i < c.lines; ++i)
            l << QStringLiteral("Article %1: the shop prints your pictures with care.").arg(i + 1);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("%1.pdf").arg(c.lines)));
        const int pages = popup->printText(printer, l.join(QLatin1Char('\n')));
        if (c.several)
            EXPECT_GT(pages, 1);
        else
            EXPECT_EQ(pages, 1);
        EXPECT_TRUE(QFile::exists(printer.outputFileName()));
    }
}

TEST_F(Terms, KioskConditionsShowTheDefaultTextAndMustBeAnswered)
{
    win.conditions.setConditionsEnabled(true);
    win.conditions.setConditionsText(QString());
    int agreed = 0;
    auto popup = TCtrlCommonBase::Create<TCtrlPopupCondKioskUse>(
        &win, win.PopupPanel(QStringLiteral("PanelPopupCondKioskUse")), [&agreed] { ++agreed; });
    win.popupAdd(popup);
    settle();
    EXPECT_TRUE(popup->Text().startsWith(QStringLiteral("Have you made a back up copy")));
    EXPECT_EQ(popup->textFont().pointSizeF(), 16);
    EXPECT_EQ(popup->ButtonPopUpCondKioskUseAgree->text(), QStringLiteral("Agree"));
    popup->OnBackgroundClick();
    EXPECT_TRUE(popup->Opened()) << "a tap beside the box is no answer";
    popup->ButtonPopUpCondKioskUseAgree->click();
    settle();
    EXPECT_EQ(agreed, 1);
    EXPECT_TRUE(win.order->acceptedCgv());
    EXPECT_FALSE(popup->Opened());

    // Opened for reading only: a single Close button.
    auto reading = TCtrlCommonBase::Create<TCtrlPopupCondKioskUse>(
        &win, win.PopupPanel(QStringLiteral("PanelPopupCondKioskUse")), TProc());
    win.popupAdd(reading);
    settle();
    EXPECT_FALSE(reading->ButtonPopUpCondKioskUseDisagree->isVisible());
    EXPECT_EQ(reading->ButtonPopUpCondKioskUseAgree->text(), QStringLiteral("Close"));
    reading->ButtonPopUpCondKioskUseAgree->click();
    settle();
    EXPECT_FALSE(reading->Opened());
}

TEST_F(Terms, NarrowBoxesScaleTheButtonRows)
{
    win.Cgv = QStringLiteral("Prints are sold as they are.");
    auto popup = openCgv();
    TPopupPanel* panel = popup->Background();
    panel->resize(280, 600);
    popup->OnResize(panel);
    QGroupBox* box = popup->popupGroupBox();
    ASSERT_LT(box->width(), 300);
    EXPECT_LT(popup->ButtonPopUpCgvAccept->width(), 150);
    EXPECT_LE(popup->ButtonPopUpCgvAccept->geometry().right(), box->width());
    panel->resize(1280, 800);
    popup->OnResize(panel);
    EXPECT_EQ(popup->ButtonPopUpCgvAccept->width(), 150);
    EXPECT_EQ(popup->buttonRow()->height(), 57);
}

} // namespace
