#pragma once
// Test doubles of the media sources: a main frame with picture masks, a kiosk
// flag and a configuration whose folders live in the test's temporary folder;
// helpers that write small JPEG files and folder trees.
#include "FakeMainFrame.h"
#include "UConfig.h"
#include "UImageCodec.h"
#include "UQzFileSystemBase.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace mediafakes {

class MediaConfig : public TConfig {
public:
    QString base;
    QString CalcDemoImagePath() override { return base + QStringLiteral("/Demo Pictures"); }
    QString CalcGalleryProPath() override { return base + QStringLiteral("/Shop Pictures"); }
    QString CalcCacheScrapPath() override { return mk(QStringLiteral("/cache/scrapPictures")); }
    QString CalcCacheVisualsPath() override { return mk(QStringLiteral("/cache/visuals")); }
    QString CalcCacheVisualsFilePath(int id) override
    {
        return CalcCacheVisualsPath() + QLatin1Char('/') + QString::number(id) + QStringLiteral(".jpg");
    }
    QString CalcInternalResPath() override { return mk(QStringLiteral("/cache/internalRes")); }
    QString CalcFrontPrintImgWithoutDate() override { return CalcInternalResPath() + QStringLiteral("/ImgWithoutDate.jpg"); }
    QString CalcFrontPrintImgWithDate() override { return CalcInternalResPath() + QStringLiteral("/ImgWithDate.jpg"); }
    QString CalcFrontPrintImgWithDateTime() override
    {
        return CalcInternalResPath() + QStringLiteral("/ImgWithDateTime.jpg");
    }

private:
    QString mk(const QString& rel)
    {
        QDir().mkpath(base + rel);
        return base + rel;
    }
};

class MediaMainFrame : public RecordingMainFrame {
public:
    explicit MediaMainFrame(const QString& base = QString()) { config.base = base; }
    QStringList imageSupportedExtList() override
    {
        return { QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.png") };
    }
    bool IsKiosk() override { return kiosk; }
    TConfigInfo* Config() override { return &config; }
    TPrintOrder* GetOrder() override { return order; }
    QString AppMemoryUsageStr() override { return QString(); }
    void TaskCheckStop() override
    {
        if (stopAfter >= 0 && ++checks > stopAfter)
            throw ECancel();
    }

    bool kiosk = false;
    TPrintOrder* order = nullptr;
    int stopAfter = -1;
    int checks = 0;
    MediaConfig config;
};

inline void writeJpeg(const QString& path, int w = 32, int h = 24, QRgb colour = qRgb(200, 60, 30))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    TImageCodec::SaveToFile(img, path, 85);
}

inline void writeText(const QString& path, const QByteArray& text = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
}

// Sub ids of a folder walk, in order.
inline QStringList folderIds(const IQzfsFolderEnumRef& e)
{
    QStringList out;
    while (e->MoveNext())
        out << e->GetCurrentGen()->folderId();
    return out;
}

inline QStringList imageIds(const IQzfsImageEnumRef& e)
{
    QStringList out;
    while (e->MoveNext()) {
        TOrderImageRef img = e->GetCurrentGen();
        out << (img ? img->ImageID() : QStringLiteral("<null>"));
    }
    return out;
}

} // namespace mediafakes
