// libFuzzer target for the object serializer's load.
#include "SerializerFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SerializerFuzzOneInput(data, size);
    return 0;
}
