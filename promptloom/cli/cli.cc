#include "cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

namespace {

using context_ptr = std::unique_ptr<plm_context, decltype(&plm_context_destroy)>;

int failure(streams& io, std::string_view what) {
    io.write_error("promptloom: " + std::string(what) + "\n");
    return 2;
}

// A cancelled call and one whose input ended are the same to a script: no answer.
int cancelled_or_failed(streams& io, int32_t status, bool escape_is_minus_one) {
    if (status == PLM_ERR_IO || (escape_is_minus_one && status == PLM_ERR_INVALID_ARGUMENT)) return 1;
    return failure(io, plm_status_message(status));
}

std::string answer_line(const request& r, std::size_t index) {
    return (r.index ? std::to_string(index + 1) : r.items[index]) + "\n";
}

int run_input(const request& r, plm_context* ctx, streams& io) {
    if (!r.history.empty()) {
        // A missing file is a history not yet started; one that cannot be read costs the user
        // the recall, not the line they are about to type.
        std::string text;
        if (std::FILE* f = std::fopen(r.history.c_str(), "rb")) {
            char chunk[65536];
            std::size_t n = 0;
            while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
            if (std::ferror(f) != 0) {
                io.write_error("promptloom: cannot read " + r.history + ": " + std::strerror(errno) + "\n");
                text.clear();
            }
            std::fclose(f);
        }
        for (const auto& line : split_lines(text)) {
            if (plm_history_add(ctx, line.c_str()) != PLM_OK) return failure(io, "out of memory");
        }
    }
    plm_prompt_options options;
    plm_default_prompt_options(&options);
    if (!r.prompt.empty()) options.prompt = r.prompt.c_str();
    options.completion = 0;
    options.edit_mode = r.vi ? PLM_EDIT_MODE_VI : PLM_EDIT_MODE_DEFAULT;
    std::string line(65536, '\0');
    const int32_t status = plm_prompt_run(ctx, &options, line.data(), line.size());
    if (status == PLM_ERR_INVALID_ARGUMENT) return failure(io, "the line is longer than 65535 bytes");
    if (status != PLM_OK) return cancelled_or_failed(io, status, false);
    line.resize(std::strlen(line.c_str()));
    io.write_answer(line + "\n");
    if (!r.history.empty() && !line.empty()) {
        // The answer stands all the same: a lost history line is no reason to lose the answer.
        std::FILE* f = std::fopen(r.history.c_str(), "ab");
        bool written =
            f != nullptr && std::fwrite(line.data(), 1, line.size(), f) == line.size() && std::fputc('\n', f) != EOF;
        const int error = errno;
        if (f != nullptr) written = std::fclose(f) == 0 && written;
        if (!written) io.write_error("promptloom: cannot append to " + r.history + ": " + std::strerror(error) + "\n");
    }
    return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, streams& io) {
    const parsed p = parse_arguments(args);
    if (!p.ok) return failure(io, p.error + " (promptloom --help shows the usage)");
    request r = *p.ok;
    if (r.what == verb::help) return io.write_answer(usage_text), 0;
    if (r.what == verb::version) return io.write_answer(std::string(plm_version_string()) + "\n"), 0;
    if (r.what != verb::input && r.items.empty()) {
        if (io.stdin_is_terminal()) return failure(io, "no items: give them as arguments or on standard input");
        const auto text = io.read_stdin();
        if (!text) return failure(io, "cannot read the items from standard input");
        r.items = split_lines(*text);
        if (r.items.empty()) return failure(io, "no items on standard input");
    }
    if (r.default_item > r.items.size() && r.what != verb::input) {
        return failure(io, "--default " + std::to_string(r.default_item) + " is beyond the last item (" +
                               std::to_string(r.items.size()) + ")");
    }
    context_ptr ctx(plm_context_create(), plm_context_destroy);
    if (!ctx) return failure(io, "out of memory");
    io.attach_terminal();
    if (r.what == verb::input) return run_input(r, ctx.get(), io);

    std::vector<const char*> items;
    for (const auto& item : r.items) items.push_back(item.c_str());
    const char* title = r.title.empty() ? nullptr : r.title.c_str();
    const std::size_t start = r.default_item == 0 ? 0 : r.default_item - 1;
    if (r.what == verb::pick) {
        std::vector<unsigned char> ticked(items.size());
        const int32_t status =
            plm_menu_multi_choice_interactive(ctx.get(), title, items.data(), items.size(), ticked.data(), 0);
        if (status != PLM_OK) return cancelled_or_failed(io, status, true);
        std::string answer;
        for (std::size_t i = 0; i < ticked.size(); ++i) {
            if (ticked[i] != 0) answer += answer_line(r, i);
        }
        io.write_answer(answer);
        return 0;
    }
    std::size_t chosen = 0;
    const int32_t status =
        r.what == verb::menu
            ? plm_menu_choice(ctx.get(), title, items.data(), items.size(), start, &chosen)
            : plm_menu_choice_interactive(ctx.get(), title, items.data(), items.size(), start, &chosen);
    if (status != PLM_OK) return cancelled_or_failed(io, status, r.what == verb::choose);
    io.write_answer(answer_line(r, chosen));
    return 0;
}

}  // namespace plm_cli
