#include "UCtrlTileChoiceAddMedia.h"

#include "ULangText.h"
#include "UQzguiButton.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
TLangText& txtCd = TLangText::Create(QStringLiteral("Backup to CD"));
TLangText& txtExtra = TLangText::Create(QStringLiteral("Extra set to Share"));
TLangText& txtCollage = TLangText::Create(QStringLiteral("Add an A3 Collage"));
TLangText& txtGift = TLangText::Create(QStringLiteral("Add a Photo Gift"));
TLangText& txtBook = TLangText::Create(QStringLiteral("Add a Photo Book"));
TLangText& txtFrame = TLangText::Create(QStringLiteral("Add a Frame"));
TLangText& txtCheckout = TLangText::Create(QStringLiteral("Checkout"));
constexpr int kCheckoutH = 90;
} // namespace

TTileButton* TCtrlTileChoiceAddMedia::AddTileButton(const QString& caption, QSvgRenderer* svg)
{
    TTileButton* b = TCtrlTileChoiceBase::AddTileButton(caption, svg);
    b->resize(b->width(), b->width() * 3 / 5);
    return b;
}

void TCtrlTileChoiceAddMedia::OnOpen(IMainFrame* main)
{
    TCtrlTileChoiceBase::OnOpen(main);
    const struct {
        const char* name;
        TLangText& caption;
    } offers[] = {
        { "ButtonAddMediaBackupCD", txtCd },     { "ButtonAddMediaExtraSet", txtExtra },
        { "ButtonAddMediaA3Collage", txtCollage }, { "ButtonAddMediaPhotoGift", txtGift },
        { "ButtonAddMediaPhotoBook", txtBook },   { "ButtonAddMediaFrame", txtFrame },
    };
    for (const auto& o : offers) {
        TTileButton* b = AddTileButton(o.caption.Text(), c.svgDocMountain);
        b->setObjectName(QLatin1String(o.name));
        Offers.push_back(b);
    }
    QWidget* tab = StepTabItem();
    LayoutCheckout = new QWidget(tab);
    LayoutCheckout->setObjectName(QStringLiteral("LayoutCheckout"));
    LayoutCheckout->setFixedHeight(kCheckoutH);
    auto* row = new QHBoxLayout(LayoutCheckout);
    ButtonCheckout = new QPushButton(txtCheckout.Text(), LayoutCheckout);
    ButtonCheckout->setObjectName(QStringLiteral("ButtonCheckout"));
    ButtonCheckout->setFixedSize(300, 70);
    ButtonCheckout->setProperty("primary", true);
    KioskSetStyleLookup(ButtonCheckout, QStringLiteral("btnfloatingblack"));
    row->addWidget(ButtonCheckout, 0, Qt::AlignCenter);
    if (auto* lay = qobject_cast<QVBoxLayout*>(tab->layout()))
        lay->addWidget(LayoutCheckout);
    c.fHeightAlreadyUsed = float(kCheckoutH);
}

void TCtrlTileChoiceAddMedia::createButtons()
{
    c.fButtonList.clear();
    for (TTileButton* b : Offers)
        c.fButtonList.push_back(b);
}

void TCtrlTileChoiceAddMedia::OnClose()
{
    TCtrlTileChoiceBase::OnClose();
    Offers.clear();
    delete LayoutCheckout.data();
}
