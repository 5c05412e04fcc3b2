#include "UQzguiVarSizeTree.h"

#include <QCollator>
#include <QCoreApplication>
#include <QThread>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Guard = std::lock_guard<TQzguiVarLock>;

[[noreturn]] void raise(const QString& text)
{
    throw Exception(text);
}

// The runtime's trim: characters up to code 32 go at both ends.
QString trimLow(const QString& s)
{
    int b = 0;
    int e = s.size();
    while (b < e && s.at(b).unicode() <= 32)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

} // namespace

// ---------------------------------------------------------------------------
// Sort keys and comparers

TQzguiVarSortKey TQzguiVarSortKey::Make(const QString& id)
{
    // One collator per thread: a collator is not safe to share between
    // threads, while keys made by two collators of one locale compare alike.
    thread_local QCollator collator { QLocale() };
    if (collator.locale() != QLocale())
        collator = QCollator(QLocale());
    TQzguiVarSortKey k;
    k.id = id;
    if (!id.isEmpty())
        k.key.emplace(collator.sortKey(id));
    return k;
}

int TQzguiVarSortComparer::Compare(const TQzguiVarSizeItemBase& element, const TQzguiVarSortKey& key) const
{
    const TQzguiVarSortKey& a = element.SortKey();
    int c;
    if (a.id.isEmpty() || key.id.isEmpty())
        c = int(!a.id.isEmpty()) - int(!key.id.isEmpty());
    else
        c = a.key->compare(*key.key);
    c = c < 0 ? -1 : (c > 0 ? 1 : 0);
    return fDesc ? -c : c;
}

const TQzguiVarSortComparer& TQzguiVarSortComparer::Asc()
{
    static const TQzguiVarSortComparer c(false);
    return c;
}

const TQzguiVarSortComparer& TQzguiVarSortComparer::Desc()
{
    static const TQzguiVarSortComparer c(true);
    return c;
}

