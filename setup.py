# Builds the Python module with CMake (the target branchranker_python, in Release with
# position-independent code) and puts it where setuptools packs it. Needs CMake, a C++20
# compiler, GDAL, PROJ, librsvg and pybind11 from the system (scripts/setup installs them).
import os
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        target = Path(self.get_ext_fullpath(ext.name)).resolve()
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build),
                        "-DCMAKE_BUILD_TYPE=Release", "-DBRANCHRANKER_PYTHON=ON",
                        f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", str(build), "--target", "branchranker_python",
                        "-j", jobs], check=True)
        built = next((build / "python").glob("branchranker*.so"))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


setup(packages=[], py_modules=[], ext_modules=[Extension("branchranker", sources=[])], cmdclass={"build_ext": CMakeBuild})
