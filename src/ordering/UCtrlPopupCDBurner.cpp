#include "UCtrlPopupCDBurner.h"

#include "IMainFrame.h"
#include "UAppExceptions.h"
#include "UPopupPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// The button bar's design height (the style sheet's touch-sized buttons) and
// the buttons' design width, scaled with the box when it is narrower than 350.
constexpr int kButtonBarHeight = 76;
constexpr int kButtonWidth = 200;
constexpr double kFullScaleBoxWidth = 350.0;

QLabel* label(const QString& name, const QString& text, QWidget* parent, const QString& lookup = QString())
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    if (!lookup.isEmpty())
        KioskSetStyleLookup(l, lookup);
    return l;
}

// The popup's controls on its panel, built once.
void buildForm(TPopupPanel* bg)
{
    if (bg->findChild<QGroupBox*>(QStringLiteral("GroupBoxPopUpCdBurner")))
        return;
    auto* box = new QGroupBox(bg);
    box->setObjectName(QStringLiteral("GroupBoxPopUpCdBurner"));
    auto* lay = new QVBoxLayout(box);
    lay->setContentsMargins(24, 40, 24, 16);
    lay->setSpacing(12);

    auto* bar = new QProgressBar(box);
    bar->setObjectName(QStringLiteral("ProgressBarPopUpCdBurner"));
    bar->setRange(0, 100);
    bar->setValue(0);
    lay->addWidget(bar);

    auto* middle = new QHBoxLayout();
    middle->setSpacing(16);
    auto* picture = label(QStringLiteral("ImagePopUpCdBurner"), QString(), box);
    picture->setPixmap(QPixmap(QStringLiteral(":/ordering/disc.svg")).scaled(128, 128, Qt::KeepAspectRatio,
                                                                                  Qt::SmoothTransformation));
    picture->setFixedSize(128, 128);
    middle->addWidget(picture, 0, Qt::AlignTop);
    auto* text = label(QStringLiteral("TextPopUpCdBurner"), CdBurnerLangText(u"Please insert a CD"), box);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    middle->addWidget(text, 1);
    lay->addLayout(middle);

    auto* figures = new QGridLayout();
    figures->setHorizontalSpacing(12);
    const struct {
        const char16_t* caption;
        const char* name;
        const char* initial;
    } rows[] = {
        { u"Detected Media", "LabelMediaDetect", "-" },
        { u"Media Required", "LabelNbMediaRequired", "0" },
        { u"Time elapsed", "LabelTimeElapsed", "0" },
        { u"Time left", "LabelTimeLeft", "0" },
    };
    int row = 0;
    for (const auto& r : rows) {
        figures->addWidget(label(QString(), CdBurnerLangText(r.caption), box), row / 2, (row % 2) * 2);
        figures->addWidget(label(QLatin1String(r.name), QLatin1String(r.initial), box, QStringLiteral("textBold")),
                           row / 2, (row % 2) * 2 + 1);
        ++row;
    }
    lay->addLayout(figures);
    lay->addStretch(1);

    auto* buttons = new QWidget(box);
    buttons->setObjectName(QStringLiteral("LayoutButtonCdBurner"));
    auto* btnLay = new QHBoxLayout(buttons);
    btnLay->setContentsMargins(0, 0, 0, 0);
    auto* cancel = new QPushButton(CdBurnerLangText(u"Cancel"), buttons);
    cancel->setObjectName(QStringLiteral("ButtonCdBurnerCancel"));
    KioskSetStyleLookup(cancel, QStringLiteral("BackBtnPrevious"));
    auto* start = new QPushButton(CdBurnerLangText(u"Start burn"), buttons);
    start->setObjectName(QStringLiteral("ButtonCdBurnerStart"));
    KioskSetStyleLookup(start, QStringLiteral("BackBtnNext"));
    btnLay->addWidget(cancel, 0, Qt::AlignVCenter);
    btnLay->addStretch(1);
    btnLay->addWidget(start, 0, Qt::AlignVCenter);
    lay->addWidget(buttons);
}

} // namespace

