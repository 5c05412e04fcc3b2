#include "UQzFileSystemBase.h"

#include "IMainFrame.h"
#include "ULangText.h"
#include "UThreadTaskQueue.h"

#include <algorithm>

namespace {

const TLangText& txtFileNotFound()
{
    static TLangText& t = TLangText::Create(QStringLiteral("File '%s' not found"));
    return t;
}

} // namespace

ENotFound::ENotFound(const TLangText& text) : Exception(text.Text()) { }

QString QzfsNameToSubId(const QString& name)
{
    if (!name.contains(QLatin1Char('%')) && !name.contains(QLatin1Char('\\')))
        return name;
    QString out;
    out.reserve(name.size() + 8);
    for (QChar c : name) {
        if (c == QLatin1Char('%'))
            out += QStringLiteral("%25");
        else if (c == QLatin1Char('\\'))
            out += QStringLiteral("%5C");
        else
            out += c;
    }
    return out;
}

QString QzfsSubIdToName(const QString& subId)
{
    if (!subId.contains(QLatin1Char('%')))
        return subId;
    QString out;
    out.reserve(subId.size());
    for (int i = 0; i < subId.size(); ++i) {
        if (subId[i] == QLatin1Char('%') && i + 2 < subId.size()) {
            const QString code = subId.mid(i + 1, 2).toUpper();
            if (code == QStringLiteral("25")) {
                out += QLatin1Char('%');
                i += 2;
                continue;
            }
            if (code == QStringLiteral("5C")) {
                out += QLatin1Char('\\');
                i += 2;
                continue;
            }
        }
        out += subId[i];
    }
    return out;
}

bool QzfsUnsafeIdPart(const QString& part)
{
    if (part.isEmpty() || part == QStringLiteral(".") || part == QStringLiteral(".."))
        return true;
    const QString name = QzfsSubIdToName(part);
    return name == QStringLiteral(".") || name == QStringLiteral("..") || name.contains(QLatin1Char('/'))
        || name.contains(QChar(0));
}

void QzfsTaskCheckStop(IMainFrame* main)
{
    if (main)
        main->TaskCheckStop();
    else
        TThreadTaskQueueWithoutThread::CheckCancel();
}

// ------------------------------------------------------------ TQzfsFolderBase

TQzfsFolderBase::TQzfsFolderBase(IMainFrame* main, IQzfsFolder* parent, const QString& subId)
    : fparentId(parent ? parent->folderId() : QString())
    , fsubId(subId)
    , fMainFrame(main)
{
}

TQzfsFolderBase::~TQzfsFolderBase() = default;

int TQzfsFolderBase::Compare(const IQzfsFolderRef& a, const IQzfsFolderRef& b)
{
    return QString::localeAwareCompare(a->folderSubId().toLower(), b->folderSubId().toLower());
}

void TQzfsFolderBase::SortFolders(std::vector<IQzfsFolderRef>& folders)
{
    std::stable_sort(folders.begin(), folders.end(),
                     [](const IQzfsFolderRef& a, const IQzfsFolderRef& b) { return Compare(a, b) < 0; });
}

QString TQzfsFolderBase::folderId()
{
    if (fparentId.isEmpty())
        return fsubId;
    return fparentId + folderIdSeparator() + fsubId;
}

bool TQzfsFolderBase::refreshNow()
{
    throw Exception(QStringLiteral("TQzfsFolderBase.refreshNow: Not implemented"));
}

void TQzfsFolderBase::SetGhostNode(bool)
{
    throw Exception(QStringLiteral("TQzfsFolderBase.SetGhostNode: Not implemented"));
}

IQzfsFolderRef TQzfsFolderBase::FolderGet(const QString& fldId)
{
    IQzfsFolderRef f = FolderFind(fldId);
    if (!f)
        throw ENotFound(TLangTextBase::Format(txtFileNotFound().Text(), { fldId }));
    return f;
}

TOrderImageRef TQzfsFolderBase::ImageGet(const QString& imgId)
{
    TOrderImageRef img = ImageFind(imgId, QString(), QString());
    if (!img)
        throw ENotFound(TLangTextBase::Format(txtFileNotFound().Text(), { imgId }));
    return img;
}

IQzfsFolderRef TQzfsFolderBase::self()
{
    return std::dynamic_pointer_cast<IQzfsFolder>(shared_from_this());
}

// --------------------------------------------------------- TQzfsFolderAdvBase

IQzfsFolderEnumRef TQzfsFolderAdvBase::Folders()
{
    return std::make_shared<TQzfsFolderAdvEnumFolderExcludeEmpty>(self());
}

IQzfsImageEnumRef TQzfsFolderAdvBase::Images()
{
    return std::make_shared<TQzfsFolderAdvEnumImage>(
        std::static_pointer_cast<TQzfsFolderAdvBase>(shared_from_this()));
}

