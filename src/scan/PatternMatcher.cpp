#include "scan/PatternMatcher.h"

#include "base/Text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace dustrel {

namespace {

// A table rather than asciiUpper's comparisons: folding sits in every inner loop of the matcher.
constexpr std::array<unsigned char, 256> kFold = [] {
    std::array<unsigned char, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<unsigned char>(asciiUpper(static_cast<char>(i)));
    return table;
}();

// PatternMatcher::byteBit of every byte, for the loop that takes them all from a name.
constexpr std::array<std::uint64_t, 256> kByteBits = [] {
    std::array<std::uint64_t, 256> bits{};
    for (std::size_t i = 0; i < bits.size(); ++i)
        bits[i] = std::uint64_t{1} << (kFold[i] & 63);
    return bits;
}();

inline char fold(char c)
{
    return static_cast<char>(kFold[static_cast<unsigned char>(c)]);
}

std::uint64_t foldedHash(std::string_view text)
{
    // Extensions and most names are short: their folded bytes side by side, mixed by one product.
    if (text.size() <= sizeof(std::uint64_t)) {
        std::uint64_t packed = text.size();
        for (const char c : text)
            packed = (packed << 8) | kFold[static_cast<unsigned char>(c)];
        packed *= 0x9E3779B97F4A7C15ull;
        return packed ^ (packed >> 32);
    }
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= kFold[static_cast<unsigned char>(c)];
        hash *= 1099511628211ull;
    }
    return hash ^ (hash >> 29);
}

// `folded` is already upper case; `text` holds at least folded.size() bytes.
bool equalsFolded(std::string_view folded, const char* text)
{
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (folded[i] != fold(text[i]))
            return false;
    }
    return true;
}

// As equalsFolded, with "?" in `part` taking any byte. A pattern has no way to stand for a literal
// "?", so there is nothing to tell apart.
bool partMatchesAt(std::string_view part, const char* text)
{
    for (std::size_t i = 0; i < part.size(); ++i) {
        if (part[i] != '?' && part[i] != fold(text[i]))
            return false;
    }
    return true;
}

// Leftmost start in [from, to) at which the whole of `part` fits and matches, or npos.
std::size_t findPart(std::string_view part, std::string_view name, std::size_t from, std::size_t to)
{
    if (to - from < part.size())
        return std::string_view::npos;
    const std::size_t last = to - part.size();
    const char first = part.front();
    const bool exactFirst = first != '?' && !(first >= 'A' && first <= 'Z');
    for (std::size_t at = from; at <= last; ++at) {
        if (exactFirst) {
            // Only letters fold, so a first byte that is no letter can be looked for directly.
            const void* hit = std::memchr(name.data() + at, first, last - at + 1);
            if (hit == nullptr)
                return std::string_view::npos;
            at = static_cast<std::size_t>(static_cast<const char*>(hit) - name.data());
        }
        if (partMatchesAt(part, name.data() + at))
            return at;
    }
    return std::string_view::npos;
}

enum class Shape
{
    Nothing,
    Everything,    // also the empty text
    EveryNonEmpty, // every name at least one byte long: every name a file can have
    Literal,
    Extension,
    Suffix,
    Prefix,
    Wild
};

struct Classified
{
    Shape shape;
    std::string text; // folded, runs of "*" made one
};

