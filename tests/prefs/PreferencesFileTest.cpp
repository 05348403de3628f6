#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "prefs/Preferences.h"
#include "prefs/PreferencesFile.h"

namespace stovan {
namespace {

// Built by hand so that the tests do not share the encoder's helpers.
std::string Be32(std::uint32_t value) {
    std::string out(4, '\0');
    out[0] = static_cast<char>(value >> 24);
    out[1] = static_cast<char>(value >> 16);
    out[2] = static_cast<char>(value >> 8);
    out[3] = static_cast<char>(value);
    return out;
}

std::uint32_t ReadCount(const std::string& file, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<unsigned char>(file.at(offset + i));
    }
    return value;
}

std::string Chunk(const std::string& id, const std::string& data) {
    std::string out = id + Be32(static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() % 2 != 0) {
        out.push_back('\0');
    }
    return out;
}

std::string Form(const std::string& type, const std::string& chunks) {
    return "FORM" + Be32(static_cast<std::uint32_t>(chunks.size() + 4)) + type + chunks;
}

const std::string kPrhd = Chunk("PRHD", std::string("\x05\0\0\0\0\0", 6));

// The STVN data for the given words and strings, in the layout of the table.
std::string StvnData(const std::vector<std::uint32_t>& words,
                     const std::vector<std::string>& strings, std::size_t spares = 10) {
    std::string data;
    for (std::uint32_t word : words) {
        data += Be32(word);
    }
    for (const std::string& text : strings) {
        data += text;
        data.push_back('\0');
    }
    data.append(spares, '\0');
    return data;
}

const std::vector<std::uint32_t> kDefaultWords = {60, 0x2BB6001E, 1, 0, 0, 2, 3, 4,
                                                  1,  0,          0, 0, 0, 0, 0};

std::vector<std::string> DefaultStrings(amiga::SystemKind profile) {
    const bool morphos = profile == amiga::SystemKind::MorphOS;
    const std::string base = morphos ? "SYS:Applications/" : "SYS:";
    return {
        "SYS:",
        "PROGDIR:Cache/Downloads/",
        base,
        base,
        base,
        base,
        morphos ? "SYS:Games/" : "SYS:",
        base,
        base,
        "SYS:Tools/",
        "SYS:Utilities/",
        base,
        "PROGDIR:Cache/Images/",
        std::string(kDefaultImageServer),
        base,
        "SYS:Utilities/",
        "",
        "PROGDIR:Cache/Backups/",
    };
}

std::string DefaultFile(amiga::SystemKind profile) {
    return Form("PREF", kPrhd + Chunk("STVN", StvnData(kDefaultWords, DefaultStrings(profile))));
}

Preferences Defaults(amiga::SystemKind profile) {
    Preferences record;
    setDefaultPreferences(record, profile);
    return record;
}

TEST(PreferencesFile, DefaultsAreWrittenExactlyAsTheLayoutSays) {
    for (amiga::SystemKind profile : {amiga::SystemKind::AmigaOS4, amiga::SystemKind::MorphOS}) {
        SCOPED_TRACE(profile == amiga::SystemKind::MorphOS ? "MorphOS" : "AmigaOS 4");
        const std::string expected = DefaultFile(profile);
        Preferences record = Defaults(profile);
        record.stringsOffset = 200;  // the strings always follow the fifteen words: 60
        const std::string written = EncodePreferences(record);
        EXPECT_EQ(written, expected);
        // The offsets of the layout: PRHD at 12, STVN at 26, the words at 34.
        ASSERT_GE(written.size(), 94u);
        EXPECT_EQ(written.substr(12, 4), "PRHD");
        EXPECT_EQ(written.substr(26, 4), "STVN");
        EXPECT_EQ(written.substr(34, 4), Be32(60));
        EXPECT_EQ(written.size() % 2, 0u);
        EXPECT_EQ(written.substr(4, 4), Be32(static_cast<std::uint32_t>(written.size() - 8)));
    }
}

TEST(PreferencesFile, DamagedFilesAreRefused) {
    const auto strings = DefaultStrings(amiga::SystemKind::AmigaOS4);
    const std::string stvn = Chunk("STVN", StvnData(kDefaultWords, strings));
    const std::string good = DefaultFile(amiga::SystemKind::AmigaOS4);

    auto pref = [](const std::string& stvnData) {
        return Form("PREF", kPrhd + Chunk("STVN", stvnData));
    };
    auto offset = [](std::uint32_t stringsOffset) {
        std::vector<std::uint32_t> words = kDefaultWords;
        words[0] = stringsOffset;
        return words;
    };
    auto patched = [&good](std::size_t at, const std::string& bytes) {
        return std::string(good).replace(at, bytes.size(), bytes);
    };
    // The strings start exactly at the end of the chunk: nothing to read.
    std::string atEnd = StvnData(kDefaultWords, {}, 0);
    atEnd.replace(0, 4, Be32(static_cast<std::uint32_t>(atEnd.size())));
    std::string unterminated = StvnData(kDefaultWords, strings, 0);
    unterminated.pop_back();  // the last string loses its zero byte
    const std::vector<std::string> seventeen(strings.begin(), strings.end() - 1);
    struct Row {
        const char* name;
        std::string file;
    };
    const Row rows[] = {
        {"empty file", ""},
        {"not a FORM", patched(0, "LIST")},
        {"FORM of another type", Form("ILBM", kPrhd + stvn)},
        {"missing PRHD", Form("PREF", stvn)},
        {"missing STVN", Form("PREF", kPrhd)},
        {"empty PRHD", Form("PREF", Chunk("PRHD", "") + stvn)},
        {"header version 4", Form("PREF", Chunk("PRHD", std::string("\x04\0\0\0\0\0", 6)) + stvn)},
        {"last PRHD has version 0",
         Form("PREF", kPrhd + stvn + Chunk("PRHD", std::string(6, '\0')))},
        {"STVN too short for word 0", pref(std::string(3, '\0'))},
        {"stringsOffset past the chunk", pref(StvnData(offset(100000), strings))},
        {"stringsOffset inside word 0", pref(StvnData(offset(2), strings))},
        {"strings start at the chunk end", pref(atEnd)},
        {"last string without terminator", pref(unterminated)},
        {"only seventeen strings", pref(StvnData(kDefaultWords, seventeen, 0))},
        {"chunk length past the end of the file", patched(30, Be32(0x7FFFFFF0))},
        {"FORM length past the end of the file", patched(4, Be32(0xFFFFFFFF))},
        {"chunk ID not printable", patched(26, "\x01")},
        {"absurd size",
         Form("PREF", kPrhd + stvn + Chunk("JUNK", std::string(kMaxPreferencesFileSize, 'x')))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto decoded = DecodePreferences(row.file);
        ASSERT_FALSE(decoded.ok());
        EXPECT_EQ(decoded.error(), msg::PrefsInvalidUsingDefaults);
    }
}

TEST(PreferencesFile, EveryTruncationIsRefused) {
    Preferences record = Defaults(amiga::SystemKind::AmigaOS4);
    // An odd data length, so that the file ends in a pad byte.
    record.imageServer = "x";
    if (ReadCount(EncodePreferences(record), 30) % 2 == 0) {
        record.imageServer = "xy";
    }
    const std::string file = EncodePreferences(record);
    ASSERT_EQ(ReadCount(file, 30) % 2, 1u);
    ASSERT_EQ(file.back(), '\0');
    for (std::size_t size = 0; size < file.size(); ++size) {
        SCOPED_TRACE("cut to " + std::to_string(size) + " bytes");
        EXPECT_FALSE(DecodePreferences(file.substr(0, size)).ok());
    }
    // A writer that leaves the final pad out of the file and out of the FORM
    // count made a complete file: it is read.
    std::string unpadded = file.substr(0, file.size() - 1);
    unpadded.replace(4, 4, Be32(static_cast<std::uint32_t>(unpadded.size() - 8)));
    auto decoded = DecodePreferences(unpadded);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(*decoded, record);
}

}  // namespace
}  // namespace stovan
