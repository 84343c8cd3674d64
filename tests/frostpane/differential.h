// One differential check of the settings edits: the hand-written matcher
// against the std::regex reference, on one input. Shared by the random test
// and the libFuzzer target. Returns an empty string when everything agrees,
// otherwise a description of the first difference.
#pragma once

#include <string>
#include <string_view>

#include "regex_oracle.h"
#include "terminal_settings.h"
#include "text_pattern.h"

namespace frostpane::oracle {

inline std::string escape(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

inline std::string differential_check(const std::string& text, int opacity) {
    const std::string_view all[] = {
        patterns::acrylic_after_comma,
        patterns::acrylic_before_comma,
        patterns::acrylic_alone,
        patterns::acrylic_opacity_after_comma,
        patterns::acrylic_opacity_before_comma,
        patterns::acrylic_opacity_alone,
        patterns::opacity_after_comma,
        patterns::opacity_before_comma,
        patterns::opacity_alone,
        patterns::comma_before_brace,
        patterns::double_comma,
        patterns::defaults_anchor,
        patterns::acrylic_on,
        patterns::acrylic_value,
        patterns::acrylic_opacity_value,
        patterns::opacity_value,
    };
    const std::string where = " on \"" + escape(text) + "\"";

    if (outside_map(text) != outside(text)) return "outside_map differs" + where;

    for (const auto source : all) {
        const compiled_pattern& pattern = compiled(source);
        const auto mine = search_outside(text, pattern);
        const auto theirs = search(text, source);
        if (mine.has_value() != theirs.has_value() ||
            (mine && (mine->begin != theirs->begin || mine->end != theirs->end ||
                      std::string(mine->group(text)) != theirs->group))) {
            return "search " + std::string(source) + " differs" + where;
        }
        // Plain removals are covered by the pass functions below.
        std::string edited = text;
        replace_outside(edited, pattern, "<$&>");
        if (edited != replace(text, source, "<$&>")) return "replace " + std::string(source) + " differs" + where;
    }

    if (strip_acrylic_keys(text) != oracle::strip_acrylic_keys(text)) return "strip_acrylic_keys differs" + where;
    if (strip_opacity_keys(text) != oracle::strip_opacity_keys(text)) return "strip_opacity_keys differs" + where;
    if (tidy_commas(text) != oracle::tidy_commas(text)) return "tidy_commas differs" + where;

    const auto acrylic = edit_for_acrylic(text, opacity);
    if (acrylic != oracle::edit_for_acrylic(text, opacity)) return "acrylic edit differs" + where;
    const auto plain = edit_for_opacity(text, opacity);
    if (plain != oracle::edit_for_opacity(text, opacity)) return "opacity edit differs" + where;

    // Removals and tidying only shrink; each insertion adds " ", the members and ", ".
    std::size_t anchors = 0;
    replace(text, patterns::defaults_anchor, "", &anchors);
    if (acrylic && acrylic->size() > text.size() + anchors * (acrylic_members(opacity).size() + 3)) {
        return "acrylic edit grew too much" + where;
    }
    if (plain && plain->size() > text.size() + anchors * (opacity_members(opacity).size() + 3)) {
        return "opacity edit grew too much" + where;
    }
    return "";
}

}  // namespace frostpane::oracle
