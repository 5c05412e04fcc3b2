#include "UCtrlPopupEditText.h"

#include "IMainFrame.h"
#include "UAppExceptions.h"
#include "UCustomizedFrame.h"
#include "ULangTexts.h"
#include "UPopupPanel.h"
#include "UQzguiCustomizedPage.h"
#include "UZebguiColorPalette.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kLineHeight = 60;
constexpr int kButtonLineHeight = 35;
constexpr int kMemoHeight = 110;
constexpr int kButtonWidth = 35;
constexpr int kButtonContainerWidth = 260;
constexpr double kDesignWidth = 320;
constexpr double kDesignHeight = 350;

// The icons of the six toggles, drawn in the button's text colour.
QIcon alignIcon(TTextAlign align)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 2));
    const int widths[4] = { 20, 12, 20, 12 };
    for (int i = 0; i < 4; ++i) {
        const int w = widths[i];
        int x = 2;
        if (align == TTextAlign::Center)
            x = (24 - w) / 2;
        else if (align == TTextAlign::Trailing)
            x = 22 - w;
        p.drawLine(x, 4 + 5 * i, x + w, 4 + 5 * i);
    }
    return QIcon(pm);
}

QPushButton* toggle(QWidget* parent, const QString& name)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setFixedWidth(kButtonWidth);
    KioskSetStyleLookup(b, QStringLiteral("btnfloatinglowimage"));
    return b;
}

// A label over a control, the presentation block of one setting.
QWidget* presentation(QWidget* parent, const QString& name, const QString& label, QWidget* control)
{
    auto* block = new QWidget(parent);
    block->setObjectName(name);
    auto* v = new QVBoxLayout(block);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    auto* text = new QLabel(label, block);
    text->setFixedHeight(25);
    v->addWidget(text);
    control->setParent(block);
    v->addWidget(control, 1);
    return block;
}

} // namespace

void TCtrlPopupEditText::BuildForm(TPopupPanel* bg)
{
    if (!bg || bg->findChild<QGroupBox*>(QStringLiteral("GroupBoxPopUpEditText")))
        return;
    auto* box = new QGroupBox(bg);
    box->setObjectName(QStringLiteral("GroupBoxPopUpEditText"));
    box->resize(654, 434);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    auto* content = new QWidget(box);
    content->setObjectName(QStringLiteral("LayoutPopUpEditText"));
    content->setContentsMargins(0, 40, 0, 0);
    new QVBoxLayout(content);
    content->layout()->setContentsMargins(0, 0, 0, 0);
    v->addWidget(content, 1);
}

TEditTextScale TCtrlPopupEditText::ScaleCalc(double W, double H, double s, const QMargins& m)
{
    TEditTextScale r;
    r.marginBottom = int(H / 2 - 10);
    r.roomV = H - r.marginTop - r.marginBottom - (m.top() + m.bottom()) * s;
    r.roomH = W - r.marginLeft - r.marginRight - (m.left() + m.right()) * s;
    r.scale = std::min({ r.roomV / kDesignHeight, r.roomH / kDesignWidth, 1.0 });
    return r;
}

TCtrlPopupEditText::TCtrlPopupEditText(IMainFrame* main, ICtrlPopupEditTextNotif* notif, TPopupPanel* bg)
    : TCtrlPopupHard(main, bg, nullptr)
    , fNotif(notif)
{
    BuildForm(bg);
}

TCtrlPopupEditText::~TCtrlPopupEditText()
{
    delete fContent.data();
}

