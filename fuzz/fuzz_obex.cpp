// libFuzzer target for the OBEX Object Push session.
#include "ObexFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ObexFuzzOneInput(data, size);
    return 0;
}
