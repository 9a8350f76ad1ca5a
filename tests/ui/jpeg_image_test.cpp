#include "ui/jpeg_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace klarvex::ui {
namespace {

constexpr int kLogoWidth = 125;
constexpr int kLogoHeight = 31;

QByteArray ReadLogo() {
  const std::string path = std::string(KLARVEX_UI_RESOURCES) + "/logo.jpg";
  std::ifstream in(path, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(in), {});
  EXPECT_FALSE(bytes.empty()) << "cannot read " << path;
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// JPEG shifts colours a little; tools/make_logo.py painted these exactly.
void ExpectColourNear(const QImage& image, int x, int y, QRgb expected) {
  const QRgb actual = image.pixel(x, y);
  constexpr int kTolerance = 24;
  EXPECT_NEAR(qRed(actual), qRed(expected), kTolerance) << "red at " << x << "," << y;
  EXPECT_NEAR(qGreen(actual), qGreen(expected), kTolerance) << "green at " << x << "," << y;
  EXPECT_NEAR(qBlue(actual), qBlue(expected), kTolerance) << "blue at " << x << "," << y;
}

// A damaged picture may fail or decode whole; anything else is a bug.
void ExpectFailedOrWhole(const QByteArray& data, const std::string& what) {
  QString error;
  const QImage image = DecodeJpeg(data, &error);
  if (image.isNull()) {
    EXPECT_FALSE(error.isEmpty()) << what << ": null image without a reason";
  } else {
    EXPECT_EQ(image.size(), QSize(kLogoWidth, kLogoHeight)) << what;
  }
}

TEST(DecodeJpeg, DecodesTheLogo) {
  QString error = QStringLiteral("left over");
  const QImage logo = DecodeJpeg(ReadLogo(), &error);
  ASSERT_FALSE(logo.isNull()) << error.toStdString();
  EXPECT_TRUE(error.isEmpty());
  EXPECT_EQ(logo.format(), QImage::Format_RGB888);
  EXPECT_EQ(logo.size(), QSize(kLogoWidth, kLogoHeight));
  ExpectColourNear(logo, 7, 15, qRgb(255, 187, 0));  // the disc, in the accent colour
  ExpectColourNear(logo, 120, 2, qRgb(20, 22, 38));  // the background
  ExpectColourNear(logo, 15, 15, qRgb(20, 22, 38));  // the disc's hole
}

TEST(DecodeJpeg, WorksWithoutAnErrorText) {
  EXPECT_FALSE(DecodeJpeg(ReadLogo()).isNull());
  EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
}

TEST(DecodeJpeg, EmptyDataFails) {
  QString error;
  EXPECT_TRUE(DecodeJpeg(QByteArray(), &error).isNull());
  EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot decode JPEG image: "))) << error.toStdString();
  EXPECT_GT(error.size(), QStringLiteral("Cannot decode JPEG image: ").size());
}

TEST(DecodeJpeg, TruncatedLogoNeverCrashes) {
  const QByteArray logo = ReadLogo();
  for (const qsizetype size : {qsizetype{10}, logo.size() / 2, logo.size() - 2})
    ExpectFailedOrWhole(logo.first(size), "truncated to " + std::to_string(size) + " bytes");
}

// Klarvex's choice: a premature end fails rather than showing grey rows.
TEST(DecodeJpeg, TruncatedLogoFails) {
  const QByteArray logo = ReadLogo();
  QString error;
  EXPECT_TRUE(DecodeJpeg(logo.first(logo.size() / 2), &error).isNull());
  EXPECT_TRUE(error.contains(QStringLiteral("Premature end"))) << error.toStdString();
}

TEST(DecodeJpeg, DamagedLogoNeverCrashes) {
  const QByteArray logo = ReadLogo();
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    QByteArray damaged = logo;
    for (int flips = 0; flips < 4; ++flips)
      damaged[static_cast<qsizetype>(random() % damaged.size())] = static_cast<char>(random());
    ExpectFailedOrWhole(damaged, "damage round " + std::to_string(round));
  }
}

TEST(DecodeJpeg, GarbageFails) {
  std::mt19937 random(42);
  for (int round = 0; round < 20; ++round) {
    QByteArray garbage(4096, '\0');
    for (char& byte : garbage) byte = static_cast<char>(random());
    garbage[0] = 0;  // never the start-of-image marker by chance
    QString error;
    EXPECT_TRUE(DecodeJpeg(garbage, &error).isNull()) << "round " << round;
    EXPECT_FALSE(error.isEmpty()) << "round " << round;
  }
}

// The frame header's size fields, enlarged: refused before any pixel memory.
TEST(DecodeJpeg, HugeImageFails) {
  QByteArray logo = ReadLogo();
  const qsizetype frame = logo.indexOf(QByteArray("\xFF\xC0", 2));
  ASSERT_GE(frame, 0) << "no baseline frame header in the logo";
  for (qsizetype field : {frame + 5, frame + 7}) {  // height, then width, big-endian
    logo[field] = static_cast<char>(0xFF);
    logo[field + 1] = static_cast<char>(0x00);
  }
  QString error;
  EXPECT_TRUE(DecodeJpeg(logo, &error).isNull());
  EXPECT_TRUE(error.contains(QStringLiteral("65280 x 65280"))) << error.toStdString();
}

}  // namespace
}  // namespace klarvex::ui
