#include "platform/Icon.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/BigEndian.h"
#include "platform/IconImages.h"
#include "platform/Latin1.h"

namespace amiga {
namespace {

constexpr std::size_t kHeaderSize = 78;
constexpr std::size_t kDrawerDataSize = 56;
constexpr std::size_t kDrawerData2Size = 6;
constexpr std::size_t kImageHeaderSize = 20;
// Written into a pointer field of a present block whose stored value is zero:
// readers only test it against zero.
constexpr std::uint32_t kPresentPointer = 1;

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1a\n", 8};
constexpr std::string_view kNewIconsMarker = "*** DON'T EDIT THE FOLLOWING LINES!! ***";

// "icOn" attribute tags of PNG icons.
constexpr std::uint32_t ATTR_ICONX = 0x80001001;
constexpr std::uint32_t ATTR_ICONY = 0x80001002;
constexpr std::uint32_t ATTR_TOOLWINDOW = 0x80001008;
constexpr std::uint32_t ATTR_STACKSIZE = 0x80001009;
constexpr std::uint32_t ATTR_DEFAULTTOOL = 0x8000100A;
constexpr std::uint32_t ATTR_TOOLTYPE = 0x8000100B;
constexpr std::uint32_t ATTR_TYPE = 0x8000100F;
constexpr std::uint32_t ATTR_FIRST = 0x80001001;
constexpr std::uint32_t ATTR_LAST = 0x80001012;

// A cursor over the file's bytes. Every read checks the remaining length
// first; a failed check makes the whole decode fail.
class Reader {
  public:
    explicit Reader(std::string_view data) : data_(data) {}

    bool has(std::size_t count) const { return count <= data_.size() - offset_; }
    std::size_t remaining() const { return data_.size() - offset_; }
    std::size_t offset() const { return offset_; }

    std::uint8_t u8() {
        const auto value = static_cast<std::uint8_t>(data_[offset_]);
        offset_ += 1;
        return value;
    }
    std::uint16_t u16() {
        const std::uint16_t value = ReadBE16(data_, offset_);
        offset_ += 2;
        return value;
    }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32() {
        const std::uint32_t value = ReadBE32(data_, offset_);
        offset_ += 4;
        return value;
    }
    std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
    std::string_view rest() const { return data_.substr(offset_); }
    std::string_view bytes(std::size_t count) {
        const std::string_view value = data_.substr(offset_, count);
        offset_ += count;
        return value;
    }

