#include "platform/images/ImageFiles.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/OwnedFolder.h"
#include "platform/images/QtPixels.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

void checkImage(const RgbImage& image, const std::string& path) {
    if (image.empty() ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3)
        throw ImageError("Cannot write \"" + path + "\": the image is empty or inconsistent");
}

// The file-creation mask, read without changing it (umask() would, for every thread).
mode_t processUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    return 022;
}

// A temporary file for the target; rename() moves it into place, and the destructor removes it
// when the write did not get that far. It lies in a staging folder of its own beside the target,
// locked while this run lives, so that what a killed run was writing is reclaimed by a later run
// (and a long target name still leaves room for the temporary one); inside a staging folder
// already, it lies beside the target.
class TempFile {
  public:
    explicit TempFile(const std::string& target) : target_(target) {
        const fs::path parent = fs::path(target).parent_path();
        const std::string directory = parent.empty() ? "." : parent.string();
        if (OwnedFolder::holdsOurMarker(directory)) {
            openBesideTarget();
            return;
        }
        try {
            folder_ = std::make_unique<OwnedFolder>(directory, StagingPrefix);
        } catch (const std::system_error& error) {
            fail(std::strerror(error.code().value()));
        }
        path_ = folder_->path() + "/" + StagingImageName;
        // As readable as any file the user makes: the file-creation mask applies.
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0)
            fail(std::strerror(errno));
    }
    ~TempFile() {
        if (file_)
            std::fclose(file_);
        else if (fd_ >= 0)
            ::close(fd_);
        if (!committed_)
            ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    FILE* stream() {
        if (!file_) {
            file_ = ::fdopen(fd_, "wb");
            if (!file_)
                fail(std::strerror(errno));
        }
        return file_;
    }
    // Hands the descriptor to a library that closes it itself.
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void commit() {
        if (file_) {
            const bool bad = std::ferror(file_) != 0;
            const int closed = std::fclose(file_);
            file_ = nullptr;
            fd_ = -1;
            if (bad || closed != 0)
                fail("write error");
        } else if (fd_ >= 0) {
            const int closed = ::close(fd_);
            fd_ = -1;
            if (closed != 0)
                fail(std::strerror(errno));
        }
        if (std::rename(path_.c_str(), target_.c_str()) != 0)
            fail(std::strerror(errno));
        committed_ = true;
    }
    [[noreturn]] void fail(const std::string& why) const {
        throw ImageError("Cannot write \"" + target_ + "\": " + why);
    }

  private:
    void openBesideTarget() {
        std::vector<char> name(target_.begin(), target_.end());
        const char suffix[] = ".tmp-XXXXXX";
        name.insert(name.end(), suffix, suffix + sizeof suffix);
        fd_ = ::mkstemp(name.data());
        if (fd_ < 0)
            fail(std::strerror(errno));
        path_ = name.data();
        // mkstemp makes the file private; an image is as readable as any file the user makes.
        if (::fchmod(fd_, 0666 & ~processUmask()) != 0)
            fail(std::strerror(errno));
    }

    std::unique_ptr<OwnedFolder> folder_;
    std::string target_, path_;
    int fd_ = -1;
    FILE* file_ = nullptr;
    bool committed_ = false;
};

struct JpegErrors {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegFail(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void putLe16(std::vector<std::uint8_t>& out, std::size_t at, unsigned value) {
    out[at] = value & 0xff;
    out[at + 1] = (value >> 8) & 0xff;
}
void putLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = (value >> (8 * i)) & 0xff;
}

}  // namespace

