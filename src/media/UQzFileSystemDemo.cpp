#include "UQzFileSystemDemo.h"

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TImageDemo, TOrderImageFile, )
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TImageGalleryPro, TOrderImageFile, )