  private:
    std::string_view data_;
    std::size_t offset_ = 0;
};

// The text of a stored string: up to its NUL (a string without one keeps all
// its bytes; the writer adds the NUL).
std::string StringText(std::string_view stored) {
    const std::size_t nul = stored.find('\0');
    return std::string(stored.substr(0, nul));
}

// A string block: ULONG length including the NUL, then the bytes.
bool ReadIconString(Reader& reader, std::string& out) {
    if (!reader.has(4)) {
        return false;
    }
    const std::uint32_t length = reader.u32();
    if (!reader.has(length)) {
        return false;
    }
    out = StringText(reader.bytes(length));
    return true;
}

void WriteIconString(std::string& out, std::string_view text) {
    AppendBE32(out, static_cast<std::uint32_t>(text.size() + 1));
    out.append(text);
    out.push_back('\0');
}

bool ReadImage(Reader& reader, IconImage& image) {
    if (!reader.has(kImageHeaderSize)) {
        return false;
    }
    image.leftEdge = reader.s16();
    image.topEdge = reader.s16();
    image.width = reader.s16();
    image.height = reader.s16();
    image.depth = reader.s16();
    image.imageData = reader.u32();
    image.planePick = reader.u8();
    image.planeOnOff = reader.u8();
    image.nextImage = reader.u32();
    // Negative sizes would wrap into huge ones; icons deeper than 8 planes or
    // larger than the limits do not exist.
    if (image.width < 0 || image.height < 0 || image.depth < 0 ||
        image.width > kMaxIconImageWidth || image.height > kMaxIconImageHeight ||
        image.depth > kMaxIconImageDepth) {
        return false;
    }
    const std::size_t size = image.planeDataSize();
    if (!reader.has(size)) {
        return false;
    }
    image.planes = std::string(reader.bytes(size));
    return true;
}

void WriteImage(std::string& out, const IconImage& image) {
    AppendBE16(out, static_cast<std::uint16_t>(image.leftEdge));
    AppendBE16(out, static_cast<std::uint16_t>(image.topEdge));
    AppendBE16(out, static_cast<std::uint16_t>(image.width));
    AppendBE16(out, static_cast<std::uint16_t>(image.height));
    AppendBE16(out, static_cast<std::uint16_t>(image.depth));
    AppendBE32(out, image.imageData != 0 ? image.imageData : kPresentPointer);
    out.push_back(static_cast<char>(image.planePick));
    out.push_back(static_cast<char>(image.planeOnOff));
    AppendBE32(out, image.nextImage);
    // The plane data is exactly as long as the header says; a caller that
    // changed the size without the planes gets zero planes rather than a
    // file whose blocks no longer line up.
    std::string planes = image.planes;
    planes.resize(image.planeDataSize(), '\0');
    out.append(planes);
}

bool IsValidImage(const IconImage& image) {
    return image.width >= 0 && image.height >= 0 && image.depth >= 0 &&
           image.width <= kMaxIconImageWidth && image.height <= kMaxIconImageHeight &&
           image.depth <= kMaxIconImageDepth;
}

void ReadDrawerData(Reader& reader, IconDrawerData& drawer) {
    drawer.leftEdge = reader.s16();
    drawer.topEdge = reader.s16();
    drawer.width = reader.s16();
    drawer.height = reader.s16();
    drawer.detailPen = reader.u8();
    drawer.blockPen = reader.u8();
    drawer.idcmpFlags = reader.u32();
    drawer.windowFlags = reader.u32();
    drawer.firstGadget = reader.u32();
    drawer.checkMark = reader.u32();
    drawer.title = reader.u32();
    drawer.screen = reader.u32();
    drawer.bitMap = reader.u32();
    drawer.minWidth = reader.s16();
    drawer.minHeight = reader.s16();
    drawer.maxWidth = reader.u16();
    drawer.maxHeight = reader.u16();
    drawer.windowType = reader.u16();
    drawer.currentX = reader.s32();
    drawer.currentY = reader.s32();
}

void WriteDrawerData(std::string& out, const IconDrawerData& drawer) {
    AppendBE16(out, static_cast<std::uint16_t>(drawer.leftEdge));
    AppendBE16(out, static_cast<std::uint16_t>(drawer.topEdge));
    AppendBE16(out, static_cast<std::uint16_t>(drawer.width));
    AppendBE16(out, static_cast<std::uint16_t>(drawer.height));
    out.push_back(static_cast<char>(drawer.detailPen));
    out.push_back(static_cast<char>(drawer.blockPen));
    AppendBE32(out, drawer.idcmpFlags);
    AppendBE32(out, drawer.windowFlags);
    AppendBE32(out, drawer.firstGadget);
    AppendBE32(out, drawer.checkMark);
    AppendBE32(out, drawer.title);
    AppendBE32(out, drawer.screen);
    AppendBE32(out, drawer.bitMap);
    AppendBE16(out, static_cast<std::uint16_t>(drawer.minWidth));
    AppendBE16(out, static_cast<std::uint16_t>(drawer.minHeight));
    AppendBE16(out, drawer.maxWidth);
    AppendBE16(out, drawer.maxHeight);
    AppendBE16(out, drawer.windowType);
    AppendBE32(out, static_cast<std::uint32_t>(drawer.currentX));
    AppendBE32(out, static_cast<std::uint32_t>(drawer.currentY));
}

// The second image is read when SelectRender is set, and also when the
// highlight mode says "image": some writers set one and not the other.
bool HasSelectImage(const IconGadget& gadget) {
    return gadget.selectRender != 0 || (gadget.flags & GFLG_GADGHIGHBITS) == GFLG_GADGHIMAGE;
}

bool HasFirstImage(const IconGadget& gadget) {
    return gadget.gadgetRender != 0 || (gadget.flags & GFLG_GADGIMAGE) != 0;
}

bool HasDrawerData2(const DiskObject& icon) {
    return icon.drawerData.has_value() && icon.revision() == WB_DISKREVISION;
}

Expected<DiskObject, IconError> DecodeClassic(std::string_view data) {
    Reader reader(data);
    if (!reader.has(kHeaderSize)) {
        return Unexpected{IconError::Malformed};
    }
    DiskObject icon;
    icon.format = IconFormat::Classic;
    icon.magic = reader.u16();
    icon.version = reader.u16();
    IconGadget& gadget = icon.gadget;
    gadget.nextGadget = reader.u32();
    gadget.leftEdge = reader.s16();
    gadget.topEdge = reader.s16();
    gadget.width = reader.s16();
    gadget.height = reader.s16();
    gadget.flags = reader.u16();
    gadget.activation = reader.u16();
    gadget.gadgetType = reader.u16();
    gadget.gadgetRender = reader.u32();
    gadget.selectRender = reader.u32();
    gadget.gadgetText = reader.u32();
    gadget.mutualExclude = reader.s32();
    gadget.specialInfo = reader.u32();
    gadget.gadgetID = reader.u16();
    gadget.userData = reader.u32();
    icon.type = reader.u8();
    icon.pad = reader.u8();
    icon.stored.defaultTool = reader.u32();
    icon.stored.toolTypes = reader.u32();
    icon.currentX = reader.s32();
    icon.currentY = reader.s32();
    icon.stored.drawerData = reader.u32();
    icon.stored.toolWindow = reader.u32();
    icon.stackSize = reader.s32();

    if (icon.stored.drawerData != 0) {
        if (!reader.has(kDrawerDataSize)) {
            return Unexpected{IconError::Malformed};
        }
        ReadDrawerData(reader, icon.drawerData.emplace());
    }
    if (HasFirstImage(gadget)) {
        if (!ReadImage(reader, icon.image.emplace())) {
            return Unexpected{IconError::Malformed};
        }
    }
    if (HasSelectImage(gadget)) {
        if (!ReadImage(reader, icon.selectImage.emplace())) {
            return Unexpected{IconError::Malformed};
        }
    }
    if (icon.stored.defaultTool != 0) {
        if (!ReadIconString(reader, icon.defaultTool.emplace())) {
            return Unexpected{IconError::Malformed};
        }
    }
    if (icon.stored.toolTypes != 0) {
        if (!reader.has(4)) {
            return Unexpected{IconError::Malformed};
        }
        // The count field is the size of the pointer array with its closing
        // NULL; a count below one entry means "no tool types" (as icon.library).
        const auto count = static_cast<std::int64_t>(reader.u32() >> 2) - 1;
        // Each entry needs at least its 4-byte length: a count that cannot fit
        // in the rest of the file is refused before anything is reserved.
        if (count > 0 && static_cast<std::uint64_t>(count) > reader.remaining() / 4) {
            return Unexpected{IconError::Malformed};
        }
        for (std::int64_t index = 0; index < count; ++index) {
            if (!ReadIconString(reader, icon.toolTypes.emplace_back())) {
                return Unexpected{IconError::Malformed};
            }
        }
    }
    if (icon.stored.toolWindow != 0) {
        if (!ReadIconString(reader, icon.toolWindow.emplace())) {
            return Unexpected{IconError::Malformed};
        }
    }
    if (HasDrawerData2(icon)) {
        if (!reader.has(kDrawerData2Size)) {
            return Unexpected{IconError::Malformed};
        }
        icon.drawerData->ddFlags = reader.u32();
        icon.drawerData->viewModes = reader.u16();
    }
    icon.extension = std::string(reader.bytes(reader.remaining()));
    return icon;
}

std::uint32_t PointerFor(bool present, std::uint32_t stored) {
    if (!present) {
        return 0;
    }
    return stored != 0 ? stored : kPresentPointer;
}

Expected<std::string, IconError> EncodeClassic(const DiskObject& icon) {
    if ((icon.image && !IsValidImage(*icon.image)) ||
        (icon.selectImage && !IsValidImage(*icon.selectImage))) {
        return Unexpected{IconError::Malformed};
    }
    IconGadget gadget = icon.gadget;
    gadget.gadgetRender = PointerFor(icon.image.has_value(), gadget.gadgetRender);
    if (icon.image) {
        gadget.flags |= GFLG_GADGIMAGE;
    } else {
        gadget.flags &= static_cast<std::uint16_t>(~GFLG_GADGIMAGE);
    }
    gadget.selectRender = PointerFor(icon.selectImage.has_value(), gadget.selectRender);
    if (!icon.selectImage && (gadget.flags & GFLG_GADGHIGHBITS) == GFLG_GADGHIMAGE) {
        gadget.flags &= static_cast<std::uint16_t>(~GFLG_GADGHIGHBITS);  // complement instead
    }

    std::string out;
    out.reserve(kHeaderSize + kDrawerDataSize + icon.extension.size() + 1024);
    AppendBE16(out, icon.magic);
    AppendBE16(out, icon.version);
    AppendBE32(out, gadget.nextGadget);
    AppendBE16(out, static_cast<std::uint16_t>(gadget.leftEdge));
    AppendBE16(out, static_cast<std::uint16_t>(gadget.topEdge));
    AppendBE16(out, static_cast<std::uint16_t>(gadget.width));
    AppendBE16(out, static_cast<std::uint16_t>(gadget.height));
    AppendBE16(out, gadget.flags);
    AppendBE16(out, gadget.activation);
    AppendBE16(out, gadget.gadgetType);
    AppendBE32(out, gadget.gadgetRender);
    AppendBE32(out, gadget.selectRender);
    AppendBE32(out, gadget.gadgetText);
    AppendBE32(out, static_cast<std::uint32_t>(gadget.mutualExclude));
    AppendBE32(out, gadget.specialInfo);
    AppendBE16(out, gadget.gadgetID);
    AppendBE32(out, gadget.userData);
    out.push_back(static_cast<char>(icon.type));
    out.push_back(static_cast<char>(icon.pad));
    // An empty tool-type list is still written when the icon had the array.
    const bool hasToolTypes = !icon.toolTypes.empty() || icon.stored.toolTypes != 0;
    AppendBE32(out, PointerFor(icon.defaultTool.has_value(), icon.stored.defaultTool));
    AppendBE32(out, PointerFor(hasToolTypes, icon.stored.toolTypes));
    AppendBE32(out, static_cast<std::uint32_t>(icon.currentX));
    AppendBE32(out, static_cast<std::uint32_t>(icon.currentY));
    AppendBE32(out, PointerFor(icon.drawerData.has_value(), icon.stored.drawerData));
    AppendBE32(out, PointerFor(icon.toolWindow.has_value(), icon.stored.toolWindow));
    AppendBE32(out, static_cast<std::uint32_t>(icon.stackSize));

    if (icon.drawerData) {
        WriteDrawerData(out, *icon.drawerData);
    }
    if (icon.image) {
        WriteImage(out, *icon.image);
    }
    if (icon.selectImage) {
        WriteImage(out, *icon.selectImage);
    }
    if (icon.defaultTool) {
        WriteIconString(out, *icon.defaultTool);
    }
    if (hasToolTypes) {
        AppendBE32(out, static_cast<std::uint32_t>((icon.toolTypes.size() + 1) * 4));
        for (const std::string& entry : icon.toolTypes) {
            WriteIconString(out, entry);
        }
    }
    if (icon.toolWindow) {
        WriteIconString(out, *icon.toolWindow);
    }
    if (HasDrawerData2(icon)) {
        AppendBE32(out, icon.drawerData->ddFlags);
        AppendBE16(out, icon.drawerData->viewModes);
    }
    out.append(icon.extension);
    return out;
}

// --- PNG icons --------------------------------------------------------------

std::uint32_t Crc32(std::string_view data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> result{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            result[n] = c;
        }
        return result;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

constexpr std::uint32_t kChunkIHDR = 0x49484452;
constexpr std::uint32_t kChunkIEND = 0x49454E44;
constexpr std::uint32_t kChunkIcOn = 0x69634F6E;

struct PngChunkSpan {
    std::uint32_t type = 0;
    std::size_t start = 0;  // offset of the length field
    std::size_t dataStart = 0;
    std::size_t dataSize = 0;
    std::size_t end = 0;  // offset after the CRC
};

// The chunks of the first PNG in the data, up to and including IEND.
Expected<std::vector<PngChunkSpan>, IconError> WalkPng(std::string_view data) {
    std::vector<PngChunkSpan> chunks;
    Reader reader(data);
    reader.bytes(kPngSignature.size());
    while (true) {
        if (!reader.has(8)) {
            return Unexpected{IconError::Malformed};
        }
        PngChunkSpan chunk;
        chunk.start = reader.offset();
        chunk.dataSize = reader.u32();
        chunk.type = reader.u32();
        // PNG limits a chunk to 2^31-1 bytes; the 4 bytes of CRC follow.
        if (chunk.dataSize > 0x7FFFFFFFu || !reader.has(chunk.dataSize + 4)) {
            return Unexpected{IconError::Malformed};
        }
        chunk.dataStart = reader.offset();
        reader.bytes(chunk.dataSize + 4);
        chunk.end = reader.offset();
        chunks.push_back(chunk);
        if (chunks.size() == 1 && chunk.type != kChunkIHDR) {
            return Unexpected{IconError::Malformed};
        }
        if (chunk.type == kChunkIEND) {
            return chunks;
        }
    }
}

// A NUL-terminated string of the "icOn" chunk.
bool ReadPngString(Reader& reader, std::string& out) {
    const std::size_t nul = reader.rest().find('\0');
    if (nul == std::string_view::npos) {
        return false;
    }
    out = std::string(reader.bytes(nul));
    reader.u8();
    return true;
}

bool DecodeIconAttributes(std::string_view attributes, DiskObject& icon) {
    Reader reader(attributes);
    auto remember = [&](std::uint32_t tag) {
        for (const std::uint32_t seen : icon.pngTagOrder) {
            if (seen == tag) {
                return;
            }
        }
        icon.pngTagOrder.push_back(tag);
    };
    while (reader.remaining() > 0) {
        if (!reader.has(4)) {
            return false;
        }
        const std::uint32_t tag = reader.u32();
        // The tags do not say how long their data is: a tag we do not know
        // makes the rest unreadable.
        if (tag < ATTR_FIRST || tag > ATTR_LAST) {
            return false;
        }
        remember(tag);
        if (tag == ATTR_DEFAULTTOOL || tag == ATTR_TOOLTYPE || tag == ATTR_TOOLWINDOW) {
            std::string text;
            const std::size_t start = reader.offset();
            if (!ReadPngString(reader, text)) {
                return false;
            }
            if (tag == ATTR_DEFAULTTOOL) {
                icon.defaultTool = std::move(text);
            } else if (tag == ATTR_TOOLTYPE) {
                icon.toolTypes.push_back(std::move(text));
            } else {
                icon.toolWindow = std::move(text);
                // The tool window is padded with NULs to a multiple of 8
                // bytes counting its tag.
                std::size_t used = 4 + (reader.offset() - start);
                while (used % 8 != 0 && !reader.rest().empty() && reader.rest()[0] == '\0') {
                    reader.u8();
                    ++used;
                }
            }
            continue;
        }
        if (!reader.has(4)) {
            return false;
        }
        const std::uint32_t value = reader.u32();
        switch (tag) {
            case ATTR_ICONX:
                icon.currentX = static_cast<std::int32_t>(value);
                break;
            case ATTR_ICONY:
                icon.currentY = static_cast<std::int32_t>(value);
                break;
            case ATTR_STACKSIZE:
                icon.stackSize = static_cast<std::int32_t>(value);
                break;
            case ATTR_TYPE:
                icon.type = static_cast<std::uint8_t>(value);
                break;
            default:
                icon.pngOtherTags.push_back({tag, value});
                break;
        }
    }
    return true;
}

Expected<DiskObject, IconError> DecodePng(std::string_view data) {
    auto chunks = WalkPng(data);
    AMIGA_RETURN_IF_FAILED(chunks);
    DiskObject icon;
    icon.format = IconFormat::Png;
    icon.png = std::string(data);
    icon.stored = {};
    for (const PngChunkSpan& chunk : *chunks) {
        if (chunk.type == kChunkIcOn) {
            if (!DecodeIconAttributes(data.substr(chunk.dataStart, chunk.dataSize), icon)) {
                return Unexpected{IconError::Malformed};
            }
            break;
        }
    }
    return icon;
}

void AppendPngString(std::string& out, std::uint32_t tag, std::string_view text) {
    AppendBE32(out, tag);
    out.append(text.substr(0, text.find('\0')));
    out.push_back('\0');
}

std::string EncodeIconAttributes(const DiskObject& icon) {
    std::string out;
    std::vector<std::uint32_t> order = icon.pngTagOrder;
    for (const std::uint32_t tag : {ATTR_ICONX, ATTR_ICONY, ATTR_STACKSIZE, ATTR_TYPE,
                                    ATTR_DEFAULTTOOL, ATTR_TOOLTYPE, ATTR_TOOLWINDOW}) {
        bool seen = false;
        for (const std::uint32_t known : order) {
            seen = seen || known == tag;
        }
        if (!seen) {
            order.push_back(tag);
        }
    }
    for (const std::uint32_t tag : order) {
        switch (tag) {
            case ATTR_ICONX:
                if (icon.currentX != NO_ICON_POSITION) {
                    AppendBE32(out, tag);
                    AppendBE32(out, static_cast<std::uint32_t>(icon.currentX));
                }
                break;
            case ATTR_ICONY:
                if (icon.currentY != NO_ICON_POSITION) {
                    AppendBE32(out, tag);
                    AppendBE32(out, static_cast<std::uint32_t>(icon.currentY));
                }
                break;
            case ATTR_STACKSIZE:
                if (icon.stackSize != 0) {
                    AppendBE32(out, tag);
                    AppendBE32(out, static_cast<std::uint32_t>(icon.stackSize));
                }
                break;
            case ATTR_TYPE:
                if (icon.type != 0) {
                    AppendBE32(out, tag);
                    AppendBE32(out, icon.type);
                }
                break;
            case ATTR_DEFAULTTOOL:
                if (icon.defaultTool) {
                    AppendPngString(out, tag, *icon.defaultTool);
                }
                break;
            case ATTR_TOOLTYPE:
                for (const std::string& entry : icon.toolTypes) {
                    AppendPngString(out, tag, entry);
                }
                break;
            case ATTR_TOOLWINDOW:
                if (icon.toolWindow) {
                    const std::size_t start = out.size();
                    AppendPngString(out, tag, *icon.toolWindow);
                    while ((out.size() - start) % 8 != 0) {
                        out.push_back('\0');
                    }
                }
                break;
            default:
                for (const DiskObject::PngTag& other : icon.pngOtherTags) {
                    if (other.tag == tag) {
                        AppendBE32(out, other.tag);
                        AppendBE32(out, other.value);
                    }
                }
                break;
        }
    }
    return out;
}

Expected<std::string, IconError> EncodePng(const DiskObject& icon) {
    if (icon.png.size() < kPngSignature.size() ||
        std::string_view(icon.png).substr(0, kPngSignature.size()) != kPngSignature) {
        return Unexpected{IconError::NotAnIcon};
    }
    auto chunks = WalkPng(icon.png);
    AMIGA_RETURN_IF_FAILED(chunks);
    const std::string attributes = EncodeIconAttributes(icon);
    std::string chunk;
    AppendBE32(chunk, static_cast<std::uint32_t>(attributes.size()));
    AppendBE32(chunk, kChunkIcOn);
    chunk.append(attributes);
    AppendBE32(chunk, Crc32(std::string_view(chunk).substr(4)));

    std::size_t replaceStart = (*chunks)[0].end;  // after IHDR unless an icOn exists
    std::size_t replaceEnd = replaceStart;
    for (const PngChunkSpan& span : *chunks) {
        if (span.type == kChunkIcOn) {
            replaceStart = span.start;
            replaceEnd = span.end;
            break;
        }
    }
    std::string out = icon.png.substr(0, replaceStart);
    out.append(chunk);
    out.append(icon.png, replaceEnd, std::string::npos);
    return out;
}

IconError ErrorFromErrno(int error, IconError otherwise) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return IconError::NotFound;
        default:
            return otherwise;
    }
}

std::string Parent(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsNewIconsLine(std::string_view entry) {
    return entry == kNewIconsMarker;
}

}  // namespace

std::string_view IconErrorText(IconError error) {
    switch (error) {
        case IconError::NotFound:
            return "icon not found";
        case IconError::ReadFailed:
            return "icon could not be read";
        case IconError::WriteFailed:
            return "icon could not be written";
        case IconError::NotAnIcon:
            return "not an icon file";
        case IconError::Malformed:
            return "icon file is damaged";
        case IconError::TooLarge:
            return "icon file is too large";
        case IconError::NoDefaultIcon:
            return "no default icon for this type";
    }
    return "icon error";
}

std::int32_t IconErrorToDosError(IconError error) {
    switch (error) {
        case IconError::NotFound:
            return 205;  // ERROR_OBJECT_NOT_FOUND
        case IconError::ReadFailed:
            return 224;  // ERROR_READ_PROTECTED
        case IconError::WriteFailed:
            return 223;  // ERROR_WRITE_PROTECTED
        case IconError::NotAnIcon:
        case IconError::Malformed:
        case IconError::NoDefaultIcon:
            return 212;  // ERROR_OBJECT_WRONG_TYPE
        case IconError::TooLarge:
            return 103;  // ERROR_NO_FREE_STORE
    }
    return 212;
}

std::string_view IconTypeName(std::uint8_t type) {
    static constexpr std::array<std::string_view, 9> names = {"",         "WBDISK",    "WBDRAWER",
                                                              "WBTOOL",   "WBPROJECT", "WBGARBAGE",
                                                              "WBDEVICE", "WBKICK",    "WBAPPICON"};
    return type < names.size() ? names[type] : std::string_view{};
}

std::uint8_t IconTypeFromName(std::string_view name) {
    for (std::uint8_t type = WBDISK; type <= WBAPPICON; ++type) {
        if (EqualsNoCase(name, IconTypeName(type))) {
            return type;
        }
    }
    return 0;
}

Expected<DiskObject, IconError> DecodeDiskObject(std::string_view data) {
    if (data.size() > kMaxIconFileSize) {
        return Unexpected{IconError::TooLarge};
    }
    if (data.size() >= 2 && ReadBE16(data, 0) == WB_DISKMAGIC) {
        return DecodeClassic(data);
    }
    if (data.substr(0, kPngSignature.size()) == kPngSignature) {
        return DecodePng(data);
    }
    return Unexpected{IconError::NotAnIcon};
}

Expected<std::string, IconError> EncodeDiskObject(const DiskObject& icon) {
    if (icon.format == IconFormat::Png) {
        return EncodePng(icon);
    }
    return EncodeClassic(icon);
}

Expected<DiskObject, IconError> ReadDiskObjectFile(const std::string& hostInfoPath) {
    const int fd = ::open(hostInfoPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Unexpected{ErrorFromErrno(errno, IconError::ReadFailed)};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Unexpected{IconError::ReadFailed};
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxIconFileSize) {
        ::close(fd);
        return Unexpected{IconError::TooLarge};
    }
    std::string data;
    char buffer[16384];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return Unexpected{IconError::ReadFailed};
        }
        if (got == 0) {
            break;
        }
        data.append(buffer, static_cast<std::size_t>(got));
        // The file may grow while we read it; the limit still holds.
        if (data.size() > kMaxIconFileSize) {
            ::close(fd);
            return Unexpected{IconError::TooLarge};
        }
    }
    ::close(fd);
    return DecodeDiskObject(data);
}

