#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/BigEndian.h"
#include "platform/Icon.h"
#include "platform/IconImages.h"
#include "platform/Iff.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/TempFolder.h"

namespace amiga {
namespace {

namespace fs = std::filesystem;

const std::string kIconDir = std::string(STOVAN_FIXTURES_DIR) + "/icons/";

using stovan::test::ReadHostFile;
using TempDir = stovan::test::TempFolder;

// The icon written and read back, nothing when either step fails.
std::optional<DiskObject> RoundTrip(const DiskObject& icon) {
    auto bytes = EncodeDiskObject(icon);
    if (!bytes) {
        return std::nullopt;
    }
    auto again = DecodeDiskObject(*bytes);
    return again ? std::optional(*again) : std::nullopt;
}

// Why the bytes are no icon, nothing when they are one.
std::optional<IconError> DecodeError(std::string_view data) {
    auto icon = DecodeDiskObject(data);
    return icon ? std::nullopt : std::optional(icon.error());
}

TEST(Icon, FixturesReadAsDecodedByHand) {
    struct Row {
        const char* file;
        std::uint8_t type;
        std::optional<std::string> defaultTool;
        std::int32_t stack;
        std::int32_t x, y;
        std::size_t toolTypeCount;
        std::string firstToolType;
        int width, height, depth;
        bool selectImage, drawerData, formIcon;
    };
    const Row rows[] = {
        {"developer_debug_test_rexx_simplerexx_SimpleRexx.doc.info", WBPROJECT, ":c/MuchMore",
         30000, 0x36, 6, 0, "", 48, 25, 2, true, false, false},
        {"external_openurl_dist_OpenURL_OpenURL.guide.info", WBPROJECT, "multiview", 8192, 0x60,
         0x47, 1, "FILETYPE=TEXT|ASCII", 40, 44, 2, true, false, true},
        {"images_IconSets_Mason_4cols_def_drawer.info", WBDRAWER, std::nullopt, 4096,
         NO_ICON_POSITION, NO_ICON_POSITION, 0, "", 32, 32, 2, true, true, false},
        {"rom_bluetooth_prefs_Bluetooth.info", WBTOOL, std::nullopt, 57344, NO_ICON_POSITION,
         NO_ICON_POSITION, 0, "", 64, 37, 2, false, false, true},
        {"external_openurl_dist_OpenURL.info", WBDRAWER, std::nullopt, 65536, 0x60, 8, 1,
         "(\xbb\xbb\xbb\xbb Icon Oliver.Tacke-Heinz.Andreolla \xab\xab\xab\xab)", 5, 5, 3, true,
         true, true},
        {"rom_filesys_SFS_SFScheck_SFScheck.info", WBTOOL, std::nullopt, 0, 3, 4, 12, " ", 57, 32,
         3, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        auto icon = ReadDiskObjectFile(kIconDir + row.file);
        ASSERT_TRUE(icon.ok()) << IconErrorText(icon.error());
        EXPECT_EQ(
            std::tuple(icon->format, icon->type, icon->defaultTool, icon->stackSize, icon->currentX,
                       icon->currentY),
            std::tuple(IconFormat::Classic, row.type, row.defaultTool, row.stack, row.x, row.y));
        ASSERT_EQ(icon->toolTypes.size(), row.toolTypeCount);
        if (row.toolTypeCount > 0) {
            EXPECT_EQ(icon->toolTypes[0], row.firstToolType);
        }
        ASSERT_TRUE(icon->image.has_value());
        EXPECT_EQ(std::tuple(icon->image->width, icon->image->height, icon->image->depth,
                             icon->selectImage.has_value(), icon->drawerData.has_value()),
                  std::tuple(row.width, row.height, row.depth, row.selectImage, row.drawerData));
        EXPECT_EQ(icon->image->planes.size(), icon->image->planeDataSize());
        EXPECT_EQ(icon->revision(), WB_DISKREVISION);
        if (row.formIcon) {
            auto form = ParseIffForm(icon->extension);
            ASSERT_TRUE(form.ok());
            EXPECT_EQ(form->type, MakeIffId("ICON"));
            EXPECT_TRUE(form->find(MakeIffId("FACE")).has_value());
        } else {
            EXPECT_TRUE(icon->extension.empty());
        }
    }
}

TEST(Icon, EveryFixtureWrittenBackUnchangedIsByteIdentical) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(kIconDir)) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string original = ReadHostFile(entry.path().string());
        auto icon = DecodeDiskObject(original);
        ASSERT_TRUE(icon.ok()) << IconErrorText(icon.error());
        EXPECT_EQ(EncodeDiskObject(*icon).value(), original);
        ++count;
    }
    EXPECT_GE(count, 20);
}

