// Images loaded through the caller's LoadImageProc. Each one is handed back through
// ReleaseImageProc exactly once: when its holder lets it go or dies, whichever comes first,
// so every failure and cancel path returns what it loaded.
#pragma once

#include <string>

#include "QuiltexEngine.h"

namespace tessaly::stitch {

struct Callbacks {
  void* userData = nullptr;
  ProgressProc progress = nullptr;
  LoadImageProc load = nullptr;
  ReleaseImageProc release = nullptr;
};

class LoadedImage {
 public:
  LoadedImage() = default;
  LoadedImage(tagPixelArray* image, const Callbacks* callbacks)
      : image_(image), callbacks_(callbacks) {}
  LoadedImage(LoadedImage&& other) noexcept { *this = std::move(other); }
  LoadedImage& operator=(LoadedImage&& other) noexcept;
  LoadedImage(const LoadedImage&) = delete;
  LoadedImage& operator=(const LoadedImage&) = delete;
  ~LoadedImage() { handBack(); }

  const tagPixelArray& operator*() const { return *image_; }
  const tagPixelArray* operator->() const { return image_; }
  const tagPixelArray* get() const { return image_; }
  explicit operator bool() const { return image_ != nullptr; }

  // Returns the image to the caller now; later calls do nothing.
  void handBack() noexcept;

 private:
  tagPixelArray* image_ = nullptr;
  const Callbacks* callbacks_ = nullptr;
};

// What a failed load throws.
enum class LoadFailure {
  CallersCode,  // the code the callback returned
  Unreadable,   // QX_ERR_INPUT, whatever the callback returned
};

// Loads name through the caller's callback. Throws as `onFailure` says when the callback fails,
// and QX_ERR_INPUT (after handing the image back) when it reports success without a usable
// 24-bit image.
LoadedImage loadThroughCaller(const Callbacks& callbacks, const std::string& name,
                              LoadFailure onFailure = LoadFailure::CallersCode);

}  // namespace tessaly::stitch
