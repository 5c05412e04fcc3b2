#pragma once
// The typed lists of the shop catalogue: one list per kind of lab record,
// with lookups by the record's key, the comparison of print tariffs and the
// dictionary of tariffs by print format.
//
// Whether a list frees its records is chosen by its creator: the catalogue
// creates its lists as owners; views over records owned elsewhere (the
// tariff tiers that apply to a quantity, for instance) are created as
// non-owners.
#include "UOwnerList.h"

#include "ULabAlbumContracts.h"
#include "ULabHistoContracts.h"
#include "ULabPartyContracts.h"
#include "ULabPrintContracts.h"
#include "ULabTemplateContracts.h"

#include <QHash>
#include <memory>

namespace CatalogueListDetail {
[[noreturn]] void RaiseNotFound(const char* what);
} // namespace CatalogueListDetail

// A list of lab records of type T whose key is read by Key (a member
// function of T answering qint32). findById answers the first record with
// that key, null when none; byId the same, raising "<Name> not found".
template <class T, const qint32& (T::*Key)() const>
class TLabRecordList : public TOwnerList<T> {
public:
    explicit TLabRecordList(bool ownsObjects)
        : TOwnerList<T>(ownsObjects)
    {
    }

    T* findById(qint32 id) const
    {
        for (T* r : *this)
            if (r && (r->*Key)() == id)
                return r;
        return nullptr;
    }

protected:
    T* byIdOrRaise(qint32 id, const char* notFound) const
    {
        if (T* r = findById(id))
            return r;
        CatalogueListDetail::RaiseNotFound(notFound);
    }
};

// Lab printing channels, by channel number.
class TChannelList : public TLabRecordList<Channel2, &Channel2::Numero> {
public:
    using TLabRecordList::TLabRecordList;
    // Channel 0 means "no channel": null without a search.
    Channel2* byId(qint32 id) const;
};

// Print formats (also the formats of template products), by id.
class TTirageList : public TLabRecordList<Tirage2, &Tirage2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    Tirage2* byId(qint32 id) const { return byIdOrRaise(id, "Tirage not found"); }
    Tirage2* findByChannelId(qint32 id) const;
    Tirage2* findByVisualId(qint32 id) const;
};

// Quantity tiers of one format's price list, by id.
class TTarifList : public TLabRecordList<Tarif2, &Tarif2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    Tarif2* byId(qint32 id) const { return byIdOrRaise(id, "Tarif not found"); }
    // -1, 0 or 1 as price1 costs less than, as much as, or more than
    // price2; rows of different types, or of no known type, raise.
    static int priceCompare(const Tarif2* price1, const Tarif2* price2);
    // The cheapest row (the first of equal ones); null for an empty list.
    Tarif2* getMinimumPrice() const;
};

class TTirageVisualList : public TLabRecordList<ImageTirage2, &ImageTirage2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    ImageTirage2* byId(qint32 id) const { return byIdOrRaise(id, "Tirage Visual not found"); }
};

class TTemplateVelmoraList : public TLabRecordList<ZebtemplateVelmora2, &ZebtemplateVelmora2::Id> {
public:
    TTemplateVelmoraList()
        : TLabRecordList(true)
    {
    }
    using TLabRecordList::TLabRecordList;
    ZebtemplateVelmora2* byId(qint32 id) const { return byIdOrRaise(id, "Velmora template not found"); }
};

class TPhotographerAlbumList : public TLabRecordList<AlbumPhotographe2, &AlbumPhotographe2::AlbumPhotographeId> {
public:
    using TLabRecordList::TLabRecordList;
    AlbumPhotographe2* byId(qint32 id) const { return byIdOrRaise(id, "Photographe album not found"); }
};

class TAlbumPriceList : public TLabRecordList<PrixAlbum2, &PrixAlbum2::PrixId> {
public:
    using TLabRecordList::TLabRecordList;
    PrixAlbum2* byId(qint32 id) const { return byIdOrRaise(id, "Album price not found"); }
};

class TAlbumCoverList : public TLabRecordList<Couverture2, &Couverture2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    Couverture2* byId(qint32 id) const { return byIdOrRaise(id, "Album cover not found"); }
};

class TMaterColorList : public TLabRecordList<CouleurMatiere2, &CouleurMatiere2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    CouleurMatiere2* byId(qint32 id) const { return byIdOrRaise(id, "Material color cover not found"); }
};

class TBackgroundRangeList : public TLabRecordList<GammeFond2, &GammeFond2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    GammeFond2* byId(qint32 id) const { return byIdOrRaise(id, "Album background range not found"); }
};

class TAlbumBackgroundList : public TLabRecordList<FondAlbum2, &FondAlbum2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    FondAlbum2* byId(qint32 id) const { return byIdOrRaise(id, "Album background color not found"); }
};

class TProductGroupList
    : public TLabRecordList<GroupeProduitPhotographe2, &GroupeProduitPhotographe2::NumeroRessource> {
public:
    using TLabRecordList::TLabRecordList;
    GroupeProduitPhotographe2* byId(qint32 id) const { return byIdOrRaise(id, "GroupeProduitPhotographe2 not found"); }
};

class TAdresseList : public TLabRecordList<Adresse2, &Adresse2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    Adresse2* byId(qint32 id) const { return byIdOrRaise(id, "Adresse not found"); }
    bool AddressExist(qint32 id) const { return findById(id) != nullptr; }
};

class THistoConsoCommandeList : public TLabRecordList<HistoConsoCommande2, &HistoConsoCommande2::Id> {
public:
    using TLabRecordList::TLabRecordList;
    HistoConsoCommande2* byId(qint32 id) const { return byIdOrRaise(id, "History of consumer order not found"); }
};

class TTemplateCalendarList : public TLabRecordList<TemplateCalendrier2, &TemplateCalendrier2::Id> {
public:
    TTemplateCalendarList()
        : TLabRecordList(true)
    {
    }
    using TLabRecordList::TLabRecordList;
    TemplateCalendrier2* byId(qint32 id) const { return byIdOrRaise(id, "TemplateCalendrier2 not found"); }
};

// The price lists of the print (or template) formats, by format id. Owns
// its lists, and through them their rows when they own them.
class TPrintTarifList {
public:
    TPrintTarifList();
    ~TPrintTarifList();
    TPrintTarifList(const TPrintTarifList&) = delete;
    TPrintTarifList& operator=(const TPrintTarifList&) = delete;

    int Count() const { return int(fLists.size()); }
    bool ContainsKey(qint32 tirageId) const { return fLists.contains(tirageId); }
    // The list of that format; raises "TPrintTarifList: no price list for
    // print format <id>" when there is none.
    TTarifList* Items(qint32 tirageId) const;
    // The list of that format, null when there is none.
    TTarifList* TryGetValue(qint32 tirageId) const;
    // Sets the list of a format; a list it replaces is freed.
    void AddOrSetValue(qint32 tirageId, std::unique_ptr<TTarifList> list);
    // Appends a row to the list of its TirageId, creating that list (owning
    // its rows when ownsRows) on first use; the catalogue builds the
    // dictionary this way from the lab's flat array of rows.
    void AddRow(Tarif2* row, bool ownsRows);
    void Clear();
    QList<qint32> Keys() const { return fLists.keys(); }

private:
    QHash<qint32, TTarifList*> fLists;
};
