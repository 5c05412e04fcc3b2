#pragma once
// A window with the workflow of screens and a small print catalogue in
// memory, for the product-choice screens: its order, prices with readable
// texts, print formats, groups and surfaces, message boxes answered by the
// test, and the waiting indicator counted.
#include "OrderFakes.h"
#include "WorkflowTestSupport.h"

#include "UCatalogueLists.h"
#include "UPrintOrder.h"

#include <QApplication>

class ChoiceTestWindow : public TestWorkflowWindow {
public:
    explicit ChoiceTestWindow(TZebdesign design = zebd_kiosk)
        : TestWorkflowWindow(design)
    {
        fOrder = std::make_unique<TPrintOrder>(this);
        workflowInit();
    }
    ~ChoiceTestWindow() override
    {
        // The screen goes before the catalogue and the order it points into.
        activeStepClose();
        fOrder.reset();
    }

    TPrintOrder* GetOrder() override { return fOrder.get(); }
    void orderChanged() override { ++OrderChanges; }
    TConfigInfo* Config() override { return &fConfig; }
    QString priceToStr(Currency price, bool seeSymbol) override
    {
        return QString::number(double(price) / 10000.0, 'f', 2) + (seeSymbol ? QStringLiteral(" EUR") : QString());
    }
    QString pricePackToStr(int price, bool seeSymbol) override
    {
        return seeSymbol ? QStringLiteral("%1 packs").arg(price) : QString::number(price);
    }
    QString printFmtSizeLabel(Tirage2* pr, ZebtemplateVelmora2*, TProductLabelMode) override
    {
        return QStringLiteral("%1 x %2").arg(pr->Largeur()).arg(pr->Longueur());
    }
    TTirageList* GetWebSvcPrintProducts() override { return &Prints; }
    TPrintTarifList* GetWebSvcPrintPrices() override { return &Prices; }
    TProductGroupList* GetWebSvcPrintGroups() override { return &Groups; }
    TProductGroupList* GetWebSvcPrintSurfaces() override { return &Surfaces; }
    bool GetWebSvcFrontPrintActivated() override { return FrontPrint; }
    quint8 QzConnectionMode() override { return 20; }
    void ConfirmYesNo(const QString& text, TProc yesProc, TProc noProc) override
    {
        Questions << text;
        fYes = std::move(yesProc);
        fNo = std::move(noProc);
    }
    void Answer(bool yes)
    {
        TProc p = yes ? std::move(fYes) : std::move(fNo);
        fYes = nullptr;
        fNo = nullptr;
        if (p)
            p();
    }
    IMainControllerRef ActiveStep() { return activeStepController(); }
    void GuiWaitLock() override { ++WaitLocks; }
    void GuiWaitUnlock() override { --WaitLocks; }
    IOrderBitmapRef BitmapCache(TImageSource*, int, int, TOrderBitmapMode) override { return nullptr; }
    void BitmapCacheCtrlStartUse(QObject*) override { }
    void BitmapCacheCtrlEndUse(QObject*, bool) override { }
    void BitmapCacheCtrlDestroyed(QObject*) override { }

    Tirage2* AddPrint(qint32 id, qint32 w, qint32 l, qint32 group, qint32 paper, double price, bool border = false)
    {
        auto* t = orderfakes::makeTirage(id, w, l).release();
        t->setNumeroGroupeFormat(group);
        t->setNumeroGroupePapier(paper);
        t->setAvecMarges(border);
        t->setPositionAffichage(int(Prints.Count()) + 1);
        t->setTypeDeTarif(Tarif_TypeTarif::EurosMagasin);
        Prints.Add(t);
        Prices.AddRow(orderfakes::makeTier(id, 1, 9999, price, 0, Tarif_TypeTarif::EurosMagasin, id * 10).release(),
                      true);
        return t;
    }
    void AddGroup(TProductGroupList& list, qint32 id)
    {
        auto* g = new GroupeProduitPhotographe2();
        g->setNumeroRessource(id);
        g->setPositionAffichage(list.Count() + 1);
        list.Add(g);
    }

    TTirageList Prints { true };
    TPrintTarifList Prices;
    TProductGroupList Groups { true };
    TProductGroupList Surfaces { true };
    bool FrontPrint = false;
    int OrderChanges = 0;
    int WaitLocks = 0;
    QStringList Questions;

private:
    orderfakes::TestConfig fConfig;
    std::unique_ptr<TPrintOrder> fOrder;
    TProc fYes;
    TProc fNo;
};

// Registers the controller class T for its step while it lives.
template <class T>
class StepRegistration {
public:
    explicit StepRegistration(TWorkflowStepClass& step)
        : fStep(step)
        , fSaved(step.Create)
    {
        WorkflowStepRegister<T>(step);
    }
    ~StepRegistration() { fStep.Create = fSaved; }

private:
    TWorkflowStepClass& fStep;
    TStepControllerFactory fSaved;
};
