// A deck made by someone else, converted by the real program: what it links to, on the network
// or in local files, is never fetched and never drawn.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/images/ImageFiles.h"
#include "tests/app/ProgramRun.h"
#include "tests/decks/TestDecks.h"
#include "tests/libreoffice/OfficeTestSupport.h"

namespace {

namespace fs = std::filesystem;

// An HTTP server on 127.0.0.1 that answers every request with `body` and counts the
// connections it was asked for, from start() on; before, its port refuses them.
class LinkServer {
  public:
    explicit LinkServer(std::string body) : body_(std::move(body)) {
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot serve on 127.0.0.1");
        port_ = ntohs(address.sin_port);
    }
    ~LinkServer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(socket_);
    }

    void start() {
        if (::listen(socket_, 16) != 0)
            throw std::runtime_error("cannot serve on 127.0.0.1");
        thread_ = std::thread([this] { serve(); });
    }

    int port() const { return port_; }
    int requests() const { return requests_; }

  private:
    void serve() {
        while (!stop_) {
            pollfd ready{socket_, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            const int client = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            ++requests_;
            char request[4096];
            [[maybe_unused]] const ssize_t ignored = ::read(client, request, sizeof request);
            const std::string reply =
                "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                std::to_string(body_.size()) + "\r\n\r\n" + body_;
            [[maybe_unused]] const ssize_t sent = ::write(client, reply.data(), reply.size());
            ::close(client);
        }
    }

    std::string body_;
    int socket_ = -1;
    int port_ = 0;
    std::atomic<int> requests_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

platform::RgbImage filled(testdecks::Rgb colour) {
    platform::RgbImage image{64, 64, {}};
    for (int i = 0; i < image.width * image.height; ++i)
        image.pixels.insert(image.pixels.end(), colour.begin(), colour.end());
    return image;
}

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A drawing of one blue square, as a document of its own.
std::string makeBlueDrawing(const std::string& dir) {
    const std::string flat = dir + "/drawing.fodg";
    std::ofstream(flat) << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.graphics">
 <office:automatic-styles>
  <style:style style:name="blue" style:family="graphic">
   <style:graphic-properties draw:fill="solid" draw:fill-color="#0000ff" draw:stroke="none"/>
  </style:style>
 </office:automatic-styles>
 <office:body><office:drawing><draw:page draw:name="p1">
  <draw:rect draw:style-name="blue" svg:x="0cm" svg:y="0cm" svg:width="10cm" svg:height="10cm"/>
 </draw:page></office:drawing></office:body>
</office:document>
)";
    return testdecks::convertToPpt({flat}, dir + "/drawing", "odg").front();
}

// One slide with an image linked over HTTP, one linked to a local file outside the deck, an
// object linked over HTTP and one linked to a local document; each 4 cm square, side by side
// from (1 cm, 1 cm).
void writeLinkingDeck(const std::string& path, int port, const std::string& localImage,
                      const std::string& localObject) {
    std::string prologue = testdecks::FodpPrologue;
    const std::string root = "<office:document ";
    prologue.replace(prologue.find(root), root.size(),
                     root + "xmlns:xlink=\"http://www.w3.org/1999/xlink\" ");
    const std::string server = "http://127.0.0.1:" + std::to_string(port);
    const auto frame = [](int left, const std::string& element, const std::string& url) {
        return "    <draw:frame svg:x=\"" + std::to_string(left) +
               "cm\" svg:y=\"1cm\" svg:width=\"4cm\" svg:height=\"4cm\"><draw:" + element +
               " xlink:href=\"" + url +
               "\" xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\"/>"
               "</draw:frame>\n";
    };
    std::ofstream(path) << prologue << testdecks::FodpBodyStart
                        << "   <draw:page draw:name=\"slide1\" draw:master-page-name=\"Default\">\n"
                        << frame(1, "image", server + "/remote.png")
                        << frame(6, "image", "file://" + localImage)
                        << frame(11, "object", server + "/obj.odg")
                        << frame(16, "object", "file://" + localObject)
                        << "   </draw:page>\n  </office:presentation>\n </office:body>\n"
                           "</office:document>\n";
}

// The share of the 4 cm square at `leftCm` on a 960-pixel-wide slide image that has `colour`.
double shareOf(const platform::RgbImage& image, int leftCm, testdecks::Rgb colour) {
    const double pixelsPerCm = image.width / 25.4;
    const int left = static_cast<int>((leftCm + 0.5) * pixelsPerCm);
    const int top = static_cast<int>(1.5 * pixelsPerCm), size = static_cast<int>(3 * pixelsPerCm);
    int matching = 0;
    for (int y = top; y < top + size; ++y)
        for (int x = left; x < left + size; ++x)
            matching += testdecks::near(image.at(x, y), colour, 30);
    return static_cast<double>(matching) / (size * size);
}

TEST(UntrustedDeck, NothingItLinksToIsFetchedOrDrawn) {
    officetest::useScratchRoot();
    const std::string dir = testdecks::makeTempDir("untrusted");
    constexpr testdecks::Rgb Red{255, 0, 0}, Green{0, 255, 0}, Blue{0, 0, 255};
    const std::string secret = dir + "/outside_secret.png";
    platform::writePng(filled(Green), secret);
    platform::writePng(filled(Red), dir + "/remote.png");
    LinkServer server(bytesOf(dir + "/remote.png"));
    const std::string flat = dir + "/linking.fodp";
    writeLinkingDeck(flat, server.port(), secret, makeBlueDrawing(dir));
    // As LibreOffice saves such a deck: the port refuses while it does, so the links stay links.
    const std::string ppt = testdecks::convertToPpt({flat}, dir + "/ppt").front();
    server.start();

    for (const std::string& deck : {flat, ppt}) {
        SCOPED_TRACE(deck);
        const std::string images = testdecks::makeTempDir("images");
        for (const std::string way : {"", " /s:1"}) {
            SCOPED_TRACE(way);
            const testapp::ProgramRun run =
                testapp::runProgram("--format=png \"" + deck + "\" /d:" + images + way, dir);

            ASSERT_EQ(run.exitCode, 0) << run.errors;
            const platform::RgbImage slide = platform::readImage(images + "/linking_1.png");
            EXPECT_LT(shareOf(slide, 1, Red), 0.3) << "the image on the network was drawn";
            EXPECT_LT(shareOf(slide, 6, Green), 0.3) << "the local image was drawn";
            EXPECT_LT(shareOf(slide, 16, Blue), 0.3) << "the local document was drawn";
        }
        fs::remove_all(images);
    }
    EXPECT_EQ(server.requests(), 0);
    officetest::expectNoOfficeLeft();
    officetest::removeScratchRoot();
}

}  // namespace
