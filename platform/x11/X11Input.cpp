#include "platform/x11/X11Input.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/VirtualKeys.h"
#include "platform/x11/WindowManager.h"
#include "platform/x11/XErrorGuard.h"

namespace platform {
namespace {

// Virtual keys and the keysyms of their keys on a US keyboard. Where two virtual keys share a
// keysym, the first is the one characterToKeyCode reports.
const std::vector<std::pair<std::uint8_t, KeySym>>& virtualKeySyms() {
    static const std::vector<std::pair<std::uint8_t, KeySym>> table = [] {
        std::vector<std::pair<std::uint8_t, KeySym>> t = {
            {0x03, XK_Break},       {0x08, XK_BackSpace},    {0x09, XK_Tab},
            {0x0C, XK_Clear},       {0x0D, XK_Return},       {0x10, XK_Shift_L},
            {0x11, XK_Control_L},   {0x12, XK_Alt_L},        {0x13, XK_Pause},
            {0x14, XK_Caps_Lock},   {0x1B, XK_Escape},       {0x20, XK_space},
            {0x21, XK_Prior},       {0x22, XK_Next},         {0x23, XK_End},
            {0x24, XK_Home},        {0x25, XK_Left},         {0x26, XK_Up},
            {0x27, XK_Right},       {0x28, XK_Down},         {0x29, XK_Select},
            {0x2B, XK_Execute},     {0x2C, XK_Print},        {0x2D, XK_Insert},
            {0x2E, XK_Delete},      {0x2F, XK_Help},         {0x5B, XK_Super_L},
            {0x5C, XK_Super_R},     {0x5D, XK_Menu},         {0x6A, XK_KP_Multiply},
            {0x6B, XK_KP_Add},      {0x6C, XK_KP_Separator}, {0x6D, XK_KP_Subtract},
            {0x6E, XK_KP_Decimal},  {0x6F, XK_KP_Divide},    {0x90, XK_Num_Lock},
            {0x91, XK_Scroll_Lock}, {0xA0, XK_Shift_L},      {0xA1, XK_Shift_R},
            {0xA2, XK_Control_L},   {0xA3, XK_Control_R},    {0xA4, XK_Alt_L},
            {0xA5, XK_Alt_R},       {0xBA, XK_semicolon},    {0xBB, XK_equal},
            {0xBC, XK_comma},       {0xBD, XK_minus},        {0xBE, XK_period},
            {0xBF, XK_slash},       {0xC0, XK_grave},        {0xDB, XK_bracketleft},
            {0xDC, XK_backslash},   {0xDD, XK_bracketright}, {0xDE, XK_apostrophe},
            {0xE2, XK_less}};
        for (std::uint8_t d = 0; d < 10; ++d) {
            t.emplace_back(static_cast<std::uint8_t>('0' + d), XK_0 + d);
            t.emplace_back(static_cast<std::uint8_t>(0x60 + d), XK_KP_0 + d);
        }
        for (std::uint8_t l = 0; l < 26; ++l) {
            t.emplace_back(static_cast<std::uint8_t>('A' + l), XK_a + l);
        }
        for (std::uint8_t f = 0; f < 24; ++f) {
            t.emplace_back(static_cast<std::uint8_t>(0x70 + f), XK_F1 + f);
        }
        return t;
    }();
    return table;
}

KeySym keysymOf(std::uint32_t virtualKey) {
    for (const auto& [vk, sym] : virtualKeySyms()) {
        if (vk == virtualKey)
            return sym;
    }
    return NoSymbol;
}

std::uint8_t virtualKeyOf(KeySym sym) {
    for (const auto& [vk, s] : virtualKeySyms()) {
        if (s == sym)
            return vk;
    }
    return 0;
}

// Linux evdev codes of the keys whose PC set 1 scan code (without its E0 prefix) differs.
std::uint32_t set1ScanCode(std::uint32_t evdev) {
    static const std::map<std::uint32_t, std::uint32_t> differing = {
        {96, 0x1C},  {97, 0x1D},  {98, 0x35},  {99, 0x54},  {100, 0x38}, {102, 0x47},
        {103, 0x48}, {104, 0x49}, {105, 0x4B}, {106, 0x4D}, {107, 0x4F}, {108, 0x50},
        {109, 0x51}, {110, 0x52}, {111, 0x53}, {125, 0x5B}, {126, 0x5C}, {127, 0x5D}};
    const auto found = differing.find(evdev);
    return found == differing.end() ? evdev : found->second;
}

}  // namespace

struct X11Input::Impl {
    Display* display = nullptr;
    bool lost = false;  // the server ended: calls fail quietly from then on
    std::function<void()> printScreen;
    unsigned heldButtons = 0;  // bit per X button that this connection holds down

