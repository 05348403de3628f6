#include "archive/LhaDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace stovan::archive {

namespace {

// The -lh4- to -lh7- stream is a series of blocks. Each block starts with
// the number of codes it holds (16 bits) and three Huffman trees, all sent
// as code lengths (canonical codes, read most significant bit first):
//  - the pre-tree (19 symbols) that codes the literal tree's lengths,
//  - the literal tree (510 symbols: 256 bytes, then match lengths 3-256),
//  - the position tree (one symbol per bit length of a match distance).
constexpr unsigned kLiteralSymbols = 510;
constexpr unsigned kLiteralCountBits = 9;
constexpr unsigned kPreSymbols = 19;
constexpr unsigned kPreCountBits = 5;
constexpr unsigned kMaxCodeLength = 16;
constexpr unsigned kMinMatch = 3;
constexpr std::size_t kMaxMatch = 256;

// First-level lookup widths: the literal tree is used most, and 12 bits
// cover nearly every code of real data; the small trees take 8.
constexpr unsigned kLiteralTableBits = 12;
constexpr unsigned kSmallTableBits = 8;

// Bytes decoded per round between hand-outs, and compressed bytes read from
// the source at a time.
constexpr std::size_t kRound = std::size_t{1} << 17;
constexpr std::size_t kInputChunk = std::size_t{1} << 16;
constexpr std::size_t kLargestWindow = std::size_t{1} << 16;
// Room behind a round for the last match and for 16-byte copies running over.
constexpr std::size_t kSlack = kMaxMatch + 32;

// A table entry: symbol in bits 0-15 and code length in 16-20, or, with
// kLink set, the start of a second-level table in bits 0-15 and its width in
// 24-28. kInvalid stands for code space no symbol uses.
constexpr std::uint32_t kLink = std::uint32_t{1} << 31;
constexpr std::uint32_t kInvalid = 0xFFFF;

const char* const kBadTable = "invalid Huffman table";
const char* const kBadCode = "invalid Huffman code";
const char* const kBadDistance = "a match reaches outside the data written";
const char* const kEndsEarly = "the compressed data ends early";
const char* const kReadFailed = "the archive cannot be read";

struct MethodShape {
    std::size_t dictionary;
    unsigned positionCodes;
    unsigned positionBits;
};

MethodShape ShapeOf(LhaMethod method) {
    switch (method) {
        case LhaMethod::Lh1:
            return {std::size_t{1} << 12, 0, 0};
        case LhaMethod::Lh4:
            return {std::size_t{1} << 12, 14, 4};
        case LhaMethod::Lh5:
            return {std::size_t{1} << 13, 14, 4};
        case LhaMethod::Lh6:
            return {std::size_t{1} << 15, 16, 5};
        case LhaMethod::Lh7:
            return {std::size_t{1} << 16, 17, 5};
        case LhaMethod::Stored:
            break;
    }
    return {0, 0, 0};
}

inline std::uint64_t LoadBigEndian64(const std::uint8_t* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return __builtin_bswap64(word);
}

// One symbol; the caller made sure at least kMaxCodeLength bits are there.
inline std::uint32_t DecodeSymbol(const std::uint32_t* table, unsigned tableBits,
                                  std::uint64_t& buffer, unsigned& available) {
    std::uint32_t entry = table[buffer >> (64 - tableBits)];
    if ((entry & kLink) != 0) [[unlikely]] {
        const unsigned width = (entry >> 24) & 31;
        entry = table[(entry & 0xFFFF) + ((buffer << tableBits) >> (64 - width))];
    }
    const unsigned length = (entry >> 16) & 31;
    buffer <<= length;
    available -= length;
    return entry & 0xFFFF;
}

// Copies a match of length bytes from distance bytes back; may write up to 15
// bytes beyond the match (the window has room for it).
inline void CopyMatch(std::uint8_t* out, std::size_t distance, std::size_t length) {
    const std::uint8_t* from = out - distance;
    std::uint8_t* const to = out + length;
    if (distance >= 16) {
        do {
            std::memcpy(out, from, 16);
            out += 16;
            from += 16;
        } while (out < to);
    } else if (distance >= 8) {
        do {
            std::memcpy(out, from, 8);
            out += 8;
            from += 8;
        } while (out < to);
    } else if (distance == 1) {
        std::memset(out, *from, length);
    } else {
        while (out < to) {
            *out++ = *from++;
        }
    }
}

// -lh1- codes the upper 6 bits of a match position with a fixed prefix code
// (lengths 3 to 8 bits; so many codes of each), the lower 6 bits plainly.
struct PositionCode {
    std::array<std::uint8_t, 256> upper{};
    std::array<std::uint8_t, 256> length{};
};

constexpr PositionCode MakePositionCode() {
    PositionCode code{};
    constexpr unsigned kCodesOfLength[][2] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
    unsigned index = 0;
    unsigned upper = 0;
    for (const auto& [length, codes] : kCodesOfLength) {
        for (unsigned k = 0; k < codes; ++k, ++upper) {
            for (unsigned e = 0; e < (1u << (8 - length)); ++e, ++index) {
                code.upper[index] = static_cast<std::uint8_t>(upper);
                code.length[index] = static_cast<std::uint8_t>(length);
            }
        }
    }
    return code;
}

constexpr PositionCode kPositionCode = MakePositionCode();

// Every code decodes to symbol without using a bit (a tree of one symbol).
void BuildSingle(std::vector<std::uint32_t>& entries, unsigned tableBits, unsigned symbol) {
    entries.assign(std::size_t{1} << tableBits, symbol);
}

// Canonical codes from lengths: shorter codes first, equal lengths in
// symbol order. Oversubscribed length sets are refused; code space left
// unused decodes to kInvalid, which the decoder refuses when it is met.
bool BuildTable(std::vector<std::uint32_t>& entries, unsigned tableBits,
                const std::uint8_t* lengths, unsigned count) {
    std::array<unsigned, kMaxCodeLength + 1> counts{};
    unsigned longest = 0;
    for (unsigned symbol = 0; symbol < count; ++symbol) {
        if (lengths[symbol] > kMaxCodeLength) {
            return false;
        }
        ++counts[lengths[symbol]];
        longest = std::max<unsigned>(longest, lengths[symbol]);
    }
    counts[0] = 0;
    long left = 1;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        left = left * 2 - counts[length];
        if (left < 0) {
            return false;
        }
    }
    std::array<unsigned, kMaxCodeLength + 1> next{};
    unsigned code = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        code = (code + counts[length - 1]) << 1;
        next[length] = code;
    }
    entries.assign(std::size_t{1} << tableBits, kInvalid);
    const unsigned width = longest > tableBits ? longest - tableBits : 0;
    for (unsigned symbol = 0; symbol < count; ++symbol) {
        const unsigned length = lengths[symbol];
        if (length == 0) {
            continue;
        }
        const unsigned value = next[length]++;
        const std::uint32_t entry = symbol | (length << 16);
        if (length <= tableBits) {
            const std::size_t first = std::size_t{value} << (tableBits - length);
            std::fill_n(entries.begin() + static_cast<std::ptrdiff_t>(first),
                        std::size_t{1} << (tableBits - length), entry);
            continue;
        }
        const unsigned prefix = value >> (length - tableBits);
        if ((entries[prefix] & kLink) == 0) {
            const std::size_t start = entries.size();
            entries.resize(start + (std::size_t{1} << width), kInvalid);
            entries[prefix] = kLink | (width << 24) | static_cast<std::uint32_t>(start);
        }
        const std::size_t start = entries[prefix] & 0xFFFF;
        const unsigned low = value & ((1u << (length - tableBits)) - 1);
        const std::size_t first = start + (std::size_t{low} << (longest - length));
        std::fill_n(entries.begin() + static_cast<std::ptrdiff_t>(first),
                    std::size_t{1} << (longest - length), entry);
    }
    return true;
}

}  // namespace