namespace {

bool onMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

QString quoted(const QString& s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace

// ---------------------------------------------------------------------------
// TQzguiVarSizeItemBase

TQzguiVarSizeItemBase::TQzguiVarSizeItemBase(TQzguiVarSizeFolderBase* parent, const QString& id)
    : fParent(parent)
    , fSect(parent ? parent->fSect : std::make_shared<TQzguiVarLock>())
    , fSortKey(TQzguiVarSortKey::Make(id))
{
}

TQzguiVarSizeItemBase::~TQzguiVarSizeItemBase() = default;

IQzguiVarSizeFolder TQzguiVarSizeItemBase::ParentRef() const
{
    Guard g(*fSect);
    if (!fParent)
        return nullptr;
    // Null while the parent is being destroyed: its children are then
    // orphaned and their requests go nowhere.
    return std::static_pointer_cast<TQzguiVarSizeFolderBase>(fParent->weak_from_this().lock());
}

void* TQzguiVarSizeItemBase::GetData() const
{
    Guard g(*fSect);
    return fData;
}

void TQzguiVarSizeItemBase::SetData(void* data)
{
    {
        Guard g(*fSect);
        if (fData == data)
            return;
        fData = data;
    }
    onDataChanged();
}

QString TQzguiVarSizeItemBase::GetTitle() const
{
    Guard g(*fSect);
    return fTitle.isEmpty() ? fSortKey.id : fTitle;
}

void TQzguiVarSizeItemBase::SetTitle(const QString& title)
{
    {
        Guard g(*fSect);
        if (fTitle == title)
            return;
        fTitle = title;
    }
    onTitleChanged();
}

QString TQzguiVarSizeItemBase::GetQty() const
{
    Guard g(*fSect);
    return fQty;
}

void TQzguiVarSizeItemBase::SetQty(const QString& qty)
{
    {
        Guard g(*fSect);
        if (fQty == qty)
            return;
        fQty = qty;
    }
    onQtyChanged();
}

QString TQzguiVarSizeItemBase::GetPath() const
{
    const IQzguiVarSizeFolder parent = ParentRef();
    if (!parent)
        return fSortKey.id;
    return parent->GetPath() + kVarPathSeparator + fSortKey.id;
}

void TQzguiVarSizeItemBase::InitializationEnd()
{
    {
        Guard g(*fSect);
        if (!(fOps & vo_notInit))
            raise(QStringLiteral("TQzguiVarSizeItemBase.InitializationEnd: already called"));
        fOps &= ~unsigned(vo_notInit);
    }
    RecalcSize();
}

bool TQzguiVarSizeItemBase::IsInitialized() const
{
    Guard g(*fSect);
    return !(fOps & vo_notInit);
}

TQzguiVarOps TQzguiVarSizeItemBase::Ops() const
{
    Guard g(*fSect);
    return fOps;
}

void TQzguiVarSizeItemBase::RecalcSize()
{
    IQzguiVarSizeFolder parent;
    {
        Guard g(*fSect);
        if (fOps & vo_notInit)
            return;
        fOps |= vo_SizeToCalc;
        parent = ParentRef();
    }
    if (parent)
        parent->RecalcSize();
}

bool TQzguiVarSizeItemBase::isSizeToCalc() const
{
    Guard g(*fSect);
    return fOps & vo_SizeToCalc;
}

void TQzguiVarSizeItemBase::sizeCalcDone(TQzguiVarResizeType)
{
    Guard g(*fSect);
    fOps &= ~unsigned(vo_SizeToCalc);
}

void TQzguiVarSizeItemBase::AddArcResource(std::shared_ptr<void> resource)
{
    Guard g(*fSect);
    if (std::find(fLstResource.begin(), fLstResource.end(), resource) == fLstResource.end())
        fLstResource.push_back(std::move(resource));
}

QRectF TQzguiVarSizeItemBase::SizeCalcRect(TQzguiVarResizeType rstype) const
{
    if (rstype != vrt_Item)
        raise(QStringLiteral("TQzguiVarSizeItemBase.SizeCalcRect: unexpected call (not item)"));
    if (!fResizeRectCalc)
        raise(QStringLiteral("TQzguiVarSizeItemBase.SizeCalcRect: unexpected call"));
    return fResizeRect;
}

void TQzguiVarSizeItemBase::SetSizeCalcRect(TQzguiVarResizeType rstype, const QRectF& rect, bool horizontal)
{
    if (rstype != vrt_Item)
        raise(QStringLiteral("TQzguiVarSizeItemBase.SetSizeCalcRect: unexpected call (not item)"));
    fResizeRect = rect;
    fResizeRectCalc = true;
    fbHorzList = horizontal;
}

QRectF TQzguiVarSizeItemBase::FinalViewRect(TQzguiVarResizeType rstype) const
{
    if (rstype != vrt_Item)
        raise(QStringLiteral("TQzguiVarSizeItemBase.FinalViewRect: unexpected call (not item)"));
    if (!fFinalRectCalc)
        raise(QStringLiteral("TQzguiVarSizeItemBase.FinalViewRect: unexpected call"));
    return fFinalRect;
}

void TQzguiVarSizeItemBase::FinalRectStore(const QRectF& rect)
{
    const float oldKey = fFinalRectTop;
    fFinalRect = rect;
    fFinalRectCalc = true;
    fFinalRectTop = float(fbHorzList ? fResizeRect.left() : fResizeRect.top());
    if (fParent)
        fParent->FinalViewYpositionPlace(shared_from_this(), oldKey, fFinalRectTop);
}

void TQzguiVarSizeItemBase::SetFinalViewRect(TQzguiVarResizeType rstype, const QRectF& rect)
{
    if (rstype != vrt_Item)
        raise(QStringLiteral("TQzguiVarSizeItemBase.SetFinalViewRect: unexpected call (not item)"));
    FinalRectStore(rect);
}

void TQzguiVarSizeItemBase::ValidateFinalViewRect(TQzguiVarResizeType rstype)
{
    if (rstype != vrt_Item)
        raise(QStringLiteral("TQzguiVarSizeItemBase.ValidateFinalViewRect: unexpected call (not item)"));
    if (fParent)
        fParent->FinalViewYpositionPlace(shared_from_this(), fFinalRectTop, fFinalRectTop);
}

bool TQzguiVarSizeItemBase::isFinalRectVisible(const QRectF& rect, TQzguiVarResizeType rstype) const
{
    if (!fFinalRectCalc)
        return false;
    return FinalViewRect(rstype).intersects(rect);
}

bool TQzguiVarSizeItemBase::isAtYposition(float position) const
{
    return fFinalRectTop == position;
}

bool TQzguiVarSizeItemBase::isPainted() const
{
    Guard g(*fSect);
    return fOps & vo_Painted;
}

void TQzguiVarSizeItemBase::SetPainted(bool flag)
{
    {
        Guard g(*fSect);
        if (bool(fOps & vo_Painted) == flag)
            return;
        if (flag)
            fOps |= vo_Painted;
        else
            fOps &= ~unsigned(vo_Painted);
    }
    onPaintedChanged();
}

bool TQzguiVarSizeItemBase::elementByMousePos(const QPointF& point, TQzguiVarThumbInfo& info)
{
    if (!fFinalRectCalc)
        return false;
    const TQzguiVarSizeRoot* root = Root();
    const qreal half = (root ? root->spacingHorz() : 0) / 2;
    const QRectF r = fFinalRect.adjusted(-half, 0, half, 0);
    if (point.x() < r.left() || point.x() >= r.right() || point.y() < r.top() || point.y() >= r.bottom())
        return false;
    info.item = shared_from_this();
    info.ptMouse = point;
    info.ptLocal = point - r.topLeft();
    info.itemRect = r;
    return true;
}

bool TQzguiVarSizeItemBase::GetCurrent() const
{
    Guard g(*fSect);
    return fbCurrent;
}

void TQzguiVarSizeItemBase::SetCurrent(bool flag)
{
    IQzguiVarSizeFolder parent;
    {
        Guard g(*fSect);
        if (fbCurrent == flag)
            return;
        fbCurrent = flag;
        parent = ParentRef();
    }
    if (!parent)
        return;
    const IQzguiVarSizeItemBase self = shared_from_this();
    onCurrentChanged();
    parent->notifyCurrent(self, fFinalRect, HasRects(), flag);
}

void TQzguiVarSizeItemBase::Invalidate()
{
    if (!onMainThread()) {
        // Rectangles belong to the main thread: a worker only asks for a
        // repaint at the next tick.
        if (TQzguiVarSizeRoot* root = Root())
            root->askRepaint();
        return;
    }
    if (!HasRects())
        return;
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->invalidateRect(fFinalRect);
}

void TQzguiVarSizeItemBase::invalidateRect(const QRectF& rect)
{
    if (!HasRects())
        return;
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->invalidateRect(rect);
}

void TQzguiVarSizeItemBase::Focus()
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->askFocus(shared_from_this(), fFinalRect, HasRects());
}

void TQzguiVarSizeItemBase::Click()
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->notifyClick(shared_from_this());
}

