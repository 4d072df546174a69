// Pictures for <image> elements: PNG, JPEG, BMP and whatever else
// gdk-pixbuf reads, decoded once and kept as Cairo surfaces.
#ifndef DUNMERROW_ENGINES_REPORT_IMAGES_H_
#define DUNMERROW_ENGINES_REPORT_IMAGES_H_

#include <cairo.h>

#include <map>
#include <string>

namespace report_engine {

// "" when the file can be decoded as a picture, else what is wrong with it.
std::string CheckImage(const std::string& path);

class ImageCache {
 public:
  ImageCache() = default;
  ~ImageCache();
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // The decoded picture; raises ComError naming the file when it cannot be
  // read. The surface belongs to the cache.
  cairo_surface_t* Get(const std::string& path);

 private:
  std::map<std::string, cairo_surface_t*> surfaces_;
};

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_IMAGES_H_
