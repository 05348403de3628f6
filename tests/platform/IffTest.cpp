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
    struct Row {
        const char* name;
        std::string data;
        IffError error;
    };
    std::string longCount = good;
    longCount[19] = '\x7f';  // first chunk claims 127 bytes
    std::string hugeForm = good;
    hugeForm.replace(4, 4, "\xff\xff\xff\xff");
    std::string badId = good;
    badId[12] = '\x01';
    std::string leadingSpace = good;
    leadingSpace[12] = ' ';
    const Row rows[] = {
        {"empty", "", IffError::NotIff},
        {"not a form", "LIST\0\0\0\x04TEST", IffError::NotIff},
        {"cut in the header", good.substr(0, 10), IffError::NotIff},
        {"cut in a chunk", good.substr(0, good.size() - 3), IffError::Truncated},
        {"chunk count past the end", longCount, IffError::Truncated},
        {"form count past the end", hugeForm, IffError::Truncated},
        {"chunk id not printable", badId, IffError::BadChunk},
        {"chunk id with leading space", leadingSpace, IffError::BadChunk},
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
