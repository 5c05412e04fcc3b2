#pragma once
// The one entry of the OBEX session fuzz target, shared by the libFuzzer
// program and the test that replays the seed corpus in the normal build.
#include <cstddef>
#include <cstdint>

// The first byte chooses whether reception is enabled and how the rest is cut
// into reads; the rest is what a phone sends. The session either handles it or
// raises ESystem. Aborts when an object is written past the size cap or past
// its Length header, when the sink sees calls out of order, when a response is
// not one of the session's fixed shapes, or when an unfinished object is left
// behind.
void ObexFuzzOneInput(const uint8_t* data, size_t size);
