// Conversions between our bitmaps and Qt images (Qt Gui, not Widgets): the painting code of the
// window layer works on them, and the Qt view shows them.
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
