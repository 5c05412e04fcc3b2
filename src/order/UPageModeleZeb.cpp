#include "UPageModeleZeb.h"

#include "ULayoutText_p.h"

#include <vector>

KIOSK_SERIALIZABLE_DESCRIBE(
    PageModeleZeb, TXMLSerializableNeedParent,
    b.Property<QString>("info", [](const PageModeleZeb& m) { return m.Info(); },
                        [](PageModeleZeb& m, QString v) { m.SetInfo(v); }, nullptr);
    b.Property<qint32>("NombreCadreOrientationHorizontale",
                       [](const PageModeleZeb& m) { return m.NombreCadreOrientationHorizontale(); },
                       [](PageModeleZeb& m, qint32 v) { m.SetNombreCadreOrientationHorizontale(v); }, nullptr);
    b.Property<qint32>("NombreCadreOrientationVerticale",
                       [](const PageModeleZeb& m) { return m.NombreCadreOrientationVerticale(); },
                       [](PageModeleZeb& m, qint32 v) { m.SetNombreCadreOrientationVerticale(v); }, nullptr);)

PageModeleZeb::PageModeleZeb()
    : fCadres(std::make_unique<TOwnerList<PageModelFrameZeb>>(true))
{
}

PageModeleZeb::~PageModeleZeb() = default;

const TClassInfo* PageModeleZeb::GiveParent(TRemotable* parent)
{
    // The size class lives with the photo books; it is known here by its
    // registered name.
    const TClassInfo* albumSize = TRttiRegistry::Find(QStringLiteral("TAlbumSize"));
    if (albumSize && parent && parent->InheritsFrom(*albumSize)) {
        fParent = parent;
        return nullptr;
    }
    return albumSize ? albumSize : &TXMLSerializableNeedParent::StaticClassInfo();
}

QString PageModeleZeb::Info() const
{
    QString text = QStringLiteral("%1;%2|").arg(fPortrait).arg(fLandscape);
    bool first = true;
    for (const PageModelFrameZeb* f : *fCadres) {
        if (!first)
            text += QLatin1Char('#');
        first = false;
        text += QStringLiteral("%1;%2;%3;%4").arg(f->X).arg(f->Y).arg(f->Largeur).arg(f->Hauteur);
    }
    return text;
}

void PageModeleZeb::SetInfo(const QString& text)
{
    const QString ctx = QStringLiteral("PageModeleZeb.info");
    const QStringList parts = LayoutText::Split(text, QLatin1Char('|'));
    if (parts.isEmpty())
        LayoutText::Malformed(ctx, QStringLiteral("empty text"));
    const QStringList counts = LayoutText::Split(parts[0], QLatin1Char(';'));
    if (counts.size() < 2)
        LayoutText::Malformed(ctx, QStringLiteral("%1 frame counts, 2 expected in '%2'").arg(counts.size()).arg(parts[0]));
    const qint32 portrait = LayoutText::ReadInt(counts[0], QStringLiteral("the portrait frame count"), ctx);
    const qint32 landscape = LayoutText::ReadInt(counts[1], QStringLiteral("the landscape frame count"), ctx);
    std::vector<std::unique_ptr<PageModelFrameZeb>> frames;
    if (parts.size() >= 2) {
        const QStringList pieces = LayoutText::Split(parts[1], QLatin1Char('#'));
        for (int i = 0; i < pieces.size(); ++i) {
            const QString fctx = QStringLiteral("%1 (frame %2)").arg(ctx).arg(i + 1);
            const QStringList f = LayoutText::Split(pieces[i], QLatin1Char(';'));
            if (f.size() < 4)
                LayoutText::Malformed(fctx, QStringLiteral("%1 fields, 4 expected in '%2'").arg(f.size()).arg(pieces[i]));
            auto frame = std::make_unique<PageModelFrameZeb>();
            frame->X = LayoutText::ReadInt(f[0], QStringLiteral("X"), fctx);
            frame->Y = LayoutText::ReadInt(f[1], QStringLiteral("Y"), fctx);
            frame->Largeur = LayoutText::ReadInt(f[2], QStringLiteral("Largeur"), fctx);
            frame->Hauteur = LayoutText::ReadInt(f[3], QStringLiteral("Hauteur"), fctx);
            frames.push_back(std::move(frame));
        }
    }
    auto list = std::make_unique<TOwnerList<PageModelFrameZeb>>(true);
    for (auto& f : frames)
        list->Add(f.release());
    fPortrait = portrait;
    fLandscape = landscape;
    fCadres = std::move(list);
}
