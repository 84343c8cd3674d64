// Reference implementation of the settings edits: the same pattern texts run
// through std::regex, with a naive byte-by-byte lexer deciding which matches
// start outside comments and strings. Slow on purpose; it is the oracle the
// hand-written matcher is compared against.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "terminal_settings.h"

namespace frostpane::oracle {

inline std::vector<bool> outside(std::string_view text) {
    enum class State { code, string, line_comment, block_comment } state = State::code;
    std::vector<bool> result(text.size(), false);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        switch (state) {
            case State::code:
                if (c == '/' && next == '/') {
                    state = State::line_comment;
                    ++i;
                } else if (c == '/' && next == '*') {
                    state = State::block_comment;
                    ++i;
                } else {
                    result[i] = true;
                    if (c == '"') state = State::string;
                }
                break;
            case State::string:
                if (c == '\\') {
                    ++i;
                } else if (c == '"') {
                    state = State::code;
                }
                break;
            case State::line_comment:
                if (c == '\n') {
                    result[i] = true;
                    state = State::code;
                }
                break;
            case State::block_comment:
                if (c == '*' && next == '/') {
                    ++i;
                    state = State::code;
                }
                break;
        }
    }
    return result;
}

// std::regex objects are costly to build; each pattern is built once.
inline const std::regex& regex_for(std::string_view pattern) {
    static std::map<std::string, std::regex, std::less<>> cache;
    auto it = cache.find(pattern);
    if (it == cache.end()) {
        // Numbers are only taken whole (see text_pattern.h).
        std::string source(pattern);
        for (const char* tail : {"\\d+", "\\d+)", "[0-9.]+", "[0-9.]+)"}) {
            const std::string t(tail);
            if (source.size() >= t.size() && source.compare(source.size() - t.size(), t.size(), t) == 0) {
                source += "(?![0-9.eE])";
                break;
            }
        }
        it = cache.emplace(std::string(pattern), std::regex{source}).first;
    }
    return it->second;
}

struct Found {
    std::size_t begin;
    std::size_t end;
    std::string group;
};

inline std::optional<Found> search(const std::string& text, std::string_view pattern) {
    const std::regex& re = regex_for(pattern);
    const auto out = outside(text);
    std::size_t from = 0;
    std::smatch m;
    while (from <= text.size() &&
           std::regex_search(text.cbegin() + static_cast<std::ptrdiff_t>(from), text.cend(), m, re)) {
        const std::size_t start = from + static_cast<std::size_t>(m.position(0));
        if (out[start]) {
            return Found{start, start + static_cast<std::size_t>(m.length(0)), m.size() > 1 ? m.str(1) : std::string()};
        }
        from = start + 1;
    }
    return std::nullopt;
}

inline std::string replace(const std::string& text, std::string_view pattern, std::string_view replacement,
                           std::size_t* count = nullptr) {
    const std::regex& re = regex_for(pattern);
    const auto out = outside(text);
    std::string result;
    std::size_t copied = 0;
    std::size_t from = 0;
    std::size_t taken = 0;
    std::smatch m;
    while (from <= text.size() &&
           std::regex_search(text.cbegin() + static_cast<std::ptrdiff_t>(from), text.cend(), m, re)) {
        const std::size_t start = from + static_cast<std::size_t>(m.position(0));
        if (!out[start]) {
            from = start + 1;
            continue;
        }
        result.append(text, copied, start - copied);
        for (std::size_t i = 0; i < replacement.size(); ++i) {
            if (replacement[i] == '$' && i + 1 < replacement.size() && replacement[i + 1] == '&') {
                result += m.str(0);
                ++i;
            } else {
                result += replacement[i];
            }
        }
        copied = from = start + static_cast<std::size_t>(m.length(0));
        ++taken;
    }
    result.append(text, copied);
    if (count != nullptr) *count = taken;
    return result;
}

inline std::string strip_acrylic_keys(std::string text) {
    for (auto p : {patterns::acrylic_after_comma, patterns::acrylic_before_comma, patterns::acrylic_alone,
                   patterns::acrylic_opacity_after_comma, patterns::acrylic_opacity_before_comma,
                   patterns::acrylic_opacity_alone}) {
        text = replace(text, p, "");
    }
    return text;
}

inline std::string strip_opacity_keys(std::string text) {
    for (auto p : {patterns::opacity_after_comma, patterns::opacity_before_comma, patterns::opacity_alone}) {
        text = replace(text, p, "");
    }
    return text;
}

inline std::string tidy_commas(std::string text) {
    text = replace(text, patterns::comma_before_brace, "}");
    return replace(text, patterns::double_comma, ",");
}

inline std::optional<std::string> insert_into_defaults(const std::string& text, const std::string& members,
                                                       std::size_t* count = nullptr) {
    std::size_t taken = 0;
    std::string result = replace(text, patterns::defaults_anchor, "$& " + members + ", ", &taken);
    if (count != nullptr) *count = taken;
    if (taken == 0) return std::nullopt;
    return result;
}

inline std::optional<std::string> edit_for_acrylic(std::string text, int opacity) {
    auto inserted =
        insert_into_defaults(strip_acrylic_keys(strip_opacity_keys(std::move(text))), acrylic_members(opacity));
    if (!inserted) return std::nullopt;
    return tidy_commas(*inserted);
}

inline std::optional<std::string> edit_for_opacity(std::string text, int opacity) {
    auto inserted =
        insert_into_defaults(strip_opacity_keys(strip_acrylic_keys(std::move(text))), opacity_members(opacity));
    if (!inserted) return std::nullopt;
    return tidy_commas(*inserted);
}

}  // namespace frostpane::oracle
