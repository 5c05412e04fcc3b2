#include "UlangDico.h"

#include "UAppExceptions.h"
#include "UDebug.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QXmlStreamReader>
#include <QTimeZone>

#include <mutex>

namespace {

const QString kRoot = QStringLiteral("XmlSerializerV1_0");
const QString kDico = QStringLiteral("LangDico2");
const QString kItem = QStringLiteral("Translation2");

[[noreturn]] void fail(const QString& where, const QString& what)
{
    throw Exception(QStringLiteral("TLangTools.XmlLoadLang: %1: %2").arg(where, what));
}

QString esc(const QString& s)
{
    QString out;
    out.reserve(s.size() + 16);
    for (QChar c : s) {
        switch (c.unicode()) {
        case '&': out += QStringLiteral("&amp;"); break;
        case '<': out += QStringLiteral("&lt;"); break;
        case '>': out += QStringLiteral("&gt;"); break;
        case '\r': out += QStringLiteral("&#13;"); break;
        default:
            // Other C0 control characters cannot be written in an XML 1.0
            // document at all, not even as references; the reader would
            // refuse the whole file, so they are left out.
            if (c.unicode() >= 0x20 || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
                out += c;
        }
    }
    return out;
}

QString dateToXml(const QDateTime& dt)
{
    return dt.toUTC().toString(Qt::ISODateWithMs);
}

// Reads the text of the current element; nested elements are an error.
QString readText(QXmlStreamReader& r, const QString& where)
{
    const QString t = r.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
    if (r.hasError())
        fail(where, r.errorString());
    return t;
}

} // namespace

QString TLangTools::GetLangFileID(const QString& iso, int kind)
{
    QString code = iso.toLower();
    code.replace(QLatin1Char('-'), QLatin1Char('_'));
    return (kind == KindCommon ? QStringLiteral("langcom_") : QStringLiteral("langapp_")) + code;
}

QString TLangTools::GetLangFilePath(const QString& folder, const QString& iso, int kind, bool res)
{
    return folder + GetLangFileID(iso, kind) + (res ? QStringLiteral(".xmlres") : QStringLiteral(".xml"));
}

QString TLangTools::ResourcePath(const QString& id)
{
    // The resources of a static library are registered explicitly: nothing
    // else would pull their object file into the program.
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(lang); });
    // Built-in documents are stored under their lower-case id.
    const QString path = QStringLiteral(":/lang/") + id.toLower();
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || !QFile::exists(path))
        return QString();
    return path;
}

bool TLangTools::GetLangFileFromRes(const QString& folder, const QString& iso, int kind)
{
    const QString res = ResourcePath(GetLangFileID(iso, kind));
    if (res.isEmpty())
        return false;
    QFile in(res);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(GetLangFilePath(folder, iso, kind, true));
    if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.commit())
        throw EFCreateError(QStringLiteral("TLangTools.GetLangFileFromRes: cannot write ") + out.fileName());
    return true;
}

void TLangTools::CleanLangFileFromRes(const QString& folder)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList({ QStringLiteral("*.xmlres") }, QDir::Files)) {
        if (!QFile::remove(dir.filePath(name)))
            LogWarn(QStringLiteral("TLangTools.CleanLangFileFromRes: cannot delete ") + dir.filePath(name));
    }
}

std::unique_ptr<TLangDico> TLangTools::XmlLoadLang(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("TLangTools.XmlLoadLang: cannot open ") + path);
    return XmlLoadLangBytes(f.readAll(), path);
}