std::optional<LhaMethod> LhaMethodFromName(std::string_view method) {
    if (method == "-lh0-" || method == "-lz4-") {
        return LhaMethod::Stored;
    }
    if (method == "-lh1-") {
        return LhaMethod::Lh1;
    }
    if (method == "-lh4-") {
        return LhaMethod::Lh4;
    }
    if (method == "-lh5-") {
        return LhaMethod::Lh5;
    }
    if (method == "-lh6-") {
        return LhaMethod::Lh6;
    }
    if (method == "-lh7-") {
        return LhaMethod::Lh7;
    }
    return std::nullopt;
}

LhaDecoder::LhaDecoder() = default;
LhaDecoder::~LhaDecoder() = default;

void LhaDecoder::start(LhaMethod method, std::uint64_t originalSize, LhaSource source) {
    method_ = method;
    source_ = std::move(source);
    remaining_ = originalSize;
    toDecode_ = originalSize;
    error_.clear();
    sourceDone_ = false;
    padBytes_ = 0;
    bits_ = Bits{};
    position_ = 0;
    handedOut_ = 0;
    blockLeft_ = 0;
    if (method == LhaMethod::Stored) {
        return;
    }
    const MethodShape shape = ShapeOf(method);
    dictionary_ = shape.dictionary;
    history_ = shape.dictionary;
    positionCodes_ = shape.positionCodes;
    positionBits_ = shape.positionBits;
    // Buffers are sized for the largest window once, then kept.
    input_.resize(kInputChunk);
    window_.resize(kLargestWindow + kRound + kSlack);
    bits_.in = input_.data();
    bits_.end = input_.data();
    // The window starts full of spaces and matches may refer to them: -lh1-
    // encoders do, and the other methods' decoders everywhere read such a
    // match as spaces too, so an archive they extract extracts here.
    std::memset(window_.data(), ' ', history_);
    position_ = history_;
    handedOut_ = history_;
    if (method == LhaMethod::Lh1) {
        if (!adaptive_) {
            adaptive_ = std::make_unique<AdaptiveTree>();
        }
        AdaptiveTree& tree = *adaptive_;
        for (unsigned i = 0; i < kAdaptiveSymbols; ++i) {
            tree.frequency[i] = 1;
            tree.child[i] = i + kAdaptiveNodes;
            tree.parent[i + kAdaptiveNodes] = i;
        }
        for (unsigned i = 0, j = kAdaptiveSymbols; j < kAdaptiveNodes; i += 2, ++j) {
            tree.frequency[j] = tree.frequency[i] + tree.frequency[i + 1];
            tree.child[j] = i;
            tree.parent[i] = j;
            tree.parent[i + 1] = j;
        }
        tree.frequency[kAdaptiveNodes] = 0xFFFF;  // a sentinel above every count
        tree.parent[kAdaptiveNodes - 1] = 0;
    }
}

