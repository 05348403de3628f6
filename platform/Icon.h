#pragma once
// Workbench icons (".info" files) as icon.library reads and writes them:
// GetDiskObject, GetDefDiskObject, PutDiskObject, FindToolType and
// MatchToolValue, plus the tool-type editing that install scripts do.
//
// Two file formats are understood:
// - the classic DiskObject (magic 0xE310): a fixed 78-byte header, then the
//   drawer data, the planar images, the default tool, the tool types, the
//   tool window and the OS 2.x drawer data. Whatever follows (the OS 3.5
//   "FORM ICON" colour images or anything else) is kept byte for byte in
//   `extension` and written back unchanged;
// - the OS 4 / MorphOS PNG icon: a PNG file whose "icOn" chunk holds the
//   icon's attributes as tags. Only that chunk is rewritten; the pictures and
//   every other chunk stay as they were.
//
// All numbers in the files are big-endian. Pointer fields on disk only say
// whether a block follows (zero or not); their stored values are kept so that
// an icon read and written without a change comes out byte-identical.
//
// Readers never read past the data they are given and refuse damaged files
// (truncated blocks, counts or lengths beyond the data, absurd image sizes).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosFiles.h"
#include "platform/Expected.h"

namespace amiga {

// do_Type values.
inline constexpr std::uint8_t WBDISK = 1;
inline constexpr std::uint8_t WBDRAWER = 2;
inline constexpr std::uint8_t WBTOOL = 3;
inline constexpr std::uint8_t WBPROJECT = 4;
inline constexpr std::uint8_t WBGARBAGE = 5;
inline constexpr std::uint8_t WBDEVICE = 6;
inline constexpr std::uint8_t WBKICK = 7;
inline constexpr std::uint8_t WBAPPICON = 8;

inline constexpr std::uint16_t WB_DISKMAGIC = 0xE310;
inline constexpr std::uint16_t WB_DISKVERSION = 1;
inline constexpr std::uint32_t WB_DISKREVISION = 1;
inline constexpr std::uint32_t WB_DISKREVISIONMASK = 0xFF;
// do_CurrentX/Y of an icon that Workbench places itself.
inline constexpr std::int32_t NO_ICON_POSITION = static_cast<std::int32_t>(0x80000000u);

// Gadget flags that matter for icons.
inline constexpr std::uint16_t GFLG_GADGHCOMP = 0x0000;
inline constexpr std::uint16_t GFLG_GADGHBOX = 0x0001;
inline constexpr std::uint16_t GFLG_GADGHIMAGE = 0x0002;
inline constexpr std::uint16_t GFLG_GADGHIGHBITS = 0x0003;
inline constexpr std::uint16_t GFLG_GADGIMAGE = 0x0004;

// Limits on what a reader accepts. Classic icons are small; these bound the
// work done for hostile files long before memory becomes a concern.
inline constexpr std::size_t kMaxIconFileSize = 16 * 1024 * 1024;
inline constexpr int kMaxIconImageWidth = 2048;
inline constexpr int kMaxIconImageHeight = 2048;
inline constexpr int kMaxIconImageDepth = 8;

enum class IconError {
    NotFound,       // no such icon file
    ReadFailed,     // the file exists but could not be read
    WriteFailed,    // the icon file (or its temporary file) could not be written
    NotAnIcon,      // neither the DiskObject magic nor a PNG signature
    Malformed,      // a block, count or length runs past the data, or a value is absurd
    TooLarge,       // the file is larger than kMaxIconFileSize
    NoDefaultIcon,  // GetDefDiskObject was asked for a type it has no icon for
};

std::string_view IconErrorText(IconError error);
// The AmigaDOS error code (IoErr value) that icon.library leaves for it:
// 205 object not found, 212 object wrong type, 103 no free store, 223/224
// write/read protected or failed.
std::int32_t IconErrorToDosError(IconError error);

// struct Image, with its planar bitmap: `depth` planes one after another,
// each `height` rows of RowBytes(width) bytes.
struct IconImage {
    std::int16_t leftEdge = 0;
    std::int16_t topEdge = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::int16_t depth = 0;
    std::uint32_t imageData = 0;  // stored pointer, meaningless on disk
    std::uint8_t planePick = 0;
    std::uint8_t planeOnOff = 0;
    std::uint32_t nextImage = 0;  // stored pointer, meaningless on disk
    std::string planes;

