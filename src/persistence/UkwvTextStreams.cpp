#include "UkwvTextStreams.h"

#include "UkwvDOMtools.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// TkwvTextEncoding

TkwvTextEncoding::TkwvTextEncoding(const QString& name)
    : fName(name)
{
    const QString n = name.trimmed().toLower();
    if (n == u"utf-8" || n == u"utf8") {
        fKind = te_utf8;
    } else if (n == u"utf-16" || n == u"utf-16le" || n == u"utf16" || n == u"unicode") {
        fKind = te_utf16le;
    } else if (n == u"utf-16be" || n == u"unicodefffe") {
        fKind = te_utf16be;
    } else {
        fKind = te_other;
        if (n.isEmpty() || !QStringDecoder(name.toLatin1().constData()).isValid())
            throw EEncodingError(QStringLiteral("Unknown text encoding \"%1\"").arg(name));
    }
}

QByteArray TkwvTextEncoding::preamble() const
{
    switch (fKind) {
    case te_utf8:
        return QByteArray("\xEF\xBB\xBF", 3);
    case te_utf16le:
        return QByteArray("\xFF\xFE", 2);
    case te_utf16be:
        return QByteArray("\xFE\xFF", 2);
    case te_other:
        break;
    }
    return QByteArray();
}

// ---------------------------------------------------------------------------
// TkwvStreamReader

TkwvStreamReader::TkwvStreamReader(QIODevice* stream, const QString& encodingName, bool detectBOM, qsizetype bufferSize)
    : fStream(stream)
    , fEncoding(encodingName)
    , fDetectBOM(detectBOM)
{
    if (!fStream)
        throw EEncodingError(QStringLiteral("TkwvStreamReader: no stream"));
    // A small stream needs no big buffer.
    qint64 wanted = bufferSize;
    if (!fStream->isSequential()) {
        const qint64 left = fStream->size() - fStream->pos();
        if (left >= 0 && left + 16 < wanted)
            wanted = left + 16;
    }
    fBuf.resize(size_t(std::max<qint64>(wanted, 16)));
}

TkwvStreamReader::~TkwvStreamReader() = default;

bool TkwvStreamReader::fillBuffer()
{
    if (fBufPos > 0) {
        std::memmove(fBuf.data(), fBuf.data() + fBufPos, size_t(fBufLen - fBufPos));
        fBufLen -= fBufPos;
        fBufPos = 0;
    }
    const qint64 room = qint64(fBuf.size()) - fBufLen;
    if (room <= 0)
        return true;
    const qint64 got = fStream->read(fBuf.data() + fBufLen, room);
    if (got < 0) {
        fError = QStringLiteral("TkwvStreamReader: read error: %1").arg(fStream->errorString());
        fEof = true;
        return false;
    }
    if (got == 0) {
        fEof = true;
        return false;
    }
    fBufLen += qsizetype(got);
    return true;
}

void TkwvStreamReader::detectBOM()
{
    fBOMChecked = true;
    if (!fDetectBOM)
        return;
    const auto* b = reinterpret_cast<const uchar*>(fBuf.data() + fBufPos);
    const qsizetype n = fBufLen - fBufPos;
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        fEncoding = TkwvTextEncoding(TkwvTextEncoding::te_utf8);
        fBufPos += 3;
    } else if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        fEncoding = TkwvTextEncoding(TkwvTextEncoding::te_utf16le);
        fBufPos += 2;
    } else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        fEncoding = TkwvTextEncoding(TkwvTextEncoding::te_utf16be);
        fBufPos += 2;
    }
}

