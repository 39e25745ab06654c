#include "platform/x11/ScreenGrab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/x11/XErrorGuard.h"

namespace platform {
namespace {

// One channel of a pixel value: where it sits and what each of its values is worth in 8 bits.
struct Channel {
    int shift = 0;
    std::uint32_t max = 0;
    std::vector<std::uint8_t> scale;

    std::uint8_t of(std::uint32_t pixel) const { return scale[(pixel >> shift) & max]; }
};

Channel channelOf(std::uint32_t mask, int bitsPerPixel, const char* name) {
    const std::string what = std::string("the ") + name + " mask of the pixel layout";
    if (mask == 0)
        throw std::invalid_argument(what + " is empty");
    if (bitsPerPixel < 32 && (mask >> bitsPerPixel) != 0)
        throw std::invalid_argument(what + " lies outside the pixel");
    Channel c;
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
    if ((c.max & (c.max + 1)) != 0)
        throw std::invalid_argument(what + " is not one run of bits");
    if (std::popcount(c.max) > 16)
        throw std::invalid_argument(what + " is wider than 16 bits");
    c.scale.resize(c.max + 1);
    for (std::uint32_t v = 0; v <= c.max; ++v)
        c.scale[v] = static_cast<std::uint8_t>((v * 255u + c.max / 2) / c.max);
    return c;
}

// The byte of a pixel that holds an 8-bit channel, or -1 when the channel is not such a byte.
int byteOf(const Channel& c, int bytesPerPixel, bool mostSignificantFirst) {
    if (c.max != 0xff || c.shift % 8 != 0)
        return -1;
    const int fromLow = c.shift / 8;
    return mostSignificantFirst ? bytesPerPixel - 1 - fromLow : fromLow;
}

std::string displayText(const char* displayName) {
    return std::string("\"") + XDisplayName(displayName) + "\"";
}

}  // namespace

RgbImage convertPixels(const std::uint8_t* data, int width, int height, int bytesPerLine,
                       const PixelLayout& layout) {
    const int bpp = layout.bitsPerPixel;
    if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        throw std::invalid_argument("pixels of " + std::to_string(bpp) + " bits are not supported");
    if (width < 0 || height < 0)
        throw std::invalid_argument("negative image size");
    const int bytesPerPixel = bpp / 8;
    if (bytesPerLine < width * bytesPerPixel)
        throw std::invalid_argument("rows shorter than their pixels");
    const Channel red = channelOf(layout.redMask, bpp, "red");
    const Channel green = channelOf(layout.greenMask, bpp, "green");
    const Channel blue = channelOf(layout.blueMask, bpp, "blue");

    RgbImage out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    std::uint8_t* to = out.pixels.data();

    const bool msb = layout.mostSignificantFirst;
    const int r = byteOf(red, bytesPerPixel, msb);
    const int g = byteOf(green, bytesPerPixel, msb);
    const int b = byteOf(blue, bytesPerPixel, msb);
    if (r >= 0 && g >= 0 && b >= 0) {
        // The usual 24- and 32-bit screens: every channel is a byte of its own, copied as is.
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* from = data + static_cast<std::size_t>(y) * bytesPerLine;
            for (int x = 0; x < width; ++x, from += bytesPerPixel, to += 3) {
                to[0] = from[r];
                to[1] = from[g];
                to[2] = from[b];
            }
        }
        return out;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = data + static_cast<std::size_t>(y) * bytesPerLine;
        for (int x = 0; x < width; ++x, from += bytesPerPixel, to += 3) {
            std::uint32_t pixel = 0;
            for (int i = 0; i < bytesPerPixel; ++i) {
                const int at = msb ? i : bytesPerPixel - 1 - i;
                pixel = (pixel << 8) | from[at];
            }
            to[0] = red.of(pixel);
            to[1] = green.of(pixel);
            to[2] = blue.of(pixel);
        }
    }
    return out;
}

namespace {

// The screen's pixels through memory shared with the X server, when it offers that (a server
// on this machine): no copy of the whole screen through the socket for each grab.
class SharedImage {
  public:
    explicit SharedImage(Display* display) : display_(display) {}
    ~SharedImage() { release(); }
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;

    // The root window's pixels, or null when the server cannot share them.
    XImage* grab(unsigned width, unsigned height) {
        if (unusable_)
            return nullptr;
        if (image_ == nullptr || image_->width != static_cast<int>(width) ||
            image_->height != static_cast<int>(height)) {
            release();
            if (!attach(width, height)) {
                release();
                unusable_ = true;
                return nullptr;
            }
        }
        x11::XErrorGuard errors(display_);
        const bool got =
            XShmGetImage(display_, DefaultRootWindow(display_), image_, 0, 0, AllPlanes) != 0;
        return got && errors.lastError() == 0 ? image_ : nullptr;
    }