void TQzguiVarSizeItemBase::askFocus(const IQzguiVarSizeItemBase&, const QRectF&, bool) { }
void TQzguiVarSizeItemBase::notifySizeChanged(const IQzguiVarSizeItemBase&, const QRectF&, bool) { }
void TQzguiVarSizeItemBase::notifySelected(const IQzguiVarSizeItemBase&, const QRectF&, bool, bool) { }
void TQzguiVarSizeItemBase::notifyCurrent(const IQzguiVarSizeItemBase&, const QRectF&, bool, bool) { }
void TQzguiVarSizeItemBase::notifyClick(const IQzguiVarSizeItemBase&) { }
void TQzguiVarSizeItemBase::askGuiOpFor(const IQzguiVarSizeItemBase&) { }
void TQzguiVarSizeItemBase::cancelGuiOpFor(const IQzguiVarSizeItemBase&) { }

void TQzguiVarSizeItemBase::askGuiOp()
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->askGuiOpFor(shared_from_this());
}

void TQzguiVarSizeItemBase::cancelGuiOp()
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->cancelGuiOpFor(shared_from_this());
}

ITreeHost* TQzguiVarSizeItemBase::ListView() const
{
    const IQzguiVarSizeFolder parent = ParentRef();
    if (!parent)
        throw ECancel(QStringLiteral("TQzguiVarSizeRoot.ListView: root detached"));
    return parent->ListView();
}

IMainFrame* TQzguiVarSizeItemBase::mainFrame() const
{
    return ListView()->mainFrame();
}

TQzguiVarSizeRoot* TQzguiVarSizeItemBase::Root() const
{
    Guard g(*fSect);
    const TQzguiVarSizeItemBase* e = this;
    while (e->fParent)
        e = e->fParent;
    return dynamic_cast<TQzguiVarSizeRoot*>(const_cast<TQzguiVarSizeItemBase*>(e));
}

// ---------------------------------------------------------------------------
// TQzguiVarSizeItem

bool TQzguiVarSizeItem::GetSelected() const
{
    Guard g(*fSect);
    return fbSelected;
}

void TQzguiVarSizeItem::SetSelected(bool flag)
{
    IQzguiVarSizeFolder parent;
    {
        Guard g(*fSect);
        if (fbSelected == flag)
            return;
        fbSelected = flag;
        parent = ParentRef();
    }
    if (!parent)
        return;
    const IQzguiVarSizeItemBase self = shared_from_this();
    onSelectedChanged();
    parent->notifySelected(self, fFinalRect, HasRects(), flag);
}

// ---------------------------------------------------------------------------
// TQzguiVarSizeFolderBase

TQzguiVarSizeFolderBase::TQzguiVarSizeFolderBase(TQzguiVarSizeFolderBase* parent, const QString& id)
    : TQzguiVarSizeItemBase(parent, id)
{
}

TQzguiVarSizeFolderBase::~TQzguiVarSizeFolderBase()
{
    // Children that outlive their folder (held by a snapshot or a list of
    // the view) lose their back pointer, so their requests go nowhere.
    Guard g(*fSect);
    for (const auto& c : fChild)
        c->fParent = nullptr;
}

TQzguiVarElementList TQzguiVarSizeFolderBase::enumSnapshot() const
{
    Guard g(*fSect);
    return fChild;
}

