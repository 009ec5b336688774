// The passes over a network read as a forest (flow_forest.h): the pass loop of the engine with
// the forest's links in place of the drawing's. Pass k classifies the network left (an end point
// has one link left, a junction three or more, and every pixel on the border or beside an
// outside cell is a junction), walks from every interior end point in row-major order, labels
// each pixel it steps on with k, erases it unless it is the junction where the walk stops, and
// measures the walk by half-steps to the pixel's links. On a forest whose links are the
// drawing's, every output is the engine's; what no walk labels (a root with nothing draining to
// it) takes its order in the forest once the passes are over.
#pragma once

#include "engine/flow_forest.h"
#include "engine/order.h"

EngineResult forest_passes(const EngineGrids& grids, const EngineOptions& options,
                           const FlowForest& forest, PassEvents& events);