void TCtrlPopupEditText::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    buildContent();
    fill(true);

    // Hooked after the first fill, so filling tells the owner nothing.
    QObject::connect(fCombo, &QComboBox::currentIndexChanged, fContent, [this] { OnChangeRouter(fCombo); });
    QObject::connect(fSpin, &QDoubleSpinBox::valueChanged, fContent, [this] { OnChangeRouter(fSpin); });
    QObject::connect(fFontColor, &TColorPalette::Change, fContent, [this] { OnChangeRouter(fFontColor); });
    QObject::connect(fBackColor, &TColorPalette::Change, fContent, [this] { OnChangeRouter(fBackColor); });
    for (QPushButton* b : { fBold, fItalic, fUnderline, fLeft, fCenter, fRight })
        QObject::connect(b, &QPushButton::clicked, fContent, [this, b] { OnChangeRouter(b); });
    QObject::connect(fMemo, &QTextEdit::textChanged, fContent, [this] { onTextChanged(); });
    QObject::connect(fRemove, &QPushButton::clicked, fContent, [this] { fNotif->frameDelete(this); });
    std::weak_ptr<TCtrlCommonBase> self = weak_from_this();
    QObject::connect(fOK, &QPushButton::clicked, fContent, [this, self] {
        // Closed once the click has been handled.
        MainFrame()->GuiQueueAddCall(
            [self] {
                if (auto p = std::dynamic_pointer_cast<TCtrlPopupEditText>(self.lock()))
                    p->Close();
            },
            true, nullptr);
    });
    MainFrame()->GuiQueueAddCall(
        [self] {
            auto p = std::dynamic_pointer_cast<TCtrlPopupEditText>(self.lock());
            if (!p || !p->fMemo)
                return;
            p->fMemo->setFocus();
            // A new text block's default text goes away with the first key.
            if (p->fMemo->toPlainText() == LangTexts::Order::ReplaceDefaultTextYours.Text())
                p->fMemo->selectAll();
        },
        true, nullptr);
    if (fbg)
        OnResize(fbg->parentWidget());
}

void TCtrlPopupEditText::OnClose()
{
    // Deleting the built controls also drops every connection made on open.
    delete fContent.data();
    fContent = nullptr;
    fMemo = nullptr;
    fCombo = nullptr;
    fSpin = nullptr;
    fFontColor = fBackColor = nullptr;
    fBold = fItalic = fUnderline = fLeft = fCenter = fRight = fRemove = fOK = nullptr;
    fLeftColumn.clear();
    TCtrlPopupHard::OnClose();
}