bool LhaDecoder::pullInput() {
    if (sourceDone_) {
        return false;
    }
    const std::size_t kept = static_cast<std::size_t>(bits_.end - bits_.in);
    std::memmove(input_.data(), bits_.in, kept);
    const std::ptrdiff_t got = source_(input_.data() + kept, input_.size() - kept);
    bits_.in = input_.data();
    bits_.end = input_.data() + kept;
    if (got < 0) {
        error_ = kReadFailed;
        sourceDone_ = true;
        return false;
    }
    if (got == 0) {
        sourceDone_ = true;
        return kept != 0;
    }
    bits_.end += got;
    return true;
}

// Fills the bit buffer to at least 56 bits, byte by byte; once the source is
// exhausted zero bytes stand in and are counted, so that using them is seen
// (overran).
void LhaDecoder::refill() {
    while (bits_.available < 56) {
        if (bits_.in == bits_.end && !pullInput()) {
            ++padBytes_;
            bits_.available += 8;
            continue;
        }
        bits_.buffer |= std::uint64_t{*bits_.in++} << (56 - bits_.available);
        bits_.available += 8;
    }
}

bool LhaDecoder::overran() const {
    return padBytes_ * 8 > bits_.available;
}

std::uint32_t LhaDecoder::take(unsigned count) {
    const auto value = static_cast<std::uint32_t>(bits_.buffer >> (64 - count));
    bits_.buffer <<= count;
    bits_.available -= count;
    return value;
}

// Code lengths of the pre-tree or the position tree: 3 bits each, 7 and up
// continued in unary; after the special'th length a 2-bit count of zero
// lengths follows.
std::optional<std::string> LhaDecoder::readTreeLengths(unsigned count, unsigned countBits,
                                                       int special, Table& table) {
    refill();
    const unsigned sent = take(countBits);
    if (sent == 0) {
        const unsigned only = take(countBits);
        if (only >= count) {
            return kBadTable;
        }
        table.bits = kSmallTableBits;
        BuildSingle(table.entries, table.bits, only);
        return std::nullopt;
    }
    if (sent > count) {
        return kBadTable;
    }
    std::array<std::uint8_t, 32> lengths{};
    unsigned i = 0;
    while (i < sent) {
        refill();
        unsigned length = take(3);
        if (length == 7) {
            while (take(1) != 0) {
                if (++length > kMaxCodeLength) {
                    return kBadTable;
                }
            }
        }
        lengths[i++] = static_cast<std::uint8_t>(length);
        if (static_cast<int>(i) == special) {
            i += take(2);
            if (i > count) {
                return kBadTable;
            }
        }
    }
    table.bits = kSmallTableBits;
    if (!BuildTable(table.entries, table.bits, lengths.data(), count)) {
        return kBadTable;
    }
    return std::nullopt;
}

