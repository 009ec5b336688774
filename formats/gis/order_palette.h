// Colours of an order image: one distinct colour per order, readable on a white background.
//
// Orders 1 to 12 run from blue (first-order streams) through cyan, green and yellow to red
// (the main stream); orders 13 to 63 repeat those twelve hues ever darker, so every order up to
// 63 has its own colour. Value 0 is black, 64 to 254 mid grey, 255 (no network) white and fully
// transparent.
#pragma once

struct OrderColour {
    unsigned char red = 0, green = 0, blue = 0, alpha = 255;
};

// Colour of a cell value, 0 to 255.
OrderColour order_colour(int value);

constexpr int kPaletteOrders = 63;  // orders with a colour of their own
