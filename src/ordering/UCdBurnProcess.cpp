#include "UCdBurnProcess.h"

#include "IMainFrame.h"
#include "UAppExceptions.h"
#include "UConfig.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UPrintOrder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <chrono>
#include <mutex>

QString CdBurnerLangText(const char16_t* english)
{
    // One constant per English text, created on first use.
    static std::mutex sync;
    static QHash<QString, TLangText*> texts;
    const QString key = QString::fromUtf16(english);
    std::lock_guard lock(sync);
    TLangText*& text = texts[key];
    if (!text)
        text = &TLangText::Create(key);
    return text->Text();
}

namespace {

void waitAMoment()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// A name that is safe as a single file name at the root of the disc.
QString safeName(QString name)
{
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c.unicode() < 32)
            c = u'_';
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        name = QStringLiteral("picture");
    return name;
}

} // namespace

QString TCdBurnerDisplay::minutesSeconds(int seconds)
{
    return QString::asprintf("%.2d:%.2d", seconds / 60, seconds % 60);
}

void TCdBurnerDisplay::apply(const QString& Texte, const QString& Media, int RemainingTime, int elapsedTime,
                             int NbMedia, int PrgBarValue, int PrgBarMax)
{
    if (!Texte.isEmpty())
        text = Texte;
    if (!Media.isEmpty())
        media = Media;
    if (RemainingTime >= 0)
        timeLeft = minutesSeconds(RemainingTime);
    if (elapsedTime >= 0)
        timeElapsed = minutesSeconds(elapsedTime);
    if (NbMedia >= 0)
        nbMedia = QString::number(NbMedia);
    if (PrgBarValue >= 0)
        progressValue = PrgBarValue;
    if (PrgBarMax > 0)
        progressMax = PrgBarMax;
}

TCdBurnProcess::TCdBurnProcess(IMainFrame* main, ICDburnerRef burner, ICdBurnerView* view)
    : fMain(main)
    , fOrder(main->GetOrder())
    , fCdb(std::move(burner))
    , fView(view)
    , fContext(std::make_unique<QObject>())
    , fState(std::make_shared<TState>())
{
    fState->cdb = fCdb;
    fCdb->SetUpdateInterface([this](const QString& t, const QString& m, int r, int e, int n, int v, int x) {
        UpdateInterface(t, m, r, e, n, v, x);
    });
    fCdb->SetUpdate([this](ICDburner*, const TProgressData& progress) { update(progress); });
}

TCdBurnProcess::~TCdBurnProcess()
{
    Stop();
    if (fThread.joinable())
        fThread.join();
    fCdb->SetUpdate(nullptr);
    fCdb->SetUpdateInterface(nullptr);
}

void TCdBurnProcess::Start()
{
    if (fThread.joinable())
        return;
    fRunning = true;
    fThread = std::thread([this] {
        try {
            BurnProcess();
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TCdBurnProcess.BurnProcess"), e);
            Close();
        }
        fRunning = false;
    });
}

void TCdBurnProcess::Stop()
{
    fState->stop();
}

void TCdBurnProcess::ButtonCdBurnerCancelClick()
{
    if (fState->stopAsked)
        return;
    fMain->ConfirmYesNo(CdBurnerLangText(u"Do you really want to cancel burning ?"), [state = fState] { state->stop(); },
                        [] { });
}

QString TCdBurnProcess::ActionName(TWriteAction action)
{
    static const char16_t* const names[] = { u"validating media", u"formatting media", u"initializing hardware",
                                             u"calibrating power", u"writing data",     u"finalization",
                                             u"Completed",         u"verifying data" };
    const int i = int(action);
    return i >= 0 && i < 8 ? CdBurnerLangText(names[i]) : QStringLiteral("??");
}

void TCdBurnProcess::onMain(std::function<void()> call)
{
    QMetaObject::invokeMethod(fContext.get(), std::move(call), Qt::QueuedConnection);
}

void TCdBurnProcess::UpdateInterface(const QString& Texte, const QString& Media, int RemainingTime, int elapsedTime,
                                     int NbMedia, int PrgBarValue, int PrgBarMax)
{
    onMain([=, view = fView] { view->UpdateInterface(Texte, Media, RemainingTime, elapsedTime, NbMedia, PrgBarValue, PrgBarMax); });
}

void TCdBurnProcess::SetButtonStartVisible(bool visible)
{
    onMain([=, view = fView] { view->SetButtonStartVisible(visible); });
}

void TCdBurnProcess::Close()
{
    onMain([view = fView] { view->Close(); });
}

void TCdBurnProcess::update(const TProgressData& progress)
{
    QString texte = progress.ftasktype == TaskType::imageCreation
        ? CdBurnerLangText(u"Please wait \r\nImage creation is in progress...")
        : CdBurnerLangText(u"Please wait \r\nBurn process is in progress...") + QStringLiteral(" ")
            + ActionName(progress.fwriteAction);
    UpdateInterface(texte, QString(), progress.fremainingTime, progress.felapsedTime, -1, progress.felapsedTime,
                    progress.ftotalTime);
    if (fState->stopAsked)
        fCdb->CancelWrite();
}

