#pragma once
// Snapping guides of the page canvases. While a frame is moved or resized the
// target looks for the nearest alignment of the frame's outline with the
// other frames and the page's centre lines, pulls the frame onto it (glue)
// when it is close enough, and draws the guide lines, the frames aligned with
// and the design-margin bands. One target serves both pages of a spread:
// frames of the facing page are compared in mirror image about the spine.
//
// The guides stay at full strength while a gesture holds the show lock and
// fade out in ten steps of 100 ms after it.
//
// Also declared here: the hit-test answer of a page canvas (TPointClickInfo),
// which is its selection and the input of the guides.
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QTimer>
#include <memory>
#include <vector>

class QPainter;
class TCustomizedFrame;
class TCustomizedPageBase;

// What lies under a point of a page canvas. 0 to 7 are the resize handles.
enum class TPointClickLocation : int {
    TopLeft = 0,
    Top = 1,
    TopRight = 2,
    Left = 3,
    Right = 4,
    BottomLeft = 5,
    Bottom = 6,
    BottomRight = 7,
    Border = 8,      // the frame as a whole: move it
    Inner = 9,       // inside the selected frame
    None = 10,
    Rotate = 11,
    Delete = 12,
    Foreground = 13,
    DragOver = 14,   // the frame under a drag
    PopupEdit = 15,
    FrameSwap = 16,
};

inline bool IsResizeHandle(TPointClickLocation loc)
{
    return int(loc) >= 0 && int(loc) <= 7;
}

struct TPointClickInfo {
    TCustomizedFrame* frame = nullptr;
    TPointClickLocation loc = TPointClickLocation::None;
    friend bool operator==(const TPointClickInfo&, const TPointClickInfo&) = default;
};

enum class TQzguiMagnetTargetMode : int {
    TargetNone = 0,          // no guide on this axis
    TargetOk = 1,            // a guide at the frame's edge, nothing aligned
    TargetAligned = 2,       // aligned edge to edge
    TargetAlignedMiddle = 3, // aligned through a centre
};

class IQzguiMagnetTarget;

// A page canvas as the guides see it.
class IQzguiMagnetTargetNotif {
public:
    virtual ~IQzguiMagnetTargetNotif() = default;
    virtual void OnMagnetTargetRepaint(IQzguiMagnetTarget* target) = 0;
    // The frames of the canvas's page, bottom first (empty without a page).
    virtual std::vector<TCustomizedFrame*> OnMagnetTargetFrameList(IQzguiMagnetTarget* target) = 0;
    virtual TCustomizedPageBase* OnMagnetTargetPage(IQzguiMagnetTarget* target) = 0;
    // Moves the frame of info (or resizes it by its handle) by the snap
    // correction delta, in page millimetres.
    virtual void OnMagnetTargetMoveCorrec(IQzguiMagnetTarget* target, const TPointClickInfo& info, QPointF delta)
        = 0;
    // The frame's unrotated pixel rectangle on this canvas; refreshes its
    // placement matrix. Raises for a frame of another page.
    virtual QRectF OnMagnetTargetUpdateLocMatrix(IQzguiMagnetTarget* target, TCustomizedFrame* frame) = 0;
};

class IQzguiMagnetTarget {
public:
    virtual ~IQzguiMagnetTarget() = default;
    virtual float DesignMargin() const = 0;
    virtual void SetDesignMargin(float mm) = 0;
    // Draws the guides on canvas, whose page lies in rectPageInPx.
    virtual void OnRender(QPainter& canvas, const QRectF& rectPageInPx, double ratioMmPerPx,
                          IQzguiMagnetTargetNotif* page)
        = 0;
    virtual void registerNotif(IQzguiMagnetTargetNotif* notif) = 0;
    virtual void unregisterNotif(IQzguiMagnetTargetNotif* notif) = 0;
    // Guides for the frame of clickInfo moved (location above 7) or resized
    // by its handle on the canvas page; with bGlue the frame is corrected.
    virtual void targetMove(IQzguiMagnetTargetNotif* page, const TPointClickInfo& clickInfo, bool bGlue) = 0;
    virtual void targetImageMove(IQzguiMagnetTargetNotif* page, const TPointClickInfo& clickInfo) = 0;
    virtual void targetHide() = 0;
    virtual void targetShowLock() = 0;
    virtual void targetShowUnlock() = 0;
};
using IQzguiMagnetTargetRef = std::shared_ptr<IQzguiMagnetTarget>;

class TQzguiMagnetTarget;

// One guide point with a vertical and a horizontal guide line.
class TQzguiMagnetTargetPoint {
public:
    explicit TQzguiMagnetTargetPoint(TQzguiMagnetTarget* target) : m_target(target) { }

    void Reset();
    bool IsValid() const;
    // Copies another point; true when anything differed.
    bool ChangeFrom(const TQzguiMagnetTargetPoint& other);

