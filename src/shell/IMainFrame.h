#pragma once
// IMainFrame: the main window's service interface. Every screen controller,
// popup, workflow-data object and background task reaches shared state
// through it: message boxes, popups, navigation, the task queues, the
// configuration, the catalogue, the order, the bitmap cache, observers.
//
// The main window is the one long-lived implementation; the web-service
// queue serves the same interface to code on its worker thread as a proxy.
// Holders keep a plain `IMainFrame*`: the main window outlives every object
// that receives it, and the proxy lives exactly as long as its queue.
//
// The operations themselves are listed once, in IMainFrameOps.h.
#include <QObject>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtGlobal>
#include <exception>
#include <functional>
#include <memory>
#include <typeindex>

// Parameterless procedure object; an empty one is never called.
using TProc = std::function<void()>;

// Any reference-counted object handed through without its type (the data
// attached to a task, for instance).
using IInterfaceRef = std::shared_ptr<void>;

// Money: fixed point counting 1/10,000 of the currency unit.
using Currency = qint64;

// Enumerations of other subsystems, declared here without their values so
// that the interface can name them. The owning subsystem defines them in the
// same form: `enum TZebdesign : int { ... }`, or `enum class TImgRawMode { ... }`
// for the scoped ones (the imaging pair in UImageTransfer.h, the use and
// Bluetooth modes in UConfig.h, the launch and update modes in
// UMainFrameTypes.h).
enum class TImgRawMode;
enum class TOrderBitmapMode;
enum class TQzUseMode;
enum TZebdesign : int;
enum class TBluetoothMode;
enum TProductLabelMode : int;
enum TWorkflowType : int;
enum class TLaunchMode;
enum class TUpdateType;
enum TMainObservedEvent : int;
enum TProductVisibilityType : int;
enum TProductVisibilityMode : int;

// Classes of later subsystems, used by pointer or reference only.
class TConfigInfo;
class TPrintOrder;
class TProduct;
class TTemplateProduct;
class TCustomizedPage;
class TOrderImageBase;
class TImageSource;
class THTTPRIO;
struct TDragObject;
struct TProductPrice;
// The description of a workflow step's controller class (null: no step).
struct TWorkflowStepClass;
using TWorkflowStep = const TWorkflowStepClass*;

// Lab records and catalogue lists.
class Demandeur2;
class Zebconsumer2;
class Consommateur2;
class Adresse2;
class Photographe2;
class ConditionsKioskUse2;
class Monnaie2;
class Tirage2;
class ZebtemplateVelmora2;
class ZebtemplateVelmoraFrameInfo;
class AlbumPhotographe2;
class TAdresseList;
class TChannelList;
class TTirageList;
class TPrintTarifList;
class TTirageVisualList;
class TProductGroupList;
class TTemplateVelmoraList;
class TTemplateCalendarList;
class TPhotographerAlbumList;
class TAlbumSizeList;
class TBackgroundRangeList;
class TAlbumPriceList;
class TAlbumCoverList;
class TMaterColorList;

// Reference-counted interfaces.
class IThreadTask;
class IWorkflowData;
class IMainPopupController;
class IMainObserver;
class IOrderBitmap;
class IDragOrderImage;
class IDragOrderImagesSet;
class ILumLabService;
using IThreadTaskRef = std::shared_ptr<IThreadTask>;
using IWorkflowDataRef = std::shared_ptr<IWorkflowData>;
using IMainPopupControllerRef = std::shared_ptr<IMainPopupController>;
using IMainObserverRef = std::shared_ptr<IMainObserver>;
using IOrderBitmapRef = std::shared_ptr<IOrderBitmap>;
using ILumLabServiceRef = std::shared_ptr<ILumLabService>;

// The key of the main window's workflow-data table: the data object's class.
using TWorkflowDataType = std::type_index;

class IMainFrame {
public:
    virtual ~IMainFrame() = default;

#define KIOSK_MAINFRAME_OP(Policy, Result, Name, Params, Args) virtual Result Name Params = 0;
#include "IMainFrameOps.h"
#undef KIOSK_MAINFRAME_OP
};
