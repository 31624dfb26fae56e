// OpenCV's Stitcher in its mode for flat scans, run on the same pieces as our stitcher: read
// every piece, stitch, write the panorama. A benchmark-only program; nothing of the product
// links OpenCV.
//
//   peer_opencv_scans [--confidence C] RESULT PIECE...
//
// --confidence lowers the stitcher's threshold for keeping a piece in the panorama (default 1),
// for pieces its default would leave out.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/stitching.hpp>
#include <vector>

int main(int argc, char** argv) {
  double confidence = 0;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--confidence") == 0) {
    confidence = std::atof(argv[2]);
    first = 3;
  }
  if (argc < first + 2) {
    std::fprintf(stderr, "usage: peer_opencv_scans [--confidence C] RESULT PIECE...\n");
    return 2;
  }
  std::vector<cv::Mat> pieces;
  for (int i = first + 1; i < argc; ++i) {
    cv::Mat piece = cv::imread(argv[i], cv::IMREAD_COLOR);
    if (piece.empty()) return 3;
    pieces.push_back(piece);
  }
  std::fprintf(stderr, "threads %d\n", cv::getNumThreads());
  cv::Ptr<cv::Stitcher> stitcher = cv::Stitcher::create(cv::Stitcher::SCANS);
  if (confidence > 0) stitcher->setPanoConfidenceThresh(confidence);
  cv::Mat result;
  const cv::Stitcher::Status status = stitcher->stitch(pieces, result);
  const size_t count = pieces.size();
  pieces.clear();
  if (status != cv::Stitcher::OK) {
    std::fprintf(stderr, "stitch status %d\n", int(status));
    return 4;
  }
  // The stitcher leaves out pieces it cannot register with enough confidence.
  std::fprintf(stderr, "result %dx%d from %zu of %d pieces\n", result.cols, result.rows,
               stitcher->component().size(), int(count));
  return cv::imwrite(argv[first], result) ? 0 : 5;
}
