// libFuzzer target for the template-frame and page-model texts of the lab.
#include "LayoutTextFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LayoutTextFuzzOneInput(data, size);
    return 0;
}
