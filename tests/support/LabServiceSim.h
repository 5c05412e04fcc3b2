#pragma once
// A test suite sharing one lab simulator on 127.0.0.1, reset before each test,
// with the lab service page's control commands and the demo account's
// requester. Header-only: only test programs that link the lab service
// library include it.
#include "LabSim.h"
#include "LumLabService.h"
#include "UNetHttp.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

class LabServiceSimSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        sim = new LabSim();
        ASSERT_TRUE(sim->start()) << sim->error().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete sim;
        sim = nullptr;
    }

    // Every test starts from the simulator's initial data, without faults or
    // journal entries left by the test before.
    void SetUp() override
    {
        ASSERT_TRUE(sim->isRunning());
        ASSERT_TRUE(control({{"cmd", "reset"}}).value(QStringLiteral("ok")).toBool());
        sim->clearFaults();
        sim->clearJournal();
    }

    static QString serviceUrl() { return sim->baseUrl() + QStringLiteral("/LumLabService.svc"); }

    // A command of the simulator's lab service ("reset", "data", "answer", ...).
    static QJsonObject control(const QJsonObject& cmd)
    {
        TNetHttp http;
        http.SetRequestContentType(QStringLiteral("application/json"));
        QBuffer body;
        body.setData(QJsonDocument(cmd).toJson(QJsonDocument::Compact));
        body.open(QIODevice::ReadOnly);
        http.HttpPost(sim->baseUrl() + QStringLiteral("/__labservice"), &body, nullptr);
        return QJsonDocument::fromJson(http.ResponseAsString().toUtf8()).object();
    }

    // The orders that the simulator keeps, by lab Id.
    static QJsonObject storedOrders()
    {
        return control({{"cmd", "data"}})
            .value(QStringLiteral("data"))
            .toObject()
            .value(QStringLiteral("shop"))
            .toObject()
            .value(QStringLiteral("orders"))
            .toObject();
    }

    // The requester of the simulator's demo account.
    static std::unique_ptr<Demandeur2> demoAsker()
    {
        auto asker = std::make_unique<Demandeur>();
        asker->setVersion(QStringLiteral("d010203w64"));
        asker->setLogin(QStringLiteral("kiosk-demo"));
        asker->setTypeDemandeur(Demandeur_Profil::Consommateur);
        asker->setPassword(QStringLiteral("Q7#secret!K4"));
        return asker;
    }

    static inline LabSim* sim = nullptr;
};

} // namespace testsupport
