#include "python/order_result.h"

#include <pybind11/numpy.h>

#include <cstdio>
#include <cstdlib>

#include "run/segments_csv.h"
#include "run/summary_json.h"

namespace py = pybind11;

namespace {

// The columns whose fields are whole numbers and real numbers; the others are texts.
bool whole_column(const std::string& c) {
    return c == "id" || c == "order" || c == "pass" || c == "segment" || c == "pixels" ||
           c == "first_row" || c == "first_column" || c == "last_row" || c == "last_column" ||
           c == "flows_into";
}

bool real_column(const std::string& c) {
    return c == "length_m" || c == "first_x" || c == "first_y" || c == "last_x" || c == "last_y";
}

}  // namespace

py::object orders_array(const OrderResult& r) {
    const NetworkRun& s = r.order->run;
    // The capsule holds the network's run, whose grid the array is.
    auto* keep = new std::shared_ptr<NetworkOrder>(r.order);
    py::capsule owner(keep, [](void* p) { delete static_cast<std::shared_ptr<NetworkOrder>*>(p); });
    py::array_t<unsigned char> a(
        {static_cast<py::ssize_t>(s.nb_lig), static_cast<py::ssize_t>(s.nb_col)},
        {static_cast<py::ssize_t>(s.nb_col), py::ssize_t{1}}, s.tab5.rows[0], owner);
    a.attr("flags").attr("writeable") = false;
    return a;
}

py::list segment_dicts(const OrderResult& r) {
    const NetworkOrder& o = *r.order;
    py::list rows;
    std::vector<py::str> keys;
    for (const char* name : kSegmentColumnNames) keys.emplace_back(name);
    for (std::size_t i = 0; i < o.record.segments.size(); ++i) {
        const std::vector<std::string> fields = segment_fields(o.run, o.place, o.record, i);
        py::dict row;
        for (std::size_t c = 0; c < kSegmentColumns; ++c) {
            const std::string& f = fields[c];
            const std::string column = kSegmentColumnNames[c];
            if (f.empty() && column != "network") {
                row[keys[c]] = py::none();
            } else if (whole_column(column)) {
                row[keys[c]] = py::int_(std::strtoll(f.c_str(), nullptr, 10));
            } else if (real_column(column)) {
                row[keys[c]] = py::float_(std::strtod(f.c_str(), nullptr));
            } else {
                row[keys[c]] = py::str(f);
            }
        }
        rows.append(std::move(row));
    }
    return rows;
}

py::dict summary_dict(const OrderResult& r) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* f = open_memstream(&text, &size);
    if (f == nullptr) throw std::bad_alloc();
    const bool written = write_summary_json(f, {network_summary(*r.order, r.saved)});
    std::fclose(f);
    const std::string json(text, size);
    std::free(text);
    if (!written) throw std::bad_alloc();
    py::object parsed = py::module_::import("json").attr("loads")(json);
    return parsed["networks"][py::int_(0)].cast<py::dict>();
}

py::object geotransform_of(const OrderResult& r) {
    const Georef& g = r.order->place.georef;
    if (!g.has_geotransform) return py::none();
    const double* t = g.geotransform;
    return py::make_tuple(t[0], t[1], t[2], t[3], t[4], t[5]);
}

py::object crs_of(const OrderResult& r) {
    const Georef& g = r.order->place.georef;
    if (!g.has_crs || g.wkt.empty()) return py::none();
    return py::str(g.wkt);
}
