#pragma once
// The receipt writer into which the price calculations write their lines;
// the printed receipt implements it.
#include <QString>

class Tirage2;
class TProduct;
struct TProductPrice;

class TReceiptOutput {
public:
    virtual ~TReceiptOutput() = default;
    // One line for prints of a lab print format: unitPrice is the price of
    // one print (money or packs as its type says), qtyLine the number of prints.
    virtual void AddItem(Tirage2* format, const QString& description, const TProductPrice& unitPrice, int qtyLine) = 0;
    // One line for a template or photo-book product.
    virtual void AddItem(TProduct* product, const QString& description, const TProductPrice& unitPrice, int qtyLine) = 0;
};