  private:
    bool attach(unsigned width, unsigned height) {
        if (XShmQueryExtension(display_) == 0)
            return false;
        const int screen = DefaultScreen(display_);
        image_ = XShmCreateImage(display_, DefaultVisual(display_, screen),
                                 static_cast<unsigned>(DefaultDepth(display_, screen)), ZPixmap,
                                 nullptr, &segment_, width, height);
        if (image_ == nullptr)
            return false;
        segment_.shmid =
            ::shmget(IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line) * height,
                     IPC_CREAT | 0600);
        if (segment_.shmid < 0)
            return false;
        segment_.shmaddr = image_->data = static_cast<char*>(::shmat(segment_.shmid, nullptr, 0));
        if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
            segment_.shmaddr = image_->data = nullptr;
            return false;
        }
        segment_.readOnly = False;
        x11::XErrorGuard errors(display_);
        attached_ = XShmAttach(display_, &segment_) != 0;
        XSync(display_, False);
        attached_ = attached_ && errors.lastError() == 0;
        // The server has attached it or never will: the segment goes once the last side
        // detaches, also when this process is killed.
        ::shmctl(segment_.shmid, IPC_RMID, nullptr);
        return attached_;
    }

    void release() {
        if (attached_) {
            const x11::XErrorGuard errors(display_);
            XShmDetach(display_, &segment_);
            XSync(display_, False);
        }
        attached_ = false;
        if (segment_.shmaddr != nullptr)
            ::shmdt(segment_.shmaddr);
        if (segment_.shmid >= 0)
            ::shmctl(segment_.shmid, IPC_RMID, nullptr);
        segment_ = {};
        segment_.shmid = -1;
        if (image_ != nullptr) {
            image_->data = nullptr;
            XDestroyImage(image_);
        }
        image_ = nullptr;
    }

    Display* display_;
    XShmSegmentInfo segment_{0, -1, nullptr, False};
    XImage* image_ = nullptr;
    bool attached_ = false;
    bool unusable_ = false;
};

PixelLayout layoutOf(const XImage& image) {
    PixelLayout layout;
    layout.bitsPerPixel = image.bits_per_pixel;
    layout.mostSignificantFirst = image.byte_order == MSBFirst;
    layout.redMask = static_cast<std::uint32_t>(image.red_mask);
    layout.greenMask = static_cast<std::uint32_t>(image.green_mask);
    layout.blueMask = static_cast<std::uint32_t>(image.blue_mask);
    return layout;
}

}  // namespace

struct ScreenGrabber::Impl {
    Display* display = nullptr;
    std::string name;
    std::unique_ptr<SharedImage> shared;
    bool lost = false;  // the server ended
};

ScreenGrabber::ScreenGrabber(const char* displayName) : impl_(std::make_unique<Impl>()) {
    impl_->name = displayText(displayName);
    impl_->display = XOpenDisplay(displayName);
    if (impl_->display == nullptr)
        throw std::runtime_error("cannot open the X display " + impl_->name +
                                 " to grab the screen");
    x11::keepProcessOnLoss(impl_->display, impl_->lost);
    impl_->shared = std::make_unique<SharedImage>(impl_->display);
    const Visual* visual = DefaultVisual(impl_->display, DefaultScreen(impl_->display));
    if (visual->c_class != TrueColor) {
        const int depth = DefaultDepth(impl_->display, DefaultScreen(impl_->display));
        XCloseDisplay(impl_->display);
        throw std::runtime_error("cannot grab the screen of X display " + impl_->name +
                                 ": its visual (depth " + std::to_string(depth) +
                                 ") is not TrueColor");
    }
}

ScreenGrabber::~ScreenGrabber() {
    impl_->shared.reset();
    XCloseDisplay(impl_->display);
}

RgbImage ScreenGrabber::grab() {
    Display* display = impl_->display;
    const Window root = DefaultRootWindow(display);
    // Asked each time: the screen may have been resized since the connection was opened.
    Window ignoredRoot = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(display, root, &ignoredRoot, &x, &y, &width, &height, &border, &depth);
    if (impl_->lost)
        throw ScreenLost("the X server of " + impl_->name + " has ended");

    if (const XImage* shared = impl_->shared->grab(width, height))
        return readImage(*shared);
    // XGetImage reports a refusal through the error handler, which by default ends the process.
    XImage* image = nullptr;
    int refusal = 0;
    {
        x11::XErrorGuard errors(display);
        image = XGetImage(display, root, 0, 0, width, height, AllPlanes, ZPixmap);
        refusal = errors.lastError();
    }
    if (image == nullptr || refusal != 0) {
        if (image != nullptr)
            XDestroyImage(image);
        throw std::runtime_error("the X server refused the image of the screen of " + impl_->name +
                                 " (X error " + std::to_string(refusal) + ")");
    }
    try {
        RgbImage result = readImage(*image);
        XDestroyImage(image);
        return result;
    } catch (...) {
        XDestroyImage(image);
        throw;
    }
}

RgbImage ScreenGrabber::readImage(const XImage& image) const {
    try {
        return convertPixels(reinterpret_cast<const std::uint8_t*>(image.data), image.width,
                             image.height, image.bytes_per_line, layoutOf(image));
    } catch (const std::invalid_argument& e) {
        throw std::runtime_error("cannot read the screen image of " + impl_->name + ": " +
                                 e.what());
    }
}

bool ScreenGrabber::serverGone() {
    XSync(impl_->display, False);
    return impl_->lost;
}

RgbImage grabScreen(const char* displayName) {
    return ScreenGrabber(displayName).grab();
}

}  // namespace platform
