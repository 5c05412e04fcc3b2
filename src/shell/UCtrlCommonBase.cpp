#include "UCtrlCommonBase.h"

#include "UDebug.h"

#include <QDate>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QStyle>
#include <QWidget>
#include <cxxabi.h>
#include <cstdlib>

QString KioskClassName(const std::type_info& type)
{
    int status = 0;
    char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    QString result = QString::fromLatin1(status == 0 && name ? name : type.name());
    std::free(name);
    return result;
}

void KioskSetStyleLookup(QWidget* w, const QString& lookup)
{
    if (!w || w->property("styleLookup").toString() == lookup)
        return;
    w->setProperty("styleLookup", lookup);
    w->style()->unpolish(w);
    w->style()->polish(w);
    w->update();
}

TPublishedField::TPublishedField(TCtrlCommonBase* owner, const char* name)
    : fName(name)
{
    owner->fPublished.push_back(this);
}

void TPublishedField::unbound() const
{
    throw Exception(QStringLiteral("TCtrlCommonBase: component %1 is not bound (build controllers with Create)")
                        .arg(QString::fromLatin1(fName)));
}

TCtrlCommonBase::TCtrlCommonBase(IMainFrame* main, QObject* parent)
    : TCtrlScreenBase(main, parent)
{
}

TCtrlCommonBase::~TCtrlCommonBase()
{
    if (!fClassName.isEmpty())
        LogInfoFmt(QStringLiteral("Step stopping : %s %s"), { fClassName, AppMemoryUsageStr() });
}

QString TCtrlCommonBase::ClassName() const
{
    return fClassName.isEmpty() ? KioskClassName(typeid(*this)) : fClassName;
}

QString TCtrlCommonBase::AppMemoryUsageStr() const
{
    return fMain ? fMain->AppMemoryUsageStr() : QString();
}

void TCtrlCommonBase::initFromMain(IMainFrame* main)
{
    fClassName = KioskClassName(typeid(*this));
    LogInfoFmt(QStringLiteral("Step starting : %s %s"), { fClassName, AppMemoryUsageStr() });
    for (TPublishedField* field : fPublished) {
        const QString name = QString::fromLatin1(field->Name());
        QVariant val;
        if (!main || !main->GetFieldValueByName(name, val))
            throw Exception(QStringLiteral("TCtrlCommonBase.initFromMain / property ") + name + QStringLiteral(" of ")
                            + fClassName + QStringLiteral(" not found in main frame"));
        QObject* obj = val.value<QObject*>();
        if (!obj)
            throw Exception(QStringLiteral("TCtrlCommonBase.initFromMain / property ") + name + QStringLiteral(" of ")
                            + fClassName + QStringLiteral(" found in main frame but empty"));
        if (!field->Bind(obj))
            throw Exception(QStringLiteral("TCtrlCommonBase.initFromMain / property ") + name + QStringLiteral(" of ")
                            + fClassName + QStringLiteral(" found in main frame with another type (")
                            + QString::fromLatin1(obj->metaObject()->className()) + QLatin1Char(')'));
    }
}

void TCtrlCommonBase::OnOpen(IMainFrame* main)
{
    if (fMain)
        fMain->MemCheckAll(ClassName() + QStringLiteral(".OnOpen"));
}

void TCtrlCommonBase::OnClose()
{
    if (fMain)
        fMain->MemCheckAll(ClassName() + QStringLiteral(".OnClose"));
}

void TCtrlCommonBase::status(const QString& text)
{
    if (isMainThread()) {
        statusShow(text);
        return;
    }
    TThreadTaskQueueWithoutThread::CheckCancel();
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { statusShow(text); });
}

void TCtrlCommonBase::waitStart()
{
    mainThreadCheck();
    if (fWaitLck == 0)
        waitShow();
    ++fWaitLck;
    fWaitRefs.push_back(shared_from_this());
}

void TCtrlCommonBase::waitEndMain()
{
    // The reference of the matching waitStart goes last, after waitHide,
    // also when waitHide raises; it may be the controller's last one.
    std::shared_ptr<TCtrlCommonBase> self;
    if (!fWaitRefs.empty()) {
        self = std::move(fWaitRefs.back());
        fWaitRefs.pop_back();
    }
    if (fWaitLck <= 0)
        return;
    --fWaitLck;
    if (fWaitLck == 0)
        waitHide();
}

void TCtrlCommonBase::waitEnd()
{
    if (isMainThread())
        waitEndMain();
    else
        TThreadTaskQueueWithoutThread::MainThreadSynchro([this] { waitEndMain(); });
}

void TCtrlCommonBase::waitEndError(const QString& text, QWidget* ctrlToFocus)
{
    auto run = [&] {
        auto keep = shared_from_this();
        waitEndMain();
        if (ctrlToFocus)
            ctrlToFocus->setFocus();
        if (!text.isEmpty() && fMain)
            fMain->ShowError(text, nullptr);
        status(QString());
    };
    if (isMainThread())
        run();
    else
        TThreadTaskQueueWithoutThread::MainThreadSynchro(run);
}

void TCtrlCommonBase::waitEndEx(const std::exception& ex, QWidget* ctrlToFocus)
{
    auto run = [&] {
        auto keep = shared_from_this();
        waitEndMain();
        if (ctrlToFocus) {
            try {
                ctrlToFocus->setFocus();
            } catch (...) {
                // The error is shown all the same.
            }
        }
        if (fMain)
            fMain->ShowEx(ex, nullptr);
        status(QString());
    };
    if (isMainThread())
        run();
    else
        TThreadTaskQueueWithoutThread::MainThreadSynchro(run);
}

bool TCtrlCommonBase::fieldValueValid(const QString& text, int maxLen, int minLen, const QString& format)
{
    if (text.size() < minLen)
        return false;
    if (maxLen > 0 && text.size() > maxLen)
        return false;
    if (format.isEmpty())
        return true;
    if (format == QLatin1String("date")) {
        const QString t = text.trimmed();
        return QLocale().toDate(t, QLocale::ShortFormat).isValid() || QDate::fromString(t, Qt::ISODate).isValid();
    }
    const QRegularExpression re(format, QRegularExpression::CaseInsensitiveOption);
    return re.isValid() && re.match(text).hasMatch();
}

bool TCtrlCommonBase::fieldCheck(QWidget* label, QLineEdit* edit, int maxLen, int minLen, const QString& format,
                                 bool setFocus)
{
    const bool ok = edit && fieldValueValid(edit->text(), maxLen, minLen, format);
    KioskSetStyleLookup(label, ok ? QStringLiteral("lblFieldStyle") : QStringLiteral("lblFieldRequiredStyle"));
    KioskSetStyleLookup(edit, ok ? QStringLiteral("editFieldStyle") : QStringLiteral("editFieldRequiredStyle"));
    if (!ok) {
        if (fFieldCheckOk && setFocus && edit)
            edit->setFocus();
        fFieldCheckOk = false;
    }
    return ok;
}
