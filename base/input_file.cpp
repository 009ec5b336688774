#include "base/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

File open_input_file(const std::string& path, InputFault& fault) {
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        fault = errno == ENOENT ? InputFault::missing : InputFault::cannot_open;
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fault = InputFault::not_regular;
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (f == nullptr) {
        ::close(fd);
        fault = InputFault::cannot_open;
        return nullptr;
    }
    fault = InputFault::none;
    return File(f);
}

std::size_t read_at(int fd, void* to, std::size_t bytes, long long offset) {
    auto* const into = static_cast<unsigned char*>(to);
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::pread(fd, into + done, bytes - done,
                                  static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}
