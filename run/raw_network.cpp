#include "run/raw_network.h"

#include "base/nrutil.h"
#include "run/network_run.h"

bool read_checked_descriptor(std::FILE* f, RawDescriptor& d) {
    return read_raw_descriptor(f, d) && d.nb_lig > 0 && d.nb_col > 0;
}

void keep_raw_descriptor(const RawDescriptor& d, NetworkRun& s) {
    s.nb_lig = d.nb_lig;
    s.nb_col = d.nb_col;
    s.dpix_size = d.dpix_size;
}

RawImageRead read_raw_network(std::FILE* image, const std::string& path, int lines, int columns,
                              int threads, ByteGrid& grid) {
    RawImageRead r;
    if (!raw_file_holds(path, lines, columns, r.bytes)) {
        r.fault = RawImageRead::Fault::short_file;
        return r;
    }
    // Every cell is read: the grid need not be cleared first.
    ByteGrid read(ucmatrice_unset(columns, lines), lines);
    if (!read) {
        r.fault = RawImageRead::Fault::no_memory;
        return r;
    }
    if (!read_raw_rows(image, read, lines, columns, r.failed_line, threads)) {
        r.fault = RawImageRead::Fault::unreadable;
        return r;
    }
    grid = std::move(read);
    return r;
}
