#include "UCtrlProductChoicePrintFront.h"
#include "UChoiceFormats.h"

#include "UDebug.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UOrderImage.h"
#include "UQzFileSystemBase.h"
#include "UQzFileSystemRes.h"
#include "UQzFileSystemRoot.h"
#include "UResImagePart.h"
#include "UWorkflowSteps.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

TOrderImageBase* examplePicture(IMainFrame* main, TPrintDateFormat format)
{
    auto* container = dynamic_cast<IQzfsRootContainer*>(main);
    if (!container)
        return nullptr;
    std::shared_ptr<IQzfsRoot> root = container->RootFolder();
    if (!root)
        return nullptr;
    switch (format) {
    case TPrintDateFormat::pdWithout:
        return root->FrontPrintImgWithoutDate();
    case TPrintDateFormat::pdWithDate:
        return root->FrontPrintImgWithDate();
    case TPrintDateFormat::pdWithDateTime:
        return root->FrontPrintImgWithDateTime();
    }
    return nullptr;
}

bool pictureFileExists(TOrderImageBase* img)
{
    if (auto* res = dynamic_cast<TImageFileResource*>(img))
        return res->Exists();
    return img != nullptr;
}

} // namespace

// ---------------------------------------------------------------------------
// TFrontPreviewPart

TFrontPreviewPart::TFrontPreviewPart(QWidget* parent, TCtrlProductChoicePrintFront* step, TPrintDateFormat format)
    : TBitmapCachePart(QStringLiteral("TProductFrontButton"), QStringLiteral("TProductFrontButton.layoutPreviewPaint"),
                       parent)
    , fStep(step)
    , fFormat(format)
{
    setMain(step->MainFrame());
}

bool TFrontPreviewPart::paintPart()
{
    TOrderImageBase* img = examplePicture(main(), fFormat);
    if (!img)
        return false;
    if (!pictureFileExists(img)) {
        fStep->setWaitingForImages(true);
        return false;
    }
    fStep->setWaitingForImages(false);
    const TZebbitmap pic = cachedBitmap(img);
    if (pic.isNull())
        return false;
    QPainter p(this);
    const QRectF at = drawCentred(p, pic);
    p.setPen(QPen(QColor(0xFF555555), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(at);
    return true;
}

// ---------------------------------------------------------------------------
// TProductFrontButton

TProductFrontButton::TProductFrontButton(QSvgRenderer* defaultImage, TCtrlProductChoicePrintFront* step,
                                         TPrintDateFormat format, QWidget* parent)
    : TProductButton(defaultImage, parent)
    , fDateFormat(format)
{
    setImage(nullptr);
    fDrawPreviewLayout = new TFrontPreviewPart(resizePart(), step, format);
    fDrawPreviewLayout->show();
    imagePart()->hide();
}

// ---------------------------------------------------------------------------
// TCtrlProductChoicePrintFront

TCtrlProductChoicePrintFront::TCtrlProductChoicePrintFront(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlProductChoiceBase(main, stepTabItem)
{
}

void TCtrlProductChoicePrintFront::OnOpen(IMainFrame* main)
{
    TCtrlProductChoiceBase::OnOpen(main);
    fIsWaitingForImages = false;
    c.fRowPerScreen = 3;
    c.fHeightAlreadyUsed += 150; // room for the caution text below the tiles
    QWidget* tab = StepTabItem();
    fTextPrintFrontCaution = new QLabel(tab);
    fTextPrintFrontCaution->setObjectName(QStringLiteral("TextPrintFrontCaution"));
    fTextPrintFrontCaution->setWordWrap(true);
    fTextPrintFrontCaution->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    fTextPrintFrontCaution->setText(LangTexts::Screens::EvenIfPrintDateSelected.Text());
    if (auto* l = qobject_cast<QVBoxLayout*>(tab->layout()))
        l->addWidget(fTextPrintFrontCaution, 0, Qt::AlignHCenter | Qt::AlignBottom);
    fTextPrintFrontCaution->setContentsMargins(0, 0, 0, 20);
    fTextPrintFrontCaution->show();
    SetPageTitle(LangTexts::Screens::AddDateEachPhotoPrints.Text());
    if (auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this()))
        main->EventObserverRegister(self, moe_frontPrint);
}

void TCtrlProductChoicePrintFront::OnClose()
{
    if (auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this()))
        fMain->EventObserverUnregister(self, moe_frontPrint);
    // However the step closes, a wait lock it holds goes with it.
    setWaitingForImages(false);
    delete fTextPrintFrontCaution.data();
    TCtrlProductChoiceBase::OnClose();
}

void TCtrlProductChoicePrintFront::OnResize(QWidget* area)
{
    TCtrlProductChoiceBase::OnResize(area);
    if (!area || !fTextPrintFrontCaution)
        return;
    const int w = area->width() >= 640 ? 600 : area->width() - 40;
    fTextPrintFrontCaution->setFixedWidth(w);
    // All its lines show, with the bottom margin below them.
    fTextPrintFrontCaution->setFixedHeight(fTextPrintFrontCaution->heightForWidth(w) + 20);
}

QString TCtrlProductChoicePrintFront::topBarTitle()
{
    return LangTexts::Screens::SelectFrontPrint.Text();
}

void TCtrlProductChoicePrintFront::createButtons()
{
    c.fButtonList.clear();
    struct Tile {
        TPrintDateFormat format;
        TLangText& text;
    };
    const Tile tiles[] = {
        { TPrintDateFormat::pdWithout, LangTexts::Screens::PrintsWithoutDates },
        { TPrintDateFormat::pdWithDate, LangTexts::Screens::PrintsDates },
        { TPrintDateFormat::pdWithDateTime, LangTexts::Screens::PrintsDateTime },
    };
    for (const Tile& t : tiles) {
        auto* b = new TProductFrontButton(c.svgDocMountain, this, t.format, tilesContainer());
        b->setDescription(t.text.Text());
        const TPrintDateFormat format = t.format;
        QObject::connect(b, &QAbstractButton::clicked, b, [this, format] {
            try {
                frontClick(format);
            } catch (const std::exception& e) {
                if (MainFrame())
                    MainFrame()->ShowEx(e, nullptr);
            }
        });
        c.fButtonList.push_back(b);
    }
    if (MainFrame()->Zebdesign() == zebd_mobile) {
        c.fButtonWidth = 300;
        c.fButtonWidthMax = 300;
        c.fBtnPerRowMax = 2;
    }
}

void TCtrlProductChoicePrintFront::frontClick(TPrintDateFormat format)
{
    IMainFrame* main = MainFrame();
    ChoiceOrder(main, QStringLiteral("TCtrlProductChoicePrintFront")).SetPrintDateFormat(format);
    main->orderChanged();
    main->goWorkflowStep(&WorkflowSteps::TCtrlSelectImagePrint, true, true);
}

void TCtrlProductChoicePrintFront::OnMainObservedEvent(TMainObservedEvent evtype, void*)
{
    if (evtype != moe_frontPrint)
        return;
    for (const auto& b : c.fButtonList)
        if (auto* fb = qobject_cast<TProductFrontButton*>(b.data()); fb && fb->previewPart())
            fb->previewPart()->update();
}

void TCtrlProductChoicePrintFront::setWaitingForImages(bool waiting)
{
    if (waiting == fIsWaitingForImages)
        return;
    fIsWaitingForImages = waiting;
    if (waiting)
        fMain->GuiWaitLock();
    else
        fMain->GuiWaitUnlock();
}
