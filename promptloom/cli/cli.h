// The promptloom command: menus and a prompt for scripts, built on the library's public
// interface only (it uses the exports as any caller does and adds none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// The lines of a text that arrives in pieces, as C strings. The text is kept in blocks that are
// filled in place and never moved, and the pointers are made once, when the count is known: a
// million short lines cost their bytes and one pointer each. A UTF-8 byte order mark at the
// start is dropped; a text that starts with a UTF-16 one (either byte order) is read as UTF-16
// and kept as UTF-8 (unpaired surrogates and an odd last byte become U+FFFD). A line ends at LF
// (a CR before it goes too), and at the end of the text when anything is left; a NUL byte ends
// a line's text, the rest of that line is dropped.
class line_list {
public:
    void feed(std::string_view bytes);
    void finish();  // the end of the text: count() and lines() are valid from here on
    std::size_t count() const { return count_; }
    const char* const* lines() const { return lines_.get(); }

private:
    void feed_utf8(std::string_view bytes);
    void feed_utf16(std::string_view bytes);
    void store(std::string_view text);
    void end_line();

    enum class encoding { unknown, utf8, utf16le, utf16be };
    encoding encoding_ = encoding::unknown;
    std::string head_;        // the first bytes, until the byte order mark is known
    std::string utf16_;       // an odd byte left from the last piece
    std::uint32_t high_ = 0;  // a high surrogate waiting for its partner
    struct block {
        std::unique_ptr<char[]> bytes;
        std::size_t size;  // allocated
        std::size_t used;  // by whole lines
    };
    std::vector<block> blocks_;
    std::size_t line_end_ = 0;  // where the open line's stored text ends in the last block
    bool open_ = false;         // a line has begun and not ended
    bool cut_ = false;          // the open line met a NUL byte
    std::size_t count_ = 0;
    std::unique_ptr<const char*[]> lines_;
};

extern const std::string_view usage_text;

// What a history file turned out to be.
enum class history_file { ok, refused, unreadable };

// What the process does with its streams and files; the real one is in terminal_posix.cc or
// terminal_win32.cc. `why` gets the reason of a failure as one short phrase.
class streams {
public:
    virtual ~streams() = default;
    // False when standard output is closed or cannot be written: no answer could be given.
    virtual bool output_open() = 0;
    virtual bool stdin_is_terminal() = 0;
    // The next bytes of standard input into buffer: how many, 0 at its end, -1 on an error.
    virtual std::ptrdiff_t read_stdin(char* buffer, std::size_t size) = 0;
    // Points the library's standard input and output at the terminal (the console or the
    // controlling terminal) where they are not one already, keeping the original standard output
    // for the answer; without a terminal, the library's output goes to standard error instead.
    // True when the library's standard input and output are then a terminal.
    virtual bool attach_terminal() = 0;
    virtual bool write_answer(std::string_view utf8, std::string& why) = 0;
    virtual void write_error(std::string_view utf8) = 0;
    // The lines of the history file at `path` into `lines` (none when there is no such file):
    // refused when it is something else than a regular file, unreadable when reading failed.
    virtual history_file read_history(const std::string& path, line_list& lines, std::string& why) = 0;
    // Appends line and a line end to the history file (creating it), after a line end of its own
    // when its last line has none.
    virtual bool append_history(const std::string& path, std::string_view line, std::string& why) = 0;
};

// Runs the command and returns the exit code: 0 answered, 1 cancelled, 2 bad usage or failure.
int run(const std::vector<std::string>& args, streams& io);

}  // namespace plm_cli
