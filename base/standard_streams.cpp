#include "base/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

void hold_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        const int held = ::open("/dev/null", O_RDONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

bool standard_output_complete() {
    std::cout.flush();
    const bool stream_ok = static_cast<bool>(std::cout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) && stream_ok;
}
