#include "cli.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "promptloom.h"

namespace plm_cli {

const std::string_view usage_text =
    "usage: promptloom choose [--title T] [--default N] [--index] [ITEM ...]   one item (interactive menu)\n"
    "       promptloom pick   [--title T] [--index] [ITEM ...]                 several items (check boxes)\n"
    "       promptloom menu   [--title T] [--default N] [--index] [ITEM ...]   the numbered menu\n"
    "       promptloom input  [--prompt P] [--history FILE] [--vi]             a line, with history\n"
    "       promptloom --version | --help\n"
    "Items come from the arguments or, when there are none, from standard input, one per line.\n"
    "The answer goes to standard output (item texts, or numbers with --index; one line per item);\n"
    "the menu is drawn on the terminal even when standard input and output are pipes.\n"
    "Exit status: 0 answered, 1 cancelled (Escape; Ctrl+C or end of input at input and menu),\n"
    "2 bad usage or failure.\n";

namespace {

struct verb_name {
    std::string_view name;
    verb what;
};
constexpr verb_name k_verbs[] = {{"choose", verb::choose}, {"pick", verb::pick},         {"menu", verb::menu},
                                 {"input", verb::input},   {"--version", verb::version}, {"--help", verb::help},
                                 {"-h", verb::help}};

// Which options each verb takes; a value option is followed by its value (or written --opt=value).
bool takes(verb v, std::string_view option) {
    const bool menus = v == verb::choose || v == verb::pick || v == verb::menu;
    if (option == "--title" || option == "--index") return menus;
    if (option == "--default") return v == verb::choose || v == verb::menu;
    if (option == "--prompt" || option == "--history" || option == "--vi") return v == verb::input;
    return false;
}

std::optional<std::size_t> positive_number(std::string_view text) {
    std::size_t value = 0;
    if (text.empty() || text.size() > 9) return std::nullopt;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (value == 0) return std::nullopt;
    return value;
}

}  // namespace

parsed parse_arguments(const std::vector<std::string>& args) {
    parsed result;
    if (args.empty()) return {std::nullopt, "no command given"};
    request r;
    bool known = false;
    for (const auto& v : k_verbs) {
        if (args[0] == v.name) r.what = v.what, known = true;
    }
    if (!known) return {std::nullopt, "unknown command '" + args[0] + "'"};
    bool options_done = r.what == verb::version || r.what == verb::help;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options_done || a.size() < 2 || a[0] != '-') {
            if (r.what == verb::input || r.what == verb::version || r.what == verb::help) {
                return {std::nullopt, "unexpected argument '" + a + "'"};
            }
            r.items.push_back(a);
            options_done = true;  // options come before the items
            continue;
        }
        if (a == "--") {
            options_done = true;
            continue;
        }
        const std::size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        if (!takes(r.what, name)) return {std::nullopt, "unknown option '" + name + "' for " + args[0]};
        if (name == "--index" || name == "--vi") {
            if (eq != std::string::npos) return {std::nullopt, "option '" + name + "' takes no value"};
            (name == "--index" ? r.index : r.vi) = true;
            continue;
        }
        std::string value;
        if (eq != std::string::npos) {
            value = a.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return {std::nullopt, "option '" + name + "' needs a value"};
        }
        if (name == "--title") r.title = value;
        if (name == "--prompt") r.prompt = value;
        if (name == "--history") r.history = value;
        if (name == "--default") {
            const auto n = positive_number(value);
            if (!n) return {std::nullopt, "--default takes an item number from 1, not '" + value + "'"};
            r.default_item = *n;
        }
    }
    result.ok = std::move(r);
    return result;
}

namespace {

// Big enough that a block holds thousands of usual lines, small enough that a short list leaves
// most of it untouched (and so not resident).
constexpr std::size_t k_block_size = std::size_t{1} << 20;

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr std::uint32_t k_replacement = 0xFFFD;

}  // namespace

void line_list::feed(std::string_view bytes) {
    switch (encoding_) {
        case encoding::utf8:
            return feed_utf8(bytes);
        case encoding::utf16le:
        case encoding::utf16be:
            return feed_utf16(bytes);
        case encoding::unknown:
            break;
    }
    head_.append(bytes);
    if (head_.size() < 3) return;  // finish() decides on fewer
    std::string_view text = head_;
    encoding_ = encoding::utf8;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    } else if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
        encoding_ = text[0] == '\xFF' ? encoding::utf16le : encoding::utf16be;
        text.remove_prefix(2);
    }
    const std::string head = std::move(head_);
    head_ = std::string();
    feed(std::string_view(head).substr(head.size() - text.size()));
}