std::unique_ptr<TLangDico> TLangTools::XmlLoadLangBytes(const QByteArray& bytes, const QString& where)
{
    QXmlStreamReader r(bytes);
    auto dico = std::make_unique<TLangDico>();
    if (!r.readNextStartElement() || r.name() != kRoot)
        fail(where, QStringLiteral("not a serializer document"));
    if (!r.readNextStartElement() || r.name() != kDico)
        fail(where, QStringLiteral("no LangDico2 object"));
    while (r.readNextStartElement()) {
        const QStringView n = r.name();
        if (n == QLatin1String("LangDico2.IsoCode")) {
            dico->IsoCode = readText(r, where);
        } else if (n == QLatin1String("LangDico2.LastUpdate")) {
            const QString t = readText(r, where);
            QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
            if (!dt.isValid())
                fail(where, QStringLiteral("invalid date ") + t);
            dico->LastUpdate = dt;
        } else if (n == QLatin1String("LangDico2.Translations")) {
            while (r.readNextStartElement()) {
                if (r.name() != kItem)
                    fail(where, QStringLiteral("unexpected element ") + r.name().toString());
                TLangTranslation t;
                while (r.readNextStartElement()) {
                    if (r.name() == QLatin1String("Translation2.InitialString"))
                        t.InitialString = readText(r, where);
                    else if (r.name() == QLatin1String("Translation2.TranslatedString"))
                        t.TranslatedString = readText(r, where);
                    else
                        fail(where, QStringLiteral("unexpected element ") + r.name().toString());
                }
                dico->Translations.push_back(std::move(t));
            }
        } else {
            fail(where, QStringLiteral("unexpected element ") + n.toString());
        }
    }
    if (r.hasError())
        fail(where, r.errorString());
    return dico;
}

QByteArray TLangTools::XmlLangToBytes(const TLangDico& dico)
{
    QString s;
    s += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XmlSerializerV1_0>\n<LangDico2>\n");
    s += QStringLiteral("  <LangDico2.IsoCode type=\"UString\">%1</LangDico2.IsoCode>\n").arg(esc(dico.IsoCode));
    if (dico.LastUpdate)
        s += QStringLiteral("  <LangDico2.LastUpdate type=\"XSDateTime\">%1</LangDico2.LastUpdate>\n").arg(dateToXml(*dico.LastUpdate));
    s += QStringLiteral("  <LangDico2.Translations type=\"Array\">\n");
    int i = 0;
    for (const auto& t : dico.Translations) {
        s += QStringLiteral("      <Translation2 name=\"%1\">\n").arg(i++);
        s += QStringLiteral("        <Translation2.InitialString type=\"UString\">%1</Translation2.InitialString>\n").arg(esc(t.InitialString));
        s += QStringLiteral("        <Translation2.TranslatedString type=\"UString\">%1</Translation2.TranslatedString>\n").arg(esc(t.TranslatedString));
        s += QStringLiteral("      </Translation2>\n");
    }
    s += QStringLiteral("  </LangDico2.Translations>\n</LangDico2>\n</XmlSerializerV1_0>\n");
    return QByteArray("\xEF\xBB\xBF") + s.toUtf8();
}

void TLangTools::XmlSaveLang(const TLangDico& dico, const QString& path)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(XmlLangToBytes(dico)) < 0 || !out.commit())
        throw EFCreateError(QStringLiteral("TLangTools.XmlSaveLang: cannot write ") + path);
}

std::unique_ptr<TLangDico> TLangTools::LoadLangFromXmlFile(const QString& folder, const QString& iso, int kind)
{
    const QString cache = GetLangFilePath(folder, iso, kind, false);
    const QString copy = GetLangFilePath(folder, iso, kind, true);
    std::unique_ptr<TLangDico> candidate;
    if (QFile::exists(cache)) {
        if (kind != KindCommon && !QFile::exists(copy) && GetLangFileFromRes(folder, iso, kind)) {
            LogDebug(QStringLiteral("TLangTools.LoadLangFromXmlFile: file retrieved from res: ") + copy + QStringLiteral(" for comparison"));
            candidate = XmlLoadLang(copy);
        }
    } else {
        if (!GetLangFileFromRes(folder, iso, kind))
            return nullptr;
        LogDebug(QStringLiteral("TLangTools.LoadLangFromXmlFile: file retrieved from res: ") + copy);
        QFile::copy(copy, cache);
    }
    auto cached = XmlLoadLang(cache);
    if (!candidate)
        return cached;
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    if (candidate->LastUpdate.value_or(zero) > cached->LastUpdate.value_or(zero)) {
        LogDebug(QStringLiteral("TLangTools.LoadLangFromXmlFile: ") + copy + QStringLiteral(" is newer than cache"));
        XmlSaveLang(*candidate, cache);
        return candidate;
    }
    LogDebug(QStringLiteral("TLangTools.LoadLangFromXmlFile: ") + copy + QStringLiteral(" is older than cache"));
    return cached;
}

