#include "UCtrlPopupHelpInfo.h"

#include "UAppExceptions.h"
#include "UConfig.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UMainFrameTypes.h"
#include "UPopupPanel.h"
#include "UPrintOrder.h"
#include "UWorkflowType.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>

namespace {
TLangText& txtOK = TLangText::Create(QStringLiteral("OK"));
TLangText& txtMinCard = TLangText::Create(QStringLiteral("Please select at least %d photos for your card"));
TLangText& txtMinDesigner = TLangText::Create(QStringLiteral("Please select at least %d photos for your designer print"));
TLangText& txtMinCalendar = TLangText::Create(QStringLiteral("Please select at least %d photos for your calendar"));
TLangText& txtMinBookMulti = TLangText::Create(QStringLiteral("Please select at least %d photos for your book"));
TLangText& txtMinBookOne = TLangText::Create(QStringLiteral("Please select %d photos for your book"));
TLangText& txtMinBookBlank
    = TLangText::Create(QStringLiteral("Please select any photos you want to use in your photo book"));
TLangText& txtMinMessage = TLangText::Create(QStringLiteral(
    "We will automatically create your photo book using the date of your photos.\n\nYou can change the layout of the "
    "book afterwards."));
TLangText& txtThanks = TLangText::Create(QStringLiteral("Thank you!"));
TLangText& txtPressNext = TLangText::Create(QStringLiteral("Please press Next to continue"));
TLangText& txtCreateNow
    = TLangText::Create(QStringLiteral("We can create your book now, or you can select more photos for your book"));
TLangText& txtCreateBook = TLangText::Create(QStringLiteral("Create Book"));
TLangText& txtSelectMore = TLangText::Create(QStringLiteral("Select More Photos"));
TLangText& txtPageOrder = TLangText::Create(QStringLiteral(
    "You can change the order of the pages by dragging them.\n\nOr touch / click a page to edit the layout."));
TLangText& txtPrintSel = TLangText::Create(
    QStringLiteral("Touch / Click a photo to order a print. To view, edit, or order enlargements"));
TLangText& txtPress = TLangText::Create(QStringLiteral("Press"));

constexpr double kDesignW = 900;
constexpr double kDesignHTitle = 360;
constexpr double kDesignHNoTitle = 260;

QString workflowTypeName(TWorkflowType t)
{
    switch (t) {
    case TWorkflowNone:
        return QStringLiteral("TWorkflowNone");
    case TWorkflowPrint:
        return QStringLiteral("TWorkflowPrint");
    case TWorkflowCard:
        return QStringLiteral("TWorkflowCard");
    case TWorkflowDesignerPrint:
        return QStringLiteral("TWorkflowDesignerPrint");
    case TWorkflowCalendarMonthly:
        return QStringLiteral("TWorkflowCalendarMonthly");
    case TWorkflowCalendarAnnual:
        return QStringLiteral("TWorkflowCalendarAnnual");
    case TWorkflowAlbum:
        return QStringLiteral("TWorkflowAlbum");
    case TWorkflowGift:
        return QStringLiteral("TWorkflowGift");
    }
    return QString::number(int(t));
}

THelpInfoProductFacts productFacts(IMainFrame* main)
{
    const auto& hook = TCtrlPopupHelpInfoPhotoMin::ProductFacts;
    return hook ? hook(main) : THelpInfoProductFacts();
}

QString bookKind(int framesPerPage)
{
    return framesPerPage < 0 ? QStringLiteral(".Multi") : framesPerPage > 0 ? QStringLiteral(".One")
                                                                            : QStringLiteral(".Blank");
}
} // namespace

// ---------------------------------------------------------------------------
// TCtrlPopupHelpInfo

