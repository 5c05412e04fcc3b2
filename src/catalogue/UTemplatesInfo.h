#pragma once
// The template part of the catalogue as the card, designer-print and
// calendar screens use it: every background template and calendar design
// wrapped with its pictures, the filtered questions of the product screens
// (templates of a format, a type code and a language; the type codes
// present; templates and designs that go together), each remembered in a
// one-entry cache, the building of a template product's pages, and the list
// of frame-detail sets that the connection step pre-loads.
//
// Type codes: -1 any type, -2 monthly calendars, -3 annual calendars, a
// positive code a theme (cards up to 100, designer prints above, 107 the
// collage theme).
//
// The connection step asks for the frame-detail list from the web-service
// worker while screens may query on the main thread: every operation holds
// the object's lock. A list handed out is never changed afterwards (a cache
// miss builds a new list), so callers may keep reading it without the lock.
#include "UIArcList.h"
#include "UWorkflowData.h"

#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class Tirage2;
class TOrderImageBase;
class TTemplateProduct;
class ZebtemplateVelmora2;
class ZebtemplateVelmoraFrameInfo;
class TemplateCalendrier2;
class TemplateCalendrierImage2;

class TTemplateVelmoraData {
public:
    TTemplateVelmoraData(IMainFrame* main, ZebtemplateVelmora2* tpl);
    ~TTemplateVelmoraData();
    TTemplateVelmoraData(const TTemplateVelmoraData&) = delete;
    TTemplateVelmoraData& operator=(const TTemplateVelmoraData&) = delete;

    ZebtemplateVelmora2* TplVelmora() const { return fTplVelmora; }
    TOrderImageBase* ImgRecto() const { return fImgRecto.get(); }
    // Null when the template has no back.
    TOrderImageBase* ImgVerso() const { return fImgVerso.get(); }
    qint32 key() const;
    // The template's frame details, asked of the main frame on every read.
    ZebtemplateVelmoraFrameInfo* TplVelmoraInfo() const;
    bool isNil() const { return !fTplVelmora && !fImgRecto && !fImgVerso; }

    // Offered in lang ("" = every language).
    bool isLangMatching(const QString& lang) const;
    bool isMatchingFilter(const QString& lang, const Tirage2* tplPrint, qint32 selectedTplType) const;
    bool isLinkedToCalendar(const QString& lang, const TemplateCalendrier2* tplCalendar) const;
    // Type_ 1 with CalendrierMois.
    bool isMonthlyCalendar() const;

private:
    IMainFrame* fMain;
    ZebtemplateVelmora2* fTplVelmora;
    std::unique_ptr<TOrderImageBase> fImgRecto;
    std::unique_ptr<TOrderImageBase> fImgVerso;
};

class TTemplateCalendarImage {
public:
    TTemplateCalendarImage(IMainFrame* main, TemplateCalendrierImage2* tplCalImg);
    ~TTemplateCalendarImage();
    TemplateCalendrierImage2* TemplateCalendarImage() const { return fTemplateCalendarImage; }
    TOrderImageBase* ImgMonth() const { return fImgMonth.get(); }

private:
    TemplateCalendrierImage2* fTemplateCalendarImage;
    std::unique_ptr<TOrderImageBase> fImgMonth;
};

class TTemplateCalendar {
public:
    TTemplateCalendar(IMainFrame* main, TemplateCalendrier2* tplCal);
    ~TTemplateCalendar();
    TTemplateCalendar(const TTemplateCalendar&) = delete;
    TTemplateCalendar& operator=(const TTemplateCalendar&) = delete;

    TemplateCalendrier2* TemplateCalendar() const { return fTemplateCalendar; }
    TOrderImageBase* ImgCalendar() const { return fImgCalendar.get(); }
    IArcList<TTemplateCalendarImage*> TemplateCalendarImagesList() const { return fTemplateCalendarImagesList; }
    // First and last month index of the usable range; 0 without pictures.
    qint32 DateMin() const { return fDateMin; }
    qint32 DateMax() const { return fDateMax; }

    // The month picture of a month index, null when the design has none.
    TOrderImageBase* getImgForDate(qint32 date) const;
    // Offered in lang: also when the design's code is "xx".
    bool isLangMatching(const QString& lang) const;
    bool isLinkedToTemplate(const QString& lang, const ZebtemplateVelmora2* tplVelmora) const;

private:
    TemplateCalendrier2* fTemplateCalendar;
    std::unique_ptr<TOrderImageBase> fImgCalendar;
    std::vector<std::unique_ptr<TTemplateCalendarImage>> fImages;
    IArcList<TTemplateCalendarImage*> fTemplateCalendarImagesList;
    qint32 fDateMin = 0;
    qint32 fDateMax = 0;
};

