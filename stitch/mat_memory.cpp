#include "mat_memory.h"

#include <cstdlib>
#include <mutex>
#include <opencv2/core.hpp>

#include "large_memory.h"

namespace tessaly::stitch {

namespace {

// A step left for the allocator to compute (OpenCV's CV_AUTOSTEP, from its C interface).
constexpr size_t kAutoStep = 0x7fffffff;

// OpenCV's own allocator for host memory, with allocateInHugePages in place of its aligned malloc.
class LargeMatAllocator final : public cv::MatAllocator {
 public:
  cv::UMatData* allocate(int dims, const int* sizes, int type, void* data0, size_t* step,
                         cv::AccessFlag, cv::UMatUsageFlags) const override {
    size_t total = CV_ELEM_SIZE(type);
    for (int i = dims - 1; i >= 0; --i) {
      if (step != nullptr) {
        if (data0 != nullptr && step[i] != kAutoStep) {
          total = step[i];
        } else {
          step[i] = total;
        }
      }
      total *= static_cast<size_t>(sizes[i]);
    }
    void* data = data0 != nullptr ? data0 : allocateInHugePages(total);
    if (data == nullptr) CV_Error(cv::Error::StsNoMem, "out of memory");
    auto* u = new cv::UMatData(this);
    u->data = u->origdata = static_cast<uchar*>(data);
    u->size = total;
    if (data0 != nullptr) u->flags |= cv::UMatData::USER_ALLOCATED;
    return u;
  }

  bool allocate(cv::UMatData* u, cv::AccessFlag, cv::UMatUsageFlags) const override {
    return u != nullptr && u->data != nullptr;
  }

  void deallocate(cv::UMatData* u) const override {
    if (u == nullptr) return;
    if ((u->flags & cv::UMatData::USER_ALLOCATED) == 0) std::free(u->origdata);
    delete u;
  }
};

// Never destroyed: matrices made with it may outlive any scope, even the engine's use of OpenCV.
LargeMatAllocator& largeMatAllocator() {
  static auto* allocator = new LargeMatAllocator;
  return *allocator;
}

std::mutex scopeMutex;
int liveScopes = 0;
cv::MatAllocator* previousAllocator = nullptr;

}  // namespace

MatMemoryScope::MatMemoryScope() noexcept {
  const std::lock_guard lock(scopeMutex);
  if (liveScopes++ == 0) {
    previousAllocator = cv::Mat::getDefaultAllocator();
    cv::Mat::setDefaultAllocator(&largeMatAllocator());
  }
}

MatMemoryScope::~MatMemoryScope() {
  const std::lock_guard lock(scopeMutex);
  if (--liveScopes == 0) cv::Mat::setDefaultAllocator(previousAllocator);
}

}  // namespace tessaly::stitch
