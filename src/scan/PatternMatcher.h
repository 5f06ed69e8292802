#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

// A ";"-separated list of file-name wildcards, compiled once per search and then asked about every file
// of every folder of a drive, so the per-name cost is what matters.
//
// Rules of a piece, matched against the whole name:
// - "*" is any run of bytes (also none), "?" exactly one byte. Names are byte strings and may be
//   invalid UTF-8; one byte is one character, as in the single-byte code pages the rules come from.
// - ASCII letters compare without regard to case; every other byte compares exactly.
// - The piece "*.*" matches every name, also one without a dot. Any other piece ending in ".*"
//   ("CHKLIST.*", "~*.*") needs a real dot in the name: widening those would delete more files than the
//   rule says.
// - An empty piece (from "A;;B" or a trailing ";") matches nothing; "NULL" is an ordinary name.
// A name matches the list when it matches any piece.
class PatternMatcher
{
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit PatternMatcher(std::string_view patternList);

    // Reads only what the constructor built: safe on several threads at once.
    bool matches(std::string_view name) const;

    // The number of the first piece, in the order of the list from 0 (empty pieces counted), that
    // matches `name`; npos when none does. Slower than matches(): meant for the names that matched.
    std::size_t firstMatch(std::string_view name) const;

    // True when some piece matches every name a file can have ("*", "*.*", "?*", "*?"...): such a list
    // is no rule about rubbish at all, and whoever takes patterns from people refuses it here.
    bool matchesAll() const { return matchesAll_; }

private:
    // ASCII letters upper-cased, every other byte as it is.
    static unsigned char foldByte(char c)
    {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - ('a' - 'A')) : byte;
    }

    // Folded bytes by their low six bits, a bit each: cheap to take and to compare, and two bytes that
    // share a bit only ever let a name through to the full test.
    static std::uint64_t byteBit(char c) { return std::uint64_t{1} << (foldByte(c) & 63); }

    // Upper-cased strings looked up by a hash taken while folding the probe, so a name never needs a
    // folded copy. Holds the literal names and the extensions of the "*.EXT" pieces.
    class FoldedSet
    {
    public:
        FoldedSet() = default;
        explicit FoldedSet(std::vector<std::string> folded);

        // Most names stop at the first tests, taken where the call is.
        bool contains(std::string_view text) const
        {
            if ((lengths_ & (std::uint64_t{1} << std::min<std::size_t>(text.size(), 63))) == 0)
                return false;
            // Only the empty item is empty, and it is the only one of its length.
            return text.empty() || ((firsts_ & byteBit(text.front())) != 0 &&
                                    (lasts_ & byteBit(text.back())) != 0 && lookUp(text));
        }
        bool empty() const { return lengths_ == 0; }

    private:
        bool lookUp(std::string_view text) const;

        struct Slot
        {
            std::uint64_t hash = 0;
            std::uint32_t item = kEmpty;
        };
        static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

        std::vector<std::string> items_;
        std::vector<Slot> slots_;   // open addressing, a power of two in size, at most half full
        std::uint64_t lengths_ = 0; // bit min(length, 63) set for every item: most probes stop here
        // The first and the last bytes of the items, a bit per byte: most of the rest stop here, before
        // any hashing.
        std::uint64_t firsts_ = 0;
        std::uint64_t lasts_ = 0;
    };

    // A piece with "?" or with "*" anywhere but a single one at an end: the parts between its stars
    // ("?" still a wildcard inside them). The first part is anchored at the start of the name and the
    // last at its end unless the piece begins or ends with a star; the middle parts are found
    // leftmost-first in between, which is enough because a star can always absorb what lies between.
    struct WildPiece
    {
        std::vector<std::string> parts;
        bool starred = false;
        std::size_t fixedLength = 0;
        // The bytes a matching name must hold, by byteBit(): a name short of one is no match, which
        // spares the search for the parts.
        std::uint64_t required = 0;
        // Whether `required` is worth the pass over the name: not when its anchored head or tail holds a
        // byte, which turns nearly every other name away at once.
        bool gated = false;
    };

    // A piece as written, for firstMatch: its shape (a private enumeration), its folded text, and the
    // parts of a wild piece.
    struct Piece
    {
        int shape;
        std::string text;
        WildPiece wild;
    };

    static WildPiece splitWild(const std::string& text);
    static bool matchesWild(const WildPiece& piece, std::string_view name);
    // `dot`: where the last dot of `name` is, npos for none.
    static bool pieceMatches(const Piece& piece, std::string_view name, std::size_t dot);

    bool matchesAll_ = false;
    bool matchesEmpty_ = false; // the empty text too: no file has it, but the matching stays exact
    FoldedSet literals_;
    FoldedSet extensions_;
    std::vector<std::string> suffixes_; // "*SUFFIX" that is not a plain "*.EXT"
    std::vector<std::string> prefixes_; // "PREFIX*"
    std::vector<WildPiece> wild_;
    std::vector<Piece> pieces_; // every piece in order
};

} // namespace dustrel