int TQzguiVarSizeFolderBase::GetCount() const
{
    Guard g(*fSect);
    return int(fChild.size());
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::GetItem(int index) const
{
    Guard g(*fSect);
    if (index < 0 || size_t(index) >= fChild.size())
        throw EArgumentOutOfRangeException(QStringLiteral("TQzguiVarSizeFolderBase.GetItem: index out of range"));
    return fChild[size_t(index)];
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::lastElement() const
{
    Guard g(*fSect);
    return fChild.empty() ? nullptr : fChild.back();
}

int TQzguiVarSizeFolderBase::indexOfChildUnlocked(const TQzguiVarSizeItemBase* element) const
{
    for (size_t i = 0; i < fChild.size(); ++i)
        if (fChild[i].get() == element)
            return int(i);
    return -1;
}

int TQzguiVarSizeFolderBase::IndexOf(const TQzguiVarSizeItemBase* element) const
{
    Guard g(*fSect);
    return indexOfChildUnlocked(element);
}

const TQzguiVarSortComparer& TQzguiVarSizeFolderBase::sortComparer() const
{
    return fSortMode == vdm_sortDesc ? TQzguiVarSortComparer::Desc() : TQzguiVarSortComparer::Asc();
}

TQzguiVarSortMode TQzguiVarSizeFolderBase::GetItemsSortMode() const
{
    Guard g(*fSect);
    return fSortMode;
}

void TQzguiVarSizeFolderBase::SetItemsSortMode(TQzguiVarSortMode mode)
{
    Guard g(*fSect);
    if (fSortMode == mode)
        return;
    if (!fChild.empty())
        raise(QStringLiteral("TQzguiVarSizeFolderBase.SetSortMode: can't be changed when children already present"));
    fSortMode = mode;
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::elementByID(const QString& id, int& index, TQzguiVarFind findmode) const
{
    const TQzguiVarSortKey key = TQzguiVarSortKey::Make(id);
    Guard g(*fSect);
    const TQzguiVarSortComparer& cmp = sortComparer();
    int lo = 0;
    int hi = int(fChild.size()) - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = cmp.Compare(*fChild[size_t(mid)], key);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0)
                found = true;
        }
    }
    index = lo;
    if (found)
        return fChild[size_t(lo)];
    if (findmode != vf_optional)
        raise(QStringLiteral("TQzguiVarSizeFolderBase.elementByID: element ") + quoted(id) + QStringLiteral(" not found"));
    return nullptr;
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::itemCreateAt(int index, const QString& id)
{
    IQzguiVarSizeItemBase e = createItemElement(this, id);
    Guard g(*fSect);
    fChild.insert(fChild.begin() + std::clamp(index, 0, int(fChild.size())), e);
    return e;
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::folderCreateAt(int index, const QString& id)
{
    IQzguiVarSizeItemBase e = createFolderElement(this, id);
    Guard g(*fSect);
    fChild.insert(fChild.begin() + std::clamp(index, 0, int(fChild.size())), e);
    return e;
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::createItemElement(TQzguiVarSizeFolderBase* parent, const QString& id)
{
    const IQzguiVarSizeFolder up = ParentRef();
    if (!up)
        throw ECancel(QStringLiteral("TQzguiVarSizeRoot.ListView: root detached"));
    return up->createItemElement(parent, id);
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::createFolderElement(TQzguiVarSizeFolderBase* parent, const QString& id)
{
    const IQzguiVarSizeFolder up = ParentRef();
    if (!up)
        throw ECancel(QStringLiteral("TQzguiVarSizeRoot.ListView: root detached"));
    return up->createFolderElement(parent, id);
}

QString TQzguiVarSizeFolderBase::pathTrim(QString path)
{
    // Blanks and separators at both ends go, however many there are.
    for (;;) {
        path = trimLow(path);
        if (path.startsWith(kVarPathSeparator))
            path.remove(0, 1);
        else if (path.endsWith(kVarPathSeparator))
            path.chop(1);
        else
            return path;
    }
}

IQzguiVarSizeFolder TQzguiVarSizeFolderBase::folderByPath(const QString& path, TQzguiVarFind findmode)
{
    IQzguiVarSizeFolder folder = std::static_pointer_cast<TQzguiVarSizeFolderBase>(shared_from_this());
    QString rest = path;
    for (;;) {
        rest = trimLow(rest);
        if (rest.isEmpty())
            return folder;
        if (folder.get() != this && !folder->IsInitialized())
            folder->InitializationEnd();
        rest = pathTrim(rest);
        if (rest.isEmpty())
            return folder;
        const int pos = rest.indexOf(kVarPathSeparator);
        const QString component = pos < 0 ? rest : rest.left(pos);
        rest = pos < 0 ? QString() : rest.mid(pos + 1);

        Guard g(*fSect);
        int index = 0;
        const IQzguiVarSizeItemBase found = folder->elementByID(component, index, vf_optional);
        if (!found) {
            if (findmode == vf_optional)
                return nullptr;
            if (findmode == vf_required)
                raise(QStringLiteral("TQzguiVarSizeFolderBase.folderByPath: element ") + quoted(component)
                      + QStringLiteral(" not found"));
            folder = std::static_pointer_cast<TQzguiVarSizeFolderBase>(folder->folderCreateAt(index, component));
        } else if (!found->IsFolder()) {
            if (findmode == vf_optional)
                return nullptr;
            raise(QStringLiteral("TQzguiVarSizeFolderBase.folderByPath: element ") + quoted(component)
                  + QStringLiteral(" exists but it is not a folder"));
        } else {
            folder = std::static_pointer_cast<TQzguiVarSizeFolderBase>(found);
        }
    }
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::elementByPath(const QString& path, TQzguiVarFind findmode)
{
    const QString p = pathTrim(path);
    const int pos = p.lastIndexOf(kVarPathSeparator);
    IQzguiVarSizeFolder folder = std::static_pointer_cast<TQzguiVarSizeFolderBase>(shared_from_this());
    QString name = p;
    if (pos >= 0) {
        folder = folderByPath(p.left(pos), findmode);
        if (!folder)
            return nullptr;
        Guard g(*fSect);
        if (!folder->IsInitialized())
            folder->InitializationEnd();
        name = p.mid(pos + 1);
    }
    int index = 0;
    return folder->elementByID(name, index, findmode);
}

IQzguiVarSizeItem TQzguiVarSizeFolderBase::itemByPath(const QString& path, TQzguiVarFind findmode)
{
    const QString p = pathTrim(path);
    const int pos = p.lastIndexOf(kVarPathSeparator);
    IQzguiVarSizeFolder folder = std::static_pointer_cast<TQzguiVarSizeFolderBase>(shared_from_this());
    QString name = p;
    Guard g(*fSect);
    if (pos >= 0) {
        folder = folderByPath(p.left(pos), findmode);
        if (!folder)
            return nullptr;
        if (!folder->IsInitialized())
            folder->InitializationEnd();
        name = p.mid(pos + 1);
    }
    int index = 0;
    const IQzguiVarSizeItemBase found = folder->elementByID(name, index, vf_optional);
    if (found) {
        IQzguiVarSizeItem item = std::dynamic_pointer_cast<TQzguiVarSizeItem>(found);
        if (!item && findmode != vf_optional)
            raise(QStringLiteral("TQzguiVarSizeFolderBase.itemByPath: element ") + quoted(name)
                  + QStringLiteral(" exists but it is not an item"));
        return item;
    }
    if (findmode == vf_optional)
        return nullptr;
    if (findmode == vf_required)
        raise(QStringLiteral("TQzguiVarSizeFolderBase.itemByPath: element ") + quoted(name) + QStringLiteral(" not found"));
    IQzguiVarSizeItem item = std::dynamic_pointer_cast<TQzguiVarSizeItem>(folder->itemCreateAt(index, name));
    if (!item)
        raise(QStringLiteral("TQzguiVarSizeFolderBase.itemByPath: the item factory made no item"));
    return item;
}

IQzguiVarSizeItemBase TQzguiVarSizeFolderBase::elementByData(const void* data) const
{
    for (const IQzguiVarSizeItemBase& c : enumSnapshot()) {
        if (c->GetData() == data)
            return c;
        if (c->IsFolder())
            if (IQzguiVarSizeItemBase r = static_cast<TQzguiVarSizeFolderBase&>(*c).elementByData(data))
                return r;
    }
    return nullptr;
}

bool TQzguiVarSizeFolderBase::GetExpanded() const
{
    Guard g(*fSect);
    return fExpanded;
}

void TQzguiVarSizeFolderBase::SetExpanded(bool flag)
{
    {
        Guard g(*fSect);
        if (fExpanded == flag)
            return;
        fExpanded = flag;
    }
    RecalcSize();
    if (flag) {
        // Its children may never have been laid out.
        {
            Guard g(*fSect);
            fOps |= vo_AllSizeToCalc;
        }
        if (const IQzguiVarSizeFolder parent = ParentRef())
            parent->SetExpanded(true);
    }
}

bool TQzguiVarSizeFolderBase::AllSizeToCalc() const
{
    Guard g(*fSect);
    return fOps & vo_AllSizeToCalc;
}

void TQzguiVarSizeFolderBase::RecalcAllSize()
{
    IQzguiVarSizeFolder parent;
    {
        Guard g(*fSect);
        if (fOps & vo_notInit)
            return;
        fOps |= vo_AllSizeToCalc | vo_SizeToCalc;
        parent = ParentRef();
    }
    if (parent)
        parent->RecalcSize();
}

void TQzguiVarSizeFolderBase::RecalcSize()
{
    TQzguiVarSizeItemBase::RecalcSize();
}

bool TQzguiVarSizeFolderBase::isSizeToCalc() const
{
    Guard g(*fSect);
    return fOps & (vo_SizeToCalc | vo_AllSizeToCalc);
}

void TQzguiVarSizeFolderBase::sizeCalcDone(TQzguiVarResizeType rstype)
{
    if (rstype == vrt_FolderEnd)
        return;
    Guard g(*fSect);
    fOps &= ~unsigned(vo_SizeToCalc | vo_AllSizeToCalc);
}

namespace {

QRectF unionOf(const QRectF& start, const QRectF& end, bool horz, const char* op)
{
    QRectF r = start;
    if (!horz) {
        if (qRound(end.top()) < qRound(start.bottom()))
            raise(QStringLiteral("TQzguiVarSizeFolderBase.%1: unexpected call (folderEnd not well set)").arg(QLatin1String(op)));
        r.setBottom(end.bottom());
        if (end.right() > r.right())
            r.setRight(end.right());
    } else {
        if (qRound(end.left()) < qRound(start.right()))
            raise(QStringLiteral("TQzguiVarSizeFolderBase.%1: unexpected call (folderEnd not well set)").arg(QLatin1String(op)));
        r.setRight(end.right());
        if (end.bottom() > r.bottom())
            r.setBottom(end.bottom());
    }
    return r;
}

} // namespace

QRectF TQzguiVarSizeFolderBase::SizeCalcRect(TQzguiVarResizeType rstype) const
{
    const QString op = QStringLiteral("TQzguiVarSizeFolderBase.SizeCalcRect: unexpected call");
    if (!fResizeRectCalc)
        raise(op);
    switch (rstype) {
    case vrt_FolderStart:
        if (!fDrawnExpanded)
            raise(op + QStringLiteral(" (folderStart not set)"));
        return fResizeRect;
    case vrt_FolderEnd:
        if (!fDrawnExpanded || !fResizeRectEndCalc)
            raise(op + QStringLiteral(" (folderEnd not set)"));
        return fResizeRectEnd;
    case vrt_Item:
        if (!fDrawnExpanded)
            return fResizeRect;
        if (!fResizeRectEndCalc)
            raise(op + QStringLiteral(" (folderEnd not set)"));
        return unionOf(fResizeRect, fResizeRectEnd, fbHorzList, "SizeCalcRect");
    }
    raise(op + QStringLiteral(" (rstype)"));
}

void TQzguiVarSizeFolderBase::SetSizeCalcRect(TQzguiVarResizeType rstype, const QRectF& rect, bool horizontal)
{
    switch (rstype) {
    case vrt_Item:
    case vrt_FolderStart:
        fResizeRect = rect;
        fResizeRectCalc = true;
        fbHorzList = horizontal;
        fDrawnExpanded = rstype == vrt_FolderStart;
        fResizeRectEnd = QRectF();
        fResizeRectEndCalc = false;
        return;
    case vrt_FolderEnd:
        if (!fDrawnExpanded)
            raise(QStringLiteral("TQzguiVarSizeFolderBase.SetSizeCalcRect: unexpected call (folderEnd without folderStart)"));
        fResizeRectEnd = rect;
        fResizeRectEndCalc = true;
        return;
    }
    raise(QStringLiteral("TQzguiVarSizeFolderBase.SetSizeCalcRect: unexpected call (rstype)"));
}

QRectF TQzguiVarSizeFolderBase::FinalViewRect(TQzguiVarResizeType rstype) const
{
    const QString op = QStringLiteral("TQzguiVarSizeFolderBase.FinalViewRect: unexpected call");
    switch (rstype) {
    case vrt_FolderStart:
        if (!fFinalDrawnExpanded)
            raise(op + QStringLiteral(" (folderStart not set)"));
        return fFinalRect;
    case vrt_FolderEnd:
        if (!fFinalDrawnExpanded || !fFinalRectEndCalc)
            raise(op + QStringLiteral(" (folderEnd not set)"));
        return fFinalRectEnd;
    case vrt_Item:
        if (!fFinalRectCalc)
            raise(op);
        if (!fFinalDrawnExpanded)
            return fFinalRect;
        if (!fFinalRectEndCalc)
            raise(op + QStringLiteral(" (folderEnd not set)"));
        return unionOf(fFinalRect, fFinalRectEnd, fbHorzList, "FinalViewRect");
    }
    raise(op + QStringLiteral(" (rstype)"));
}

void TQzguiVarSizeFolderBase::SetFinalViewRect(TQzguiVarResizeType rstype, const QRectF& rect)
{
    switch (rstype) {
    case vrt_Item:
        FinalRectStore(rect);
        fFinalDrawnExpanded = false;
        fFinalRectEnd = QRectF();
        fFinalRectEndCalc = false;
        finalViewYposReset();
        FinalViewYpositionPlaceEnd();
        return;
    case vrt_FolderStart:
        FinalRectStore(rect);
        fFinalDrawnExpanded = true;
        fFinalRectEnd = QRectF();
        fFinalRectEndCalc = false;
        // The whole rectangle is known once the closing part is placed.
        fFinalRectCalc = false;
        finalViewYposReset();
        return;
    case vrt_FolderEnd:
        if (!fFinalDrawnExpanded)
            raise(QStringLiteral("TQzguiVarSizeFolderBase.SetFinalViewRect: unexpected call (folderEnd without folderStart)"));
        fFinalRectEnd = rect;
        fFinalRectEndCalc = true;
        fFinalRectCalc = fbHorzList ? qRound(rect.left()) >= qRound(fFinalRect.right())
                                    : qRound(rect.top()) >= qRound(fFinalRect.bottom());
        FinalViewYpositionPlaceEnd();
        return;
    }
    raise(QStringLiteral("TQzguiVarSizeFolderBase.SetFinalViewRect: unexpected call (rstype)"));
}

void TQzguiVarSizeFolderBase::ValidateFinalViewRect(TQzguiVarResizeType rstype)
{
    const QString op = QStringLiteral("TQzguiVarSizeFolderBase.ValidateFinalViewRect: unexpected call");
    switch (rstype) {
    case vrt_Item:
        if (fDrawnExpanded)
            raise(op);
        if (fParent)
            fParent->FinalViewYpositionPlace(shared_from_this(), fFinalRectTop, fFinalRectTop);
        fFinalRectEnd = QRectF();
        fFinalRectEndCalc = false;
        return;
    case vrt_FolderStart:
        if (!fFinalDrawnExpanded)
            raise(op + QStringLiteral(" (2)"));
        if (fParent)
            fParent->FinalViewYpositionPlace(shared_from_this(), fFinalRectTop, fFinalRectTop);
        if (fChildYposIdx < 0)
            finalViewYposReset();
        return;
    case vrt_FolderEnd:
        if (!fFinalDrawnExpanded)
            raise(op + QStringLiteral(" (3)"));
        FinalViewYpositionPlaceEnd();
        return;
    }
    raise(op + QStringLiteral(" (rstype)"));
}

bool TQzguiVarSizeFolderBase::isFinalRectVisible(const QRectF& rect, TQzguiVarResizeType rstype) const
{
    if (!fFinalRectCalc)
        return false;
    const QRectF r = FinalViewRect(rstype);
    if (rstype == vrt_Item && r.isEmpty())
        return true;
    return r.intersects(rect);
}

bool TQzguiVarSizeFolderBase::isAtYposition(float position) const
{
    if (!fFinalDrawnExpanded || !fFinalRectEndCalc)
        return fFinalRectTop == position;
    const float end = float(fbHorzList ? fFinalRectEnd.right() : fFinalRectEnd.bottom());
    return position >= fFinalRectTop && position <= end;
}

int TQzguiVarSizeFolderBase::positionIndexSearch(float key, bool& found) const
{
    int lo = 0;
    int hi = int(fChildYpos.size()) - 1;
    found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const float k = fChildYpos[size_t(mid)]->GetFinalRectTop();
        if (k < key) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (k == key)
                found = true;
        }
    }
    return lo;
}

int TQzguiVarSizeFolderBase::firstChildIndexAt(float position) const
{
    if (fChildYpos.empty())
        return 0;
    bool found = false;
    int index = positionIndexSearch(position, found);
    if (!found && index > 0)
        --index;
    while (index > 0 && fChildYpos[size_t(index - 1)]->isAtYposition(fChildYpos[size_t(index)]->GetFinalRectTop()))
        --index;
    return index;
}

int TQzguiVarSizeFolderBase::lastChildIndexAt(float position) const
{
    const int count = int(fChildYpos.size());
    if (count == 0)
        return -1;
    bool found = false;
    int index = positionIndexSearch(position, found);
    if (!found)
        return index < count ? index : count - 1;
    --index;
    while (index >= 0 && fChildYpos[size_t(index)]->isAtYposition(position))
        --index;
    return index;
}

void TQzguiVarSizeFolderBase::FinalViewYpositionPlaceRestart(const TQzguiVarSizeItemBase* child)
{
    for (size_t i = 0; i < fChildYpos.size(); ++i)
        if (fChildYpos[i].get() == child) {
            fChildYposIdx = int(i);
            return;
        }
    raise(QStringLiteral("TQzguiVarSizeFolderBase.FinalViewYpositionPlaceRestart: unexpected call (2)"));
}

void TQzguiVarSizeFolderBase::FinalViewYpositionPlace(const IQzguiVarSizeItemBase& child, float oldKey, float newKey)
{
    const QString op = QStringLiteral("TQzguiVarSizeFolderBase.FinalViewYpositionPlace: unexpected call");
    if (fChildYposIdx < 0)
        raise(op);
    const int count = int(fChildYpos.size());
    if (fChildYposIdx > 0 && fChildYposIdx <= count && fChildYpos[size_t(fChildYposIdx - 1)]->GetFinalRectTop() > newKey)
        raise(op + QStringLiteral(" (1)"));
    if (fChildYposIdx < count) {
        if (fChildYpos[size_t(fChildYposIdx)] == child && newKey <= oldKey) {
            ++fChildYposIdx;
            return;
        }
        fChildYpos.resize(size_t(fChildYposIdx));
        fChildYpos.push_back(child);
        ++fChildYposIdx;
    } else if (fChildYposIdx == count) {
        fChildYpos.push_back(child);
        ++fChildYposIdx;
    } else {
        raise(op + QStringLiteral(" (2)"));
    }
}

void TQzguiVarSizeFolderBase::FinalViewYpositionPlaceEnd()
{
    if (fChildYposIdx < 0)
        raise(QStringLiteral("TQzguiVarSizeFolderBase.FinalViewYpositionPlaceEnd: unexpected call"));
    if (size_t(fChildYposIdx) < fChildYpos.size())
        fChildYpos.resize(size_t(fChildYposIdx));
    fChildYposIdx = -1;
}

bool TQzguiVarSizeFolderBase::elementByMousePos(const QPointF& point, TQzguiVarThumbInfo& info)
{
    if (!fFinalRectCalc)
        return false;
    const QRectF r = FinalViewRect(vrt_Item);
    if (this != Root()
        && (point.x() < r.left() || point.x() >= r.right() || point.y() < r.top() || point.y() >= r.bottom()))
        return false;
    if (fFinalDrawnExpanded) {
        // The header of an expanded folder is the folder itself: that is
        // where it is drawn and where a tap toggles it.
        if (this != Root() && fFinalRect.contains(point) && point.x() < fFinalRect.right() && point.y() < fFinalRect.bottom()) {
            info.item = shared_from_this();
            info.ptMouse = point;
            info.ptLocal = point - fFinalRect.topLeft();
            info.itemRect = fFinalRect;
            return true;
        }
        const float p = float(fbHorzList ? point.x() : point.y());
        // The entries that start exactly at the point are candidates too
        // (their top edge belongs to them).
        const int last = lastChildIndexAt(std::nextafter(p, std::numeric_limits<float>::infinity()));
        for (int i = firstChildIndexAt(p); i <= last; ++i)
            if (fChildYpos[size_t(i)]->elementByMousePos(point, info))
                return true;
        return false;
    }
    info.item = shared_from_this();
    info.ptMouse = point;
    info.ptLocal = point - r.topLeft();
    info.itemRect = r;
    return true;
}

void TQzguiVarSizeFolderBase::invalidateRect(const QRectF& rect)
{
    TQzguiVarSizeItemBase::invalidateRect(rect);
}

void TQzguiVarSizeFolderBase::askFocus(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool rectKnown)
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->askFocus(element, rect, rectKnown && fResizeRectCalc);
}

void TQzguiVarSizeFolderBase::notifySizeChanged(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag)
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->notifySizeChanged(element, rect, flag && fResizeRectCalc);
}

void TQzguiVarSizeFolderBase::notifySelected(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool selected)
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->notifySelected(element, rect, flag && fResizeRectCalc, selected);
}

