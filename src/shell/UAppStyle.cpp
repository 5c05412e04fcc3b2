#include "UAppStyle.h"

#include "UDebug.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <mutex>

// Outside any namespace: the resource initialiser is a global function.
static void initShellResources()
{
    Q_INIT_RESOURCE(shell);
}

namespace {
void initResources()
{
    static std::once_flag once;
    std::call_once(once, [] { initShellResources(); });
}

QString loadFonts()
{
    initResources();
    static QString family;
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char* file : { ":/shell/fonts/DejaVuSans.ttf", ":/shell/fonts/DejaVuSans-Bold.ttf" }) {
            const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
            if (id < 0) {
                LogError(QStringLiteral("TAppStyle: font not loaded: ") + QString::fromLatin1(file));
                continue;
            }
            if (family.isEmpty())
                family = QFontDatabase::applicationFontFamilies(id).value(0);
        }
    });
    return family;
}
}

QString TAppStyle::FontFamily()
{
    return loadFonts();
}

QString TAppStyle::StyleSheet()
{
    initResources();
    QFile f(QStringLiteral(":/shell/kiosk.qss"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

void TAppStyle::Apply(QApplication& app)
{
    const QString family = FontFamily();
    if (!family.isEmpty()) {
        QFont font(family);
        font.setPixelSize(20);
        app.setFont(font);
    }
    app.setStyleSheet(StyleSheet());
}
