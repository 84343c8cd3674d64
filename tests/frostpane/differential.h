// The settings edits against a slow reference: the same pattern texts run through std::regex, with
// a byte-by-byte lexer deciding which matches start outside comments and strings. Shared by the
// unit tests and the fuzz target; differential_check gives "" when both agree on one input,
// otherwise the first difference.
#pragma once

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

// Every match that starts outside, left to right, each search going on after the previous match
// (or one byte after a start inside).
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

inline std::string replace(const std::string& text, std::string_view pattern, const std::string& with,
                           std::size_t* count = nullptr) {
    std::string result;
    std::size_t copied = 0;
    const auto list = matches(text, pattern);
    for (const found& f : list) {
        std::string piece = with;
        const std::string whole = text.substr(f.begin, f.end - f.begin);
        for (auto at = piece.find("$&"); at != std::string::npos; at = piece.find("$&", at + whole.size())) {
            piece.replace(at, 2, whole);
        }
        result += text.substr(copied, f.begin - copied) + piece;
        copied = f.end;
    }
    if (count != nullptr) *count = list.size();
    return result + text.substr(copied);
}

inline std::string strip_acrylic_keys(std::string text) {
    using namespace patterns;
    for (const auto pattern : {acrylic_after_comma, acrylic_before_comma, acrylic_alone, acrylic_opacity_after_comma,
                               acrylic_opacity_before_comma, acrylic_opacity_alone}) {
        text = replace(text, pattern, "");
    }
    return text;
}
inline std::string strip_opacity_keys(std::string text) {
    using namespace patterns;
    for (const auto pattern : {opacity_after_comma, opacity_before_comma, opacity_alone})
        text = replace(text, pattern, "");
    return text;
}
inline std::string tidy_commas(const std::string& text) {
    return replace(replace(text, patterns::comma_before_brace, "}"), patterns::double_comma, ",");
}
inline std::optional<std::string> insert(const std::string& text, const std::string& members) {
    std::size_t anchors = 0;
    const std::string inserted = replace(text, patterns::defaults_anchor, "$& " + members + ", ", &anchors);
    return anchors == 0 ? std::nullopt : std::optional(tidy_commas(inserted));
}
inline std::optional<std::string> edit_for_acrylic(const std::string& text, int opacity) {
    return insert(strip_acrylic_keys(strip_opacity_keys(text)), acrylic_members(opacity));
}
inline std::optional<std::string> edit_for_opacity(const std::string& text, int opacity) {
    return insert(strip_opacity_keys(strip_acrylic_keys(text)), opacity_members(opacity));
}

inline std::string differential_check(const std::string& text, int opacity) {
    using namespace patterns;
    std::string where = " on ";  // with the bytes that are not printable ASCII in decimal
    for (const unsigned char c : text) where += c >= 0x20 && c < 0x7F ? std::string(1, c) : "\\" + std::to_string(c);
    if (outside_map(text) != outside(text)) return "outside_map differs" + where;
    for (const auto source : {acrylic_after_comma, acrylic_before_comma, acrylic_alone, acrylic_opacity_after_comma,
                              acrylic_opacity_before_comma, acrylic_opacity_alone, opacity_after_comma,
                              opacity_before_comma, opacity_alone, comma_before_brace, double_comma, defaults_anchor,
                              acrylic_on, acrylic_value, acrylic_opacity_value, opacity_value}) {
        const auto mine = search_outside(text, compiled(source));
        const auto theirs = matches(text, source);
        if (mine ? theirs.empty() || mine->begin != theirs[0].begin || mine->end != theirs[0].end ||
                       mine->group(text) != theirs[0].group
                 : !theirs.empty()) {
            return "search " + std::string(source) + " differs" + where;
        }
        std::string edited = text;
        replace_outside(edited, compiled(source), "<$&>");
        if (edited != replace(text, source, "<$&>")) return "replace " + std::string(source) + " differs" + where;
    }
    if (strip_acrylic_keys(text) != frostpane::strip_acrylic_keys(text)) return "strip_acrylic_keys differs" + where;
    if (strip_opacity_keys(text) != frostpane::strip_opacity_keys(text)) return "strip_opacity_keys differs" + where;
    if (tidy_commas(text) != frostpane::tidy_commas(text)) return "tidy_commas differs" + where;
    const auto acrylic = frostpane::edit_for_acrylic(text, opacity), plain = frostpane::edit_for_opacity(text, opacity);
    if (acrylic != edit_for_acrylic(text, opacity)) return "acrylic edit differs" + where;
    if (plain != edit_for_opacity(text, opacity)) return "opacity edit differs" + where;
    // Removals and tidying only shrink; each insertion adds " ", the members and ", ".
    std::size_t anchors = 0;
    replace(text, defaults_anchor, "", &anchors);
    const auto grew = [&](const auto& edit, const std::string& members) {
        return edit && edit->size() > text.size() + anchors * (members.size() + 3);
    };
    return grew(acrylic, acrylic_members(opacity)) || grew(plain, opacity_members(opacity)) ? "an edit grew" + where
                                                                                            : "";
}

}  // namespace frostpane::oracle
