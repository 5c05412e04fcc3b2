#pragma once
// What the print size step offers: one choice per distinct print size among
// the formats left open by the earlier choices. Formats of one size (either
// orientation), prefix and hidden-size flag share a choice, which keeps the
// data of the first of them and the lowest price of all. Plain data, built
// and tested without widgets; the step turns each choice into a button.
#include <QString>

#include <functional>
#include <vector>

class Tirage2;
class Tarif2;

// What a size button carries, for every size step.
struct TSizeChoice {
    qint64 id = 0;
    QString key;
    int x = 0; // picture width
    int y = 0; // picture height
    qint32 filterWidth = 0;
    qint32 filterHeight = 0;
    qint32 displayOrder = 0;
    QString prefix;
    bool hideSizeTxt = false;
    Tirage2* format = nullptr;       // the first format of the choice
    const Tarif2* minPrice = nullptr; // the lowest price of its formats

    // The order of size buttons: display order, then picture height, width
    // and id, all ascending.
    static bool lessThan(const TSizeChoice& a, const TSizeChoice& b);
};

class TPrintSizeChoices {
public:
    TPrintSizeChoices() = delete;

    // The grouping key of a format: the MD5 of its smaller side, larger
    // side, prefix and hidden-size flag, so that 10 x 15 and 15 x 10 share
    // a key while 20 x 30 and 25 x 25 do not.
    static QString sizeKey(const Tirage2& format);

    // Picture size of a format: ten times its sides, the smaller as x
    // (portrait), the larger as x in the mobile design (landscape).
    static void pictureSize(const Tirage2& format, bool mobile, int& x, int& y);

    // One choice per key in order of first appearance, each with the
    // lowest of minPriceOf over its formats (ties keep the earlier one;
    // tariffs of different types raise), then sorted with lessThan.
    using TMinPriceOf = std::function<const Tarif2*(Tirage2*)>;
    static std::vector<TSizeChoice> build(const std::vector<Tirage2*>& formats, const TMinPriceOf& minPriceOf,
                                          bool mobile);

    // The second line of a prefix of two lines (after the first carriage
    // return, or else line feed), line feeds removed and trimmed; empty
    // for a prefix of one line.
    static QString prefixSecondLine(const QString& prefix);
};