TEST(Icon, ChangingAGlowIconKeepsItsColourImagesUnchanged) {
    const std::string original =
        ReadHostFile(kIconDir + "external_openurl_dist_OpenURL_OpenURL.guide.info");
    auto icon = DecodeDiskObject(original);
    ASSERT_TRUE(icon.ok());
    const std::string extension = icon->extension;
    EditToolTypes(icon->toolTypes, {"DONOTWAIT", "", "FILETYPE", "-"});
    icon->defaultTool = "SYS:Utilities/MultiView";
    icon->stackSize = 16384;
    const std::string bytes = EncodeDiskObject(*icon).value();
    ASSERT_GE(bytes.size(), extension.size());
    EXPECT_EQ(bytes.substr(bytes.size() - extension.size()), extension);
    auto again = DecodeDiskObject(bytes);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(std::tuple(again->toolTypes, again->defaultTool, again->stackSize, again->extension),
              std::tuple(std::vector<std::string>{"DONOTWAIT"}, "SYS:Utilities/MultiView", 16384,
                         extension));
    EXPECT_EQ(again->image->planes, icon->image->planes);
}

TEST(Icon, EveryTypeHasADefaultIconThatSurvivesChangesAndAWriteRead) {
    for (std::uint8_t type = WBDISK; type <= WBAPPICON; ++type) {
        SCOPED_TRACE(std::string(IconTypeName(type)));
        auto icon = GetDefDiskObject(type);
        ASSERT_TRUE(icon.ok());
        EXPECT_EQ(icon->type, type);
        ASSERT_TRUE(icon->image.has_value());
        EXPECT_EQ(std::tuple(icon->gadget.width, icon->gadget.height),
                  std::tuple(icon->image->width, icon->image->height));
        EXPECT_NE(icon->image->planes.find_first_not_of('\0'), std::string::npos);
        const bool container = type == WBDISK || type == WBDRAWER || type == WBGARBAGE;
        EXPECT_EQ(icon->drawerData.has_value(), container);

        icon->defaultTool = "C:Tool";
        icon->toolTypes = {"A=1", "B"};
        icon->stackSize = 24576;
        icon->currentX = 10;
        icon->currentY = -1;
        if (icon->drawerData) {
            icon->drawerData->viewModes = 2;
            icon->drawerData->ddFlags = 1;
        }
        auto again = RoundTrip(*icon);
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(std::tuple(again->type, again->defaultTool, again->toolTypes, again->stackSize),
                  std::tuple(type, "C:Tool", std::vector<std::string>{"A=1", "B"}, 24576));
        EXPECT_EQ(std::tuple(again->currentX, again->currentY), std::tuple(10, -1));
        EXPECT_EQ(again->image->planes, icon->image->planes);
        EXPECT_TRUE(again->extension.empty());
        if (container) {
            EXPECT_EQ(std::tuple(again->drawerData->viewModes, again->drawerData->ddFlags),
                      std::tuple(2, 1u));
        }
        // And the result is stable: written again it is the same bytes.
        EXPECT_EQ(EncodeDiskObject(*again).value(), EncodeDiskObject(*icon).value());
    }
    EXPECT_FALSE(GetDefDiskObject(0).ok());
    EXPECT_FALSE(GetDefDiskObject(9).ok());
}

