#include <gtest/gtest.h>

#include "platform/Iff.h"

namespace amiga {
namespace {

constexpr IffId kTest = MakeIffId("TEST");
constexpr IffId kOdd = MakeIffId("ODD ");
constexpr IffId kEven = MakeIffId("EVEN");

std::string TwoChunkForm() {
    IffWriter writer(kTest);
    writer.addChunk(kOdd, "abc");
    writer.addChunk(kEven, "wxyz");
    return writer.finish();
}

TEST(Iff, RoundTripKeepsChunksInOrder) {
    const std::string form = TwoChunkForm();
    auto parsed = ParseIffForm(form);
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed->type, kTest);
    ASSERT_EQ(parsed->chunks.size(), 2u);
    EXPECT_EQ(parsed->chunks[0].data, "abc");
    EXPECT_EQ(parsed->find(kEven).value(), "wxyz");
    EXPECT_FALSE(parsed->find(MakeIffId("NONE")).has_value());
    EXPECT_EQ(parsed->size, form.size());
}

TEST(Iff, DamagedFormsAreRefusedWithoutReadingPastTheData) {
    const std::string good = TwoChunkForm();
    const auto patched = [&good](std::size_t offset, std::string_view bytes) {
        return std::string(good).replace(offset, bytes.size(), bytes);
    };
    struct Row {
        const char* name;
        std::string data;
        IffError error;
    } const rows[] = {
        {"empty", "", IffError::NotIff},
        {"not a form", std::string("LIST\0\0\0\x04TEST", 12), IffError::NotIff},
        {"cut in the header", good.substr(0, 10), IffError::NotIff},
        {"cut in a chunk", good.substr(0, good.size() - 3), IffError::Truncated},
        {"chunk count past the end", patched(19, "\x7f"), IffError::Truncated},  // 127 bytes
        {"form count past the end", patched(4, "\xff\xff\xff\xff"), IffError::Truncated},
        {"chunk id not printable", patched(12, "\x01"), IffError::BadChunk},
        {"chunk id with leading space", patched(12, " "), IffError::BadChunk},
        {"form count too small", std::string("FORM\0\0\0\x02TEST", 12), IffError::Truncated},
        {"half a chunk header", std::string("FORM\0\0\0\x08TESTODD ", 16), IffError::Truncated},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto parsed = ParseIffForm(row.data);
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error(), row.error);
    }
}

}  // namespace
}  // namespace amiga
