// The command's streams on POSIX: the controlling terminal stands in for redirected standard
// input and output, so that `x=$(promptloom choose a b c)` draws on the terminal.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "cli.h"

namespace plm_cli {
namespace {

ssize_t read_some(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool write_all(int fd, std::string_view bytes, std::string& why) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return why = std::strerror(n < 0 ? errno : EIO), false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

class posix_streams final : public streams {
public:
    bool output_open() override {
        const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
        return flags != -1 && (flags & O_ACCMODE) != O_RDONLY;
    }
    bool stdin_is_terminal() override { return ::isatty(STDIN_FILENO) == 1; }
    std::ptrdiff_t read_stdin(char* buffer, std::size_t size) override { return read_some(STDIN_FILENO, buffer, size); }
    bool attach_terminal() override {
        // Above the standard descriptors, where a closed one cannot be filled by accident.
        answer_fd_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
        const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
        if (tty < 0) {
            // No terminal at all: the library's text fallbacks run on standard input, and what
            // they print must not mix with the answer.
            if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
                const int null = ::open("/dev/null", O_WRONLY);
                ::dup2(null, STDOUT_FILENO);
            }
        } else {
            if (::isatty(STDIN_FILENO) != 1) ::dup2(tty, STDIN_FILENO);
            if (::isatty(STDOUT_FILENO) != 1) ::dup2(tty, STDOUT_FILENO);
            if (tty > STDERR_FILENO) ::close(tty);  // else it took the place of a closed one
        }
        return ::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1;
    }
    bool write_answer(std::string_view utf8, std::string& why) override { return write_all(answer_fd_, utf8, why); }
    void write_error(std::string_view utf8) override {
        std::string why;
        (void)write_all(STDERR_FILENO, utf8, why);
    }

    history_file read_history(const std::string& path, line_list& lines, std::string& why) override {
        // Not waiting for a writer: a FIFO is refused before the prompt, not read.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0 && errno == ENOENT) return history_file::ok;
        if (fd < 0) return why = std::strerror(errno), history_file::unreadable;
        struct stat st {};
        history_file result = history_file::ok;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            why = "not a regular file";
            result = history_file::refused;
        }
        char chunk[65536];
        ssize_t n = 0;
        while (result == history_file::ok && (n = read_some(fd, chunk, sizeof chunk)) > 0)
            lines.feed({chunk, static_cast<std::size_t>(n)});
        if (n < 0) why = std::strerror(errno), result = history_file::unreadable;
        ::close(fd);
        return result;
    }
    bool append_history(const std::string& path, std::string_view line, std::string& why) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd < 0) return why = std::strerror(errno), false;
        struct stat st {};
        char last = '\n';
        bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (!ok) why = "not a regular file";
        if (ok && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) != 1) ok = false, why = std::strerror(errno);
        std::string bytes(last == '\n' ? 0 : 1, '\n');
        bytes.append(line) += '\n';
        ok = ok && write_all(fd, bytes, why);
        if (::close(fd) != 0 && ok) ok = false, why = std::strerror(errno);
        return ok;
    }

private:
    int answer_fd_ = STDOUT_FILENO;
};

}  // namespace
}  // namespace plm_cli

int main(int argc, char** argv) {
    // A reader that went away is told as a failed write, with a message, not by a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    plm_cli::posix_streams io;
    return plm_cli::run(std::vector<std::string>(argv + 1, argv + argc), io);
}
