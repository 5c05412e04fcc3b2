#pragma once
// Text readers and writers over byte streams, as the XML reader and writer
// use them: an encoding chosen by name, byte-order marks, and strict
// decoding that reports where invalid bytes are.
#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <memory>
#include <vector>

class QIODevice;

// An encoding known by name ("UTF-8", "UTF-16", "UTF-16BE", "windows-1252",
// ...). Raises EEncodingError for a name that is not known.
class TkwvTextEncoding {
public:
    enum Kind { te_utf8, te_utf16le, te_utf16be, te_other };

    explicit TkwvTextEncoding(const QString& name);
    explicit TkwvTextEncoding(Kind kind) : fKind(kind) { }

    Kind kind() const { return fKind; }
    const QString& name() const { return fName; }
    // The byte-order mark written at the start of a stream (empty for
    // encodings that have none).
    QByteArray preamble() const;

private:
    Kind fKind = te_utf8;
    QString fName;
};

// Reads a byte stream as text in chunks. A UTF-8 or UTF-16 byte-order mark
// at the start of the stream decides the encoding instead of the given one.
// Line ends (CR LF, lone CR) come out as LF.
class TkwvStreamReader {
public:
    TkwvStreamReader(QIODevice* stream, const QString& encodingName, bool detectBOM = true, qsizetype bufferSize = 65536);
    ~TkwvStreamReader();

    // Replaces chunk with the next piece of text; false at the end of the
    // stream. When the stream holds bytes that are not valid in its encoding
    // (or ends inside a character), the chunk holds the text before them and
    // HasError() becomes true; reading stops there.
    bool ReadChunk(QString& chunk);
    bool HasError() const { return !fError.isEmpty(); }
    const QString& ErrorMessage() const { return fError; }
    // The encoding in use (after the byte-order mark was looked at).
    const TkwvTextEncoding& CurrentEncoding() const { return fEncoding; }

private:
    bool fillBuffer();
    void detectBOM();
    qsizetype decode(QString& out, bool atEnd);
    void normalizeLineEnds(QString& chunk);

    QIODevice* fStream;
    TkwvTextEncoding fEncoding;
    bool fDetectBOM;
    bool fBOMChecked = false;
    bool fEof = false;
    bool fDone = false;
    bool fSkipLF = false;
    std::vector<char> fBuf;
    qsizetype fBufLen = 0;
    qsizetype fBufPos = 0;
    std::unique_ptr<QStringDecoder> fDecoder;
    QString fError;
};

// Writes text into a byte stream in one encoding. The encoding's byte-order
// mark is written first when the stream is at its start. A character that the
// encoding cannot represent raises EEncodingError instead of being written as
// a substitute.
class TkwvStreamWriter {
public:
    TkwvStreamWriter(QIODevice* stream, const QString& encodingName, qsizetype bufferSize = 16384);
    ~TkwvStreamWriter();

    void Write(QStringView text);
    // Gives the pending text to the stream; raises when the stream refuses it.
    void Flush();

    // The text waiting to be written; writers may append to it directly and
    // call FlushIfFull afterwards.
    QString& Buffer() { return fPending; }
    void FlushIfFull()
    {
        if (fPending.size() >= fBufferSize)
            Flush();
    }

private:
    QIODevice* fStream;
    TkwvTextEncoding fEncoding;
    qsizetype fBufferSize;
    QString fPending;
    std::unique_ptr<QStringEncoder> fEncoder;
    std::unique_ptr<QStringDecoder> fCheckDecoder;
};
