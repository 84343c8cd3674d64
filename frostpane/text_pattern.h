// Matching of the settings-file patterns, outside comments and strings.
//
// The settings file is edited as text with a handful of small regular
// expressions. They are kept in the code exactly as written, but running them
// through std::regex costs seconds on large files, so this file compiles that
// small grammar itself:
//
//   x        a literal byte (any byte but the metacharacters below)
//   \{ \}    a literal brace
//   \s*      any run of the six ASCII white-space bytes (space \t \n \v \f \r)
//   \d+      one or more decimal digits
//   [0-9.]+  one or more decimal digits and points
//   (a|b)    one of the literal words, captured
//   (...)    the single item inside, captured (at most one group)
//
// Construction refuses anything else, and it refuses patterns where greedy
// matching could need to backtrack (a repeated class followed by an item that
// can start with a byte of that class), so the linear matcher finds exactly
// what an ECMAScript engine finds.
//
// Number rule: a pattern that ends in a run of digits (\d+ or [0-9.]+) only
// matches where the number ends; a run followed by '.', 'e' or 'E' belongs to
// a value of another form (0.5 where an integer is expected, 5e-1) and is not
// taken. Otherwise `"a": 1, "opacity": 0.5` would lose ", "opacity": 0" and
// turn into `"a": 1.5`. In ECMAScript terms the pattern gets (?![0-9.eE]).
//
// Lexical rule for every search and replacement: a match counts only when it
// starts outside comments and outside string contents. `//` runs to the end
// of the line, `/* */` is a comment, a string runs from its opening quote to
// the next quote that is not escaped; the opening quote itself is outside (so
// a member name can start a match), the closing quote is inside. A match that
// starts inside is skipped and the search goes on one byte after its start.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace frostpane {

struct pattern_match {
    std::size_t begin = 0;
    std::size_t end = 0;
    // The captured group; empty when the pattern has none.
    std::size_t group_begin = 0;
    std::size_t group_end = 0;

    std::string_view whole(std::string_view text) const { return text.substr(begin, end - begin); }
    std::string_view group(std::string_view text) const { return text.substr(group_begin, group_end - group_begin); }
};

class compiled_pattern {
public:
    // Throws std::invalid_argument for syntax outside the grammar above.
    explicit compiled_pattern(std::string_view source);
    compiled_pattern(const compiled_pattern&) = delete;  // the finder points into the object
    compiled_pattern& operator=(const compiled_pattern&) = delete;

    std::string_view source() const { return source_; }
    // The match that starts exactly at `pos`, if any.
    std::optional<pattern_match> match_at(std::string_view text, std::size_t pos) const;
    // The byte every match starts with.
    unsigned char first_byte() const { return first_byte_; }
    // A literal every match contains; a text without it has no match.
    std::string_view required_literal() const { return required_literal_; }

private:
    enum class item_kind { literal, spaces, digits, digits_points, words, group_open, group_close };
    struct pattern_item {
        item_kind kind;
        std::string text;                // literal
        std::vector<std::string> words;  // words
    };
    std::string source_;
    std::vector<pattern_item> items_;
    unsigned char first_byte_ = 0;
    std::string required_literal_;
    bool ends_in_number_ = false;
    std::optional<std::boyer_moore_horspool_searcher<const char*>> finder_;

public:
    // Whether `text` contains the required literal at all.
    bool may_match(std::string_view text) const;
};

// The first match in `text` that starts outside comments and strings.
std::optional<pattern_match> search_outside(std::string_view text, const compiled_pattern& pattern);

struct text_range {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Where each member named `quoted_name` (with its quotes) of the outermost object stands: from
// the opening quote of its name to the end of its value, when that value is an object or an
// array; the end of the text when the value is never closed. Names, colons and brackets count
// only outside comments and strings, as for the matches; white space and comments may stand
// between the name, the colon and the value.
std::vector<text_range> member_ranges(std::string_view text, std::string_view quoted_name);

// A text under a series of replacements. The positions where a match can
// start (string openings and commas outside comments and strings) are found
// once and carried through each replacement, instead of lexing the whole
// text again for every pattern; this is what makes the dozen passes of one
// edit cheap on large files.
class edit_text {
public:
    explicit edit_text(std::string text);

    const std::string& text() const { return text_; }
    std::string take() { return std::move(text_); }

    // Which matches a replacement takes. The text remembers the places where a replacement of
    // scope every or at_start took text out or put text in (the end of what it put in).
    enum class scope {
        every,       // all of them
        at_start,    // only one that starts at the first byte
        near_sites,  // only those with such a place after their first byte or in the white space
                     // right before it, but not after their last byte; they leave no place
    };
    // Replaces the matches that start outside comments and strings, left to right and not
    // overlapping, by `replacement`, in which "$&" stands for the whole match (nothing else is
    // special). False, with the text unchanged, when there was none.
    bool replace(const compiled_pattern& pattern, std::string_view replacement, scope which = scope::every);

private:
    struct match_starts {
        std::vector<std::size_t> quotes;  // opening quotes of strings
        std::vector<std::size_t> commas;
    };
    // Adds the starts found in `piece` (lexed from the outside state) at
    // `offset`; false when the piece does not end outside.
    static bool collect(std::string_view piece, std::size_t offset, match_starts& starts);

    bool near_site(const pattern_match& m) const;

    std::string text_;
    match_starts starts_;
    std::vector<std::size_t> sites_;  // ascending
};

// Whether each byte position of `text` lies outside comments and string
// contents (same rule as above). Slow and simple: for tests and tools.
std::vector<bool> outside_map(std::string_view text);

}  // namespace frostpane
