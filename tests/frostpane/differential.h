// The pattern engine against a slow reference: the same pattern texts run through std::regex, with
// a byte-by-byte lexer deciding which matches start outside comments and strings. Shared by the
// unit tests and the fuzz target; differential_check gives "" when both agree on one input,
// otherwise the first difference.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

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

// Every match that starts outside, left to right, each search going on after the previous match (or
// one byte after a start inside).
inline std::vector<found> matches(const std::string& text, std::string_view pattern) {
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
        if (out[start]) list.push_back({start, end, m.size() > 1 ? m.str(1) : ""});
        from = out[start] ? end : start + 1;
    }
    return list;
}

inline std::string replace(const std::string& text, std::string_view pattern, const std::string& with) {
    std::string result;
    std::size_t copied = 0;
    for (const found& f : matches(text, pattern)) {
        std::string piece = with;  // "$&" stands for the match, at most once here
        if (const auto i = piece.find("$&"); i != std::string::npos)
            piece.replace(i, 2, text, f.begin, f.end - f.begin);
        result += text.substr(copied, f.begin - copied) + piece;
        copied = f.end;
    }
    return result + text.substr(copied);
}

// The removal passes of useAcrylic, acrylicOpacity and opacity in their order, then the other patterns.
using namespace patterns;
inline constexpr auto all_patterns =
    std::to_array({acrylic_after_comma, acrylic_before_comma, acrylic_alone, acrylic_opacity_after_comma,
                   acrylic_opacity_before_comma, acrylic_opacity_alone, opacity_after_comma, opacity_before_comma,
                   opacity_alone, comma_before_brace, double_comma, defaults_anchor, acrylic_on, acrylic_value,
                   acrylic_opacity_value, opacity_value});

// The lexer, each pattern's first match and replacement, and a series of replacements on one text; not the profiles
// members or whole edits (tidying near this run's removals, splicing the profiles back: rows and corpus prove those).
inline std::string differential_check(const std::string& text) {
    std::string where = " on ";  // with the bytes that are not printable ASCII in decimal
    for (const unsigned char c : text) where += c >= 0x20 && c < 0x7F ? std::string(1, c) : "\\" + std::to_string(c);
    if (outside_map(text) != outside(text)) return "outside_map differs" + where;
    edit_text carried(text);
    std::string fresh = text;
    for (const auto source : all_patterns) {
        const auto m = search_outside(text, compiled(source));
        const auto f = matches(text, source);
        if (m ? f.empty() || m->begin != f[0].begin || m->end != f[0].end || m->group(text) != f[0].group : !f.empty())
            return "search " + std::string(source) + " differs" + where;
        edit_text edited(text);
        edited.replace(compiled(source), "<$&>");
        if (edited.text() != replace(text, source, "<$&>"))
            return "replace " + std::string(source) + " differs" + where;
        carried.replace(compiled(source), "");
        fresh = replace(fresh, source, "");
    }
    return carried.text() != fresh ? "carried positions differ" + where : "";
}

}  // namespace frostpane::oracle