class TTemplatesInfo : public TWorkflowData {
public:
    explicit TTemplatesInfo(IMainFrame* main);
    ~TTemplatesInfo() override;

    // One set of frame details: a type code and a template size (smaller
    // side, larger side; -1 and -1 for the calendar codes).
    struct TplInfoRec {
        qint32 tplThemeId = 0;
        QSize tplSize;
        bool operator==(const TplInfoRec&) const = default;
    };

    IArcList<TTemplateVelmoraData*> TplBackgroundGlobalList();
    IArcList<TTemplateCalendar*> TplCalendarGlobalList();

    IArcList<TTemplateVelmoraData*> getTplBackgroundFilteredList(Tirage2* tplPrint, qint32 selectedTplType,
                                                                 bool bAllLang);
    IArcList<qint32> getTplBackgroundFilteredTypeList(Tirage2* tplPrint, bool bAllLang);
    IArcList<TTemplateVelmoraData*> getTplBackgroundCalFilteredList(TemplateCalendrier2* tplCalendar, bool bAllLang);
    IArcList<TTemplateCalendar*> getTplCalendarFilteredList(ZebtemplateVelmora2* tplVelmora, bool bAllLang);
    // A design of the global list goes with the template in lang.
    bool filterCalBackgroundByLang(TTemplateVelmoraData* tplBg, const QString& lang);

    // The frame-detail sets to pre-load, in order, without duplicates.
    std::vector<TplInfoRec> getTplInfoList();
    // Fetches one set of frame details from the lab unless the stored copy
    // carries the stamp ts. Runs on the web-service queue's worker.
    static void loadTplInfo(IMainFrame* main, const TplInfoRec& tpl, double ts);

    // The wanted language of a query: empty for all languages, else the
    // main frame's language in lower case.
    QString wantedLang(bool bAllLang) const;

    // --- class-level operations
    // Raises "TTemplatesInfo.GetTplCalendarById: ID calendar does not exist!".
    static TTemplateCalendar* GetTplCalendarById(const IArcList<TTemplateCalendar*>& lst, qint32 id);
    // Page 1 (and page 2 for a recto-verso format) of a card or designer
    // print; a recto-verso format with a template without back raises
    // "Background template without verso".
    static void BuildClassicTemplate(IMainFrame* mainFrame, TTemplateProduct* tplProd,
                                     TTemplateVelmoraData* tplVelmoraData);
    // Cover and twelve month pages from DateStart, set by the caller.
    static void BuildCalendarTemplate(IMainFrame* mainFrame, TTemplateProduct* tplProd,
                                      TTemplateVelmoraData* tplVelmoraData, TTemplateCalendar* tplCal);
    static qint32 TplCalDateCalc(qint32 year, qint32 month);

    // The catalogue pictures (known by their lab picture id) of templates,
    // designs and album covers; replaceable for tests.
    using TVignetteFactory = std::function<std::unique_ptr<TOrderImageBase>(IMainFrame* main, qint32 vignetteId)>;
    static void SetVignetteFactory(TVignetteFactory factory);
    static std::unique_ptr<TOrderImageBase> NewVignette(IMainFrame* main, qint32 vignetteId);

private:
    void buildGlobalLists();

    std::recursive_mutex fSync;
    std::vector<std::unique_ptr<TTemplateVelmoraData>> fTemplates;
    std::vector<std::unique_ptr<TTemplateCalendar>> fCalendars;
    IArcList<TTemplateVelmoraData*> fTplBackgroundGlobalList;
    IArcList<TTemplateCalendar*> fTplCalendarGlobalList;
    IArcList<TTemplateVelmoraData*> fTplBackgroundFilteredList;
    Tirage2* fTplBackgroundFilteredListPrint = nullptr;
    qint32 fTplBackgroundFilteredListType = 0;
    QString fTplBackgroundFilteredListLang;
    IArcList<qint32> fTplBackgroundFilteredTypeList;
    IArcList<TTemplateVelmoraData*> fTplBackgroundCalFilteredList;
    TemplateCalendrier2* fTplBackgroundCalFilteredListCalendar = nullptr;
    QString fTplBackgroundCalFilteredListLang;
    IArcList<TTemplateCalendar*> fTplCalendarFilteredList;
    ZebtemplateVelmora2* fTplCalendarFilteredListTemplate = nullptr;
    QString fTplCalendarFilteredListLang;
};