TEST(Icon, RemovingTheSecondImageNeverLeavesReadersLookingForIt) {
    auto icon = ReadDiskObjectFile(kIconDir + "images_IconSets_Mason_4cols_def_tool.info");
    ASSERT_TRUE(icon.ok());
    ASSERT_EQ(icon->gadget.flags & GFLG_GADGHIGHBITS, GFLG_GADGHIMAGE);
    icon->selectImage.reset();
    auto again = RoundTrip(*icon);
    ASSERT_TRUE(again.has_value());
    EXPECT_FALSE(again->selectImage.has_value());
    EXPECT_EQ(again->gadget.flags & GFLG_GADGHIGHBITS, GFLG_GADGHCOMP);
}

TEST(Icon, FilesAreWrittenWholeAndReadBack) {
    TempDir dir;
    const std::string path = dir.path() + "/Tool.info";
    EXPECT_EQ(ReadDiskObjectFile(path).error(), IconError::NotFound);

    auto icon = GetDefDiskObject(WBTOOL);
    ASSERT_TRUE(icon.ok());
    icon->toolTypes = {"DONOTWAIT"};
    ASSERT_TRUE(WriteDiskObjectFile(path, *icon).ok());
    auto read = ReadDiskObjectFile(path);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->toolTypes, std::vector<std::string>{"DONOTWAIT"});

    // Only the icon is left: the temporary file was renamed over it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    EXPECT_FALSE(WriteDiskObjectFile(dir.path() + "/missing/X.info", *icon).ok());
    EXPECT_EQ(ReadDiskObjectFile(dir.path()).error(), IconError::ReadFailed);

    std::ofstream(dir.path() + "/Text.info") << "not an icon at all";
    EXPECT_EQ(ReadDiskObjectFile(dir.path() + "/Text.info").error(), IconError::NotAnIcon);
}

TEST(Icon, DefaultDrawerIconIsWrittenBesideTheDrawerOnce) {
    TempDir dir;
    const std::string drawer = dir.path() + "/Work";
    fs::create_directory(drawer);
    auto first = WriteDefaultDrawerIcon(drawer + "/");
    ASSERT_TRUE(first.ok() && *first);
    auto icon = ReadDiskObjectFile(drawer + ".info");
    ASSERT_TRUE(icon.ok());
    EXPECT_EQ(std::tuple(icon->type, icon->drawerData.has_value()), std::tuple(WBDRAWER, true));

    // An icon the user already has is never replaced.
    icon->toolTypes = {"MINE"};
    ASSERT_TRUE(WriteDiskObjectFile(drawer + ".info", *icon).ok());
    auto second = WriteDefaultDrawerIcon(drawer);
    ASSERT_TRUE(second.ok() && !*second);
    EXPECT_EQ(ReadDiskObjectFile(drawer + ".info")->toolTypes, std::vector<std::string>{"MINE"});
}

TEST(Icon, EveryTruncationOfAClassicIconIsRefused) {
    const std::string whole =
        ReadHostFile(kIconDir + "images_IconSets_Mason_4cols_def_drawer.info");
    ASSERT_EQ(whole.size(), 692u);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        EXPECT_EQ(DecodeError(std::string_view(whole).substr(0, length)),
                  length < 2 ? IconError::NotAnIcon : IconError::Malformed)
            << length;
    }
}

