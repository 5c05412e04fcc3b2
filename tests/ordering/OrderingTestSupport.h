#pragma once
// Helpers shared by the ordering tests: exception texts, an order bound to
// a test main frame, a burner on a pseudo-drive and the reading of its discs.
#include "OrderFakes.h"
#include "UAppExceptions.h"
#include "UCDBurner.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace orderingtest {

// The message of the exception f raises, empty when it raises none.
inline QString exceptionText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

// The order of a test main frame, with the product workflows it reads,
// for the life of the object.
class OrderOf {
public:
    explicit OrderOf(orderfakes::OrderMainFrame& main)
        : fMain(main)
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = fWorkflows](IMainFrame*) { return wf; });
        fOrder = std::make_unique<TPrintOrder>(&main);
        main.order = fOrder.get();
    }
    ~OrderOf()
    {
        fMain.order = nullptr;
        fOrder.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
    }
    TPrintOrder* operator->() const { return fOrder.get(); }
    TPrintOrder* get() const { return fOrder.get(); }

private:
    orderfakes::OrderMainFrame& fMain;
    std::shared_ptr<orderfakes::TestWorkflows> fWorkflows = std::make_shared<orderfakes::TestWorkflows>();
    std::unique_ptr<TPrintOrder> fOrder;
};

// A burner on a pseudo-drive (a file standing for the disc) whose disc holds
// no more than the test says, and whose next writes can be made to fail.
class TestBurner : public CDBurner {
public:
    TestBurner(const QString& discFile, qint64 capacity)
        : CDBurner({ QStringLiteral("stdio:") + discFile })
        , fCapacity(capacity)
    {
    }
    std::atomic<int> failWrites { 0 };
    BurnRes Burn() override
    {
        if (failWrites > 0) {
            --failWrites;
            throw Exception(QStringLiteral("CDburner.Burn: the disc could not be written"));
        }
        return CDBurner::Burn();
    }

protected:
    qint64 DiscFreeBytes(burn::burn_drive* drive) override
    {
        return std::min(fCapacity, CDBurner::DiscFreeBytes(drive));
    }

private:
    qint64 fCapacity;
};

// A photo whose copy is a file of the given size, starting with its id.
class CopyingImage : public orderfakes::TestImage {
public:
    CopyingImage(const QString& id, qint64 size)
        : TestImage(id)
        , fBytes(size)
    {
    }
    void CopyToFile(const QString& fname) override
    {
        QFile f(fname);
        if (!f.open(QIODevice::WriteOnly))
            throw Exception(QStringLiteral("cannot write ") + fname);
        f.write(fId.toUtf8());
        f.resize(fBytes);
    }
    qint64 fBytes;
};

// A new photo of a print product, copied as a file of the given size.
inline void addCopyingPicture(TTirageProduct* product, const QString& id, qint64 size)
{
    auto* img = new CopyingImage(id, size);
    if (product->ImageUsedAdd(img) != img)
        delete img;
}

// A configuration whose temporary folder the test chooses.
class TempConfig : public orderfakes::TestConfig {
public:
    QString CalcTempPath() override { return temp; }
    QString temp;
};

inline QString runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The files at the root of the Joliet tree of a disc image, sorted.
inline QStringList discFiles(const QString& iso)
{
    QStringList files;
    for (const QString& line :
         runTool(QStringLiteral("isoinfo"), { QStringLiteral("-J"), QStringLiteral("-f"), QStringLiteral("-i"), iso })
             .split(u'\n', Qt::SkipEmptyParts))
        files << line.mid(1).section(u';', 0, 0); // without the version number
    files.sort();
    return files;
}

} // namespace orderingtest