// The literal tree's lengths, coded with the pre-tree: symbols 0-2 are runs
// of zero lengths (1, 3-18, 20-531), 3 and up a length of symbol - 2.
std::optional<std::string> LhaDecoder::readLiteralLengths() {
    refill();
    const unsigned sent = take(kLiteralCountBits);
    literals_.bits = kLiteralTableBits;
    if (sent == 0) {
        const unsigned only = take(kLiteralCountBits);
        if (only >= kLiteralSymbols) {
            return kBadTable;
        }
        BuildSingle(literals_.entries, literals_.bits, only);
        return std::nullopt;
    }
    if (sent > kLiteralSymbols) {
        return kBadTable;
    }
    std::array<std::uint8_t, kLiteralSymbols> lengths{};
    const std::uint32_t* pre = lengthCodes_.entries.data();
    unsigned i = 0;
    while (i < sent) {
        refill();
        const unsigned symbol = DecodeSymbol(pre, lengthCodes_.bits, bits_.buffer, bits_.available);
        if (symbol >= kPreSymbols) {
            return kBadCode;
        }
        if (symbol > 2) {
            lengths[i++] = static_cast<std::uint8_t>(symbol - 2);
            continue;
        }
        const unsigned zeros = symbol == 0 ? 1 : symbol == 1 ? take(4) + 3 : take(9) + 20;
        if (i + zeros > kLiteralSymbols) {
            return kBadTable;
        }
        i += zeros;
    }
    if (!BuildTable(literals_.entries, literals_.bits, lengths.data(), kLiteralSymbols)) {
        return kBadTable;
    }
    return std::nullopt;
}

std::optional<std::string> LhaDecoder::readBlockHeader() {
    refill();
    blockLeft_ = take(16);
    auto failed = readTreeLengths(kPreSymbols, kPreCountBits, 3, lengthCodes_);
    if (!failed) {
        failed = readLiteralLengths();
    }
    if (!failed) {
        failed = readTreeLengths(positionCodes_, positionBits_, -1, positions_);
    }
    if (!failed && overran()) {
        failed = error_.empty() ? kEndsEarly : error_;
    }
    return failed;
}

