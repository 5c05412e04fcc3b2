#pragma once
// The print option steps that narrow the lab's print formats: the print
// group (a family of formats), the surface (the paper, before the size in
// the alternative print workflow) and the finish (the paper, after the
// size). Each turns the print workflow data's list of choices into product
// tiles; a list of one choice is applied at once and the step hidden, so
// the customer never sees a question with a single answer.
#include "UCtrlProductChoiceBase.h"
#include "UOwnerList.h"

class TGroupIdChoice;

class TProductChoicePrintButton : public TProductButton {
    Q_OBJECT
public:
    explicit TProductChoicePrintButton(QSvgRenderer* defaultImage, QWidget* parent = nullptr)
        : TProductButton(defaultImage, parent)
    {
    }
    TGroupIdChoice* choiceId() const { return fChoiceId; }
    void setChoiceId(TGroupIdChoice* choice) { fChoiceId = choice; }

protected:
    // The price already stands in the description ("From ..."): the tile
    // keeps it (priceTxt) without showing it a second time.
    void priceUpdate() override
    {
        TProductButton::priceUpdate();
        pricePart()->clear();
        pricePart()->hide();
        applyTextMargins();
    }

private:
    TGroupIdChoice* fChoiceId = nullptr; // owned by the workflow data
};

class TCtrlProductChoicePrintBase : public TCtrlProductChoiceBase {
public:
    using TCtrlProductChoiceBase::TCtrlProductChoiceBase;

    void OnOpen(IMainFrame* main) override;

protected:
    void createButtons() override;
    virtual TProductChoicePrintButton* choiceButtonCreate(TGroupIdChoice* choice);
    virtual void choiceSingleApply();
    // Stores the choice in the print workflow data and moves on.
    virtual void choiceApply(TGroupIdChoice* choice) = 0;
    virtual const TOwnerList<TGroupIdChoice>& choiceListGet() = 0;
    // The page title outside the mobile design.
    virtual QString pageTitle();
};

class TCtrlProductChoicePrintGroup : public TCtrlProductChoicePrintBase {
public:
    using TCtrlProductChoicePrintBase::TCtrlProductChoicePrintBase;
    QString topBarTitle() override;

protected:
    void choiceApply(TGroupIdChoice* choice) override;
    const TOwnerList<TGroupIdChoice>& choiceListGet() override;
    QString pageTitle() override;
};

class TCtrlProductChoicePrintSurface : public TCtrlProductChoicePrintBase {
public:
    using TCtrlProductChoicePrintBase::TCtrlProductChoicePrintBase;
    QString topBarTitle() override;

protected:
    void choiceApply(TGroupIdChoice* choice) override;
    const TOwnerList<TGroupIdChoice>& choiceListGet() override;
};

class TCtrlProductChoicePrintFinish : public TCtrlProductChoicePrintBase {
public:
    using TCtrlProductChoicePrintBase::TCtrlProductChoicePrintBase;
    QString topBarTitle() override;

protected:
    void choiceApply(TGroupIdChoice* choice) override;
    const TOwnerList<TGroupIdChoice>& choiceListGet() override;
};
