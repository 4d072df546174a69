// Decoding through gdk-pixbuf and conversion to Cairo's premultiplied ARGB.
#include "engines/report/images.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>

#include "core/com_error.h"

namespace report_engine {

namespace {

GdkPixbuf* LoadPixbuf(const std::string& path, std::string& error) {
  GError* gerror = nullptr;
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &gerror);
  if (!pixbuf) {
    error = "cannot read the image " + path + ": " + (gerror ? gerror->message : "unknown error");
    if (gerror) g_error_free(gerror);
  }
  return pixbuf;
}

cairo_surface_t* ToSurface(GdkPixbuf* pixbuf) {
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const int src_stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* src = gdk_pixbuf_read_pixels(pixbuf);
  cairo_surface_t* surface =
      cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height);
  cairo_surface_flush(surface);
  unsigned char* dst = cairo_image_surface_get_data(surface);
  const int dst_stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    const guchar* in = src + static_cast<ptrdiff_t>(y) * src_stride;
    auto* out = reinterpret_cast<uint32_t*>(dst + static_cast<ptrdiff_t>(y) * dst_stride);
    for (int x = 0; x < width; ++x, in += channels) {
      const uint32_t a = alpha ? in[3] : 255u;
      // Cairo wants colour premultiplied by alpha.
      const uint32_t r = in[0] * a / 255u;
      const uint32_t g = in[1] * a / 255u;
      const uint32_t b = in[2] * a / 255u;
      out[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

// A JPEG goes into the PDF as the file's own bytes rather than re-encoded
// pixels: smaller, and exactly the picture the user gave.
void AttachJpeg(const std::string& path, cairo_surface_t* surface) {
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return;
  if (length < 3 || static_cast<unsigned char>(contents[0]) != 0xFF ||
      static_cast<unsigned char>(contents[1]) != 0xD8) {
    g_free(contents);
    return;
  }
  cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG,
                              reinterpret_cast<const unsigned char*>(contents), length, g_free,
                              contents);
}

}  // namespace

std::string CheckImage(const std::string& path) {
  std::string error;
  GdkPixbuf* pixbuf = LoadPixbuf(path, error);
  if (pixbuf) g_object_unref(pixbuf);
  return error;
}

ImageCache::~ImageCache() {
  for (auto& [path, surface] : surfaces_) cairo_surface_destroy(surface);
}

cairo_surface_t* ImageCache::Get(const std::string& path) {
  if (auto it = surfaces_.find(path); it != surfaces_.end()) return it->second;
  std::string error;
  GdkPixbuf* pixbuf = LoadPixbuf(path, error);
  if (!pixbuf) throw core::ComError(core::kErrFileNotFound, error, "Vintrel.Report");
  cairo_surface_t* surface = ToSurface(pixbuf);
  g_object_unref(pixbuf);
  AttachJpeg(path, surface);
  surfaces_[path] = surface;
  return surface;
}

}  // namespace report_engine
