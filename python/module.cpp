// The Python module branchranker: order(array), order_file(path) and their result.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <mutex>
#include <optional>
#include <string>

#include "python/array_input.h"
#include "python/network_call.h"
#include "python/order_result.h"
#include "python/result_files.h"
#include "run/segments_csv.h"

namespace py = pybind11;

namespace {

[[noreturn]] void raise(const CallOutcome& out) {
    switch (out.kind) {
        case CallFault::memory:
            PyErr_SetString(PyExc_MemoryError, out.fault.c_str());
            throw py::error_already_set();
        case CallFault::missing:
            PyErr_SetObject(PyExc_FileNotFoundError, py::make_tuple(ENOENT, out.fault).ptr());
            throw py::error_already_set();
        default:
            throw py::value_error(out.fault);
    }
}

OrderResult result_of(CallOutcome out, bool lines) {
    if (!out.order) raise(out);
    OrderResult r;
    r.order = std::move(out.order);
    r.input_type = out.input_type;
    r.kept_pixels = lines;
    return r;
}

CallOptions options_of(std::optional<double> value, std::optional<double> pixel_size,
                       std::optional<int> last, std::optional<int> threads, bool drawing,
                       bool flow_grid, bool lines) {
    if (drawing && flow_grid) throw py::value_error("drawing and flow_grid exclude each other");
    CallOptions o;
    o.value = value;
    o.pixel_size = pixel_size;
    o.last = last;
    if (threads && *threads < 1) throw py::value_error("threads: at least 1");
    o.threads = threads.value_or(0);
    o.drawing = drawing;
    o.flow_grid = flow_grid;
    o.lines = lines;
    return o;
}

OrderResult order_array(const py::handle& array, std::optional<double> value,
                        std::optional<double> pixel_size, std::optional<int> last,
                        std::optional<int> threads, std::optional<double> nodata, bool drawing,
                        bool flow_grid, bool lines,
                        std::optional<std::array<double, 6>> geotransform,
                        std::optional<std::string> crs, const std::string& name) {
    const CallOptions o = options_of(value, pixel_size, last, threads, drawing, flow_grid, lines);
    HeldCells held = cells_of(array);
    held.cells.nodata = nodata;
    held.cells.geotransform = geotransform;
    held.cells.crs = crs.value_or("");
    CallOutcome out;
    {
        const py::gil_scoped_release unlocked;
        out = order_cells(held.cells, name, o);
    }
    return result_of(std::move(out), lines);
}

OrderResult order_file(const std::string& path, std::optional<double> value,
                       std::optional<double> pixel_size, std::optional<int> last,
                       std::optional<int> threads, bool drawing, bool flow_grid, bool lines) {
    const CallOptions o = options_of(value, pixel_size, last, threads, drawing, flow_grid, lines);
    CallOutcome out;
    {
        const py::gil_scoped_release unlocked;
        out = order_path(path, o);
    }
    return result_of(std::move(out), lines);
}

void save(OrderResult& r, const std::string& name, std::optional<std::string> format,
          std::optional<std::string> segments, std::optional<std::string> summary,
          std::optional<std::string> horton) {
    SaveRequest request;
    request.name = name;
    if (format) {
        ImageType type;
        if (!image_type_named(*format, type))
            throw py::value_error("format " + *format + ": expected raw, bmp, asc or tif");
        request.format = type;
    }
    request.segments = segments.value_or("");
    request.summary = summary.value_or("");
    request.horton = horton.value_or("");
    if (!request.segments.empty() && !r.kept_pixels)
        throw py::value_error(request.segments +
                              ": the segments' pixels were not kept (ordered with lines=False)");
    std::vector<std::string> faults;
    {
        const py::gil_scoped_release unlocked;
        // Two threads saving one result would name its files over each other.
        const std::lock_guard<std::mutex> one_at_a_time(*r.saving);
        faults = save_results(*r.order, r.input_type, request);
    }
    r.saved = faults.empty();
    if (faults.empty()) return;
    std::string text;
    for (const std::string& f : faults) text += (text.empty() ? "" : "; ") + f;
    PyErr_SetString(PyExc_OSError, text.c_str());
    throw py::error_already_set();
}

py::object segments_frame(const OrderResult& r) {
    py::module_ pandas = py::module_::import("pandas");
    py::list columns;
    for (const char* c : kSegmentColumnNames) columns.append(c);
    return pandas.attr("DataFrame")(segment_dicts(r), py::arg("columns") = columns);
}

py::object segments_geoframe(const OrderResult& r) {
    py::module_ geopandas = py::module_::import("geopandas");
    py::object frame = segments_frame(r);
    py::object wkt = frame.attr("pop")("geometry");
    py::object lines = geopandas.attr("GeoSeries").attr("from_wkt")(wkt);
    return geopandas.attr("GeoDataFrame")(frame, py::arg("geometry") = lines,
                                          py::arg("crs") = crs_of(r));
}

constexpr const char* kOrderDoc =
    R"(order(array, *, value=None, pixel_size=None, last=None, threads=None, nodata=None, drawing=False, flow_grid=False, lines=True, geotransform=None, crs=None, name='array')

Gives every pixel of a raster river network its Strahler order.

array         2-D numpy array (lines x columns, line 0 the top line) of any integer
              or real type, or bool. Read where it lies, without a copy, except for
              int8, float16 and long double cells, cells in the other byte order and
              flipped or broadcast views, which are copied first. Never written.
value         the value of the network cells; None: the rule for GIS rasters (with
              NoData and one valid value, that value; otherwise every value but the
              most frequent, which is the background).
pixel_size    side of one pixel in metres; None: the geotransform's, else 1.
last          the last order (pass) to trace, 0 to 63; None: until the network is
              used up.
threads       threads for the engine; None: BRANCHRANKER_THREADS, else the machine's.
nodata        the value of cells outside the image (never network); NaN always is.
drawing       the network is a drawing (strokes), not the cells of a flow grid: the
              apex of a sharp bend is read as part of its line.
flow_grid     the network is the channel cells of a flow grid (a threshold on flow
              accumulation): where channels touch, each cell is read as draining to
              one neighbour, and every cell gets an order. Not with drawing.
lines         keep every segment's pixels (its ends, where it flows, its line); False
              saves 8 bytes a network pixel and leaves those columns None.
geotransform  six numbers placing the array on a map, as GDAL's; None: the lower-left
              corner at 0,0, square pixels of pixel_size.
crs           its coordinate system (WKT, "EPSG:n", ...).
name          the network's name in the results and the files.

Returns an OrderResult: .orders (uint8, lines x columns: the Strahler order of
every network pixel, 255 off the network), .segments, .summary, .unsound,
.geotransform, .crs, and .save(). Raises ValueError for a network that cannot be ordered
(the command line's message), TypeError for cells of another type, MemoryError
when memory runs out. The engine runs without the GIL.)";

constexpr const char* kOrderFileDoc =
    R"(order_file(path, *, value=None, pixel_size=None, last=None, threads=None, drawing=False, flow_grid=False, lines=True)

Orders the network image at path: any raster GDAL reads (GeoTIFF, PNG, BMP, ASCII
grid, ...) or a .raw image with its .txt descriptor, exactly as
`branchranker-cli order path` does. The result carries the file's georeference.

path          the network image.
value         the value of the network cells; None: the rule for GIS rasters (a raw
              image: 0).
pixel_size    side of one pixel in metres, replacing the file's.
last          the last order (pass) to trace, 0 to 63; None: until the network is
              used up.
threads       threads for the engine; None: BRANCHRANKER_THREADS, else the machine's.
drawing       the network is a drawing (strokes), not the cells of a flow grid.
flow_grid     the network is the channel cells of a flow grid, as in order().
lines         keep every segment's pixels (its ends, where it flows, its line).

Returns an OrderResult, as order() does. Raises FileNotFoundError for a missing file, ValueError for a network that cannot
be had or ordered (the command line's message), MemoryError when memory runs out.)";

constexpr const char* kSaveDoc =
    R"(save(name, *, format=None, segments=None, summary=None, horton=None)

Writes the results as `branchranker-cli order` writes them, with the same writers,
so that each file is the command line's byte for byte: the order image
name + "_strahler" + its ending and the report name + "_strahler_info.txt".

name      the base of the result names, with its folder.
format    of the order image: "raw", "bmp", "asc" or "tif"; None: the input file's
          type when it is raw, BMP or ASCII grid, else "tif".
segments  a .csv table, or a file of lines (.gpkg, .geojson, .json, .shp).
summary   the JSON summary.
horton    the Horton plot, .png or .svg.

Raises OSError naming every file that could not be written.)";

}  // namespace