void line_list::feed_utf16(std::string_view bytes) {
    utf16_.append(bytes);  // after an odd byte left from the last piece
    std::string text;
    text.reserve(utf16_.size() * 3 / 2);
    const bool little = encoding_ == encoding::utf16le;
    std::size_t i = 0;
    for (; i + 1 < utf16_.size(); i += 2) {
        const auto a = static_cast<unsigned char>(utf16_[i]);
        const auto b = static_cast<unsigned char>(utf16_[i + 1]);
        const std::uint32_t u = little ? a | b << 8 : a << 8 | b;
        if (high_ != 0 && u >= 0xDC00 && u <= 0xDFFF) {
            append_utf8(text, 0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00));
            high_ = 0;
            continue;
        }
        if (high_ != 0) append_utf8(text, k_replacement);
        high_ = u >= 0xD800 && u <= 0xDBFF ? u : 0;
        if (high_ == 0) append_utf8(text, u >= 0xDC00 && u <= 0xDFFF ? k_replacement : u);
    }
    utf16_.erase(0, i);
    feed_utf8(text);
}

void line_list::feed_utf8(std::string_view bytes) {
    while (!bytes.empty()) {
        open_ = true;
        const auto* nl = static_cast<const char*>(std::memchr(bytes.data(), '\n', bytes.size()));
        const std::size_t length = nl != nullptr ? static_cast<std::size_t>(nl - bytes.data()) : bytes.size();
        if (!cut_) {
            const auto* nul = static_cast<const char*>(std::memchr(bytes.data(), '\0', length));
            store(bytes.substr(0, nul != nullptr ? static_cast<std::size_t>(nul - bytes.data()) : length));
            cut_ = nul != nullptr;
        }
        if (nl == nullptr) return;
        end_line();
        bytes.remove_prefix(length + 1);
    }
}

// Room for `text` and the line's NUL after the open line; a full block leaves the open line's
// start behind, copied into the next one.
void line_list::store(std::string_view text) {
    const std::size_t open = line_end_ - (blocks_.empty() ? 0 : blocks_.back().used);
    if (blocks_.empty() || line_end_ + text.size() + 1 > blocks_.back().size) {
        const std::size_t size = std::max(k_block_size, 2 * (open + text.size() + 1));
        block next{std::make_unique_for_overwrite<char[]>(size), size, 0};
        if (open > 0) std::memcpy(next.bytes.get(), blocks_.back().bytes.get() + blocks_.back().used, open);
        blocks_.push_back(std::move(next));
        line_end_ = open;
    }
    if (!text.empty()) std::memcpy(blocks_.back().bytes.get() + line_end_, text.data(), text.size());
    line_end_ += text.size();
}

void line_list::end_line() {
    store({});
    block& last = blocks_.back();
    if (!cut_ && line_end_ > last.used && last.bytes[line_end_ - 1] == '\r') --line_end_;
    last.bytes[line_end_++] = '\0';
    last.used = line_end_;
    ++count_;
    open_ = cut_ = false;
}

void line_list::finish() {
    if (encoding_ == encoding::unknown) {
        // Too short for a UTF-8 byte order mark; a UTF-16 one alone leaves no text.
        encoding_ = encoding::utf8;
        const std::string_view head = head_;
        if (head != "\xFF\xFE" && head != "\xFE\xFF") feed_utf8(head);
        head_.clear();
    }
    std::string rest;
    if (high_ != 0) append_utf8(rest, k_replacement);
    if (!utf16_.empty()) append_utf8(rest, k_replacement);
    feed_utf8(rest);
    high_ = 0;
    utf16_.clear();
    if (open_) end_line();
    lines_ = std::make_unique_for_overwrite<const char*[]>(count_);
    std::size_t n = 0;
    for (const block& b : blocks_) {
        for (const char* p = b.bytes.get(); p < b.bytes.get() + b.used; p += std::strlen(p) + 1) lines_[n++] = p;
    }
}