qsizetype TkwvStreamReader::decode(QString& out, bool atEnd)
{
    const auto* s = reinterpret_cast<const uchar*>(fBuf.data() + fBufPos);
    const qsizetype n = fBufLen - fBufPos;
    qsizetype i = 0;
    switch (fEncoding.kind()) {
    case TkwvTextEncoding::te_utf8: {
        out.resize(n);
        auto* d = reinterpret_cast<char16_t*>(out.data());
        qsizetype o = 0;
        while (i < n) {
            while (i + 8 <= n) {
                quint64 w;
                std::memcpy(&w, s + i, 8);
                if (w & 0x8080808080808080ull)
                    break;
                for (int k = 0; k < 8; ++k)
                    d[o + k] = s[i + k];
                i += 8;
                o += 8;
            }
            if (i >= n)
                break;
            const uchar b = s[i];
            if (b < 0x80) {
                d[o++] = b;
                ++i;
                continue;
            }
            int need;
            quint32 cp;
            uchar lo = 0x80;
            uchar hi = 0xBF;
            if (b >= 0xC2 && b <= 0xDF) {
                need = 1;
                cp = b & 0x1F;
            } else if (b >= 0xE0 && b <= 0xEF) {
                need = 2;
                cp = b & 0x0F;
                if (b == 0xE0)
                    lo = 0xA0;
                else if (b == 0xED)
                    hi = 0x9F; // no encoded surrogates
            } else if (b >= 0xF0 && b <= 0xF4) {
                need = 3;
                cp = b & 0x07;
                if (b == 0xF0)
                    lo = 0x90;
                else if (b == 0xF4)
                    hi = 0x8F;
            } else {
                fError = QStringLiteral("TkwvStreamReader: invalid UTF-8 data");
                break;
            }
            const qsizetype avail = n - i - 1;
            bool bad = false;
            for (int k = 0; k < need && k < avail; ++k) {
                const uchar c = s[i + 1 + k];
                if (c < (k == 0 ? lo : 0x80) || c > (k == 0 ? hi : 0xBF)) {
                    bad = true;
                    break;
                }
                cp = (cp << 6) | (c & 0x3F);
            }
            if (bad) {
                fError = QStringLiteral("TkwvStreamReader: invalid UTF-8 data");
                break;
            }
            if (avail < need) {
                if (atEnd)
                    fError = QStringLiteral("TkwvStreamReader: UTF-8 data cut inside a character");
                break;
            }
            i += need + 1;
            if (cp >= 0x10000) {
                d[o++] = TkwvDOMtools::ExtractUtf16HighSurrogate(cp);
                d[o++] = TkwvDOMtools::ExtractUtf16LowSurrogate(cp);
            } else {
                d[o++] = char16_t(cp);
            }
        }
        out.resize(o);
        break;
    }
    case TkwvTextEncoding::te_utf16le:
    case TkwvTextEncoding::te_utf16be: {
        const bool le = fEncoding.kind() == TkwvTextEncoding::te_utf16le;
        out.resize(n / 2);
        auto* d = reinterpret_cast<char16_t*>(out.data());
        qsizetype o = 0;
        const auto unitAt = [s, le](qsizetype k) {
            return le ? char16_t(s[k] | (s[k + 1] << 8)) : char16_t((s[k] << 8) | s[k + 1]);
        };
        while (i + 2 <= n) {
            const char16_t u = unitAt(i);
            if (u >= 0xDC00 && u <= 0xDFFF) {
                fError = QStringLiteral("TkwvStreamReader: invalid UTF-16 data (lone low surrogate)");
                break;
            }
            if (u >= 0xD800 && u <= 0xDBFF) {
                if (i + 4 > n) {
                    if (atEnd)
                        fError = QStringLiteral("TkwvStreamReader: UTF-16 data cut inside a character");
                    break;
                }
                const char16_t v = unitAt(i + 2);
                if (v < 0xDC00 || v > 0xDFFF) {
                    fError = QStringLiteral("TkwvStreamReader: invalid UTF-16 data (lone high surrogate)");
                    break;
                }
                d[o++] = u;
                d[o++] = v;
                i += 4;
                continue;
            }
            d[o++] = u;
            i += 2;
        }
        if (fError.isEmpty() && atEnd && i < n && n - i < 2)
            fError = QStringLiteral("TkwvStreamReader: UTF-16 data cut inside a character");
        out.resize(o);
        break;
    }
    case TkwvTextEncoding::te_other: {
        if (!fDecoder)
            fDecoder = std::make_unique<QStringDecoder>(fEncoding.name().toLatin1().constData());
        out = fDecoder->decode(QByteArrayView(s, n));
        i = n;
        if (fDecoder->hasError())
            fError = QStringLiteral("TkwvStreamReader: invalid data for the encoding %1").arg(fEncoding.name());
        break;
    }
    }
    fBufPos += i;
    return i;
}

