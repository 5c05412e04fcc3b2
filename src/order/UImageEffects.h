#pragma once
// The effect list of a photo in a print or a page frame.
//
// What the customer does to a photo (move, zoom, rotate, fill or fit the
// frame, turn the frame, colour filters, red-eye correction) is never applied
// to the picture: it is recorded as an ordered list of operations, stored with
// the order and replayed at every rendering. Geometric operations are played
// on a placement context, colour operations on a pixel surface.
//
// The list merges consecutive operations of one kind so that it stays short,
// groups the operations of one user action so that one Undo removes them
// together, and marks the automatic corrections that keep a photo filling or
// fitting its frame (group id -1: undone with the operation before them).
//
// The stored data is the list of operations (`Operations`); order files
// hold it through the object serializer.
#include "UPrintOrderEffects.h"
#include "UXmlSerializer.h"

#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// Stored by name in order files; the ordinals are fixed.
enum class TImageEffectOpType : int {
    Move = 0,          // OpArg1, OpArg2: shift in percent of the frame width, height
    Zoom = 1,          // OpArg1: zoom factor
    FillIn = 2,
    FitIn = 3,
    FramingFree = 4,
    Rotate = 5,        // OpArg1: degrees in [0, 360); OpArg2: zoom correction, 0 for none
    Sepia = 6,
    BlackAndWhite = 7,
    OilPainting = 8,
    Brightness = 9,    // OpArg1: -100..100
    Lightness = 10,    // OpArg1: 0..100
    RedEyes = 11,
    RotateFrame = 12,
};
KIOSK_ENUM_DECLARE(TImageEffectOpType)

// Name of an operation type as order files store it; empty for an unknown
// ordinal.
QString ImageEffectOpTypeName(TImageEffectOpType t);
// Type of a stored name; false when the name is unknown.
bool ImageEffectOpTypeFromName(const QString& name, TImageEffectOpType& t);

// One operation. A document object of its own (stored properties OpType,
// OpArg1, OpArg2, OpGroupId), and still copied as a plain value: a copy takes
// the four values only.
class TImageEffectOpItem : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TImageEffectOpItem)
public:
    TImageEffectOpItem() = default;
    TImageEffectOpItem(TImageEffectOpType opType, float opArg1, float opArg2)
        : OpType(opType), OpArg1(opArg1), OpArg2(opArg2) { }
    TImageEffectOpItem(const TImageEffectOpItem& other);
    TImageEffectOpItem& operator=(const TImageEffectOpItem& other);

    TImageEffectOpType OpType = TImageEffectOpType::Move;
    float OpArg1 = 0;
    float OpArg2 = 0;
    // 0: made outside any group operation; > 0: shared by the operations of
    // one group operation; -1: automatic correction made outside a group.
    int OpGroupId = 0;

    // Plays the operation on the context and, for colour operations, on the
    // surface when one is given (bitmapSurface may be null). A read-only
    // surface is first replaced by a private copy.
    void play(QImage* bitmapSurface, bool& bitmapSurfaceReadOnly, TImageEffectInfo& effectInfo) const;

    bool operator==(const TImageEffectOpItem& other) const;
};

struct TFramingCorrecKind;

