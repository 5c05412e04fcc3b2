// The media file-system model: lookups by virtual path, ghost nodes in the
// folder and picture walks, refresh sums, the merge root and the translation
// of operating-system paths into virtual paths.
#include "MediaFakes.h"
#include "UOrderImageFile.h"
#include "UQzFileSystemBase.h"

#include <gtest/gtest.h>

using namespace mediafakes;

namespace {

// A folder held in memory: named pictures, children, and settable flags.
class MemFolder : public TQzfsFolderAdvWithFolderDicoBase {
public:
    MemFolder(IMainFrame* main, IQzfsFolder* parent, const QString& subId, QStringList pictures = {})
        : TQzfsFolderAdvWithFolderDicoBase(main, parent, subId)
        , fPictures(std::move(pictures))
    {
    }
    static std::shared_ptr<MemFolder> make(IMainFrame* main, IQzfsFolder* parent, const QString& subId,
                                           QStringList pictures = {})
    {
        return std::make_shared<MemFolder>(main, parent, subId, std::move(pictures));
    }
    std::shared_ptr<MemFolder> add(const QString& subId, QStringList pictures = {}, bool ghost = false)
    {
        auto f = make(mainFrame(), this, subId, std::move(pictures));
        f->SetGhostNode(ghost);
        folderListAdd(f);
        return f;
    }

    QString fmxStyle() override { return QString(); }
    bool IsVisible() override { return visible; }
    bool HasImagesInSubFolders() override { return withImages; }
    bool autoRefresh() override { return ownAuto || TQzfsFolderAdvWithFolderDicoBase::autoRefresh(); }
    bool refreshNow() override
    {
        ++refreshCalls;
        return ownChange || TQzfsFolderAdvWithFolderDicoBase::refreshNow();
    }
    quint32 refreshTick() override { return ownTick + TQzfsFolderAdvWithFolderDicoBase::refreshTick(); }
    TOrderImageRef imageFindLocal(const QString& subId) override
    {
        if (!fPictures.contains(subId))
            return nullptr;
        const QString id = folderId();
        return std::make_unique<TOrderImageFile>(id.isEmpty() ? subId : id + QStringLiteral("\\") + subId, QString());
    }
    TOrderImageRef SubImageByIndice(int idx) override
    {
        if (idx < 0 || idx >= fPictures.size())
            return nullptr;
        return imageFindLocal(fPictures[idx]);
    }

    QStringList fPictures;
    bool visible = true;
    bool withImages = true;
    bool ownAuto = false;
    bool ownChange = false;
    quint32 ownTick = 0;
    int refreshCalls = 0;
};

} // namespace

