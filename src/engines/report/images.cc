// Decoding through gdk-pixbuf and conversion to Cairo's premultiplied ARGB.
#include "engines/report/images.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>

#include "core/com_error.h"
#include "platform/files.h"

namespace report_engine {

namespace {

// A picture read from its file: the decoded pixels, or why there are none.
struct Picture {
  GdkPixbuf* pixbuf = nullptr;  // owned; null on failure
  std::string bytes;            // the file as read
  std::string error;
  int32_t number = core::kErrFileNotFound;
};

struct SizeCheck {
  int width = 0;
  int height = 0;
  bool refused = false;
};

bool OverLimits(int width, int height) {
  return width > kMaxImageSide || height > kMaxImageSide ||
         static_cast<int64_t>(width) * height > kMaxImagePixels;
}

// Called once the picture's header is read, before any pixel is decoded.
// Asking for a size of 0 x 0 makes the loader stop there, as
// gdk_pixbuf_get_file_info does.
void OnSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
  auto* check = static_cast<SizeCheck*>(data);
  check->width = width;
  check->height = height;
  if (!OverLimits(width, height)) return;
  check->refused = true;
  gdk_pixbuf_loader_set_size(loader, 0, 0);
}

std::string TooLarge(const std::string& path, int width, int height) {
  return "the image " + path + " is " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels, over the limit of " + std::to_string(kMaxImageSide) + " pixels a side and " +
         std::to_string(kMaxImagePixels / 1'000'000) + " megapixels";
}

// The file is read once, through a descriptor that refuses anything but a
// regular file, and decoded from memory only when its size is within the
// limits.
Picture LoadPicture(const std::string& path) {
  Picture picture;
  if (const std::string why = platform::ReadRegularFile(path, kMaxImageBytes, &picture.bytes);
      !why.empty()) {
    picture.error = "cannot read the image " + path + ": " + why;
    return picture;
  }
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  SizeCheck check;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &check);
  GError* gerror = nullptr;
  bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(picture.bytes.data()),
                                    picture.bytes.size(), &gerror);
  // The loader must be closed even after a failed write.
  ok = gdk_pixbuf_loader_close(loader, ok ? &gerror : nullptr) && ok;
  GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (pixbuf) {
    // A loader that ignores the size request still must not pass a picture
    // over the limits.
    if (OverLimits(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf))) {
      check = {gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf), true};
    } else {
      picture.pixbuf = GDK_PIXBUF(g_object_ref(pixbuf));
    }
  }
  g_object_unref(loader);
  if (check.refused) {
    picture.error = TooLarge(path, check.width, check.height);
    picture.number = core::kErrInvalidPicture;
  } else if (!picture.pixbuf) {
    picture.number = core::kErrInvalidFormat;
    picture.error = "cannot read the image " + path + ": " +
                    (gerror ? gerror->message : "not a picture gdk-pixbuf can read");
  }
  if (gerror) g_error_free(gerror);
  return picture;
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
void AttachJpeg(const std::string& bytes, cairo_surface_t* surface) {
  if (bytes.size() < 3 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
      static_cast<unsigned char>(bytes[1]) != 0xD8) {
    return;
  }
  auto* copy = static_cast<unsigned char*>(g_malloc(bytes.size()));
  std::memcpy(copy, bytes.data(), bytes.size());
  cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG, copy, bytes.size(), g_free, copy);
}

}  // namespace

std::string CheckImage(const std::string& path) {
  Picture picture = LoadPicture(path);
  if (picture.pixbuf) g_object_unref(picture.pixbuf);
  return picture.error;
}

ImageCache::~ImageCache() {
  for (auto& [path, surface] : surfaces_) cairo_surface_destroy(surface);
}

cairo_surface_t* ImageCache::Get(const std::string& path) {
  if (auto it = surfaces_.find(path); it != surfaces_.end()) return it->second;
  Picture picture = LoadPicture(path);
  if (!picture.pixbuf) throw core::ComError(picture.number, picture.error, "Vintrel.Report");
  cairo_surface_t* surface = ToSurface(picture.pixbuf);
  g_object_unref(picture.pixbuf);
  AttachJpeg(picture.bytes, surface);
  surfaces_[path] = surface;
  return surface;
}

}  // namespace report_engine
