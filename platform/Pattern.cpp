#include "platform/Pattern.h"

#include <array>
#include <cstring>
#include <vector>

#include "platform/Latin1.h"

namespace amiga {

// The pattern is parsed into a small tree and compiled into a Thompson-style
// program that is run over the name position by position, holding the set of
// live instructions. AmigaDOS instead backtracks over a stack of markers;
// that is exponential on some patterns and never ends on a repetition of
// something that can match the empty text ("##a"). Here every instruction is
// live at most once per position, so neither can happen.
//
// "~x" is not a regular operator an automaton can run directly. It is
// computed per start position: the sub-program for x is run from there, and
// every end position that x does not reach is an end of "~x". Those end sets
// are memoised per ("~", start) pair for the duration of one match, which
// gives the bound stated in the header.

namespace {

using Bitset = std::vector<std::uint64_t>;

std::size_t WordsFor(std::size_t bits) {
    return (bits + 63) / 64;
}
bool Test(const Bitset& set, std::size_t bit) {
    return (set[bit / 64] >> (bit % 64)) & 1u;
}
void Set(Bitset& set, std::size_t bit) {
    set[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

enum class NodeKind : std::uint8_t {
    Char,
    AnyChar,
    AnyText,
    Class,
    Sequence,
    Alternatives,
    Repeat,
    Not
};

struct Node {
    NodeKind kind = NodeKind::Sequence;
    unsigned char ch = 0;
    int classIndex = -1;
    std::vector<int> children;
};

using ClassBits = std::array<std::uint64_t, 4>;

enum class Op : std::uint8_t { Char, AnyChar, Class, Split, Jump, Not, Match };

struct Instruction {
    Op op = Op::Match;
    unsigned char ch = 0;
    std::int32_t next = -1;   // Char, AnyChar, Class, Jump, Not (after the "~"); Split: first way
    std::int32_t other = -1;  // Split: second way; Class: class index; Not: sub-program start
    std::int32_t notIndex = -1;
};

}  // namespace

struct CompiledPattern {
    bool wild = false;
    bool noCase = false;
    std::string plainName;
    std::vector<Instruction> program;
    std::int32_t start = -1;
    std::vector<ClassBits> classes;
    std::vector<std::int32_t> notStarts;  // per "~": its sub-program
    std::vector<std::int32_t> notNexts;   // per "~": where the match goes on
};

namespace {

const std::array<unsigned char, 256>& UpperTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            t[static_cast<std::size_t>(b)] =
                static_cast<unsigned char>(ToUpper(static_cast<char>(b)));
        }
        return t;
    }();
    return table;
}

const std::array<unsigned char, 256>& IdentityTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            t[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b);
        }
        return t;
    }();
    return table;
}

bool IsEscapable(char c) {
    return std::strchr("#*?(|)~[]%'", c) != nullptr && c != '\0';
}

// Recursive descent over the source; depth counts parentheses and prefixes.
class Parser {
  public:
    Parser(std::string_view source, bool noCase) : source_(source), noCase_(noCase) {}

    // Returns the root node, or -1 with error() set.
    int ParseAll() {
        const int root = ParseSequence(0);
        if (error_ != 0) {
            return -1;
        }
        if (position_ < source_.size()) {
            // Only "|" or ")" stop a top-level sequence early.
            error_ = ERROR_BAD_TEMPLATE;
            return -1;
        }
        return root;
    }

    DosError error() const { return error_; }
    bool wild() const { return wild_; }
    std::string& plainName() { return plainName_; }
    std::vector<Node>& nodes() { return nodes_; }
    std::vector<ClassBits>& classes() { return classes_; }

  private:
    int NewNode(NodeKind kind) {
        nodes_.push_back(Node{kind, 0, -1, {}});
        return static_cast<int>(nodes_.size() - 1);
    }

    int NewChar(char c) {
        const unsigned char byte = static_cast<unsigned char>(noCase_ ? ToUpper(c) : c);
        const int node = NewNode(NodeKind::Char);
        nodes_[static_cast<std::size_t>(node)].ch = byte;
        plainName_.push_back(static_cast<char>(byte));
        return node;
    }

    bool AtEnd() const { return position_ >= source_.size(); }
    char Peek() const { return source_[position_]; }