    KeyCode keycodeOf(std::uint32_t virtualKey) const {
        const KeySym sym = keysymOf(virtualKey);
        return sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
    }

    void sync() const { XSync(display, False); }

    void button(unsigned number, bool press) {
        const unsigned bit = 1u << number;
        // A second press of a held button would confuse X clients; one press is what counts.
        if (press && (heldButtons & bit) != 0)
            return;
        XTestFakeButtonEvent(display, number, press ? True : False, CurrentTime);
        heldButtons = press ? (heldButtons | bit) : (heldButtons & ~bit);
        sync();
    }

    unsigned modifierMask(KeySym sym) const { return XkbKeysymToModifiers(display, sym); }

    unsigned lockedModifiers() const {
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        return state.locked_mods;
    }

    bool scrollLockOn() const {
        Atom name = XInternAtom(display, "Scroll Lock", False);
        Bool on = False;
        XkbGetNamedIndicator(display, name, nullptr, &on, nullptr, nullptr);
        return on == True;
    }

    void maximize(Window window, bool on) {
        x11::changeWindowState(display, window, on, "_NET_WM_STATE_MAXIMIZED_VERT",
                               "_NET_WM_STATE_MAXIMIZED_HORZ", x11::RequestSource::Application);
    }
};

X11Input::X11Input(const char* displayName) : impl_(std::make_unique<Impl>()) {
    impl_->display = XOpenDisplay(displayName);
    if (impl_->display == nullptr)
        throw std::runtime_error("cannot open the X display");
    x11::keepProcessOnLoss(impl_->display, impl_->lost);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(impl_->display, &event, &error, &major, &minor)) {
        XCloseDisplay(impl_->display);
        throw std::runtime_error("the X display has no XTest extension");
    }
    int opcode = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (!XkbQueryExtension(impl_->display, &opcode, &event, &error, &major, &minor)) {
        XCloseDisplay(impl_->display);
        throw std::runtime_error("the X display has no XKB extension");
    }
}

X11Input::~X11Input() {
    // Let go of any button a key string left down, so the pointer is not stuck after us.
    for (unsigned number = 1; number <= 3; ++number) {
        if ((impl_->heldButtons & (1u << number)) != 0)
            impl_->button(number, false);
    }
    XCloseDisplay(impl_->display);
}

void X11Input::setPrintScreenHandler(std::function<void()> handler) {
    impl_->printScreen = std::move(handler);
}

void X11Input::keyEvent(std::uint8_t virtualKey, std::uint8_t, std::uint32_t flags) {
    // The extended flag has no X counterpart: the keysym already names the exact key.
    const bool up = (flags & KeyUpFlag) != 0;
    // Print Screen is ours: desktops bind the Print key to their own screenshot tool, which
    // would open over the slide show. The key never reaches the X server.
    if (virtualKey == VkSnapshot) {
        if (up && impl_->printScreen)
            impl_->printScreen();
        return;
    }
    const KeyCode keycode = impl_->keycodeOf(virtualKey);
    if (keycode != 0) {
        XTestFakeKeyEvent(impl_->display, keycode, up ? False : True, CurrentTime);
        impl_->sync();
    }
}

void X11Input::mouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) {
    // Motion first, then the buttons in flag order, as mouse_event does.
    if ((flags & 0x0001) != 0 && (dx != 0 || dy != 0)) {
        XTestFakeRelativeMotionEvent(impl_->display, dx, dy, CurrentTime);
        impl_->sync();
    }
    if ((flags & 0x0002) != 0)
        impl_->button(1, true);
    if ((flags & 0x0004) != 0)
        impl_->button(1, false);
    if ((flags & 0x0008) != 0)
        impl_->button(3, true);
    if ((flags & 0x0010) != 0)
        impl_->button(3, false);
    if ((flags & 0x0020) != 0)
        impl_->button(2, true);
    if ((flags & 0x0040) != 0)
        impl_->button(2, false);
}

void X11Input::setCursorPos(std::int32_t x, std::int32_t y) {
    XTestFakeMotionEvent(impl_->display, DefaultScreen(impl_->display), x, y, CurrentTime);
    impl_->sync();
}

std::uint32_t X11Input::virtualKeyToScanCode(std::uint32_t virtualKey) {
    const KeyCode keycode = impl_->keycodeOf(virtualKey);
    return keycode < 8 ? 0 : set1ScanCode(keycode - 8u);
}