TCtrlPopupHelpInfo::TCtrlPopupHelpInfo(IMainFrame* main, TPopupPanel* bg)
    : TCtrlPopupHard(main, bg)
{
    fOriginalWidth = float(kDesignW);
    fOriginalHeight = 300;
    fBox = new QGroupBox(bg);
    fBox->setObjectName(QStringLiteral("GroupBoxPopupHelpInfo"));
    KioskSetStyleLookup(fBox, QStringLiteral("GroupBoxSimpleStyle"));
    auto* boxLay = new QVBoxLayout(fBox);
    boxLay->setContentsMargins(0, 0, 0, 0);
    fLayout = new QWidget(fBox);
    fLayout->setObjectName(QStringLiteral("LayoutPopupHelpInfo"));
    boxLay->addWidget(fLayout);
    auto* lay = new QVBoxLayout(fLayout);
    lay->setContentsMargins(10, 120, 10, 10);
    fText = new QLabel(fLayout);
    fText->setObjectName(QStringLiteral("LabelPopupHelpInfoText"));
    fText->setWordWrap(true);
    fText->setAlignment(Qt::AlignCenter);
    lay->addWidget(fText, 1);
    fText2 = new QLabel(fLayout);
    fText2->setObjectName(QStringLiteral("LabelPopupHelpInfoText2"));
    fText2->setAlignment(Qt::AlignCenter);
    fText2->setFixedHeight(45);
    lay->addWidget(fText2);
    auto* row = new QHBoxLayout;
    row->setSpacing(30);
    row->addStretch(1);
    fCancel = new QPushButton(fLayout);
    fCancel->setObjectName(QStringLiteral("ButtonPopupHelpInfoCancel"));
    KioskSetStyleLookup(fCancel, QStringLiteral("btnfloatinglow"));
    fOk = new QPushButton(fLayout);
    fOk->setObjectName(QStringLiteral("ButtonPopupHelpInfoOk"));
    fOk->setProperty("primary", true);
    KioskSetStyleLookup(fOk, QStringLiteral("btnfloatingblack"));
    row->addWidget(fCancel);
    row->addWidget(fOk);
    row->addStretch(1);
    lay->addLayout(row);
    fBox->hide();
}

TCtrlPopupHelpInfo::~TCtrlPopupHelpInfo()
{
    if (fBox)
        fBox->deleteLater();
}

QGroupBox* TCtrlPopupHelpInfo::popupGroupBox()
{
    return fBox.data();
}

QString TCtrlPopupHelpInfo::helpKey()
{
    QString cls = ClassName();
    cls.remove(QStringLiteral("TCtrlPopupHelpInfo"));
    return cls + QLatin1Char('.') + workflowTypeName(fMain ? fMain->getWorkflowType() : TWorkflowNone);
}

QString TCtrlPopupHelpInfo::button1Text()
{
    return txtOK.Text();
}

void TCtrlPopupHelpInfo::OnOpen(IMainFrame* main)
{
    const QString key = helpKey();
    // Shown once: per order on a kiosk, per configuration elsewhere.
    if (main->Zebdesign() != zebd_kiosk) {
        TConfigInfo* cfg = main->Config();
        if (cfg) {
            if (cfg->getPopupHelpOpenedList().contains(key))
                throw ECancel(QStringLiteral("Popup ") + key + QStringLiteral(" already opened"));
            cfg->popupHelpOpenedListAdd(key);
        }
    } else if (TPrintOrder* order = main->GetOrder()) {
        if (order->getPopupHelpOpenedList().contains(key))
            throw ECancel(QStringLiteral("Popup ") + key + QStringLiteral(" already opened"));
        order->popupHelpOpenedListAdd(key);
    }
    LogDebug(key + QStringLiteral(" popup opened"));

    const QString title = helpTitle();
    auto* lay = fLayout->layout();
    QMargins m = lay->contentsMargins();
    if (!title.isEmpty()) {
        KioskSetStyleLookup(fBox, QStringLiteral("GroupBoxSimpleStyle"));
        fOriginalHeight = float(kDesignHTitle);
        m.setTop(120);
    } else {
        KioskSetStyleLookup(fBox, QStringLiteral("GroupBoxSimpleStyleWithoutTitle"));
        fOriginalHeight = float(kDesignHNoTitle);
        m.setTop(10);
    }
    lay->setContentsMargins(m);
    TCtrlPopupHard::OnOpen(main);
    fBox->setTitle(title);
    fText->setText(helpMessage());
    const QString second = helpMessage2();
    fText2->setText(second);
    fText2->setVisible(!second.isEmpty());
    fText->setAlignment(Qt::AlignHCenter | (second.isEmpty() ? Qt::AlignVCenter : Qt::AlignBottom));
    fOk->setText(button1Text());
    fOk->setVisible(button1Visible());
    QObject::connect(fOk, &QPushButton::clicked, fOk, [this] { button1Click(); });
    fCancel->setText(button2Text());
    fCancel->setVisible(button2Visible());
    QObject::connect(fCancel, &QPushButton::clicked, fCancel, [this] { button2Click(); });
    fBox->show();
    fBox->raise();
}

