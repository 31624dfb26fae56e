#include "loader.h"

#include <vector>

#include "errors.h"
#include "pixel_array.h"

namespace tessaly::stitch {

LoadedImage& LoadedImage::operator=(LoadedImage&& other) noexcept {
  if (this != &other) {
    handBack();
    image_ = other.image_;
    callbacks_ = other.callbacks_;
    other.image_ = nullptr;
  }
  return *this;
}

void LoadedImage::handBack() noexcept {
  if (image_ == nullptr) return;
  tagPixelArray* image = image_;
  image_ = nullptr;
  callbacks_->release(&image, callbacks_->userData);
}

LoadedImage loadThroughCaller(const Callbacks& callbacks, const std::string& name,
                              LoadFailure onFailure) {
  // The callback takes a writable name; give it a private copy so it cannot change ours.
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  tagPixelArray* image = nullptr;
  const long status = callbacks.load(buffer.data(), &image, callbacks.userData);
  if (status != 0) {
    // A failed load hands nothing back; an image it left behind is the caller's to free.
    fail(onFailure == LoadFailure::Unreadable ? QX_ERR_INPUT : status);
  }
  LoadedImage held(image, &callbacks);
  if (!isValidImage(image)) fail(QX_ERR_INPUT);
  return held;
}

}  // namespace tessaly::stitch
