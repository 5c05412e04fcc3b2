#pragma once
// A test suite sharing one lab simulator on 127.0.0.1, reset before each test,
// with the lab service page's control commands and the demo account's
// requester. Header-only: only test programs that link the lab service
// library include it.
#include "LabSim.h"
#include "LumLabService.h"
#include "UNetHttp.h"
#include "URttiCache.h"
#include "UXsdValues.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

// Checks that what the lab stored of a record (member -> value, as the
// request carried them) holds exactly the members that were set, with
// their values.
inline void expectStored(const TRemotable& sent, const QJsonValue& storedValue, const QString& path)
{
    SCOPED_TRACE(path.toStdString());
    ASSERT_TRUE(storedValue.isObject());
    const QJsonObject stored = storedValue.toObject();
    int members = 0;
    for (const TRttiItem& item : TRttiCache::Get(sent).PropInfoForRead()) {
        const TPropInfo& p = *item.propInfo;
        const QString name = p.XmlName();
        if (!p.IsStored(sent)) {
            EXPECT_FALSE(stored.contains(name)) << name.toStdString() << " was not sent";
            continue;
        }
        ++members;
        ASSERT_TRUE(stored.contains(name)) << name.toStdString() << " was sent";
        const QJsonValue v = stored.value(name);
        const QString where = path + QLatin1Char('/') + name;
        if (p.IsNil(sent)) {
            EXPECT_TRUE(v.isNull()) << where.toStdString();
            continue;
        }
        switch (p.Kind()) {
        case TPropKind::String: EXPECT_EQ(v.toString(), p.GetString(sent)) << where.toStdString(); break;
        case TPropKind::Integer: EXPECT_EQ(v.toInt(), p.GetInteger(sent)) << where.toStdString(); break;
        case TPropKind::Int64: EXPECT_EQ(v.toInteger(), p.GetInt64(sent)) << where.toStdString(); break;
        case TPropKind::Boolean: EXPECT_EQ(v.toBool(), p.GetBoolean(sent)) << where.toStdString(); break;
        case TPropKind::Double: EXPECT_EQ(v.toDouble(), p.GetDouble(sent)) << where.toStdString(); break;
        case TPropKind::Enum: EXPECT_EQ(v.toString(), p.GetEnumName(sent)) << where.toStdString(); break;
        case TPropKind::DateTime:
            EXPECT_EQ(v.toString(), p.GetDateTime(sent)->NativeToXS()) << where.toStdString();
            break;
        case TPropKind::Decimal:
            EXPECT_EQ(v.toString(), p.GetDecimal(sent)->NativeToXS()) << where.toStdString();
            break;
        case TPropKind::Object: expectStored(*p.GetObject(sent), v, where); break;
        case TPropKind::ObjectArray: {
            const std::vector<TRemotable*> items = p.GetObjects(sent);
            const QJsonArray array = v.toArray();
            ASSERT_EQ(array.size(), qsizetype(items.size())) << where.toStdString();
            for (size_t i = 0; i < items.size(); ++i)
                expectStored(*items[i], array.at(qsizetype(i)), QStringLiteral("%1[%2]").arg(where).arg(i));
            break;
        }
        default: ADD_FAILURE() << "no comparison for " << where.toStdString(); break;
        }
    }
    EXPECT_EQ(stored.size(), members) << "the lab stored members that were not sent";
}

// A command of the simulator's lab service page ("reset", "data", "set",
// "answer", ...).
inline QJsonObject labServiceControl(LabSim& lab, const QJsonObject& cmd)
{
    TNetHttp http;
    http.SetRequestContentType(QStringLiteral("application/json"));
    QBuffer body;
    body.setData(QJsonDocument(cmd).toJson(QJsonDocument::Compact));
    body.open(QIODevice::ReadOnly);
    http.HttpPost(lab.baseUrl() + QStringLiteral("/__labservice"), &body, nullptr);
    return QJsonDocument::fromJson(http.ResponseAsString().toUtf8()).object();
}

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
    static QJsonObject control(const QJsonObject& cmd) { return labServiceControl(*sim, cmd); }

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