// Decodes one round into the window: up to kRound bytes after the history,
// or to the entry's end. The bit reader lives in locals here so that the
// compiler keeps it in registers; the slow paths (block headers, the input's
// last bytes) go through the members.
std::optional<std::string> LhaDecoder::fill() {
    if (position_ > history_) {
        std::memmove(window_.data(), window_.data() + (position_ - history_), history_);
        position_ = history_;
        handedOut_ = history_;
    }
    const std::size_t capacity = history_ + kRound;
    const std::size_t endIndex = toDecode_ < capacity - position_
                                     ? position_ + static_cast<std::size_t>(toDecode_)
                                     : capacity + kMaxMatch;
    if (method_ == LhaMethod::Lh1) {
        return fillAdaptive(std::min(capacity, endIndex), endIndex);
    }
    std::uint8_t* const base = window_.data();
    std::uint8_t* out = base + position_;
    std::uint8_t* const stop = base + std::min(capacity, endIndex);
    std::uint8_t* const entryEnd = base + endIndex;
    const std::size_t dictionary = dictionary_;
    const unsigned positionCodes = positionCodes_;

    Bits bits = bits_;
    std::uint32_t left = blockLeft_;
    const std::uint32_t* literals = literals_.entries.data();
    const std::uint32_t* positions = positions_.entries.data();
    std::optional<std::string> failed;
    while (out < stop) {
        if (left == 0) [[unlikely]] {
            bits_ = bits;
            failed = readBlockHeader();
            bits = bits_;
            left = blockLeft_;
            literals = literals_.entries.data();
            positions = positions_.entries.data();
            if (failed) {
                break;
            }
            continue;
        }
        if (bits.end - bits.in >= 8) [[likely]] {
            bits.buffer |= LoadBigEndian64(bits.in) >> bits.available;
            bits.in += (63 - bits.available) >> 3;
            bits.available |= 56;
        } else {
            bits_ = bits;
            refill();
            bits = bits_;
            if (overran()) {
                failed = error_.empty() ? kEndsEarly : error_;
                break;
            }
        }
        --left;
        const unsigned symbol =
            DecodeSymbol(literals, kLiteralTableBits, bits.buffer, bits.available);
        if (symbol < 256) {
            *out++ = static_cast<std::uint8_t>(symbol);
            continue;
        }
        if (symbol >= kLiteralSymbols) [[unlikely]] {
            failed = kBadCode;
            break;
        }
        std::size_t length = symbol - 256 + kMinMatch;
        const unsigned slot = DecodeSymbol(positions, kSmallTableBits, bits.buffer, bits.available);
        if (slot >= positionCodes) [[unlikely]] {
            failed = kBadCode;
            break;
        }
        std::size_t distance = slot + 1;
        if (slot > 1) {
            const unsigned extra = slot - 1;
            distance = (std::size_t{1} << extra) + (bits.buffer >> (64 - extra)) + 1;
            bits.buffer <<= extra;
            bits.available -= extra;
        }
        if (distance > dictionary || distance > static_cast<std::size_t>(out - base)) [[unlikely]] {
            failed = kBadDistance;
            break;
        }
        length = std::min(length, static_cast<std::size_t>(entryEnd - out));
        CopyMatch(out, distance, length);
        out += length;
    }
    bits_ = bits;
    blockLeft_ = left;
    const auto produced = static_cast<std::size_t>(out - (base + position_));
    position_ += produced;
    toDecode_ -= produced;
    if (!failed && overran()) {
        failed = error_.empty() ? kEndsEarly : error_;
    }
    return failed;
}

