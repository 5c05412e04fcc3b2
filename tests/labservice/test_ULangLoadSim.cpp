// Loading a language against the lab simulator on 127.0.0.1.
#include "LabSim.h"
#include "LumLabService.h"
#include "UAppExceptions.h"
#include "ULangLoad.h"
#include "ULangTexts.h"
#include "ULanguages.h"
#include "UNetHttp.h"
#include "UNetTransfer.h"

#include <QBuffer>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The lab part of the host as the main window's web-service proxy gives it.
class SoapHost : public ILangLoadHost {
public:
    SoapHost(const QString& url, const QString& folder) : fService(GetILumLabService(url)), fFolder(folder)
    {
        fAsker.setVersion(QStringLiteral("d010203w64"));
        fAsker.setLogin(QStringLiteral("kiosk-demo"));
        fAsker.setTypeDemandeur(Demandeur_Profil::Consommateur);
        fAsker.setPassword(QStringLiteral("Q7#secret!K4"));
    }
    QString CacheFolder() override { return fFolder; }
    bool IsOnline() override { return true; }
    std::vector<TLangChoice> GetLangChoices() override
    {
        std::vector<TLangChoice> out;
        for (const auto& c : fService->GetLangChoices(&fAsker, TLangTools::KindApp))
            out.push_back({ c->DisplayName(), c->IsoCode() });
        return out;
    }
    std::unique_ptr<TLangDico> GetLangDico(int appId, const QString& iso, const std::optional<QDateTime>& since) override
    {
        std::optional<TXSDateTime> stamp;
        if (since)
            stamp = TXSDateTime(*since);
        auto d = fService->GetLangDico(&fAsker, appId, iso, stamp);
        if (!d)
            return nullptr;
        auto out = std::make_unique<TLangDico>();
        out->IsoCode = d->IsoCode();
        if (d->LastUpdate())
            out->LastUpdate = d->LastUpdate()->AsDateTime();
        for (const auto& t : d->Translations())
            out->Translations.push_back({ t->InitialString(), t->TranslatedString() });
        return out;
    }
    bool IsNetError(const std::exception& e) override { return TNetTransfer::isNetError(e); }
    void LanguageSet(const QString&, bool) override { }
    void ApplySwitch() override
    {
        ++switches;
        TLangSwitch::Apply({});
    }
    int switches = 0;

private:
    ILumLabServicePtr fService;
    Demandeur fAsker;
    QString fFolder;
};

class LangLoadSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start()) << sim.error().toStdString();
        folder = dir.path() + QLatin1Char('/');
        TLanguages::setLanguagesListToUpdate(true);
    }
    void TearDown() override
    {
        TLangSwitch::ClearPending();
        TLangSwitch::Restore({});
        TLanguages::SetLanguagesListPath(QString());
    }
    bool answerNext(const char* kind, const char* operation)
    {
        TNetHttp http;
        http.SetRequestContentType(QStringLiteral("application/json"));
        QBuffer body;
        body.setData(QJsonDocument(QJsonObject { { "cmd", "answer" }, { "answer", kind }, { "operation", operation } })
                         .toJson(QJsonDocument::Compact));
        body.open(QIODevice::ReadOnly);
        http.HttpPost(sim.baseUrl() + QStringLiteral("/__labservice"), &body, nullptr);
        return http.ResponseAsString().contains(QStringLiteral("true"));
    }
    QString url() const { return sim.baseUrl() + QStringLiteral("/LumLabService.svc"); }

    testsupport::LabSim sim;
    QTemporaryDir dir;
    QString folder;
    TLanguages lg;
};

} // namespace

TEST_F(LangLoadSim, NewerLabDictionaryIsFetchedOnceThenUpToDate)
{
    SoapHost host(url(), folder);
    EXPECT_TRUE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("fr"), true, true));
    EXPECT_EQ(host.switches, 1);
    EXPECT_EQ(TLangTools::XmlLoadLang(folder + QStringLiteral("langapp_fr.xml"))->Translations.size(), 3u);
    EXPECT_EQ(TLangTools::XmlLoadLang(folder + QStringLiteral("langcom_fr.xml"))->Translations[0].TranslatedString,
              QStringLiteral("Petit"));
    TLanguages saved;
    saved.loadFromXmlFile(folder + QStringLiteral("lang_choices.xml"), false);
    EXPECT_EQ(saved.Choices().size(), 2u) << "the lab's list is stored";

    // The lab has nothing newer: nothing is applied again.
    EXPECT_TRUE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("fr"), true, true));
    EXPECT_EQ(host.switches, 1);
}

TEST_F(LangLoadSim, FaultyAnswerIsWrapped)
{
    SoapHost host(url(), folder);
    ASSERT_TRUE(answerNext("malformed", "GetLangDico"));
    try {
        TLangLoad::LanguageLoad(host, lg, QStringLiteral("fr"), true, false);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Loading language FR failure!"));
        EXPECT_TRUE(e.InnerException());
    }
}

TEST_F(LangLoadSim, UnreachableLabUsesTheBuiltInDictionaryQuietly)
{
    const QString deadUrl = url();
    sim.stop();
    SoapHost host(deadUrl, folder);
    EXPECT_TRUE(TLangLoad::LanguageLoad(host, lg, QStringLiteral("de"), true, false));
    EXPECT_EQ(LangTexts::Shell::Yes.Text(), QStringLiteral("Ja"));
}
