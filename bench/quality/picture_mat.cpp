#include "picture_mat.h"

#include <cstring>
#include <stdexcept>

namespace tessaly::quality {

cv::Mat toMat(const cli::BgrImage& image) {
  cv::Mat out(image.height, image.width, CV_8UC3);
  for (int32_t y = 0; y < image.height; ++y)
    std::memcpy(out.ptr(y), image.row(y), size_t(image.width) * 3);
  return out;
}

cli::BgrImage toBgrImage(const cv::Mat& bgr) {
  cli::BgrImage image = cli::makeImage(bgr.cols, bgr.rows);
  for (int y = 0; y < bgr.rows; ++y) std::memcpy(image.row(y), bgr.ptr(y), size_t(bgr.cols) * 3);
  return image;
}

cv::Mat readPictureMat(const std::string& path, int* dpi) {
  std::string error;
  cli::PictureFile picture;
  if (!cli::loadPlugins(error) || !cli::readPicture(path, picture, error))
    throw std::runtime_error(error);
  if (dpi != nullptr) *dpi = picture.dpi;
  return toMat(picture.image);
}

}  // namespace tessaly::quality
