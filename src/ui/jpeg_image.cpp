#include "ui/jpeg_image.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h uses FILE and size_t without declaring them

namespace klarvex::ui {
namespace {

constexpr std::uint64_t kMaxPixels = std::uint64_t{64} << 20;
constexpr int kRgbBytes = 3;

// One decompression with its error state. libjpeg leaves a failing call
// through error_exit, which must not return: ours keeps the library's text and
// longjmps back to the phase that armed `resume`. Only C frames lie between,
// so no destructor is skipped.
struct Decoder {
  Decoder() {
    info.err = jpeg_std_error(&errors);
    errors.error_exit = &Fail;
    errors.emit_message = &OnMessage;
    info.client_data = this;  // jpeg_create_decompress keeps it
  }
  ~Decoder() { jpeg_destroy_decompress(&info); }  // safe on a zeroed struct
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  [[noreturn]] static void Fail(j_common_ptr common) {
    auto* self = static_cast<Decoder*>(common->client_data);
    common->err->format_message(common, self->message);
    std::longjmp(self->resume, 1);
  }

  // Level -1 is libjpeg's "corrupt data, carrying on" warning; it becomes a
  // failure (see the header). Trace messages are dropped rather than printed.
  static void OnMessage(j_common_ptr common, int level) {
    if (level < 0) Fail(common);
  }

  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  std::jmp_buf resume{};
  char message[JMSG_LENGTH_MAX] = {};
};

// Phases that arm `resume` hold no object with a destructor and change no
// local after setjmp, so a longjmp back into them is well defined.

// Reads the header and settles the output size, allocating no pixel memory.
bool ReadHeader(Decoder& d, const QByteArray& data) {
  if (setjmp(d.resume) != 0) return false;
  jpeg_create_decompress(&d.info);
  jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&d.info, TRUE);
  d.info.out_color_space = JCS_RGB;
  jpeg_calc_output_dimensions(&d.info);
  return true;
}

// Decodes every row into `bits`, rows `stride` bytes apart.
bool ReadPixels(Decoder& d, unsigned char* bits, std::ptrdiff_t stride) {
  if (setjmp(d.resume) != 0) return false;
  jpeg_start_decompress(&d.info);
  while (d.info.output_scanline < d.info.output_height) {
    JSAMPROW row = bits + static_cast<std::ptrdiff_t>(d.info.output_scanline) * stride;
    // The memory source never suspends, so no row at all means a broken stream.
    if (jpeg_read_scanlines(&d.info, &row, 1) != 1) {
      std::snprintf(d.message, sizeof d.message, "no data for row %u", d.info.output_scanline);
      return false;
    }
  }
  jpeg_finish_decompress(&d.info);
  return true;
}

QImage Failed(QString* error, const QString& reason) {
  if (error) *error = QStringLiteral("Cannot decode JPEG image: %1").arg(reason);
  return QImage();
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data, QString* error) {
  Decoder d;
  if (!ReadHeader(d, data)) return Failed(error, QString::fromLocal8Bit(d.message));

  const unsigned width = d.info.output_width;
  const unsigned height = d.info.output_height;
  if (std::uint64_t{width} * height > kMaxPixels)
    return Failed(error, QStringLiteral("%1 x %2 pixels is more than Klarvex shows").arg(width).arg(height));
  if (d.info.output_components != kRgbBytes)
    return Failed(error, QStringLiteral("%1 colour components instead of 3").arg(d.info.output_components));

  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
  if (image.isNull()) return Failed(error, QStringLiteral("no memory for %1 x %2 pixels").arg(width).arg(height));
  if (!ReadPixels(d, image.bits(), image.bytesPerLine())) return Failed(error, QString::fromLocal8Bit(d.message));

  if (error) error->clear();
  return image;
}

}  // namespace klarvex::ui
