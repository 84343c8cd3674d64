// The settings edits against a slow reference: the same pattern texts run through std::regex, with
// a byte-by-byte lexer deciding which matches start outside comments and strings and where the
// top-level "profiles" members stand, each of them edited on its own. Shared by the unit tests
// and the fuzz target; differential_check gives "" when both agree on one input,
// otherwise the first difference.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "restore.h"
#include "terminal_settings.h"

namespace frostpane::oracle {

inline std::vector<bool> outside(std::string_view text) {
    std::vector<bool> result(text.size(), false);
    char state = 'c';  // code, '"' string, '/' line comment, '*' block comment
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i], next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (state == 'c' && c == '/' && (next == '/' || next == '*')) {
            state = next;
            ++i;
        } else if (state == 'c') {
            result[i] = true;
            if (c == '"') state = '"';
        } else if (state == '"' && c == '\\') {
            ++i;
        } else if ((state == '"' && c == '"') || (state == '/' && c == '\n') ||
                   (state == '*' && c == '*' && next == '/')) {
            result[i] = state == '/';
            i += state == '*';
            state = 'c';
        }
    }
    return result;
}

struct found {
    std::size_t begin, end;
    std::string group;
};

// Every match that starts outside and is accepted, left to right, each search going on after the
// previous match (or one byte after a start that does not count).
template <typename Accept>
std::vector<found> matches(const std::string& text, std::string_view pattern, Accept accept) {
    static std::map<std::string, std::regex, std::less<>> cache;
    auto re = cache.find(pattern);
    if (re == cache.end()) {
        // Numbers are only taken whole (see text_pattern.h).
        const bool number = std::regex_search(std::string(pattern), std::regex(R"((\\d\+|\[0-9\.\]\+)\)?$)"));
        re = cache.emplace(pattern, std::regex(std::string(pattern) + (number ? "(?![0-9.eE])" : ""))).first;
    }
    const auto out = outside(text);
    std::vector<found> list;
    std::smatch m;
    for (std::size_t from = 0;
         from <= text.size() && std::regex_search(text.cbegin() + from, text.cend(), m, re->second);) {
        const std::size_t start = from + static_cast<std::size_t>(m.position(0));
        const std::size_t end = start + static_cast<std::size_t>(m.length(0));
        const bool take = out[start] && accept(start, end);
        if (take) list.push_back({start, end, m.size() > 1 ? m.str(1) : ""});
        from = take ? end : start + 1;
    }
    return list;
}
inline std::vector<found> matches(const std::string& text, std::string_view pattern) {
    return matches(text, pattern, [](std::size_t, std::size_t) { return true; });
}

// `sites` holds the places where this run took text out or put text in, moved along with the
// text. Every match is replaced, or only one at the first byte, or (tidy) only those with a place
// from the white space before them up to their last byte, which add no place.
enum class take { every, at_start, tidy };
inline std::string replace(const std::string& text, std::string_view pattern, const std::string& with,
                           std::vector<std::size_t>& sites, take which = take::every) {
    const auto accept = [&](std::size_t begin, std::size_t end) {
        while (begin > 0 && std::isspace(static_cast<unsigned char>(text[begin - 1]))) --begin;
        if (which == take::tidy)
            return std::any_of(sites.begin(), sites.end(), [&](auto s) { return s >= begin && s < end; });
        return which == take::every || begin == 0;
    };
    std::string result;
    std::vector<std::size_t> moved;
    std::size_t copied = 0, s = 0;
    for (const found& f : matches(text, pattern, accept)) {
        std::string piece = with;
        const std::string whole = text.substr(f.begin, f.end - f.begin);
        for (auto at = piece.find("$&"); at != std::string::npos; at = piece.find("$&", at + whole.size())) {
            piece.replace(at, 2, whole);
        }
        for (; s < sites.size() && sites[s] < f.begin; ++s) moved.push_back(sites[s] - copied + result.size());
        result += text.substr(copied, f.begin - copied);
        for (; s < sites.size() && sites[s] < f.end; ++s) moved.push_back(result.size());
        result += piece;
        if (which != take::tidy) moved.push_back(result.size());
        copied = f.end;
    }
    for (; s < sites.size(); ++s) moved.push_back(sites[s] - copied + result.size());
    sites = moved;
    return result + text.substr(copied);
}
inline std::string replace(const std::string& text, std::string_view pattern, const std::string& with) {
    std::vector<std::size_t> sites;
    return replace(text, pattern, with, sites);
}

// The top-level "profiles" members: from the name's opening quote to the end of an object or array
// value (or of the text), brackets and names counted where outside() says so.
inline std::vector<std::pair<std::size_t, std::size_t>> profiles(const std::string& text) {
    const auto out = outside(text);
    const std::size_t n = text.size(), none = std::string::npos;
    std::vector<std::pair<std::size_t, std::size_t>> list;
    const auto next = [&](std::size_t i) {  // past white space and comments
        while (i < n && (!out[i] || std::isspace(static_cast<unsigned char>(text[i])))) ++i;
        return i;
    };
    std::size_t depth = 0, open = none;
    for (std::size_t i = 0; i < n; ++i) {
        if (!out[i]) continue;
        if (text[i] == '{' || text[i] == '[') {
            ++depth;
        } else if ((text[i] == '}' || text[i] == ']') && depth > 0 && --depth == 1 && open != none) {
            list.emplace_back(std::exchange(open, none), i + 1);
        } else if (depth == 1 && text.compare(i, 10, "\"profiles\"") == 0) {
            const std::size_t colon = next(i + 10), value = colon < n && text[colon] == ':' ? next(colon + 1) : n;
            if (value < n && (text[value] == '{' || text[value] == '[')) open = i, i = value - 1;
        }
    }
    if (open != none) list.emplace_back(open, n);
    return list;
}

