#include "page_truth.h"

#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

#include "json_read.h"

namespace tessaly::quality {

PageTruth readTruth(const std::string& path) {
  const JsonValue json = readJsonFile(path);
  PageTruth truth;
  truth.width = int(json.at("page").at("width").number);
  truth.height = int(json.at("page").at("height").number);
  for (const JsonValue& item : json.at("pieces").items) {
    TruthPiece piece;
    piece.centreX = item.at("centre").at("x").number;
    piece.centreY = item.at("centre").at("y").number;
    piece.angleDegrees = item.at("angleDegrees").number;
    piece.width = int(item.at("width").number);
    piece.height = int(item.at("height").number);
    truth.pieces.push_back(piece);
  }
  return truth;
}

cv::Mat coveredByPieces(const PageTruth& truth) {
  cv::Mat mask = cv::Mat::zeros(truth.height, truth.width, CV_8U);
  for (const TruthPiece& piece : truth.pieces) {
    // Piece point (u, v) shows page point centre + R(angle) (u - (w - 1) / 2, v - (h - 1) / 2).
    const double a = piece.angleDegrees * std::numbers::pi / 180;
    const double halfW = piece.width / 2.0, halfH = piece.height / 2.0;
    std::vector<cv::Point> corners;
    for (const auto& [u, v] :
         {std::pair{-halfW, -halfH}, {halfW, -halfH}, {halfW, halfH}, {-halfW, halfH}})
      corners.emplace_back(int(std::lround(piece.centreX + std::cos(a) * u - std::sin(a) * v)),
                           int(std::lround(piece.centreY + std::sin(a) * u + std::cos(a) * v)));
    cv::fillConvexPoly(mask, corners, cv::Scalar(255));
  }
  return mask;
}

}  // namespace tessaly::quality