void TQzguiVarSizeFolderBase::notifyCurrent(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool current)
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->notifyCurrent(element, rect, flag && fResizeRectCalc, current);
}

void TQzguiVarSizeFolderBase::notifyClick(const IQzguiVarSizeItemBase& element)
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->notifyClick(element);
}

void TQzguiVarSizeFolderBase::askGuiOpFor(const IQzguiVarSizeItemBase& element)
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->askGuiOpFor(element);
}

void TQzguiVarSizeFolderBase::cancelGuiOpFor(const IQzguiVarSizeItemBase& element)
{
    if (const IQzguiVarSizeFolder parent = ParentRef())
        parent->cancelGuiOpFor(element);
}

// ---------------------------------------------------------------------------
// TQzguiVarSizeRoot

TQzguiVarSizeRoot::TQzguiVarSizeRoot(ITreeHost* ctrl)
    : TQzguiVarSizeFolderBase(nullptr, QString())
    , fCtrl(ctrl)
{
    fOps = 0;
    fExpanded = true;
}

void TQzguiVarSizeRoot::detachFromListView()
{
    Guard g(*fSect);
    fCtrl = nullptr;
}

bool TQzguiVarSizeRoot::IsAttached() const
{
    Guard g(*fSect);
    return fCtrl != nullptr;
}