inline std::string strip_acrylic_keys(std::string text, std::vector<std::size_t>& sites) {
    using namespace patterns;
    for (const auto pattern : {acrylic_after_comma, acrylic_before_comma, acrylic_alone, acrylic_opacity_after_comma,
                               acrylic_opacity_before_comma, acrylic_opacity_alone}) {
        text = replace(text, pattern, "", sites);
    }
    return text;
}
inline std::string strip_opacity_keys(std::string text, std::vector<std::size_t>& sites) {
    using namespace patterns;
    for (const auto pattern : {opacity_after_comma, opacity_before_comma, opacity_alone})
        text = replace(text, pattern, "", sites);
    return text;
}
inline std::string tidy_commas(const std::string& text, std::vector<std::size_t>& sites) {
    const std::string once = replace(text, patterns::comma_before_brace, "}", sites, take::tidy);
    return replace(once, patterns::double_comma, ",", sites, take::tidy);
}
// Each profiles member edited alone by `edit` (piece -> piece and whether the anchor was there).
template <typename Edit>
std::optional<std::string> each_profiles(const std::string& text, Edit edit) {
    std::string result;
    std::size_t copied = 0;
    bool anchored = false;
    for (const auto& [begin, end] : profiles(text)) {
        const auto [piece, found] = edit(text.substr(begin, end - begin));
        result += text.substr(copied, begin - copied) + piece;
        copied = end, anchored = anchored || found;
    }
    return anchored ? std::optional(result + text.substr(copied)) : std::nullopt;
}
inline std::string restore(const std::string& text) {
    const auto cleaned = each_profiles(text, [](const std::string& piece) {
        std::vector<std::size_t> sites;
        const std::string stripped = strip_opacity_keys(strip_acrylic_keys(piece, sites), sites);
        return std::pair(tidy_commas(stripped, sites), true);
    });
    return cleaned.value_or(text);
}
inline std::optional<std::string> edit(const std::string& text, bool acrylic, const std::string& members) {
    return each_profiles(text, [&](std::string piece) {
        std::vector<std::size_t> sites;
        piece = acrylic ? strip_acrylic_keys(strip_opacity_keys(piece, sites), sites)
                        : strip_opacity_keys(strip_acrylic_keys(piece, sites), sites);
        const auto anchors = sites.size();  // the anchor only where the member's name starts
        piece = replace(piece, patterns::defaults_anchor, "$& " + members + ", ", sites, take::at_start);
        return std::pair(tidy_commas(piece, sites), sites.size() > anchors);
    });
}

inline std::string differential_check(const std::string& text, int opacity) {
    using namespace patterns;
    std::string where = " on ";  // with the bytes that are not printable ASCII in decimal
    for (const unsigned char c : text) where += c >= 0x20 && c < 0x7F ? std::string(1, c) : "\\" + std::to_string(c);
    if (outside_map(text) != outside(text)) return "outside_map differs" + where;
    const auto ranges = profiles(text);
    std::vector<std::pair<std::size_t, std::size_t>> mine_ranges;
    for (const auto& r : profiles_ranges(text)) mine_ranges.emplace_back(r.begin, r.end);
    if (mine_ranges != ranges) return "profiles_ranges differs" + where;
    for (const auto source : {acrylic_after_comma, acrylic_before_comma, acrylic_alone, acrylic_opacity_after_comma,
                              acrylic_opacity_before_comma, acrylic_opacity_alone, opacity_after_comma,
                              opacity_before_comma, opacity_alone, comma_before_brace, double_comma, defaults_anchor,
                              acrylic_on, acrylic_value, acrylic_opacity_value, opacity_value}) {
        std::optional<found> first;  // in the profiles members, and in the whole text
        for (std::size_t r = 0; r < ranges.size() && !first; ++r) {
            for (found f : matches(text.substr(ranges[r].first, ranges[r].second - ranges[r].first), source)) {
                first = found{f.begin + ranges[r].first, f.end + ranges[r].first, f.group};
                break;
            }
        }
        const auto theirs = matches(text, source);
        const auto differ = [&](const std::optional<pattern_match>& m, const std::optional<found>& f) {
            return m ? !f || m->begin != f->begin || m->end != f->end || m->group(text) != f->group : f.has_value();
        };
        if (differ(search_outside(text, compiled(source)), theirs.empty() ? std::nullopt : std::optional(theirs[0])) ||
            differ(search_profiles(text, source), first)) {
            return "search " + std::string(source) + " differs" + where;
        }
        edit_text edited(text);
        edited.replace(compiled(source), "<$&>");
        if (edited.text() != replace(text, source, "<$&>"))
            return "replace " + std::string(source) + " differs" + where;
    }
    if (restore_settings_text(text) != restore(text)) return "restore differs" + where;
    const auto acrylic = frostpane::edit_for_acrylic(text, opacity), plain = frostpane::edit_for_opacity(text, opacity);
    if (acrylic != edit(text, true, acrylic_members(opacity))) return "acrylic edit differs" + where;
    if (plain != edit(text, false, opacity_members(opacity))) return "opacity edit differs" + where;
    // Removals and tidying only shrink; each profiles member takes at most " ", the members and ", ".
    const auto grew = [&](const auto& edit, const std::string& members) {
        return edit && edit->size() > text.size() + ranges.size() * (members.size() + 3);
    };
    return grew(acrylic, acrylic_members(opacity)) || grew(plain, opacity_members(opacity)) ? "an edit grew" + where
                                                                                            : "";
}

}  // namespace frostpane::oracle
