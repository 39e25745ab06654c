// The images a run wrote, as --print-files lists them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Conversion.h"

namespace {

using Texts = std::vector<std::string>;

TEST(WrittenFiles, EachImageOnceWithoutTheEntriesOfSlidesNotShown) {
    const struct {
        const char* name;
        Texts entries;
        std::vector<bool> unshown;
        Texts written;
    } cases[] = {
        {"everySlide", {"/o/a_1.jpg", "/o/a_2.jpg"}, {}, {"/o/a_1.jpg", "/o/a_2.jpg"}},
        {"keptAside", {"/o/cover.jpg", "/o/Slide2.jpg"}, {}, {"/o/cover.jpg", "/o/Slide2.jpg"}},
        {"pastTheEnd",
         {"/o/a_9.jpg", "/o/a_10.jpg", "/o/a_10.jpg"},
         {false, false, true},
         {"/o/a_9.jpg", "/o/a_10.jpg"}},
        {"firstNotShown", {"", ""}, {true, true}, {}},
        {"oneNameForAll", {"/o/shot.jpg", "/o/shot.jpg"}, {false, false}, {"/o/shot.jpg"}},
    };
    for (const auto& c : cases) {
        app::ConversionResult result;
        result.OutputFiles = c.entries;
        result.unshown = c.unshown;
        EXPECT_EQ(app::WrittenFiles(result), c.written) << c.name;
    }
}

}  // namespace
