// Terminal services of the POSIX back end, on plain file descriptors so that tests can run them
// on a pseudo-terminal. Every escape sequence this file writes:
//   ESC [ 6 n                      ask the terminal for the cursor position (reply ESC [ r ; c R)
//   ESC 7 ESC [ 0 m ESC [ t ; b r  save cursor and attributes, blank fill, set the scroll region
//   ESC [ 1 S  /  ESC [ 1 T        scroll that region up / down by one row
//   ESC [ r ESC 8                  region back to the whole screen, cursor and attributes back
#pragma once

#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace plm::posix {

// The terminal settings of raw mode derived from the saved ones: no canonical input, no echo,
// no signal keys (Ctrl+C arrives as 0x03), no literal-next or flow-control keys, no CR/NL input
// translation, reads return after one byte. Output post-processing is kept, so "\n" still
// starts a new line at column 1.
termios raw_termios(const termios& saved);

// Recognises the reply to a cursor-position query, ESC [ row ; col R, in a byte stream in which
// the user's own keys may come first. Bytes that turn out not to belong to a reply are handed
// back in arrival order, so nothing typed is lost.
class cursor_reply_scanner {
public:
    // Takes one byte; true once a whole reply has been seen (row() and col() are then valid).
    // Bytes found not to be part of a reply are appended to `user_bytes`.
    bool feed(unsigned char byte, std::string& user_bytes);
    // Hands back whatever is still held (the reply never completed).
    void flush(std::string& user_bytes);
    int row() const { return row_; }
    int col() const { return col_; }

private:
    std::string held_;
    int row_ = 0;
    int col_ = 0;
};

// One row moved within a block of rows, as the console's scroll call does with a rectangle the
// width of the screen: the rows `first`..`last` (0-based, inclusive) move one row up (`up`) or
// down, and the row they leave becomes blank. Cursor, attributes and scroll region are left as
// they were. Empty when the block is empty or would leave the screen of `screen_rows` rows.
std::string scroll_rows_bytes(int first, int last, bool up, int screen_rows);

// What a read of one byte came to.
enum class read_status { byte, interrupted, would_block, gone };

// Reads one byte from `fd`. `would_block` when the descriptor is non-blocking and has nothing
// yet (wait with wait_readable before trying again). End of input and errors other than
// EINTR/EAGAIN mean the terminal has gone (hang-up, EIO): `gone`, and every later read will say
// so again.
read_status read_one_byte(int fd, unsigned char& byte);

// Blocks until `fd` has input or has hung up, or `wake_fd` (unless -1) has bytes, which are read
// away, for at most `timeout_ms` (-1: no limit). 1 when there is something to look at, 0 when the
// time ran out, -1 when `fd` cannot be waited on.
int wait_readable(int fd, int timeout_ms = -1, int wake_fd = -1);

// Waits at most `timeout_ms` for the terminal's reply to a cursor query written to `out_fd`.
// Everything the user typed meanwhile (and any reply that arrived incomplete) is appended to
// `user_bytes`. Returns false when no reply came in time or the terminal went away; `gone` is
// set in the latter case.
bool query_cursor(int in_fd, int out_fd, int timeout_ms, std::string& user_bytes, int& row, int& col, bool& gone);

// Writes all of `bytes` (retrying short writes and EINTR); false when the terminal refused.
bool write_all(int fd, const char* bytes, std::size_t size);

// Milliseconds and seconds of a monotonic clock: never jumps with the wall clock, and counts
// time asleep (unlike clock(), which is CPU time on POSIX).
std::uint64_t monotonic_ms();
double monotonic_seconds();
void sleep_ms(std::uint32_t ms);

}  // namespace plm::posix
