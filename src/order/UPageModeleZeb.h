#pragma once
// The page models of a photo-book size (how many portrait and landscape
// frames a page holds, and where), and their one-line text form, in which
// the lab sends them:
//
//   text:  Portrait ";" Landscape "|" frame ("#" frame)*
//   frame: X ";" Y ";" Largeur ";" Hauteur        (decimal integers)
#include "UOwnerList.h"
#include "UXmlSerializer.h"

#include <memory>

// One frame of a page model, in the unit of the size's page width and height.
class PageModelFrameZeb {
public:
    qint32 X = 0;
    qint32 Y = 0;
    qint32 Largeur = 0;
    qint32 Hauteur = 0;
};

class PageModeleZeb : public TXMLSerializableNeedParent {
    KIOSK_SERIALIZABLE_CLASS(PageModeleZeb)
public:
    PageModeleZeb();
    ~PageModeleZeb() override;

    // Stored: the whole model as text. Reading a text replaces the counts
    // and the frames; a malformed text raises EConvertError and changes
    // nothing.
    QString Info() const;
    void SetInfo(const QString& text);

    // Stored: landscape and portrait frame counts, as the text gives them
    // (not checked against the frames).
    qint32 NombreCadreOrientationHorizontale() const { return fLandscape; }
    void SetNombreCadreOrientationHorizontale(qint32 n) { fLandscape = n; }
    qint32 NombreCadreOrientationVerticale() const { return fPortrait; }
    void SetNombreCadreOrientationVerticale(qint32 n) { fPortrait = n; }

    // The frames, in text order; owned.
    TOwnerList<PageModelFrameZeb>& Cadres() { return *fCadres; }
    const TOwnerList<PageModelFrameZeb>& Cadres() const { return *fCadres; }

    // The owning photo-book size; only a TAlbumSize is accepted.
    TRemotable* Parent() const { return fParent; }
    const TClassInfo* GiveParent(TRemotable* parent) override;

private:
    qint32 fLandscape = 0;
    qint32 fPortrait = 0;
    std::unique_ptr<TOwnerList<PageModelFrameZeb>> fCadres;
    TRemotable* fParent = nullptr;
};