std::uint16_t X11Input::characterToKeyCode(char character) {
    const auto c = static_cast<unsigned char>(character);
    KeySym wanted = NoSymbol;
    if ((c >= 0x20 && c <= 0x7E) || c >= 0xA0) {
        wanted = c;  // Latin-1 keysyms equal their character codes
    } else if (c == '\b') {
        wanted = XK_BackSpace;
    } else if (c == '\t') {
        wanted = XK_Tab;
    } else if (c == '\r') {
        wanted = XK_Return;
    } else if (c == 0x1B) {
        wanted = XK_Escape;
    } else if (c == '\n' || (c >= 1 && c <= 26)) {
        // Control characters come from Control with Enter (line feed) or with a letter.
        const std::uint16_t base =
            characterToKeyCode(c == '\n' ? '\r' : static_cast<char>('a' + c - 1));
        return base == 0xFFFF || (base >> 8) != 0 ? 0xFFFF
                                                  : static_cast<std::uint16_t>(0x0200 | base);
    } else {
        return 0xFFFF;
    }

    // The current map, read afresh so that a layout change is seen at once.
    int minKeycode = 0, maxKeycode = 0;
    XDisplayKeycodes(impl_->display, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    KeySym* map = XGetKeyboardMapping(impl_->display, static_cast<KeyCode>(minKeycode),
                                      maxKeycode - minKeycode + 1, &perKeycode);
    if (map == nullptr)
        return 0xFFFF;
    std::uint16_t result = 0xFFFF;
    for (int k = 0; k <= maxKeycode - minKeycode && result == 0xFFFF; ++k) {
        const KeySym* syms = map + k * perKeycode;
        for (int level = 0; level < 2 && level < perKeycode; ++level) {
            if (syms[level] != wanted)
                continue;
            const std::uint8_t vk = virtualKeyOf(syms[0]);
            if (vk != 0)
                result = static_cast<std::uint16_t>((level == 1 ? 0x0100 : 0) | vk);
            break;
        }
    }
    XFree(map);
    return result;
}

std::int16_t X11Input::keyState(std::uint8_t virtualKey) {
    const KeyboardState state = keyboardState();
    const std::uint8_t entry = state[virtualKey];
    return static_cast<std::int16_t>(((entry & 0x80) != 0 ? 0x8000 : 0) | (entry & 1));
}

KeyboardState X11Input::keyboardState() {
    KeyboardState state{};
    char keys[32] = {};
    XQueryKeymap(impl_->display, keys);
    for (const auto& [vk, sym] : virtualKeySyms()) {
        const KeyCode keycode = XKeysymToKeycode(impl_->display, sym);
        if (keycode != 0 && (keys[keycode / 8] & (1 << (keycode % 8))) != 0)
            state[vk] |= 0x80;
    }
    const unsigned locked = impl_->lockedModifiers();
    if ((locked & impl_->modifierMask(XK_Num_Lock)) != 0)
        state[VkNumLock] |= 1;
    if ((locked & LockMask) != 0)
        state[VkCapsLock] |= 1;
    if (impl_->scrollLockOn())
        state[VkScrollLock] |= 1;
    return state;
}

void X11Input::setKeyboardState(const KeyboardState& state) {
    // Only the lock toggles mean something to the X server; pressed bits are not forged.
    const unsigned locked = impl_->lockedModifiers();
    const std::pair<std::uint8_t, unsigned> locks[] = {
        {VkNumLock, impl_->modifierMask(XK_Num_Lock)}, {VkCapsLock, LockMask}};
    for (const auto& [vk, mask] : locks) {
        if (mask == 0)
            continue;
        const bool wanted = (state[vk] & 1) != 0;
        if (wanted != ((locked & mask) != 0)) {
            XkbLockModifiers(impl_->display, XkbUseCoreKbd, mask, wanted ? mask : 0);
        }
    }
    impl_->sync();
}

void X11Input::windowCommand(WindowHandle window, std::uint32_t command) {
    if (window == nullptr)
        return;
    const auto id = static_cast<Window>(reinterpret_cast<std::uintptr_t>(window));
    // A stale window id must not end the process through Xlib's default error handler.
    const x11::XErrorGuard ignored(impl_->display);
    switch (command) {
        case 0xF020:
            XIconifyWindow(impl_->display, id, DefaultScreen(impl_->display));
            break;
        case 0xF030:
            XMapRaised(impl_->display, id);
            impl_->maximize(id, true);
            break;
        case 0xF120:
            XMapRaised(impl_->display, id);
            impl_->maximize(id, false);
            break;
        default:
            break;
    }
}

void X11Input::drainKeyboardMessages() {
    // Our events reach the server in order and are handled before we go on; handing them to
    // this program's own windows is the business of its event loop.
    impl_->sync();
}

}  // namespace platform