TEST(Icon, HostileFieldsAreRefused) {
    // SimpleRexx.doc: no drawer data, two 48x25x2 images, default tool.
    const std::string base =
        ReadHostFile(kIconDir + "developer_debug_test_rexx_simplerexx_SimpleRexx.doc.info");
    const std::size_t image1 = 78;
    const std::size_t image2 = image1 + 20 + 6 * 25 * 2;
    const std::size_t defaultTool = image2 + 20 + 6 * 25 * 2;
    ASSERT_EQ(ReadBE32(base, defaultTool), 12u);  // ":c/MuchMore" and its NUL

    // The base icon with the low `bytes` bytes of value written big-endian at offset.
    auto patched = [&](std::size_t offset, std::uint32_t value, std::size_t bytes) {
        std::string word;
        AppendBE32(word, value);
        return std::string(base).replace(offset, bytes, word.substr(4 - bytes));
    };
    const std::string withToolTypes = patched(0x36, 1, 4);  // announce tool types
    // Tool types announced, then these words and bytes.
    auto toolTypes = [&](std::initializer_list<std::uint32_t> words, std::string_view tail = "") {
        std::string data = withToolTypes;
        for (std::uint32_t word : words) {
            AppendBE32(data, word);
        }
        return data + std::string(tail);
    };
    const std::pair<const char*, std::string> rows[] = {
        {"default tool longer than the file", patched(defaultTool, 0xFFFFFFFF, 4)},
        {"default tool one byte too long", patched(defaultTool, 13, 4)},
        {"negative width", patched(image1 + 4, 0xFFF0, 2)},
        {"negative height", patched(image1 + 6, 0x8000, 2)},
        {"absurd width", patched(image1 + 4, 30000, 2)},
        {"nine planes", patched(image1 + 8, 9, 2)},
        {"second image taller than the data", patched(image2 + 6, 2000, 2)},
        {"tool types announced but missing", withToolTypes},
        {"tool-type count of a billion", toolTypes({0xFFFFFFFC})},
        {"more tool types than follow", toolTypes({4 * 3, 2}, "A")},
        {"tool-type string past the end", toolTypes({8, 0x7FFFFFFF})},
        {"drawer data announced but missing", patched(0x42, 1, 4)},
        {"tool window announced but missing", patched(0x46, 1, 4)},
    };
    for (const auto& [name, data] : rows) {
        EXPECT_EQ(DecodeError(data), IconError::Malformed) << name;
    }
    // A count below one entry means "no tool types", as icon.library reads it.
    auto icon = DecodeDiskObject(toolTypes({0}));
    ASSERT_TRUE(icon.ok());
    EXPECT_TRUE(icon->toolTypes.empty());

    EXPECT_EQ(DecodeError(""), IconError::NotAnIcon);
    EXPECT_EQ(DecodeError("FORM"), IconError::NotAnIcon);
    EXPECT_EQ(DecodeError(std::string(kMaxIconFileSize + 1, '\0')), IconError::TooLarge);
}

std::string PngChunk(std::string_view type, std::string_view data) {
    std::string chunk;
    AppendBE32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.append(type);
    chunk.append(data);
    AppendBE32(chunk, 0);  // CRC: not checked by the reader
    return chunk;
}

std::string PngIcon(std::string_view attributes, bool withIcOn = true) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    png += PngChunk("IHDR", std::string(13, '\x01'));
    if (withIcOn) {
        png += PngChunk("icOn", attributes);
    }
    png += PngChunk("IDAT", "pixels");
    png += PngChunk("IEND", "");
    png += "second picture";
    return png;
}

std::string Tag(std::uint32_t tag, std::uint32_t value) {
    std::string out;
    AppendBE32(out, tag);
    AppendBE32(out, value);
    return out;
}

// The tag, then the text and its NUL.
std::string TagText(std::uint32_t tag, std::string_view text) {
    return Tag(tag, 0).substr(0, 4) + std::string(text) + '\0';
}