class TImageEffects : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TImageEffects)
public:
    static constexpr float ZoomMin = 0.1f;
    static constexpr float ZoomMax = 10.0f;
    static constexpr float BrightnessMin = -100.0f;
    static constexpr float BrightnessMax = 100.0f;
    static constexpr float BrightnessDefault = 0.0f;
    static constexpr float LightnessMin = 0.0f;
    static constexpr float LightnessMax = 100.0f;
    static constexpr float LightnessDefault = 0.0f;

    TImageEffects();
    ~TImageEffects() override;
    TImageEffects(const TImageEffects&) = delete;
    TImageEffects& operator=(const TImageEffects&) = delete;

    // Gives the serializer the element names of the list and its
    // operations in order files ("ImageEffects", "ImageEffectOpItem").
    static void XmlClassesRegister(TXMLSerializer& ser);

    // Stored property: the operations in the order played. Setting it
    // replaces the list.
    std::vector<TImageEffectOpItem> Operations() const;
    void SetOperations(const std::vector<TImageEffectOpItem>& ops);

    int Count() const { return static_cast<int>(fOpList.size()); }
    TImageEffectOpItem* Item(int index) const { return fOpList.at(static_cast<size_t>(index)).get(); }

    // Gives op the current group id and appends it; the list takes it.
    TImageEffectOpItem* Add(std::unique_ptr<TImageEffectOpItem> op);
    // Removes and frees op (ignored when it is not in the list).
    void Remove(TImageEffectOpItem* op);

    bool isEmpty() const { return fOpList.empty(); }
    bool CanUndo() const { return !fOpList.empty(); }
    void Undo();
    void Reset();
    bool isInGroupOp() const { return fGroupOpCount > 0; }
    void GroupOpStart();
    void GroupOpEnd();

    TImageEffectOpItem* FindLast(TImageEffectOpType opType) const;
    // The operation a new one of that type should update instead of being
    // appended; may merge a zoom/rotation pair on the way.
    TImageEffectOpItem* FindLastToAdd(TImageEffectOpType opType);

    TImageEffectFrameLimit FrameLimit() const;
    bool FillInMode() const { return FrameLimit() == TImageEffectFrameLimit::StayFillIn; }
    bool FitInMode() const { return FrameLimit() == TImageEffectFrameLimit::StayFitIn; }
    void FillIn();
    void FitIn();
    void FramingFree();

    QPointF Offset() const;
    void SetOffset(QPointF p);
    void OffsetAdd(double x, double y);
    float Angle() const;
    void SetAngle(float a);
    void AngleAdd(float val);
    float Zoom() const;
    void SetZoom(float z);
    void ZoomMultiply(float val);
    bool CanZoomMultiply(float val) const;
    float Brightness() const;
    void SetBrightness(float v);
    void BrightnessAdd(float val);
    bool CanBrightnessAdd(float val) const;
    float Lightness() const;
    void SetLightness(float v);
    void LightnessAdd(float val);
    bool CanLightnessAdd(float val) const;
    bool BlackAndWhite() const;
    void SetBlackAndWhite(bool b);
    bool Sepia() const;
    void SetSepia(bool b);
    bool OilPainting() const;
    void SetOilPainting(bool b);
    bool RedEyes() const;
    void SetRedEyes(bool b);
    bool RotateFrame() const;
    void SetRotateFrame(bool b);

    // Some operation is not RedEyes: the picture must be processed.
    bool requiresTransfo() const;
    // Some operation is not a colour operation or RedEyes: the print must be
    // rendered at its final framing.
    bool requiresCrop() const;
    // Every operation (none included) is Move, RedEyes or RotateFrame.
    bool HasOnlyMoves() const;

    // Replays the list on a context without pixels.
    void play(TImageEffectInfo& effectInfo) const;
    // Replays it on a context and a surface.
    void play(QImage& bitmapSurface, bool& bitmapSurfaceReadOnly, TImageEffectInfo& effectInfo) const;
    // Renders the placed picture (see TPrintOrderEffects::GenerateFinalBitmap).
    void generateFinalBitmap(QImage& bitmapSurface, bool& bitmapSurfaceReadOnly,
                             TImageEffectInfo& effectInfo) const;

    // Corrections used by framingCorrect; appended outside a group they get
    // group id -1.
    void MoveRescale(float factor);
    TImageEffectOpItem* MoveCorrec(float dx, float dy);
    void ZoomCorrec(float factor);

    // Keeps the photo filling or fitting its frame after a user operation.
    // imageSize: the photo's size in pixels; frameMm: the frame's printed
    // size; imageRotateIfBetter: the frame may be turned by 90 degrees when
    // the photo's orientation differs; debugMode adds checking and log lines.
    // Never raises: failures are logged and leave the list as far as it was
    // corrected.
    void framingCorrect(QSizeF imageSize, QSizeF frameMm, bool imageRotateIfBetter, bool debugMode);

private:
    int indexOf(const TImageEffectOpItem* op) const;
    TImageEffectOpItem* last() const { return fOpList.empty() ? nullptr : fOpList.back().get(); }
    TImageEffectOpItem* addCorrection(TImageEffectOpType t, float a1, float a2);
    void setColourValue(TImageEffectOpType t, float v);
    void setExclusiveFlag(TImageEffectOpType t, bool b);
    void setFraming(TImageEffectOpType t);

    void fillInCorrec(TImageEffectInfo& info);
    void fillInCorrec(TImageEffectInfo& info, QPointF move, bool userMove);
    void fitInCorrec(TImageEffectInfo& info);
    void fitInCorrec(TImageEffectInfo& info, QPointF move, bool userMove);
    void framingMoveCorrec(const TFramingCorrecKind& kind, TImageEffectInfo& info, QPointF move, bool userMove);

    std::vector<std::unique_ptr<TImageEffectOpItem>> fOpList;
    int fGroupOpCount = 0;
    int fGroupOpId = 0;
};
