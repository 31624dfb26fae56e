// OpenCV's Stitcher in its mode for flat scans, run on the same pieces as our stitcher: read
// every piece, stitch, write the panorama. A benchmark-only program; nothing of the product
// links OpenCV.
//
//   peer_opencv_scans RESULT PIECE...
#include <cstdio>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/stitching.hpp>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: peer_opencv_scans RESULT PIECE...\n");
    return 2;
  }
  std::vector<cv::Mat> pieces;
  for (int i = 2; i < argc; ++i) {
    cv::Mat piece = cv::imread(argv[i], cv::IMREAD_COLOR);
    if (piece.empty()) return 3;
    pieces.push_back(piece);
  }
  std::fprintf(stderr, "threads %d\n", cv::getNumThreads());
  cv::Ptr<cv::Stitcher> stitcher = cv::Stitcher::create(cv::Stitcher::SCANS);
  cv::Mat result;
  const cv::Stitcher::Status status = stitcher->stitch(pieces, result);
  pieces.clear();
  if (status != cv::Stitcher::OK) {
    std::fprintf(stderr, "stitch status %d\n", int(status));
    return 4;
  }
  // The stitcher leaves out pieces it cannot register with enough confidence.
  std::fprintf(stderr, "result %dx%d from %zu of %d pieces\n", result.cols, result.rows,
               stitcher->component().size(), argc - 2);
  return cv::imwrite(argv[1], result) ? 0 : 5;
}
