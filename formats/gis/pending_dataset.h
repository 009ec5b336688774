// A GIS output that appears complete or not at all (the dataset counterpart of
// base/output_file.h, which writes through a stream: GDAL's drivers open their files by name): it
// is written under a temporary name in the target's folder and renamed over the target only when
// complete, so a failed or interrupted write never leaves a truncated file under the target's name
// nor spoils a previous one.
//
// The temporary name is the target's stem, ".tmp-" and six random characters, then the target's
// extension (streams.csv -> streams.tmp-Ab12Cd.csv), because GDAL's drivers choose their layout
// by extension.
#pragma once

#include <string>
#include <vector>

struct PendingDataset {
    std::string target;
    std::string temp;  // "" when none is pending
    // Extensions of companion files that go with the main file (".shx", ".dbf" ...): each is
    // renamed alongside it, and a stale one of the target is removed when the new set has none.
    std::vector<std::string> companions;

    PendingDataset() = default;
    PendingDataset(const PendingDataset&) = delete;
    PendingDataset& operator=(const PendingDataset&) = delete;
    ~PendingDataset();  // removes the temporary files unless committed
};

// Chooses a free temporary name beside `target` into out.temp (the name is free when this
// returns; the caller creates the file). Fails when the folder cannot be written to.
bool begin_dataset(const std::string& target, PendingDataset& out, std::string& error);

// Renames the temporary file (and its companions) over the target. On failure the temporary
// files are removed and the target is left as it was.
bool commit_dataset(PendingDataset& out, std::string& error);

// Writes `text` to `target` through a temporary file. Fails, naming the file, when it cannot be
// created, written or renamed.
bool write_text_file(const std::string& target, const std::string& text, std::string& error);