Classified classify(std::string_view piece)
{
    if (piece.empty())
        return {Shape::Nothing, {}};
    if (piece == "*.*")
        return {Shape::Everything, {}};

    std::string folded;
    folded.reserve(piece.size());
    std::size_t stars = 0;
    bool question = false;
    for (const char c : piece) {
        if (c == '*') {
            // "**" matches exactly what "*" does; one star per run keeps the shapes below simple.
            if (!folded.empty() && folded.back() == '*')
                continue;
            ++stars;
        } else if (c == '?') {
            question = true;
        }
        folded += fold(c);
    }

    if (folded == "*")
        return {Shape::Everything, {}};
    // One star takes any run, so one "?" beside it asks only for a byte: "?*", "*?", "*?*".
    if (stars > 0 && folded.size() == stars + 1 && question)
        return {Shape::EveryNonEmpty, {}};
    if (!question && stars == 0)
        return {Shape::Literal, std::move(folded)};
    if (!question && stars == 1 && folded.front() == '*') {
        std::string suffix = folded.substr(1);
        // With no other dot in it, ".EXT" ends the name exactly when EXT follows the name's last dot.
        if (suffix.front() == '.' && suffix.find('.', 1) == std::string::npos)
            return {Shape::Extension, suffix.substr(1)};
        return {Shape::Suffix, std::move(suffix)};
    }
    if (!question && stars == 1 && folded.back() == '*') {
        folded.pop_back();
        return {Shape::Prefix, std::move(folded)};
    }
    return {Shape::Wild, std::move(folded)};
}

void sortUnique(std::vector<std::string>& items)
{
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
}

} // namespace

PatternMatcher::FoldedSet::FoldedSet(std::vector<std::string> folded) : items_(std::move(folded))
{
    sortUnique(items_);
    if (items_.empty())
        return;
    std::size_t size = 8;
    while (size < items_.size() * 2)
        size *= 2;
    slots_.resize(size);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const std::uint64_t hash = foldedHash(items_[i]);
        std::size_t at = static_cast<std::size_t>(hash) & mask;
        while (slots_[at].item != kEmpty)
            at = (at + 1) & mask;
        slots_[at] = {hash, static_cast<std::uint32_t>(i)};
        lengths_ |= std::uint64_t{1} << std::min<std::size_t>(items_[i].size(), 63);
        if (!items_[i].empty()) {
            firsts_ |= byteBit(items_[i].front());
            lasts_ |= byteBit(items_[i].back());
        }
    }
}

bool PatternMatcher::FoldedSet::lookUp(std::string_view text) const
{
    const std::uint64_t hash = foldedHash(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = static_cast<std::size_t>(hash) & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.item == kEmpty)
            return false;
        const std::string& item = items_[slot.item];
        if (slot.hash == hash && item.size() == text.size() && equalsFolded(item, text.data()))
            return true;
    }
}

PatternMatcher::PatternMatcher(std::string_view patternList)
{
    std::vector<std::string> literals;
    std::vector<std::string> extensions;
    std::vector<std::string> wild;
    for (std::size_t start = 0; start <= patternList.size();) {
        std::size_t end = patternList.find(';', start);
        if (end == std::string_view::npos)
            end = patternList.size();
        Classified piece = classify(patternList.substr(start, end - start));
        start = end + 1;
        pieces_.push_back(Piece{static_cast<int>(piece.shape), piece.text,
                                piece.shape == Shape::Wild ? splitWild(piece.text) : WildPiece{}});
        switch (piece.shape) {
        case Shape::Nothing:
            break;
        case Shape::Everything:
            matchesEmpty_ = true;
            matchesAll_ = true;
            break;
        case Shape::EveryNonEmpty:
            matchesAll_ = true;
            break;
        case Shape::Literal:
            literals.push_back(std::move(piece.text));
            break;
        case Shape::Extension:
            extensions.push_back(std::move(piece.text));
            break;
        case Shape::Suffix:
            suffixes_.push_back(std::move(piece.text));
            break;
        case Shape::Prefix:
            prefixes_.push_back(std::move(piece.text));
            break;
        case Shape::Wild:
            wild.push_back(std::move(piece.text));
            break;
        }
    }
    if (matchesAll_) {
        // Every other piece is answered already; keep nothing that would be asked needlessly.
        suffixes_.clear();
        prefixes_.clear();
        return;
    }

    literals_ = FoldedSet(std::move(literals));
    extensions_ = FoldedSet(std::move(extensions));
    sortUnique(suffixes_);
    sortUnique(prefixes_);
    sortUnique(wild);
    wild_.reserve(wild.size());
    for (const std::string& text : wild)
        wild_.push_back(splitWild(text));
}