    // Bytes of one row: the width rounded up to 16 pixels.
    static std::size_t RowBytes(int width) {
        return static_cast<std::size_t>((width + 15) / 16) * 2;
    }
    std::size_t planeDataSize() const {
        return RowBytes(width) * static_cast<std::size_t>(height) * static_cast<std::size_t>(depth);
    }
};

// The Gadget embedded in a DiskObject. The image pointers are decided from
// DiskObject::image / selectImage when writing.
struct IconGadget {
    std::uint32_t nextGadget = 0;
    std::int16_t leftEdge = 0;
    std::int16_t topEdge = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint16_t flags = GFLG_GADGIMAGE;
    std::uint16_t activation = 1;  // GACT_RELVERIFY
    std::uint16_t gadgetType = 1;  // GTYP_BOOLGADGET
    std::uint32_t gadgetRender = 0;
    std::uint32_t selectRender = 0;
    std::uint32_t gadgetText = 0;
    std::int32_t mutualExclude = 0;
    std::uint32_t specialInfo = 0;
    std::uint16_t gadgetID = 0;
    // The low byte is the icon revision (WB_DISKREVISION for OS 2.x and
    // later); the upper bits are whatever the writer's memory held.
    std::uint32_t userData = WB_DISKREVISION;
};

// struct DrawerData: the NewWindow of the drawer's window, the scroll offset
// and the OS 2.x extension (dd_Flags, dd_ViewModes), which is in the file
// only when the icon's revision is WB_DISKREVISION.
struct IconDrawerData {
    std::int16_t leftEdge = 50;
    std::int16_t topEdge = 50;
    std::int16_t width = 400;
    std::int16_t height = 100;
    std::uint8_t detailPen = 255;
    std::uint8_t blockPen = 255;
    std::uint32_t idcmpFlags = 0;
    std::uint32_t windowFlags = 0;
    std::uint32_t firstGadget = 0;  // the five stored pointers, meaningless on disk
    std::uint32_t checkMark = 0;
    std::uint32_t title = 0;
    std::uint32_t screen = 0;
    std::uint32_t bitMap = 0;
    std::int16_t minWidth = 90;
    std::int16_t minHeight = 40;
    std::uint16_t maxWidth = 0xFFFF;
    std::uint16_t maxHeight = 0xFFFF;
    std::uint16_t windowType = 1;  // WBENCHSCREEN
    std::int32_t currentX = 0;
    std::int32_t currentY = 0;
    std::uint32_t ddFlags = 0;
    std::uint16_t viewModes = 0;
};

enum class IconFormat {
    Classic,  // DiskObject with planar images, maybe followed by extension data
    Png,      // PNG picture with an "icOn" attribute chunk
};

struct DiskObject {
    IconFormat format = IconFormat::Classic;
    std::uint16_t magic = WB_DISKMAGIC;
    std::uint16_t version = WB_DISKVERSION;
    IconGadget gadget;
    std::uint8_t type = 0;
    std::uint8_t pad = 0;
    std::optional<std::string> defaultTool;
    std::vector<std::string> toolTypes;
    std::int32_t currentX = NO_ICON_POSITION;
    std::int32_t currentY = NO_ICON_POSITION;
    std::optional<IconDrawerData> drawerData;
    std::optional<std::string> toolWindow;
    std::int32_t stackSize = 0;

    std::optional<IconImage> image;        // GadgetRender
    std::optional<IconImage> selectImage;  // SelectRender, shown when selected

    // Classic: every byte after the classic part, kept unchanged.
    std::string extension;

    // The stored values of the header's pointer fields (zero means "absent").
    // A present block whose stored value is zero is written with a non-zero one.
    struct StoredPointers {
        std::uint32_t defaultTool = 0;
        std::uint32_t toolTypes = 0;
        std::uint32_t drawerData = 0;
        std::uint32_t toolWindow = 0;
    } stored;

    // PNG: the whole file as read, and the "icOn" tags that have no field
    // here (drawer geometry, frameless flag, ...) in file order.
    std::string png;
    struct PngTag {
        std::uint32_t tag = 0;
        std::uint32_t value = 0;
    };
    std::vector<PngTag> pngOtherTags;
    std::vector<std::uint32_t> pngTagOrder;  // tags as first seen, for rewriting in place

