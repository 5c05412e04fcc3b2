#pragma once
// The one entry of the social-network reply fuzz target, shared by the
// libFuzzer program and the test that replays the seed corpus in the normal
// build.
#include <cstddef>
#include <cstdint>

// The first byte chooses the reply shape: a bare reply, the album list, an
// album's photo pages, a photo's stored sizes, a creation time, or the log-in
// result page. The rest is what the network sends: for the lists, pages
// separated by NUL bytes, each the reply to the next request. Aborts when a
// listed album or photo has an id that could leave the cache folder, when an
// id is listed twice, when a picture extension is not a plain one, when more
// pages are read than the caps allow, or when a log-in result page ends in
// more than one event.
void FacebookFuzzOneInput(const uint8_t* data, size_t size);
