#include "python/array_input.h"

#include <gdal.h>

#include <climits>
#include <string>

namespace py = pybind11;

namespace {

// The GDAL type of cells GDAL reads in place, or GDT_Unknown.
GDALDataType gdal_type_of(const py::dtype& d) {
    const char kind = d.kind();
    const auto size = d.itemsize();
    if (kind == 'b' && size == 1) return GDT_Byte;
    if (kind == 'u') {
        if (size == 1) return GDT_Byte;
        if (size == 2) return GDT_UInt16;
        if (size == 4) return GDT_UInt32;
        if (size == 8) return GDT_UInt64;
    }
    if (kind == 'i') {
        if (size == 2) return GDT_Int16;
        if (size == 4) return GDT_Int32;
        if (size == 8) return GDT_Int64;
    }
    if (kind == 'f') {
        if (size == 4) return GDT_Float32;
        if (size == 8) return GDT_Float64;
    }
    return GDT_Unknown;
}

// The type a copy takes when GDAL cannot read the cells in place, or "" when none serves.
std::string copy_type(const py::dtype& d) {
    const char kind = d.kind();
    if (kind == 'i' && d.itemsize() == 1) return "int16";
    if (kind == 'f' && d.itemsize() == 2) return "float32";
    if (kind == 'f') return "float64";
    if (kind == 'u' || kind == 'i' || kind == 'b')
        return d.attr("newbyteorder")("=").attr("name").cast<std::string>();
    return "";
}

bool native_order(const py::dtype& d) {
    const char order = d.attr("byteorder").cast<std::string>()[0];
    return order == '=' || order == '|';
}

}  // namespace

HeldCells cells_of(const py::handle& object) {
    py::module_ np = py::module_::import("numpy");
    HeldCells held;
    held.array = py::isinstance<py::array>(object) ? py::reinterpret_borrow<py::array>(object)
                                                   : py::array(np.attr("asarray")(object));
    py::array& a = held.array;
    if (a.ndim() != 2)
        throw py::value_error("the network is a 2-D array of lines and columns, not an array of " +
                              std::to_string(a.ndim()) + " dimension" + (a.ndim() == 1 ? "" : "s"));
    if (a.shape(0) == 0 || a.shape(1) == 0)
        throw py::value_error("the array is empty (" + std::to_string(a.shape(0)) + " lines, " +
                              std::to_string(a.shape(1)) + " columns)");
    if (a.shape(0) > INT_MAX || a.shape(1) > INT_MAX)
        throw py::value_error("the array has more than " + std::to_string(INT_MAX) +
                              " lines or columns");
    py::dtype d = a.dtype();
    const std::string type_name = py::str(d).cast<std::string>();
    if (d.kind() == 'c')
        throw py::type_error("complex cells (" + type_name + ") cannot hold a network");
    if (gdal_type_of(d) == GDT_Unknown || !native_order(d)) {
        const std::string to = copy_type(d);
        if (to.empty())
            throw py::type_error("cells of type " + type_name +
                                 " cannot hold a network: give integer, real or bool cells");
        a = py::array(a.attr("astype")(to));
        held.copied = true;
        d = a.dtype();
    }
    if (a.strides(0) <= 0 || a.strides(1) <= 0) {
        a = py::array(np.attr("ascontiguousarray")(a));
        held.copied = true;
    }
    ArrayCells& c = held.cells;
    c.data = a.data();
    c.lines = static_cast<int>(a.shape(0));
    c.columns = static_cast<int>(a.shape(1));
    c.line_step = static_cast<long long>(a.strides(0));
    c.pixel_step = static_cast<long long>(a.strides(1));
    c.gdal_type = gdal_type_of(d);
    return held;
}