Expected<std::size_t, IconError> WriteDiskObjectFile(const std::string& hostInfoPath,
                                                     const DiskObject& icon) {
    auto bytes = EncodeDiskObject(icon);
    AMIGA_RETURN_IF_FAILED(bytes);
    std::string temporary = Parent(hostInfoPath) + "/.icon-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return Unexpected{ErrorFromErrno(errno, IconError::WriteFailed)};
    }
    // mkstemp makes the file private; an icon is as readable as any other
    // file (the old icon's mode is kept when there was one).
    struct stat old {};
    mode_t mode = 0644;
    if (::stat(hostInfoPath.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    std::size_t written = 0;
    while (ok && written < bytes->size()) {
        const ssize_t put = ::write(fd, bytes->data() + written, bytes->size() - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            ok = false;
            break;
        }
        written += static_cast<std::size_t>(put);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), hostInfoPath.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return Unexpected{IconError::WriteFailed};
    }
    return bytes->size();
}

void SetIconType(DiskObject& icon, std::uint8_t type) {
    icon.type = type;
    const bool opensWindow = type == WBDISK || type == WBDRAWER || type == WBGARBAGE;
    if (opensWindow && !icon.drawerData && icon.format == IconFormat::Classic) {
        icon.drawerData.emplace();
    }
}

