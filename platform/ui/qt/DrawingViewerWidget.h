// The Qt side of the drawing viewer (platform/com/DrawingViewer.h): turning the bytes of a drawing
// file into a picture, and turning pictures. The viewer window itself paints through CDC and is
// shown by the Qt view like every window that paints itself.
#pragma once

#include "platform/base/String.h"
#include "platform/ui/DC.h"

#include <string>

namespace vq {

// The picture in a file's bytes: any raster format Qt reads (PNG, JPEG, BMP, GIF, ...). False
// when the bytes hold no picture Qt can read.
bool DecodeDrawingPicture(const std::string& bytes, CBitmap& picture);

// The picture turned clockwise by quarterTurns quarter turns (0 to 3).
CBitmap TurnPicture(const CBitmap& picture, int quarterTurns);

} // namespace vq
