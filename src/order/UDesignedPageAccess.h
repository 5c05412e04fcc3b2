#pragma once
// How the template and photo-book products reach their designed pages.
//
// A designed product owns its pages and asks them to replace or remove a
// picture, to re-link after a reload, and tells from their frames whether it
// can be sent. The page classes are built on the products (a page asks its
// product for labels, channel and calendar kind); the products' headers do
// not know the page classes and reach them through this one interface (the
// products' units include the page classes only to describe the stored
// pages). The page classes' access is always there: it is the default,
// reached by direct reference so that linking the products brings the page
// classes with them; a test may put a double in its place. The product rules
// that depend only on what the pages answer (checks, counts, labels) are
// plain functions of the products and are tested on their own.
#include "UCustomizedFrameRules.h"
#include "UIArcList.h"

#include <memory>
#include <vector>

class IMainFrame;
class TCustomizedPageBase;
class TOrderImageBase;
class ZebtemplateVelmora2;

// A page as the product rules see it: its number and its frames' traits, in
// stacking order.
struct TDesignedPageContent {
    int pageNum = 0;
    std::vector<TFrameTraits> frames;
};

class IDesignedPageAccess {
public:
    virtual ~IDesignedPageAccess() = default;

    // A new, empty list of pages; the product owns the pages put in it and
    // frees them with the list's ClearAndFree.
    virtual IArcList<TCustomizedPageBase*> NewPageList() = 0;
    // The page's number within its product.
    virtual int PageNum(TCustomizedPageBase* page) = 0;
    // The lab template of a template product's page; null for other pages.
    virtual ZebtemplateVelmora2* TplVelmora(TCustomizedPageBase* page) = 0;
    // The traits of the page's frames, in stacking order.
    virtual std::vector<TFrameTraits> Frames(TCustomizedPageBase* page) = 0;
    virtual bool ImageUsedReplace(TCustomizedPageBase* page, TOrderImageBase* oldImg, TOrderImageBase* newImg) = 0;
    virtual void ImageUsedDel(TCustomizedPageBase* page, IMainFrame* main, TOrderImageBase* img, bool force) = 0;
    virtual bool XMLloadFinalize(TCustomizedPageBase* page, IMainFrame* main) = 0;
};

namespace DesignedPageAccess {

// The page classes' own access (defined beside the page classes).
std::shared_ptr<IDesignedPageAccess> PageClassesAccess();
// Replaces the access (a test double); null restores the page classes' own.
void Install(std::shared_ptr<IDesignedPageAccess> access);
// The access in use; never null.
std::shared_ptr<IDesignedPageAccess> Current();
// Same as Current (kept for the callers that name the requirement).
std::shared_ptr<IDesignedPageAccess> Required();

// The contents of a product's pages, in list order (none for a null list).
std::vector<TDesignedPageContent> Contents(const IArcList<TCustomizedPageBase*>& pages);
// Re-links every page of a product after a reload; false when any of them
// lost its catalogue record (all pages are re-linked all the same).
bool XMLloadFinalize(const IArcList<TCustomizedPageBase*>& pages, IMainFrame* main);

} // namespace DesignedPageAccess