Expected<DiskObject, IconError> GetDefDiskObject(std::uint8_t type) {
    if (type < WBDISK || type > WBAPPICON) {
        return Unexpected{IconError::NoDefaultIcon};
    }
    DiskObject icon;
    icon.image = DefaultIconImage(type);
    icon.gadget.width = icon.image->width;
    icon.gadget.height = icon.image->height;
    icon.gadget.flags = GFLG_GADGIMAGE | GFLG_GADGHCOMP;
    icon.gadget.userData = WB_DISKREVISION;
    icon.currentX = NO_ICON_POSITION;
    icon.currentY = NO_ICON_POSITION;
    icon.stackSize = 4096;
    SetIconType(icon, type);
    return icon;
}

Expected<bool, IconError> WriteDefaultDrawerIcon(const std::string& hostDrawerPath) {
    std::string path = hostDrawerPath;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    path += ".info";
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        return false;
    }
    auto icon = GetDefDiskObject(WBDRAWER);
    AMIGA_RETURN_IF_FAILED(icon);
    auto written = WriteDiskObjectFile(path, *icon);
    AMIGA_RETURN_IF_FAILED(written);
    return true;
}

void AddDefaultDrawerIcon(const DosList& dos, const std::string& drawerPath) {
    auto lock = Lock(dos, drawerPath);
    if (!lock || !lock->drawer || lock->names.empty()) {
        return;  // a volume root has no icon file beside it
    }
    // The icon is a courtesy: the drawer exists and works without it.
    (void)WriteDefaultDrawerIcon(lock->hostPath);
}

