#include "platform/images/ImageFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace fs = std::filesystem;
using platform::RgbImage;

namespace {

// Four coloured quadrants: a picture whose every region is easy to check after a round trip.
RgbImage quadrants(int width, int height) {
    RgbImage image{width, height, {}};
    image.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = right ? 220 : 20;
            p[1] = bottom ? 200 : 40;
            p[2] = (right != bottom) ? 180 : 60;
        }
    return image;
}

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t le32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    return v;
}

class ImageFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/deckshot-images-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    // Only the named files: no temporary file is ever left behind.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};

struct WriterCase {
    const char* name;
    std::function<void(const RgbImage&, const std::string&)> write;
    int tolerance;  // JPEG is lossy, GIF keeps 5 bits per primary
};

const WriterCase writers[] = {
    {"jpg", platform::writeJpeg, 12},
    {"bmp", platform::writeBmp, 0},
    {"gif", platform::writeGif, 8},
    {"png", platform::writePng, 0},
};

TEST_F(ImageFilesTest, EveryWriterRoundTripsSizeAndColoursIncludingOddWidths) {
    for (const auto& c : writers)
        for (auto [w, h] : {std::pair{64, 48}, std::pair{33, 17}, std::pair{1, 1}}) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(w) + "x" + std::to_string(h));
            const RgbImage original = quadrants(w, h);
            const std::string path = dir / ("image." + std::string(c.name));
            c.write(original, path);
            const RgbImage back = platform::readImage(path);
            ASSERT_EQ(back.width, w);
            ASSERT_EQ(back.height, h);
            // Centres of the quadrants, away from JPEG's edge ringing.
            for (auto [x, y] : {std::pair{w / 4, h / 4}, std::pair{3 * w / 4, h / 4},
                                std::pair{w / 4, 3 * h / 4}, std::pair{3 * w / 4, 3 * h / 4}}) {
                const auto want = original.at(x, y), got = back.at(x, y);
                for (int k = 0; k < 3; ++k)
                    EXPECT_LE(std::abs(int(want[k]) - int(got[k])), c.tolerance)
                        << "pixel " << x << "," << y << " channel " << k;
            }
            EXPECT_EQ(entries(), std::vector<std::string>{"image." + std::string(c.name)});
            fs::remove(path);
        }
}

TEST_F(ImageFilesTest, JpegIsBaselineThreeComponentAtQualityNinety) {
    const std::string path = dir / "a.jpg";
    platform::writeJpeg(quadrants(40, 30), path);
    const std::string s = bytesOf(path);
    const auto sof0 = s.find("\xff\xc0", 0);
    ASSERT_NE(sof0, std::string::npos) << "no baseline frame header";
    EXPECT_EQ(s.find("\xff\xc2"), std::string::npos) << "progressive frame header";
    EXPECT_EQ(static_cast<unsigned char>(s[sof0 + 9]), 3) << "component count";
    // Quality 90 scales the first luminance table entry (16) to 3.
    const auto dqt = s.find("\xff\xdb");
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(s[dqt + 5]), 3);
}

TEST_F(ImageFilesTest, BmpHeadersDescribeTheFileExactly) {
    for (int w : {4, 5, 6, 7}) {
        SCOPED_TRACE(w);
        const std::string path = dir / "a.bmp";
        platform::writeBmp(quadrants(w, 3), path);
        const std::string s = bytesOf(path);
        const std::size_t row = (w * 3 + 3) / 4 * 4;
        EXPECT_EQ(s.substr(0, 2), "BM");
        EXPECT_EQ(le32(s, 2), s.size()) << "file size field";
        EXPECT_EQ(le32(s, 10), 54u) << "pixel data offset";
        EXPECT_EQ(le32(s, 14), 40u) << "info header size";
        EXPECT_EQ(le32(s, 18), static_cast<std::uint32_t>(w));
        EXPECT_EQ(le32(s, 22), 3u);
        EXPECT_EQ(static_cast<unsigned char>(s[28]), 24) << "bits per pixel";
        EXPECT_EQ(le32(s, 34), row * 3) << "image size field";
        EXPECT_EQ(s.size(), 54 + row * 3);
        // First stored row is the bottom one, stored blue first: bottom-left quadrant.
        const auto bottomLeft = quadrants(w, 3).at(0, 2);
        EXPECT_EQ(static_cast<unsigned char>(s[54]), bottomLeft[2]);
        EXPECT_EQ(static_cast<unsigned char>(s[56]), bottomLeft[0]);
    }
}

