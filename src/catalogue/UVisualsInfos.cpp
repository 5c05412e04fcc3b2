#include "UVisualsInfos.h"

#include "IMainFrame.h"
#include "UConfig.h"

#include <QDir>
#include <QFileInfo>

KIOSK_SERIALIZABLE_DESCRIBE(
    TVisualsInfos, TXMLSerializable,
    b.Property<qint32>("Id", [](const Self& s) { return s.fId; }, [](Self& s, qint32 v) { s.fId = v; }, nullptr);
    b.Property<QString>("Md5", [](const Self& s) { return s.fMd5; }, [](Self& s, QString v) { s.fMd5 = v; },
                        nullptr);)

KIOSK_SERIALIZABLE_DESCRIBE(
    TVisualsInfosList, TXMLSerializable,
    ShopListProperty<TVisualsInfos, TOwnerList<TVisualsInfos>>(b, "Items", &Self::fList);)

KIOSK_SERIALIZABLE_DESCRIBE(
    TScrapInfos, TXMLSerializable,
    b.Property<QString>("Id", [](const Self& s) { return s.fId; }, [](Self& s, QString v) { s.fId = v; }, nullptr);
    b.Property<QString>("Md5", [](const Self& s) { return s.fMd5; }, [](Self& s, QString v) { s.fMd5 = v; },
                        nullptr);)

KIOSK_SERIALIZABLE_DESCRIBE(
    TScrapInfosList, TXMLSerializable,
    ShopListProperty<TScrapInfos, TOwnerList<TScrapInfos>>(b, "Items", &Self::fList);
    ShopListProperty<ScrapFrame2, TOwnerList<ScrapFrame2>>(b, "Frames", &Self::fFrames);)

namespace {

// Reads a plain list document; a document that cannot be read leaves an
// empty list behind (logged FATAL with the label).
template <class L>
std::unique_ptr<L> loadList(const QString& path, const char* label, const ShopInfoFiles::TPrepare& prepare)
{
    if (!QFileInfo::exists(path))
        return nullptr;
    LogDebug(QStringLiteral("%1: path=%2").arg(QLatin1String(label), path));
    auto list = std::make_unique<L>();
    try {
        TXMLSerializer ser;
        prepare(ser);
        ser.LoadFromFile(path);
        ser.LoadObject(list.get());
    } catch (const std::exception& e) {
        LogFatal(QLatin1String(label), e);
        return nullptr;
    }
    return list;
}

void prepareVisuals(TXMLSerializer& ser)
{
    ser.ClassRegister(TVisualsInfosList::StaticClassInfo(), QStringLiteral("TVisualsInfosList"));
    ser.ClassRegister(TVisualsInfos::StaticClassInfo(), QStringLiteral("TVisualsInfos"));
}

void prepareScrap(TXMLSerializer& ser)
{
    ser.ClassRegister(TScrapInfosList::StaticClassInfo(), QStringLiteral("TScrapInfosList"));
    ser.ClassRegister(TScrapInfos::StaticClassInfo(), QStringLiteral("TScrapInfos"));
    ser.ClassRegister(ScrapFrame2::StaticClassInfo(), QStringLiteral("ScrapFrame2"));
}

} // namespace

QString TVisualsInfos::GetFilepath(IMainFrame* main) const
{
    return main->Config()->CalcCacheVisualsFilePath(fId);
}

TVisualsInfosList::TVisualsInfosList()
    : fList(std::make_unique<TOwnerList<TVisualsInfos>>(true))
{
}

TVisualsInfosList::~TVisualsInfosList() = default;

TVisualsInfos* TVisualsInfosList::findById(qint32 id) const
{
    for (TVisualsInfos* v : *fList)
        if (v->Id() == id)
            return v;
    return nullptr;
}

TVisualsInfos* TVisualsInfosList::byId(qint32 id) const
{
    if (TVisualsInfos* v = findById(id))
        return v;
    throw Exception(QStringLiteral("Visuals infos not found"));
}

QString TVisualsInfosList::XmlPath(IMainFrame* main)
{
    return QDir(main->Config()->CalcCacheVisualsPath()).filePath(QStringLiteral("visualsList.xml"));
}

std::unique_ptr<TVisualsInfosList> TVisualsInfosList::LoadFromXmlFile(IMainFrame* main)
{
    auto list = loadList<TVisualsInfosList>(XmlPath(main), "TVisualsInfosList.LoadFromXmlFile", &prepareVisuals);
    if (list)
        list->fDirty = false;
    return list;
}

void TVisualsInfosList::SaveToXmlFile(IMainFrame* main)
{
    if (!fDirty)
        return;
    const QString path = XmlPath(main);
    LogDebug(QStringLiteral("TVisualsInfosList.SaveToXmlFile: path=") + path);
    ShopInfoFiles::WritePlain(path, &prepareVisuals, *this);
    fDirty = false;
}

QString TScrapInfos::GetFilepath(IMainFrame* main) const
{
    return main->Config()->CalcCacheScrapFilePath(fId);
}

TScrapInfosList::TScrapInfosList()
    : fList(std::make_unique<TOwnerList<TScrapInfos>>(true))
    , fFrames(std::make_unique<TOwnerList<ScrapFrame2>>(true))
{
}

TScrapInfosList::~TScrapInfosList() = default;

TScrapInfos* TScrapInfosList::findById(const QString& id) const
{
    for (TScrapInfos* v : *fList)
        if (v->Id() == id)
            return v;
    return nullptr;
}

TScrapInfos* TScrapInfosList::byId(const QString& id) const
{
    if (TScrapInfos* v = findById(id))
        return v;
    throw Exception(QStringLiteral("Scrap infos not found"));
}

QString TScrapInfosList::XmlPath(IMainFrame* main)
{
    return QDir(main->Config()->CalcCacheScrapPath()).filePath(QStringLiteral("scrapList.xml"));
}

std::unique_ptr<TScrapInfosList> TScrapInfosList::LoadFromXmlFile(IMainFrame* main)
{
    auto list = loadList<TScrapInfosList>(XmlPath(main), "TScrapInfosList.LoadFromXmlFile", &prepareScrap);
    if (list)
        list->fDirty = false;
    return list;
}

void TScrapInfosList::SaveToXmlFile(IMainFrame* main)
{
    if (!fDirty)
        return;
    const QString path = XmlPath(main);
    LogDebug(QStringLiteral("TScrapInfosList.SaveToXmlFile: path=") + path);
    ShopInfoFiles::WritePlain(path, &prepareScrap, *this);
    fDirty = false;
}