void TCtrlPopupEditText::buildContent()
{
    QWidget* host = LayoutPopUpEditText.get();
    fContent = new QWidget(host);
    fContent->setObjectName(QStringLiteral("PopUpEditTextContent"));
    host->layout()->addWidget(fContent);
    auto* v = new QVBoxLayout(fContent);
    v->setContentsMargins(10, 0, 10, 10);
    v->setSpacing(10);

    fMemo = new QTextEdit(fContent);
    fMemo->setObjectName(QStringLiteral("MemoEditText"));
    KioskSetStyleLookup(fMemo, QStringLiteral("MemoFrameTextBorderStyle"));
    fMemo->setAcceptRichText(false);
    fMemo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    fMemo->setMinimumHeight(kMemoHeight);
    v->addWidget(fMemo, 1);

    const auto line = [&](const QString& name, int height) {
        auto* w = new QWidget(fContent);
        w->setObjectName(name);
        w->setFixedHeight(height);
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(10);
        v->addWidget(w);
        return w;
    };

    QWidget* line1 = line(QStringLiteral("LayoutLine1"), kLineHeight);
    fCombo = new QComboBox();
    fCombo->setObjectName(QStringLiteral("ComboBoxFontFamily"));
    fSpin = new QDoubleSpinBox();
    fSpin->setObjectName(QStringLiteral("SpinBoxFontSize"));
    fSpin->setRange(0, 100);
    QWidget* famBlock = presentation(line1, QStringLiteral("LayoutPresentationComboBoxFontFamily"),
                                     LangTexts::Design::Font.Text(), fCombo);
    line1->layout()->addWidget(famBlock);
    line1->layout()->addWidget(presentation(line1, QStringLiteral("LayoutPresentationSpinBoxFontSize"),
                                            LangTexts::Design::FontSizeMm.Text(), fSpin));

    QWidget* line2 = line(QStringLiteral("LayoutLine2"), kLineHeight);
    fFontColor = new TColorPalette(nullptr, false);
    fFontColor->setObjectName(QStringLiteral("ComboColorBoxFontColor"));
    fBackColor = new TColorPalette(nullptr, true);
    fBackColor->setObjectName(QStringLiteral("ComboColorBoxFontBackgroundColor"));
    QWidget* colBlock = presentation(line2, QStringLiteral("LayoutPresentationComboColorBoxFontColor"),
                                     LangTexts::Design::FontColor.Text(), fFontColor);
    line2->layout()->addWidget(colBlock);
    line2->layout()->addWidget(presentation(line2, QStringLiteral("LayoutPresentationComboColorBoxFontBackgroundColor"),
                                            LangTexts::Design::BackgroundColor.Text(), fBackColor));

    QWidget* line3 = line(QStringLiteral("LayoutLine3"), kButtonLineHeight);
    auto* fontButtons = new QWidget(line3);
    fontButtons->setObjectName(QStringLiteral("LayoutPresentationButtonsFont"));
    auto* fb = new QHBoxLayout(fontButtons);
    fb->setContentsMargins(0, 0, 0, 0);
    fBold = toggle(fontButtons, QStringLiteral("ButtonFontBold"));
    fItalic = toggle(fontButtons, QStringLiteral("ButtonFontItalic"));
    fUnderline = toggle(fontButtons, QStringLiteral("ButtonFontUnderline"));
    fBold->setText(QStringLiteral("B"));
    fItalic->setText(QStringLiteral("I"));
    fUnderline->setText(QStringLiteral("U"));
    QFont f = fBold->font();
    f.setBold(true);
    fBold->setFont(f);
    f = fItalic->font();
    f.setItalic(true);
    fItalic->setFont(f);
    f = fUnderline->font();
    f.setUnderline(true);
    fUnderline->setFont(f);
    fb->addWidget(fBold);
    fb->addStretch(1);
    fb->addWidget(fItalic);
    fb->addStretch(1);
    fb->addWidget(fUnderline);
    line3->layout()->addWidget(fontButtons);
    auto* posButtons = new QWidget(line3);
    posButtons->setObjectName(QStringLiteral("LayoutPresentationButtonsFontPosition"));
    auto* pb = new QHBoxLayout(posButtons);
    pb->setContentsMargins(0, 0, 0, 0);
    fLeft = toggle(posButtons, QStringLiteral("ButtonFontPositionLeft"));
    fCenter = toggle(posButtons, QStringLiteral("ButtonFontPositionCenter"));
    fRight = toggle(posButtons, QStringLiteral("ButtonFontPositionRight"));
    fLeft->setIcon(alignIcon(TTextAlign::Leading));
    fCenter->setIcon(alignIcon(TTextAlign::Center));
    fRight->setIcon(alignIcon(TTextAlign::Trailing));
    pb->addWidget(fLeft);
    pb->addStretch(1);
    pb->addWidget(fCenter);
    pb->addStretch(1);
    pb->addWidget(fRight);
    line3->layout()->addWidget(posButtons);

    QWidget* line4 = line(QStringLiteral("LayoutLine4"), kButtonLineHeight);
    auto* container = new QWidget(line4);
    container->setObjectName(QStringLiteral("LayoutButtonContainer"));
    container->setFixedWidth(kButtonContainerWidth);
    auto* cb = new QHBoxLayout(container);
    cb->setContentsMargins(0, 0, 0, 0);
    cb->setSpacing(kButtonContainerWidth - 2 * ((kButtonContainerWidth - 10) / 2));
    fRemove = new QPushButton(LangTexts::Design::RemoveText.Text(), container);
    fRemove->setObjectName(QStringLiteral("ButtonRemoveText"));
    KioskSetStyleLookup(fRemove, QStringLiteral("btnfloatinglow"));
    fOK = new QPushButton(LangTexts::Design::OK.Text(), container);
    fOK->setObjectName(QStringLiteral("ButtonOK"));
    KioskSetStyleLookup(fOK, QStringLiteral("btnfloatingblack"));
    for (QPushButton* b : { fRemove, fOK }) {
        b->setFixedWidth((kButtonContainerWidth - 10) / 2);
        cb->addWidget(b);
    }
    static_cast<QHBoxLayout*>(line4->layout())->addStretch(1);
    line4->layout()->addWidget(container);
    static_cast<QHBoxLayout*>(line4->layout())->addStretch(1);

    fLeftColumn = { famBlock, colBlock, fontButtons };
    fContent->show();
}

