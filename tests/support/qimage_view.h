// A picture that Qt has read, for tests that link Qt: Qt's readers share no code with our writers.
#pragma once

#include <QImage>

#include "tests/support/pictures.h"

namespace orvane::testing {

inline PixelView ViewOf(const QImage& image) {
    return {image.width(), image.height(), [&image](int x, int y) {
                const QRgb pixel = image.pixel(x, y);
                return RGB(static_cast<BYTE>(qRed(pixel)), static_cast<BYTE>(qGreen(pixel)),
                           static_cast<BYTE>(qBlue(pixel)));
            }};
}

}  // namespace orvane::testing