TEST_F(ImageFilesTest, GifHasAtMost256ColoursAndAGlobalPalette) {
    RgbImage ramp{300, 200, {}};
    ramp.pixels.resize(300 * 200 * 3);
    for (std::size_t i = 0; i < ramp.pixels.size(); ++i) ramp.pixels[i] = (i * 7) % 256;
    const std::string path = dir / "ramp.gif";
    platform::writeGif(ramp, path);
    const std::string s = bytesOf(path);
    ASSERT_GE(s.size(), 13u);
    EXPECT_EQ(s.substr(0, 6), "GIF89a");
    EXPECT_TRUE(static_cast<unsigned char>(s[10]) & 0x80) << "global colour table";
    EXPECT_EQ(platform::readImage(path).width, 300);
}

TEST_F(ImageFilesTest, FailuresThrowNameTheFileAndLeaveNothing) {
    const RgbImage good = quadrants(8, 8);
    RgbImage inconsistent = good;
    inconsistent.pixels.pop_back();
    for (const auto& c : writers) {
        SCOPED_TRACE(c.name);
        const std::string missingDir = dir / "no-such-dir" / "x.img";
        try {
            c.write(good, missingDir);
            ADD_FAILURE() << "no error";
        } catch (const platform::ImageError& e) {
            EXPECT_NE(std::string(e.what()).find(missingDir), std::string::npos) << e.what();
        }
        EXPECT_THROW(c.write(RgbImage{}, dir / "empty.img"), platform::ImageError);
        EXPECT_THROW(c.write(inconsistent, dir / "short.img"), platform::ImageError);
        EXPECT_TRUE(entries().empty());
    }
}

TEST_F(ImageFilesTest, AnExistingFileIsReplacedWhole) {
    for (const auto& c : writers) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "same.img";
        std::ofstream(path) << std::string(1 << 20, 'x');
        c.write(quadrants(16, 16), path);
        EXPECT_EQ(platform::readImage(path).width, 16);
        EXPECT_LT(fs::file_size(path), 1u << 20);
        EXPECT_EQ(entries(), std::vector<std::string>{"same.img"});
        fs::remove(path);
    }
}

// The temporary file must not need a longer name than the image itself.
TEST_F(ImageFilesTest, ANameOfTheLongestLengthIsWritten) {
    const long longest = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    ASSERT_GT(longest, 4);
    for (const auto& c : writers) {
        SCOPED_TRACE(c.name);
        const std::string name = std::string(longest - 4, 'n') + "." + c.name;
        c.write(quadrants(8, 8), dir / name);
        EXPECT_EQ(entries(), std::vector<std::string>{name});
        fs::remove(dir / name);
    }
}

TEST_F(ImageFilesTest, ImagesAreAsReadableAsTheFileCreationMaskAllows) {
    const struct {
        mode_t mask;
        fs::perms expected;
    } cases[] = {
        {022, fs::perms(0644)},
        {077, fs::perms(0600)},
        {002, fs::perms(0664)},
    };
    for (const auto& c : writers)
        for (const auto& m : cases) {
            SCOPED_TRACE(std::string(c.name) + " umask " + std::to_string(m.mask));
            const mode_t previous = ::umask(m.mask);
            const std::string path = dir / ("image." + std::string(c.name));
            c.write(quadrants(8, 8), path);
            ::umask(previous);
            EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, m.expected);
            fs::remove(path);
        }
}

TEST_F(ImageFilesTest, ReadingANonImageThrows) {
    std::ofstream(dir / "text.png") << "not a picture";
    EXPECT_THROW(platform::readImage(dir / "text.png"), platform::ImageError);
    EXPECT_THROW(platform::readImage(dir / "absent.png"), platform::ImageError);
}

}  // namespace