DosStatus CreateDrawerPathWithIcons(const DosList& dos, std::string_view path,
                                    const FileLock* drawer) {
    return CreateDrawerPath(dos, path, AddDefaultDrawerIcon, drawer);
}

// --- Tool types -------------------------------------------------------------

std::optional<std::string_view> FindToolType(const std::vector<std::string>& toolTypes,
                                             std::string_view typeName) {
    for (const std::string& entry : toolTypes) {
        const std::string_view text = entry;
        const std::size_t equals = text.find('=');
        const std::string_view name = text.substr(0, equals);
        if (EqualsNoCase(name, typeName)) {
            return equals == std::string_view::npos ? text.substr(text.size())
                                                    : text.substr(equals + 1);
        }
    }
    return std::nullopt;
}

bool MatchToolValue(std::string_view typeString, std::string_view value) {
    if (value.find('|') != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = typeString.find('|', start);
        const std::string_view part = typeString.substr(start, bar - start);
        if (EqualsNoCase(part, value)) {
            return true;
        }
        if (bar == std::string_view::npos) {
            return false;
        }
        start = bar + 1;
    }
}

std::size_t NewIconsBlockStart(const std::vector<std::string>& toolTypes) {
    for (std::size_t index = 0; index + 1 < toolTypes.size(); ++index) {
        if (toolTypes[index] == " " && IsNewIconsLine(toolTypes[index + 1])) {
            return index;
        }
    }
    return toolTypes.size();
}