void TLangTools::SaveLangToXmlFile(const TLangDico& dico, const QString& folder, const QString& iso, int kind)
{
    XmlSaveLang(dico, GetLangFilePath(folder, iso, kind, false));
}

void TLangTools::AddTranslation(TLangDico& dico, const TLangTranslation& item)
{
    dico.Translations.push_back(item);
}

QString TLangTools::trPrepare(const QString& text)
{
    QString s = text;
    s.remove(QLatin1Char('\r'));
    int end = s.size();
    while (end > 0 && s.at(end - 1) == QLatin1Char(' '))
        --end;
    if (end == 0)
        return s; // blanks alone stay as they are
    s.truncate(end);
    return s;
}

bool TLangTools::trEqual(const QString& a, const QString& b)
{
    QString x = a, y = b;
    x.remove(DupMarker);
    y.remove(DupMarker);
    QCollator c;
    c.setCaseSensitivity(Qt::CaseSensitive);
    return c.compare(x, y) == 0;
}

bool TLangTools::trEmpty(const QString& text)
{
    QString s = text;
    s.remove(DupMarker);
    s.remove(QChar(0x3000));
    qsizetype b = 0, e = s.size();
    auto blank = [](QChar c) { return c.unicode() <= 0x20; };
    while (b < e && blank(s.at(b)))
        ++b;
    while (e > b && blank(s.at(e - 1)))
        --e;
    return b == e;
}

void TLangTools::ChecklangDico(TLangDico* app, TLangDico* com)
{
    QSet<QString> seenTranslations;
    QSet<QString> seenSources;
    for (TLangDico* d : { app, com }) {
        if (!d)
            continue;
        for (auto& t : d->Translations) {
            t.InitialString = trPrepare(t.InitialString);
            t.TranslatedString = trPrepare(t.TranslatedString);
            if (seenSources.contains(t.InitialString)) {
                LogError(QStringLiteral("TLangTools.CheckLangDico: duplicated id in translations: ") + t.InitialString
                         + QStringLiteral("=>") + t.TranslatedString);
                continue;
            }
            seenSources.insert(t.InitialString);
            while (seenTranslations.contains(t.TranslatedString))
                t.TranslatedString += DupMarker;
            seenTranslations.insert(t.TranslatedString);
        }
    }
}

TLangLookup TLangTools::PrepareLangDico(TLangDico* app, TLangDico* com)
{
    ChecklangDico(app, com);
    TLangLookup out;
    for (TLangDico* d : { app, com }) {
        if (!d)
            continue;
        for (const auto& t : d->Translations) {
            if (out.contains(t.InitialString))
                continue;
            out.insert(t.InitialString, t.TranslatedString.isEmpty() ? t.InitialString : t.TranslatedString);
        }
    }
    return out;
}

QStringList TLangTools::GetLangStrings(const TLangDico* app, const TLangDico* com)
{
    QStringList out;
    QSet<QString> seen;
    for (const TLangDico* d : { app, com }) {
        if (!d)
            continue;
        for (const auto& t : d->Translations) {
            if (seen.contains(t.InitialString))
                continue;
            seen.insert(t.InitialString);
            out << t.InitialString + QChar(0x01) + (t.TranslatedString.isEmpty() ? t.InitialString : t.TranslatedString);
        }
    }
    return out;
}
