// What GDAL may open as a network raster: local files only, and nothing that could block or
// reach out. GDAL follows a file to others on its own: the files beside it (NAME.aux.xml, a
// world file, overviews), the sources of a VRT, the servers named in some XML and JSON files.
// Each is checked before GDAL sees the file:
// - the network is a regular local file, or a file inside a local archive (/vsizip/, /vsigzip/,
//   /vsitar/ on a regular file); a URL and any other /vsi path are refused;
// - no file beside it whose name begins with its name (without extension) is a pipe, a device
//   or a socket: GDAL would block on it, or read it without end;
// - a VRT's every source (and its sources, to a depth of 8) passes the same checks, and no
//   source is read as raw pixels of an arbitrary file (VRTRawRasterBand);
// - no file is one that the drivers fetching from servers (WMS, WMTS, WCS, STAC, ...) read.
#pragma once

#include <string>

#include "formats/gis/gdal_session.h"

// "" when the network at `path` may be opened, else why not, as "PATH: ..." (a missing file and
// a file that is not regular are "PATH: cannot be opened (no such file)" and "... (not a regular
// file)", as for every other input).
std::string gis_input_refusal(const std::string& path);

// Opens a raster that gis_input_refusal let through, read only, with the drivers that fetch from
// servers left out and a VRT's raw bands refused. Needs a GdalSession.
GdalDataset open_network_raster(const std::string& path);

// Opens a file of vectors that gis_input_refusal let through (points of outlets), read only,
// with the drivers that fetch from servers left out. Needs a GdalSession.
GdalDataset open_local_vectors(const std::string& path);