void TCtrlPopupEditText::fill(bool first)
{
    TCustomizedFrame* frame = fNotif->frameSelected();
    TTextBloc* text = frame ? frame->TextBloc() : nullptr;
    if (!text)
        return;
    const int style = text->FontStyle();
    const TTextAlign align = text->FontHorzPosition();
    fNotif->toggleButtonLook((style & fsBold) != 0, fBold);
    fNotif->toggleButtonLook((style & fsItalic) != 0, fItalic);
    fNotif->toggleButtonLook((style & fsUnderline) != 0, fUnderline);
    fNotif->toggleButtonLook(align == TTextAlign::Leading, fLeft);
    fNotif->toggleButtonLook(align == TTextAlign::Center, fCenter);
    fNotif->toggleButtonLook(align == TTextAlign::Trailing, fRight);
    if (!first)
        return;
    fCombo->clear();
    for (const QString& family : QFontDatabase::families()) {
        fCombo->addItem(family);
        fCombo->setItemData(fCombo->count() - 1, QFont(family), Qt::FontRole);
    }
    // A family that is not installed leaves the list without selection.
    fCombo->setCurrentIndex(fCombo->findText(text->FontFamily(), Qt::MatchExactly));
    fSpin->setValue(text->FontSize());
    fFontColor->SetColor(text->FontAlphaColor());
    fBackColor->SetColor(text->BackAlphaColor());
    fMemo->setPlainText(text->Text());
}

void TCtrlPopupEditText::OnChangeRouter(QObject* sender)
{
    if (sender && sender == fCombo)
        fNotif->fontFamilyChanged(sender);
    else if (sender && sender == fSpin)
        fNotif->fontSizeChanged(sender);
    else if (sender && sender == fFontColor)
        fNotif->fontColorChanged(sender);
    else if (sender && sender == fBackColor)
        fNotif->backColorChanged(sender);
    else if (sender && sender == fBold)
        fNotif->fontBoldClick(sender);
    else if (sender && sender == fItalic)
        fNotif->fontItalicClick(sender);
    else if (sender && sender == fUnderline)
        fNotif->fontUnderlineClick(sender);
    else if (sender && sender == fLeft)
        fNotif->alignLeftClick(sender);
    else if (sender && sender == fCenter)
        fNotif->alignCenterClick(sender);
    else if (sender && sender == fRight)
        fNotif->alignRightClick(sender);
    else
        throw EToDo(QStringLiteral("Option not supported"));
    fill(false);
}

void TCtrlPopupEditText::onTextChanged()
{
    TCustomizedFrame* frame = fNotif->frameSelected();
    if (!frame || !frame->TextBloc() || !fMemo)
        return;
    frame->TextBloc()->SetText(fMemo->toPlainText());
    frame->CacheInvalidate(nullptr);
    if (TZebguiCustomizedPage* canvas = fNotif->pageControlSelected())
        canvas->contentAndOrderChanged();
}

void TCtrlPopupEditText::OnResize(QWidget* parent)
{
    QGroupBox* box = GroupBoxPopUpEditText.get();
    QWidget* content = LayoutPopUpEditText.get();
    if (!parent || !box || !content)
        return;
    const QMargins m = content->contentsMargins();
    const TEditTextScale s = ScaleCalc(parent->width(), parent->height(), fScale, m);
    // The upper half of the window; the lower half stays free for a keyboard.
    box->setGeometry(s.marginLeft, s.marginTop, std::max(0, parent->width() - s.marginLeft - s.marginRight),
                     std::max(0, parent->height() - s.marginTop - s.marginBottom));
    if (s.scale > 0 && s.scale != fScale) {
        fScale = s.scale;
        if (fContent) {
            for (const char* name : { "LayoutLine1", "LayoutLine2" })
                if (auto* w = fContent->findChild<QWidget*>(QString::fromLatin1(name)))
                    w->setFixedHeight(int(kLineHeight * fScale));
            for (const char* name : { "LayoutLine3", "LayoutLine4" })
                if (auto* w = fContent->findChild<QWidget*>(QString::fromLatin1(name)))
                    w->setFixedHeight(int(kButtonLineHeight * fScale));
        }
    }
    // The left column lines up on the three lines.
    const int leftW = int((s.roomH / fScale - 10) / 2 - 20);
    for (QWidget* w : fLeftColumn)
        w->setFixedWidth(std::max(0, leftW));
}
