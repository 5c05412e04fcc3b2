#include "LayoutTextFuzzEntry.h"

#include "UAppExceptions.h"
#include "UPageModeleZeb.h"
#include "UZebtemplateVelmoraFrameInfo.h"

#include <QString>
#include <cstdlib>

namespace {

template <class T>
void check(const QString& text)
{
    T obj;
    const QString before = obj.Info();
    try {
        obj.SetInfo(text);
    } catch (const EConvertError&) {
        if (obj.Info() != before)
            std::abort(); // a refused text changed the object
        return;
    }
    const QString written = obj.Info();
    T again;
    again.SetInfo(written); // must not raise: our own writer's text
    if (again.Info() != written)
        std::abort();
}

} // namespace

void LayoutTextFuzzOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    check<ZebtemplateVelmoraFrameInfo>(text);
    check<PageModeleZeb>(text);
}
