#pragma once
// Static tool classes of the foundation:
// - TFileTools: the application's folders, file streams that retry, guarded
//   recursive copy and delete;
// - TAppTools: names and versions, small string and byte utilities, the
//   XOR scrambling of files, machine and process information;
// - TImageTools: aspect-ratio sizing and bitmaps from resources;
// - FloatModPositive, TGarbageCollectScope, InstallStartUpFiles.
//
// Resources are the program's built-in files, looked up by name under the
// Qt resource prefix ":/rcdata/".
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <QTextStream>

#include <exception>
#include <memory>

class QObject;

// A text writer on a file (see TFileTools::StreamWriterCreate). A writer that
// creates its file writes a temporary file beside it and renames it into
// place on Close(); destroying such a writer without Close() leaves the
// previous file untouched. An appending writer appends in place.
class TStreamWriter {
public:
    ~TStreamWriter();
    TStreamWriter(const TStreamWriter&) = delete;
    TStreamWriter& operator=(const TStreamWriter&) = delete;

    void Write(const QString& text);
    // Writes the text followed by CR LF.
    void WriteLine(const QString& text = QString());
    // Writes what is buffered and completes the file; raises EStreamError
    // when the file could not be written. Further calls do nothing.
    void Close();

private:
    friend class TFileTools;
    TStreamWriter(std::unique_ptr<QFileDevice> file, bool atomic, QStringConverter::Encoding encoding, int bufferSize);
    void flushBuffer();

    std::unique_ptr<QFileDevice> fFile;
    bool fAtomic;
    QStringEncoder fEncoder;
    QByteArray fBuffer;
    int fBufferSize;
    bool fClosed = false;
};

// A text reader over a file opened for reading; it owns the file.
class TStreamReader {
public:
    ~TStreamReader();
    TStreamReader(const TStreamReader&) = delete;
    TStreamReader& operator=(const TStreamReader&) = delete;

    bool EndOfStream() const;
    QString ReadLine();
    QString ReadToEnd();

private:
    friend class TFileTools;
    TStreamReader(std::unique_ptr<QFile> file, QStringConverter::Encoding encoding, bool detectBOM);

    std::unique_ptr<QFile> fFile;
    std::unique_ptr<QTextStream> fStream;
};

class TFileTools {
public:
    TFileTools() = delete;

    // Application folders "<base>/XJQ/Brindlewick", created with all
    // parents on every call. Bases (XDG): the per-user data folder for the
    // local application data, the per-user configuration folder for the
    // roaming application data, and the temporary folder.
    static QString AppCachePathLow();
    static QString AppTempPathLow();
    static QString AppUserDataPathLow();
    static QString AppPublicPath();
    // Folder (no trailing separator) and file name of the running program.
    static QString AppExePath();
    static QString AppExeName();
    // The folder of the operating system's own programs ("/usr"); media
    // browsing never offers it.
    static QString GetSystemPath();
    // The user's Downloads and Desktop folders; empty when unknown.
    static QString GetDownloadsPath();
    static QString GetDesktopPath();

    // Creates the folder with all missing parents and returns it.
    static QString MakeDirRec(const QString& fpath);
    // Full paths of the files directly in `Path` whose names match one of
    // the masks ("*", "?", case-insensitive); empty on any failure.
    static QStringList GetFiles(const QString& Path, const QStringList& MaskArray);
    static qint64 FileSize(const QString& Filename);
    static void DeleteFileRequired(const QString& fpath);
    // Empties a folder (keeps the folder); refuses unguarded paths.
    static void DeleteDirFilesRec(const QString& fpath);
    static void DeleteDirRec(const QString& fpath);
    // Copies the content of fpathSrc into the existing folder fpathDst.
    static void CopyDirFilesRec(const QString& fpathSrc, const QString& fpathDst, bool bOverwrite);
    // Copies fpathSrc as a subfolder of the same name into fpathDstParent.
    static void CopyDirRec(const QString& fpathSrc, const QString& fpathDstParent, bool bOverwrite);
    // A path the recursive copy and delete accept: absolute, at least 10
    // characters once normalised, and without ".." components.
    static bool IsGuardedPath(const QString& fpath);

    // Opens a file for reading; 3 attempts 100 ms apart.
    static std::unique_ptr<QFile> StreamOpenForRead(const QString& Filename);
    // Opens a file for writing through a temporary file in the same folder:
    // the caller writes, then calls commit(), which renames it over the
    // target. A read-only target is made writable once, at once. 3 attempts
    // 100 ms apart.
    static std::unique_ptr<QSaveFile> StreamOpenForWrite(const QString& Filename);
    // Writes the whole memory stream to the file (replaced atomically).
    static void StreamSaveToFile(const QBuffer& stmSrce, const QString& Filename);
    // A text writer (append, or create anew with the encoding's byte-order
    // mark); 2 attempts 100 ms apart.
    static std::unique_ptr<TStreamWriter> StreamWriterCreate(const QString& Filename, bool Append,
        QStringConverter::Encoding Encoding = QStringConverter::Utf8, int BufferSize = 4096);
    static std::unique_ptr<TStreamReader> StreamReaderCreate(const QString& Filename,
        QStringConverter::Encoding Encoding = QStringConverter::Utf8, bool DetectBOM = true, int BufferSize = 4096);
};

