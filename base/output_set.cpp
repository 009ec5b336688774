#include "base/output_set.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace {

// A free name beside `path` reserved by creating it (O_EXCL); the rename of the old file then
// replaces this empty file.
bool reserve_aside(const std::string& path, std::string& aside) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::minstd_rand pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        aside = path + ".old-";
        for (int i = 0; i < 6; ++i) aside += kLetters[pick() % (sizeof kLetters - 1)];
        const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    errno = EEXIST;
    return false;
}

struct Moved {
    std::string final;
    std::string aside;
};

void put_back(const std::vector<Moved>& moved) {
    for (const Moved& m : moved) ::rename(m.aside.c_str(), m.final.c_str());
}

}  // namespace

bool put_in_place_together(const std::vector<SetMember>& set, std::string& failed) {
    std::vector<Moved> moved;
    auto fail = [&](const std::string& name) {
        const int saved = errno;
        failed = name;
        put_back(moved);
        errno = saved;
        return false;
    };
    for (const SetMember& m : set) {
        struct stat st {};
        if (::lstat(m.final.c_str(), &st) != 0) continue;  // nothing old under this name
        if (!S_ISREG(st.st_mode)) {
            errno = S_ISDIR(st.st_mode) ? EISDIR : EEXIST;
            return fail(m.final);
        }
        Moved entry{m.final, std::string()};
        if (!reserve_aside(m.final, entry.aside)) return fail(m.final);
        if (::rename(m.final.c_str(), entry.aside.c_str()) != 0) {
            const int saved = errno;
            ::unlink(entry.aside.c_str());
            errno = saved;
            return fail(m.final);
        }
        moved.push_back(std::move(entry));
    }
    // The first of the set (the file a reader opens) comes in last: a process killed meanwhile
    // never leaves it under its final name without the rest of its set.
    std::vector<std::string> placed;
    for (auto it = set.rbegin(); it != set.rend(); ++it) {
        const SetMember& m = *it;
        if (m.temp.empty()) continue;
        if (::rename(m.temp.c_str(), m.final.c_str()) != 0) {
            const int saved = errno;
            // The new files already in place are removed, and the old ones return.
            for (const std::string& p : placed) ::unlink(p.c_str());
            errno = saved;
            return fail(m.final);
        }
        placed.push_back(m.final);
    }
    for (const Moved& m : moved) ::unlink(m.aside.c_str());
    return true;
}