TEST(Icon, PngIconAttributesAreReadAndOnlyTheirChunkIsRewritten) {
    const std::string attributes =
        Tag(0x80001001, 20) + Tag(0x80001002, 30) + Tag(0x80001005, 300) + Tag(0x80001009, 8192) +
        TagText(0x8000100A, "SYS:Tools/Ed") + TagText(0x8000100B, "DONOTWAIT") +
        TagText(0x8000100B, "CX_POPUP=NO") + Tag(0x8000100F, 4);
    const std::string png = PngIcon(attributes);
    auto icon = DecodeDiskObject(png);
    ASSERT_TRUE(icon.ok()) << IconErrorText(icon.error());
    EXPECT_EQ(std::tuple(icon->format, icon->type, icon->currentX, icon->currentY),
              std::tuple(IconFormat::Png, WBPROJECT, 20, 30));
    EXPECT_EQ(std::tuple(icon->stackSize, icon->defaultTool), std::tuple(8192, "SYS:Tools/Ed"));
    EXPECT_EQ(icon->toolTypes, (std::vector<std::string>{"DONOTWAIT", "CX_POPUP=NO"}));

    // Unchanged apart from the attribute chunk's CRC, which is now the right one.
    const std::string same = EncodeDiskObject(*icon).value();
    const std::size_t crc = 33 + 8 + attributes.size();
    EXPECT_EQ(same, std::string(png).replace(crc, 4, same.substr(crc, 4)));

    icon->currentX = NO_ICON_POSITION;
    icon->stackSize = 24576;
    AddToolType(icon->toolTypes, "tooltype", "x");
    auto changed = RoundTrip(*icon);
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(std::tuple(changed->currentX, changed->currentY, changed->stackSize),
              std::tuple(NO_ICON_POSITION, 30, 24576));
    EXPECT_EQ(changed->toolTypes.back(), "TOOLTYPE=x");
    ASSERT_EQ(changed->pngOtherTags.size(), 1u);
    EXPECT_EQ(changed->pngOtherTags[0].value, 300u);
    EXPECT_NE(changed->png.find("IDATpixels"), std::string::npos);
    EXPECT_EQ(changed->png.substr(changed->png.size() - 14), "second picture");
}

TEST(Icon, PngIconWithoutAttributesGetsAChunkAfterTheHeader) {
    auto icon = DecodeDiskObject(PngIcon("", false));
    ASSERT_TRUE(icon.ok());
    EXPECT_EQ(icon->type, 0);
    SetIconType(*icon, WBTOOL);
    icon->stackSize = 8192;
    const std::string bytes = EncodeDiskObject(*icon).value();
    EXPECT_EQ(bytes.substr(33 + 4, 4), "icOn");
    auto again = DecodeDiskObject(bytes);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(std::tuple(again->type, again->stackSize), std::tuple(WBTOOL, 8192));
}

TEST(Icon, DamagedPngIconsAreRefused) {
    const std::string good = PngIcon(Tag(0x80001009, 4096));
    std::string hugeChunk = good;
    WriteBE32(hugeChunk, 8 + 25, 0x7FFFFFF0);  // the icOn chunk's length
    const std::pair<const char*, std::string> rows[] = {
        {"signature only", good.substr(0, 8)},
        {"cut in the header chunk", good.substr(0, 20)},
        {"no IEND", good.substr(0, good.find("IEND") - 4)},
        {"chunk longer than the file", hugeChunk},
        {"unknown attribute tag", PngIcon(Tag(0x80002000, 1))},
        {"attribute value cut", PngIcon(Tag(0x80001009, 1).substr(0, 6))},
        {"unterminated default tool", PngIcon(Tag(0x8000100A, 0x41414141))},
    };
    for (const auto& [name, data] : rows) {
        EXPECT_EQ(DecodeError(data), IconError::Malformed) << name;
    }
}

TEST(IconToolTypes, FindToolTypeMatchesWholeNamesWithoutRegardToCase) {
    const std::vector<std::string> toolTypes = {"(DISABLED=1)", "CX_POPKEY=ctrl alt s",
                                                "DONOTWAIT",    "CX_POPUP=NO",
                                                "cx_pri=5",     "CX_POPUP=YES"};
    struct Row {
        const char* name;
        std::optional<std::string_view> value;
    };
    const Row rows[] = {
        {"CX_POPKEY", "ctrl alt s"}, {"cx_popup", "NO"},           {"CX_PRI", "5"},
        {"DONOTWAIT", ""},           {"CX_POP", std::nullopt},     {"DISABLED", std::nullopt},
        {"", std::nullopt},          {"DONOTWAITX", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FindToolType(toolTypes, row.name), row.value);
    }
}

