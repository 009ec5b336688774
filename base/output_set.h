// Several files put in place as one output: a shapefile with its sidecars, a raw image with its
// descriptor. Each new file lies complete under its temporary name; put_in_place_together
// renames them over their final names so that either every final name holds the new file, or
// every one holds what it held before.
//
// The old files are first renamed aside (<name>.old-XXXXXX in the same folder), the new ones
// renamed in, the first of the set (the file a reader opens: the shapefile's .shp, the raw image)
// last, and the old ones removed only once all are in place; a failure renames them back.
// A final name given without a temporary is an old file of the set that the new set has no
// counterpart for (a spatial index beside a shapefile): it goes with the old set, and comes back
// with it on failure. A process killed in between leaves at most some .old- files beside the
// set, and never the first file of the set without the rest of the new set.
#pragma once

#include <string>
#include <vector>

struct SetMember {
    std::string temp;   // the complete new file; "" for a final name that is only to go
    std::string final;  // its final name, links already followed (output_target)
};

// True when the whole set is in place. Otherwise false with `failed` naming the final name that
// could not be replaced and errno set; the old files are back, the new files already renamed
// are removed and the temporaries not yet renamed are left to their owner to remove.
bool put_in_place_together(const std::vector<SetMember>& set, std::string& failed);