TCtrlPopupHelpInfo::TBoxLayout TCtrlPopupHelpInfo::BoxLayout(double dw, double dh, double boxW, double boxH,
                                                             double panelW, double W, double H, double z,
                                                             double marginW, double marginH)
{
    TBoxLayout r;
    r.scale = panelW < dw * 2 / 3 ? panelW / (dw * 2 / 3) : 1;
    if (z <= 0)
        z = 100;
    const double A = W / z * 100 - marginW;
    const double B = H / z * 100 - marginH;
    r.width = boxW;
    if (boxW * r.scale > A || dw > A)
        r.width = A / r.scale;
    else if (A > dw)
        r.width = dw / r.scale;
    r.height = boxH;
    if (boxH > B || dh > B)
        r.height = B;
    else if (B > dh)
        r.height = dh;
    return r;
}

void TCtrlPopupHelpInfo::OnResize(QWidget* parent)
{
    TCtrlPopupHard::OnResize(parent);
    if (!fBox || !fbg)
        return;
    QWidget* window = fbg->window();
    const double zoom = fMain ? fMain->GetZoomFactor() : 100;
    const TBoxLayout l = BoxLayout(fOriginalWidth, fOriginalHeight, fBox->width(), fBox->height(), fbg->width(),
                                   window->width(), window->height(), zoom, fMarginsWidth, fMarginsHeight);
    fScale = l.scale;
    const int w = int(l.width * l.scale);
    const int h = int(l.height * l.scale);
    fBox->setGeometry((fbg->width() - w) / 2, (fbg->height() - h) / 2, w, h);
}