    TQzguiMagnetTargetMode m_ptXalign = TQzguiMagnetTargetMode::TargetNone;
    TQzguiMagnetTargetMode m_ptYalign = TQzguiMagnetTargetMode::TargetNone;
    // Millimetres of the page on which the frame moves.
    QPointF m_pt;
    // Frames aligned along X and along Y; null stands for the page itself.
    std::vector<TCustomizedFrame*> m_alignedFrameListX;
    std::vector<TCustomizedFrame*> m_alignedFrameListY;

private:
    TQzguiMagnetTarget* m_target;
};

class TQzguiMagnetTarget : public QObject, public IQzguiMagnetTarget {
public:
    static constexpr double kLineWidthPx = 5;
    static constexpr double kRenderToleranceMm = 0.05;
    static constexpr double kSnapGlueMm = 2.5;
    static constexpr double kSnapNoGlueMm = 0.4;
    static constexpr int kFadeSteps = 10;
    static constexpr int kFadeIntervalMs = 100;
    static constexpr int kAlphaFull = 92;
    static constexpr unsigned kColorAligned = 0x54D63A;
    static constexpr unsigned kColorPlain = 0x80CEC1;
    static constexpr unsigned kColorMargin = 0xFEBD69;

    TQzguiMagnetTarget();
    ~TQzguiMagnetTarget() override;

    float DesignMargin() const override { return m_designMargin; }
    void SetDesignMargin(float mm) override { m_designMargin = mm; }
    void OnRender(QPainter& canvas, const QRectF& rectPageInPx, double ratioMmPerPx,
                  IQzguiMagnetTargetNotif* page) override;
    void registerNotif(IQzguiMagnetTargetNotif* notif) override;
    void unregisterNotif(IQzguiMagnetTargetNotif* notif) override;
    void targetMove(IQzguiMagnetTargetNotif* page, const TPointClickInfo& clickInfo, bool bGlue) override;
    void targetImageMove(IQzguiMagnetTargetNotif* page, const TPointClickInfo& clickInfo) override { }
    void targetHide() override;
    void targetShowLock() override;
    void targetShowUnlock() override;
    // Repaints the registered canvases while the guides are shown.
    void invalidateVisualIfReq();

    // --- state, for the canvases and the tests
    bool Hidden() const { return m_targetHidden; }
    int CloseStep() const { return m_cCloseStep; }
    bool FadeRunning() const { return _timerClose.isActive(); }
    int ShowLockCount() const { return m_cTargetShowLock; }
    IQzguiMagnetTargetNotif* MovedPage() const { return m_targetMovedPage; }
    // The two points shown (empty before the first move).
    const std::vector<std::unique_ptr<TQzguiMagnetTargetPoint>>& Points() const { return m_targetList; }
    const std::vector<IQzguiMagnetTargetNotif*>& Notifs() const { return m_lstNotif; }
    // One fade step, as the timer runs it.
    void FadeStep();

    // Alpha (of 255) of the guides at a fade step: 92 at step 0 down to 9.
    static int AlphaForStep(int step);
    // The bounding box of the frame's rotated rectangle in millimetres, as
    // seen from viewPage: mirrored about the page's middle when viewPage is
    // another page than the frame's (the facing page of a spread). Without a
    // frame: the whole of viewPage.
    static QRectF alignRectInMm(TCustomizedFrame* frame, TCustomizedPageBase* viewPage);

private:
    void show();
    void repaintAll();
    void targetCommit(IQzguiMagnetTargetNotif* page);
    TQzguiMagnetTargetPoint& preparePoint(size_t i);
    QRectF alignRectInPx(TCustomizedFrame* frame, const QRectF& rectPageInPx);
    void renderPoint(QPainter& canvas, const TQzguiMagnetTargetPoint& pt, const QRectF& P, double ratio,
                     IQzguiMagnetTargetNotif* page, int alpha);

    QTimer _timerClose;
    int m_cCloseStep = 0;
    bool m_targetHidden = true;
    std::vector<std::unique_ptr<TQzguiMagnetTargetPoint>> m_targetList;
    std::vector<std::unique_ptr<TQzguiMagnetTargetPoint>> m_targetPrepareList;
    float m_designMargin = 0;
    std::vector<IQzguiMagnetTargetNotif*> m_lstNotif;
    IQzguiMagnetTargetNotif* m_targetMovedPage = nullptr;
    int m_cTargetShowLock = 0;
};

// Keeps the guides of a target shown while a gesture lasts.
class TQzguiMagnetTargetLock {
public:
    TQzguiMagnetTargetLock() = default;
    explicit TQzguiMagnetTargetLock(IQzguiMagnetTargetRef target) { Lock(std::move(target)); }
    ~TQzguiMagnetTargetLock();
    TQzguiMagnetTargetLock(const TQzguiMagnetTargetLock&) = delete;
    TQzguiMagnetTargetLock& operator=(const TQzguiMagnetTargetLock&) = delete;

    void Lock(IQzguiMagnetTargetRef target);
    void Unlock();
    bool isLocked() const { return fTarget != nullptr; }

private:
    IQzguiMagnetTargetRef fTarget;
};
