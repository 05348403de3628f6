#pragma once
// EA IFF 85 as iffparse.library reads and writes it, for flat FORMs: the
// catalog (FORM CTLG), the preferences file (FORM PREF) and the extended
// icon data (FORM ICON). A chunk is a 4-character ID, a big-endian byte count
// and the data, padded with one zero byte to an even length; the FORM's count
// includes its 4-byte type and every chunk with its pad.
//
// The reader never reads past the data it is given: a count that runs past
// the end is an error, not a short read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Expected.h"

namespace amiga {

using IffId = std::uint32_t;

constexpr IffId MakeIffId(const char (&text)[5]) {
    return (IffId(static_cast<unsigned char>(text[0])) << 24) |
           (IffId(static_cast<unsigned char>(text[1])) << 16) |
           (IffId(static_cast<unsigned char>(text[2])) << 8) |
           IffId(static_cast<unsigned char>(text[3]));
}

std::string IffIdText(IffId id);

enum class IffError {
    NotIff,     // no "FORM" at the start, or a FORM type that is not an IFF ID
    Truncated,  // a header or a count runs past the end of the data
    BadChunk,   // a chunk ID with bytes outside 0x20-0x7E or a leading space
};

std::string_view IffErrorText(IffError error);

struct IffChunk {
    IffId id = 0;
    std::string_view data;  // a view into the parsed buffer, without the pad byte
};

struct IffForm {
    IffId type = 0;
    std::vector<IffChunk> chunks;  // in file order
    std::size_t size = 0;          // bytes the FORM occupies, header and pad included

    // The first chunk with this ID.
    std::optional<std::string_view> find(IffId id) const;
};

// Parses the FORM at the start of data. Bytes after the FORM are ignored
// (form.size says where it ended). A missing pad byte after the last chunk is
// accepted, as iffparse.library does at the end of a file.
Expected<IffForm, IffError> ParseIffForm(std::string_view data);

// Builds a FORM in memory: chunks in the order added, each padded to even.
class IffWriter {
  public:
    explicit IffWriter(IffId formType);
    void addChunk(IffId id, std::string_view data);
    // The whole FORM with its count filled in.
    std::string finish() const;

  private:
    std::string body_;
    IffId type_;
};

}  // namespace amiga