void TCtrlPopupHelpInfo::OnClose()
{
    TCtrlPopupHard::OnClose();
    if (fBox)
        fBox->hide();
    QObject::disconnect(fOk, &QPushButton::clicked, nullptr, nullptr);
    QObject::disconnect(fCancel, &QPushButton::clicked, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// Members

void TCtrlPopupHelpInfoPhotoMin::OnOpen(IMainFrame* main)
{
    const THelpInfoProductFacts f = productFacts(main);
    if (f.available >= f.minimum)
        throw ECancel(QStringLiteral("Too much photos selected"));
    fPhotoMin = f.minimum;
    TCtrlPopupHelpInfo::OnOpen(main);
}

QString TCtrlPopupHelpInfoPhotoMin::helpKey()
{
    QString key = TCtrlPopupHelpInfo::helpKey();
    if (fMain->getWorkflowType() == TWorkflowAlbum)
        key += bookKind(productFacts(fMain).framesPerPage);
    return key;
}

QString TCtrlPopupHelpInfoPhotoMin::helpTitle()
{
    switch (fMain->getWorkflowType()) {
    case TWorkflowCard:
        return txtMinCard.Text({ fPhotoMin });
    case TWorkflowDesignerPrint:
        return txtMinDesigner.Text({ fPhotoMin });
    case TWorkflowCalendarMonthly:
    case TWorkflowCalendarAnnual:
        return txtMinCalendar.Text({ fPhotoMin });
    case TWorkflowAlbum: {
        const int fpp = productFacts(fMain).framesPerPage;
        if (fpp < 0)
            return txtMinBookMulti.Text({ fPhotoMin });
        if (fpp > 0)
            return txtMinBookOne.Text({ fPhotoMin });
        return txtMinBookBlank.Text();
    }
    default:
        throw EToDo(QStringLiteral("TCtrlPopupHelpInfoPhotoMin.helpTitle: no advice for this workflow"));
    }
}

QString TCtrlPopupHelpInfoPhotoMin::helpMessage()
{
    if (fMain->getWorkflowType() == TWorkflowAlbum && productFacts(fMain).framesPerPage == 0)
        return QString();
    return txtMinMessage.Text();
}

bool TCtrlPopupHelpInfoPhotoOk::fixedLayoutBook()
{
    return fMain->getWorkflowType() == TWorkflowAlbum && productFacts(fMain).framesPerPage > 0;
}

void TCtrlPopupHelpInfoPhotoOk::OnOpen(IMainFrame* main)
{
    if (main->getWorkflowType() == TWorkflowAlbum && productFacts(main).framesPerPage == 0)
        throw ECancel(QStringLiteral("No ok popup if album is blank"));
    TCtrlPopupHelpInfo::OnOpen(main);
}

QString TCtrlPopupHelpInfoPhotoOk::helpKey()
{
    QString key = TCtrlPopupHelpInfo::helpKey();
    if (fMain->getWorkflowType() == TWorkflowAlbum)
        key += productFacts(fMain).framesPerPage < 0 ? QStringLiteral(".Multi") : QStringLiteral(".One");
    return key;
}

QString TCtrlPopupHelpInfoPhotoOk::helpTitle()
{
    return txtThanks.Text();
}

QString TCtrlPopupHelpInfoPhotoOk::helpMessage()
{
    return fixedLayoutBook() ? txtPressNext.Text() : txtCreateNow.Text();
}

QString TCtrlPopupHelpInfoPhotoOk::button1Text()
{
    return fixedLayoutBook() ? txtOK.Text() : txtCreateBook.Text();
}

void TCtrlPopupHelpInfoPhotoOk::button1Click()
{
    if (fixedLayoutBook()) {
        Close();
        return;
    }
    // The popup closes with the step change.
    fMain->goWorkflowNext(true);
}

bool TCtrlPopupHelpInfoPhotoOk::button2Visible()
{
    return !fixedLayoutBook();
}

QString TCtrlPopupHelpInfoPhotoOk::button2Text()
{
    return fixedLayoutBook() ? QString() : txtSelectMore.Text();
}

void TCtrlPopupHelpInfoPageOrder::OnOpen(IMainFrame* main)
{
    if (main->Zebdesign() == zebd_mobile)
        throw ECancel(QStringLiteral("Not on mobile"));
    TCtrlPopupHelpInfo::OnOpen(main);
}

QString TCtrlPopupHelpInfoPageOrder::helpMessage()
{
    return txtPageOrder.Text();
}

QString TCtrlPopupHelpInfoPrintSelection::helpMessage()
{
    return txtPrintSel.Text();
}

QString TCtrlPopupHelpInfoPrintSelection::helpMessage2()
{
    return txtPress.Text();
}

void TCtrlPopupHelpInfoPrintSelection::OnOpen(IMainFrame* main)
{
    TCtrlPopupHelpInfo::OnOpen(main);
    fButtonFullscreen = new QPushButton(QStringLiteral("\u26F6"), fText2);
    fButtonFullscreen->setObjectName(QStringLiteral("ButtonHelpInfoFullscreen"));
    KioskSetStyleLookup(fButtonFullscreen, QStringLiteral("btnfloatingwhitefullscreen"));
    fButtonFullscreen->setFixedSize(35, 35);
    fButtonFullscreen->setAttribute(Qt::WA_TransparentForMouseEvents);
    fButtonFullscreen->hide();
    struct TWatcher : QObject {
        TCtrlPopupHelpInfoPrintSelection* popup;
        explicit TWatcher(TCtrlPopupHelpInfoPrintSelection* p) : popup(p) { }
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Resize)
                popup->OnLabelResize();
            return false;
        }
    };
    auto* watcher = new TWatcher(this);
    fWatcher = watcher;
    fText->installEventFilter(watcher);
    fText2->installEventFilter(watcher);
    OnLabelResize();
}

void TCtrlPopupHelpInfoPrintSelection::OnLabelResize()
{
    if (!fButtonFullscreen || !fText2)
        return;
    fText2->ensurePolished();
    const double w = QFontMetricsF(fText2->font()).horizontalAdvance(fText2->text());
    // Just right of the centred word.
    fButtonFullscreen->move(int((fText2->width() - w) / 2 + w + 10),
                            (fText2->height() - fButtonFullscreen->height()) / 2);
    fButtonFullscreen->show();
    LogDebugFmt(QStringLiteral("TCtrlPopupHelpInfoPrintSelection.OnLabelResize: textWidth=%.2f"), { w });
}

void TCtrlPopupHelpInfoPrintSelection::OnResize(QWidget* parent)
{
    TCtrlPopupHelpInfo::OnResize(parent);
    OnLabelResize();
}

void TCtrlPopupHelpInfoPrintSelection::OnClose()
{
    TCtrlPopupHelpInfo::OnClose();
    delete fWatcher.data();
    delete fButtonFullscreen.data();
}
