// A pseudo-terminal pair for tests: the test plays the terminal on the master side, the code
// under test gets the slave side as its terminal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace plmtest {

class pty_pair {
public:
    pty_pair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        const char* name = ::ptsname(master_);
        if (name != nullptr) slave_ = ::open(name, O_RDWR | O_NOCTTY);
    }
    ~pty_pair() {
        close_master();
        if (slave_ >= 0) ::close(slave_);
    }
    pty_pair(const pty_pair&) = delete;
    pty_pair& operator=(const pty_pair&) = delete;

    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    int master() const { return master_; }
    int slave() const { return slave_; }
    void close_master() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }
    // What the terminal side has received so far (waits up to `ms` for the first byte).
    std::string drain(int ms = 200) {
        std::string out;
        for (;;) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, out.empty() ? ms : 20) <= 0) break;
            char buf[256];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }
    void type(const std::string& bytes) {
        ssize_t unused = ::write(master_, bytes.data(), bytes.size());
        (void)unused;
    }

private:
    int master_ = -1;
    int slave_ = -1;
};

}  // namespace plmtest
