"""Orders the sample stream raster from Python and draws its orders.

    PYTHONPATH=build-python/python /usr/bin/python3 docs/python_example.py [RASTER] [PNG]

Reads the raster with GDAL, orders it with branchranker.order, prints the figures of Horton's
laws and draws the orders with matplotlib (docs/python_orders.png by default).
"""
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np
from osgeo import gdal

import branchranker

here = Path(__file__).resolve().parent
raster = sys.argv[1] if len(sys.argv) > 1 else str(here.parent / "images/Sample/sample.tif")
picture = sys.argv[2] if len(sys.argv) > 2 else str(here / "python_orders.png")

gdal.UseExceptions()
dataset = gdal.Open(raster)
band = dataset.GetRasterBand(1)
cells = band.ReadAsArray()
result = branchranker.order(cells, nodata=band.GetNoDataValue(),
                            geotransform=dataset.GetGeoTransform(),
                            crs=dataset.GetProjection() or None, name=raster)

summary = result.summary
print(f"{raster}: {summary['segments']} segments, highest order {summary['highest_order']}, "
      f"{summary['total_length'] / 1000:.1f} km")
print("order  streams  mean length (m)")
for figures in summary["orders"]:
    print(f"{figures['order']:5d}  {figures['count']:7d}  {figures['mean_length']:15.1f}")
print(f"bifurcation ratio {summary['bifurcation_ratio']:.2f}, "
      f"length ratio {summary['length_ratio']:.2f}")

# 255 is off the network: drawn transparent over a white background.
orders = np.ma.masked_equal(result.orders, 255)
left, size, _, top, _, step = result.geotransform
extent = (left, left + size * cells.shape[1], top + step * cells.shape[0], top)
figure, axes = plt.subplots(figsize=(6, 6), dpi=100)
shown = axes.imshow(orders, cmap=plt.get_cmap("viridis", summary["highest_order"]),
                    vmin=0.5, vmax=summary["highest_order"] + 0.5, extent=extent,
                    interpolation="nearest")
figure.colorbar(shown, ax=axes, ticks=range(1, summary["highest_order"] + 1),
                label="Strahler order", shrink=0.8)
axes.set_title(Path(raster).name)
axes.ticklabel_format(useOffset=False, style="plain")
axes.tick_params(labelsize=7)
figure.tight_layout()
figure.savefig(picture)
print(f"-> {picture}")
