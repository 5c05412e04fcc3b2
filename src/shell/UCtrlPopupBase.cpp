#include "UCtrlPopupBase.h"

#include "UMainFrameTypes.h"
#include "UPopupPanel.h"

#include <QApplication>
#include <QGroupBox>
#include <QWidget>

TCtrlPopupBase::TCtrlPopupBase(IMainFrame* main, QObject* parent)
    : TCtrlCommonBase(main, parent)
{
}

IMainPopupControllerRef TCtrlPopupBase::PopupRef()
{
    return std::dynamic_pointer_cast<TCtrlPopupBase>(shared_from_this());
}

void TCtrlPopupBase::Close()
{
    if (fOpened && fMain)
        fMain->popupClose(PopupRef());
}

void TCtrlPopupBase::OnOpen(IMainFrame* main)
{
    TCtrlCommonBase::OnOpen(main);
    fOpened = true;
}

void TCtrlPopupBase::OnClose()
{
    TCtrlCommonBase::OnClose();
    fOpened = false;
}

void TCtrlPopupBase::OnPopupClosed()
{
    if (QWidget* w = QApplication::focusWidget())
        w->clearFocus();
}

void TCtrlPopupBase::OnBackgroundClick()
{
    Close();
}

TCtrlPopupHard::TCtrlPopupHard(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus)
    : TCtrlPopupBase(main, bg)
    , fpopupRequiredLevel(main ? main->calcPopupLevel(bg) : -1)
    , fbg(bg)
    , fnewFocus(newFocus)
{
    if (bg) {
        fClickConn = QObject::connect(bg, &TPopupPanel::backgroundClicked, [this] {
            // Closing may drop the stack's reference, the last one.
            auto self = weak_from_this().lock();
            if (self)
                OnBackgroundClick();
        });
    }
}

TCtrlPopupHard::~TCtrlPopupHard()
{
    QObject::disconnect(fClickConn);
}

QGroupBox* TCtrlPopupHard::popupGroupBox()
{
    if (!fbg)
        return nullptr;
    return fbg->findChild<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly);
}

QWidget* TCtrlPopupHard::popupContentLayout()
{
    QGroupBox* box = popupGroupBox();
    if (!box)
        return nullptr;
    for (QWidget* w : box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->objectName().isEmpty() && w->contentsMargins().top() > 0)
            return w;
    return nullptr;
}

void TCtrlPopupHard::OnOpen(IMainFrame* main)
{
    TCtrlPopupBase::OnOpen(main);
    if (fbg) {
        fbg->show();
        fbg->raise();
    }
    if (fnewFocus)
        fnewFocus->setFocus();
    else if (QWidget* w = QApplication::focusWidget())
        w->clearFocus();

    QGroupBox* box = popupGroupBox();
    QWidget* layout = popupContentLayout();
    if (!box || !layout)
        return;
    const QString lookup = box->property("styleLookup").toString().toLower();
    if (lookup != QLatin1String("groupboxsimplemobilestyle") && lookup != QLatin1String("groupboxsimplestyle"))
        return;
    const bool mobile = fMain && fMain->Zebdesign() == zebd_mobile;
    const int boxTop = mobile ? 50 : 120;
    const int layoutTop = mobile ? 40 : 120;
    QMargins m = box->contentsMargins();
    m.setTop(boxTop);
    box->setContentsMargins(m);
    KioskSetStyleLookup(box, mobile ? QStringLiteral("groupboxsimplemobilestyle") : QStringLiteral("groupboxsimplestyle"));
    QMargins lm = layout->contentsMargins();
    lm.setTop(layoutTop);
    layout->setContentsMargins(lm);
}

void TCtrlPopupHard::OnClose()
{
    TCtrlPopupBase::OnClose();
    if (fbg)
        fbg->hide();
}

TPopupBoxSize PopupBoxSizeCalc(float boxW, float boxH, float& originalW, float& originalH, float marginsW,
                               float marginsH, float panelW, float panelH)
{
    if (originalW == 0) {
        originalW = boxW;
        originalH = boxH;
    }
    const float roomW = panelW - marginsW;
    const float roomH = panelH - marginsH;
    if (boxW > roomW || boxH > roomH || originalW > roomW || originalH > roomH)
        return { roomW, roomH };
    if (originalW != 0 && roomW > originalW && roomH > originalH)
        return { originalW, originalH };
    return { boxW, boxH };
}

void TCtrlPopupHard::OnResize(QWidget* parent)
{
    QGroupBox* box = popupGroupBox();
    if (!box || !fbg)
        return;
    const float w = float(fbg->width());
    const float h = float(fbg->height());
    const TPopupBoxSize size = PopupBoxSizeCalc(float(box->width()), float(box->height()), fOriginalWidth,
                                                fOriginalHeight, fMarginsWidth, fMarginsHeight, w, h);
    const int bw = qMax(0, int(size.width));
    const int bh = qMax(0, int(size.height));
    // The panel has no layout of its own: the box is centred on it.
    box->setGeometry((int(w) - bw) / 2, (int(h) - bh) / 2, bw, bh);
}
