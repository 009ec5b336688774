// Zero-filled numeric storage: row-pointer grids and plain vectors.
//
// A grid of NbLig lines and NbCol columns is an array of line pointers, addressed as
// grid[line][column]. Its lines are carved one after the other from a single block, so line i
// starts NbCol cells after line i - 1 and a whole grid can be read or written in one piece; the
// pointer array holds one more entry, grid[NbLig], the end of the block. Every allocator takes the
// column count first and returns null when storage runs out or when a count is not positive. A
// grid is released with its own release function and the NbLig it was made with; nothing else may
// free its lines.
//
// A block of 2 MiB or more is mapped from the system on its own, on a 2 MiB boundary (where a
// system that gives huge pages unasked can use them); a smaller one comes from calloc (malloc for
// ucmatrice_unset). Vectors come from calloc and go back to free.
#pragma once

float** fmatrice(int NbCol, int NbLig);
void frfmatrice(float** Mat, int NbLig);
unsigned char** ucmatrice(int NbCol, int NbLig);
void frucmatrice(unsigned char** Mat, int NbLig);
// As ucmatrice, but the cells are left unset: for a grid that its maker fills whole at once (a
// network read from a file, a result grid set to 255), which then need not be cleared first.
unsigned char** ucmatrice_unset(int NbCol, int NbLig);
// A grid whose cells are the bytes of the regular file open for reading and writing on fd, from
// its start: the file is made NbCol x NbLig bytes long, its room on the disk taken at once, and
// mapped shared, so that what is stored in the grid is the file's content, with no write left to
// make (a full disk is found here, never when a cell is first stored). Cells not stored read as
// the file's bytes (zeros where it was empty). Released with frucmatrice. Null, the file's length
// as it was, when the system cannot map the file or take its room at once, and for a grid of
// less than 2 MiB (no gain there): the caller makes the grid in memory instead.
unsigned char** ucmatrice_on_file(int NbCol, int NbLig, int fd);
// Narrows a grid made by ucmatrice to its first NewNbCol columns (0 < NewNbCol <= its NbCol):
// line i keeps its first NewNbCol cells and moves to the start of the block plus i x NewNbCol,
// and the storage beyond the new end goes back to the system where it can. Released as before.
void narrow_ucmatrice(unsigned char** Mat, int NbLig, int NewNbCol);
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
