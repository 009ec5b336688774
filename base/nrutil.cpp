#include "base/nrutil.h"

#include <cstdlib>

namespace {

template <typename T>
void release_grid(T** mat, int nb_lig) {
    if (mat == nullptr) return;
    for (int i = 0; i < nb_lig; ++i) std::free(mat[i]);
    std::free(mat);
}

template <typename T>
T** make_grid(int nb_col, int nb_lig) {
    if (nb_col <= 0 || nb_lig <= 0) return nullptr;
    T** mat = static_cast<T**>(std::calloc(static_cast<std::size_t>(nb_lig), sizeof(T*)));
    if (mat == nullptr) return nullptr;
    for (int i = 0; i < nb_lig; ++i) {
        mat[i] = static_cast<T*>(std::calloc(static_cast<std::size_t>(nb_col), sizeof(T)));
        if (mat[i] == nullptr) {
            release_grid(mat, i);
            return nullptr;
        }
    }
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
