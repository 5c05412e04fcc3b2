#pragma once
// What the catalogue parts share: the dirty flag, the stamp under which the
// part was fetched, the reading and writing of the part's scrambled cache
// file, the status display of the connection step during an eager load, and
// the array properties over the catalogue's owning lists.
#include "UShopInfoFiles.h"

#include "UDebug.h"
#include "URttiCache.h"
#include "UXmlSerializer.h"

#include <memory>
#include <vector>

class TLangText;

// The screen that shows the status and progress of a catalogue load (the
// connection step); null when the load runs in the background.
class IShopLoadCtrl {
public:
    virtual ~IShopLoadCtrl() = default;
    // Any thread: the status line of the step.
    virtual void status(const QString& text) = 0;
    // Any thread: the progress bar at val of total, with text formatted
    // with both; checks the running task's cancellation first.
    virtual void updateProgressBar(int val, int total, const TLangText& text) = 0;
    virtual void hideProgressBar() = 0;
};

class TShopInfoPart : public TXMLSerializable {
public:
    bool Dirty() const { return fDirty; }
    void SetDirty() { fDirty = true; }
    void ClearDirty() { fDirty = false; }
    // The stamp of the part (Part's own property name in its file).
    double Stamp() const { return fStamp; }
    void SetStamp(double ts) { fStamp = ts; }

protected:
    // Reads a part of class T from its file: null when missing or
    // unreadable (see ShopInfoFiles), and, when a stamp is asked, null after
    // the line "…: timestamp invalid -> to reload" when the file's differs.
    template <class T>
    static std::unique_ptr<T> LoadPart(const QString& clsName, const QString& path,
                                       const ShopInfoFiles::TPrepare& prepare, const double* stamp)
    {
        auto part = std::make_unique<T>();
        if (!ShopInfoFiles::ReadCrypted(clsName, path, prepare, *part))
            return nullptr;
        part->ClearDirty();
        if (stamp && part->Stamp() != *stamp) {
            ShopInfoFiles::LogStep(clsName, QStringLiteral("TryLoadCreate"), path,
                                   QStringLiteral("timestamp invalid -> to reload"));
            return nullptr;
        }
        return part;
    }
    // Writes the part when dirty; the flag stays set when writing fails.
    void SavePart(const QString& clsName, const QString& path, const ShopInfoFiles::TPrepare& prepare)
    {
        if (!fDirty)
            return;
        ShopInfoFiles::WriteCrypted(clsName, path, prepare, *this);
        fDirty = false;
    }

    bool fDirty = true;
    double fStamp = 0;
};

// Describes an owning list field (std::unique_ptr<List> of Item records) as
// a stored array property.
template <class Item, class List, class C>
void ShopListProperty(TClassBuilder<C>& b, const char* name, std::unique_ptr<List> C::*field)
{
    b.template Property<std::vector<std::unique_ptr<Item>>>(
        name,
        [field](const C& c) {
            std::vector<Item*> out;
            if (c.*field)
                for (Item* item : *(c.*field))
                    out.push_back(item);
            return out;
        },
        [field](C& c, std::vector<std::unique_ptr<Item>> v) {
            auto list = std::make_unique<List>(true);
            for (auto& item : v)
                list->Add(item.release());
            c.*field = std::move(list);
        },
        nullptr);
}

// Describes an owned record field as a stored object property.
template <class Item, class C>
void ShopObjectProperty(TClassBuilder<C>& b, const char* name, std::unique_ptr<Item> C::*field)
{
    b.template Property<std::unique_ptr<Item>>(
        name, [field](const C& c) { return (c.*field).get(); },
        [field](C& c, std::unique_ptr<Item> v) { c.*field = std::move(v); }, nullptr);
}

// Fills an owning list from the records of a lab answer.
template <class List, class Vec>
std::unique_ptr<List> ShopListFrom(Vec&& records)
{
    auto list = std::make_unique<List>(true);
    for (auto& r : records)
        if (r)
            list->Add(r.release());
    return list;
}
