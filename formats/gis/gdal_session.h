// Scope of one library call into GDAL/OGR: the drivers are registered, GDAL's own messages are
// kept off the console (the caller words the failure) and the last one can be quoted.
#pragma once

#include <gdal.h>

#include <memory>
#include <string>

struct GdalSession {
    GdalSession();   // registers every driver (idempotent) and pushes a quiet error handler
    ~GdalSession();  // pops the handler; GDAL's handler stack is per thread
    GdalSession(const GdalSession&) = delete;
    GdalSession& operator=(const GdalSession&) = delete;
};

// Frees what GDAL keeps for the whole process (drivers, caches, the coordinate system
// context); called once by a program that used GDAL, after every dataset is closed.
void release_gdal();

// The last message GDAL/OGR gave on this thread, as " (GDAL: text)", or "" when there is none;
// meant to be appended to an error text.
std::string gdal_detail();

// Owning handle of an open GDAL dataset (raster or vector): closed when the handle goes. Closing
// is where some drivers finish writing, so writers close explicitly with close_dataset.
struct GdalDatasetCloser {
    void operator()(void* ds) const { GDALClose(ds); }
};
using GdalDataset = std::unique_ptr<void, GdalDatasetCloser>;

// Closes the dataset; false when GDAL reported an error while finishing the file.
bool close_dataset(GdalDataset& ds);