IQzfsFolderRef TQzfsFolderAdvBase::FolderFind(const QString& fldId)
{
    findPrepare();
    const QChar sep = QLatin1Char('\\');
    if (!fldId.contains(sep))
        return folderFindLocal(fldId);
    if (fldId.startsWith(sep))
        return FolderFind(fldId.mid(1));
    // Sub ids may hold separators: the first prefix that names a child
    // decides, and no other is tried.
    for (int pos = fldId.indexOf(sep); pos >= 0; pos = fldId.indexOf(sep, pos + 1)) {
        if (IQzfsFolderRef child = folderFindLocal(fldId.left(pos)))
            return child->FolderFind(fldId.mid(pos + 1));
    }
    return nullptr;
}

TOrderImageRef TQzfsFolderAdvBase::ImageFind(const QString& imgId, const QString& imglabel, const QString& imgdata)
{
    const QChar sep = QLatin1Char('\\');
    const int pos = imgId.indexOf(sep);
    if (pos < 0)
        return imageFindLocal(imgId);
    if (pos == 0)
        return ImageFind(imgId.mid(1), imglabel, imgdata);
    IQzfsFolderRef folder = FolderFind(imgId.left(pos));
    if (!folder)
        return nullptr;
    return folder->ImageFind(imgId.mid(pos + 1), imglabel, imgdata);
}

// ------------------------------------------- TQzfsFolderAdvWithFolderDicoBase

IQzfsFolderRef TQzfsFolderAdvWithFolderDicoBase::folderFindLocal(const QString& subId)
{
    if (subId.isEmpty())
        return nullptr;
    for (const IQzfsFolderRef& f : folderListSnapshot())
        if (f->folderSubId() == subId)
            return f;
    return nullptr;
}

IQzfsFolderRef TQzfsFolderAdvWithFolderDicoBase::FolderByIndice(int idx, TQzfsCursor&)
{
    if (idx == 0)
        findPrepare();
    std::lock_guard lk(fFoldersLock);
    if (idx < 0 || idx >= int(fFolders.size()))
        return nullptr;
    return fFolders[size_t(idx)];
}

bool TQzfsFolderAdvWithFolderDicoBase::autoRefresh()
{
    for (const IQzfsFolderRef& f : folderListSnapshot())
        if (f->IsGhostNode() && f->autoRefresh())
            return true;
    return false;
}

bool TQzfsFolderAdvWithFolderDicoBase::refreshNow()
{
    bool changed = false;
    for (const IQzfsFolderRef& f : folderListSnapshot())
        if (f->IsGhostNode() && f->refreshNow())
            changed = true;
    return changed;
}

quint32 TQzfsFolderAdvWithFolderDicoBase::refreshTick()
{
    quint32 sum = 0;
    for (const IQzfsFolderRef& f : folderListSnapshot())
        if (f->IsGhostNode())
            sum += f->refreshTick();
    return sum;
}

void TQzfsFolderAdvWithFolderDicoBase::folderListAdd(const IQzfsFolderRef& fld)
{
    std::lock_guard lk(fFoldersLock);
    fFolders.push_back(fld);
}

void TQzfsFolderAdvWithFolderDicoBase::folderListRemoveBySubId(const QString& subId)
{
    if (IQzfsFolderRef f = TQzfsFolderAdvWithFolderDicoBase::folderFindLocal(subId))
        folderListRemove(f);
}

void TQzfsFolderAdvWithFolderDicoBase::folderListRemove(const IQzfsFolderRef& fld)
{
    std::lock_guard lk(fFoldersLock);
    auto it = std::find(fFolders.begin(), fFolders.end(), fld);
    if (it != fFolders.end())
        fFolders.erase(it);
}

std::vector<IQzfsFolderRef> TQzfsFolderAdvWithFolderDicoBase::folderListSnapshot() const
{
    std::lock_guard lk(fFoldersLock);
    return fFolders;
}

void TQzfsFolderAdvWithFolderDicoBase::folderListAssign(std::vector<IQzfsFolderRef> folders)
{
    std::lock_guard lk(fFoldersLock);
    fFolders = std::move(folders);
}

int TQzfsFolderAdvWithFolderDicoBase::folderListCount() const
{
    std::lock_guard lk(fFoldersLock);
    return int(fFolders.size());
}

// ------------------------------------------------------- TQzfsFolderMergeRoot

TQzfsFolderMergeRoot::TQzfsFolderMergeRoot(IMainFrame* main, const QString& id, const QString& lbl, int icon)
    : TQzfsFolderAdvWithFolderDicoBase(main, nullptr, id)
    , fLabel(lbl)
    , fIcon(icon < 0 ? 0 : icon)
{
}

void TQzfsFolderMergeRoot::folderAdd(const IQzfsFolderRef& fld)
{
    folderListAdd(fld);
    fld->SetGhostNode(true);
}

void TQzfsFolderMergeRoot::OSpathToVpathSearch(TQzosPathToVpathConverter& pathCvt)
{
    for (const IQzfsFolderRef& f : folderListSnapshot())
        f->OSpathToVpathSearch(pathCvt);
}

// --------------------------------------------------- TQzfsFolderAdvEnumFolder

TQzfsFolderAdvEnumFolder::TQzfsFolderAdvEnumFolder(IQzfsFolderRef folder)
    : fMain(folder->mainFrame())
    , fFolder(std::move(folder))
{
}

