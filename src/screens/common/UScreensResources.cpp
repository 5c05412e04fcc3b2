#include "UScreensResources.h"

#include <QFile>
#include <map>
#include <memory>
#include <QSvgRenderer>

#include <mutex>

static void screensResourcesInit()
{
    Q_INIT_RESOURCE(screens);
}

void TScreensResources::Init()
{
    static std::once_flag once;
    std::call_once(once, screensResourcesInit);
}

QSvgRenderer* TScreensResources::Svg(const QString& name)
{
    Init();
    // Main thread only, like every screen; the documents live until the end.
    static std::map<QString, std::unique_ptr<QSvgRenderer>> docs;
    auto it = docs.find(name);
    if (it != docs.end())
        return it->second.get();
    const QString path = QStringLiteral(":/screens/%1.svg").arg(name);
    auto doc = QFile::exists(path) ? std::make_unique<QSvgRenderer>(path) : nullptr;
    QSvgRenderer* result = doc.get();
    docs.emplace(name, std::move(doc));
    return result;
}
