// Times the capture of a slide range from the running slide show, slide by slide, as a range run
// does it: the move until the slide is drawn (with its stages), the grab ("{PRTSC}" through the
// X11 injection, whose Print Screen handler puts a grab of the screen on the program's own
// clipboard, then its bitmap), the JPEG encoding and the comparison with the slide before.
// Beside it, the floor: the same moves alone, nothing captured, each ending when the office is
// done with the slide. A last, untimed pass checks that every capture was final: the screen a
// moment later holds the same picture (and, on a generated deck, the slide's own colour).
// Usage: capture_bench <work dir> [slides | presentation]. Needs an X display; run it through
// bench/capture-range.
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "keys/KeyEngine.h"
#include "platform/ConsoleDialogs.h"
#include "platform/ProgramClipboard.h"
#include "platform/QtEventPump.h"
#include "platform/RealClock.h"
#include "platform/images/ImageFiles.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "platform/libreoffice/MoveStages.h"
#include "platform/x11/ScreenGrab.h"
#include "platform/x11/X11Input.h"
#include "support/FileCompare.h"
#include "support/LogFile.h"
#include "tests/decks/TestDecks.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using platform::office::MoveStages;

namespace {

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Series {
    const char* name;
    std::vector<double> ms;

    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        if (n == 0)
            return 0;
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    double mean() const {
        double sum = 0;
        for (double v : ms) sum += v;
        return ms.empty() ? 0 : sum / ms.size();
    }
};

void printTable(const char* title, const std::vector<const Series*>& rows) {
    std::printf("== %s\n  %-30s %9s %9s %9s %9s\n", title, "per slide", "median ms", "mean ms",
                "min ms", "max ms");
    for (const Series* s : rows) {
        const auto [low, high] = std::minmax_element(s->ms.begin(), s->ms.end());
        std::printf("  %-30s %9.1f %9.1f %9.1f %9.1f\n", s->name, s->median(), s->mean(),
                    s->ms.empty() ? 0 : *low, s->ms.empty() ? 0 : *high);
    }
}

// The stages of the moves of one pass.
struct StageSeries {
    Series call{"  the office's move call", {}}, reach{"  until it reports the slide", {}},
        frame{"  until the frame is drawn", {}}, finished{"  until the office is done", {}},
        busySign{"  until its busy sign is off", {}};

    void add(const MoveStages& stages) {
        call.ms.push_back(stages.call.count());
        reach.ms.push_back(stages.reach.count());
        frame.ms.push_back(stages.frame.count());
        finished.ms.push_back(stages.finished.count());
        busySign.ms.push_back(stages.busySign.count());
    }
    std::vector<const Series*> rows() const {
        return {&call, &reach, &frame, &finished, &busySign};
    }
};

MoveStages stagesOf(platform::PresentationApp& app) {
    const auto* source = dynamic_cast<const platform::office::MoveStagesSource*>(&app);
    return source != nullptr ? source->lastMoveStages() : MoveStages{};
}

// What a range run does for one slide, apart from the move: the capture keys, the program's
// clipboard, the JPEG file, the comparison with the slide before.
struct Capturer {
    keys::KeyEngine& keyEngine;
    platform::ProgramClipboard& clipboard;
    std::string outDir;

