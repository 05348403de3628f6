#include "platform/Iff.h"

#include "platform/BigEndian.h"

namespace amiga {
namespace {

constexpr IffId kForm = MakeIffId("FORM");

bool IsValidId(IffId id) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned byte = (id >> shift) & 0xFF;
        if (byte < 0x20 || byte > 0x7E) {
            return false;
        }
    }
    return (id >> 24) != ' ';
}

}  // namespace

std::string IffIdText(IffId id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text.push_back(static_cast<char>((id >> shift) & 0xFF));
    }
    return text;
}

std::string_view IffErrorText(IffError error) {
    switch (error) {
        case IffError::NotIff:
            return "not an IFF FORM";
        case IffError::Truncated:
            return "IFF data is truncated";
        case IffError::BadChunk:
            return "IFF chunk has an invalid ID";
    }
    return "IFF error";
}

std::optional<std::string_view> IffForm::find(IffId id) const {
    for (const IffChunk& chunk : chunks) {
        if (chunk.id == id) {
            return chunk.data;
        }
    }
    return std::nullopt;
}

Expected<IffForm, IffError> ParseIffForm(std::string_view data) {
    if (data.size() < 12 || ReadBE32(data, 0) != kForm) {
        return Unexpected{IffError::NotIff};
    }
    const std::uint64_t formCount = ReadBE32(data, 4);
    if (formCount < 4 || formCount > data.size() - 8) {
        return Unexpected{IffError::Truncated};
    }
    IffForm form;
    form.type = ReadBE32(data, 8);
    if (!IsValidId(form.type)) {
        return Unexpected{IffError::NotIff};
    }
    const std::size_t end = 8 + static_cast<std::size_t>(formCount);
    std::size_t offset = 12;
    while (offset < end) {
        if (end - offset < 8) {
            return Unexpected{IffError::Truncated};
        }
        IffChunk chunk;
        chunk.id = ReadBE32(data, offset);
        if (!IsValidId(chunk.id)) {
            return Unexpected{IffError::BadChunk};
        }
        const std::uint64_t count = ReadBE32(data, offset + 4);
        offset += 8;
        if (count > end - offset) {
            return Unexpected{IffError::Truncated};
        }
        chunk.data = data.substr(offset, static_cast<std::size_t>(count));
        offset += static_cast<std::size_t>(count);
        if (count % 2 != 0 && offset < end) {
            ++offset;  // the pad byte
        }
        form.chunks.push_back(chunk);
    }
    form.size = end + (formCount % 2 != 0 && end < data.size() ? 1 : 0);
    return form;
}

IffWriter::IffWriter(IffId formType) : type_(formType) {}

void IffWriter::addChunk(IffId id, std::string_view data) {
    AppendBE32(body_, id);
    AppendBE32(body_, static_cast<std::uint32_t>(data.size()));
    body_.append(data);
    if (data.size() % 2 != 0) {
        body_.push_back('\0');
    }
}

std::string IffWriter::finish() const {
    std::string out;
    out.reserve(body_.size() + 12);
    AppendBE32(out, kForm);
    AppendBE32(out, static_cast<std::uint32_t>(body_.size() + 4));
    AppendBE32(out, type_);
    out.append(body_);
    return out;
}

}  // namespace amiga