    bool Enter(std::size_t depth) {
        if (depth > kMaxPatternDepth) {
            error_ = ERROR_BUFFER_OVERFLOW;
            return false;
        }
        return true;
    }

    // A sequence of items up to the end, "|" or ")" (not consumed).
    int ParseSequence(std::size_t depth) {
        const int sequence = NewNode(NodeKind::Sequence);
        while (!AtEnd() && error_ == 0) {
            const char c = Peek();
            if (c == '|' || c == ')') {
                break;
            }
            if (c == '%') {
                ++position_;
                continue;
            }
            const int item = ParseItem(depth);
            if (item < 0) {
                break;
            }
            nodes_[static_cast<std::size_t>(sequence)].children.push_back(item);
        }
        return sequence;
    }

    // One item; the caller made sure there is a character and it is not
    // "|", ")" or "%".
    int ParseItem(std::size_t depth) {
        if (!Enter(depth)) {
            return -1;
        }
        const char c = source_[position_++];
        switch (c) {
            case '?':
                wild_ = true;
                return NewNode(NodeKind::AnyChar);
            case '#': {
                wild_ = true;
                if (!AtEnd() && Peek() == '?') {
                    ++position_;
                    return NewNode(NodeKind::AnyText);
                }
                const int operand = ParsePrefixOperand(depth);
                if (operand < 0) {
                    return -1;
                }
                const int repeat = NewNode(NodeKind::Repeat);
                nodes_[static_cast<std::size_t>(repeat)].children.push_back(operand);
                return repeat;
            }
            case '~': {
                if (AtEnd()) {
                    // A tilde that ends the pattern is an ordinary character.
                    return NewChar(c);
                }
                wild_ = true;
                const int operand = ParsePrefixOperand(depth);
                if (operand < 0) {
                    return -1;
                }
                const int negation = NewNode(NodeKind::Not);
                nodes_[static_cast<std::size_t>(negation)].children.push_back(operand);
                return negation;
            }
            case '(':
                return ParseGroup(depth);
            case '[':
                wild_ = true;
                return ParseClass();
            case '\'':
                if (!AtEnd() && IsEscapable(Peek())) {
                    return NewChar(source_[position_++]);
                }
                return NewChar(c);
            default:
                return NewChar(c);
        }
    }

    // The item after "#" or "~": "%" in between is skipped; an end, "|" or
    // ")" there is an error.
    int ParsePrefixOperand(std::size_t depth) {
        while (!AtEnd() && Peek() == '%') {
            ++position_;
        }
        if (AtEnd() || Peek() == ')' || Peek() == '|') {
            error_ = ERROR_BAD_TEMPLATE;
            return -1;
        }
        return ParseItem(depth + 1);
    }

    // After "(": alternatives up to the matching ")".
    int ParseGroup(std::size_t depth) {
        const int alternatives = NewNode(NodeKind::Alternatives);
        for (;;) {
            const int sequence = ParseSequence(depth + 1);
            if (error_ != 0) {
                return -1;
            }
            nodes_[static_cast<std::size_t>(alternatives)].children.push_back(sequence);
            if (AtEnd()) {
                error_ = ERROR_BAD_TEMPLATE;  // "(" never closed
                return -1;
            }
            const char c = source_[position_++];
            if (c == ')') {
                return alternatives;
            }
            wild_ = true;  // c == '|'
        }
    }