void AddToolType(std::vector<std::string>& toolTypes, std::string_view name,
                 std::string_view value) {
    std::string entry = ToUpper(name);
    if (!value.empty()) {
        entry += '=';
        entry.append(value);
    }
    const std::size_t at = NewIconsBlockStart(toolTypes);
    toolTypes.insert(toolTypes.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

bool RemoveToolType(std::vector<std::string>& toolTypes, std::string_view name) {
    if (name.empty()) {
        return false;
    }
    const std::size_t end = NewIconsBlockStart(toolTypes);
    for (std::size_t index = 0; index < end; ++index) {
        if (StartsWithNoCase(toolTypes[index], name)) {
            toolTypes.erase(toolTypes.begin() + static_cast<std::ptrdiff_t>(index));
            return true;
        }
    }
    return false;
}

void EditToolTypes(std::vector<std::string>& toolTypes, const std::vector<std::string>& pairs) {
    for (std::size_t index = 0; index < pairs.size(); index += 2) {
        const std::string& name = pairs[index];
        if (index + 1 >= pairs.size()) {
            AddToolType(toolTypes, name, "");
            break;
        }
        const std::string& value = pairs[index + 1];
        if (value == "-") {
            RemoveToolType(toolTypes, name);
        } else {
            AddToolType(toolTypes, name, value);
        }
    }
}

}  // namespace amiga
