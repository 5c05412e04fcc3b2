#pragma once
// The lists of the catalogue's picture caches: the catalogue pictures
// ("visuals/visualsList.xml", by the lab's picture id) and the decorating
// pictures ("scrapPictures/scrapList.xml", by name, with the decorating
// frames), each entry with the MD5 of the cached picture. Plain documents;
// a list that cannot be read is logged and starts empty.
#include "UShopInfoPart.h"

#include "ULabAlbumContracts.h"
#include "UOwnerList.h"

class IMainFrame;

class TVisualsInfos : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TVisualsInfos)
public:
    TVisualsInfos() = default;
    TVisualsInfos(qint32 id, const QString& md5) : fId(id), fMd5(md5) { }
    qint32 Id() const { return fId; }
    const QString& Md5() const { return fMd5; }
    void SetMd5(const QString& v) { fMd5 = v; }
    QString GetFilepath(IMainFrame* main) const;

private:
    qint32 fId = 0;
    QString fMd5;
};

class TVisualsInfosList : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TVisualsInfosList)
public:
    using TKey = qint32;
    using TItem = TVisualsInfos;
    TVisualsInfosList();
    ~TVisualsInfosList() override;
    TOwnerList<TVisualsInfos>& List() { return *fList; }
    bool Dirty() const { return fDirty; }
    void SetDirty() { fDirty = true; }
    TVisualsInfos* findById(qint32 id) const;
    TVisualsInfos* byId(qint32 id) const;

    static QString XmlPath(IMainFrame* main);
    static std::unique_ptr<TVisualsInfosList> LoadFromXmlFile(IMainFrame* main);
    void SaveToXmlFile(IMainFrame* main);

private:
    std::unique_ptr<TOwnerList<TVisualsInfos>> fList;
    bool fDirty = true;
};

class TScrapInfos : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TScrapInfos)
public:
    TScrapInfos() = default;
    TScrapInfos(const QString& id, const QString& md5) : fId(id), fMd5(md5) { }
    const QString& Id() const { return fId; }
    const QString& Md5() const { return fMd5; }
    void SetMd5(const QString& v) { fMd5 = v; }
    QString GetFilepath(IMainFrame* main) const;

private:
    QString fId;
    QString fMd5;
};

class TScrapInfosList : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TScrapInfosList)
public:
    using TKey = QString;
    using TItem = TScrapInfos;
    TScrapInfosList();
    ~TScrapInfosList() override;
    TOwnerList<TScrapInfos>& List() { return *fList; }
    TOwnerList<ScrapFrame2>& BorderList() { return *fFrames; }
    void SetBorderList(std::unique_ptr<TOwnerList<ScrapFrame2>> frames) { fFrames = std::move(frames); }
    bool Dirty() const { return fDirty; }
    void SetDirty() { fDirty = true; }
    TScrapInfos* findById(const QString& id) const;
    TScrapInfos* byId(const QString& id) const;

    static QString XmlPath(IMainFrame* main);
    static std::unique_ptr<TScrapInfosList> LoadFromXmlFile(IMainFrame* main);
    void SaveToXmlFile(IMainFrame* main);

private:
    std::unique_ptr<TOwnerList<TScrapInfos>> fList;
    std::unique_ptr<TOwnerList<ScrapFrame2>> fFrames;
    bool fDirty = true;
};
