#include "tests/decks/TestDecks.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

// Without an office:styles element (even an empty one) Impress ignores the page layout and
// makes every slide 28 x 15.75 cm.
namespace testdecks {
namespace fs = std::filesystem;

namespace {

constexpr Rgb palette[] = {
    {0xc0, 0x20, 0x20}, {0x20, 0xa0, 0x30}, {0x20, 0x40, 0xc0}, {0xe0, 0xc0, 0x10},
    {0x80, 0x20, 0xa0}, {0x10, 0xa0, 0xa0}, {0xe0, 0x70, 0x10}, {0x50, 0x50, 0x50},
    {0xf0, 0x80, 0xb0}, {0x60, 0x30, 0x10}, {0x90, 0xd0, 0x40}, {0x10, 0x20, 0x60},
};

std::string hex(const Rgb& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c[0], c[1], c[2]);
    return text;
}

// The slide whose look slide n takes: with identical neighbours slide 3 copies slide 2.
int lookOf(int slide, const DeckOptions& options) {
    return (options.identicalNeighbours && slide == 3 ? 2 : slide) + options.firstLook - 1;
}

}  // namespace

Rgb slideColour(int slide, const DeckOptions& options) {
    const int look = lookOf(slide, options);
    return palette[(look - 1) % (sizeof palette / sizeof palette[0])];
}

Point pointInSlide(int screenWidth, int screenHeight, int inset) {
    // Every deck here is 25.4 x 19.05 cm, 4:3.
    const long wide = static_cast<long>(screenWidth) * 3;
    const long tall = static_cast<long>(screenHeight) * 4;
    int left = 0;
    int top = 0;
    if (wide > tall)
        left = static_cast<int>((wide - tall) / 3 / 2);  // bars left and right
    else
        top = static_cast<int>((tall - wide) / 4 / 2);  // bars above and below
    return {left + inset, top + inset};
}

bool near(const Rgb& a, const Rgb& b, int tolerance) {
    for (int k = 0; k < 3; ++k)
        if (std::abs(int(a[k]) - int(b[k])) > tolerance)
            return false;
    return true;
}

const char* const FodpPrologue = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:smil="urn:oasis:names:tc:opendocument:xmlns:smil-compatible:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:styles/>
 <office:automatic-styles>
  <style:page-layout style:name="PM1">
   <style:page-layout-properties fo:margin-top="0cm" fo:margin-bottom="0cm" fo:margin-left="0cm" fo:margin-right="0cm" fo:page-width="25.4cm" fo:page-height="19.05cm" style:print-orientation="landscape"/>
  </style:page-layout>
)";

const char* const FodpBodyStart = R"( </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Default" style:page-layout-name="PM1"/>
 </office:master-styles>
 <office:body>
  <office:presentation>
)";

