#include "UCtrlPopupCgBase.h"

#include "LumLabService.h"
#include "UAppExceptions.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UPopupPanel.h"
#include "UPrintOrder.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace {
TLangText& txtTermsOfSales = TLangText::Create(QStringLiteral("Terms of sales"));
TLangText& txtSaveToS = TLangText::Create(QStringLiteral("Save ToS"));
TLangText& txtPrintToS = TLangText::Create(QStringLiteral("Print ToS"));
TLangText& txtAccept = TLangText::Create(QStringLiteral("Accept"));
TLangText& txtClose = TLangText::Create(QStringLiteral("Close"));
TLangText& txtRefuse = TLangText::Create(QStringLiteral("Refuse"));
TLangText& txtNote = TLangText::Create(QStringLiteral("Note"));
TLangText& txtAgree = TLangText::Create(QStringLiteral("Agree"));
TLangText& txtDisagree = TLangText::Create(QStringLiteral("Disagree"));
TLangText& txtCondDefault = TLangText::Create(QStringLiteral(
    "Have you made a back up copy of the images on your media?\n"
    "      - We suggest that you make a back up copy of the images on your media before outputting them.\n"
    "      - We cannot be held responsible in the rare event that image data is lost or damaged due to a problem "
    "with the media.\n"
    "      - Please be aware that there may be some cases where your media cannot be processed, depending on the "
    "media type, media capacity, and condition of the images."));

constexpr int kButtonW = 150;
constexpr int kButtonH = 57;
constexpr int kAgreeW = 175;
// Text left below the visible part beyond this keeps Accept paging.
constexpr double kAcceptSlack = 5;

// The layout the text is painted on.
class TTextLayout : public QWidget {
public:
    TTextLayout(QWidget* parent, std::function<void(QPainter&, const QRectF&)> paint)
        : QWidget(parent)
        , fPaint(std::move(paint))
    {
    }
    std::function<void()> onResize;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        fPaint(p, QRectF(rect()));
    }
    void resizeEvent(QResizeEvent* e) override
    {
        QWidget::resizeEvent(e);
        if (onResize)
            onResize();
    }

private:
    std::function<void(QPainter&, const QRectF&)> fPaint;
};

// The row's buttons keep their design sizes times the scale.
QRect scaled(double x, double y, double w, double h, double s)
{
    return QRect(int(std::lround(x * s)), int(std::lround(y * s)), int(std::lround(w * s)), int(std::lround(h * s)));
}
} // namespace

// ---------------------------------------------------------------------------
// TCtrlPopupCgBase

TCtrlPopupCgBase::TCtrlPopupCgBase(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus)
    : TCtrlPopupHard(main, bg, newFocus)
{
    fFont.setPointSizeF(12);
}

TCtrlPopupCgBase::~TCtrlPopupCgBase()
{
    if (fBox)
        fBox->deleteLater();
}

void TCtrlPopupCgBase::frameBuild(const QString& boxName, const QString& title, const QString& scrollName,
                                  const QString& layoutName, const QString& rowName)
{
    fBox = new QGroupBox(title, Background());
    fBox->setObjectName(boxName);
    fBox->setProperty("cgPopup", true);
    auto* lay = new QVBoxLayout(fBox);
    lay->setContentsMargins(20, 60, 20, 16);
    lay->setSpacing(12);
    fScrollBox = new QScrollArea(fBox);
    fScrollBox->setObjectName(scrollName);
    fScrollBox->setFrameShape(QFrame::NoFrame);
    fScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fScrollBox->setWidgetResizable(false);
    auto* text = new TTextLayout(nullptr, [this](QPainter& p, const QRectF& r) {
        paintTextOnCanvas(p, r, shownText(), fTextLayout, 1, nullptr);
    });
    text->setObjectName(layoutName);
    text->onResize = [this] { textRectReset(); };
    fTextLayout = text;
    fScrollBox->setWidget(text);
    lay->addWidget(fScrollBox, 1);
    fButtonRow = new QWidget(fBox);
    fButtonRow->setObjectName(rowName);
    fButtonRow->setFixedHeight(kButtonH);
    lay->addWidget(fButtonRow);
    fBox->hide();
}

QPushButton* TCtrlPopupCgBase::addButton(const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, fButtonRow);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QGroupBox* TCtrlPopupCgBase::popupGroupBox()
{
    return fBox.data();
}

