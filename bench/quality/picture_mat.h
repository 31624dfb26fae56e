// Pictures of the file-I/O loader as OpenCV matrices and back.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "bgr_image.h"

namespace tessaly::quality {

// A 3-channel 8-bit copy of the picture.
cv::Mat toMat(const cli::BgrImage& image);
cli::BgrImage toBgrImage(const cv::Mat& bgr);

// Reads a picture through the loader (plug-ins loaded on first use); throws std::runtime_error
// with the loader's sentence on failure. dpi, when given, receives the file's resolution.
cv::Mat readPictureMat(const std::string& path, int* dpi = nullptr);

}  // namespace tessaly::quality
