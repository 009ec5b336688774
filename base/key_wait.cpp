// The key wait reads the controlling terminal itself, never standard input, so the line end left
// by the last typed answer cannot end it and a scripted run (no terminal) never blocks.

#include "base/key_wait.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

void terminal_key_wait() {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;  // no controlling terminal
    termios saved{};
    if (::tcgetattr(fd, &saved) != 0) {
        ::close(fd);
        return;
    }
    termios raw = saved;
    // One key, unechoed, no line input. Signal keys are read as keys so that the settings are
    // always restored before the signal is raised below.
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &raw);
    unsigned char key = 0;
    ssize_t n;
    do {
        n = ::read(fd, &key, 1);
    } while (n < 0 && errno == EINTR);
    ::tcsetattr(fd, TCSANOW, &saved);
    ::close(fd);
    if (n == 1 && (saved.c_lflag & ISIG)) {
        if (key == saved.c_cc[VINTR]) std::raise(SIGINT);
        if (key == saved.c_cc[VQUIT]) std::raise(SIGQUIT);
    }
}
