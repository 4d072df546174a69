// Pictures for <image> elements: PNG, JPEG, BMP and whatever else
// gdk-pixbuf reads, decoded once and kept as Cairo surfaces.
#ifndef DUNMERROW_ENGINES_REPORT_IMAGES_H_
#define DUNMERROW_ENGINES_REPORT_IMAGES_H_

#include <cairo.h>

#include <cstdint>
#include <map>
#include <string>

namespace report_engine {

// The largest picture accepted. A logo needs far less; a bigger one would
// cost seconds and gigabytes to decode, so it is refused before decoding.
inline constexpr uint64_t kMaxImageBytes = 20 * 1024 * 1024;  // 20 MB
inline constexpr int kMaxImageSide = 10000;                   // pixels
inline constexpr int64_t kMaxImagePixels = 40'000'000;        // 40 megapixels

// "" when the file can be decoded as a picture, else what is wrong with it:
// not a regular file, over the limits above, or not a picture.
std::string CheckImage(const std::string& path);

class ImageCache {
 public:
  ImageCache() = default;
  ~ImageCache();
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // The decoded picture; raises ComError naming the file when it cannot be
  // read (kErrInvalidPicture when it is over the limits, with the limit).
  // The surface belongs to the cache.
  cairo_surface_t* Get(const std::string& path);

 private:
  std::map<std::string, cairo_surface_t*> surfaces_;
};

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_IMAGES_H_