ITreeHost* TQzguiVarSizeRoot::ListView() const
{
    Guard g(*fSect);
    if (!fCtrl)
        throw ECancel(QStringLiteral("TQzguiVarSizeRoot.ListView: root detached"));
    return fCtrl;
}

ITreeHost* TQzguiVarSizeRoot::hostForNotification() const
{
    Guard g(*fSect);
    return fCtrl;
}

// The requests below reach the list view while the tree lock is held: the
// list view only sets flags there, and its destructor detaches the root under
// the same lock, so a worker never calls a list view that is gone.

void TQzguiVarSizeRoot::RecalcSize()
{
    Guard g(*fSect);
    fOps |= vo_SizeToCalc;
    if (fCtrl)
        fCtrl->askRecalc();
}

void TQzguiVarSizeRoot::RecalcAllSize()
{
    Guard g(*fSect);
    fOps |= vo_SizeToCalc | vo_AllSizeToCalc;
    if (fCtrl)
        fCtrl->askRecalc();
}

void TQzguiVarSizeRoot::askRepaint()
{
    Guard g(*fSect);
    if (fCtrl)
        fCtrl->askRepaint();
}

float TQzguiVarSizeRoot::spacingHorz() const
{
    Guard g(*fSect);
    return fCtrl ? fCtrl->spacingHorz() : 0.f;
}

