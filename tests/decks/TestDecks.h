#pragma once
// Test presentations made on the spot: flat OpenDocument XML written here, turned into .ppt by a
// headless LibreOffice with a private, temporary profile. Each slide has its own full-slide
// background colour and a big slide number, so an image of it can be recognised by one pixel.
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace testdecks {

struct DeckOptions {
    int slides = 3;                    // 0 gives a presentation without slides
    bool identicalNeighbours = false;  // slide 3 repeats slide 2 exactly (needs 3 slides)
    bool transition = false;           // every slide fades in
    int firstLook = 1;                 // slide 1 looks like slide firstLook of another deck
};

using Rgb = std::array<std::uint8_t, 3>;

// Background of slide n (1-based) as written; the colours repeat after a dozen.
Rgb slideColour(int slide, const DeckOptions& options = {});
// True when two colours differ by at most `tolerance` in every channel.
bool near(const Rgb& a, const Rgb& b, int tolerance);

// A point on a screen of the given size that a full-screen show of these 4:3 slides covers,
// whatever the screen's own aspect ratio: `inset` pixels inside the top-left corner of the
// slide area, which is centred between bars where the shapes differ.
struct Point {
    int x = 0;
    int y = 0;
};
Point pointInSlide(int screenWidth, int screenHeight, int inset = 20);

// The start of a flat OpenDocument presentation of 4:3 slides (25.4 x 19.05 cm, page layout
// "PM1"), up to inside <office:automatic-styles>; FodpBodyStart closes the styles, adds the
// master page "Default" and opens <office:presentation> for the <draw:page> elements.
extern const char* const FodpPrologue;
extern const char* const FodpBodyStart;

// Writes the deck as <path> (a .fodp file).
void writeFodp(const std::string& path, const DeckOptions& options);

// Converts .fodp files (or other flat documents) into <outdir>/<name>.ppt (or .<format>) in one
// office run; returns the paths in order. Throws std::runtime_error when LibreOffice fails or
// takes over two minutes.
std::vector<std::string> convertToPpt(const std::vector<std::string>& fodpFiles,
                                      const std::string& outdir, const std::string& format = "ppt");

// writeFodp + convertToPpt for one deck: <dir>/<name>.ppt.
std::string makePpt(const std::string& dir, const std::string& name, const DeckOptions& options);

// A fresh directory under TMPDIR (or /tmp).
std::string makeTempDir(const std::string& prefix);

// Processes whose command line mentions `text` (e.g. a private profile path).
std::vector<pid_t> processesMentioning(const std::string& text);

// The socket files that the given processes listen on (or are connected through).
std::vector<std::string> socketFilesOf(const std::vector<pid_t>& processes);

}  // namespace testdecks