TCtrlPopupCDBurner::TCtrlPopupCDBurner(IMainFrame* main, TPopupPanel* bg, TBurnerFactory burnerFactory)
    : TCtrlPopupHard((buildForm(bg), main), bg)
    , fBurnerFactory(std::move(burnerFactory))
{
    // Room for the kiosk's touch-sized buttons and texts below the picture.
    fOriginalWidth = 729;
    fOriginalHeight = 440;
}

TCtrlPopupCDBurner::~TCtrlPopupCDBurner()
{
    // The job's thread is joined (a running write cancelled) before the
    // burner and the labels it reports to are gone.
    fProcess.reset();
    QObject::disconnect(fCancelConn);
    if (fCdb) {
        fCdb->SetUpdate(nullptr);
        fCdb->SetUpdateInterface(nullptr);
    }
}

void TCtrlPopupCDBurner::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    GroupBoxPopUpCdBurner->setTitle(CdBurnerLangText(u"CD Burner"));
    fOrder = main->GetOrder();
    fCdb = fBurnerFactory ? fBurnerFactory() : std::make_shared<CDBurner>();
    fProcess = std::make_unique<TCdBurnProcess>(main, fCdb, this);
    fDisplay = TCdBurnerDisplay();
    UpdateInterface(CdBurnerLangText(u"Please insert a CD"), QString(), -1, -1, -1, 0, 0);
    QObject::disconnect(fCancelConn);
    fCancelConn = QObject::connect(ButtonCdBurnerCancel.get(), &QPushButton::clicked, GroupBoxPopUpCdBurner.get(),
                                   [this] { ButtonCdBurnerCancelClick(); });
    // Start burn only tells the customer the disc is in: the job goes on by
    // itself as soon as it detects a usable disc.
    applyButtonScale();
}

void TCtrlPopupCDBurner::OnClose()
{
    TCtrlPopupHard::OnClose();
    if (fProcess)
        fProcess->Stop();
}

void TCtrlPopupCDBurner::OnPopupModalWait()
{
    if (fProcess)
        fProcess->Start();
}

void TCtrlPopupCDBurner::OnResize(QWidget* parent)
{
    TCtrlPopupHard::OnResize(parent);
    applyButtonScale();
}

void TCtrlPopupCDBurner::applyButtonScale()
{
    const int boxWidth = GroupBoxPopUpCdBurner->width();
    const double scale = boxWidth >= kFullScaleBoxWidth ? 1.0 : boxWidth / kFullScaleBoxWidth;
    fButtonScale = scale;
    LayoutButtonCdBurner->setFixedHeight(qMax(1, qRound(kButtonBarHeight * scale)));
    for (QPushButton* b : { ButtonCdBurnerStart.get(), ButtonCdBurnerCancel.get() })
        b->setFixedWidth(qMax(1, qRound(kButtonWidth * scale)));
}

void TCtrlPopupCDBurner::ButtonCdBurnerCancelClick()
{
    if (fProcess)
        fProcess->ButtonCdBurnerCancelClick();
}

void TCtrlPopupCDBurner::SetButtonStartVisible(bool visible)
{
    ButtonCdBurnerStart->setVisible(visible);
}

void TCtrlPopupCDBurner::UpdateInterface(const QString& Texte, const QString& Media, int RemainingTime,
                                         int elapsedTime, int NbMedia, int PrgBarValue, int PrgBarMax)
{
    fDisplay.apply(Texte, Media, RemainingTime, elapsedTime, NbMedia, PrgBarValue, PrgBarMax);
    TextPopUpCdBurner->setText(fDisplay.text);
    LabelMediaDetect->setText(fDisplay.media);
    LabelTimeLeft->setText(fDisplay.timeLeft);
    LabelTimeElapsed->setText(fDisplay.timeElapsed);
    LabelNbMediaRequired->setText(fDisplay.nbMedia);
    ProgressBarPopUpCdBurner->setMaximum(fDisplay.progressMax);
    ProgressBarPopUpCdBurner->setValue(qMin(fDisplay.progressValue, fDisplay.progressMax));
}

void TCtrlPopupCDBurner::Close()
{
    TCtrlPopupBase::Close();
}
