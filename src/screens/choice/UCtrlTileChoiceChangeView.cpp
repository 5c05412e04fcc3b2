#include "UCtrlTileChoiceChangeView.h"

#include "ULangText.h"
#include "UMainFrameTypes.h"
#include "UQzguiButton.h"
#include "UScreensResources.h"
#include "UWorkflowDataSource.h"

namespace {
TLangText& txtDate = TLangText::Create(QStringLiteral("View by date"));
TLangText& txtFolder = TLangText::Create(QStringLiteral("View by folder"));
TLangText& txtFilename = TLangText::Create(QStringLiteral("View by filename"));
constexpr float kTileW = 270;
constexpr float kTileH = 350;
} // namespace

TCtrlTileChoiceChangeViewBase::TCtrlTileChoiceChangeViewBase(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlTileChoiceBase(main, stepTabItem)
    , svgDocClock(TScreensResources::Svg(QStringLiteral("clock")))
    , svgDocFolder(TScreensResources::Svg(QStringLiteral("folder")))
    , svgDocFileImage(TScreensResources::Svg(QStringLiteral("file_image")))
{
}

TTileButton* TCtrlTileChoiceChangeViewBase::AddTileButton(const QString& caption, QSvgRenderer* svg)
{
    TTileButton* b = TCtrlTileChoiceBase::AddTileButton(caption, svg);
    b->resize(b->width(), b->width());
    const bool mobile = MainFrame() && MainFrame()->Zebdesign() == zebd_mobile;
    KioskSetStyleLookup(b, mobile ? QStringLiteral("btntilemediamobile") : QStringLiteral("btntilemedia"));
    return b;
}

void TCtrlTileChoiceChangeViewBase::OnOpen(IMainFrame* main)
{
    TCtrlTileChoiceBase::OnOpen(main);
    ButtonPhotoViewDate = AddTileButton(txtDate.Text(), svgDocClock);
    ButtonPhotoViewDate->setObjectName(QStringLiteral("ButtonPhotoViewDate"));
    ButtonPhotoViewFolder = AddTileButton(txtFolder.Text(), svgDocFolder);
    ButtonPhotoViewFolder->setObjectName(QStringLiteral("ButtonPhotoViewFolder"));
    ButtonPhotoViewFilename = AddTileButton(txtFilename.Text(), svgDocFileImage);
    ButtonPhotoViewFilename->setObjectName(QStringLiteral("ButtonPhotoViewFilename"));
    QObject::connect(ButtonPhotoViewDate, &QAbstractButton::clicked, ButtonPhotoViewDate, [this] { groupByDate(); });
    QObject::connect(ButtonPhotoViewFolder, &QAbstractButton::clicked, ButtonPhotoViewFolder,
                     [this] { groupByFolder(); });
    QObject::connect(ButtonPhotoViewFilename, &QAbstractButton::clicked, ButtonPhotoViewFilename,
                     [this] { groupByFileName(); });
}

void TCtrlTileChoiceChangeViewBase::createButtons()
{
    c.fButtonList.clear();
    for (TTileButton* b : { ButtonPhotoViewDate, ButtonPhotoViewFolder, ButtonPhotoViewFilename })
        if (b)
            c.fButtonList.push_back(b);
    const bool mobile = MainFrame() && MainFrame()->Zebdesign() == zebd_mobile;
    const float div = mobile ? 1.5f : 1.0f;
    c.fButtonWidthMax = c.fButtonWidth = kTileW / div;
    c.fButtonHeightMax = c.fButtonHeight = kTileH / div;
}

void TCtrlTileChoiceChangeViewBase::groupBy(TPhotoSourceGroupBy g)
{
    WorkflowData<TWorkflowDataSource>()->setImageGroupBy(g);
    MainFrame()->goWorkflowPrevious(true);
}
