#include "UCtrlAlbumFramesPerPage.h"

#include "UAlbumChoices.h"
#include "UAlbumProduct.h"
#include "UAlbumSize.h"
#include "UConfig.h"
#include "UCtrlPagingTileChoiceBase.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UPagePreviewPart.h"
#include "UThreadTaskQueue.h"
#include "UWorkflowDataProductAlbum.h"
#include "UWorkflowSteps.h"

TAlbumFramesPerPageButton::TAlbumFramesPerPageButton(IMainFrame* main, int nbFramesPerPage, GammeFond2* range,
                                                     QWidget* parent)
    : TTileButton(nullptr, QStringLiteral("productthemealbum"), parent)
    , fMain(main)
    , fNbFramesPerPage(nbFramesPerPage)
    , fBackgroundRange(range)
{
    fDrawAlbumLayout = new TPagePreviewPart(QStringLiteral("TAlbumFramesPerPageButton"),
                                            QStringLiteral("TAlbumFramesPerPageButton.layoutAlbumPaint"),
                                            resizePart());
    fDrawAlbumLayout->setMain(main);
    fDrawAlbumLayout->setPainter([this](TPagePreviewPart* part, QPainter& canvas, const QRectF& rect) {
        if (!fAlbumPreview && fMain)
            fAlbumPreview = TCtrlScreenBase::WorkflowData<TWorkflowDataProductAlbum>(fMain)->getBackgroundPreview(
                fBackgroundRange, TAlbumChoices::framesPerPagePreview(fNbFramesPerPage));
        auto* impl = dynamic_cast<TAlbumProductImpl*>(fAlbumPreview.get());
        if (!impl)
            return false;
        IArcList<TCustomizedPageBase*> pages = impl->CustomizedAlbumPageList();
        if (!pages || pages->GetCount() < 5)
            return false;
        return TPagePreviewPart::drawSpread(part, canvas, rect, pages->GetItem(3), pages->GetItem(4));
    });
    fDrawAlbumLayout->show();
    imagePart()->hide();
}

TAlbumFramesPerPageButton::~TAlbumFramesPerPageButton()
{
    delete fDrawAlbumLayout.data();
}

void TCtrlAlbumFramesPerPage::OnOpen(IMainFrame* main)
{
    // The tiles get their text height from the start when it is known.
    c.fButtonMarginAddHeight = TCtrlPagingTileChoiceBase::StoredExternalHeight(ClassName());
    TCtrlTileChoiceBase::OnOpen(main);
    c.fButtonWidthMax = 600;
    c.fButtonHeightMax = 650;
    if (main->Zebdesign() != zebd_mobile)
        SetPageTitle(LangTexts::Screens::HowManyPhotosPerPage.Text());
}

void TCtrlAlbumFramesPerPage::OnClose()
{
    if (fResizeTask) {
        fResizeTask->CancelAsk(ttwm_wait);
        fResizeTask.reset();
    }
    TCtrlTileChoiceBase::OnClose();
}

QString TCtrlAlbumFramesPerPage::topBarTitle()
{
    return LangTexts::Screens::HowManyPhotosPerPage.Text();
}

void TCtrlAlbumFramesPerPage::createButtons()
{
    c.fButtonList.clear();
    auto data = WorkflowData<TWorkflowDataProductAlbum>();
    TAlbumProduct* book = data->currentAlbumProduct();
    if (!book || !book->Album())
        return;
    AlbumPhotographe2* album = book->Album();
    auto* impl = dynamic_cast<TAlbumProductImpl*>(book);
    GammeFond2* range = impl ? impl->BackgroundRange() : nullptr;
    for (int value : TAlbumChoices::framesPerPageOffered(MainFrame()->GetWebSvcAlbumSize(), album->LargeurPage(),
                                                         album->HauteurPage())) {
        auto* b = new TAlbumFramesPerPageButton(MainFrame(), value, range, tilesContainer());
        b->setDescription(TAlbumChoices::framesPerPageText(value));
        b->setCtrlToResize(this);
        QObject::connect(b, &QAbstractButton::clicked, b, [this, value] {
            try {
                framesClick(value);
            } catch (const std::exception& e) {
                if (MainFrame())
                    MainFrame()->ShowEx(e, nullptr);
            }
        });
        c.fButtonList.push_back(b);
    }
    // The tiles keep the proportions of an open double page.
    c.fButtonWidth = 500;
    if (album->LargeurPage() > 0)
        c.fButtonHeight = 500.0f / (2.0f * float(album->LargeurPage())) * float(album->HauteurPage());
}

void TCtrlAlbumFramesPerPage::framesClick(int nbFramesPerPage)
{
    IMainFrame* main = MainFrame();
    WorkflowData<TWorkflowDataProductAlbum>()->setNbFramesPerPage(nbFramesPerPage);
    // In the mobile use, blank pages need no picture selection first.
    const bool selectionVisible = main->QzUseMode() == TQzUseMode::Mobile ? nbFramesPerPage != 0 : true;
    main->setWorkflowStepVisible(&WorkflowSteps::TCtrlSelectImageCommon, selectionVisible);
    main->goWorkflowNext(true);
}

void TCtrlAlbumFramesPerPage::CtrlResize(TTileButton* button)
{
    const float h = float(button->getExternalHeight());
    if (h == c.fButtonMarginAddHeight)
        return;
    c.fButtonMarginAddHeight = h;
    TCtrlPagingTileChoiceBase::StoreExternalHeight(ClassName(), h);
    if (fResizeTask)
        fResizeTask->CancelAsk(ttwm_nowait);
    c.fszFrm = QSizeF();
    std::weak_ptr<TCtrlCommonBase> self = shared_from_this();
    fResizeTask = MainFrame()->GuiQueueAddCall([self] {
        auto step = std::static_pointer_cast<TCtrlAlbumFramesPerPage>(self.lock());
        if (!step)
            return;
        step->fResizeTask.reset();
        if (QWidget* tab = step->StepTabItem())
            step->OnResize(tab);
    }, false, nullptr);
}
