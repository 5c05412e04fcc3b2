#include "ObexFuzzEntry.h"

#include "UAppExceptions.h"
#include "UQzbluetoothObex.h"

#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Keeps nothing but the state the session must respect.
class CheckingSink : public IObexObjectSink {
public:
    explicit CheckingSink(qint64 cap) : fCap(cap) { }
    bool open = false;
    qint64 written = 0;
    qint64 expected = -1;

    bool objectAccepted(const QString& name) override
    {
        check(!open && !name.isEmpty());
        return !name.endsWith(QLatin1String(".txt"));
    }
    void objectStart(const QString& name, qint64 lgExpected) override
    {
        check(!open && !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
              && name != QLatin1String("..") && name != QLatin1String("."));
        open = true;
        written = 0;
        expected = lgExpected;
    }
    void objectWrite(const char* data, qsizetype count, qint64 total, qint64 lgExpected) override
    {
        check(open && count >= 0 && total == written + count && total <= fCap);
        check(lgExpected < 0 || total <= lgExpected);
        volatile char sum = 0;
        for (qsizetype i = 0; i < count; ++i) // every byte handed over must be readable
            sum = char(sum + data[i]);
        written = total;
    }
    QString objectFinish(const QString& name, qint64 total) override
    {
        check(open && total == written && (expected < 0 || expected == total));
        open = false;
        return name;
    }
    void objectCancel() noexcept override { open = false; }

private:
    qint64 fCap;
};

void checkResponses(const QByteArray& out)
{
    qsizetype pos = 0;
    while (pos < out.size()) {
        const auto code = uint8_t(out[pos]);
        if (code == obex::kSuccess && pos + 7 <= out.size() && out[pos + 2] == 7) {
            pos += 7;
            continue;
        }
        check(pos + 3 <= out.size() && out[pos + 1] == 0 && out[pos + 2] == 3);
        check(code == obex::kSuccess || code == obex::kContinue || code == obex::kServiceUnavailable
              || code == obex::kUnsupportedMediaType);
        pos += 3;
    }
}

} // namespace

void ObexFuzzOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const uint8_t mode = data[0];
    ++data;
    --size;
    TObexLimits limits;
    limits.maxObjectSize = 4096;
    limits.maxNameLength = 64;
    CheckingSink sink(limits.maxObjectSize);
    {
        const bool enabled = (mode & 1) == 0;
        TBluetoothObexBufferServer session(sink, [enabled] { return enabled; }, limits);
        // Reads of 1 .. 32 bytes, or all at once.
        const size_t chunk = (mode >> 1) == 0 ? size : size_t((mode >> 1) & 31) + 1;
        try {
            for (size_t pos = 0; pos < size; pos += chunk) {
                const size_t n = std::min(chunk, size - pos);
                const bool goOn = session.ProcessRecvData(reinterpret_cast<const char*>(data + pos), qsizetype(n));
                checkResponses(session.takeResponses());
                check(session.objectOpen() == sink.open);
                if (!goOn)
                    break;
            }
        } catch (const ESystem&) {
        }
    }
    check(!sink.open);
}
