#include "platform/ui/qt/DrawingViewerWidget.h"

#include "platform/ui/ImageBridge.h"

#include <QByteArray>
#include <QImage>
#include <QTransform>

namespace vq {

bool DecodeDrawingPicture(const std::string& bytes, CBitmap& picture) {
    if (bytes.empty())
        return false;
    QImage image;
    if (!image.loadFromData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))))
        return false;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return false;
    picture = FromQImage(image.convertToFormat(QImage::Format_ARGB32));
    return true;
}

CBitmap TurnPicture(const CBitmap& picture, int quarterTurns) {
    quarterTurns = ((quarterTurns % 4) + 4) % 4;
    if (quarterTurns == 0)
        return picture;
    QTransform turn;
    turn.rotate(90.0 * quarterTurns);
    return FromQImage(ToQImage(picture).transformed(turn));
}

} // namespace vq
