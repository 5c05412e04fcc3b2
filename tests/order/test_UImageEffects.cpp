// The effect list: setters, merging, groups and undo, replay and the
// framing correction.
#include "UAppExceptions.h"
#include "UImageEffects.h"

#include <gtest/gtest.h>
#include <QImage>

namespace {

using Op = TImageEffectOpType;
using Item = TImageEffectOpItem;

Item op(Op t, float a1 = 0, float a2 = 0, int g = 0)
{
    Item i(t, a1, a2);
    i.OpGroupId = g;
    return i;
}

std::string dump(const TImageEffects& e)
{
    std::string s;
    for (const Item& i : e.Operations())
        s += ImageEffectOpTypeName(i.OpType).toStdString() + "(" + std::to_string(i.OpArg1) + ","
            + std::to_string(i.OpArg2) + ",g" + std::to_string(i.OpGroupId) + ") ";
    return s;
}

// Operations compared with a tolerance: corrections are computed.
void expectOps(const TImageEffects& e, const std::vector<Item>& expected)
{
    const std::vector<Item> ops = e.Operations();
    ASSERT_EQ(ops.size(), expected.size()) << dump(e);
    for (size_t i = 0; i < ops.size(); ++i) {
        EXPECT_EQ(ops[i].OpType, expected[i].OpType) << i << ": " << dump(e);
        EXPECT_NEAR(ops[i].OpArg1, expected[i].OpArg1, 1e-3) << i << ": " << dump(e);
        EXPECT_NEAR(ops[i].OpArg2, expected[i].OpArg2, 1e-3) << i << ": " << dump(e);
        EXPECT_EQ(ops[i].OpGroupId, expected[i].OpGroupId) << i << ": " << dump(e);
    }
}

void expectMessage(const std::function<void()>& f, const char* message)
{
    try {
        f();
        ADD_FAILURE() << "no exception, expected " << message;
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QString::fromLatin1(message));
    }
}

} // namespace

