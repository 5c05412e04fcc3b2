// libFuzzer target for the social network's replies.
#include "FacebookFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FacebookFuzzOneInput(data, size);
    return 0;
}
