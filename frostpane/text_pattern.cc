#include "text_pattern.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace frostpane {
namespace {

bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_digit_or_point(unsigned char c) { return is_digit(c) || c == '.'; }

// Steps over one lexical unit that starts at `i` (outside): a string, a
// comment or one plain byte. Returns the position after it.
// `closed` tells whether the unit ended inside the text (a string or comment
// that runs to the end leaves the lexer inside).
std::size_t skip_unit(std::string_view text, std::size_t i, bool* closed = nullptr) {
    if (closed != nullptr) *closed = true;
    const char* data = text.data();
    const std::size_t n = text.size();
    const char c = data[i];
    if (c == '"') {
        std::size_t from = i + 1;
        for (;;) {
            const void* hit = from < n ? std::memchr(data + from, '"', n - from) : nullptr;
            if (hit == nullptr) {  // an open string runs to the end
                if (closed != nullptr) *closed = false;
                return n;
            }
            const std::size_t q = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
            std::size_t backslashes = 0;
            while (q - backslashes > i + 1 && data[q - backslashes - 1] == '\\') ++backslashes;
            if (backslashes % 2 == 0) return q + 1;
            from = q + 1;
        }
    }
    if (c == '/' && i + 1 < n) {
        if (data[i + 1] == '/') {
            const void* hit = std::memchr(data + i + 2, '\n', n - i - 2);
            if (hit == nullptr && closed != nullptr) *closed = false;
            return hit == nullptr ? n : static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        }
        if (data[i + 1] == '*') {
            const std::size_t close = text.find("*/", i + 2);
            if (close == std::string_view::npos && closed != nullptr) *closed = false;
            return close == std::string_view::npos ? n : close + 2;
        }
    }
    return i + 1;
}

// Calls `visit(pos)` for each position outside comments and strings whose
// byte is `first`, in order; `visit` returns where scanning goes on (at
// least pos + 1), which must again be outside.
template <typename Visit>
void scan_outside(std::string_view text, unsigned char first, Visit&& visit) {
    std::array<bool, 256> stop{};
    stop['"'] = true;
    stop['/'] = true;
    stop[first] = true;
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        while (i < n && !stop[data[i]]) ++i;
        if (i >= n) break;
        if (data[i] == first) {
            const std::size_t next = visit(i);
            if (next != i) {
                i = next;
                continue;
            }
        }
        i = skip_unit(text, i);
    }
}

}  // namespace