class TAppTools {
public:
    TAppTools() = delete;

    // "Brindlewick"
    static QString GetAppNameStr();
    // The display name with "&" doubled, for captions; replaces "{APP}".
    static QString GetAppNameStrForUI();
    // "major.minor.release.build" of a program file of this system, read
    // from the version record built into it; raises EOSError when the file
    // has none.
    static QString GetAppVersionStr(const QString& filepath);
    // The same for the running program.
    static QString GetAppVersionStr();
    // The client version the lab sees: "d" + major, minor, build as two
    // digits each, cut to 7 characters, + "w64".
    static QString GetAppWebSvcVersionStr();
    static QString GetAppWebSvcVersionStr(int major, int minor, int build);
    // Compares dotted versions part by part as integers: the difference of
    // the first differing parts, -1/1 when one has fewer parts, else 0.
    // Raises EConvertError for a part that is not an integer.
    static int VersionCompare(const QString& sver1, const QString& sver2);

    static QString CrypterMotDePasseAppelService(const QString& pwd);
    static QString CleanFileName(const QString& chaine, bool bRemoveCh);
    static QString CleanFileNameAnsi(const QString& chaine);
    // MD5 of the UTF-8 bytes of the string, as upper-case hexadecimal.
    static QString GetMd5FromStr(const QString& str);

    // A read-only stream over the built-in resource `ResName`; raises
    // EResNotFound when there is none.
    static std::unique_ptr<QIODevice> LoadStreamFromRes(const QString& ResName);
    // The whole stream from its start; empty for a null stream.
    static QByteArray StreamToByteArray(QIODevice* Stream);
    static QByteArray LoadByteArrayFromRes(const QString& ResName);
    static QByteArray LoadByteArrayFromFile(const QString& FileName);
    // Replaces the file with the bytes (temporary file + rename).
    static void WriteByteArrayToFile(const QByteArray& data, const QString& fname);

    // Byte i of the result is data[i] XOR key[i mod key length]; applying it
    // twice gives the data back. Raises for an empty key.
    static QByteArray CryptXOR(const QByteArray& data, const QByteArray& key);
    // The scrambling key shared with the lab: the bytes of the built-in
    // picture "jombdqelp".
    static QByteArray CryptKey();
    // Scrambles (or unscrambles) a file in place.
    static void CryptFile(const QString& fname);
    static QByteArray LoadByteArrayFromCryptedFile(const QString& FileName);

    // The short host name; raises "TShopInfo.ComputerName: failed".
    static QString ComputerName();
    // Resident memory of the process in bytes; 0 (and a FATAL line) on failure.
    static quint64 GetAppMemoryUsage();
    // e.g. "123.456MB"
    static QString AppMemoryUsageStr();
    static bool IsOutOfMem(const std::exception& ex);
    // The user-interface language, lower case ("fr", "zh-tw"); never empty.
    static QString getDeviceLanguage();
    static QString getDeviceLanguageRaw();
    static QString getDeviceModelName();
    // Model and language: the device line of the log header.
    static QString getDeviceDebugInfo();
    // Writes the object tree under `root` into the log at DEBUG level.
    static void guiTreeDump(const QObject* root);
};

class TImageTools {
public:
    TImageTools() = delete;

    // Fit: the largest size of ratio refWidth:refHeight inside the given size.
    static void AspectRatioSizeCoerceF(float& imgWidth, float& imgHeight, float refWidth, float refHeight);
    static void AspectRatioSizeCoerce(int& imgWidth, int& imgHeight, int refWidth, int refHeight);
    // Cover: the smallest size of ratio refWidth:refHeight around the given size.
    static void AspectRatioSizeCoerceMinF(float& imgWidth, float& imgHeight, float refWidth, float refHeight);
    static void AspectRatioSizeCoerceMin(int& imgWidth, int& imgHeight, int refWidth, int refHeight);
    // Cover, starting from the first step of the fit.
    static void AspectRatioSizeMaxF(float& imgWidth, float& imgHeight, float refWidth, float refHeight);

    // A picture from the built-in resources; raises when it is missing or
    // cannot be decoded.
    static QImage LoadBitmapFromRes(const QString& ResName);
    static void AssignBitmapFromRes(QImage& bitmap, const QString& ResName);
};

// a modulo b in [0, b) for a positive b (rotation angles: -90 -> 270).
float FloatModPositive(float a, float b);

// Created around bulk work (documents, bitmaps, tasks); holds and does nothing.
class TGarbageCollectScope {
public:
    TGarbageCollectScope() = default;
    ~TGarbageCollectScope() = default;
};

// Start-up files step: there are none to install.
void InstallStartUpFiles(bool overwrite);
