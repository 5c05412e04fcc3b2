#pragma once
// The frames of one lab template (where pictures, texts and backgrounds sit
// on each template page), and their one-line text form, in which the shop
// catalogue stores them in its cache files:
//
//   text:  Id "|" frame ("#" frame)*
//   frame: PageNum ";" X ";" Y ";" Largeur ";" Hauteur ";" Background ";" AngleRot
//
// with decimal integers, numbers with a point as decimal separator, and
// Background "1" for true.
#include "UOwnerList.h"
#include "URttiCache.h"

#include <QString>
#include <memory>

// One frame of a template.
class TemplateVelmoraFrame {
public:
    qint32 PageNum = 0;
    double X = 0;
    double Y = 0;
    double Largeur = 0;
    double Hauteur = 0;
    bool Background = false;
    double AngleRot = 0;
};

class ZebtemplateVelmoraFrameInfo : public TRemotable {
public:
    ZebtemplateVelmoraFrameInfo();
    ~ZebtemplateVelmoraFrameInfo() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Stored: the lab template's id.
    qint32 Id() const { return fId; }
    void SetId(qint32 id) { fId = id; }

    // Stored: the whole object as text. Reading a text replaces the id and
    // the frames; a malformed text raises EConvertError and changes nothing.
    QString Info() const;
    void SetInfo(const QString& text);

    // The frames, in text order; owned.
    TOwnerList<TemplateVelmoraFrame>& Cadres() { return *fCadres; }
    const TOwnerList<TemplateVelmoraFrame>& Cadres() const { return *fCadres; }

private:
    qint32 fId = 0;
    std::unique_ptr<TOwnerList<TemplateVelmoraFrame>> fCadres;
};
