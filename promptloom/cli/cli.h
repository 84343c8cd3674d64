// The promptloom command: menus and a prompt for scripts, built on the library's public
// interface only (it uses the exports as any caller does and adds none).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plm_cli {

enum class verb { choose, pick, menu, input, version, help };

struct request {
    verb what = verb::help;
    std::string title;             // choose, pick, menu; empty: none
    std::string prompt;            // input; empty: the library's default
    std::string history;           // input: the history file; empty: none
    std::size_t default_item = 0;  // 1-based; 0: the first item
    bool index = false;            // answer with item numbers instead of texts
    bool vi = false;
    std::vector<std::string> items;  // from the arguments
};

// The request, or the one-line complaint about the arguments (without the program name).
struct parsed {
    std::optional<request> ok;
    std::string error;
};
parsed parse_arguments(const std::vector<std::string>& args);

// One item per line of `text` (LF or CR LF; a last line without its line end counts).
std::vector<std::string> split_lines(std::string_view text);

extern const std::string_view usage_text;

// What the process does with its streams; the real one is in terminal_posix.cc or
// terminal_win32.cc.
class streams {
public:
    virtual ~streams() = default;
    virtual bool stdin_is_terminal() = 0;
    // Every byte of standard input, or nothing when it cannot be read.
    virtual std::optional<std::string> read_stdin() = 0;
    // Points the library's standard input and output at the terminal (the console or the
    // controlling terminal) where they are not one already, keeping the original standard output
    // for the answer; without a terminal, the library's output goes to standard error instead.
    virtual void attach_terminal() = 0;
    virtual void write_answer(std::string_view utf8) = 0;
    virtual void write_error(std::string_view utf8) = 0;
};

// Runs the command and returns the exit code: 0 answered, 1 cancelled, 2 bad usage or failure.
int run(const std::vector<std::string>& args, streams& io);

}  // namespace plm_cli
