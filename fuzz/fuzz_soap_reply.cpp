// libFuzzer target of the lab service's envelope reader.
#include "SoapReplyTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    soapfuzz::FuzzSoapReply(data, size);
    return 0;
}
