#include "base/nrutil.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Blocks from this size on (one huge page) are mapped on their own, on a huge page boundary.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t page_size() {
    const long p = ::sysconf(_SC_PAGESIZE);
    return p > 0 ? static_cast<std::size_t>(p) : 4096;
}

std::size_t round_up(std::size_t n, std::size_t unit) {
    return (n + unit - 1) / unit * unit;
}

// A mapped block of `bytes` (rounded up to whole pages) that starts on a huge page boundary;
// null when the system has no room. The system clears mapped pages as it first hands them out,
// so a mapped block is zero-filled without a pass over it.
void* map_block(std::size_t bytes) {
    const std::size_t length = round_up(bytes, page_size());
    const std::size_t reserved = length + kHugePage;
    void* raw =
        ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = round_up(start, kHugePage);
    // Give back what lies before and after the aligned block.
    if (aligned > start) ::munmap(raw, aligned - start);
    const std::uintptr_t end = aligned + length;
    if (start + reserved > end) ::munmap(reinterpret_cast<void*>(end), start + reserved - end);
    // Huge pages are not asked for (madvise MADV_HUGEPAGE): on the project's machine, a virtual
    // machine, a run that asked for them spent 2 to 5 times more system time taking the page
    // faults of its grids, and its walks gained nothing measurable. A system that gives huge
    // pages unasked finds the block on a huge page boundary.
    return reinterpret_cast<void*>(aligned);
}

void unmap_block(void* block, std::size_t bytes) {
    ::munmap(block, round_up(bytes, page_size()));
}

template <typename T>
std::size_t block_bytes(T** mat, int nb_lig) {
    return static_cast<std::size_t>(reinterpret_cast<char*>(mat[nb_lig]) -
                                    reinterpret_cast<char*>(mat[0]));
}

template <typename T>
void release_grid(T** mat, int nb_lig) {
    if (mat == nullptr) return;
    const std::size_t bytes = block_bytes(mat, nb_lig);
    if (bytes >= kHugePage) {
        unmap_block(mat[0], bytes);
    } else {
        std::free(mat[0]);
    }
    std::free(mat);
}

template <typename T>
T** make_grid(int nb_col, int nb_lig, bool zeroed = true) {
    if (nb_col <= 0 || nb_lig <= 0) return nullptr;
    T** mat = static_cast<T**>(std::calloc(static_cast<std::size_t>(nb_lig) + 1, sizeof(T*)));
    if (mat == nullptr) return nullptr;
    const std::size_t line = static_cast<std::size_t>(nb_col);
    const std::size_t cells = line * static_cast<std::size_t>(nb_lig);
    const std::size_t bytes = cells * sizeof(T);
    void* block = nullptr;
    if (bytes >= kHugePage) {
        block = map_block(bytes);
    } else {
        block = zeroed ? std::calloc(cells, sizeof(T)) : std::malloc(bytes);
    }
    if (block == nullptr) {
        std::free(mat);
        return nullptr;
    }
    T* first = static_cast<T*>(block);
    for (int i = 0; i <= nb_lig; ++i) mat[i] = first + static_cast<std::size_t>(i) * line;
    return mat;
}

template <typename T>
T* make_vector(int nb_col) {
    if (nb_col <= 0) return nullptr;
    return static_cast<T*>(std::calloc(static_cast<std::size_t>(nb_col), sizeof(T)));
}

}  // namespace

