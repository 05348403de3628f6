#pragma once
// The hot key that shows the window (the start-up argument CX_POPKEY,
// "control alt f5" by default): the input description's words read into a
// key and its modifiers, and a global grab of that key on the X11 desktop.
// Where no grab is possible (Wayland, no X11 connection, the key taken by
// another program, a description that names no key) Stovan runs without a
// hot key.

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

namespace stovan::ui {

// X11 modifier bits, as the key events carry them.
inline constexpr std::uint16_t kModShift = 0x0001;
inline constexpr std::uint16_t kModControl = 0x0004;
inline constexpr std::uint16_t kModAlt = 0x0008;
inline constexpr std::uint16_t kModSuper = 0x0040;

struct HotKeyCombination {
    std::uint16_t modifiers = 0;  // kMod* bits
    std::uint32_t keysym = 0;     // the X11 key symbol
    bool operator==(const HotKeyCombination&) const = default;
};

// Reads an input description such as "control alt f5" or "rawkey lshift
// help": qualifier words (shift, lshift, rshift, control, ctrl, alt, lalt,
// ralt, lcommand, rcommand, lamiga, ramiga), then exactly one key (a letter,
// a digit, f1 to f12, help, del, backspace, tab, return, enter, esc, space,
// up, down, left, right), in any case. "rawkey" may lead. None when a word
// is unknown, a key is missing or given twice, or the text is longer than a
// description can be.
std::optional<HotKeyCombination> ParseHotKey(std::string_view description);

class HotKey final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

  public:
    explicit HotKey(QObject* parent = nullptr);
    ~HotKey() override;

    // Grabs the combination on the X11 desktop. False, with the reason in
    // `why`, when none is possible; an earlier grab is given up first.
    bool Register(const HotKeyCombination& combination, QString& why);
    bool registered() const { return keycode_ != 0; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  signals:
    void activated();

  private:
    void Release();

    std::uint8_t keycode_ = 0;
    std::uint16_t modifiers_ = 0;
    void* connection_ = nullptr;  // the application's xcb_connection_t
    std::uint32_t root_ = 0;
};

}  // namespace stovan::ui
