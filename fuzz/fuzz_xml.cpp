// libFuzzer target for the XML reader, writer and document model.
#include "XmlFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    XmlFuzzOneInput(data, size);
    return 0;
}
