#pragma once
// Test doubles of the page designer: a page of a given size whose frames the
// test places, a main frame with a bitmap cache, a design margin and
// recorded confirmations, and a canvas owner that records what it is told.
#include "FakeMainFrame.h"
#include "ULabPartyContracts.h"
#include "UMainFrameTypes.h"
#include "UCustomizedPage.h"
#include "UOrderBitmapCache.h"
#include "UQzguiCustomizedPage.h"

#include <QImage>
#include <QStringList>
#include <memory>

namespace designtest {

// A page of w x h millimetres.
class TestPage : public TCustomizedPageBase {
public:
    TestPage(int w, int h, TProduct* product = nullptr) : TCustomizedPageBase(product), fW(w), fH(h) { }
    int PageWidth() override { return fW; }
    int PageHeight() override { return fH; }
    bool IsCustomizable() override { return customizable; }
    int PageNumForLab() override { return fPageNum; }
    bool XMLloadFinalize(IMainFrame*) override { return true; }

    // A frame of the kind at mm (unrotated rectangle) turned by angle.
    TCustomizedFrame* add(TTypeFrame kind, const QRectF& mm, float angle = 0)
    {
        auto f = std::make_unique<TCustomizedFrame>(this);
        f->SetTypeFrame(kind);
        f->SetPositionX(float(mm.x()));
        f->SetPositionY(float(mm.y()));
        f->SetWidth(float(mm.width()));
        f->SetHeight(float(mm.height()));
        f->SetRotationAngle(angle);
        return FrameAdd(std::move(f));
    }
    std::vector<TCustomizedFrame*> frames() const
    {
        std::vector<TCustomizedFrame*> v;
        for (TCustomizedFrame* f : CustomizedFrameList())
            v.push_back(f);
        return v;
    }

    int fW;
    int fH;
    bool customizable = true;
};

// A main frame with a bitmap cache, the design variant, the photographer's
// margin, and confirmations answered by the test.
class DesignMainFrame : public RecordingMainFrame {
public:
    DesignMainFrame() { photographer.setMargeSecu(0); }
    ~DesignMainFrame() override { cache.ClearAll(); }

    IOrderBitmapRef BitmapCache(TImageSource* src, int w, int h, TOrderBitmapMode mode) override
    {
        return cache.Access(src, w, h, mode);
    }
    bool Is2DrenderingReady() override { return true; }
    TZebdesign Zebdesign() override { return design; }
    Photographe2* GetWebSvcPhotographer() override { return &photographer; }
    void orderChanged() override
    {
        record(QStringLiteral("orderChanged"));
        ++orderChanges;
    }
    void ConfirmYesNo(const QString& text, TProc yes, TProc no) override
    {
        record(QStringLiteral("ConfirmYesNo"));
        confirmText = text;
        confirmYes = std::move(yes);
        confirmNo = std::move(no);
    }

    TOrderBitmapCache cache { this };
    TZebdesign design = zebd_kiosk;
    Photographe2 photographer;
    int orderChanges = 0;
    QString confirmText;
    TProc confirmYes;
    TProc confirmNo;
};

// The design editor as the canvas sees it: records every notification.
class RecordingOwner : public IZebguiCustomizedPageNotif {
public:
    explicit RecordingOwner(IMainFrame* main) : fMain(main) { }

    IMainFrame* mainFrame() override { return fMain; }
    TThreadTaskQueueBase* bitmapTaskQueue() override { return queue; }
    void OnFrameSelected(TCustomizedFrame* frame) override
    {
        events << QStringLiteral("selected");
        selected.push_back(frame);
    }
    void OnFrameUnselected() override { events << QStringLiteral("unselected"); }
    void textEditStart() override { events << QStringLiteral("textEditStart"); }
    void textEditEnd(TCustomizedFrame*) override { events << QStringLiteral("textEditEnd"); }
    void OnPageInvalidated(TCustomizedPageBase*) override { ++pageInvalidated; }
    void imageFramingCorrect() override { }
    void optionsRefresh() override { }
    void optionsUpdate() override { }
    void popupEditFrame(TZebguiCustomizedPage*, TCustomizedFrame* frame) override
    {
        events << QStringLiteral("popupEdit");
        edited = frame;
    }
    void scrollLock(TZebguiCustomizedPage*) override { events << QStringLiteral("scrollLock"); }
    void scrollUnlock(TZebguiCustomizedPage*) override { events << QStringLiteral("scrollUnlock"); }
    void swapModeChanged(TZebguiCustomizedPage*, bool on) override
    {
        events << (on ? QStringLiteral("swapOn") : QStringLiteral("swapOff"));
    }

    IMainFrame* fMain;
    TThreadTaskQueueBase* queue = nullptr;
    QStringList events;
    std::vector<TCustomizedFrame*> selected;
    TCustomizedFrame* edited = nullptr;
    int pageInvalidated = 0;
};

} // namespace designtest
