#include "UImageEffects.h"

#include "UAppExceptions.h"
#include "UFormat.h"
#include "UImageEffect.h"
#include "UDebug.h"
#include "UTools.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Op = TImageEffectOpType;

bool isFraming(Op t)
{
    return t == Op::FillIn || t == Op::FitIn || t == Op::FramingFree;
}

// Types whose search for an operation to update passes over other operations.
bool isPassThrough(Op t)
{
    switch (t) {
    case Op::Sepia:
    case Op::BlackAndWhite:
    case Op::OilPainting:
    case Op::Brightness:
    case Op::Lightness:
    case Op::RedEyes:
    case Op::RotateFrame:
        return true;
    default:
        return false;
    }
}

bool isMoveZoomRotate(Op t)
{
    return t == Op::Move || t == Op::Zoom || t == Op::Rotate;
}

// Rounded to an integer, halves to even.
int64_t roundEven(double v)
{
    return static_cast<int64_t>(std::nearbyint(v));
}

// The photo covers (fill-in) or lies inside (fit-in) its frame, to the
// hundredth: a correction leaves floating-point noise (a zoom of 1.0000001)
// that must not call for another correction at the next edit.
bool coversFrame(double fillZoom)
{
    return fillZoom > 0 && TPrintOrderEffects::valRndInt(fillZoom) <= 100;
}

bool fitsFrame(double fitZoom)
{
    return TPrintOrderEffects::valRndInt(fitZoom) >= 100;
}

bool isSupportedSurface(const QImage& s)
{
    switch (s.format()) {
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBX8888:
        return true;
    default:
        return false;
    }
}

void logDebug(const QString& fmt, const QVariantList& args)
{
    LogDebugFmt(fmt, args);
}

// Restores the context's offset when a correction ends, also on failure.
class OffsetKeeper {
public:
    explicit OffsetKeeper(TImageEffectInfo& info) : fInfo(info), fKept(info.offset) { }
    ~OffsetKeeper() { fInfo.offset = fKept; }
    QPointF kept() const { return fKept; }

private:
    TImageEffectInfo& fInfo;
    QPointF fKept;
};

} // namespace

QString ImageEffectOpTypeName(TImageEffectOpType t)
{
    return EnumInfoOf<TImageEffectOpType>().NameOf(static_cast<int>(t));
}

bool ImageEffectOpTypeFromName(const QString& name, TImageEffectOpType& t)
{
    const int i = EnumInfoOf<TImageEffectOpType>().OrdinalOf(name);
    if (i == kUnknownEnumOrdinal)
        return false;
    t = static_cast<TImageEffectOpType>(i);
    return true;
}

KIOSK_ENUM_DEFINE(TImageEffectOpType, QStringLiteral("TImageEffectOpType"), QString(), "Move", "Zoom", "FillIn",
                  "FitIn", "FramingFree", "Rotate", "Sepia", "BlackAndWhite", "OilPainting", "Brightness", "Lightness",
                  "RedEyes", "RotateFrame")

// ---------------------------------------------------------------------------
// TImageEffectOpItem

KIOSK_SERIALIZABLE_DESCRIBE(TImageEffectOpItem, TXMLSerializable,
    b.template Property<TImageEffectOpType>(
        "OpType", [](const TImageEffectOpItem& o) { return o.OpType; },
        [](TImageEffectOpItem& o, TImageEffectOpType v) { o.OpType = v; }, nullptr);
    b.template Property<double>(
        "OpArg1", [](const TImageEffectOpItem& o) { return double(o.OpArg1); },
        [](TImageEffectOpItem& o, double v) { o.OpArg1 = float(v); }, nullptr);
    b.template Property<double>(
        "OpArg2", [](const TImageEffectOpItem& o) { return double(o.OpArg2); },
        [](TImageEffectOpItem& o, double v) { o.OpArg2 = float(v); }, nullptr);
    b.template Property<qint32>(
        "OpGroupId", [](const TImageEffectOpItem& o) { return qint32(o.OpGroupId); },
        [](TImageEffectOpItem& o, qint32 v) { o.OpGroupId = v; }, nullptr);
)

TImageEffectOpItem::TImageEffectOpItem(const TImageEffectOpItem& other)
    : TXMLSerializable(), OpType(other.OpType), OpArg1(other.OpArg1), OpArg2(other.OpArg2),
      OpGroupId(other.OpGroupId)
{
}

TImageEffectOpItem& TImageEffectOpItem::operator=(const TImageEffectOpItem& other)
{
    OpType = other.OpType;
    OpArg1 = other.OpArg1;
    OpArg2 = other.OpArg2;
    OpGroupId = other.OpGroupId;
    return *this;
}