TEST(QzfsModel, LookupRules)
{
    MediaMainFrame main;
    auto root = MemFolder::make(&main, nullptr, QStringLiteral("src:"));
    auto a = root->add(QStringLiteral("a"));
    auto ab = root->add(QStringLiteral("a\\b"), { QStringLiteral("p.jpg") });
    auto x = root->add(QStringLiteral("x"));
    auto y = x->add(QStringLiteral("y"), { QStringLiteral("z.jpg") });

    struct Case {
        const char* id;
        const char* expected; // folder id found, or "" for nil
    };
    const Case cases[] = {
        { "x", "src:\\x" },
        { "\\x", "src:\\x" },            // a leading separator is dropped
        { "x\\y", "src:\\x\\y" },
        { "a\\b\\c", "" },               // "a" decides, even beside a child named "a\b"
        { "a\\b", "" },                  // the same: "a" has no "b"
        { "", "" },
        { "X", "" },                     // children are found case-sensitively
        { "nothing\\y", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        IQzfsFolderRef f = root->FolderFind(QString::fromUtf8(c.id));
        EXPECT_EQ(f ? f->folderId() : QString(), QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(ab->folderId(), QStringLiteral("src:\\a\\b"));

    // Pictures: the first separator picks the folder, the rest goes to it.
    TOrderImageRef img = root->ImageFind(QStringLiteral("x\\y\\z.jpg"), QString(), QString());
    ASSERT_TRUE(img);
    EXPECT_EQ(img->ImageID(), QStringLiteral("src:\\x\\y\\z.jpg"));
    EXPECT_FALSE(root->ImageFind(QStringLiteral("x\\y\\none.jpg"), QString(), QString()));
    EXPECT_FALSE(root->ImageFind(QStringLiteral("a\\b\\p.jpg"), QString(), QString()));

    try {
        root->ImageGet(QStringLiteral("x\\none.jpg"));
        FAIL();
    } catch (const ENotFound& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("File 'x\\none.jpg' not found"));
    }
    EXPECT_THROW(root->FolderGet(QStringLiteral("nothing")), ENotFound);
    EXPECT_EQ(root->FolderGet(QStringLiteral("x"))->folderId(), QStringLiteral("src:\\x"));
}

TEST(QzfsModel, GhostNodesAreListedInPlace)
{
    MediaMainFrame main;
    auto root = MemFolder::make(&main, nullptr, QString(), { QStringLiteral("r.jpg") });
    root->add(QStringLiteral("one"), { QStringLiteral("1.jpg") });
    auto g = root->add(QStringLiteral("g:"), { QStringLiteral("g.jpg") }, true);
    g->add(QStringLiteral("inG"), { QStringLiteral("ig.jpg") });
    auto inner = g->add(QStringLiteral("inner"), { QStringLiteral("n.jpg") }, true);
    inner->add(QStringLiteral("deep"));
    root->add(QStringLiteral("two"));
    auto hidden = root->add(QStringLiteral("hidden:"), { QStringLiteral("h.jpg") }, true);
    hidden->visible = false;
    hidden->add(QStringLiteral("lost"));
    auto empty = root->add(QStringLiteral("empty"));
    empty->withImages = false;

    EXPECT_EQ(folderIds(root->Folders()),
              QStringList({ QStringLiteral("one"), QStringLiteral("g:\\inG"), QStringLiteral("g:\\inner\\deep"),
                            QStringLiteral("two") }));
    // Pictures: the folder's own, then those of its ghost nodes, nested ones
    // where they stand; plain sub-folders are not entered.
    EXPECT_EQ(imageIds(root->Images()),
              QStringList({ QStringLiteral("r.jpg"), QStringLiteral("g:\\g.jpg"), QStringLiteral("g:\\inner\\n.jpg") }));
    // A ghost node without pictures is skipped with its content by the walk
    // that leaves out empty folders.
    g->withImages = false;
    EXPECT_EQ(folderIds(root->Folders()), QStringList({ QStringLiteral("one"), QStringLiteral("two") }));
}

TEST(QzfsModel, EnumerationStopsWhenTheTaskIsCancelled)
{
    MediaMainFrame main;
    auto root = MemFolder::make(&main, nullptr, QString());
    for (int i = 0; i < 5; ++i)
        root->add(QString::number(i));
    main.stopAfter = 2;
    auto e = root->Folders();
    EXPECT_TRUE(e->MoveNext());
    EXPECT_TRUE(e->MoveNext());
    EXPECT_THROW(e->MoveNext(), ECancel);
}

TEST(QzfsModel, RefreshAggregatesGhostChildren)
{
    MediaMainFrame main;
    auto root = MemFolder::make(&main, nullptr, QString());
    auto plain = root->add(QStringLiteral("plain"));
    plain->ownTick = 7;
    plain->ownChange = true;
    plain->ownAuto = true;
    // No ghost child: tick 0, no change, no auto refresh.
    EXPECT_EQ(root->refreshTick(), 0u);
    EXPECT_FALSE(root->refreshNow());
    EXPECT_FALSE(root->autoRefresh());
    EXPECT_EQ(plain->refreshCalls, 0);

    auto g1 = root->add(QStringLiteral("g1"), {}, true);
    auto g2 = root->add(QStringLiteral("g2"), {}, true);
    g1->ownTick = 0xFFFFFFFFu;
    g2->ownTick = 3;
    EXPECT_EQ(root->refreshTick(), 2u); // wraps in 32 bits
    g1->ownChange = true;
    EXPECT_TRUE(root->refreshNow());
    EXPECT_EQ(g2->refreshCalls, 1); // every ghost child is refreshed
    g2->ownAuto = true;
    EXPECT_TRUE(root->autoRefresh());

    EXPECT_THROW(std::make_shared<TQzfsFolderMergeRoot>(&main, QStringLiteral("m:"), QString(), 0)
                     ->TQzfsFolderBase::refreshNow(),
                 Exception);
}

TEST(QzfsModel, MergeRootAndPathConversion)
{
    MediaMainFrame main;
    auto merge = std::make_shared<TQzfsFolderMergeRoot>(&main, QStringLiteral("pictures:"), QStringLiteral("Pictures"), -1);
    EXPECT_EQ(merge->fmxIconIndex(), 0);
    auto my = MemFolder::make(&main, merge.get(), QStringLiteral("my"));
    merge->folderAdd(my);
    EXPECT_TRUE(my->IsGhostNode());
    EXPECT_EQ(my->folderId(), QStringLiteral("pictures:\\my"));

    TQzosPathToVpathConverter cvt(QStringLiteral("/home/u1/Desktop/Trip/a\\b%.jpg"));
    auto desk = MemFolder::make(&main, nullptr, QStringLiteral("desktop:"));
    auto home = MemFolder::make(&main, nullptr, QStringLiteral("home:"));
    auto other = MemFolder::make(&main, nullptr, QStringLiteral("other:"));
    cvt.Match(QStringLiteral("/home/u1/Desk"), other.get()); // not a folder boundary
    EXPECT_EQ(cvt.VpathFound(), QString());
    cvt.Match(QStringLiteral("/home/u1/"), home.get());
    EXPECT_EQ(cvt.VpathFound(), QStringLiteral("home:\\Desktop\\Trip\\a%5Cb%25.jpg"));
    cvt.Match(QStringLiteral("/home/u1/Desktop//"), desk.get()); // longer wins
    EXPECT_EQ(cvt.VpathFound(), QStringLiteral("desktop:\\Trip\\a%5Cb%25.jpg"));
    cvt.Match(QStringLiteral("/home/u1/Desktop"), other.get()); // equal length: the first stays
    EXPECT_EQ(cvt.VpathFound(), QStringLiteral("desktop:\\Trip\\a%5Cb%25.jpg"));

    TQzosPathToVpathConverter exact(QStringLiteral("/media/STICK"));
    exact.Match(QStringLiteral("/media/STICK/"), desk.get());
    EXPECT_EQ(exact.VpathFound(), QStringLiteral("desktop:"));
}

TEST(QzfsModel, NameEscapingIsReversible)
{
    const QString names[] = { QStringLiteral("plain"), QStringLiteral("a\\b"), QStringLiteral("100%"),
                              QStringLiteral("%5C"), QStringLiteral("%"), QStringLiteral("\\%\\") };
    for (const QString& n : names) {
        SCOPED_TRACE(n.toStdString());
        const QString id = QzfsNameToSubId(n);
        EXPECT_FALSE(id.contains(QLatin1Char('\\')));
        EXPECT_EQ(QzfsSubIdToName(id), n);
    }
    EXPECT_TRUE(QzfsUnsafeIdPart(QStringLiteral("..")));
    EXPECT_TRUE(QzfsUnsafeIdPart(QStringLiteral("a/b")));
    EXPECT_TRUE(QzfsUnsafeIdPart(QString()));
    EXPECT_FALSE(QzfsUnsafeIdPart(QStringLiteral("...")));
}
