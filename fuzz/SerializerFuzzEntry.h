#pragma once
// The one entry of the object serializer's load fuzz target, shared by the
// libFuzzer program and the test that replays the seed corpus in the normal
// build.
#include <cstddef>
#include <cstdint>

// The first byte picks the document class (of the serializer tests' classes)
// and whether the document is loaded into a given object or creates its own;
// the rest is the document. Checks: every failure is an exception, a failed
// load into a given object changes nothing in it, and what loaded writes and
// reads back. Aborts when one of them does not hold.
void SerializerFuzzOneInput(const uint8_t* data, size_t size);