void writeFodp(const std::string& path, const DeckOptions& options) {
    std::ofstream out(path);
    out << FodpPrologue << R"(  <style:style style:name="frame" style:family="graphic">
   <style:graphic-properties draw:stroke="none" draw:fill="none" draw:textarea-vertical-align="middle"/>
  </style:style>
  <style:style style:name="number" style:family="paragraph">
   <style:paragraph-properties fo:text-align="center"/>
   <style:text-properties fo:font-family="DejaVu Sans" fo:font-size="160pt" fo:font-weight="bold" fo:color="#ffffff"/>
  </style:style>
)";
    for (int n = 1; n <= options.slides; ++n) {
        out << "  <style:style style:name=\"dp" << n << "\" style:family=\"drawing-page\">\n"
            << "   <style:drawing-page-properties draw:fill=\"solid\" draw:fill-color=\""
            << hex(slideColour(n, options))
            << "\" presentation:background-visible=\"true\" "
               "presentation:background-objects-visible=\"true\"";
        if (options.transition)
            out << " presentation:transition-speed=\"slow\" smil:type=\"fade\" "
                   "smil:subtype=\"crossfade\"";
        out << "/>\n  </style:style>\n";
    }
    out << FodpBodyStart;
    for (int n = 1; n <= options.slides; ++n)
        out << "   <draw:page draw:name=\"slide" << n << "\" draw:style-name=\"dp" << n
            << "\" draw:master-page-name=\"Default\">\n"
            << "    <draw:frame draw:style-name=\"frame\" svg:x=\"4cm\" svg:y=\"4cm\" "
               "svg:width=\"17.4cm\" svg:height=\"11cm\">\n"
            << "     <draw:text-box><text:p text:style-name=\"number\">" << lookOf(n, options)
            << "</text:p></draw:text-box>\n    </draw:frame>\n   </draw:page>\n";
    out << "  </office:presentation>\n </office:body>\n</office:document>\n";
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> convertToPpt(const std::vector<std::string>& fodpFiles,
                                      const std::string& outdir, const std::string& format) {
    fs::create_directories(outdir);
    const std::string profile = makeTempDir("deckshot-convert");
    std::vector<std::string> args = {"/usr/lib/libreoffice/program/soffice",
                                     "-env:UserInstallation=file://" + profile,
                                     "--headless",
                                     "--norestore",
                                     "--nologo",
                                     "--convert-to",
                                     format,
                                     "--outdir",
                                     outdir};
    args.insert(args.end(), fodpFiles.begin(), fodpFiles.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = profile + ".log";
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start soffice for the test decks");

    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            fs::remove_all(profile);
            throw std::runtime_error("soffice --convert-to " + format + " took over two minutes");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::ifstream logIn(log);
    const std::string output{std::istreambuf_iterator<char>(logIn), {}};
    fs::remove_all(profile);
    fs::remove(log);

    std::vector<std::string> ppts;
    for (const auto& fodp : fodpFiles) {
        const std::string ppt = (fs::path(outdir) / fs::path(fodp).stem()).string() + "." + format;
        if (!fs::exists(ppt) || fs::file_size(ppt) == 0)
            throw std::runtime_error("LibreOffice did not write " + ppt + ": " + output);
        ppts.push_back(ppt);
    }
    return ppts;
}

std::string makePpt(const std::string& dir, const std::string& name, const DeckOptions& options) {
    const std::string fodp = (fs::path(dir) / (name + ".fodp")).string();
    writeFodp(fodp, options);
    return convertToPpt({fodp}, dir).front();
}

std::string makeTempDir(const std::string& prefix) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create " + pattern);
    return pattern;
}

std::vector<pid_t> processesMentioning(const std::string& text) {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "cmdline");
        const std::string cmdline{std::istreambuf_iterator<char>(in), {}};
        if (cmdline.find(text) != std::string::npos && std::stoi(name) != getpid())
            found.push_back(std::stoi(name));
    }
    return found;
}

std::vector<std::string> socketFilesOf(const std::vector<pid_t>& processes) {
    std::vector<std::string> files;
    for (pid_t pid : processes) {
        const std::string process = "/proc/" + std::to_string(pid);
        std::vector<std::string> inodes;
        std::error_code error;
        for (const auto& fd : fs::directory_iterator(process + "/fd", error)) {
            const std::string target = fs::read_symlink(fd.path(), error).string();
            if (target.rfind("socket:[", 0) == 0)
                inodes.push_back(target.substr(8, target.size() - 9));
        }
        // The process's own table: an office runs in a network namespace of its own, whose
        // sockets ours does not list.
        std::ifstream table(process + "/net/unix");
        std::string line;
        while (std::getline(table, line)) {
            const auto path = line.find(" /");
            if (path == std::string::npos)
                continue;
            for (const std::string& inode : inodes) {
                if (line.find(" " + inode + " ") != std::string::npos)
                    files.push_back(line.substr(path + 1));
            }
        }
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

}  // namespace testdecks