void TkwvStreamReader::normalizeLineEnds(QString& chunk)
{
    const qsizetype n = chunk.size();
    if (n == 0)
        return;
    char16_t* p = reinterpret_cast<char16_t*>(chunk.data());
    qsizetype r = 0;
    if (fSkipLF) {
        fSkipLF = false;
        if (p[0] == u'\n')
            r = 1;
    }
    const char16_t* cr = std::find(p + r, p + n, u'\r');
    if (cr == p + n && r == 0)
        return;
    qsizetype w = 0;
    for (; r < n; ++r) {
        const char16_t c = p[r];
        if (c != u'\r') {
            p[w++] = c;
            continue;
        }
        p[w++] = u'\n';
        if (r + 1 < n) {
            if (p[r + 1] == u'\n')
                ++r;
        } else {
            fSkipLF = true;
        }
    }
    chunk.resize(w);
}

bool TkwvStreamReader::ReadChunk(QString& chunk)
{
    chunk.resize(0);
    if (fDone)
        return false;
    if (!fEof)
        fillBuffer();
    if (!fBOMChecked) {
        while (!fEof && fBufLen - fBufPos < 3)
            fillBuffer();
        detectBOM();
    }
    if (fError.isEmpty())
        decode(chunk, fEof);
    normalizeLineEnds(chunk);
    if (!fError.isEmpty() || (fEof && fBufPos >= fBufLen))
        fDone = true;
    return true;
}

// ---------------------------------------------------------------------------
// TkwvStreamWriter

TkwvStreamWriter::TkwvStreamWriter(QIODevice* stream, const QString& encodingName, qsizetype bufferSize)
    : fStream(stream)
    , fEncoding(encodingName)
    , fBufferSize(std::max<qsizetype>(bufferSize, 16))
{
    if (!fStream)
        throw EEncodingError(QStringLiteral("TkwvStreamWriter: no stream"));
    switch (fEncoding.kind()) {
    case TkwvTextEncoding::te_utf8:
        fEncoder = std::make_unique<QStringEncoder>(QStringConverter::Utf8);
        break;
    case TkwvTextEncoding::te_utf16le:
        fEncoder = std::make_unique<QStringEncoder>(QStringConverter::Utf16LE);
        break;
    case TkwvTextEncoding::te_utf16be:
        fEncoder = std::make_unique<QStringEncoder>(QStringConverter::Utf16BE);
        break;
    case TkwvTextEncoding::te_other:
        fEncoder = std::make_unique<QStringEncoder>(fEncoding.name().toLatin1().constData());
        break;
    }
    fPending.reserve(fBufferSize + 256);
    if (fStream->pos() == 0) {
        const QByteArray bom = fEncoding.preamble();
        if (!bom.isEmpty() && fStream->write(bom) != bom.size())
            throw Exception(QStringLiteral("TkwvStreamWriter: write error: %1").arg(fStream->errorString()));
    }
}

TkwvStreamWriter::~TkwvStreamWriter()
{
    try {
        Flush();
    } catch (...) {
        // A failure here was already reported by the explicit Flush of the
        // caller, or the caller is unwinding from another error.
    }
}

void TkwvStreamWriter::Write(QStringView text)
{
    fPending.append(text);
    FlushIfFull();
}

void TkwvStreamWriter::Flush()
{
    if (fPending.isEmpty())
        return;
    const QByteArray bytes = fEncoder->encode(fPending);
    if (fEncoding.kind() == TkwvTextEncoding::te_other) {
        // Legacy encodings write a substitute for what they cannot
        // represent, which would silently change the text (or put a control
        // character into it): read the bytes back and refuse instead.
        if (!fCheckDecoder)
            fCheckDecoder = std::make_unique<QStringDecoder>(fEncoding.name().toLatin1().constData());
        const QString back = fCheckDecoder->decode(bytes);
        if (back != fPending) {
            qsizetype i = 0;
            while (i < back.size() && i < fPending.size() && back[i] == fPending[i])
                ++i;
            const char32_t cp = i < fPending.size() ? QStringView(fPending).mid(i).toUcs4().value(0) : 0;
            fPending.resize(0);
            throw EEncodingError(QStringLiteral("TkwvStreamWriter: the character U+%1 cannot be written in %2")
                                     .arg(QString::number(quint32(cp), 16).toUpper().rightJustified(4, u'0'),
                                          fEncoding.name()));
        }
    }
    fPending.resize(0);
    if (fStream->write(bytes) != bytes.size())
        throw Exception(QStringLiteral("TkwvStreamWriter: write error: %1").arg(fStream->errorString()));
}