    // After "[" (or "[~"): members up to "]"; the first member may be "]",
    // "'" makes the next character a member whatever it is.
    int ParseClass() {
        bool negated = false;
        if (!AtEnd() && Peek() == '~') {
            negated = true;
            ++position_;
        }
        std::string members;
        bool first = true;
        for (;;) {
            if (AtEnd()) {
                error_ = ERROR_BAD_TEMPLATE;
                return -1;
            }
            char c = source_[position_++];
            if (c == ']' && !first) {
                break;
            }
            first = false;
            if (c == '\'') {
                if (AtEnd()) {
                    error_ = ERROR_BAD_TEMPLATE;
                    return -1;
                }
                c = source_[position_++];
            }
            members.push_back(noCase_ ? ToUpper(c) : c);
        }
        // A member followed by "-" starts a range that ends at the member
        // after the "-" (or 255 when the "-" is the last member). The end
        // member is also looked at on its own, so "[a-c-e]" is a..e, and an
        // escaped "-" still makes a range, exactly as AmigaDOS reads its
        // compiled class.
        ClassBits bits{};
        auto add = [&bits](unsigned from, unsigned to) {
            for (unsigned b = from; b <= to; ++b) {
                bits[b / 64] |= std::uint64_t{1} << (b % 64);
            }
        };
        for (std::size_t i = 0; i < members.size();) {
            const unsigned low = static_cast<unsigned char>(members[i]);
            if (i + 1 < members.size() && members[i + 1] == '-') {
                const unsigned high =
                    i + 2 < members.size() ? static_cast<unsigned char>(members[i + 2]) : 255u;
                if (low <= high) {
                    add(low, high);
                }
                i += 2;
            } else {
                add(low, low);
                i += 1;
            }
        }
        if (negated) {
            for (auto& word : bits) {
                word = ~word;
            }
        }
        classes_.push_back(bits);
        const int node = NewNode(NodeKind::Class);
        nodes_[static_cast<std::size_t>(node)].classIndex = static_cast<int>(classes_.size() - 1);
        return node;
    }

    std::string_view source_;
    bool noCase_;
    std::size_t position_ = 0;
    DosError error_ = 0;
    bool wild_ = false;
    std::string plainName_;
    std::vector<Node> nodes_;
    std::vector<ClassBits> classes_;
};

// Builds the program backwards: each node is emitted with the instruction
// that follows it already known.
class Compiler {
  public:
    Compiler(const std::vector<Node>& nodes, CompiledPattern& out) : nodes_(nodes), out_(out) {}

    std::int32_t Emit(int nodeIndex, std::int32_t next) {
        const Node& node = nodes_[static_cast<std::size_t>(nodeIndex)];
        switch (node.kind) {
            case NodeKind::Char:
                return Add({Op::Char, node.ch, next, -1, -1});
            case NodeKind::AnyChar:
                return Add({Op::AnyChar, 0, next, -1, -1});
            case NodeKind::Class:
                return Add({Op::Class, 0, next, node.classIndex, -1});
            case NodeKind::AnyText: {
                const std::int32_t loop = Add({Op::Split, 0, -1, next, -1});
                const std::int32_t any = Add({Op::AnyChar, 0, loop, -1, -1});
                out_.program[static_cast<std::size_t>(loop)].next = any;
                return loop;
            }
            case NodeKind::Sequence: {
                std::int32_t entry = next;
                for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
                    entry = Emit(*it, entry);
                }
                return entry;
            }
            case NodeKind::Alternatives: {
                std::int32_t entry = Emit(node.children.back(), next);
                for (std::size_t i = node.children.size() - 1; i-- > 0;) {
                    const std::int32_t way = Emit(node.children[i], next);
                    entry = Add({Op::Split, 0, way, entry, -1});
                }
                return entry;
            }
            case NodeKind::Repeat: {
                const std::int32_t loop = Add({Op::Split, 0, -1, next, -1});
                const std::int32_t body = Emit(node.children.front(), loop);
                out_.program[static_cast<std::size_t>(loop)].next = body;
                return loop;
            }
            case NodeKind::Not: {
                const std::int32_t subMatch = Add({Op::Match, 0, -1, -1, -1});
                const std::int32_t subStart = Emit(node.children.front(), subMatch);
                const auto index = static_cast<std::int32_t>(out_.notStarts.size());
                out_.notStarts.push_back(subStart);
                out_.notNexts.push_back(next);
                return Add({Op::Not, 0, next, subStart, index});
            }
        }
        return next;
    }

    std::int32_t Add(Instruction instruction) {
        out_.program.push_back(instruction);
        return static_cast<std::int32_t>(out_.program.size() - 1);
    }

  private:
    const std::vector<Node>& nodes_;
    CompiledPattern& out_;
};

// One match of one name: the memo of "~" results lives here.
class Matcher {
  public:
    static constexpr std::size_t kNotBudgetWords = kMaxNegationMemory / sizeof(std::uint64_t);