bool TImageEffectOpItem::operator==(const TImageEffectOpItem& other) const
{
    return OpType == other.OpType && OpArg1 == other.OpArg1 && OpArg2 == other.OpArg2
        && OpGroupId == other.OpGroupId;
}

void TImageEffectOpItem::play(QImage* bitmapSurface, bool& bitmapSurfaceReadOnly,
                              TImageEffectInfo& effectInfo) const
{
    switch (OpType) {
    case Op::Move:
        TPrintOrderEffects::Move(OpArg1, OpArg2, effectInfo);
        return;
    case Op::Zoom:
        TPrintOrderEffects::Zoom(OpArg1, effectInfo);
        return;
    case Op::FillIn:
        TPrintOrderEffects::FillIn(effectInfo);
        return;
    case Op::FitIn:
        TPrintOrderEffects::FitIn(effectInfo);
        return;
    case Op::Rotate:
        TPrintOrderEffects::Rotate(OpArg1, effectInfo, OpArg2);
        return;
    case Op::FramingFree: // the framing is simply not corrected
    case Op::RedEyes:     // corrected by the lab
    case Op::RotateFrame: // read by the renderer
        return;
    case Op::Sepia:
    case Op::BlackAndWhite:
    case Op::OilPainting:
    case Op::Brightness:
    case Op::Lightness:
        break;
    default:
        throw Exception(QStringLiteral(" TImageEffectOpItem.play: opType unknown"));
    }

    if (!bitmapSurface || bitmapSurface->isNull())
        return;
    // The surface may belong to the bitmap cache: change a private copy.
    // A surface in another pixel format becomes straight ARGB on the way.
    if (!isSupportedSurface(*bitmapSurface)) {
        *bitmapSurface = bitmapSurface->convertToFormat(QImage::Format_ARGB32);
        bitmapSurfaceReadOnly = false;
    } else if (bitmapSurfaceReadOnly) {
        *bitmapSurface = bitmapSurface->copy();
        bitmapSurfaceReadOnly = false;
    }
    if (bitmapSurface->isNull())
        throw EImgTooBig(QStringLiteral("TImageEffectOpItem.play: cannot copy the picture"));

    switch (OpType) {
    case Op::Sepia:
        TImageEffect::ConvertToSepia(*bitmapSurface, 20, 30);
        break;
    case Op::BlackAndWhite:
        TImageEffect::ConvertToBlackAndWhite(*bitmapSurface);
        break;
    case Op::OilPainting:
        TImageEffect::ConvertToOilPainting(*bitmapSurface, 2, 7);
        break;
    case Op::Brightness:
        TImageEffect::ConvertToBrightness(*bitmapSurface, OpArg1 / 100.0f);
        break;
    case Op::Lightness:
        TImageEffect::ConvertToLightness(*bitmapSurface, OpArg1 / 100.0f);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// TImageEffects: list, groups and undo

KIOSK_SERIALIZABLE_DESCRIBE(TImageEffects, TXMLSerializable,
    b.template Property<std::vector<std::unique_ptr<TImageEffectOpItem>>>(
        "Operations",
        [](const TImageEffects& e) {
            std::vector<TImageEffectOpItem*> out;
            out.reserve(e.fOpList.size());
            for (const auto& op : e.fOpList)
                out.push_back(op.get());
            return out;
        },
        [](TImageEffects& e, std::vector<std::unique_ptr<TImageEffectOpItem>> items) {
            // A null item (an element the loader could not make) is skipped.
            std::vector<std::unique_ptr<TImageEffectOpItem>> list;
            list.reserve(items.size());
            for (auto& op : items)
                if (op)
                    list.push_back(std::move(op));
            e.fOpList = std::move(list);
        },
        nullptr);
)

TImageEffects::TImageEffects() = default;

void TImageEffects::XmlClassesRegister(TXMLSerializer& ser)
{
    ser.ClassRegister(StaticClassInfo(), QStringLiteral("ImageEffects"));
    ser.ClassRegister(TImageEffectOpItem::StaticClassInfo(), QStringLiteral("ImageEffectOpItem"));
}

TImageEffects::~TImageEffects()
{
    if (fGroupOpCount != 0)
        LogFatal(QStringLiteral("TImageEffects.Destroy: fGroupOpCount<>0"));
}

std::vector<TImageEffectOpItem> TImageEffects::Operations() const
{
    std::vector<TImageEffectOpItem> ops;
    ops.reserve(fOpList.size());
    for (const auto& op : fOpList)
        ops.push_back(*op);
    return ops;
}

void TImageEffects::SetOperations(const std::vector<TImageEffectOpItem>& ops)
{
    std::vector<std::unique_ptr<TImageEffectOpItem>> list;
    list.reserve(ops.size());
    for (const TImageEffectOpItem& op : ops)
        list.push_back(std::make_unique<TImageEffectOpItem>(op));
    fOpList = std::move(list);
}

TImageEffectOpItem* TImageEffects::Add(std::unique_ptr<TImageEffectOpItem> op)
{
    op->OpGroupId = fGroupOpId;
    fOpList.push_back(std::move(op));
    return fOpList.back().get();
}

int TImageEffects::indexOf(const TImageEffectOpItem* op) const
{
    for (size_t i = 0; i < fOpList.size(); ++i)
        if (fOpList[i].get() == op)
            return static_cast<int>(i);
    return -1;
}

void TImageEffects::Remove(TImageEffectOpItem* op)
{
    const int i = indexOf(op);
    if (i >= 0)
        fOpList.erase(fOpList.begin() + i);
}

void TImageEffects::GroupOpStart()
{
    if (++fGroupOpCount == 1) {
        int maxId = 0;
        for (const auto& op : fOpList)
            maxId = std::max(maxId, op->OpGroupId);
        fGroupOpId = maxId + 1;
    }
}

void TImageEffects::GroupOpEnd()
{
    if (fGroupOpCount <= 0)
        throw Exception(QStringLiteral("TImageEffects.GroupOpEnd: invalid context"));
    if (--fGroupOpCount == 0)
        fGroupOpId = 0;
}

void TImageEffects::Undo()
{
    if (fOpList.empty())
        throw Exception(QStringLiteral("TImageEffects.Undo: nothing to undo"));
    if (isInGroupOp())
        throw Exception(QStringLiteral("TImageEffects.Undo: invalid context"));
    int g = fOpList.back()->OpGroupId;
    fOpList.pop_back();
    while (!fOpList.empty()) {
        if (g == 0)
            break;
        if (g == -1) {
            // A correction goes with the operation (or group) it followed.
            g = fOpList.back()->OpGroupId;
            fOpList.pop_back();
        } else if (fOpList.back()->OpGroupId == g) {
            fOpList.pop_back();
        } else {
            break;
        }
    }
}

void TImageEffects::Reset()
{
    if (isInGroupOp())
        throw Exception(QStringLiteral("TImageEffects.Reset: invalid context"));
    fOpList.clear();
}

// ---------------------------------------------------------------------------
// Searches

TImageEffectOpItem* TImageEffects::FindLast(TImageEffectOpType opType) const
{
    for (auto it = fOpList.rbegin(); it != fOpList.rend(); ++it) {
        TImageEffectOpItem* op = it->get();
        if (op->OpType == opType)
            return op;
        // A move or zoom made before the photo was last framed no longer counts.
        if ((opType == Op::Move || opType == Op::Zoom) && isFraming(op->OpType))
            return nullptr;
    }
    return nullptr;
}

TImageEffectOpItem* TImageEffects::FindLastToAdd(TImageEffectOpType t)
{
    for (int i = Count() - 1; i >= 0; --i) {
        TImageEffectOpItem* op = fOpList[static_cast<size_t>(i)].get();
        const bool inContext = op->OpGroupId == fGroupOpId
            || (fGroupOpId == 0 && (op->OpGroupId == 0 || op->OpGroupId == -1));
        if (!inContext)
            return nullptr;
        if (op->OpType == t)
            return op;
        if (op->OpGroupId == -1 && op->OpType == Op::Move && (t == Op::Zoom || t == Op::Rotate))
            continue;
        if (op->OpGroupId == -1 && op->OpType == Op::Zoom && (t == Op::Move || t == Op::Rotate)) {
            if (t == Op::Rotate)
                return nullptr;
            continue;
        }
        if (i > 0 && (t == Op::Zoom || t == Op::Rotate)) {
            const Op other = t == Op::Zoom ? Op::Rotate : Op::Zoom;
            TImageEffectOpItem* prev = fOpList[static_cast<size_t>(i - 1)].get();
            if (op->OpType == other && prev->OpType == t) {
                // Merge the pair: fold the rotation's zoom correction into the
                // zoom, then swap so that prev becomes the later of the two.
                if (t == Op::Zoom) {
                    if (op->OpArg2 != 0) {
                        prev->OpArg1 *= op->OpArg2;
                        op->OpArg2 = 0;
                    }
                } else {
                    prev->OpArg2 = 0;
                }
                std::swap(fOpList[static_cast<size_t>(i - 1)], fOpList[static_cast<size_t>(i)]);
                return prev;
            }
        }
        if (!isPassThrough(t))
            return nullptr;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Framing

TImageEffectFrameLimit TImageEffects::FrameLimit() const
{
    for (auto it = fOpList.rbegin(); it != fOpList.rend(); ++it) {
        switch ((*it)->OpType) {
        case Op::FillIn:
            return TImageEffectFrameLimit::StayFillIn;
        case Op::FitIn:
            return TImageEffectFrameLimit::StayFitIn;
        case Op::FramingFree:
            return TImageEffectFrameLimit::StayFree;
        default:
            break;
        }
    }
    return TImageEffectFrameLimit::StayFillIn;
}

void TImageEffects::setFraming(TImageEffectOpType t)
{
    if (FindLastToAdd(t))
        return;
    TImageEffectOpItem* l = last();
    if (l && isFraming(l->OpType) && l->OpType != t) {
        l->OpType = t;
        return;
    }
    Add(std::make_unique<TImageEffectOpItem>(t, 0.0f, 0.0f));
}

void TImageEffects::FillIn()
{
    setFraming(Op::FillIn);
}

void TImageEffects::FitIn()
{
    setFraming(Op::FitIn);
}

void TImageEffects::FramingFree()
{
    setFraming(Op::FramingFree);
}

// ---------------------------------------------------------------------------
// Properties

QPointF TImageEffects::Offset() const
{
    const TImageEffectOpItem* op = FindLast(Op::Move);
    return op ? QPointF(op->OpArg1, op->OpArg2) : QPointF(0, 0);
}

void TImageEffects::SetOffset(QPointF p)
{
    TImageEffectOpItem* op = FindLastToAdd(Op::Move);
    if (op && op->OpGroupId != -1) {
        op->OpArg1 = static_cast<float>(p.x());
        op->OpArg2 = static_cast<float>(p.y());
    } else {
        Add(std::make_unique<TImageEffectOpItem>(Op::Move, static_cast<float>(p.x()), static_cast<float>(p.y())));
    }
}

void TImageEffects::OffsetAdd(double x, double y)
{
    SetOffset(Offset() + QPointF(x, y));
}

float TImageEffects::Angle() const
{
    const TImageEffectOpItem* op = FindLast(Op::Rotate);
    return op ? op->OpArg1 : 0.0f;
}

void TImageEffects::SetAngle(float a)
{
    double v = static_cast<double>(a);
    v -= 360.0 * std::trunc(v / 360.0);
    if (v < 0)
        v += 360.0;
    float stored = static_cast<float>(v);
    // A tiny negative angle lands on 360 once rounded to single precision.
    if (stored >= 360.0f)
        stored = 0.0f;
    if (TImageEffectOpItem* op = FindLastToAdd(Op::Rotate))
        op->OpArg1 = stored;
    else
        Add(std::make_unique<TImageEffectOpItem>(Op::Rotate, stored, 0.0f));
}

void TImageEffects::AngleAdd(float val)
{
    SetAngle(Angle() + val);
}

float TImageEffects::Zoom() const
{
    float f = 1.0f;
    for (auto it = fOpList.rbegin(); it != fOpList.rend(); ++it) {
        const TImageEffectOpItem* op = it->get();
        if (op->OpType == Op::Zoom)
            return op->OpArg1 * f;
        if (isFraming(op->OpType))
            break;
        if (op->OpType == Op::Rotate && op->OpArg2 != 0)
            f *= op->OpArg2;
    }
    return f;
}

void TImageEffects::SetZoom(float z)
{
    z = std::clamp(z, ZoomMin, ZoomMax);
    TImageEffectOpItem* op = FindLastToAdd(Op::Zoom);
    if (op && op->OpGroupId != -1)
        op->OpArg1 = z;
    else
        Add(std::make_unique<TImageEffectOpItem>(Op::Zoom, z, 0.0f));
}

void TImageEffects::ZoomMultiply(float val)
{
    SetZoom(Zoom() * val);
}

bool TImageEffects::CanZoomMultiply(float val) const
{
    const float z = Zoom() * val;
    return (z >= ZoomMin && z <= ZoomMax) || (val > ZoomMin && z < ZoomMin) || (val < ZoomMax && z > ZoomMax);
}

void TImageEffects::setColourValue(TImageEffectOpType t, float v)
{
    TImageEffectOpItem* op = FindLastToAdd(t);
    if (op && op == last()) {
        op->OpArg1 = v;
        return;
    }
    // A setting found further back moves to the end of the list.
    if (op)
        Remove(op);
    Add(std::make_unique<TImageEffectOpItem>(t, v, 0.0f));
}

float TImageEffects::Brightness() const
{
    const TImageEffectOpItem* op = FindLast(Op::Brightness);
    return op ? op->OpArg1 : 0.0f;
}

void TImageEffects::SetBrightness(float v)
{
    // 0 is the neutral value and keeps no operation; the range is clamped to
    // -100 (black) .. 100, so that the value always reads back as set.
    v = std::clamp(v, BrightnessMin, BrightnessMax);
    if (v == BrightnessDefault) {
        if (TImageEffectOpItem* op = FindLastToAdd(Op::Brightness))
            Remove(op);
        return;
    }
    setColourValue(Op::Brightness, v);
}

void TImageEffects::BrightnessAdd(float val)
{
    SetBrightness(Brightness() + val);
}

bool TImageEffects::CanBrightnessAdd(float val) const
{
    const float b = (Brightness() == 0 && val > 0) ? BrightnessDefault : Brightness() + val;
    return (b >= BrightnessMin && b <= BrightnessMax) || (val > BrightnessMin && b < BrightnessMin)
        || (val < BrightnessMax && b > BrightnessMax);
}

float TImageEffects::Lightness() const
{
    const TImageEffectOpItem* op = FindLast(Op::Lightness);
    return op ? op->OpArg1 : 0.0f;
}

void TImageEffects::SetLightness(float v)
{
    v = std::min(v, LightnessMax);
    if (v <= LightnessMin) {
        if (TImageEffectOpItem* op = FindLastToAdd(Op::Lightness))
            Remove(op);
        return;
    }
    setColourValue(Op::Lightness, v);
}

void TImageEffects::LightnessAdd(float val)
{
    SetLightness(Lightness() + val);
}

bool TImageEffects::CanLightnessAdd(float val) const
{
    const float b = (Lightness() == 0 && val > 0) ? LightnessDefault : Lightness() + val;
    return (b >= LightnessMin && b <= LightnessMax) || (val > LightnessMin && b < LightnessMin)
        || (val < LightnessMax && b > LightnessMax);
}

void TImageEffects::setExclusiveFlag(TImageEffectOpType t, bool b)
{
    TImageEffectOpItem* op = FindLastToAdd(t);
    if (!b) {
        if (op)
            Remove(op);
    } else if (!op) {
        Add(std::make_unique<TImageEffectOpItem>(t, 0.0f, 0.0f));
    }
}

bool TImageEffects::BlackAndWhite() const
{
    return FindLast(Op::BlackAndWhite) != nullptr;
}

void TImageEffects::SetBlackAndWhite(bool b)
{
    if (b)
        SetSepia(false);
    setExclusiveFlag(Op::BlackAndWhite, b);
}

bool TImageEffects::Sepia() const
{
    return FindLast(Op::Sepia) != nullptr;
}

void TImageEffects::SetSepia(bool b)
{
    if (b)
        SetBlackAndWhite(false);
    setExclusiveFlag(Op::Sepia, b);
}

bool TImageEffects::OilPainting() const
{
    return FindLast(Op::OilPainting) != nullptr;
}

void TImageEffects::SetOilPainting(bool b)
{
    setExclusiveFlag(Op::OilPainting, b);
}

bool TImageEffects::RedEyes() const
{
    return FindLast(Op::RedEyes) != nullptr;
}

void TImageEffects::SetRedEyes(bool b)
{
    TImageEffectOpItem* op = FindLast(Op::RedEyes);
    if (!b && op)
        Remove(op);
    else if (b && !op)
        Add(std::make_unique<TImageEffectOpItem>(Op::RedEyes, 0.0f, 0.0f));
}

bool TImageEffects::RotateFrame() const
{
    return FindLast(Op::RotateFrame) != nullptr;
}

void TImageEffects::SetRotateFrame(bool b)
{
    TImageEffectOpItem* op = FindLast(Op::RotateFrame);
    if (!b && op)
        Remove(op);
    else if (b && !op)
        Add(std::make_unique<TImageEffectOpItem>(Op::RotateFrame, 0.0f, 0.0f));
}

bool TImageEffects::requiresTransfo() const
{
    return std::any_of(fOpList.begin(), fOpList.end(), [](const auto& op) { return op->OpType != Op::RedEyes; });
}

bool TImageEffects::requiresCrop() const
{
    return std::any_of(fOpList.begin(), fOpList.end(), [](const auto& op) {
        switch (op->OpType) {
        case Op::Sepia:
        case Op::BlackAndWhite:
        case Op::Brightness:
        case Op::Lightness:
        case Op::RedEyes:
            return false;
        default:
            return true;
        }
    });
}

bool TImageEffects::HasOnlyMoves() const
{
    return std::all_of(fOpList.begin(), fOpList.end(), [](const auto& op) {
        return op->OpType == Op::Move || op->OpType == Op::RedEyes || op->OpType == Op::RotateFrame;
    });
}

// ---------------------------------------------------------------------------
// Replay

void TImageEffects::play(TImageEffectInfo& effectInfo) const
{
    bool readOnly = true;
    effectInfo.zoomFillInStart = -1;
    TPrintOrderEffects::FillIn(effectInfo);
    if (!(effectInfo.zoomFillInStart > 0))
        throw Exception(Format(QStringLiteral("TImageEffects.play: zoom start problem(%f, src=%fx%f, dst=%fx%f)"),
                               { effectInfo.zoomFillInStart, effectInfo.src.width(), effectInfo.src.height(),
                                 effectInfo.dst.width(), effectInfo.dst.height() }));
    for (const auto& op : fOpList)
        op->play(nullptr, readOnly, effectInfo);
}

void TImageEffects::play(QImage& bitmapSurface, bool& bitmapSurfaceReadOnly, TImageEffectInfo& effectInfo) const
{
    effectInfo.zoomFillInStart = -1;
    TPrintOrderEffects::FillIn(effectInfo);
    if (!(effectInfo.zoomFillInStart > 0))
        throw Exception(Format(QStringLiteral("TImageEffects.play: zoom start problem(%f, src=%fx%f, dst=%fx%f)"),
                               { effectInfo.zoomFillInStart, effectInfo.src.width(), effectInfo.src.height(),
                                 effectInfo.dst.width(), effectInfo.dst.height() }));
    for (const auto& op : fOpList)
        op->play(&bitmapSurface, bitmapSurfaceReadOnly, effectInfo);
}

void TImageEffects::generateFinalBitmap(QImage& bitmapSurface, bool& bitmapSurfaceReadOnly,
                                        TImageEffectInfo& effectInfo) const
{
    TPrintOrderEffects::GenerateFinalBitmap(bitmapSurface, bitmapSurfaceReadOnly, effectInfo);
}

// ---------------------------------------------------------------------------
// Corrections

TImageEffectOpItem* TImageEffects::addCorrection(TImageEffectOpType t, float a1, float a2)
{
    TImageEffectOpItem* op = Add(std::make_unique<TImageEffectOpItem>(t, a1, a2));
    if (fGroupOpId == 0)
        op->OpGroupId = -1;
    return op;
}

void TImageEffects::MoveRescale(float factor)
{
    const TImageEffectOpItem* m = FindLast(Op::Move);
    if (!m)
        return;
    const float x = m->OpArg1 * factor;
    const float y = m->OpArg2 * factor;
    if (TImageEffectOpItem* a = FindLastToAdd(Op::Move)) {
        a->OpArg1 = x;
        a->OpArg2 = y;
    } else {
        addCorrection(Op::Move, x, y);
    }
}

TImageEffectOpItem* TImageEffects::MoveCorrec(float dx, float dy)
{
    const TImageEffectOpItem* m = FindLast(Op::Move);
    const float x = (m ? m->OpArg1 : 0.0f) + dx;
    const float y = (m ? m->OpArg2 : 0.0f) + dy;
    if (TImageEffectOpItem* a = FindLastToAdd(Op::Move)) {
        a->OpArg1 = x;
        a->OpArg2 = y;
        return a;
    }
    addCorrection(Op::Move, x, y);
    return nullptr;
}

void TImageEffects::ZoomCorrec(float factor)
{
    const float z = Zoom() * factor;
    if (TImageEffectOpItem* a = FindLastToAdd(Op::Zoom))
        a->OpArg1 = z;
    else
        addCorrection(Op::Zoom, z, 0.0f);
}

// ---------------------------------------------------------------------------
// Framing correction

void TImageEffects::fillInCorrec(TImageEffectInfo& info)
{
    const double z = TPrintOrderEffects::fillInZoom(info);
    if (coversFrame(z))
        return;
    const QPointF m = TPrintOrderEffects::calcFillInMove(info);
    logDebug(QStringLiteral("TImageEffects.fillInCorrec: fill-in zoom (=%f), move correc=%f%%,%f%%"),
             { z, m.x() * 100 / info.dst.width(), m.y() * 100 / info.dst.height() });
    fillInCorrec(info, m, false);
}

void TImageEffects::fitInCorrec(TImageEffectInfo& info)
{
    const double z = TPrintOrderEffects::fitInZoom(info);
    if (fitsFrame(z))
        return;
    const QPointF m = TPrintOrderEffects::calcFitInMove(info);
    logDebug(QStringLiteral("TImageEffects.fitInCorrec: fit-in zoom (=%f), move correc=%f%%,%f%%"),
             { z, m.x() * 100 / info.dst.width(), m.y() * 100 / info.dst.height() });
    fitInCorrec(info, m, false);
}

// What differs between the fill-in and the fit-in correction: the zoom that
// makes the photo cover (or fit) its frame, when a zoom in percent counts as
// already right, and the names in the log lines.
struct TFramingCorrecKind {
    const char* op;    // "fillInCorrec"
    const char* label; // "fill-in"
    double (*zoom)(const TImageEffectInfo&);
    bool (*keepsUserMove)(int64_t zoomPercent);
    bool (*keepsCorrecMove)(int64_t zoomPercent);
};

namespace {

const TFramingCorrecKind kFillIn { "fillInCorrec", "fill-in",
    [](const TImageEffectInfo& i) { return TPrintOrderEffects::fillInZoom(i); },
    [](int64_t z) { return z < 101; }, [](int64_t z) { return z <= 100; } };
const TFramingCorrecKind kFitIn { "fitInCorrec", "fit-in",
    [](const TImageEffectInfo& i) { return TPrintOrderEffects::fitInZoom(i); },
    [](int64_t z) { return z > 99; }, [](int64_t z) { return z > 99; } };

} // namespace

// Tries the shift first and zooms only when the shift is not enough.
void TImageEffects::framingMoveCorrec(const TFramingCorrecKind& kind, TImageEffectInfo& info, QPointF move,
    bool userMove)
{
    const QString op = QStringLiteral("TImageEffects.") + QLatin1String(kind.op);
    const QString label = QLatin1String(kind.label);
    const QPointF p(move.x() * 100 / info.dst.width(), move.y() * 100 / info.dst.height());
    const double z0 = info.ZoomCalc();
    OffsetKeeper keeper(info);
    info.offset = (info.offset * z0 + p) / z0;
    double z = kind.zoom(info);
    logDebug(op + QStringLiteral(": ") + label + QStringLiteral(" zoom after move=%f"), { z });
    if (z <= 0) {
        // The trial shift leaves no computable placement (the frame centre
        // on the picture's outline): drop it and zoom from where the photo is.
        info.offset = keeper.kept();
        const double z2 = kind.zoom(info);
        logDebug(op + QStringLiteral(": ") + label + QStringLiteral(" zoom / move cancelled, calcZoom=%f, applied=%f"),
                 { z, z2 });
        if (z2 <= 0)
            throw Exception(Format(op + QStringLiteral(": ") + label + QStringLiteral(" failed, calcZoom=%.2f"), { z2 }));
        ZoomCorrec(static_cast<float>(z2));
        return;
    }
    if (userMove) {
        OffsetAdd(p.x(), p.y());
        if (kind.keepsUserMove(roundEven(z * 100)))
            return;
    } else {
        if (kind.keepsCorrecMove(roundEven(z * 100))) {
            MoveCorrec(static_cast<float>(p.x()), static_cast<float>(p.y()));
            return;
        }
        info.offset = keeper.kept();
        const double z2 = kind.zoom(info);
        if (z2 > 0)
            z = z2;
        logDebug(op + QStringLiteral(": ") + label + QStringLiteral(" zoom / move cancelled, calcZoom=%f, applied=%f"),
                 { z2, z });
    }
    ZoomCorrec(static_cast<float>(z));
}

void TImageEffects::fillInCorrec(TImageEffectInfo& info, QPointF move, bool userMove)
{
    framingMoveCorrec(kFillIn, info, move, userMove);
}

void TImageEffects::fitInCorrec(TImageEffectInfo& info, QPointF move, bool userMove)
{
    framingMoveCorrec(kFitIn, info, move, userMove);
}

void TImageEffects::framingCorrect(QSizeF imageSize, QSizeF frameMm, bool imageRotateIfBetter, bool debugMode)
{
    if (fOpList.empty() || FrameLimit() == TImageEffectFrameLimit::StayFree)
        return;
    try {
        TImageEffectInfo info;
        info.src = imageSize;
        info.dst = frameMm;
        bool r = RotateFrame();
        if (imageRotateIfBetter && info.dst.width() != info.dst.height()
            && ((info.src.width() >= info.src.height()) != (info.dst.width() >= info.dst.height())))
            r = !r;
        if (r) {
            info.dst.transpose();
            info.rotate90 = true;
            info.frameRectCalc = QRectF();
        }
        play(info);

        // The operation to correct: the last one, or, behind automatic
        // corrections, the customer's move, zoom or rotation they follow.
        const int lastIndex = Count() - 1;
        const Op lastType = fOpList.back()->OpType;
        if (!isMoveZoomRotate(lastType)) {
            if (FitInMode())
                fitInCorrec(info);
            else
                fillInCorrec(info);
            return;
        }
        int idx = lastIndex;
        while (Item(idx)->OpGroupId == -1 && idx > 0) {
            if (isMoveZoomRotate(Item(idx - 1)->OpType))
                --idx;
            else
                break;
        }
        TImageEffectOpItem* op = Item(idx);
        const auto percent = [&info](QPointF m) {
            return QVariantList{ m.x() * 100 / info.dst.width(), m.y() * 100 / info.dst.height() };
        };
        const auto rescaleRotation = [this, op](double z) {
            op->OpArg2 = op->OpArg2 == 0 ? static_cast<float>(z) : op->OpArg2 * static_cast<float>(z);
            MoveRescale(static_cast<float>(z));
        };

        if (FitInMode()) {
            const double z = TPrintOrderEffects::fitInZoom(info);
            logDebug(QStringLiteral("TImageEffects.framingCorrect: fit-in zoom=%f"), { z });
            if (fitsFrame(z)) {
                if (op->OpType == Op::Rotate && op->OpArg2 != 0)
                    rescaleRotation(z);
                return;
            }
            const QPointF m = TPrintOrderEffects::calcFitInMove(info);
            if (op->OpType == Op::Move) {
                logDebug(QStringLiteral("TImageEffects.framingCorrect: fit-in, move correc=%f%%,%f%%"), percent(m));
                fitInCorrec(info, m, true);
            } else if (z <= 0) {
                logDebug(QStringLiteral("TImageEffects.framingCorrect: fit-in failed(calc zoom=%f), move correc=%f%%,%f%%"),
                         QVariantList{ z } + percent(m));
                fitInCorrec(info, m, false);
            } else if (op->OpType == Op::Zoom) {
                logDebug(QStringLiteral("TImageEffects.framingCorrect: fit-in zoom(=%f), move correc instead=%f%%,%f%%"),
                         QVariantList{ z } + percent(m));
                fitInCorrec(info, m, false);
            } else if (CanZoomMultiply(static_cast<float>(info.zoomUser * z))) {
                if (op->OpType != Op::Rotate)
                    throw Exception(QStringLiteral("TImageEffects.framingCorrect: fit-in: Unexpected case"));
                rescaleRotation(z);
            } else {
                logDebug(QStringLiteral("TImageEffects.framingCorrect: fit-in zoom out of bounds(=%f), move correc=%f%%,%f%%"),
                         QVariantList{ z } + percent(m));
                fitInCorrec(info, m, false);
            }
            return;
        }

        // StayFillIn
        const double z = TPrintOrderEffects::fillInZoom(info);
        logDebug(QStringLiteral("TImageEffects.framingCorrect: fill-in zoom=%f"), { z });
        if (coversFrame(z)) {
            if (op->OpType == Op::Rotate && op->OpArg2 != 0)
                rescaleRotation(z);
            return;
        }
        if (z > 1 && debugMode) {
            info.zoomUser *= z;
            logDebug(QStringLiteral("TImageEffects.framingCorrect: fill-in zoom2=%f"),
                     { TPrintOrderEffects::fillInZoom(info) });
            info.zoomUser /= z;
        }
        const auto debugCheck = [&]() {
            if (!debugMode)
                return;
            info.Reset();
            play(info);
            const double z3 = TPrintOrderEffects::fillInZoom(info);
            logDebug(QStringLiteral("TImageEffects.framingCorrect: fill-in zoom3=%f"), { z3 });
            if (!(z3 > 0))
                throw Exception(Format(QStringLiteral("TImageEffects.framingCorrect: fill-in failed, calcZoom3=%.2f"),
                                       { z3 }));
        };
        const QPointF m = TPrintOrderEffects::calcFillInMove(info);
        if (op->OpType == Op::Move) {
            logDebug(QStringLiteral("TImageEffects.framingCorrect: fill-in, move correc=%f%%,%f%%"), percent(m));
            fillInCorrec(info, m, true);
        } else if (z <= 0) {
            logDebug(QStringLiteral("TImageEffects.framingCorrect: fill-in failed(calc zoom=%f), move correc=%f%%,%f%%"),
                     QVariantList{ z } + percent(m));
            fillInCorrec(info, m, false);
        } else if (op->OpType == Op::Zoom) {
            logDebug(QStringLiteral("TImageEffects.framingCorrect: fill-in zoom(=%f), move correc instead=%f%%,%f%%"),
                     QVariantList{ z } + percent(m));
            fillInCorrec(info, m, false);
            debugCheck();
        } else if (CanZoomMultiply(static_cast<float>(info.zoomUser * z))) {
            if (op->OpType != Op::Rotate)
                throw Exception(QStringLiteral("TImageEffects.framingCorrect: fill-in: Unexpected case"));
            rescaleRotation(z);
            debugCheck();
        } else {
            logDebug(QStringLiteral("TImageEffects.framingCorrect: fill-in zoom out of bounds(=%f), move correc=%f%%,%f%%"),
                     QVariantList{ z } + percent(m));
            fillInCorrec(info, m, false);
        }
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TImageEffects.framingCorrect"), &e);
    }
}
