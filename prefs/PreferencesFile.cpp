#include "prefs/PreferencesFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "core/MessageIds.h"
#include "platform/BigEndian.h"
#include "platform/Iff.h"

namespace stovan {
namespace {

constexpr amiga::IffId kPref = amiga::MakeIffId("PREF");
constexpr amiga::IffId kPrhd = amiga::MakeIffId("PRHD");
constexpr amiga::IffId kStvn = amiga::MakeIffId("STVN");

// The standard preferences header: version, type and a flags word.
constexpr unsigned char kHeaderVersion = 5;
constexpr char kHeader[6] = {kHeaderVersion, 0, 0, 0, 0, 0};
// Stovan writes ten empty strings after its own as room for later settings.
constexpr std::size_t kSpareStrings = 10;

// The data of the last chunk with this ID, as iffparse's FindProp gives it.
std::optional<std::string_view> LastChunk(const amiga::IffForm& form, amiga::IffId id) {
    std::optional<std::string_view> found;
    for (const amiga::IffChunk& chunk : form.chunks) {
        if (chunk.id == id) {
            found = chunk.data;
        }
    }
    return found;
}

}  // namespace

std::string EncodePreferences(const Preferences& record) {
    std::string data;
    data.reserve(kPreferencesFixedSize + 512);
    amiga::AppendBE32(data, kPreferencesFixedSize);
    for (std::size_t index = 1; index < kPreferencesWordCount; ++index) {
        amiga::AppendBE32(data, record.word(index));
    }
    for (std::size_t index = 0; index < kPreferencesStringCount; ++index) {
        const std::string& text = record.string(index);
        data.append(text.c_str(), std::strlen(text.c_str()));
        data.push_back('\0');
    }
    data.append(kSpareStrings, '\0');

    amiga::IffWriter writer(kPref);
    writer.addChunk(kPrhd, std::string_view(kHeader, sizeof kHeader));
    writer.addChunk(kStvn, data);
    return writer.finish();
}

Result<Preferences> DecodePreferences(std::string_view bytes) {
    const auto invalid = Failure(msg::PrefsInvalidUsingDefaults);
    if (bytes.size() > kMaxPreferencesFileSize) {
        return invalid;
    }
    auto form = amiga::ParseIffForm(bytes);
    if (!form.ok() || form->type != kPref) {
        return invalid;
    }
    const auto header = LastChunk(*form, kPrhd);
    if (!header || header->empty() ||
        static_cast<unsigned char>(header->front()) != kHeaderVersion) {
        return invalid;
    }
    const auto found = LastChunk(*form, kStvn);
    if (!found) {
        return invalid;
    }
    const std::string_view data = *found;

    // Word 0 says where the strings start; the fixed part is what lies before
    // them. A shorter fixed part (an older layout) leaves the missing words
    // zero, a longer one (a newer layout) contributes its first 60 bytes only.
    // String bytes are never taken as words.
    if (data.size() < 4) {
        return invalid;
    }
    const std::uint32_t stringsOffset = amiga::ReadBE32(data, 0);
    if (stringsOffset < 4 || stringsOffset > data.size()) {
        return invalid;
    }
    std::array<char, kPreferencesFixedSize> fixed{};
    const std::size_t fixedSize =
        std::min<std::size_t>({data.size(), stringsOffset, kPreferencesFixedSize});
    std::copy_n(data.begin(), fixedSize, fixed.begin());
    const std::string_view words(fixed.data(), fixed.size());

    Preferences record;
    for (std::size_t index = 0; index < kPreferencesWordCount; ++index) {
        record.word(index) = amiga::ReadBE32(words, index * 4);
    }
    std::size_t offset = stringsOffset;
    for (std::size_t index = 0; index < kPreferencesStringCount; ++index) {
        const std::size_t end = data.find('\0', offset);
        if (end == std::string_view::npos) {
            return invalid;  // the string runs past the chunk
        }
        record.string(index).assign(data.substr(offset, end - offset));
        offset = end + 1;
    }
    // The spare strings after the eighteenth are not read.
    return record;
}

}  // namespace stovan
