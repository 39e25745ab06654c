#include "app/Progress.h"

namespace app {

std::string ExportProgress(int done, int count) {
    return "Exported slide " + std::to_string(done) + " of " + std::to_string(count);
}

std::string CaptureProgress(int slide, int first, int last, int retry, int maxRetries) {
    std::string text = "Capturing slide " + std::to_string(slide) + " (" +
                       std::to_string(slide - first + 1) + " of " +
                       std::to_string(last - first + 1) + ")";
    if (retry > 0) {
        text += ": same as slide " + std::to_string(slide - 1) + ", again after " +
                std::to_string(retry) + " s (retry " + std::to_string(retry) + " of " +
                std::to_string(maxRetries) + ")";
    }
    return text;
}

}  // namespace app