    std::uint32_t revision() const { return gadget.userData & WB_DISKREVISIONMASK; }
};

// Name of an icon type ("WBDRAWER"), or "" for a number outside 1-8.
std::string_view IconTypeName(std::uint8_t type);
// The type for a name, compared without regard to case; 0 when unknown.
std::uint8_t IconTypeFromName(std::string_view name);

// Decodes an icon file's bytes. The result, written by EncodeDiskObject
// without a change, is the same bytes (for files that are not damaged).
Expected<DiskObject, IconError> DecodeDiskObject(std::string_view data);
// The bytes of the icon file. Keeps the gadget flags consistent with the
// images present (a missing second image never leaves GADGHIMAGE set, which
// would make readers look for it).
Expected<std::string, IconError> EncodeDiskObject(const DiskObject& icon);

// GetDiskObject / PutDiskObject on a host path of the ".info" file itself.
// Writing goes to a temporary file beside it that is renamed over the old
// icon, so a failed write never leaves a half-written icon.
Expected<DiskObject, IconError> ReadDiskObjectFile(const std::string& hostInfoPath);
// Returns the number of bytes written.
Expected<std::size_t, IconError> WriteDiskObjectFile(const std::string& hostInfoPath,
                                                     const DiskObject& icon);

// GetDefDiskObject: the system's default icon for a type (WBDISK..WBAPPICON),
// with real images. NoDefaultIcon for any other number.
Expected<DiskObject, IconError> GetDefDiskObject(std::uint8_t type);

// Writes the default drawer icon as "<hostDrawerPath>.info" (the icon of a
// drawer lies beside it). An existing icon is left alone; returns whether one
// was written.
Expected<bool, IconError> WriteDefaultDrawerIcon(const std::string& hostDrawerPath);

// The drawer hook of CreateDrawerPath that gives every drawer it creates
// the default drawer icon (an existing icon is left alone). A drawer whose
// icon cannot be written still exists; the icon is a courtesy.
void AddDefaultDrawerIcon(const DosList& dos, const std::string& drawerPath);
// CreateDrawerPath "with icons": every drawer made gets a default drawer icon.
DosStatus CreateDrawerPathWithIcons(const DosList& dos, std::string_view path,
                                    const FileLock* drawer = nullptr);

// Sets the type; a disk, drawer or trashcan icon without drawer data gets
// the default drawer data, since Workbench opens a window for it.
void SetIconType(DiskObject& icon, std::uint8_t type);

// --- Tool types -------------------------------------------------------------

// FindToolType: the value of the first entry whose name (the text before
// "=", or the whole entry) equals typeName without regard to case; "" for an
// entry without "=". nullopt when there is none.
std::optional<std::string_view> FindToolType(const std::vector<std::string>& toolTypes,
                                             std::string_view typeName);
// MatchToolValue: whether one of the "|"-separated values of typeString
// equals value without regard to case. A value containing "|" never matches.
bool MatchToolValue(std::string_view typeString, std::string_view value);

// NewIcons keep their images as tool types after the pair " " and
// "*** DON'T EDIT THE FOLLOWING LINES!! ***". Index of the " " line that
// starts that block, or toolTypes.size() when there is none.
std::size_t NewIconsBlockStart(const std::vector<std::string>& toolTypes);

// Adds the entry NAME=value (the name in upper case; the bare name when the
// value is empty) after the existing ordinary entries. An entry of the same
// name stays; the new one comes after it. The NewIcons block stays last.
void AddToolType(std::vector<std::string>& toolTypes, std::string_view name,
                 std::string_view value);
// Removes the first ordinary entry that begins with name (compared without
// regard to case over the name's length). Returns whether one was removed.
// An empty name removes nothing; NewIcons lines are never touched.
bool RemoveToolType(std::vector<std::string>& toolTypes, std::string_view name);
// The install scripts' edit list, read in pairs (name, value): the value "-"
// removes the first entry beginning with the name, any other value adds
// NAME=value (NAME alone when the value is empty). A last name without a
// value is added as the bare upper-case name.
void EditToolTypes(std::vector<std::string>& toolTypes, const std::vector<std::string>& pairs);

}  // namespace amiga
