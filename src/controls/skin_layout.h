// The geometry of the skinned controls: how a three-piece button image is cut into bands, where
// a slider's thumb stands for a position and back, how many tiles cover a frame edge, and how a
// caption too wide for its button is shortened. Pure arithmetic, shared by the widgets and tests.
#pragma once

#include <string>
#include <vector>

namespace sonthra::controls {

// A skin piece of height h is cut into a top band of h / 2 - 1 rows, a middle band of 2 rows
// (3 when h is odd) and a bottom band of the rest. The top and bottom bands keep their height on
// the button; the middle band is stretched over the height between them.
struct Bands {
    int top = 0;
    int middle = 0;
    int bottom = 0;
};
Bands splitBands(int height);

// Widths of the left, centre and right pieces on a button of the given width: the end pieces
// keep their width but take at most half of the button each; the centre stretches over the rest.
struct PieceSpans {
    int left = 0;
    int centre = 0;
    int right = 0;
};
PieceSpans splitPieces(int width, int leftWidth, int rightWidth);

// A slider's thumb offset along its track for a position: (extent - thumb) * (position - min) /
// (max - min), rounded to the nearest integer. max must exceed min; 0 otherwise.
int thumbOffset(int extent, int thumb, int position, int min, int max);

// The position for a thumb dragged to offset: offset * (max - min) / (extent - thumb) + min,
// rounded and clamped to [min, max]. A track no longer than its thumb gives min.
int positionAtOffset(int offset, int extent, int thumb, int min, int max);

int clampPosition(int value, int min, int max);

// How many tiles of tileSize cover length: length / tileSize rounded up, so that no strip at the
// far end is left undrawn (the last tile is cut); 0 when the tile or the length is empty.
int tileCount(int length, int tileSize);

// A caption shortened to fit available pixels: characters are removed from the end until it
// fits, two more are removed, and "..." is appended. width measures a candidate. Captions that
// fit are returned as they are. Works on any string type with size(), resize() and operator+=.
template <class Text, class Measure>
Text cutCaption(Text caption, int available, Measure width) {
    if (width(caption) <= available) return caption;
    while (caption.size() > 0 && width(caption) > available) caption.resize(caption.size() - 1);
    caption.resize(caption.size() >= 2 ? caption.size() - 2 : 0);
    for (int dot = 0; dot < 3; ++dot) caption.push_back('.');
    return caption;
}

// The names of the skin images, by the control that uses them.
const std::vector<std::string>& buttonImageNames();
const std::vector<std::string>& verticalSliderImageNames();
const std::vector<std::string>& horizontalSliderImageNames();
const std::vector<std::string>& formImageNames();

}  // namespace sonthra::controls