    platform::RgbImage grab() {
        if (!keyEngine.SendKeys("{PRTSC}", true))
            throw std::runtime_error("SendKeys failed");
        std::optional<platform::RgbImage> image = clipboard.bitmap();
        if (!image)
            throw std::runtime_error("no bitmap on the clipboard after Print Screen");
        return std::move(*image);
    }
    std::string file(int slide) const { return outDir + "/Slide" + std::to_string(slide) + ".jpg"; }
};

// Moves to a slide, its time and stages recorded; gives the time it began.
Clock::time_point timedMove(platform::PresentationApp& app, int slide, Series& move,
                            StageSeries& stages) {
    const auto start = Clock::now();
    app.goToSlide(slide);
    move.ms.push_back(msSince(start));
    stages.add(stagesOf(app));
    return start;
}

// The capture pass, timed as a run does it; gives the median total.
double capturePass(platform::PresentationApp& app, Capturer& capturer, int count) {
    Series move{"move until drawn", {}}, grab{"grab (keys + clipboard)", {}},
        encode{"encode + write JPEG", {}}, compare{"compare with the slide before", {}},
        total{"total", {}};
    StageSeries stages;
    for (int slide = 1; slide <= count; ++slide) {
        const auto start = timedMove(app, slide, move, stages);

        auto t = Clock::now();
        const platform::RgbImage image = capturer.grab();
        grab.ms.push_back(msSince(t));

        t = Clock::now();
        platform::writeJpeg(image, capturer.file(slide));
        encode.ms.push_back(msSince(t));

        t = Clock::now();
        if (slide > 1)
            support::SameFileContents(capturer.file(slide), capturer.file(slide - 1));
        compare.ms.push_back(msSince(t));
        total.ms.push_back(msSince(start));
    }
    std::vector<const Series*> rows{&move};
    for (const Series* s : stages.rows()) rows.push_back(s);
    rows.insert(rows.end(), {&grab, &encode, &compare, &total});
    printTable("capture, as a range run does it", rows);
    return total.median();
}

// The moves alone: what the office takes to draw each slide and be done with it.
double floorPass(platform::PresentationApp& app, int count) {
    Series move{"move, nothing captured", {}};
    StageSeries stages;
    for (int slide = 1; slide <= count; ++slide) timedMove(app, slide, move, stages);
    std::vector<const Series*> rows{&move};
    for (const Series* s : stages.rows()) rows.push_back(s);
    printTable("floor: the moves alone", rows);
    return move.median();
}

// Untimed: each capture against the screen a moment later, and a generated deck's slide colour.
int verifyPass(platform::PresentationApp& app, Capturer& capturer, int count,
               const std::optional<testdecks::DeckOptions>& generated) {
    using namespace std::chrono_literals;
    platform::ScreenGrabber later;
    int wrong = 0;
    for (int slide = 1; slide <= count; ++slide) {
        app.goToSlide(slide);
        const platform::RgbImage taken = capturer.grab();
        std::this_thread::sleep_for(300ms);
        const platform::RgbImage settled = later.grab();
        bool right = taken.pixels == settled.pixels;
        if (generated) {
            const testdecks::Point inside = testdecks::pointInSlide(taken.width, taken.height);
            const auto seen = taken.at(inside.x, inside.y);
            right = right && testdecks::near({seen[0], seen[1], seen[2]},
                                             testdecks::slideColour(slide, *generated), 8);
        }
        if (!right) {
            ++wrong;
            std::printf("  slide %d: the capture is not the settled slide\n", slide);
        }
    }
    std::printf("== pictures that were not final: %d of %d\n", wrong, count);
    return wrong;
}

// An office of its own with the deck's show started, at the last slide: a pass then moves to
// another slide than the one shown, from slide 1 on, each slide's first showing in this office.
std::unique_ptr<platform::PresentationApp> startShow(const std::string& deck, int& count) {
    auto app = platform::LibreOfficeFactory().create(platform::PresentationProgId);
    app->setVisible(true);
    app->openPresentation(deck, false, false, true);
    app->setAdvanceMode(1);
    app->runSlideShow();
    count = app->slideCount();
    const auto start = Clock::now();
    app->goToSlide(count);
    std::printf("the show started in %.0f ms\n", msSince(start));
    return app;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir> [slides | presentation]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string what = argc > 2 ? argv[2] : "20";
    QCoreApplication application(argc, argv);

    try {
        fs::create_directories(dir);
        std::optional<testdecks::DeckOptions> generated;
        std::string deck = what;
        if (what.find_first_not_of("0123456789") == std::string::npos) {
            generated = testdecks::DeckOptions{std::atoi(what.c_str()), false, false};
            deck = testdecks::makePpt(dir, "capture", *generated);
        }

        platform::X11Input input;
        platform::ProgramClipboard clipboard;
        platform::ScreenGrabber grabber;
        input.setPrintScreenHandler([&] { clipboard.setBitmap(grabber.grab()); });
        platform::RealClock clock;
        platform::ConsoleDialogs dialogs;
        platform::QtEventPump events;
        support::LogFile log(events, clock);
        keys::KeySettings keySettings;
        keys::KeyEngine keyEngine(input, clock, dialogs, log, keySettings);
        Capturer capturer{keyEngine, clipboard, dir + "/images"};
        fs::create_directories(capturer.outDir);

        const platform::RgbImage screen = grabber.grab();
        int count = 0;
        auto app = startShow(deck, count);
        std::printf("deck: %s, %d slides; screen %dx%d\n", deck.c_str(), count, screen.width,
                    screen.height);
        const double perSlide = capturePass(*app, capturer, count);
        app->quit();
        // The floor in an office of its own, so that its moves too are each slide's first.
        app = startShow(deck, count);
        const double floor = floorPass(*app, count);
        const int wrong = verifyPass(*app, capturer, count, generated);
        app->quit();
        std::printf(
            "== a captured slide: %.1f ms (median; target: at most 50), the floor: %.1f ms\n",
            perSlide, floor);
        return wrong == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "capture_bench: %s\n", e.what());
        return 1;
    }
}
