#include "UCataloguePrices.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "ULangText.h"

#include <limits>

int TCataloguePrices::CurrencyDecimals(const Monnaie2& currency)
{
    const qint32 d = currency.Decimals();
    if (d > 0)
        return d;
    return d < 0 ? 0 : 2;
}

Currency TCataloguePrices::priceRound(Currency price, const Monnaie2& currency)
{
    return Money::RoundTo(price, CurrencyDecimals(currency));
}

void TCataloguePrices::priceRound(TProductPrice& price, const Monnaie2& currency)
{
    price.price = PriceTypeIsPacks(price.priceType) ? Money::RoundTo(price.price, 0) : priceRound(price.price, currency);
}

QString TCataloguePrices::priceToStr(Currency price, bool seeSymbol, const Monnaie2& currency, QChar decimalPoint)
{
    const int decimals = CurrencyDecimals(currency);
    // Written from the rounded fixed-point value digit by digit, so that
    // the text never disagrees with the amount charged.
    const Currency rounded = Money::RoundTo(price, decimals);
    const bool negative = rounded < 0;
    const quint64 mag = negative ? quint64(0) - quint64(rounded) : quint64(rounded);
    QString text = QString::number(mag / quint64(Money::Scale));
    if (decimals > 0) {
        QString frac = QStringLiteral("%1").arg(mag % quint64(Money::Scale), 4, 10, QLatin1Char('0'));
        // The grid has four decimals; a currency with more gets zeros.
        frac = decimals <= 4 ? frac.left(decimals) : frac + QString(decimals - 4, QLatin1Char('0'));
        text += decimalPoint + frac;
    }
    if (negative)
        text.prepend(QLatin1Char('-'));
    if (!seeSymbol)
        return text;
    const QString symbol = currency.Symbole() == QStringLiteral("?") ? currency.Code() : currency.Symbole();
    return currency.SymboleAgauche() ? symbol + QLatin1Char(' ') + text : text + QLatin1Char(' ') + symbol;
}

QString TCataloguePrices::pricePackToStr(int price, bool seeSymbol)
{
    static TLangText& txtPacks = TLangText::Create(QStringLiteral("%d packs"));
    return seeSymbol ? txtPacks.Text({ price }) : QString::number(price);
}

QString TCataloguePrices::priceToStr(const TProductPrice& price, bool seeSymbol, const Monnaie2& currency,
                                     QChar decimalPoint)
{
    if (!PriceTypeIsPacks(price.priceType))
        return priceToStr(price.price, seeSymbol, currency, decimalPoint);
    const qint64 packs = Money::RoundTo(price.price, 0) / Money::Scale;
    if (packs < std::numeric_limits<int>::min() || packs > std::numeric_limits<int>::max())
        throw EConvertError(QStringLiteral("TMainNavi.priceToStr: pack count out of range"));
    return pricePackToStr(int(packs), seeSymbol);
}

double TCataloguePrices::UnitPrice(const TPrintTarifList& prices, const Tirage2& tir)
{
    for (const Tarif2* tier : *prices.Items(tir.Id()))
        if (tier->QuantiteMinimale() <= 1 && tier->QuantiteMaximale() > 0)
            return tier->CoutEnPrix();
    return 0;
}

QString TCataloguePrices::PasswordForDirectPrintOrBurn(const Photographe2* phot)
{
    static TLangText& txtNoCode = TLangText::Create(
        QStringLiteral("Direct printing and disc burning are not available: the shop has not set their code."));
    if (!phot)
        throw Exception(QStringLiteral("TMainNavi.PasswordForDirectPrintOrBurn: unexpected context"));
    const QString code = phot->PasswordForImprimanteBorne();
    if (!phot->PasswordForImprimanteBorne_Specified() || code.isEmpty()) {
        LogDebug(QStringLiteral("Password for direct print or burn: no password sent -> refused"));
        throw EUser(txtNoCode);
    }
    if (code == QStringLiteral("*")) {
        LogDebug(QStringLiteral("Password for direct print or burn: password set to none"));
        return QString();
    }
    LogDebugFmt(QStringLiteral("Password for direct print or burn: password set to '%s'"), { code });
    return code;
}

bool TCataloguePrices::FrontPrintActivated(const Photographe2* phot)
{
    return phot && !phot->FrontPrintDateFormat().isEmpty() && !phot->FrontPrintWithDateMD5().isEmpty()
        && !phot->FrontPrintWithDateTimeMD5().isEmpty() && !phot->FrontPrintWithoutDateMD5().isEmpty();
}