compiled_pattern::compiled_pattern(std::string_view source) : source_(source) {
    auto add_literal = [this](char c) {
        if (items_.empty() || items_.back().kind != item_kind::literal) items_.push_back({item_kind::literal, "", {}});
        items_.back().text += c;
    };
    bool in_group = false;
    bool had_group = false;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const std::string_view rest = source.substr(i);
        if (rest.substr(0, 3) == "\\s*") {
            items_.push_back({item_kind::spaces, "", {}});
            i += 2;
        } else if (rest.substr(0, 3) == "\\d+") {
            items_.push_back({item_kind::digits, "", {}});
            i += 2;
        } else if (rest.substr(0, 7) == "[0-9.]+") {
            items_.push_back({item_kind::digits_points, "", {}});
            i += 6;
        } else if (rest.substr(0, 2) == "\\{" || rest.substr(0, 2) == "\\}") {
            add_literal(rest[1]);
            i += 1;
        } else if (rest[0] == '(') {
            if (in_group || had_group) throw std::invalid_argument("only one group is supported");
            const std::size_t close = rest.find(')');
            if (close == std::string_view::npos) throw std::invalid_argument("unclosed group");
            const std::string_view inner = rest.substr(1, close - 1);
            if (inner.find('|') != std::string_view::npos) {
                pattern_item words{item_kind::words, "", {}};
                for (std::size_t start = 0;;) {
                    const std::size_t bar = inner.find('|', start);
                    const std::string_view word =
                        inner.substr(start, bar == std::string_view::npos ? bar : bar - start);
                    if (word.empty() || word.find_first_of("\\[](){}.*+?^$") != std::string_view::npos) {
                        throw std::invalid_argument("alternatives must be plain words");
                    }
                    for (const auto& other : words.words) {
                        if (other[0] == word[0])
                            throw std::invalid_argument("alternatives must differ in their first byte");
                    }
                    words.words.emplace_back(word);
                    if (bar == std::string_view::npos) break;
                    start = bar + 1;
                }
                items_.push_back({item_kind::group_open, "", {}});
                items_.push_back(std::move(words));
                items_.push_back({item_kind::group_close, "", {}});
                had_group = true;
                i += close;
            } else {
                items_.push_back({item_kind::group_open, "", {}});
                in_group = true;
            }
        } else if (rest[0] == ')') {
            if (!in_group) throw std::invalid_argument("unbalanced parenthesis");
            items_.push_back({item_kind::group_close, "", {}});
            in_group = false;
            had_group = true;
        } else if (std::string_view("\\[]{}.*+?^$|").find(rest[0]) != std::string_view::npos) {
            throw std::invalid_argument("unsupported syntax in pattern");
        } else {
            add_literal(rest[0]);
        }
    }
    if (in_group) throw std::invalid_argument("unclosed group");

    // What can each item start with? Used to prove that greedy runs never
    // have to give bytes back.
    auto starts_with = [](const pattern_item& item, auto&& in_class) {
        switch (item.kind) {
            case item_kind::literal:
                return in_class(static_cast<unsigned char>(item.text[0]));
            case item_kind::words:
                for (const auto& w : item.words) {
                    if (in_class(static_cast<unsigned char>(w[0]))) return true;
                }
                return false;
            case item_kind::spaces:
                return in_class(' ') || in_class('\t') || in_class('\n');
            case item_kind::digits:
                return in_class('0');
            case item_kind::digits_points:
                return in_class('0') || in_class('.');
            default:
                return false;
        }
    };
    std::vector<const pattern_item*> real;
    for (const auto& item : items_) {
        if (item.kind != item_kind::group_open && item.kind != item_kind::group_close) real.push_back(&item);
    }
    if (real.empty() || real.front()->kind != item_kind::literal) {
        throw std::invalid_argument("a pattern must start with a literal byte");
    }
    for (std::size_t k = 0; k + 1 < real.size(); ++k) {
        const pattern_item& item = *real[k];
        const pattern_item& next = *real[k + 1];
        bool clash = false;
        if (item.kind == item_kind::spaces) {
            clash = starts_with(next, [](unsigned char c) { return is_space(c); });
            // a run of white space next to an optional run of white space is ambiguous too
            clash = clash || next.kind == item_kind::spaces;
        } else if (item.kind == item_kind::digits) {
            clash = starts_with(next, [](unsigned char c) { return is_digit(c); });
        } else if (item.kind == item_kind::digits_points) {
            clash = starts_with(next, [](unsigned char c) { return is_digit_or_point(c); });
        }
        if (clash) throw std::invalid_argument("pattern would need backtracking");
    }
    first_byte_ = static_cast<unsigned char>(real.front()->text[0]);
    ends_in_number_ = real.back()->kind == item_kind::digits || real.back()->kind == item_kind::digits_points;
    for (const auto* item : real) {
        if (item->kind == item_kind::literal && item->text.size() > required_literal_.size())
            required_literal_ = item->text;
    }
    // A match must start and end outside strings and comments, so literals may
    // not open a comment and their quotes must pair up.
    std::size_t quotes = 0;
    for (const auto* item : real) {
        if (item->kind != item_kind::literal) continue;
        if (item->text.find('/') != std::string::npos || item->text.find('\\') != std::string::npos) {
            throw std::invalid_argument("literals may not contain '/' or '\\\\'");
        }
        for (char c : item->text) quotes += c == '"';
    }
    if (quotes % 2 != 0) throw std::invalid_argument("quotes in a pattern must pair up");
    finder_.emplace(required_literal_.data(), required_literal_.data() + required_literal_.size());
}

bool compiled_pattern::may_match(std::string_view text) const {
    const char* begin = text.data();
    const char* end = begin + text.size();
    return (*finder_)(begin, end).first != end;
}

