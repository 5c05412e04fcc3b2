#pragma once
// Language dictionaries: the two parts of a language (common, shared with the
// lab's other applications, and the application part), their file ids, the
// built-in copies, the cached copies and the preparation of the look-up
// dictionary that a language switch applies.
//
// The lab's record of a dictionary lives with the lab client; this layer keeps
// its own plain copy (TLangDico) and reads and writes the same documents.
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

struct TLangTranslation {
    QString InitialString;    // English source text or catalogue key
    QString TranslatedString; // its translation
};

struct TLangDico {
    QString IsoCode;
    std::optional<QDateTime> LastUpdate;
    std::vector<TLangTranslation> Translations;
};

// Source text -> translation, as applied by a switch.
using TLangLookup = QHash<QString, QString>;

class TLangTools {
public:
    TLangTools() = delete;

    enum : int { KindCommon = 0, KindApp = 4 };

    // Appended to a translation that another source text already uses, so
    // that a displayed text leads back to exactly one source text. It must
    // take no room when drawn: a C0 control character is drawn as a box by
    // the text engine, the word joiner is not drawn at all.
    static constexpr QChar DupMarker = QChar(0x2060);

    // "langcom_" (kind 0) or "langapp_" (any other kind) + the code
    // lower-cased with "-" as "_".
    static QString GetLangFileID(const QString& iso, int kind);
    static QString GetLangFilePath(const QString& folder, const QString& iso, int kind, bool res);
    // Resource path of a built-in document by its id (case ignored); empty
    // when there is none.
    static QString ResourcePath(const QString& id);
    // Writes the built-in copy to the ".xmlres" path; false when none exists.
    static bool GetLangFileFromRes(const QString& folder, const QString& iso, int kind);
    static void CleanLangFileFromRes(const QString& folder);

    // Reads / writes a dictionary document. Failures raise.
    static std::unique_ptr<TLangDico> XmlLoadLang(const QString& path);
    static std::unique_ptr<TLangDico> XmlLoadLangBytes(const QByteArray& bytes, const QString& where);
    static void XmlSaveLang(const TLangDico& dico, const QString& path);
    static QByteArray XmlLangToBytes(const TLangDico& dico);

    // The cached part of a language, created from the built-in copy on first
    // use and replaced by it once per program version when it is newer.
    // Nothing when neither exists.
    static std::unique_ptr<TLangDico> LoadLangFromXmlFile(const QString& folder, const QString& iso, int kind);
    static void SaveLangToXmlFile(const TLangDico& dico, const QString& folder, const QString& iso, int kind);
    static void AddTranslation(TLangDico& dico, const TLangTranslation& item);

    static QString trPrepare(const QString& text);
    static bool trEqual(const QString& a, const QString& b);
    static bool trEmpty(const QString& text);
    // Makes every translation unique (DupMarker) and normalises both texts.
    static void ChecklangDico(TLangDico* app, TLangDico* com);
    // The look-up of a switch; the application part wins.
    static TLangLookup PrepareLangDico(TLangDico* app, TLangDico* com);
    // "source\x01translation" lines, application part first.
    static QStringList GetLangStrings(const TLangDico* app, const TLangDico* com);
};