PYBIND11_MODULE(branchranker, m) {
    // Every docstring begins with its own signature.
    py::options options;
    options.disable_function_signatures();
    m.doc() =
        "Strahler orders of raster river networks by pruning passes: order(array), "
        "order_file(path), and their OrderResult.";

    py::class_<OrderResult>(m, "OrderResult",
                            "One ordered network: orders, segments, summary, unsound counts.")
        .def_property_readonly("orders", &orders_array,
                               "uint8 array (lines x columns): the Strahler order of every "
                               "network pixel, 255 off the network and where no pass reached. "
                               "Shares the result's memory (read-only).")
        .def_property_readonly("segments", &segment_dicts,
                               "One dict per segment, in the order of the report, with the "
                               "columns of the command line's segments table (None for an "
                               "empty field; geometry as WKT).")
        .def_property_readonly("summary", &summary_dict,
                               "The command line's JSON summary of the network, as a dict.")
        .def_property_readonly(
            "unsound",
            [](const OrderResult& r) {
                const py::dict summary = summary_dict(r);
                return py::object(summary["unsound"]);
            },
            "What could not be ordered soundly: loop_pixels, borderless_parts, "
            "between_contacts, inflows, inflow_pixels.")
        .def_property_readonly("geotransform", &geotransform_of,
                               "The six numbers of the georeference, or None.")
        .def_property_readonly("crs", &crs_of, "The coordinate system as WKT, or None.")
        .def_property_readonly(
            "pixel_size", [](const OrderResult& r) { return r.order->run.dpix_size; },
            "The side of one pixel in metres the lengths were measured with.")
        .def("segments_frame", &segments_frame,
             "segments_frame()\n\nThe segments as a pandas DataFrame (needs pandas).")
        .def("segments_geoframe", &segments_geoframe,
             "segments_geoframe()\n\nThe segments as a geopandas GeoDataFrame of lines on the "
             "map, in the network's coordinate system (needs geopandas).")
        .def("save", &save, kSaveDoc, py::arg("name"), py::kw_only(),
             py::arg("format") = py::none(), py::arg("segments") = py::none(),
             py::arg("summary") = py::none(), py::arg("horton") = py::none())
        .def("__repr__", [](const OrderResult& r) {
            const NetworkRun& s = r.order->run;
            return "<OrderResult " + s.nomim1 + ": " + std::to_string(s.nb_lig) + " x " +
                   std::to_string(s.nb_col) + ", " +
                   std::to_string(r.order->record.segments.size()) + " segments>";
        });

    m.def("order", &order_array, kOrderDoc, py::arg("array"), py::kw_only(),
          py::arg("value") = py::none(), py::arg("pixel_size") = py::none(),
          py::arg("last") = py::none(), py::arg("threads") = py::none(),
          py::arg("nodata") = py::none(), py::arg("drawing") = false, py::arg("flow_grid") = false,
          py::arg("lines") = true, py::arg("geotransform") = py::none(),
          py::arg("crs") = py::none(), py::arg("name") = "array");
    m.def("order_file", &order_file, kOrderFileDoc, py::arg("path"), py::kw_only(),
          py::arg("value") = py::none(), py::arg("pixel_size") = py::none(),
          py::arg("last") = py::none(), py::arg("threads") = py::none(), py::arg("drawing") = false,
          py::arg("flow_grid") = false, py::arg("lines") = true);
}
