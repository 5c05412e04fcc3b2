#pragma once
// The Code 128 encoder: a text to the module pattern of one symbol (start,
// data, check and stop symbols; quiet zones excluded). It works on texts
// throughout: the table is a list of rows of texts, the data is cut into
// text elements and the start and switch symbols are inserted among them as
// texts before the patterns are looked up.
#include "UBarCode.h"
#include "UOwnerList.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// One symbol of the table: its value, what it stands for in code sets A, B
// and C, and its 11-module pattern.
class TCode128Row {
public:
    TCode128Row(const QString& value, const QString& a, const QString& b, const QString& c, const QString& encoding)
        : fValue(value), fA(a), fB(b), fC(c), fEncoding(encoding) { }

    const QString& value() const { return fValue; }
    const QString& a() const { return fA; }
    const QString& b() const { return fB; }
    const QString& c() const { return fC; }
    const QString& encoding() const { return fEncoding; }
    // The text of column 1 (set A), 2 (set B) or 3 (set C).
    const QString& column(int col) const;

private:
    QString fValue;
    QString fA;
    QString fB;
    QString fC;
    QString fEncoding;
};

// The symbol table; lookups give the first row in table order whose column
// equals the text exactly, or null.
class TCode128Table {
public:
    TCode128Table() : fRowList(true) { }

    const TOwnerList<TCode128Row>& rowList() const { return fRowList; }
    void Add(TCode128Row* row) { fRowList.Add(row); }

    TCode128Row* findByA(const QString& text) const;
    TCode128Row* findByB(const QString& text) const;
    TCode128Row* findByC(const QString& text) const;
    TCode128Row* findByValue(const QString& text) const;
    TCode128Row* findByEncoding(const QString& text) const;

private:
    TOwnerList<TCode128Row> fRowList;
};

class TCode128 : public TBarCodeCommon {
public:
    explicit TCode128(const QString& text);

    // Runs encodeCode128; one encoding per object.
    QString EncodedValue() override { return encodeCode128(); }

    QString encodeCode128();
    // The data elements, with the start and switch symbols once inserted.
    const QStringList& FormattedData() const { return fFormattedData; }
    const TCode128Table& Table() const { return fc128Code; }
    // Fills the table with the 107 rows of the symbology.
    void initCode128();

private:
    void addToC128Code(TCode128Row* row) { fc128Code.Add(row); }
    void breakUpDataForEncoding();
    std::vector<TCode128Row*> findStartorCodeCharacter(const QString& element, int& col);
    void insertStartandCodeCharacters();
    TCode128Row* rowOfElement(const QString& element) const;
    QString calculateCheckDigit() const;
    QString getEncoding();

    QStringList fFormattedData;
    TCode128Table fc128Code;
    TCode128Row* fStartCharacter = nullptr;
};
