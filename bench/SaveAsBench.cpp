// Times the LibreOffice backend as an export uses it: start-up, opening, SaveAs of every slide in
// each format, and the end; the parts of the floor that a whole run cannot go below.
// Usage: saveas_bench <work dir> [slides (default 120) | presentation] [offices (default 1)].
// Without a presentation it writes <work dir>/bench.ppt, a generated deck of that many slides.
// Prints one "name seconds" line per measurement.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "platform/libreoffice/LibreOfficeFactory.h"
#include "tests/decks/TestDecks.h"

namespace fs = std::filesystem;

namespace {
double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int run(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir> [slides]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string deck = argc > 2 ? argv[2] : "120";
    const int offices = argc > 3 ? std::atoi(argv[3]) : 1;
    fs::create_directories(dir);
    const std::string ppt =
        fs::is_regular_file(deck)
            ? deck
            : testdecks::makePpt(dir, "bench", {std::atoi(deck.c_str()), false, false});

    // Without a display the office runs headless, as an unattended export does.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    auto start = std::chrono::steady_clock::now();
    platform::LibreOfficeFactory factory;
    factory.exportOnly(offices);
    auto app = factory.create(platform::PresentationProgId);
    std::printf("startup %.3f\n", since(start));
    start = std::chrono::steady_clock::now();
    app->openPresentation(ppt, false, false, true);
    const int count = app->slideCount();
    std::printf("open %.3f\n", since(start));
    std::printf("slides %d\n", count);
    const struct {
        int number;
        const char* name;
    } formats[] = {
        {platform::SaveAsJpeg, "jpg"}, {platform::SaveAsBmp, "bmp"}, {platform::SaveAsGif, "gif"}};
    for (const auto& f : formats) {
        const std::string out = dir + "/saveas-" + f.name;
        fs::remove_all(out);
        fs::create_directories(out);
        int number = f.number;
        start = std::chrono::steady_clock::now();
        app->saveAs(out, number, true);
        const double seconds = since(start);
        std::printf("saveas_%s %.3f\n", f.name, seconds);
        std::printf("per_slide_%s_ms %.1f\n", f.name, 1000 * seconds / count);
    }
    start = std::chrono::steady_clock::now();
    app->quit();
    std::printf("quit %.3f\n", since(start));
    return 0;
}

// An error must unwind, so that the office and its profile go away.
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "saveas_bench: %s\n", error.what());
        return 1;
    }
}
