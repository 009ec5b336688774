#include "base/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace {

// The file that a path leads to through symbolic links, as a path; the path itself when it is
// not a link. A chain longer than the system follows is left for the open to refuse.
std::string follow_links(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return path;
        const std::string link(target.data(), static_cast<std::size_t>(n));
        if (!link.empty() && link[0] == '/') {
            path = link;
        } else {
            const std::size_t slash = path.rfind('/');
            path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + link;
        }
    }
    return path;
}

}  // namespace

std::string output_target(const std::string& path) {
    return follow_links(path);
}

PendingOutput::PendingOutput(PendingOutput&& other) noexcept
    : path(std::move(other.path)), temp(std::exchange(other.temp, std::string())) {}

PendingOutput& PendingOutput::operator=(PendingOutput&& other) noexcept {
    if (this != &other) {
        abandon(*this);
        path = std::move(other.path);
        temp = std::exchange(other.temp, std::string());
    }
    return *this;
}

PendingOutput::~PendingOutput() {
    abandon(*this);
}

File begin_output(PendingOutput& out, const std::string& path) {
    abandon(out);
    out.path = follow_links(path);
    struct stat st {};
    if (::stat(out.path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            errno = EISDIR;  // a rename could never replace it
            return nullptr;
        }
        // A device, a pipe or a socket is written straight, never replaced: a rename would put
        // a plain file in place of the device node. Opening a pipe without a reader fails
        // rather than waits.
        const int fd = ::open(out.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        std::FILE* f = ::fdopen(fd, "wb");
        if (f == nullptr) ::close(fd);
        return File(f);
    }
    // O_EXCL makes the name ours alone; mode 0666 lets the umask decide as for any new file.
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::minstd_rand pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = out.path + ".tmp-";
        for (int i = 0; i < 6; ++i) temp += kLetters[pick() % (sizeof kLetters - 1)];
        // Readable too, so that a result grid can be mapped from it (ucmatrice_on_file).
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        std::FILE* f = ::fdopen(fd, "wb");
        if (f == nullptr) {
            const int saved = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            errno = saved;
            return nullptr;
        }
        out.temp = std::move(temp);
        return File(f);
    }
    errno = EEXIST;
    return nullptr;
}

bool close_output(File& f) {
    if (!f) return true;
    const bool written = std::fflush(f.get()) == 0 && !std::ferror(f.get());
    return std::fclose(f.release()) == 0 && written;
}

bool put_in_place(PendingOutput& out) {
    if (!out) return true;
    if (::rename(out.temp.c_str(), out.path.c_str()) != 0) {
        abandon(out);
        return false;
    }
    out.temp.clear();
    return true;
}

void abandon(PendingOutput& out) {
    if (!out) return;
    ::unlink(out.temp.c_str());
    out.temp.clear();
}

bool finish_output(PendingOutput& out, File& f) {
    if (!close_output(f)) {
        abandon(out);
        return false;
    }
    return put_in_place(out);
}