// -lh1-: one symbol at a time down the adaptive tree, a bit per level; the
// tree learns each symbol after it is decoded. Rare in archives and never in
// bulk, so this stays simple.
std::optional<std::string> LhaDecoder::fillAdaptive(std::size_t stop, std::size_t entryEnd) {
    std::uint8_t* const base = window_.data();
    std::size_t out = position_;
    std::optional<std::string> failed;
    while (out < stop) {
        const unsigned symbol = decodeAdaptive();
        if (bits_.available < 32) {
            refill();
        }
        if (overran()) {
            failed = error_.empty() ? kEndsEarly : error_;
            break;
        }
        if (symbol < 256) {
            base[out++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        const auto top = static_cast<unsigned>(bits_.buffer >> 56);
        take(kPositionCode.length[top]);
        const std::size_t distance = ((std::size_t{kPositionCode.upper[top]} << 6) | take(6)) + 1;
        if (distance > out) {
            failed = kBadDistance;
            break;
        }
        const std::size_t length = std::min<std::size_t>(symbol - 253, entryEnd - out);
        CopyMatch(base + out, distance, length);
        out += length;
    }
    toDecode_ -= out - position_;
    position_ = out;
    if (!failed && overran()) {
        failed = error_.empty() ? kEndsEarly : error_;
    }
    return failed;
}

unsigned LhaDecoder::decodeAdaptive() {
    const AdaptiveTree& tree = *adaptive_;
    unsigned node = tree.child[kAdaptiveNodes - 1];
    while (node < kAdaptiveNodes) {
        if (bits_.available == 0) {
            refill();
        }
        node = tree.child[node + take(1)];
    }
    const unsigned symbol = node - kAdaptiveNodes;
    updateAdaptive(symbol);
    return symbol;
}

// Counts the symbol and its ancestors (after halving every count once the
// root's reaches the limit); a node whose count passes the next
// node's swaps with the last node of the lower count, which keeps the tree
// sorted by frequency (the sibling property).
void LhaDecoder::updateAdaptive(unsigned symbol) {
    constexpr unsigned kMaxCount = 0x8000;
    AdaptiveTree& tree = *adaptive_;
    if (tree.frequency[kAdaptiveNodes - 1] == kMaxCount) {
        rebuildAdaptive();
    }
    unsigned node = tree.parent[symbol + kAdaptiveNodes];
    do {
        const unsigned count = ++tree.frequency[node];
        unsigned other = node + 1;
        if (count > tree.frequency[other]) {
            while (count > tree.frequency[++other]) {
            }
            --other;
            tree.frequency[node] = tree.frequency[other];
            tree.frequency[other] = count;
            const unsigned mine = tree.child[node];
            tree.parent[mine] = other;
            if (mine < kAdaptiveNodes) {
                tree.parent[mine + 1] = other;
            }
            const unsigned theirs = tree.child[other];
            tree.child[other] = mine;
            tree.parent[theirs] = node;
            if (theirs < kAdaptiveNodes) {
                tree.parent[theirs + 1] = node;
            }
            tree.child[node] = theirs;
            node = other;
        }
        node = tree.parent[node];
    } while (node != 0);
}

// Halves every leaf's count and builds the tree anew from the leaves, once
// the root's count reaches the limit.
void LhaDecoder::rebuildAdaptive() {
    AdaptiveTree& tree = *adaptive_;
    unsigned leaves = 0;
    for (unsigned i = 0; i < kAdaptiveNodes; ++i) {
        if (tree.child[i] >= kAdaptiveNodes) {
            tree.frequency[leaves] = (tree.frequency[i] + 1) / 2;
            tree.child[leaves] = tree.child[i];
            ++leaves;
        }
    }
    for (unsigned i = 0, j = kAdaptiveSymbols; j < kAdaptiveNodes; i += 2, ++j) {
        const unsigned count = tree.frequency[i] + tree.frequency[i + 1];
        unsigned k = j;
        while (k > 0 && count < tree.frequency[k - 1]) {
            --k;
        }
        std::memmove(&tree.frequency[k + 1], &tree.frequency[k], (j - k) * sizeof(unsigned));
        std::memmove(&tree.child[k + 1], &tree.child[k], (j - k) * sizeof(unsigned));
        tree.frequency[k] = count;
        tree.child[k] = i;
    }
    for (unsigned i = 0; i < kAdaptiveNodes; ++i) {
        const unsigned child = tree.child[i];
        tree.parent[child] = i;
        if (child < kAdaptiveNodes) {
            tree.parent[child + 1] = i;
        }
    }
}

amiga::Expected<std::size_t, std::string> LhaDecoder::read(std::uint8_t* out, std::size_t size) {
    if (remaining_ == 0 || size == 0) {
        return std::size_t{0};
    }
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining_));
    if (method_ == LhaMethod::Stored) {
        const std::ptrdiff_t got = source_(out, wanted);
        if (got < 0) {
            return amiga::Unexpected{std::string(kReadFailed)};
        }
        if (got == 0) {
            return amiga::Unexpected{std::string(kEndsEarly)};
        }
        remaining_ -= static_cast<std::uint64_t>(got);
        return static_cast<std::size_t>(got);
    }
    if (handedOut_ == position_) {
        if (auto failed = fill()) {
            remaining_ = 0;
            toDecode_ = 0;
            return amiga::Unexpected{std::move(*failed)};
        }
    }
    const std::size_t count = std::min(wanted, position_ - handedOut_);
    std::memcpy(out, window_.data() + handedOut_, count);
    handedOut_ += count;
    remaining_ -= count;
    return count;
}

amiga::Expected<std::vector<std::uint8_t>, std::string> DecodeLha(LhaMethod method,
                                                                  const std::uint8_t* packed,
                                                                  std::size_t packedSize,
                                                                  std::uint64_t originalSize) {
    std::size_t offset = 0;
    LhaDecoder decoder;
    decoder.start(method, originalSize,
                  [&](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
                      const std::size_t count = std::min(size, packedSize - offset);
                      if (count != 0) {
                          std::memcpy(buffer, packed + offset, count);
                      }
                      offset += count;
                      return static_cast<std::ptrdiff_t>(count);
                  });
    std::vector<std::uint8_t> output;
    std::array<std::uint8_t, 1 << 16> chunk;
    for (;;) {
        auto got = decoder.read(chunk.data(), chunk.size());
        if (!got) {
            return amiga::Unexpected{got.error()};
        }
        if (*got == 0) {
            break;
        }
        output.insert(output.end(), chunk.begin(),
                      chunk.begin() + static_cast<std::ptrdiff_t>(*got));
    }
    return output;
}

}  // namespace stovan::archive