    Matcher(const CompiledPattern& pattern, std::string_view name)
        : pattern_(pattern),
          name_(reinterpret_cast<const unsigned char*>(name.data())),
          length_(name.size()),
          words_(WordsFor(name.size() + 1)),
          map_(pattern.noCase ? UpperTable() : IdentityTable()) {
        notDone_.resize(pattern.notStarts.size());
        notEnds_.resize(pattern.notStarts.size());
    }

    // A match that would need more memory for "~" results than the budget
    // fails, as an AmigaDOS match fails when it runs out of memory.
    bool MatchWhole() { return Run(pattern_.start, 0, nullptr) && !exhausted_; }

  private:
    // Runs the program from `entry` at position `from`. With `accepts`, sets
    // the bit of every position where a Match instruction is reached;
    // without, returns whether one is reached at the end of the name.
    bool Run(std::int32_t entry, std::size_t from, Bitset* accepts) {
        const std::size_t instructions = pattern_.program.size();
        std::vector<std::uint32_t> marks(instructions, 0);
        std::vector<std::int32_t> current{entry};
        std::vector<std::int32_t> following;
        std::vector<std::int32_t> stack;
        std::vector<Bitset> arrivals;  // per "~": positions where it ends
        std::size_t lastArrival = 0;
        bool matchedAtEnd = false;

        for (std::size_t position = from; position <= length_; ++position) {
            const auto stamp = static_cast<std::uint32_t>(position - from + 1);
            for (std::size_t k = 0; k < arrivals.size(); ++k) {
                if (!arrivals[k].empty() && Test(arrivals[k], position)) {
                    current.push_back(pattern_.notNexts[k]);
                }
            }
            if (current.empty() && lastArrival <= position) {
                break;  // nothing alive and nothing pending: no later match
            }
            const bool atEnd = position == length_;
            const unsigned char ch = atEnd ? 0 : map_[name_[position]];
            following.clear();
            stack.assign(current.begin(), current.end());
            while (!stack.empty()) {
                const std::int32_t pc = stack.back();
                stack.pop_back();
                if (marks[static_cast<std::size_t>(pc)] == stamp) {
                    continue;
                }
                marks[static_cast<std::size_t>(pc)] = stamp;
                const Instruction& in = pattern_.program[static_cast<std::size_t>(pc)];
                switch (in.op) {
                    case Op::Char:
                        if (!atEnd && ch == in.ch) {
                            following.push_back(in.next);
                        }
                        break;
                    case Op::AnyChar:
                        if (!atEnd) {
                            following.push_back(in.next);
                        }
                        break;
                    case Op::Class: {
                        const ClassBits& bits =
                            pattern_.classes[static_cast<std::size_t>(in.other)];
                        if (!atEnd && ((bits[ch / 64] >> (ch % 64)) & 1u)) {
                            following.push_back(in.next);
                        }
                        break;
                    }
                    case Op::Split:
                        stack.push_back(in.other);
                        stack.push_back(in.next);
                        break;
                    case Op::Jump:
                        stack.push_back(in.next);
                        break;
                    case Op::Match:
                        if (accepts != nullptr) {
                            Set(*accepts, position);
                        } else if (atEnd) {
                            matchedAtEnd = true;
                        }
                        break;
                    case Op::Not: {
                        const auto k = static_cast<std::size_t>(in.notIndex);
                        const Bitset& ends = NotEnds(k, position);
                        if (Test(ends, position)) {
                            stack.push_back(in.next);
                        }
                        const std::size_t last = LastBit(ends);
                        if (last != kNone && last > position) {
                            if (arrivals.size() < pattern_.notStarts.size()) {
                                arrivals.resize(pattern_.notStarts.size());
                            }
                            Bitset& target = arrivals[k];
                            if (target.empty()) {
                                target.assign(words_, 0);
                            }
                            for (std::size_t w = 0; w < words_; ++w) {
                                target[w] |= ends[w];
                            }
                            if (last > lastArrival) {
                                lastArrival = last;
                            }
                        }
                        break;
                    }
                }
            }
            if (matchedAtEnd) {
                return true;
            }
            current.swap(following);
        }
        return matchedAtEnd;
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t LastBit(const Bitset& set) const {
        for (std::size_t w = set.size(); w-- > 0;) {
            if (set[w] != 0) {
                return w * 64 + 63 - static_cast<std::size_t>(__builtin_clzll(set[w]));
            }
        }
        return kNone;
    }

    // The end positions of "~x" started at `position`: every position from
    // there to the end of the name that x does not reach.
    const Bitset& NotEnds(std::size_t k, std::size_t position) {
        if (notEnds_[k].empty() && !exhausted_) {
            // The table of one "~" counts against the budget too.
            usedWords_ += (length_ + 1) * sizeof(Bitset) / sizeof(std::uint64_t) + 1;
            if (usedWords_ <= kNotBudgetWords) {
                notDone_[k].assign(length_ + 1, false);
                notEnds_[k].resize(length_ + 1);
            }
        }
        if (exhausted_ || usedWords_ + 2 * words_ > kNotBudgetWords) {
            exhausted_ = true;
            none_.assign(words_, 0);
            return none_;
        }
        Bitset& ends = notEnds_[k][position];
        if (notDone_[k][position]) {
            return ends;
        }
        usedWords_ += words_;
        Bitset reached(words_, 0);
        Run(pattern_.notStarts[k], position, &reached);
        // ends = [position, length] minus reached, a word at a time.
        ends.assign(words_, 0);
        for (std::size_t w = position / 64; w < words_; ++w) {
            std::uint64_t mask = ~std::uint64_t{0};
            if (w == position / 64) {
                mask &= ~std::uint64_t{0} << (position % 64);
            }
            if (w == length_ / 64 && length_ % 64 != 63) {
                mask &= (std::uint64_t{1} << (length_ % 64 + 1)) - 1;
            }
            ends[w] = ~reached[w] & mask;
        }
        notDone_[k][position] = true;
        return ends;
    }

    const CompiledPattern& pattern_;
    const unsigned char* name_;
    std::size_t length_;
    std::size_t words_;
    const std::array<unsigned char, 256>& map_;
    std::vector<std::vector<bool>> notDone_;
    std::vector<std::vector<Bitset>> notEnds_;
    std::size_t usedWords_ = 0;
    bool exhausted_ = false;
    Bitset none_;
};

}  // namespace

