#pragma once
// A window with the workflow of screens and the little of the catalogue
// that the home step and the terms popups read: the product-family states,
// the kiosk-use conditions, the terms of sale, the shop's contact details,
// and a current order. The test sets them as fields.
#include "UMainFrameTools.h"
#include "UThreadTaskQueue.h"
#include "UWorkflowSteps.h"

#include "LumLabService.h"
#include "UAppExceptions.h"
#include "UAppStyle.h"
#include "UMainFrameTypes.h"
#include "UPrintOrder.h"

#include <QApplication>
#include <QDir>
#include <QMap>

#include <memory>

class TestScreensWindow : public TMainFrameTools {
public:
    explicit TestScreensWindow(TZebdesign design = zebd_kiosk)
        : TMainFrameTools(nullptr)
    {
        fZebdesign = design;
        resize(1280, 800);
        order = std::make_unique<TPrintOrder>(this);
        address.setIdentite(QStringLiteral("Clara Meunier"));
        address.setRue(QStringLiteral("12 rue des Lilas"));
        address.setVille(QStringLiteral("Lyon"));
        address.setCodePostal(QStringLiteral("69003"));
        address.setTelephone(QStringLiteral("04 78 00 00 00"));
        photographer.setEmail(QStringLiteral("contact@studio-lumiere.example"));
    }

    void SetDesign(TZebdesign design) { fZebdesign = design; }
    void ShowEx(const std::exception& ex, TProc closeProc) override { Errors << QString::fromUtf8(ex.what()); }
    // Runs the GUI Queue until it has nothing left (bounded).
    void RunQueue()
    {
        for (int i = 0; i < 200 && GuiTaskQueue()->hasTasks(); ++i)
            TimerQueueTimer();
    }
    // The tab names of the step history.
    QStringList History() const
    {
        QStringList names;
        for (TWorkflowStep s : UserSteps())
            names << s->TabId;
        return names;
    }

    bool IsKiosk() override { return Kiosk; }
    ConditionsKioskUse2* GetWebSvcCondKioskUse() override { return HasConditions ? &conditions : nullptr; }
    QString GetWebSvcPhotographerCgv() override { return Cgv; }
    bool isCguMandatory() override { return CguMandatory; }
    QString GetWebSvcPhotographerPriceFilepath() override { return PriceFile; }
    TPrintOrder* GetOrder() override { return order.get(); }
    TOrderImageBase* GetResImg(const QString& name, const QString& ext) override
    {
        ResImgAsked << name + QLatin1Char('.') + ext;
        throw Exception(QStringLiteral("no picture in the tests"));
    }
    Adresse2* GetWebSvcAddressPhotographer() override { return &address; }
    Photographe2* GetWebSvcPhotographer() override { return &photographer; }
    QString WebSvcPhotographerName() override { return QStringLiteral("Studio Lumière"); }
    Zebconsumer2* GetWebSvcConsumerBoot() override { return &boot; }
    Consommateur2* GetWebSvcConsumerFull() override { return &consumer; }
    void setProductVisibility(TProductVisibilityType prod, TProductVisibilityMode mode) override
    {
        Visibility[int(prod)] = int(mode);
        EventObservedRaise(moe_productVisibility, nullptr);
    }
    TProductVisibilityMode getProductVisibility(TProductVisibilityType prod) override
    {
        return TProductVisibilityMode(Visibility.value(int(prod), int(pvm_hidden)));
    }
    void orderCancelAndUserPrefReset() override
    {
        ++OrderResets;
        order = std::make_unique<TPrintOrder>(this);
    }

    // Every family visible, the shop-wide part too.
    void AllVisible()
    {
        for (int f = pvt_common; f <= pvt_all; ++f)
            Visibility[f] = pvm_visible;
    }

    QStringList Errors;
    bool Kiosk = true;
    bool HasConditions = true;
    ConditionsKioskUse2 conditions;
    QString Cgv;
    bool CguMandatory = false;
    QString PriceFile;
    std::unique_ptr<TPrintOrder> order;
    Adresse2 address;
    Photographe2 photographer;
    Zebconsumer2 boot;
    Consommateur2 consumer;
    QMap<int, int> Visibility;
    QStringList ResImgAsked;
    int OrderResets = 0;
};

// Screenshots of the screens go to /tmp/shots, in the kiosk's look.
inline QString ScreenShotPath(const QString& name)
{
    QDir().mkpath(QStringLiteral("/tmp/shots"));
    return QStringLiteral("/tmp/shots/%1.png").arg(name);
}