void writeJpeg(const RgbImage& image, const std::string& path) {
    checkImage(image, path);
    TempFile temp(path);
    FILE* out = temp.stream();
    jpeg_compress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.mgr);
    errors.mgr.error_exit = jpegFail;
    // Nothing with a destructor lives between setjmp and the libjpeg calls.
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        temp.fail(errors.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(image.pixels.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    temp.commit();
}

void writeBmp(const RgbImage& image, const std::string& path) {
    checkImage(image, path);
    // Bottom-up rows of B, G, R, each padded to a multiple of four bytes.
    const std::size_t rowBytes = (static_cast<std::size_t>(image.width) * 3 + 3) & ~std::size_t{3};
    const std::size_t dataBytes = rowBytes * image.height;
    const std::size_t headerBytes = 14 + 40;
    if (headerBytes + dataBytes > 0xffffffffu)
        throw ImageError("Cannot write \"" + path + "\": the image is too large for a bitmap");
    std::vector<std::uint8_t> out(headerBytes + dataBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    putLe32(out, 2, static_cast<std::uint32_t>(out.size()));
    putLe32(out, 10, static_cast<std::uint32_t>(headerBytes));
    putLe32(out, 14, 40);
    putLe32(out, 18, static_cast<std::uint32_t>(image.width));
    putLe32(out, 22, static_cast<std::uint32_t>(image.height));
    putLe16(out, 26, 1);   // planes
    putLe16(out, 28, 24);  // bits per pixel
    putLe32(out, 30, 0);   // BI_RGB
    putLe32(out, 34, static_cast<std::uint32_t>(dataBytes));
    putLe32(out, 38, 3780);  // 96 ppi in pixels per metre
    putLe32(out, 42, 3780);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* src =
            image.pixels.data() + static_cast<std::size_t>(y) * image.width * 3;
        std::uint8_t* dst = out.data() + headerBytes + (image.height - 1 - y) * rowBytes;
        for (int x = 0; x < image.width; ++x) {
            dst[x * 3] = src[x * 3 + 2];
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3];
        }
    }
    TempFile temp(path);
    FILE* stream = temp.stream();
    if (std::fwrite(out.data(), 1, out.size(), stream) != out.size())
        temp.fail("write error");
    temp.commit();
}

void writeGif(const RgbImage& image, const std::string& path) {
    checkImage(image, path);
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    std::vector<GifByteType> red(count), green(count), blue(count), indices(count);
    for (std::size_t i = 0; i < count; ++i) {
        red[i] = image.pixels[i * 3];
        green[i] = image.pixels[i * 3 + 1];
        blue[i] = image.pixels[i * 3 + 2];
    }
    int colours = 256;
    std::vector<GifColorType> palette(256);
    if (GifQuantizeBuffer(image.width, image.height, &colours, red.data(), green.data(),
                          blue.data(), indices.data(), palette.data()) == GIF_ERROR)
        throw ImageError("Cannot write \"" + path + "\": the colours could not be reduced");

    TempFile temp(path);
    int error = 0;
    GifFileType* gif = EGifOpenFileHandle(temp.release(), &error);
    if (!gif)
        temp.fail(GifErrorString(error));
    ColorMapObject* map = GifMakeMapObject(256, palette.data());
    bool ok = map != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, image.width, image.height, 8, 0, map) != GIF_ERROR &&
             EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) != GIF_ERROR;
        for (int y = 0; ok && y < image.height; ++y)
            ok = EGifPutLine(gif, indices.data() + static_cast<std::size_t>(y) * image.width,
                             image.width) != GIF_ERROR;
    }
    const int writeError = gif->Error;
    GifFreeMapObject(map);
    int closeError = 0;
    const bool closed = EGifCloseFile(gif, &closeError) != GIF_ERROR;
    if (!ok)
        temp.fail(GifErrorString(writeError ? writeError : E_GIF_ERR_NOT_ENOUGH_MEM));
    if (!closed)
        temp.fail(GifErrorString(closeError));
    temp.commit();
}

void writePng(const RgbImage& image, const std::string& path) {
    checkImage(image, path);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    TempFile temp(path);
    const bool written =
        png_image_write_to_stdio(&png, temp.stream(), 0, image.pixels.data(), 0, nullptr) != 0;
    const std::string why = png.message;
    png_image_free(&png);
    if (!written)
        temp.fail(why);
    temp.commit();
}

void giveUsualPermissions(const std::string& path) {
    ::chmod(path.c_str(), 0666 & ~processUmask());
}

RgbImage readImage(const std::string& path) {
    // Read by its bytes: a name that is not UTF-8 would not survive the way through QString.
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    QImage loaded;
    if (!in.good() && !in.eof())
        throw ImageError("Cannot read the image \"" + path + "\"");
    if (!loaded.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                             static_cast<int>(bytes.size())))
        throw ImageError("Cannot read the image \"" + path + "\"");
    return FromQImage(loaded);
}

}  // namespace platform
