// Colours of an order image: one distinct colour per order present, readable on a white
// background.
//
// Orders 1 to the highest order of the image are spread over a perceptually uniform sequential
// ramp (the viridis ramp from its green at order 1 to its dark violet at the highest order), so
// the first orders and the trunk are told apart at a glance whatever the highest order, and the
// ramp reads in grey and to most colour-blind eyes. Value 0 is black, values above the highest
// order mid grey, 255 (no network) white and fully transparent.
#pragma once

struct OrderColour {
    unsigned char red = 0, green = 0, blue = 0, alpha = 255;
};

// Colour of a cell value, 0 to 255, in an image whose highest order is `highest` (1 to 63; less
// is taken as 1, more as 63).
OrderColour order_colour(int value, int highest);

constexpr int kPaletteOrders = 63;  // the highest order an image can hold