void TQzguiVarSizeRoot::askGuiOpFor(const IQzguiVarSizeItemBase& element)
{
    Guard g(*fSect);
    if (fCtrl)
        fCtrl->askGuiOp(element);
}

void TQzguiVarSizeRoot::cancelGuiOpFor(const IQzguiVarSizeItemBase& element)
{
    Guard g(*fSect);
    if (fCtrl)
        fCtrl->cancelGuiOp(element);
}

IQzguiVarSizeItemBase TQzguiVarSizeRoot::createItemElement(TQzguiVarSizeFolderBase* parent, const QString& id)
{
    Guard g(*fSect);
    return ListView()->createItemElement(parent, id);
}

IQzguiVarSizeItemBase TQzguiVarSizeRoot::createFolderElement(TQzguiVarSizeFolderBase* parent, const QString& id)
{
    Guard g(*fSect);
    return ListView()->createFolderElement(parent, id);
}

void TQzguiVarSizeRoot::invalidateRect(const QRectF& rect)
{
    if (!fResizeRectCalc)
        return;
    if (ITreeHost* host = hostForNotification())
        host->invalidateRect(rect);
}

void TQzguiVarSizeRoot::askFocus(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool rectKnown)
{
    ListView()->onElementFocus(element, rect, rectKnown && fResizeRectCalc);
}

void TQzguiVarSizeRoot::notifySizeChanged(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag)
{
    if (ITreeHost* host = hostForNotification())
        host->onElementSizeChanged(element, rect, flag && fResizeRectCalc);
}

void TQzguiVarSizeRoot::notifySelected(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool selected)
{
    if (ITreeHost* host = hostForNotification())
        host->onElementSelected(element, rect, flag && fResizeRectCalc, selected);
}

void TQzguiVarSizeRoot::notifyCurrent(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool current)
{
    if (ITreeHost* host = hostForNotification())
        host->onElementCurrent(element, rect, flag && fResizeRectCalc, current);
}

void TQzguiVarSizeRoot::notifyClick(const IQzguiVarSizeItemBase& element)
{
    if (ITreeHost* host = hostForNotification())
        host->onItemClick(element);
}
