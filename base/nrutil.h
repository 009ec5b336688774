// Zero-filled numeric storage: row-pointer grids and plain vectors.
//
// A grid of NbLig lines and NbCol columns is an array of NbLig line pointers plus one separately
// allocated array per line, addressed as grid[line][column]. Every allocator takes the column
// count first and returns null when storage runs out (lines already obtained are released) or
// when a count is not positive. A grid is released with the NbLig it was made with. Storage comes
// from calloc and goes back to free, so grids made elsewhere in the same way release alike.
#pragma once

float** fmatrice(int NbCol, int NbLig);
void frfmatrice(float** Mat, int NbLig);
unsigned char** ucmatrice(int NbCol, int NbLig);
void frucmatrice(unsigned char** Mat, int NbLig);
unsigned short** usmatrice(int NbCol, int NbLig);
void frusmatrice(unsigned short** Mat, int NbLig);
short** smatrice(int NbCol, int NbLig);
void frsmatrice(short** Mat, int NbLig);
int** imatrice(int NbCol, int NbLig);
void frimatrice(int** Mat, int NbLig);
double** dmatrice(int NbCol, int NbLig);
void frdmatrice(double** Mat, int NbLig);
long double** ldmatrice(int NbCol, int NbLig);
void frldmatrice(long double** Mat, int NbLig);

unsigned char* ucvecteur(int NbCol);
void frucvecteur(unsigned char* Mat);
unsigned short* usvecteur(int NbCol);
void frusvecteur(unsigned short* Mat);
short* svecteur(int NbCol);
void frsvecteur(short* Mat);
int* ivecteur(int NbCol);
void frivecteur(int* Mat);
double* dvecteur(int NbCol);
void frdvecteur(double* Mat);
float* fvecteur(int NbCol);
void frfvecteur(float* Mat);