float** fmatrice(int NbCol, int NbLig) {
    return make_grid<float>(NbCol, NbLig);
}
void frfmatrice(float** Mat, int NbLig) {
    release_grid(Mat, NbLig);
}
unsigned char** ucmatrice(int NbCol, int NbLig) {
    return make_grid<unsigned char>(NbCol, NbLig);
}
void frucmatrice(unsigned char** Mat, int NbLig) {
    release_grid(Mat, NbLig);
}
unsigned char** ucmatrice_unset(int NbCol, int NbLig) {
    return make_grid<unsigned char>(NbCol, NbLig, false);
}
unsigned char** ucmatrice_on_file(int NbCol, int NbLig, int fd) {
    if (NbCol <= 0 || NbLig <= 0) return nullptr;
    const std::size_t line = static_cast<std::size_t>(NbCol);
    const std::size_t bytes = line * static_cast<std::size_t>(NbLig);
    // Released as a mapped block, which only blocks of this size are.
    if (bytes < kHugePage) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    auto** mat = static_cast<unsigned char**>(
        std::calloc(static_cast<std::size_t>(NbLig) + 1, sizeof(unsigned char*)));
    if (mat == nullptr) return nullptr;
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (block == MAP_FAILED) {
        std::free(mat);
        return nullptr;
    }
    // Without the room taken now, the first store into a page that the disk has no room for
    // would stop the program with a signal instead of failing a write.
    if (::fallocate(fd, 0, 0, static_cast<off_t>(bytes)) != 0 ||
        ::ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        ::munmap(block, bytes);
        std::free(mat);
        (void)::ftruncate(fd, st.st_size);
        return nullptr;
    }
    auto* first = static_cast<unsigned char*>(block);
    for (int i = 0; i <= NbLig; ++i) mat[i] = first + static_cast<std::size_t>(i) * line;
    return mat;
}
void narrow_ucmatrice(unsigned char** Mat, int NbLig, int NewNbCol) {
    if (Mat == nullptr || NbLig <= 0 || NewNbCol <= 0) return;
    const std::size_t line = static_cast<std::size_t>(NewNbCol);
    unsigned char* const first = Mat[0];
    // Line i moves to first + i x line, never past its old start (the lines were at least as
    // wide): moving them in order overwrites only lines already moved.
    for (int i = 1; i < NbLig; ++i) {
        unsigned char* const to = first + static_cast<std::size_t>(i) * line;
        if (to != Mat[i]) std::memmove(to, Mat[i], line);
        Mat[i] = to;
    }
    const std::size_t old_bytes = block_bytes(Mat, NbLig);
    const std::size_t new_bytes = line * static_cast<std::size_t>(NbLig);
    if (old_bytes >= kHugePage) {
        if (new_bytes < kHugePage) {
            // Too small now to be released as a mapped block: move it to a block of malloc.
            void* small = std::malloc(new_bytes);
            if (small == nullptr) return;  // keep the wide block: its release is unchanged
            std::memcpy(small, first, new_bytes);
            unmap_block(first, old_bytes);
            Mat[0] = static_cast<unsigned char*>(small);
            for (int i = 1; i <= NbLig; ++i) Mat[i] = Mat[0] + static_cast<std::size_t>(i) * line;
            return;
        }
        // The whole pages past the new end go back to the system.
        const std::size_t page = page_size();
        const std::size_t keep = round_up(new_bytes, page);
        const std::size_t had = round_up(old_bytes, page);
        if (had > keep) ::munmap(first + keep, had - keep);
    }
    Mat[NbLig] = first + new_bytes;
}
unsigned short** usmatrice(int NbCol, int NbLig) {
    return make_grid<unsigned short>(NbCol, NbLig);
}
void frusmatrice(unsigned short** Mat, int NbLig) {
    release_grid(Mat, NbLig);
}
short** smatrice(int NbCol, int NbLig) {
    return make_grid<short>(NbCol, NbLig);
}
void frsmatrice(short** Mat, int NbLig) {
    release_grid(Mat, NbLig);
}
int** imatrice(int NbCol, int NbLig) {
    return make_grid<int>(NbCol, NbLig);
}
void frimatrice(int** Mat, int NbLig) {
    release_grid(Mat, NbLig);
}
double** dmatrice(int NbCol, int NbLig) {
    return make_grid<double>(NbCol, NbLig);
}
void frdmatrice(double** Mat, int NbLig) {
    release_grid(Mat, NbLig);
}
long double** ldmatrice(int NbCol, int NbLig) {
    return make_grid<long double>(NbCol, NbLig);
}
void frldmatrice(long double** Mat, int NbLig) {
    release_grid(Mat, NbLig);
}

unsigned char* ucvecteur(int NbCol) {
    return make_vector<unsigned char>(NbCol);
}
void frucvecteur(unsigned char* Mat) {
    std::free(Mat);
}
unsigned short* usvecteur(int NbCol) {
    return make_vector<unsigned short>(NbCol);
}
void frusvecteur(unsigned short* Mat) {
    std::free(Mat);
}
short* svecteur(int NbCol) {
    return make_vector<short>(NbCol);
}
void frsvecteur(short* Mat) {
    std::free(Mat);
}
int* ivecteur(int NbCol) {
    return make_vector<int>(NbCol);
}
void frivecteur(int* Mat) {
    std::free(Mat);
}
double* dvecteur(int NbCol) {
    return make_vector<double>(NbCol);
}
void frdvecteur(double* Mat) {
    std::free(Mat);
}
float* fvecteur(int NbCol) {
    return make_vector<float>(NbCol);
}
void frfvecteur(float* Mat) {
    std::free(Mat);
}
