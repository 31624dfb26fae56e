// The stitching engine driven through its nine exports the plainest way a program can: pieces
// loaded through the file-I/O loader in the loading callback, the arrangement found by the
// engine, the result written through the loader. It prints the time of each export on stderr,
// which shows where a stitch spends its time.
//
//   peer_engine RESULT PIECE...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "zanFileIO.h"

namespace {

using Clock = std::chrono::steady_clock;

long loadPiece(char* const fileName, tagPixelArray** image, void*) {
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t error = 0;
  zanIOReader* reader = zanIOOpenBGR(fileName, &info, &error);
  if (reader == nullptr) return QX_ERR_INPUT;
  const int32_t stride = (info.width * 3 + 3) / 4 * 4;
  auto* picture = static_cast<tagPixelArray*>(std::malloc(sizeof(tagPixelArray)));
  auto* bits = static_cast<unsigned char*>(std::malloc(size_t(stride) * size_t(info.height)));
  if (picture == nullptr || bits == nullptr || zanIOReadBGR(reader, bits, stride) != 0) {
    zanIOCloseBGR(reader);
    std::free(picture);
    std::free(bits);
    return QX_ERR_INPUT;
  }
  zanIOCloseBGR(reader);
  *picture = {info.width, info.height, stride, bits};
  *image = picture;
  return 0;
}

void releasePiece(tagPixelArray** image, void*) {
  if (image == nullptr || *image == nullptr) return;
  std::free((*image)->bits);
  std::free(*image);
  *image = nullptr;
}

void progress(long, bool*, void*) {}

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool failed(long status) {
  return status < 0 || (status > 0 && (status < 4097 || status > 4100));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: peer_engine RESULT PIECE...\n");
    return 2;
  }
  if (_zanIOLoadPlugsEx(nullptr) <= 0) return 3;
  const int count = argc - 2;
  std::vector<std::vector<char>> names(size_t(count), std::vector<char>(QX_NAME_BUFFER));
  std::vector<char*> namePointers;
  std::vector<POINT> sizes;
  int32_t dpi = 0;
  for (int i = 0; i < count; ++i) {
    std::snprintf(names[size_t(i)].data(), QX_NAME_BUFFER, "%s", argv[i + 2]);
    namePointers.push_back(names[size_t(i)].data());
    zanIOBGRInfo info{};
    info.size = sizeof info;
    int32_t error = 0;
    zanIOReader* reader = zanIOOpenBGR(argv[i + 2], &info, &error);
    if (reader == nullptr) return 3;
    zanIOCloseBGR(reader);
    sizes.push_back({info.width, info.height});
    dpi = dpi == 0 ? info.xDpi : std::min(dpi, info.xDpi);
  }
  const tagStitchStyle style = count < 4 || count % 2 != 0 ? QX_STYLE_ROW : QX_STYLE_GRID;
  void* session = QXCreateStitch(style, 0, nullptr, progress, loadPiece, releasePiece);

  std::vector<std::vector<char>> candidateNames(size_t(5 * count),
                                                std::vector<char>(QX_NAME_BUFFER));
  std::vector<char*> candidatePointers;
  for (auto& name : candidateNames) candidatePointers.push_back(name.data());
  std::vector<int32_t> turns(size_t(5 * count));
  tagStitchOrderInfo candidates[5];
  for (int k = 0; k < 5; ++k)
    candidates[k] = {0, 0, candidatePointers.data() + k * count, turns.data() + k * count};

  auto start = Clock::now();
  long status = QXLoadImages(session, count, namePointers.data(), sizes.data());
  std::fprintf(stderr, "load   %.3f s (%ld)\n", since(start), status);
  long candidateCount = 0;
  if (!failed(status)) {
    start = Clock::now();
    status = QXAutoOrder(session, &candidateCount, candidates);
    std::fprintf(stderr, "order  %.3f s (%ld) %dx%d\n", since(start), status, candidates[0].rows,
                 candidates[0].columns);
  }
  if (!failed(status)) {
    start = Clock::now();
    status = QXAutoAlign(session);
    std::fprintf(stderr, "align  %.3f s (%ld)\n", since(start), status);
  }
  tagPixelArray* result = nullptr;
  if (!failed(status)) {
    start = Clock::now();
    status = QXAutoBlend(session, &result, nullptr);
    std::fprintf(stderr, "blend  %.3f s (%ld)\n", since(start), status);
  }
  int code = failed(status) ? 4 : 0;
  if (code == 0) {
    start = Clock::now();
    const int32_t written =
        zanIOWriteBGR(argv[1], 0, result->bits, result->width, result->height, result->bytesPerLine,
                      std::max(dpi, 50), std::max(dpi, 50), nullptr);
    std::fprintf(stderr, "write  %.3f s %dx%d\n", since(start), result->width, result->height);
    if (written != 0) code = 5;
  }
  QXReleaseStitch(session);
  return code;
}
