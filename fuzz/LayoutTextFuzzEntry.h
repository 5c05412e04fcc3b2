#pragma once
// The one entry of the layout-text fuzz target, shared by the libFuzzer
// program and the test that replays the seed corpus in the normal build.
#include <cstddef>
#include <cstdint>

// Reads the input as a template-frame text and as a page-model text. Each
// read either succeeds or raises EConvertError and leaves the object as it
// was; a text that was read writes back to a text that reads back to the
// same object. Aborts when that does not hold.
void LayoutTextFuzzOneInput(const uint8_t* data, size_t size);