std::optional<pattern_match> compiled_pattern::match_at(std::string_view text, std::size_t pos) const {
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    pattern_match m;
    m.begin = pos;
    std::size_t i = pos;
    for (const pattern_item& item : items_) {
        switch (item.kind) {
            case item_kind::literal:
                if (n - i < item.text.size() || std::memcmp(data + i, item.text.data(), item.text.size()) != 0) {
                    return std::nullopt;
                }
                i += item.text.size();
                break;
            case item_kind::spaces:
                while (i < n && is_space(data[i])) ++i;
                break;
            case item_kind::digits:
            case item_kind::digits_points: {
                const std::size_t start = i;
                if (item.kind == item_kind::digits) {
                    while (i < n && is_digit(data[i])) ++i;
                } else {
                    while (i < n && is_digit_or_point(data[i])) ++i;
                }
                if (i == start) return std::nullopt;
                break;
            }
            case item_kind::words: {
                bool found = false;
                for (const auto& w : item.words) {
                    if (n - i >= w.size() && std::memcmp(data + i, w.data(), w.size()) == 0) {
                        i += w.size();
                        found = true;
                        break;
                    }
                }
                if (!found) return std::nullopt;
                break;
            }
            case item_kind::group_open:
                m.group_begin = i;
                break;
            case item_kind::group_close:
                m.group_end = i;
                break;
        }
    }
    if (ends_in_number_ && i < n && (data[i] == '.' || data[i] == 'e' || data[i] == 'E')) return std::nullopt;
    m.end = i;
    return m;
}

std::optional<pattern_match> search_outside(std::string_view text, const compiled_pattern& pattern) {
    std::optional<pattern_match> found;
    if (!pattern.may_match(text)) return found;
    std::size_t stop_at = std::string_view::npos;
    scan_outside(text, pattern.first_byte(), [&](std::size_t pos) -> std::size_t {
        if (stop_at != std::string_view::npos) return text.size();
        if (auto m = pattern.match_at(text, pos)) {
            found = m;
            stop_at = pos;
            return text.size();
        }
        return pos;
    });
    return found;
}

std::vector<text_range> member_ranges(std::string_view text, std::string_view quoted_name) {
    std::vector<text_range> found;
    const std::size_t n = text.size();
    // The next byte that is neither white space nor part of a comment.
    const auto next_token = [&](std::size_t i) {
        for (;;) {
            while (i < n && is_space(static_cast<unsigned char>(text[i]))) ++i;
            if (i + 1 >= n || text[i] != '/' || (text[i + 1] != '/' && text[i + 1] != '*')) return i;
            i = skip_unit(text, i);
        }
    };
    constexpr std::size_t none = std::string_view::npos;
    std::size_t depth = 0;
    std::size_t open = none;  // where the member being measured starts
    for (std::size_t i = 0; i < n;) {
        const char c = text[i];
        if (c == '{' || c == '[') {
            ++depth;
        } else if ((c == '}' || c == ']') && depth > 0 && --depth == 1 && open != none) {
            found.push_back({open, i + 1});
            open = none;
        } else if (c == '"' && depth == 1 && text.substr(i, quoted_name.size()) == quoted_name) {
            const std::size_t colon = next_token(i + quoted_name.size());
            const std::size_t value = colon < n && text[colon] == ':' ? next_token(colon + 1) : n;
            if (value < n && (text[value] == '{' || text[value] == '[')) {
                open = i;
                i = value;
                continue;
            }
        }
        i = skip_unit(text, i);
    }
    if (open != none) found.push_back({open, n});
    return found;
}

namespace {

void append_replacement(std::string& out, std::string_view replacement, std::size_t whole_at, std::string_view whole) {
    if (whole_at == std::string_view::npos) {
        out.append(replacement);
        return;
    }
    std::size_t from = 0;
    for (std::size_t at = whole_at; at != std::string_view::npos; at = replacement.find("$&", from)) {
        out.append(replacement, from, at - from);
        out.append(whole);
        from = at + 2;
    }
    out.append(replacement, from);
}

}  // namespace

edit_text::edit_text(std::string text) : text_(std::move(text)) { collect(text_, 0, starts_); }

bool edit_text::collect(std::string_view piece, std::size_t offset, match_starts& starts) {
    std::size_t i = 0;
    const std::size_t n = piece.size();
    const char* data = piece.data();
    bool ends_outside = true;
    static const auto stop = [] {
        std::array<bool, 256> table{};
        table[static_cast<unsigned char>(',')] = true;
        table[static_cast<unsigned char>('"')] = true;
        table[static_cast<unsigned char>('/')] = true;
        return table;
    }();
    while (i < n) {
        if (!stop[static_cast<unsigned char>(data[i])]) {
            do {
                ++i;
            } while (i < n && !stop[static_cast<unsigned char>(data[i])]);
            ends_outside = true;
            continue;
        }
        const char c = data[i];
        if (c == ',') {
            starts.commas.push_back(offset + i);
            ++i;
        } else if (c == '"') {
            starts.quotes.push_back(offset + i);
            i = skip_unit(piece, i, &ends_outside);
        } else if (c == '/' && i + 1 < n && (data[i + 1] == '/' || data[i + 1] == '*')) {
            i = skip_unit(piece, i, &ends_outside);
        } else {
            ++i;
            ends_outside = true;
        }
    }
    return ends_outside;
}

