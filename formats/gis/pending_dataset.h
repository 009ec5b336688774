// A GIS output that appears complete or not at all (the dataset counterpart of
// base/output_file.h, which writes through a stream: GDAL's drivers open their files by name): it
// is written under a temporary name in the target's folder and renamed over the target only when
// complete, so a failed or interrupted write never leaves a truncated file under the target's name
// nor spoils a previous one.
//
// The target is followed through symbolic links (the file a link leads to is replaced, the link
// stays), and only a regular file or a name that does not exist is ever replaced: a device, a
// pipe, a socket or a folder under the name is refused before anything is written, since GDAL's
// drivers cannot write a dataset through one.
//
// The temporary name is the target's stem, ".tmp-" and six random characters, then the target's
// extension (streams.csv -> streams.tmp-Ab12Cd.csv), because GDAL's drivers choose their layout
// by extension. A dataset of several files (a shapefile and its .shx, .dbf, .prj ...) is put in
// place as a set (base/output_set.h): every file of the old set, including those the new set has
// no counterpart for, is replaced or removed together, or none is.
#pragma once

#include <string>
#include <vector>

struct PendingDataset {
    std::string target;  // the final name, links followed
    std::string temp;    // "" when none is pending
    // Extensions of companion files that go with the main file (".shx", ".dbf" ...): each is
    // renamed alongside it, and a stale one of the target is removed when the new set has none.
    std::vector<std::string> companions;
    // Extensions of files that only describe an old set (a spatial index: ".qix", ".sbn") and
    // go with it.
    std::vector<std::string> stale;

    PendingDataset() = default;
    PendingDataset(const PendingDataset&) = delete;
    PendingDataset& operator=(const PendingDataset&) = delete;
    ~PendingDataset();  // removes the temporary files unless committed
};

// Whether a dataset may be written to `target` (with those companion and stale extensions): every
// name of the set, links followed, is a regular file or free. "" when it may, else the reason,
// naming the file.
std::string dataset_refusal(const std::string& target, const std::vector<std::string>& companions,
                            const std::vector<std::string>& stale);

// Chooses a free temporary name beside `target` into out.temp (the name is free when this
// returns; the caller creates the file). out.companions and out.stale are set first. Fails when
// a name of the set is not a regular file (dataset_refusal) or the folder cannot be written to.
bool begin_dataset(const std::string& target, PendingDataset& out, std::string& error);

// Renames the temporary file (and its companions) over the target, and removes the old set's
// files that the new set has none of, all together. On failure the temporary files are removed
// and the old set is left as it was.
bool commit_dataset(PendingDataset& out, std::string& error);

// Writes `text` to `target` as base/output_file.h writes any output (links followed, a device
// written straight, every write and the close checked). Fails, naming the file, when it cannot
// be created, written or renamed.
bool write_text_file(const std::string& target, const std::string& text, std::string& error);
