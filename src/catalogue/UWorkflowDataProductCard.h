#pragma once
// The workflow data of greeting cards and designer prints for the current
// customer: both are template products built from a background template of
// a theme (themes up to 100 are cards, above 100 designer prints). Offers
// the themes, the templates of the chosen theme and the print formats in the
// current language, picks the format of a template, builds throw-away
// previews, holds the product being designed and provides the clip art of
// the design screen.
#include "UDesignedProducts.h"
#include "UIArcList.h"
#include "UWorkflowDataProductBase.h"

#include <QStringList>
#include <memory>
#include <vector>

class Tirage2;
class Tarif2;
class TClipartFrame;
class TTemplateVelmoraData;
class TTemplateProduct;

class TWorkflowDataProductCard : public TWorkflowDataProductBase {
public:
    explicit TWorkflowDataProductCard(IMainFrame* main);
    ~TWorkflowDataProductCard() override;

    qint32 cardTheme() const { return fCardTheme; }
    // A new theme drops the theme's templates and formats.
    void setCardTheme(qint32 v);
    TTemplateType mode() const { return fMode; }
    void setMode(TTemplateType m) { fMode = m; }
    Tirage2* cardProduct() const { return fCardProduct; }
    void setCardProduct(Tirage2* t) { fCardProduct = t; }
    qint32 filterWidth() const { return fFilterWidth; }
    void setFilterWidth(qint32 v) { fFilterWidth = v; }
    qint32 filterHeight() const { return fFilterHeight; }
    void setFilterHeight(qint32 v) { fFilterHeight = v; }

    TTemplateProduct* currentCardProduct() const { return fCurrentCardProduct; }
    // Stores the product, then asks for its first page's frame details.
    void setCurrentCardProduct(TTemplateProduct* product);
    // The first-page template's frame details are asked of the main frame.
    void loadInfo();
    // Read once: the number stored by another screen, then 1.
    int askedPageNum();
    void setAskedPageNum(int n) { fAskedPageNum = n; }

    // Theme codes (above 0) in the current language.
    const QList<qint32>& getCardThemeList();
    bool hasCards();
    bool hasDesignerPrints();
    IArcList<TTemplateVelmoraData*> getCardTemplateVelmoraDataList();
    IArcList<Tirage2*> getCardProductList();
    IArcList<Tirage2*> getDesignerPrintProductList();
    IArcList<Tirage2*> getCardProductListForTheme();
    // The format of a template in the current mode; raises
    // "TWorkflowDataProductCard.getCardProductFromTemplateVelmoraData: product not found".
    Tirage2* getCardProductFromTemplateVelmoraData(TTemplateVelmoraData* templateVelmoraData);
    Tarif2* getMinimumPrice(const Tirage2* tirage);
    TProductPrice getMinPrice(TTemplateType mode);

    // A product of no order list showing the template with sample pictures;
    // the caller owns it.
    std::unique_ptr<TTemplateProduct> getPreview(Tirage2* cardProduct, TTemplateVelmoraData* templateVelmoraData);
    // Completes a preview built before its frame details were loaded; false
    // while they are still loading.
    bool completePreview(TTemplateProduct* cardPreview, Tirage2* cardProduct,
                         TTemplateVelmoraData* templateVelmoraData);
    void addFrameUserIfNeeded();
    // The clip-art picture ids the design screen offers (a picture used as
    // a hidden frame border is left out).
    QStringList getClipartList();
    IArcList<TClipartFrame*> getClipartFrameList();
    void checkLang();

    // --- product workflow data
    TProduct* CurrentProduct() override;
    TProductPrice getMinPrice() override;
    void autofillUserFramesToCheck() override;
    bool isUsingImage(TOrderImageBase* image) override;
    void UpdateControlList(IPageOverviewList* ctrlList) override;
    bool hasMinMaxPhotos() override { return true; }
    int getMinPhotos() override;
    int getMaxPhotos() override { return 0; }

private:
    IArcList<Tirage2*> formatsWhere(const std::function<bool(Tirage2*)>& keep);
    TProductPrice minPriceOver(const std::vector<IArcList<Tirage2*>>& lists);
    void fillPreview(TCustomizedPageBase* page, TTemplateVelmoraData* tpl);

    qint32 fCardTheme = 0;
    TTemplateType fMode = TTemplateType::None;
    Tirage2* fCardProduct = nullptr;
    qint32 fFilterWidth = 0;
    qint32 fFilterHeight = 0;
    QString fLangForCache;
    std::unique_ptr<QList<qint32>> fCardThemeList;
    IArcList<Tirage2*> fCardProductList;
    IArcList<Tirage2*> fCardProductListForTheme;
    IArcList<Tirage2*> fDesignerPrintProductList;
    IArcList<TTemplateVelmoraData*> fCardTemplateVelmoraDataList;
    TTemplateProduct* fCurrentCardProduct = nullptr;
    std::unique_ptr<QStringList> fClipartList;
    std::vector<std::unique_ptr<TClipartFrame>> fClipartFrames;
    IArcList<TClipartFrame*> fClipartFrameList;
    int fAskedPageNum = 0;
};