bool TCtrlPopupCgBase::resizeTaskPending() const
{
    return fResizeTask && fResizeTask->IsWaitingForExec();
}

QRectF TCtrlPopupCgBase::textRectCalc(const QRectF& paintRect, const QString& text, QRectF* rect)
{
    QRectF* r = rect;
    if (!r) {
        r = &fTextRect;
        if (paintRect != fTextRectRef) {
            fTextRect = QRectF();
            fTextRectRef = paintRect;
        }
    }
    if (r->isNull()) {
        const QFontMetricsF fm(fFont);
        const QRectF bounds(paintRect.left(), paintRect.top(), paintRect.width(), 5000000);
        const QRectF used = fm.boundingRect(bounds, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
        const double fontSize = QFontInfo(fFont).pixelSize();
        *r = QRectF(QPointF(paintRect.left(), paintRect.top()),
                    QPointF(paintRect.right(), used.bottom() + 2 * fontSize));
    }
    return *r;
}

void TCtrlPopupCgBase::textRectReset()
{
    fTextRect = QRectF();
}

void TCtrlPopupCgBase::paintTextOnCanvas(QPainter& canvas, const QRectF& paintRect, const QString& text,
                                         QWidget* textLayout, int page, QRectF* rect)
{
    try {
        QRectF r = textRectCalc(paintRect, text, rect);
        canvas.save();
        canvas.setClipRect(paintRect);
        const int wanted = int(std::ceil(r.bottom()));
        if (textLayout && textLayout->height() != wanted && fMain) {
            // Never inside a paint: the layout takes the text's height from
            // the GUI queue, replacing an older request.
            if (fResizeTask)
                fResizeTask->CancelAsk(ttwm_wait);
            QPointer<QWidget> target(textLayout);
            fResizeTask = fMain->GuiQueueAddCall(
                [target, wanted] {
                    if (target)
                        target->resize(target->width(), wanted);
                },
                false, nullptr);
        }
        canvas.setFont(fFont);
        canvas.setPen(Qt::black);
        if (page > 1)
            r.translate(0, -(page - 1) * paintRect.height());
        canvas.setOpacity(1);
        canvas.drawText(r, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
        canvas.restore();
    } catch (const std::exception& e) {
        LogDebug(QStringLiteral("TCtrlPopupCgBase.paintTextOnCanvas"), e);
    }
}

int TCtrlPopupCgBase::printText(QPrinter& printer, const QString& text)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw Exception(QStringLiteral("TCtrlPopupCgBase.printText: the printer cannot be used"));
    int pages = 0;
    try {
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        const QRectF area(page.width() * 0.05, page.height() * 0.05, page.width() * 0.90, page.height() * 0.90);
        // The printer's own resolution: the font keeps its physical size.
        QFont saved = fFont;
        QRectF measured;
        fFont = QFont(saved, &printer);
        textRectCalc(area, text, &measured);
        pages = std::max(1, int(std::ceil((measured.height()) / area.height())));
        for (int n = 1; n <= pages; ++n) {
            if (n > 1)
                printer.newPage();
            paintTextOnCanvas(painter, area, text, nullptr, n, &measured);
        }
        fFont = saved;
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
    return pages;
}

void TCtrlPopupCgBase::viewportTop()
{
    if (fScrollBox) {
        fScrollBox->verticalScrollBar()->setValue(0);
        fScrollBox->horizontalScrollBar()->setValue(0);
    }
}

void TCtrlPopupCgBase::OnResize(QWidget* parent)
{
    TCtrlPopupHard::OnResize(parent);
    textRectReset();
    if (fBox && fBox->layout())
        fBox->layout()->activate();
    // The next paint corrects the height to the text's.
    if (fTextLayout && fScrollBox)
        fTextLayout->resize(fScrollBox->viewport()->width(), std::max(fTextLayout->height(),
                                                                       fScrollBox->viewport()->height()));
    if (fBox && fButtonRow)
        buttonsLayout(fBox->width());
}

void TCtrlPopupCgBase::OnClose()
{
    if (fResizeTask) {
        fResizeTask->CancelAsk(ttwm_wait);
        fResizeTask.reset();
    }
    TCtrlPopupHard::OnClose();
    if (fBox)
        fBox->hide();
}

// ---------------------------------------------------------------------------
// TCtrlPopupCgv

TCtrlPopupCgv::TCtrlPopupCgv(IMainFrame* main, TPopupPanel* bg, TProc acceptProc)
    : TCtrlPopupCgBase(main, bg)
    , fAcceptProc(std::move(acceptProc))
{
    frameBuild(QStringLiteral("GroupBoxPopUpCgv"), txtTermsOfSales.Text(), QStringLiteral("VertScrollBoxPopUpCgvContent"),
               QStringLiteral("LayoutPopUpCgvDetails"), QStringLiteral("LayoutPopUpCgvButtons"));
    ButtonPopUpCgvSave = addButton(QStringLiteral("ButtonPopUpCgvSave"), txtSaveToS.Text());
    ButtonPopUpCgvPrint = addButton(QStringLiteral("ButtonPopUpCgvPrint"), txtPrintToS.Text());
    ButtonPopUpCgvRefuse = addButton(QStringLiteral("ButtonPopUpCgvRefuse"), txtRefuse.Text());
    ButtonPopUpCgvAccept = addButton(QStringLiteral("ButtonPopUpCgvAccept"), txtAccept.Text());
    ButtonPopUpCgvAccept->setProperty("primary", true);
}

QString TCtrlPopupCgv::shownText()
{
    return fMain ? fMain->GetWebSvcPhotographerCgv() : QString();
}

void TCtrlPopupCgv::OnOpen(IMainFrame* main)
{
    TCtrlPopupCgBase::OnOpen(main);
    auto guarded = [this](void (TCtrlPopupCgv::*handler)()) {
        return [this, handler] {
            try {
                (this->*handler)();
            } catch (const std::exception& e) {
                if (fMain)
                    fMain->ShowEx(e, nullptr);
            }
        };
    };
    QObject::connect(ButtonPopUpCgvAccept, &QPushButton::clicked, ButtonPopUpCgvAccept,
                     guarded(&TCtrlPopupCgv::ButtonPopUpCgvAcceptClick));
    QObject::connect(ButtonPopUpCgvRefuse, &QPushButton::clicked, ButtonPopUpCgvRefuse,
                     guarded(&TCtrlPopupCgv::ButtonPopUpCgvRefuseClick));
    QObject::connect(ButtonPopUpCgvPrint, &QPushButton::clicked, ButtonPopUpCgvPrint,
                     guarded(&TCtrlPopupCgv::ButtonPopUpCgvPrintClick));
    QObject::connect(ButtonPopUpCgvSave, &QPushButton::clicked, ButtonPopUpCgvSave,
                     guarded(&TCtrlPopupCgv::ButtonPopUpCgvSaveClick));
    const bool mandatory = main->isCguMandatory();
    ButtonPopUpCgvSave->setVisible(mandatory);
    ButtonPopUpCgvPrint->setVisible(mandatory);
    ButtonPopUpCgvRefuse->setVisible(mandatory);
    ButtonPopUpCgvAccept->setText(mandatory ? txtAccept.Text() : txtClose.Text());
    if (popupGroupBox()) {
        popupGroupBox()->show();
        popupGroupBox()->raise();
    }
    viewportTop();
}

void TCtrlPopupCgv::OnResize(QWidget* parent)
{
    TCtrlPopupCgBase::OnResize(parent);
}

void TCtrlPopupCgv::buttonsLayout(int w)
{
    if (!buttonRow())
        return;
    // The arrangement follows the group box's width w; the buttons are
    // placed in the row, which spans the box less its side margins.
    const int rw = buttonRow()->width();
    double s = 1;
    if (!ButtonPopUpCgvPrint->isHidden()) {
        if (w >= 600) {
            buttonRow()->setFixedHeight(kButtonH);
            KioskSetStyleLookup(ButtonPopUpCgvPrint, QStringLiteral("BackBtnNext"));
            KioskSetStyleLookup(ButtonPopUpCgvRefuse, QStringLiteral("BackBtnPrevious"));
            ButtonPopUpCgvSave->setGeometry(0, 0, kButtonW, kButtonH);
            ButtonPopUpCgvPrint->setGeometry(kButtonW, 0, kButtonW, kButtonH);
            ButtonPopUpCgvRefuse->setGeometry(rw - 2 * kButtonW, 0, kButtonW, kButtonH);
            ButtonPopUpCgvAccept->setGeometry(rw - kButtonW, 0, kButtonW, kButtonH);
            return;
        }
        // Two rows: save and print on the left, refuse and accept on the right.
        KioskSetStyleLookup(ButtonPopUpCgvPrint, QStringLiteral("BackBtnPrevious"));
        KioskSetStyleLookup(ButtonPopUpCgvRefuse, QStringLiteral("BackBtnNext"));
        if (w < 300)
            s = w / 300.0;
        const double right = rw / s - kButtonW;
        buttonRow()->setFixedHeight(int(std::lround(2 * kButtonH * s)));
        ButtonPopUpCgvSave->setGeometry(scaled(0, 0, kButtonW, kButtonH, s));
        ButtonPopUpCgvPrint->setGeometry(scaled(0, kButtonH, kButtonW, kButtonH, s));
        ButtonPopUpCgvRefuse->setGeometry(scaled(right, 0, kButtonW, kButtonH, s));
        ButtonPopUpCgvAccept->setGeometry(scaled(right, kButtonH, kButtonW, kButtonH, s));
        return;
    }
    if (w < 300)
        s = w / 300.0;
    const double right = rw / s - kButtonW;
    buttonRow()->setFixedHeight(int(std::lround(kButtonH * s)));
    ButtonPopUpCgvRefuse->setGeometry(scaled(0, 0, kButtonW, kButtonH, s));
    ButtonPopUpCgvAccept->setGeometry(scaled(right, 0, kButtonW, kButtonH, s));
}

void TCtrlPopupCgv::ButtonPopUpCgvAcceptClick()
{
    if (!fMain->isCguMandatory()) {
        Close();
        return;
    }
    // The customer pages through the whole text before accepting it.
    QScrollBar* bar = scrollBox()->verticalScrollBar();
    const double boxH = scrollBox()->viewport()->height();
    const double textH = textLayout()->height();
    const double pos = bar->value();
    if (textH > boxH + pos + kAcceptSlack) {
        const double next = pos + boxH;
        bar->setValue(int(std::lround(next + boxH > textH ? textH - boxH : next)));
        return;
    }
    // Closing releases the procedure and may free the popup: both are held.
    auto self = shared_from_this();
    TProc proc = fAcceptProc;
    if (TPrintOrder* order = fMain->GetOrder())
        order->SetAcceptedCgv(true);
    Close();
    if (proc)
        proc();
}

void TCtrlPopupCgv::ButtonPopUpCgvRefuseClick()
{
    if (TPrintOrder* order = fMain->GetOrder())
        order->SetAcceptedCgv(false);
    Close();
}

void TCtrlPopupCgv::ButtonPopUpCgvPrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printText(printer, shownText());
}

QString TCtrlPopupCgv::LineEndsToCrLf(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return t;
}

QString TCtrlPopupCgv::SaveTermsToFile(const QString& text, const QString& path)
{
    QString target = path;
    if (QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".txt");
    std::unique_ptr<TStreamWriter> w = TFileTools::StreamWriterCreate(target, false, QStringConverter::Utf8, 4096);
    w->Write(LineEndsToCrLf(text));
    w->Close();
    return target;
}

void TCtrlPopupCgv::ButtonPopUpCgvSaveClick()
{
    // A window-modal dialog that answers through its signal: no nested loop.
    auto* dlg = new QFileDialog(popupGroupBox(), popupGroupBox() ? popupGroupBox()->title() : QString());
    dlg->setAcceptMode(QFileDialog::AcceptSave);
    dlg->setNameFilter(QStringLiteral("*.txt"));
    dlg->setDefaultSuffix(QStringLiteral("txt"));
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    IMainFrame* main = fMain;
    QObject::connect(dlg, &QFileDialog::fileSelected, dlg, [weak, main](const QString& file) {
        auto self = std::dynamic_pointer_cast<TCtrlPopupCgv>(weak.lock());
        if (!self || file.isEmpty())
            return;
        try {
            SaveTermsToFile(self->shownText(), file);
        } catch (const std::exception& e) {
            main->ShowEx(e, nullptr);
        }
    });
    dlg->open();
}

void TCtrlPopupCgv::OnClose()
{
    TCtrlPopupCgBase::OnClose();
    for (QPushButton* b : { ButtonPopUpCgvAccept, ButtonPopUpCgvRefuse, ButtonPopUpCgvPrint, ButtonPopUpCgvSave })
        QObject::disconnect(b, &QPushButton::clicked, nullptr, nullptr);
    fAcceptProc = nullptr;
}

// ---------------------------------------------------------------------------
// TCtrlPopupCondKioskUse

TCtrlPopupCondKioskUse::TCtrlPopupCondKioskUse(IMainFrame* main, TPopupPanel* bg, TProc acceptProc)
    : TCtrlPopupCgBase(main, bg)
    , fAcceptProc(std::move(acceptProc))
{
    fFont.setPointSizeF(16);
    if (const ConditionsKioskUse2* cond = main ? main->GetWebSvcCondKioskUse() : nullptr)
        fTxt = cond->ConditionsText();
    if (fTxt.isEmpty())
        fTxt = txtCondDefault.Text();
    frameBuild(QStringLiteral("GroupBoxPopUpCondKioskUse"), txtNote.Text(),
               QStringLiteral("VertScrollBoxPopUpCondKioskUseContent"), QStringLiteral("LayoutPopUpCondKioskUseDetails"),
               QStringLiteral("LayoutPopUpCondKioskUseButtons"));
    ButtonPopUpCondKioskUseDisagree = addButton(QStringLiteral("ButtonPopUpCondKioskUseDisagree"), txtDisagree.Text());
    ButtonPopUpCondKioskUseAgree = addButton(QStringLiteral("ButtonPopUpCondKioskUseAgree"), txtAgree.Text());
    ButtonPopUpCondKioskUseAgree->setProperty("primary", true);
}

void TCtrlPopupCondKioskUse::OnOpen(IMainFrame* main)
{
    TCtrlPopupCgBase::OnOpen(main);
    auto guarded = [this](void (TCtrlPopupCondKioskUse::*handler)()) {
        return [this, handler] {
            try {
                (this->*handler)();
            } catch (const std::exception& e) {
                if (fMain)
                    fMain->ShowEx(e, nullptr);
            }
        };
    };
    QObject::connect(ButtonPopUpCondKioskUseAgree, &QPushButton::clicked, ButtonPopUpCondKioskUseAgree,
                     guarded(&TCtrlPopupCondKioskUse::ButtonPopUpCondKioskUseAgreeClick));
    QObject::connect(ButtonPopUpCondKioskUseDisagree, &QPushButton::clicked, ButtonPopUpCondKioskUseDisagree,
                     guarded(&TCtrlPopupCondKioskUse::ButtonPopUpCondKioskUseDisagreeClick));
    const bool withProc = bool(fAcceptProc);
    ButtonPopUpCondKioskUseDisagree->setVisible(withProc);
    ButtonPopUpCondKioskUseAgree->setText(withProc ? txtAgree.Text() : txtClose.Text());
    if (popupGroupBox()) {
        popupGroupBox()->show();
        popupGroupBox()->raise();
    }
    viewportTop();
}

void TCtrlPopupCondKioskUse::OnResize(QWidget* parent)
{
    TCtrlPopupCgBase::OnResize(parent);
}

void TCtrlPopupCondKioskUse::buttonsLayout(int w)
{
    if (!buttonRow())
        return;
    const double s = w >= 205 ? 1 : w / 205.0;
    const int rw = buttonRow()->width();
    buttonRow()->setFixedHeight(int(std::lround(kButtonH * s)));
    ButtonPopUpCondKioskUseDisagree->setGeometry(scaled(0, 0, kButtonW, kButtonH, s));
    ButtonPopUpCondKioskUseAgree->setGeometry(scaled(rw / s - kAgreeW, 0, kAgreeW, kButtonH, s));
}

void TCtrlPopupCondKioskUse::ButtonPopUpCondKioskUseAgreeClick()
{
    auto self = shared_from_this();
    TProc proc = fAcceptProc;
    if (proc) {
        if (TPrintOrder* order = fMain->GetOrder())
            order->SetAcceptedCgv(true);
        proc();
    }
    Close();
}

void TCtrlPopupCondKioskUse::ButtonPopUpCondKioskUseDisagreeClick()
{
    Close();
}
