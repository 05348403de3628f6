#include "ui/HotKey.h"

#include <QGuiApplication>
#include <array>
#include <string>
#include <vector>

#include "platform/Latin1.h"

#if STOVAN_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <memory>
#endif

namespace stovan::ui {

namespace {

// Longer than any description of qualifiers and one key.
constexpr std::size_t kMaxDescription = 256;

// NumLock and CapsLock must not stop the key: it is grabbed with each.
constexpr std::uint16_t kModCapsLock = 0x0002;
constexpr std::uint16_t kModNumLock = 0x0010;
constexpr std::array<std::uint16_t, 4> kLockVariants = {0, kModCapsLock, kModNumLock,
                                                        kModCapsLock | kModNumLock};

struct Word {
    const char* text;
    std::uint16_t modifier;  // 0: a key
    std::uint32_t keysym;
};

constexpr Word kWords[] = {
    {"shift", kModShift, 0},     {"lshift", kModShift, 0}, {"rshift", kModShift, 0},
    {"control", kModControl, 0}, {"ctrl", kModControl, 0}, {"alt", kModAlt, 0},
    {"lalt", kModAlt, 0},        {"ralt", kModAlt, 0},     {"lcommand", kModSuper, 0},
    {"rcommand", kModSuper, 0},  {"lamiga", kModSuper, 0}, {"ramiga", kModSuper, 0},
    {"help", 0, 0xff6a},         {"del", 0, 0xffff},       {"backspace", 0, 0xff08},
    {"tab", 0, 0xff09},          {"return", 0, 0xff0d},    {"enter", 0, 0xff8d},
    {"esc", 0, 0xff1b},          {"space", 0, 0x0020},     {"up", 0, 0xff52},
    {"down", 0, 0xff54},         {"left", 0, 0xff51},      {"right", 0, 0xff53},
};

// The key symbol of a key word, 0 when it is none.
std::uint32_t KeyOf(const std::string& word) {
    if (word.size() == 1) {
        const char c = word[0];
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            return static_cast<std::uint8_t>(c);  // Latin-1 key symbols are the characters
        }
        return 0;
    }
    if (word.size() <= 3 && word[0] == 'f') {
        int number = 0;
        for (std::size_t i = 1; i < word.size(); ++i) {
            if (word[i] < '0' || word[i] > '9') {
                return 0;
            }
            number = number * 10 + (word[i] - '0');
        }
        if (number >= 1 && number <= 12) {
            return 0xffbe + static_cast<std::uint32_t>(number - 1);  // XK_F1 on
        }
    }
    return 0;
}

}  // namespace

std::optional<HotKeyCombination> ParseHotKey(std::string_view description) {
    if (description.size() > kMaxDescription) {
        return std::nullopt;
    }
    HotKeyCombination combination;
    bool first = true;
    std::size_t at = 0;
    while (at < description.size()) {
        const std::size_t start = description.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = description.find_first_of(" \t", start);
        if (end == std::string_view::npos) {
            end = description.size();
        }
        const std::string word = amiga::ToLower(description.substr(start, end - start));
        at = end;
        const bool leading = first;
        first = false;
        if (leading && word == "rawkey") {
            continue;
        }
        std::uint32_t keysym = KeyOf(word);
        std::uint16_t modifier = 0;
        for (const Word& known : kWords) {
            if (word == known.text) {
                modifier = known.modifier;
                keysym = known.keysym;
            }
        }
        if (modifier != 0) {
            combination.modifiers |= modifier;
        } else if (keysym != 0 && combination.keysym == 0) {
            combination.keysym = keysym;
        } else {
            return std::nullopt;  // unknown, or a second key
        }
    }
    if (combination.keysym == 0) {
        return std::nullopt;
    }
    return combination;
}

HotKey::HotKey(QObject* parent) : QObject(parent) {}

HotKey::~HotKey() {
    Release();
}

#if STOVAN_HAVE_XCB

namespace {

// The first key code that gives the key symbol, 0 when none does.
std::uint8_t KeycodeOf(xcb_connection_t* connection, std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const std::uint8_t first = setup->min_keycode;
    const std::uint8_t count = static_cast<std::uint8_t>(setup->max_keycode - first + 1);
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> mapping(
        xcb_get_keyboard_mapping_reply(connection,
                                       xcb_get_keyboard_mapping(connection, first, count), nullptr),
        &std::free);
    if (!mapping || mapping->keysyms_per_keycode == 0) {
        return 0;
    }
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int total = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    for (int i = 0; i < total; ++i) {
        if (symbols[i] == keysym) {
            return static_cast<std::uint8_t>(first + i / mapping->keysyms_per_keycode);
        }
    }
    return 0;
}

}  // namespace

bool HotKey::Register(const HotKeyCombination& combination, QString& why) {
    Release();
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) {
        why = QStringLiteral("the desktop is no X11 display");
        return false;
    }
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const std::uint8_t keycode = KeycodeOf(connection, combination.keysym);
    if (screen == nullptr || keycode == 0) {
        why = QStringLiteral("the keyboard has no such key");
        return false;
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t locks : kLockVariants) {
        cookies.push_back(xcb_grab_key_checked(
            connection, 1, screen->root, static_cast<std::uint16_t>(combination.modifiers | locks),
            keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool taken = false;
    for (const xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            taken = true;
            std::free(error);
        }
    }
    connection_ = connection;
    root_ = screen->root;
    keycode_ = keycode;
    modifiers_ = combination.modifiers;
    if (taken) {
        Release();
        why = QStringLiteral("another program holds the key");
        return false;
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    return true;
}

void HotKey::Release() {
    if (keycode_ != 0 && connection_ != nullptr) {
        auto* connection = static_cast<xcb_connection_t*>(connection_);
        for (std::uint16_t locks : kLockVariants) {
            xcb_ungrab_key(connection, keycode_, root_,
                           static_cast<std::uint16_t>(modifiers_ | locks));
        }
        xcb_flush(connection);
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
        }
    }
    keycode_ = 0;
    connection_ = nullptr;
}

bool HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (keycode_ == 0 || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) {
        return false;
    }
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    const std::uint16_t held = press->state & ~(kModCapsLock | kModNumLock);
    if (press->detail == keycode_ && held == modifiers_ && press->event == root_) {
        emit activated();
        return true;
    }
    return false;
}

#else

bool HotKey::Register(const HotKeyCombination&, QString& why) {
    why = QStringLiteral("this build has no X11 support");
    return false;
}

void HotKey::Release() {}

bool HotKey::nativeEventFilter(const QByteArray&, void*, qintptr*) {
    return false;
}

#endif

}  // namespace stovan::ui