TEST(TImageEffects, SettersTable)
{
    struct Case {
        const char* name;
        std::vector<Item> before;
        std::function<void(TImageEffects&)> action;
        std::vector<Item> after;
    };
    const Case cases[] = {
        { "angle -90 stores 270", {}, [](TImageEffects& e) { e.SetAngle(-90); }, { op(Op::Rotate, 270) } },
        { "angle 720 stores 0", {}, [](TImageEffects& e) { e.SetAngle(720); }, { op(Op::Rotate, 0) } },
        { "angle -360 stores 0", {}, [](TImageEffects& e) { e.SetAngle(-360); }, { op(Op::Rotate, 0) } },
        { "angle tiny negative stays below 360", {}, [](TImageEffects& e) { e.SetAngle(-1e-6f); },
          { op(Op::Rotate, 0) } },
        { "angle add updates the rotation", { op(Op::Rotate, 350) }, [](TImageEffects& e) { e.AngleAdd(20); },
          { op(Op::Rotate, 10) } },
        { "zoom 20 clamps to 10", {}, [](TImageEffects& e) { e.SetZoom(20); }, { op(Op::Zoom, 10) } },
        { "zoom 0.01 clamps to 0.1", {}, [](TImageEffects& e) { e.SetZoom(0.01f); }, { op(Op::Zoom, 0.1f) } },
        { "zoom merges with the rotation it follows",
          { op(Op::Zoom, 2), op(Op::Rotate, 30, 1.5f) }, [](TImageEffects& e) { e.SetZoom(4); },
          { op(Op::Rotate, 30, 0), op(Op::Zoom, 4) } },
        { "rotation merges with the zoom it follows, dropping the correction",
          { op(Op::Rotate, 30, 1.5f), op(Op::Zoom, 2) }, [](TImageEffects& e) { e.SetAngle(45); },
          { op(Op::Zoom, 2), op(Op::Rotate, 45, 0) } },
        { "zoom after a framing operation is a new one", { op(Op::Zoom, 2), op(Op::FitIn) },
          [](TImageEffects& e) { e.SetZoom(3); }, { op(Op::Zoom, 2), op(Op::FitIn), op(Op::Zoom, 3) } },
        { "offset updates the last move", { op(Op::Move, 1, 2) }, [](TImageEffects& e) { e.OffsetAdd(3, 4); },
          { op(Op::Move, 4, 6) } },
        { "offset never changes a correction", { op(Op::Rotate, 10), op(Op::Move, 1, 2, -1) },
          [](TImageEffects& e) { e.SetOffset(QPointF(5, 5)); },
          { op(Op::Rotate, 10), op(Op::Move, 1, 2, -1), op(Op::Move, 5, 5) } },
        { "brightness found elsewhere moves to the end",
          { op(Op::Brightness, 10), op(Op::Sepia) }, [](TImageEffects& e) { e.SetBrightness(30); },
          { op(Op::Sepia), op(Op::Brightness, 30) } },
        { "brightness at the end is updated", { op(Op::Sepia), op(Op::Brightness, 10) },
          [](TImageEffects& e) { e.BrightnessAdd(15); }, { op(Op::Sepia), op(Op::Brightness, 25) } },
        { "brightness above 100 clamps", {}, [](TImageEffects& e) { e.SetBrightness(150); },
          { op(Op::Brightness, 100) } },
        { "brightness -100 is kept as the darkest setting", {}, [](TImageEffects& e) { e.SetBrightness(-130); },
          { op(Op::Brightness, -100) } },
        { "brightness 0 removes the operation", { op(Op::Brightness, 10), op(Op::Sepia) },
          [](TImageEffects& e) { e.SetBrightness(0); }, { op(Op::Sepia) } },
        { "lightness found elsewhere moves to the end",
          { op(Op::Lightness, 10), op(Op::Sepia) }, [](TImageEffects& e) { e.SetLightness(30); },
          { op(Op::Sepia), op(Op::Lightness, 30) } },
        { "lightness 0 removes", { op(Op::Lightness, 10) }, [](TImageEffects& e) { e.SetLightness(0); }, {} },
        { "lightness 120 clamps", {}, [](TImageEffects& e) { e.SetLightness(120); }, { op(Op::Lightness, 100) } },
        { "sepia clears black and white", { op(Op::BlackAndWhite) }, [](TImageEffects& e) { e.SetSepia(true); },
          { op(Op::Sepia) } },
        { "black and white clears sepia", { op(Op::Sepia), op(Op::Move, 1, 1) },
          [](TImageEffects& e) { e.SetBlackAndWhite(true); }, { op(Op::Move, 1, 1), op(Op::BlackAndWhite) } },
        { "sepia twice is one operation", { op(Op::Sepia) }, [](TImageEffects& e) { e.SetSepia(true); },
          { op(Op::Sepia) } },
        { "oil painting off", { op(Op::OilPainting), op(Op::Zoom, 2) },
          [](TImageEffects& e) { e.SetOilPainting(false); }, { op(Op::Zoom, 2) } },
        { "red eyes on and off", { op(Op::RedEyes) }, [](TImageEffects& e) { e.SetRedEyes(false); e.SetRotateFrame(true); },
          { op(Op::RotateFrame) } },
        { "fill-in turns a last fit-in", { op(Op::Zoom, 2), op(Op::FitIn) }, [](TImageEffects& e) { e.FillIn(); },
          { op(Op::Zoom, 2), op(Op::FillIn) } },
        { "fit-in twice is one operation", { op(Op::FitIn) }, [](TImageEffects& e) { e.FitIn(); },
          { op(Op::FitIn) } },
        { "framing free after a move is appended", { op(Op::Move, 1, 1) },
          [](TImageEffects& e) { e.FramingFree(); }, { op(Op::Move, 1, 1), op(Op::FramingFree) } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImageEffects e;
        e.SetOperations(c.before);
        c.action(e);
        EXPECT_EQ(e.Operations(), c.after) << dump(e);
    }
}

TEST(TImageEffects, Readers)
{
    TImageEffects e;
    e.SetOperations({ op(Op::Zoom, 2), op(Op::Rotate, 30, 1.5f), op(Op::Move, 3, 4) });
    EXPECT_FLOAT_EQ(e.Zoom(), 3.0f);
    EXPECT_FLOAT_EQ(e.Angle(), 30.0f);
    EXPECT_EQ(e.Offset(), QPointF(3, 4));
    EXPECT_EQ(e.FrameLimit(), TImageEffectFrameLimit::StayFillIn);
    e.FitIn();
    EXPECT_FLOAT_EQ(e.Zoom(), 1.0f);
    EXPECT_EQ(e.Offset(), QPointF(0, 0)); // moves before the framing no longer count
    EXPECT_TRUE(e.FitInMode());
    EXPECT_TRUE(e.CanZoomMultiply(5));
    EXPECT_FALSE(e.CanZoomMultiply(20));
    EXPECT_FALSE(e.CanZoomMultiply(0.05f));
    EXPECT_TRUE(e.CanBrightnessAdd(50));
    EXPECT_FALSE(e.CanLightnessAdd(-10) && e.Lightness() != 0);

    TImageEffects empty;
    EXPECT_TRUE(empty.HasOnlyMoves());
    EXPECT_FALSE(empty.requiresTransfo());
    EXPECT_FALSE(empty.CanUndo());
    TImageEffects redEyes;
    redEyes.SetRedEyes(true);
    EXPECT_FALSE(redEyes.requiresTransfo());
    EXPECT_FALSE(redEyes.requiresCrop());
    EXPECT_TRUE(redEyes.HasOnlyMoves());
    TImageEffects colours;
    colours.SetSepia(true);
    colours.SetBrightness(20);
    EXPECT_TRUE(colours.requiresTransfo());
    EXPECT_FALSE(colours.requiresCrop());
    colours.SetOilPainting(true);
    EXPECT_TRUE(colours.requiresCrop());
}

TEST(TImageEffects, GroupsAndUndo)
{
    TImageEffects e;
    e.GroupOpStart();
    e.SetOffset(QPointF(1, 1));
    e.SetZoom(2);
    e.GroupOpStart(); // nested: same group
    e.SetAngle(10);
    e.GroupOpEnd();
    e.GroupOpEnd();
    e.GroupOpStart();
    e.SetOffset(QPointF(2, 2)); // a new group: a new move
    e.SetSepia(true);
    e.GroupOpEnd();
    e.SetBrightness(10);
    EXPECT_EQ(e.Operations(), (std::vector<Item>{ op(Op::Move, 1, 1, 1), op(Op::Zoom, 2, 0, 1), op(Op::Rotate, 10, 0, 1),
                                                  op(Op::Move, 2, 2, 2), op(Op::Sepia, 0, 0, 2), op(Op::Brightness, 10) }))
        << dump(e);
    e.Undo(); // the single operation
    EXPECT_EQ(e.Count(), 5);
    e.Undo(); // the second group
    EXPECT_EQ(e.Count(), 3);
    e.Undo(); // the first group
    EXPECT_TRUE(e.isEmpty());

    expectMessage([&] { e.Undo(); }, "TImageEffects.Undo: nothing to undo");
    e.GroupOpStart();
    expectMessage([&] { e.Undo(); }, "TImageEffects.Undo: nothing to undo");
    e.SetSepia(true);
    expectMessage([&] { e.Undo(); }, "TImageEffects.Undo: invalid context");
    expectMessage([&] { e.Reset(); }, "TImageEffects.Reset: invalid context");
    e.GroupOpEnd();
    expectMessage([&] { e.GroupOpEnd(); }, "TImageEffects.GroupOpEnd: invalid context");
    e.Reset();
    EXPECT_TRUE(e.isEmpty());
}

TEST(TImageEffects, CorrectionsGoWithTheOperationBefore)
{
    TImageEffects e;
    e.SetOffset(QPointF(10, 0));
    e.SetAngle(20);
    e.MoveRescale(2); // appended outside a group: -1
    e.ZoomCorrec(1.5f);
    EXPECT_EQ(e.Operations(), (std::vector<Item>{ op(Op::Move, 10, 0), op(Op::Rotate, 20), op(Op::Move, 20, 0, -1),
                                                  op(Op::Zoom, 1.5f, 0, -1) }))
        << dump(e);
    e.Undo();
    EXPECT_EQ(e.Operations(), (std::vector<Item>{ op(Op::Move, 10, 0) })) << dump(e);

    // Inside a group, corrections join the customer's group.
    e.GroupOpStart();
    e.SetAngle(5);
    e.MoveCorrec(1, 1);
    e.GroupOpEnd();
    EXPECT_EQ(e.Item(2)->OpGroupId, 1);
    e.Undo();
    EXPECT_EQ(e.Count(), 1);
}

TEST(TImageEffects, PlayColoursOnACopyOfAReadOnlySurface)
{
    TImageEffects e;
    e.SetSepia(true);
    e.SetZoom(2);
    QImage cached(8, 8, QImage::Format_ARGB32);
    cached.fill(qRgba(200, 150, 100, 255));
    const QImage before = cached.copy();
    QImage surface = cached;
    bool readOnly = true;
    TImageEffectInfo info;
    info.src = QSizeF(8, 8);
    info.dst = QSizeF(4, 4);
    e.play(surface, readOnly, info);
    EXPECT_FALSE(readOnly);
    EXPECT_EQ(cached, before);
    EXPECT_EQ(surface.pixel(3, 3), qRgba(210, 180, 130, 255));
    EXPECT_NEAR(info.zoomUser, 2, 1e-6);

    // Other pixel formats are turned into straight ARGB first.
    QImage gray(4, 4, QImage::Format_Grayscale8);
    gray.fill(100);
    bool ro = false;
    TImageEffectInfo info2;
    info2.src = QSizeF(4, 4);
    info2.dst = QSizeF(4, 4);
    e.play(gray, ro, info2);
    EXPECT_EQ(gray.format(), QImage::Format_ARGB32);
    EXPECT_EQ(gray.pixel(0, 0), qRgba(160, 130, 80, 255));

    TImageEffects bad;
    Item unknown;
    unknown.OpType = static_cast<Op>(13);
    bad.SetOperations({ unknown });
    TImageEffectInfo info3;
    info3.src = QSizeF(4, 4);
    info3.dst = QSizeF(4, 4);
    expectMessage([&] { bad.play(info3); }, " TImageEffectOpItem.play: opType unknown");
}

TEST(TImageEffects, OpTypeNames)
{
    for (int i = 0; i <= 12; ++i) {
        const auto t = static_cast<Op>(i);
        Op back = Op::Move;
        ASSERT_TRUE(ImageEffectOpTypeFromName(ImageEffectOpTypeName(t), back));
        EXPECT_EQ(back, t);
    }
    EXPECT_EQ(ImageEffectOpTypeName(Op::RotateFrame), QStringLiteral("RotateFrame"));
    Op t;
    EXPECT_FALSE(ImageEffectOpTypeFromName(QStringLiteral("Blur"), t));
    EXPECT_TRUE(ImageEffectOpTypeName(static_cast<Op>(40)).isEmpty());
}

namespace {

QByteArray saveEffects(TImageEffects& e)
{
    TXMLSerializer writer;
    TImageEffects::XmlClassesRegister(writer);
    writer.SaveObject(&e);
    return writer.SaveToBytes();
}

std::unique_ptr<TImageEffects> loadEffects(const QByteArray& bytes)
{
    TXMLSerializer reader;
    TImageEffects::XmlClassesRegister(reader);
    reader.LoadFromBytes(bytes);
    return reader.LoadObjectAs<TImageEffects>();
}

} // namespace

TEST(TImageEffects, StoredFormRoundTrips)
{
    TImageEffects e;
    const std::vector<Item> ops = { op(Op::FitIn),          op(Op::Move, 12.5f, -3.25f),
                                    op(Op::Zoom, 1.2f, 0, 2), op(Op::Rotate, 7, 1.0834f, 2),
                                    op(Op::Move, 0.1f, 0, -1), op(Op::Sepia),
                                    op(Op::Brightness, -30), op(Op::RedEyes) };
    e.SetOperations(ops);
    const QByteArray bytes = saveEffects(e);
    const QString xml = QString::fromUtf8(bytes);
    EXPECT_TRUE(xml.contains(QStringLiteral("<ImageEffects>"))) << xml.toStdString();
    EXPECT_EQ(xml.count(QStringLiteral("<ImageEffectOpItem ")), 8) << xml.toStdString();
    EXPECT_TRUE(xml.contains(QStringLiteral("type=\"Enumeration\">Rotate<"))) << xml.toStdString();
    // The four values in their stored order.
    const qsizetype t = xml.indexOf(QStringLiteral("<ImageEffectOpItem.OpType"));
    const qsizetype a1 = xml.indexOf(QStringLiteral("<ImageEffectOpItem.OpArg1"));
    const qsizetype a2 = xml.indexOf(QStringLiteral("<ImageEffectOpItem.OpArg2"));
    const qsizetype g = xml.indexOf(QStringLiteral("<ImageEffectOpItem.OpGroupId"));
    EXPECT_TRUE(t >= 0 && t < a1 && a1 < a2 && a2 < g) << xml.toStdString();

    const auto back = loadEffects(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Operations(), ops);
    EXPECT_FALSE(back->isInGroupOp());

    // An empty list writes no operations and reads back empty.
    TImageEffects empty;
    const auto emptyBack = loadEffects(saveEffects(empty));
    ASSERT_TRUE(emptyBack);
    EXPECT_TRUE(emptyBack->isEmpty());
}

TEST(TImageEffects, StoredFormWithAnUnknownOperationIsRefused)
{
    TImageEffects e;
    e.SetOperations({ op(Op::Move, 1, 2), op(Op::Sepia) });
    QByteArray bytes = saveEffects(e);
    bytes.replace(">Sepia<", ">Blur<");
    try {
        loadEffects(bytes);
        ADD_FAILURE() << "an unknown operation was loaded";
    } catch (const EXSSetPropertyException& ex) {
        EXPECT_TRUE(ex.Message().contains(QStringLiteral("OpType"))) << ex.Message().toStdString();
        EXPECT_TRUE(ex.InnerText().contains(QStringLiteral("'Blur'"))) << ex.InnerText().toStdString();
    }
}

// --- framing correction -----------------------------------------------------

namespace {

// A 3:1 photo in a 150 x 100 mm frame: at the start it covers the frame
// exactly in height and overflows by 75 mm on each side.
const QSizeF kPhoto(3000, 1000);
const QSizeF kFrame(150, 100);

double replayFillInZoom(const TImageEffects& e)
{
    TImageEffectInfo info;
    info.src = kPhoto;
    info.dst = kFrame;
    e.play(info);
    return TPrintOrderEffects::fillInZoom(info);
}

double replayFitInZoom(const TImageEffects& e)
{
    TImageEffectInfo info;
    info.src = kPhoto;
    info.dst = kFrame;
    e.play(info);
    return TPrintOrderEffects::fitInZoom(info);
}

} // namespace

TEST(TImageEffectsFraming, RotationAddsACorrectionThatOneUndoRemoves)
{
    TImageEffects e;
    e.SetOffset(QPointF(20, 0));
    e.framingCorrect(kPhoto, kFrame, false, true);
    ASSERT_EQ(e.Count(), 1) << dump(e); // still covers: nothing to correct

    e.SetAngle(30);
    TImageEffects probe;
    probe.SetOperations(e.Operations());
    const double z = replayFillInZoom(probe);
    ASSERT_GT(z, 1);

    e.framingCorrect(kPhoto, kFrame, false, true);
    ASSERT_EQ(e.Count(), 3) << dump(e);
    EXPECT_EQ(e.Item(1)->OpType, Op::Rotate);
    EXPECT_NEAR(e.Item(1)->OpArg2, z, 1e-5);
    EXPECT_EQ(e.Item(2)->OpType, Op::Move);
    EXPECT_EQ(e.Item(2)->OpGroupId, -1);
    EXPECT_NEAR(e.Item(2)->OpArg1, 20 * z, 1e-4);
    EXPECT_NEAR(e.Item(2)->OpArg2, 0, 1e-6);
    const double after = replayFillInZoom(e);
    EXPECT_GT(after, 0);
    EXPECT_LE(TPrintOrderEffects::valRndInt(after), 100);

    e.Undo();
    expectOps(e, { op(Op::Move, 20, 0) });
}

TEST(TImageEffectsFraming, Cases)
{
    struct Case {
        const char* name;
        std::function<void(TImageEffects&)> edit;
        std::function<void(const TImageEffects&)> check;
    };
    const Case cases[] = {
        { "customer move uncovering a corner is shifted back in place",
          [](TImageEffects& e) { e.SetOffset(QPointF(60, 0)); },
          [](const TImageEffects& e) {
              ASSERT_EQ(e.Count(), 1) << dump(e);
              EXPECT_NEAR(e.Item(0)->OpArg1, 50, 1e-3); // 75 mm of 150
              EXPECT_NEAR(e.Item(0)->OpArg2, 0, 1e-3);
          } },
        { "customer move within a group is corrected in the group",
          [](TImageEffects& e) {
              e.GroupOpStart();
              e.SetOffset(QPointF(0, 10));
              e.framingCorrect(kPhoto, kFrame, false, false);
              e.GroupOpEnd();
          },
          [](const TImageEffects& e) {
              ASSERT_EQ(e.Count(), 1) << dump(e);
              EXPECT_NEAR(e.Item(0)->OpArg2, 0, 1e-3);
              EXPECT_EQ(e.Item(0)->OpGroupId, 1);
          } },
        { "a list ending with a colour operation gets the plain fill-in correction",
          [](TImageEffects& e) {
              e.SetOperations({ op(Op::Move, 70, 0) });
              e.SetSepia(true);
          },
          [](const TImageEffects& e) {
              ASSERT_EQ(e.Count(), 3) << dump(e);
              EXPECT_EQ(e.Item(2)->OpType, Op::Move);
              EXPECT_EQ(e.Item(2)->OpGroupId, -1);
              EXPECT_NEAR(e.Item(2)->OpArg1, 50, 1e-3);
          } },
        { "zoom needed beyond 10: shifted instead of zoomed",
          [](TImageEffects& e) {
              e.SetOperations({ op(Op::Zoom, 10), op(Op::Move, 990, 0) });
              e.SetAngle(30);
          },
          [](const TImageEffects& e) {
              ASSERT_GE(e.Count(), 4) << dump(e);
              EXPECT_EQ(e.Item(2)->OpType, Op::Rotate);
              EXPECT_EQ(e.Item(2)->OpArg2, 0); // no zoom correction
              EXPECT_EQ(e.Item(3)->OpType, Op::Move);
              EXPECT_EQ(e.Item(3)->OpGroupId, -1);
          } },
        { "customer zoom out is corrected by a zoom, not a shift",
          [](TImageEffects& e) { e.SetZoom(0.5f); },
          [](const TImageEffects& e) {
              // The shift cannot cover the frame above and below: the
              // customer's zoom is corrected in place.
              expectOps(e, { op(Op::Zoom, 1) });
          } },
        { "fit-in: a move sticking out is shifted back",
          [](TImageEffects& e) {
              e.FitIn();
              e.SetOffset(QPointF(30, 0));
          },
          [](const TImageEffects& e) {
              ASSERT_EQ(e.Count(), 2) << dump(e);
              EXPECT_NEAR(e.Item(1)->OpArg1, 0, 1e-3);
              EXPECT_GE(TPrintOrderEffects::valRndInt(replayFitInZoom(e)), 99);
          } },
        { "fit-in: a rotation shrinks the photo into the frame",
          [](TImageEffects& e) {
              e.FitIn();
              e.SetAngle(30);
          },
          [](const TImageEffects& e) {
              ASSERT_EQ(e.Count(), 2) << dump(e);
              EXPECT_GT(e.Item(1)->OpArg2, 0);
              EXPECT_LT(e.Item(1)->OpArg2, 1);
              EXPECT_GE(TPrintOrderEffects::valRndInt(replayFitInZoom(e)), 99);
          } },
        { "free framing never changes the list",
          [](TImageEffects& e) {
              e.FramingFree();
              e.SetOffset(QPointF(90, 90));
              e.SetAngle(45);
          },
          [](const TImageEffects& e) {
              EXPECT_EQ(e.Operations(), (std::vector<Item>{ op(Op::FramingFree), op(Op::Move, 90, 90), op(Op::Rotate, 45) }))
                  << dump(e);
          } },
        { "a turned frame is corrected in its turned geometry",
          [](TImageEffects& e) {
              e.SetRotateFrame(true);
              e.SetOffset(QPointF(0, 30));
          },
          [](const TImageEffects& e) {
              // Turned, the 100 x 150 frame holds the 3:1 photo 450 wide:
              // no vertical room, so the vertical move goes back to 0.
              ASSERT_EQ(e.Count(), 2) << dump(e);
              EXPECT_NEAR(e.Item(1)->OpArg2, 0, 1e-3);
          } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImageEffects e;
        c.edit(e);
        e.framingCorrect(kPhoto, kFrame, false, true);
        c.check(e);
        if (e.FillInMode() && !e.isEmpty() && e.FrameLimit() != TImageEffectFrameLimit::StayFree) {
            const double z = replayFillInZoom(e);
            EXPECT_GT(z, 0);
            EXPECT_LE(TPrintOrderEffects::valRndInt(z), 100);
        }
    }
}

TEST(TImageEffectsFraming, FailuresAreLoggedNotRaised)
{
    TImageEffects e;
    e.SetOffset(QPointF(10, 10));
    const auto before = e.Operations();
    e.framingCorrect(QSizeF(0, 0), kFrame, false, true); // a picture without size
    EXPECT_EQ(e.Operations(), before);
    TImageEffects empty;
    empty.framingCorrect(kPhoto, kFrame, false, true);
    EXPECT_TRUE(empty.isEmpty());
}
