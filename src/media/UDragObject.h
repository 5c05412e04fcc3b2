#pragma once
// What a drag inside the program carries. A drag started by the program puts
// a TDragObjectMimeData into its QDrag: the drop target reads the payload back
// from the event's mime data in the same process (no serialisation). A drag
// from outside (files from the desktop) carries only its mime data.
#include "UDragDropTools.h"

#include <QMimeData>
#include <QPointer>
#include <memory>

class TCustomizedFrame;

struct TDragObject {
    // The control that started the drag (null from outside).
    QPointer<QObject> source;
    // A frame of a designed page whose picture is dragged (the page editor).
    TCustomizedFrame* frame = nullptr;
    // Order pictures (a picture strip, an image list).
    std::shared_ptr<IDragOrderImage> image;
    // The drag's mime data as the drop target received it.
    const QMimeData* mimeData = nullptr;
};

class TDragObjectMimeData : public QMimeData {
public:
    // The program's own drags announce this format.
    static QString MimeType() { return QStringLiteral("application/x-kiosk-drag-object"); }

    explicit TDragObjectMimeData(TDragObject data) : fData(std::move(data))
    {
        setData(MimeType(), QByteArray());
    }
    const TDragObject& Data() const { return fData; }

    // The payload of an event's mime data: the program's own, else one that
    // only refers to the mime data (a drag from outside).
    static TDragObject From(const QMimeData* mime)
    {
        if (auto* own = dynamic_cast<const TDragObjectMimeData*>(mime)) {
            TDragObject d = own->fData;
            d.mimeData = mime;
            return d;
        }
        TDragObject d;
        d.mimeData = mime;
        return d;
    }

private:
    TDragObject fData;
};
