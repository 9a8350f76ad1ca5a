// JPEG pictures for the window (the logo among them), decoded with libjpeg
// itself so that a damaged file gives a readable reason instead of a crash or
// a silently empty picture.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace klarvex::ui {

// Decodes `data` into a QImage::Format_RGB888 image. Any damage libjpeg
// notices, a premature end included, fails the whole picture: the grey that
// the library would paint over missing rows must never pass for content. So do
// pictures of more than 64 Mi pixels, refused before their memory is taken.
// On failure the image is null and `error`, when given, says why ("Cannot
// decode JPEG image: ..."); on success `error` is cleared.
QImage DecodeJpeg(const QByteArray& data, QString* error = nullptr);

}  // namespace klarvex::ui
