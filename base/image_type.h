// The kinds of image a run reads and writes. The codes are the dialogue's answers to its "Image
// type" questions (0, 1, 2); a GeoTIFF is the command line's.
#pragma once

enum class ImageType { raw = 0, bmp = 1, ascii = 2, geotiff = 3 };
