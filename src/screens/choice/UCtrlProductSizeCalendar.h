#pragma once
// The calendar size step: one size button per lab calendar template of the
// chosen kind (monthly or annual), each a live preview of the calendar page
// drawn to scale with its size label and lowest price. A click creates the
// calendar in the order (asking first whether to delete one already being
// designed): thirteen pages starting next month for a monthly calendar, one
// page for an annual one.
#include "UPagePreviewPart.h"
#include "UCtrlProductSizeBase.h"
#include "UMainObservers.h"

#include <QPointer>

#include <memory>

class Tirage2;

class TTemplateProduct;
class TTemplateVelmoraData;

class TProductCalendarSizeButton : public TProductSizeButton {
    Q_OBJECT
public:
    explicit TProductCalendarSizeButton(const QString& style, QWidget* parent = nullptr);
    ~TProductCalendarSizeButton() override;

    Tirage2* calendarProduct() const { return fCalendarProduct; }
    void setCalendarProduct(Tirage2* f) { fCalendarProduct = f; }
    TTemplateVelmoraData* templateVelmoraData() const { return fTemplateVelmoraData; }
    void setTemplateVelmoraData(TTemplateVelmoraData* t) { fTemplateVelmoraData = t; }
    void bindMain(IMainFrame* main);
    TPagePreviewPart* previewPart() const { return fDrawCalendarLayout; }

private:
    bool paintPreview(QPainter& canvas, const QRectF& rect);

    Tirage2* fCalendarProduct = nullptr;
    TTemplateVelmoraData* fTemplateVelmoraData = nullptr;
    QPointer<TPagePreviewPart> fDrawCalendarLayout;
    std::unique_ptr<TTemplateProduct> fCalendarPreview;
};

class TCtrlProductSizeCalendar : public TCtrlProductSizeBase, public IMainObserver {
public:
    using TCtrlProductSizeBase::TCtrlProductSizeBase;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    QString topBarTitle() override;
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override;

protected:
    void choiceButtonsFill(TPagingButtonList& list) override;
    void choiceButtonClick(TCtrlPagingTileChoiceButton* sender) override;
};
