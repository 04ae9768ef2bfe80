// Conversions between our bitmaps and Qt images, for the painting code and the Qt view only.
#pragma once

#include "platform/ui/DC.h"

#include <QImage>

namespace vq {
// The pixels of a bitmap (shared, not copied); a null image for a bitmap not created.
QImage ToQImage(const CBitmap& bitmap);
// A bitmap holding a copy of the image (32-bit; with transparency when the image has it).
CBitmap FromQImage(const QImage& image);
// The image a device context draws into, or nullptr.
QImage* TargetImage(CDC& dc);
} // namespace vq