bool TCdBurnProcess::AskRetry(const QString& message)
{
    fState->errorBox = 1;
    const QString text = CdBurnerLangText(u"An error occured during burn process") + QStringLiteral("\r\n") + message;
    onMain([main = fMain, state = fState, text] {
        main->MessageDlgCusto(QStringLiteral("msgbox_error"), CdBurnerLangText(u"Error !"), text, CdBurnerLangText(u"Retry"),
                              [state] { state->errorBox = 2; }, CdBurnerLangText(u"Cancel"), [state] { state->errorBox = 3; },
                              true, nullptr);
    });
    while (fState->errorBox == 1 && !fState->stopAsked)
        waitAMoment();
    const bool retry = fState->errorBox == 2 && !fState->stopAsked;
    if (!retry)
        fState->stop();
    fState->errorBox = 0;
    return retry;
}

bool TCdBurnProcess::CopyPictures(QTemporaryDir& folder)
{
    const auto& groups = fOrder->ImagesSelectionneesTirage();
    const int count = groups.Count();
    UpdateInterface(CdBurnerLangText(u"Please wait \r\nImage creation is in progress..."), QString(), -1, -1, -1, 0, count);
    QStringList used;
    for (int i = 0; i < count; ++i) {
        if (fState->stopAsked)
            return false;
        TOrderImageBase* image = groups[i]->Image();
        if (!image)
            continue;
        const QString label = safeName(image->ImageLabel());
        const QString id = image->ImageID();
        const qsizetype sep = std::max(id.lastIndexOf(u'/'), id.lastIndexOf(u'\\'));
        const qsizetype dot = id.lastIndexOf(u'.');
        const QString ext = dot > sep ? safeName(id.mid(dot)) : QString();
        QString name = label + ext;
        for (int n = 1; used.contains(name, Qt::CaseInsensitive); ++n)
            name = QStringLiteral("%1(%2)%3").arg(label).arg(n).arg(ext);
        UpdateInterface(QString(), QString(), -1, -1, -1, i + 1, 0);
        const QString copy = folder.filePath(name);
        image->CopyToFile(copy);
        const QFileInfo info(copy);
        if (!info.isFile())
            throw Exception(QStringLiteral("TCtrlPopupCDBurner: the picture %1 could not be copied").arg(id));
        auto media = std::make_shared<TMediaFile>(copy, name, info.size());
        if (!fCdb->MediaAlreadyAdd(media))
            fCdb->MediaAdd(media);
        used << name;
    }
    return true;
}

void TCdBurnProcess::BurnProcess()
{
    // The copies live in a folder of their own under the temporary folder,
    // deleted with it whatever the end of the job.
    TConfigInfo* config = fMain->Config();
    const QString temp = config ? config->CalcTempPath() : QDir::tempPath();
    QDir().mkpath(temp);
    QTemporaryDir folder(QDir(temp).filePath(QStringLiteral("cdburn-XXXXXX")));
    if (!folder.isValid())
        throw Exception(QStringLiteral("TCtrlPopupCDBurner: cannot create a folder in ") + temp);
    bool copied = false;
    for (;;) {
        SetButtonStartVisible(true);
        fburnWaitingMedia = true;
        UpdateInterface(CdBurnerLangText(u"Please insert a new CD/DVD.\r\nClick on \"Start burn\" when CD/DVD is ready"),
                        QStringLiteral(" "), 0, 0, 0, 0, 0);
        while (fburnWaitingMedia && !fState->stopAsked) {
            try {
                if (fCdb->DetectMedia()) {
                    UpdateInterface(QString(), fCdb->GetmediaLabel(), -1, -1, -1, -1, 0);
                    fburnWaitingMedia = false;
                } else {
                    waitAMoment();
                }
            } catch (const std::exception& e) {
                if (!AskRetry(ExceptionMessage(e)))
                    break;
            }
        }
        fburnWaitingMedia = false;
        if (fState->stopAsked)
            break;
        SetButtonStartVisible(false);
        if (!copied) {
            if (!CopyPictures(folder))
                break;
            copied = true;
            if (fCdb->MediaList().empty())
                break;
        }
        try {
            if (fCdb->Burn() == BurnRes::CanceledByUser)
                LogDebug(QStringLiteral("TCtrlPopupCDBurner: the write was cancelled"));
        } catch (const std::exception& e) {
            // The files stay in the burner's list: Retry writes them on a new disc.
            LogError(QStringLiteral("TCtrlPopupCDBurner: ") + CdBurnerLangText(u"An error occured during burn process"), e);
            if (!AskRetry(ExceptionMessage(e)))
                break;
        }
        SetButtonStartVisible(true);
        if (fCdb->MediaList().empty() || fState->stopAsked)
            break;
    }
    Close();
}
