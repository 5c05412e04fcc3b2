#include "UShopInfoFiles.h"

#include "UDebug.h"
#include "UTools.h"

#include <QFile>
#include <QFileInfo>

namespace ShopInfoFiles {

QString RamText()
{
    return TAppTools::AppMemoryUsageStr();
}

void LogStep(const QString& clsName, const QString& op, const QString& path, const QString& step)
{
    LogDebug(QStringLiteral("%1.%2: path= %3 (ram: %4): %5").arg(clsName, op, path, RamText(), step));
}

namespace {

bool readWith(const QString& clsName, const QString& path, const TPrepare& prepare, TRemotable& obj, bool crypted)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    const QString op = QStringLiteral("TryLoadCreate");
    if (crypted)
        LogStep(clsName, op, path, QStringLiteral("START"));
    try {
        TXMLSerializer ser;
        prepare(ser);
        if (crypted) {
            ser.LoadFromCryptedFile(path);
            LogStep(clsName, op, path, QStringLiteral("MID"));
        } else {
            ser.LoadFromFile(path);
        }
        ser.LoadObject(&obj);
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception& e) {
        // An unreadable cache must not stop the catalogue: drop the file so
        // that the object is fetched again and written anew.
        LogError(QStringLiteral("%1.%2: unreadable cache file %3, deleted to reload").arg(clsName, op, path), e);
        if (!QFile::remove(path))
            LogError(QStringLiteral("%1.%2: Can't delete file %3").arg(clsName, op, path));
        return false;
    }
    if (crypted)
        LogStep(clsName, op, path, QStringLiteral("END"));
    return true;
}

} // namespace

bool ReadCrypted(const QString& clsName, const QString& path, const TPrepare& prepare, TRemotable& obj)
{
    return readWith(clsName, path, prepare, obj, true);
}

bool ReadPlain(const QString& path, const TPrepare& prepare, TRemotable& obj)
{
    return readWith(obj.ClassInfo().ClassName(), path, prepare, obj, false);
}

void WriteCrypted(const QString& clsName, const QString& path, const TPrepare& prepare, TRemotable& obj)
{
    const QString op = QStringLiteral("Save");
    LogStep(clsName, op, path, QStringLiteral("START"));
    TXMLSerializer ser;
    prepare(ser);
    ser.SaveObject(&obj);
    ser.SaveToCryptedFile(path);
    LogStep(clsName, op, path, QStringLiteral("END"));
}

void WritePlain(const QString& path, const TPrepare& prepare, TRemotable& obj)
{
    TXMLSerializer ser;
    prepare(ser);
    ser.SaveObject(&obj);
    ser.SaveToFile(path);
}

void DeleteShopFile(const QString& lbl, const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    if (QFile::remove(path))
        LogDebug(QStringLiteral("TConfig.CleanShopTplInfoFiles: file %1 deleted").arg(path));
    else
        LogError(QStringLiteral("TShopInfo.%1: Can't delete file %2").arg(lbl, path));
}

} // namespace ShopInfoFiles