PatternMatcher::WildPiece PatternMatcher::splitWild(const std::string& text)
{
    WildPiece piece;
    std::size_t start = 0;
    for (;;) {
        const std::size_t star = text.find('*', start);
        piece.parts.push_back(text.substr(start, star - start));
        piece.fixedLength += piece.parts.back().size();
        if (star == std::string::npos) {
            for (const std::string& part : piece.parts) {
                for (const char c : part) {
                    if (c != '?')
                        piece.required |= byteBit(c);
                }
            }
            const auto holdsByte = [](const std::string& part) {
                return part.find_first_not_of('?') != std::string::npos;
            };
            piece.gated =
                piece.required != 0 && !holdsByte(piece.parts.front()) && !holdsByte(piece.parts.back());
            return piece;
        }
        piece.starred = true;
        start = star + 1;
    }
}

bool PatternMatcher::matchesWild(const WildPiece& piece, std::string_view name)
{
    if (name.size() < piece.fixedLength)
        return false;
    const std::vector<std::string>& parts = piece.parts;
    if (!piece.starred)
        return name.size() == piece.fixedLength && partMatchesAt(parts.front(), name.data());

    // The length check above keeps the anchored head and tail from overlapping.
    const std::string& head = parts.front();
    const std::string& tail = parts.back();
    if (!partMatchesAt(head, name.data()) || !partMatchesAt(tail, name.data() + (name.size() - tail.size())))
        return false;
    std::size_t from = head.size();
    const std::size_t to = name.size() - tail.size();
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
        const std::size_t at = findPart(parts[i], name, from, to);
        if (at == std::string_view::npos)
            return false;
        from = at + parts[i].size();
    }
    return true;
}

bool PatternMatcher::pieceMatches(const Piece& piece, std::string_view name, std::size_t dot)
{
    const std::string& text = piece.text;
    switch (static_cast<Shape>(piece.shape)) {
    case Shape::Nothing:
        return false;
    case Shape::Everything:
        return true;
    case Shape::EveryNonEmpty:
        return !name.empty();
    case Shape::Literal:
        return name.size() == text.size() && equalsFolded(text, name.data());
    case Shape::Extension:
        return dot != std::string_view::npos && name.size() - dot - 1 == text.size() &&
               equalsFolded(text, name.data() + dot + 1);
    case Shape::Suffix:
        return name.size() >= text.size() && equalsFolded(text, name.data() + (name.size() - text.size()));
    case Shape::Prefix:
        return name.size() >= text.size() && equalsFolded(text, name.data());
    case Shape::Wild:
        return matchesWild(piece.wild, name);
    }
    return false;
}

std::size_t PatternMatcher::firstMatch(std::string_view name) const
{
    // The name's last dot, found once for every "*.EXT" piece.
    const std::size_t dot = name.rfind('.');
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        if (pieceMatches(pieces_[i], name, dot))
            return i;
    }
    return npos;
}

bool PatternMatcher::matches(std::string_view name) const
{
    if (matchesAll_)
        return !name.empty() || matchesEmpty_;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && extensions_.contains(name.substr(dot + 1)))
        return true;
    if (literals_.contains(name))
        return true;
    for (const std::string& suffix : suffixes_) {
        if (name.size() >= suffix.size() && equalsFolded(suffix, name.data() + (name.size() - suffix.size())))
            return true;
    }
    for (const std::string& prefix : prefixes_) {
        if (name.size() >= prefix.size() && equalsFolded(prefix, name.data()))
            return true;
    }
    // The bytes the name holds, taken once and only for a piece that has nothing cheaper to turn it away.
    std::uint64_t present = 0;
    bool bytesTaken = false;
    for (const WildPiece& piece : wild_) {
        if (piece.gated) {
            if (!bytesTaken) {
                for (const char c : name)
                    present |= kByteBits[static_cast<unsigned char>(c)];
                bytesTaken = true;
            }
            if ((piece.required & ~present) != 0)
                continue;
        }
        if (matchesWild(piece, name))
            return true;
    }
    return false;
}

} // namespace dustrel
