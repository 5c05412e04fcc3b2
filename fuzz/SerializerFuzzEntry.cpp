#include "SerializerFuzzEntry.h"

#include "SerializerTestClasses.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& detail)
{
    std::fprintf(stderr, "Serializer fuzz invariant broken: %s: %s\n", what, detail.constData());
    std::abort();
}

QByteArray saveBytes(TRemotable& root)
{
    TXMLSerializer ser;
    RegisterTestClasses(ser);
    ser.SaveObject(&root);
    return ser.SaveToBytes();
}

// Objects with a value in every property, so that any change shows in what
// they write.
std::unique_ptr<TRemotable> filledKinds()
{
    auto k = std::make_unique<TKinds>();
    k->Str = QStringLiteral("kept");
    k->Int = 11;
    k->Big = 12;
    k->Ch = u'k';
    k->Dbl = 1.5;
    k->Flag = true;
    k->Color = TColor::Green;
    k->When = TXSDateTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC));
    k->Blob = QByteArrayLiteral("blob");
    k->Point = std::make_unique<TPoint>(1, 2);
    k->Points.push_back(std::make_unique<TPoint>(3, 4));
    k->Ints = { 5, 6 };
    k->Colors = { TColor::Blue };
    k->Strs = QStringList { QStringLiteral("s") };
    k->Var = QVariant(7);
    return k;
}

std::unique_ptr<TRemotable> filledPage()
{
    auto p = std::make_unique<TPage>();
    p->Title = QStringLiteral("kept");
    p->Front = std::make_unique<TFrame>();
    p->Front->Width = 8;
    return p;
}

std::unique_ptr<TRemotable> filledLanguages()
{
    auto l = std::make_unique<TLanguages>();
    auto c = std::make_unique<LangChoice>();
    c->DisplayName = QStringLiteral("kept");
    c->IsoCode = QStringLiteral("kp");
    l->Choices.push_back(std::move(c));
    return l;
}

std::unique_ptr<TRemotable> filledCommand()
{
    auto c = std::make_unique<CommandSerial>();
    c->Type_ = QStringLiteral("kept");
    c->Where = std::make_unique<TPoint>(9, 10);
    return c;
}

const std::function<std::unique_ptr<TRemotable>()> kMakers[] = { filledKinds, filledPage, filledLanguages,
                                                                 filledCommand };

// Loads bytes; false when the load failed (with an exception, as it must).
bool load(const QByteArray& bytes, TRemotable* given, std::unique_ptr<TRemotable>* created)
{
    try {
        TXMLSerializer ser;
        RegisterTestClasses(ser);
        ser.LoadFromBytes(bytes);
        if (given) {
            if (ser.LoadObject(given) != given)
                fail("the given object was not the one loaded", bytes.toHex());
        } else {
            *created = ser.LoadObject();
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

void SerializerFuzzOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const uint8_t mode = data[0];
    const QByteArray doc(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    std::unique_ptr<TRemotable> root;
    if (mode & 4) {
        root = kMakers[mode & 3]();
        const QByteArray before = saveBytes(*root);
        if (!load(doc, root.get(), nullptr)) {
            if (saveBytes(*root) != before)
                fail("a failed load changed the given object", doc.toHex());
            return;
        }
    } else if (!load(doc, nullptr, &root) || !root) {
        return;
    }

    // What loaded writes, and what it writes reads back the same.
    QByteArray written;
    try {
        written = saveBytes(*root);
    } catch (const std::exception&) {
        return; // a value the writer refuses (a character XML does not allow)
    }
    std::unique_ptr<TRemotable> back;
    if (!load(written, nullptr, &back) || !back)
        fail("what was written does not read back", written.toHex());
    if (saveBytes(*back) != written)
        fail("what was read back writes differently", written.toHex());
}
