// The command's streams on POSIX: the controlling terminal stands in for redirected standard
// input and output, so that `x=$(promptloom choose a b c)` draws on the terminal.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "cli.h"

namespace plm_cli {
namespace {

void write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

class posix_streams final : public streams {
public:
    bool stdin_is_terminal() override { return ::isatty(STDIN_FILENO) == 1; }
    std::ptrdiff_t read_stdin(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t n = ::read(STDIN_FILENO, buffer, size);
            if (n >= 0 || errno != EINTR) return n;
        }
    }
    void attach_terminal() override {
        answer_fd_ = ::dup(STDOUT_FILENO);
        const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
        if (tty < 0) {
            // No terminal at all: the library's text fallbacks run on standard input, and what
            // they print must not mix with the answer.
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
            return;
        }
        if (::isatty(STDIN_FILENO) != 1) ::dup2(tty, STDIN_FILENO);
        if (::isatty(STDOUT_FILENO) != 1) ::dup2(tty, STDOUT_FILENO);
        ::close(tty);
    }
    void write_answer(std::string_view utf8) override { write_all(answer_fd_, utf8); }
    void write_error(std::string_view utf8) override { write_all(STDERR_FILENO, utf8); }

private:
    int answer_fd_ = STDOUT_FILENO;
};

}  // namespace
}  // namespace plm_cli

int main(int argc, char** argv) {
    plm_cli::posix_streams io;
    return plm_cli::run(std::vector<std::string>(argv + 1, argv + argc), io);
}