TQzfsFolderAdvEnumFolder::~TQzfsFolderAdvEnumFolder()
{
    if (fData)
        fFolder->FolderByIndiceFreeData(fData);
    for (TstackInfo& s : fStack)
        if (s.fData)
            s.fFolder->FolderByIndiceFreeData(s.fData);
}

bool TQzfsFolderAdvEnumFolder::folderAccept(const IQzfsFolderRef& fld)
{
    QzfsTaskCheckStop(fMain);
    return fld->IsVisible();
}

bool TQzfsFolderAdvEnumFolder::MoveNext()
{
    for (;;) {
        ++fIdx;
        fCurrent = fFolder->FolderByIndice(fIdx, fData);
        if (!fCurrent) {
            if (fData)
                fFolder->FolderByIndiceFreeData(fData);
            if (fStack.empty())
                return false;
            TstackInfo top = std::move(fStack.back());
            fStack.pop_back();
            fFolder = std::move(top.fFolder);
            fIdx = top.fIdx;
            fData = std::move(top.fData);
            continue;
        }
        if (!folderAccept(fCurrent))
            continue;
        if (!fCurrent->IsGhostNode())
            return true;
        fStack.push_back({ fFolder, fIdx, std::move(fData) });
        fFolder = fCurrent;
        fIdx = -1;
        fData.reset();
    }
}

bool TQzfsFolderAdvEnumFolderExcludeEmpty::folderAccept(const IQzfsFolderRef& fld)
{
    return TQzfsFolderAdvEnumFolder::folderAccept(fld) && fld->HasImagesInSubFolders();
}

// ---------------------------------------------------- TQzfsFolderAdvEnumImage

TQzfsFolderAdvEnumImage::TQzfsFolderAdvEnumImage(std::shared_ptr<TQzfsFolderAdvBase> folder)
    : fOwner(folder)
    , fFolder(folder->self())
    , fMain(folder->mainFrame())
{
}

TQzfsFolderAdvEnumImage::~TQzfsFolderAdvEnumImage()
{
    fCurEnum.reset();
    if (fFolderData)
        fFolder->FolderByIndiceFreeData(fFolderData);
}

bool TQzfsFolderAdvEnumImage::folderAccept(const IQzfsFolderRef& fld)
{
    QzfsTaskCheckStop(fMain);
    return fld->IsVisible();
}

bool TQzfsFolderAdvEnumImage::ghostFolderNext()
{
    fCurEnum.reset();
    IQzfsFolderRef f;
    for (;;) {
        ++fFolderIdx;
        f = fFolder->FolderByIndice(fFolderIdx, fFolderData);
        if (!f) {
            if (fFolderData)
                fFolder->FolderByIndiceFreeData(fFolderData);
            return false;
        }
        if (f->IsGhostNode() && folderAccept(f))
            break;
    }
    // The ghost node's own walk lists the ghost nodes nested in it: this
    // walk does not descend into it again, so no picture comes twice.
    fCurEnum = f->Images();
    return true;
}

bool TQzfsFolderAdvEnumImage::MoveNext()
{
    fCurrent.reset();
    if (!fCurEnum) {
        ++fIdx;
        fCurrent = fOwner->SubImageByIndice(fIdx);
        if (fCurrent)
            return true;
        if (!ghostFolderNext())
            return false;
    }
    while (fCurEnum) {
        if (fCurEnum->MoveNext())
            return true;
        if (!ghostFolderNext())
            return false;
    }
    return false;
}

TOrderImageRef TQzfsFolderAdvEnumImage::GetCurrentGen()
{
    if (fCurEnum)
        return fCurEnum->GetCurrentGen();
    return std::move(fCurrent);
}

void TQzfsFolderAdvEnumImage::Reset()
{
    fIdx = -1;
    fFolderIdx = -1;
    fCurEnum.reset();
}

// -------------------------------------------------- TQzosPathToVpathConverter

QString TQzosPathToVpathConverter::OsRelativeToVpath(const QString& rel)
{
    const QStringList parts = rel.split(QLatin1Char('/'));
    QStringList out;
    out.reserve(parts.size());
    for (const QString& p : parts)
        out << QzfsNameToSubId(p);
    return out.join(QLatin1Char('\\'));
}

void TQzosPathToVpathConverter::Match(const QString& osFolderPath, IQzfsFolder* folder)
{
    if (osFolderPath.isEmpty() || !folder)
        return;
    QString p = osFolderPath;
    while (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    if (p.isEmpty())
        return;
    if (p.size() <= fOSpathFolderFound.size())
        return;
    if (fOSpathToFind.startsWith(p + QLatin1Char('/'))) {
        fOSpathFolderFound = p;
        fVpathFound = folder->folderId() + QLatin1Char('\\') + OsRelativeToVpath(fOSpathToFind.mid(p.size() + 1));
    } else if (fOSpathToFind == p) {
        fOSpathFolderFound = p;
        fVpathFound = folder->folderId();
    }
}
