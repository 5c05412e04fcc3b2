#include "UZebtemplateVelmoraFrameInfo.h"

#include "ULayoutText_p.h"

#include <vector>

const TClassInfo& ZebtemplateVelmoraFrameInfo::StaticClassInfo()
{
    static const TClassInfo* info = [] {
        auto* built = new TClassInfo(QStringLiteral("ZebtemplateVelmoraFrameInfo"), &TRemotable::StaticClassInfo(),
                                     [] { return std::unique_ptr<TRemotable>(new ZebtemplateVelmoraFrameInfo()); },
                                     QString(), QString());
        TClassBuilder<ZebtemplateVelmoraFrameInfo> b(*built);
        b.Property<qint32>(
            "Id", [](const ZebtemplateVelmoraFrameInfo& c) { return c.Id(); },
            [](ZebtemplateVelmoraFrameInfo& c, qint32 v) { c.SetId(v); }, nullptr);
        b.Property<QString>(
            "info", [](const ZebtemplateVelmoraFrameInfo& c) { return c.Info(); },
            [](ZebtemplateVelmoraFrameInfo& c, QString v) { c.SetInfo(v); }, nullptr);
        TRttiRegistry::Register(*built);
        return built;
    }();
    return *info;
}

ZebtemplateVelmoraFrameInfo::ZebtemplateVelmoraFrameInfo()
    : fCadres(std::make_unique<TOwnerList<TemplateVelmoraFrame>>(true))
{
}

ZebtemplateVelmoraFrameInfo::~ZebtemplateVelmoraFrameInfo() = default;

QString ZebtemplateVelmoraFrameInfo::Info() const
{
    QString text = QString::number(fId) + QLatin1Char('|');
    bool first = true;
    for (const TemplateVelmoraFrame* f : *fCadres) {
        if (!first)
            text += QLatin1Char('#');
        first = false;
        text += QString::number(f->PageNum) + QLatin1Char(';') + LayoutText::WriteFloat(f->X) + QLatin1Char(';')
            + LayoutText::WriteFloat(f->Y) + QLatin1Char(';') + LayoutText::WriteFloat(f->Largeur) + QLatin1Char(';')
            + LayoutText::WriteFloat(f->Hauteur) + QLatin1Char(';')
            + (f->Background ? QLatin1Char('1') : QLatin1Char('0')) + QLatin1Char(';')
            + LayoutText::WriteFloat(f->AngleRot);
    }
    return text;
}

void ZebtemplateVelmoraFrameInfo::SetInfo(const QString& text)
{
    const QString ctx = QStringLiteral("ZebtemplateVelmoraFrameInfo.info");
    const QStringList parts = LayoutText::Split(text, QLatin1Char('|'));
    if (parts.isEmpty())
        LayoutText::Malformed(ctx, QStringLiteral("empty text"));
    const qint32 id = LayoutText::ReadInt(parts[0], QStringLiteral("the template id"), ctx);
    // Read everything before changing anything: a bad frame refuses the
    // whole text.
    std::vector<std::unique_ptr<TemplateVelmoraFrame>> frames;
    if (parts.size() >= 2) {
        const QStringList pieces = LayoutText::Split(parts[1], QLatin1Char('#'));
        for (int i = 0; i < pieces.size(); ++i) {
            const QString fctx = QStringLiteral("%1 (frame %2)").arg(ctx).arg(i + 1);
            const QStringList f = LayoutText::Split(pieces[i], QLatin1Char(';'));
            if (f.size() < 7)
                LayoutText::Malformed(fctx, QStringLiteral("%1 fields, 7 expected in '%2'").arg(f.size()).arg(pieces[i]));
            auto frame = std::make_unique<TemplateVelmoraFrame>();
            frame->PageNum = LayoutText::ReadInt(f[0], QStringLiteral("PageNum"), fctx);
            frame->X = LayoutText::ReadFloat(f[1], QStringLiteral("X"), fctx);
            frame->Y = LayoutText::ReadFloat(f[2], QStringLiteral("Y"), fctx);
            frame->Largeur = LayoutText::ReadFloat(f[3], QStringLiteral("Largeur"), fctx);
            frame->Hauteur = LayoutText::ReadFloat(f[4], QStringLiteral("Hauteur"), fctx);
            frame->Background = f[5] == QLatin1String("1");
            frame->AngleRot = LayoutText::ReadFloat(f[6], QStringLiteral("AngleRot"), fctx);
            frames.push_back(std::move(frame));
        }
    }
    auto list = std::make_unique<TOwnerList<TemplateVelmoraFrame>>(true);
    for (auto& f : frames)
        list->Add(f.release());
    fId = id;
    fCadres = std::move(list);
}