Expected<Pattern, DosError> ParsePatternWithCase(std::string_view source, bool noCase) {
    Parser parser(source, noCase);
    const int root = parser.ParseAll();
    if (root < 0) {
        return Unexpected{parser.error()};
    }
    auto compiled = std::make_shared<CompiledPattern>();
    compiled->wild = parser.wild();
    compiled->noCase = noCase;
    compiled->classes = std::move(parser.classes());
    if (!compiled->wild) {
        compiled->plainName = std::move(parser.plainName());
    }
    Compiler compiler(parser.nodes(), *compiled);
    const std::int32_t match = compiler.Add({Op::Match, 0, -1, -1, -1});
    compiled->start = compiler.Emit(root, match);
    Pattern pattern;
    pattern.compiled_ = std::move(compiled);
    return pattern;
}

bool MatchCompiled(const Pattern& pattern, std::string_view name) {
    const CompiledPattern& compiled = *pattern.compiled_;
    if (!compiled.wild) {
        if (name.size() != compiled.plainName.size()) {
            return false;
        }
        const auto& map = compiled.noCase ? UpperTable() : IdentityTable();
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (map[static_cast<unsigned char>(name[i])] !=
                static_cast<unsigned char>(compiled.plainName[i])) {
                return false;
            }
        }
        return true;
    }
    Matcher matcher(compiled, name);
    return matcher.MatchWhole();
}

bool Pattern::HasWildcards() const {
    return compiled_->wild;
}
const std::string& Pattern::PlainName() const {
    return compiled_->plainName;
}
bool Pattern::IgnoresCase() const {
    return compiled_->noCase;
}

Expected<Pattern, DosError> ParsePattern(std::string_view source) {
    return ParsePatternWithCase(source, false);
}
Expected<Pattern, DosError> ParsePatternNoCase(std::string_view source) {
    return ParsePatternWithCase(source, true);
}
bool MatchPattern(const Pattern& pattern, std::string_view name) {
    return MatchCompiled(pattern, name);
}
bool MatchPatternNoCase(const Pattern& pattern, std::string_view name) {
    return MatchCompiled(pattern, name);
}

}  // namespace amiga
