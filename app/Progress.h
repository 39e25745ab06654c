#pragma once
// The progress texts of a conversion, for the window's caption and a terminal alike.
#include <string>

namespace app {

// After `done` of `count` slides were exported.
std::string ExportProgress(int done, int count);

// Before slide `slide` of the range first..last is captured; `retry` counts the captures taken
// again because the image equalled the previous slide's (0 for the first capture, at most
// `maxRetries`), each after a wait of `retry` seconds.
std::string CaptureProgress(int slide, int first, int last, int retry, int maxRetries);

}  // namespace app
