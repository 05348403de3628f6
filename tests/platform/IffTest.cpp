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
    const auto refused = [](std::string_view data) -> std::optional<IffError> {
        auto parsed = ParseIffForm(data);
        return parsed ? std::nullopt : std::optional(parsed.error());
    };
    const std::string good = TwoChunkForm();
    const auto patched = [&good](std::size_t offset, std::string_view bytes) {
        return std::string(good).replace(offset, bytes.size(), bytes);
    };
    EXPECT_EQ(refused(""), IffError::NotIff);
    EXPECT_EQ(refused(std::string("LIST\0\0\0\x04TEST", 12)), IffError::NotIff);
    EXPECT_EQ(refused(good.substr(0, 10)), IffError::NotIff);
    EXPECT_EQ(refused(good.substr(0, good.size() - 3)), IffError::Truncated);
    // The first chunk claims 127 bytes, the form four gigabytes.
    EXPECT_EQ(refused(patched(19, "\x7f")), IffError::Truncated);
    EXPECT_EQ(refused(patched(4, "\xff\xff\xff\xff")), IffError::Truncated);
    EXPECT_EQ(refused(patched(12, "\x01")), IffError::BadChunk);  // a chunk id not printable
    EXPECT_EQ(refused(patched(12, " ")), IffError::BadChunk);     // or with a leading space
    // A form count too small for its type; half a chunk header.
    EXPECT_EQ(refused(std::string("FORM\0\0\0\x02TEST", 12)), IffError::Truncated);
    EXPECT_EQ(refused(std::string("FORM\0\0\0\x08TESTODD ", 16)), IffError::Truncated);
}

}  // namespace
}  // namespace amiga