TEST(IconToolTypes, MatchToolValueTakesBarSeparatedValues) {
    EXPECT_EQ((std::vector<bool>{
                  MatchToolValue("TEXT|ASCII", "ascii"), MatchToolValue("TEXT|ASCII", "TEX"),
                  MatchToolValue("TEXT|ASCII", "TEXT|ASCII"), MatchToolValue("ILBM", "ILBM"),
                  MatchToolValue("", ""), MatchToolValue("A||B", ""), MatchToolValue("A|B", ""),
                  MatchToolValue("ASCII", "ASCIIX")}),
              (std::vector<bool>{true, false, false, true, true, true, false, false}));
}

TEST(IconToolTypes, EditsAsTheInstallScriptsGiveThem) {
    struct Row {
        const char* name;
        std::vector<std::string> before;
        std::vector<std::string> edits;
        std::vector<std::string> after;
    };
    const Row rows[] = {
        {"empty value appends the bare name", {"A=1"}, {"DONOTWAIT", ""}, {"A=1", "DONOTWAIT"}},
        {"name is upper-cased, value kept", {}, {"cx_popup", "no"}, {"CX_POPUP=no"}},
        {"dash, any case", {"cx_popup=yes", "CX_POPUP=NO"}, {"CX_POPUP", "-"}, {"CX_POPUP=NO"}},
        {"removal matches the name's length only", {"CX_POPUPX"}, {"CX_POPUP", "-"}, {}},
        {"removing a missing entry changes nothing", {"A"}, {"B", "-"}, {"A"}},
        {"same name twice: the old one stays first", {"X=1"}, {"x", "2"}, {"X=1", "X=2"}},
        {"last name without value", {}, {"A", "1", "LAST"}, {"A=1", "LAST"}},
        {"empty name removes nothing", {"A"}, {"", "-"}, {"A"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> toolTypes = row.before;
        EditToolTypes(toolTypes, row.edits);
        EXPECT_EQ(toolTypes, row.after);
    }
}

TEST(IconToolTypes, NewIconsImagesStayLastAndUntouched) {
    auto icon = ReadDiskObjectFile(kIconDir + "external_openurl_dist_OpenURL_Install.info");
    ASSERT_TRUE(icon.ok());
    const std::size_t block = NewIconsBlockStart(icon->toolTypes);
    ASSERT_EQ(block, 3u);
    const std::vector<std::string> images(icon->toolTypes.begin() + 3, icon->toolTypes.end());

    EditToolTypes(icon->toolTypes, {"DONOTWAIT", "", "IM1", "-", "APPNAME", "-"});
    ASSERT_EQ(NewIconsBlockStart(icon->toolTypes), 3u);
    EXPECT_EQ(icon->toolTypes[0], "SCRIPT=install");
    EXPECT_EQ(icon->toolTypes[2], "DONOTWAIT");
    EXPECT_EQ(std::vector<std::string>(icon->toolTypes.begin() + 3, icon->toolTypes.end()), images);
}

TEST(IconToolTypes, TypeNamesTranslateBothWays) {
    EXPECT_EQ(std::tuple(IconTypeFromName("wbdrawer"), IconTypeFromName("WBAPPICON"),
                         IconTypeFromName("WBNONE")),
              std::tuple(WBDRAWER, WBAPPICON, 0));
    EXPECT_EQ(std::tuple(IconTypeName(WBGARBAGE), IconTypeName(0), IconTypeName(200)),
              std::tuple("WBGARBAGE", "", ""));
}

}  // namespace
}  // namespace amiga