bool edit_text::near_site(const pattern_match& m) const {
    // The white space before the first byte counts too: taking `"x": 1` out of `{"x": 1 ,}` leaves
    // the comma one blank after the place.
    std::size_t from = m.begin;
    while (from > 0 && is_space(static_cast<unsigned char>(text_[from - 1]))) --from;
    const auto site = std::lower_bound(sites_.begin(), sites_.end(), from);
    return site != sites_.end() && *site < m.end;
}

bool edit_text::replace(const compiled_pattern& pattern, std::string_view replacement, scope which) {
    if (!pattern.may_match(text_)) return false;
    const bool on_quotes = pattern.first_byte() == '"';
    const auto& starts = on_quotes ? starts_.quotes : starts_.commas;
    std::vector<pattern_match> taken;
    std::size_t next = 0;
    for (const std::size_t pos : starts) {
        if (which == scope::at_start && pos > 0) break;
        if (pos < next) continue;
        if (auto m = pattern.match_at(text_, pos); m && (which != scope::near_sites || near_site(*m))) {
            taken.push_back(*m);
            next = m->end;
        }
    }
    if (taken.empty()) return false;

    const std::size_t whole_at = replacement.find("$&");
    std::string out;
    out.reserve(text_.size() + taken.size() * replacement.size());
    match_starts moved;
    moved.quotes.reserve(starts_.quotes.size());
    moved.commas.reserve(starts_.commas.size());
    std::vector<std::size_t> sites;
    std::size_t qi = 0;
    std::size_t ci = 0;
    std::size_t si = 0;
    std::size_t copied = 0;
    std::size_t base = 0;
    // Positions before `limit` move with the text copied before them.
    const auto carry = [&](const std::vector<std::size_t>& from, std::size_t& i, std::size_t limit,
                           std::vector<std::size_t>& to) {
        for (; i < from.size() && from[i] < limit; ++i) to.push_back(from[i] - copied + base);
    };
    bool relex = false;
    // A removal can bring a '/' next to a '/' or '*' and so open a comment
    // that was not there; only then is the text lexed again from scratch.
    auto check_junction = [&](std::size_t j) {
        if (j > 0 && j < out.size() && out[j - 1] == '/' && (out[j] == '/' || out[j] == '*')) relex = true;
    };
    std::vector<std::size_t> junctions;
    for (const pattern_match& m : taken) {
        base = out.size();
        out.append(text_, copied, m.begin - copied);
        carry(starts_.quotes, qi, m.begin, moved.quotes);
        carry(starts_.commas, ci, m.begin, moved.commas);
        carry(sites_, si, m.begin, sites);
        const std::size_t piece_at = out.size();
        append_replacement(out, replacement, whole_at, std::string_view(text_).substr(m.begin, m.end - m.begin));
        if (!collect(std::string_view(out).substr(piece_at), piece_at, moved)) relex = true;
        junctions.push_back(piece_at);
        junctions.push_back(out.size());
        for (; si < sites_.size() && sites_[si] < m.end; ++si) sites.push_back(piece_at);
        if (which != scope::near_sites) sites.push_back(out.size());
        while (qi < starts_.quotes.size() && starts_.quotes[qi] < m.end) ++qi;
        while (ci < starts_.commas.size() && starts_.commas[ci] < m.end) ++ci;
        copied = m.end;
    }
    base = out.size();
    out.append(text_, copied);
    carry(starts_.quotes, qi, text_.size(), moved.quotes);
    carry(starts_.commas, ci, text_.size(), moved.commas);
    carry(sites_, si, text_.size() + 1, sites);
    for (const std::size_t j : junctions) check_junction(j);

    text_ = std::move(out);
    sites_ = std::move(sites);
    if (relex) {
        starts_ = match_starts{};
        collect(text_, 0, starts_);
    } else {
        starts_ = std::move(moved);
    }
    return true;
}

std::vector<bool> outside_map(std::string_view text) {
    std::vector<bool> outside(text.size(), false);
    std::size_t i = 0;
    while (i < text.size()) {
        const bool comment = text[i] == '/' && i + 1 < text.size() && (text[i + 1] == '/' || text[i + 1] == '*');
        outside[i] = !comment;
        i = skip_unit(text, i);
    }
    return outside;
}

}  // namespace frostpane