namespace {

using context_ptr = std::unique_ptr<plm_context, decltype(&plm_context_destroy)>;

int failure(streams& io, std::string_view what) {
    io.write_error("promptloom: " + std::string(what) + "\n");
    return 2;
}

int answer(streams& io, std::string_view text) {
    std::string why;
    if (!io.write_answer(text, why)) return failure(io, "cannot write the answer: " + why);
    return 0;
}

// What a call that gave no answer means to a script. Escape in an interactive menu, and Ctrl+C
// or the end of input at a prompt, are the user's "no" (1). An interactive menu ends without a
// choice only that way: its input failing means the terminal hung up or refused raw mode.
int not_answered(streams& io, int32_t status, bool interactive_menu) {
    if (interactive_menu ? status == PLM_ERR_INVALID_ARGUMENT : status == PLM_ERR_IO) return 1;
    if (status == PLM_ERR_IO) return failure(io, "the terminal hung up or refused raw mode");
    return failure(io, plm_status_message(status));
}

int run_input(const request& r, streams& io) {
    line_list past;
    if (!r.history.empty()) {
        std::string why;
        switch (io.read_history(r.history, past, why)) {
            case history_file::ok:
                break;
            case history_file::refused:
                return failure(io, "--history " + r.history + ": " + why);
            case history_file::unreadable:
                // The recall is lost, not the line the user is about to type.
                io.write_error("promptloom: cannot read " + r.history + ": " + why + "\n");
                past = line_list();
                break;
        }
    }
    past.finish();
    context_ptr ctx(plm_context_create(), plm_context_destroy);
    if (!ctx) return failure(io, "out of memory");
    for (std::size_t i = 0; i < past.count(); ++i) {
        if (plm_history_add(ctx.get(), past.lines()[i]) != PLM_OK) return failure(io, "out of memory");
    }
    const bool terminal = io.attach_terminal();
    plm_prompt_options options;
    plm_default_prompt_options(&options);
    if (!r.prompt.empty()) options.prompt = r.prompt.c_str();
    options.completion = 0;
    options.edit_mode = r.vi ? PLM_EDIT_MODE_VI : PLM_EDIT_MODE_DEFAULT;
    std::string line(65536, '\0');
    const int32_t status = plm_prompt_run(ctx.get(), &options, line.data(), line.size());
    if (status == PLM_ERR_INVALID_ARGUMENT) return failure(io, "the line is longer than 65535 bytes");
    if (status != PLM_OK) return not_answered(io, status, false);
    line.resize(std::strlen(line.c_str()));
    // The first line of piped text: a Windows program may have put a byte order mark before it.
    if (!terminal && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (answer(io, line + "\n") != 0) return 2;
    std::string why;
    if (!r.history.empty() && !line.empty() && !io.append_history(r.history, line, why)) {
        // The answer stands all the same: a lost history line is no reason to lose the answer.
        io.write_error("promptloom: cannot append to " + r.history + ": " + why + "\n");
    }
    return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, streams& io) {
    const parsed p = parse_arguments(args);
    if (!p.ok) return failure(io, p.error + " (promptloom --help shows the usage)");
    const request& r = *p.ok;
    if (!io.output_open()) return failure(io, "standard output is closed: there is nowhere to answer");
    if (r.what == verb::help) return answer(io, usage_text);
    if (r.what == verb::version) return answer(io, std::string(plm_version_string()) + "\n");
    if (r.what == verb::input) return run_input(r, io);

    line_list piped;
    std::vector<const char*> given;
    for (const auto& item : r.items) given.push_back(item.c_str());
    if (given.empty()) {
        if (io.stdin_is_terminal()) return failure(io, "no items: give them as arguments or on standard input");
        char chunk[65536];
        std::ptrdiff_t n = 0;
        while ((n = io.read_stdin(chunk, sizeof chunk)) > 0) piped.feed({chunk, static_cast<std::size_t>(n)});
        if (n < 0) return failure(io, "cannot read the items from standard input");
        piped.finish();
        if (piped.count() == 0) return failure(io, "no items on standard input");
    }
    const char* const* items = given.empty() ? piped.lines() : given.data();
    const std::size_t count = given.empty() ? piped.count() : given.size();
    if (r.default_item > count) {
        return failure(io, "--default " + std::to_string(r.default_item) + " is beyond the last item (" +
                               std::to_string(count) + ")");
    }
    context_ptr ctx(plm_context_create(), plm_context_destroy);
    if (!ctx) return failure(io, "out of memory");
    const bool terminal = io.attach_terminal();
    const auto line_of = [&](std::size_t i) { return (r.index ? std::to_string(i + 1) : items[i]) + "\n"; };
    const char* title = r.title.empty() ? nullptr : r.title.c_str();
    if (r.what == verb::pick) {
        std::vector<unsigned char> ticked(count);
        const int32_t status = plm_menu_multi_choice_interactive(ctx.get(), title, items, count, ticked.data(), 0);
        if (status != PLM_OK) return not_answered(io, status, terminal);
        std::string lines;
        for (std::size_t i = 0; i < count; ++i) {
            if (ticked[i] != 0) lines += line_of(i);
        }
        return answer(io, lines);
    }
    const std::size_t start = r.default_item == 0 ? 0 : r.default_item - 1;
    std::size_t chosen = 0;
    const int32_t status = r.what == verb::menu
                               ? plm_menu_choice(ctx.get(), title, items, count, start, &chosen)
                               : plm_menu_choice_interactive(ctx.get(), title, items, count, start, &chosen);
    if (status != PLM_OK) return not_answered(io, status, terminal && r.what == verb::choose);
    return answer(io, line_of(chosen));
}

}  // namespace plm_cli
