#pragma once
// The one entry of the XML fuzz target, shared by the libFuzzer program and
// the test that replays the seed corpus in the normal build.
#include <cstddef>
#include <cstdint>

// Reads the input as an XML document (and as a DOM edit script), writes what
// was read and checks the invariants: nothing crashes, every failure is one
// of the system's exceptions, and whatever the writer writes reads back.
// Aborts when an invariant does not hold.
void XmlFuzzOneInput(const uint8_t* data, size_t size);
