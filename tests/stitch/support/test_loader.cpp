#include "test_loader.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tessaly::stitch::test {

namespace {

uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t get16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace

bool readBmp(const std::string& path, Picture& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  if (b.size() < 54 || get16(b, 0) != 0x4D42 || get16(b, 28) != 24 || get32(b, 30) != 0)
    return false;
  const int32_t width = static_cast<int32_t>(get32(b, 18));
  const int32_t rawHeight = static_cast<int32_t>(get32(b, 22));
  const bool bottomUp = rawHeight > 0;
  const int32_t height = bottomUp ? rawHeight : -rawHeight;
  if (width <= 0 || height <= 0 || width > 100000 || height > 100000) return false;
  const size_t stride = ((static_cast<size_t>(width) * 24 + 31) / 32) * 4;
  const size_t offset = get32(b, 10);
  if (offset + stride * height > b.size()) return false;
  out = Picture(width, height);
  for (int32_t r = 0; r < height; ++r) {
    const int32_t fileRow = bottomUp ? height - 1 - r : r;
    std::memcpy(out.pixel(0, r), &b[offset + fileRow * stride], static_cast<size_t>(width) * 3);
  }
  return true;
}

void TestLoader::note(std::string event) {
  if (std::this_thread::get_id() != sessionThread_) foreignThread_ = true;
  events_.push_back(std::move(event));
}

void* TestLoader::createSession(int32_t style, int32_t outputSize) {
  sessionThread_ = std::this_thread::get_id();
  return QXCreateStitch(static_cast<tagStitchStyle>(style), outputSize, this, onProgress, onLoad,
                        onRelease);
}

void TestLoader::onProgress(long position, bool* cancel, void* self) {
  auto* t = static_cast<TestLoader*>(self);
  t->positions_.push_back(position);
  t->note("progress " + std::to_string(position));
  if (t->cancelAt_ != 0 && static_cast<long>(t->positions_.size()) == t->cancelAt_) *cancel = true;
}

long TestLoader::onLoad(char* const fileName, tagPixelArray** image, void* self) {
  auto* t = static_cast<TestLoader*>(self);
  const std::string name(fileName);
  t->loadedNames_.push_back(name);
  t->note("load " + name);
  ++t->attempts_;
  if (t->failFromLoad_ != 0 && t->attempts_ >= t->failFromLoad_) return t->failFromLoadCode_;
  if (auto failure = t->failures_.find(name); failure != t->failures_.end()) return failure->second;

  // Pictures in memory are copied straight into the new image, with no copy in between, so that
  // memory measurements see only what the engine holds.
  Picture fromFile;
  const Picture* source = &fromFile;
  if (auto found = t->pictures_.find(name); found != t->pictures_.end()) {
    source = &found->second;
  } else if (!readBmp(name, fromFile)) {
    return -3;
  }
  // The image record and its pixels travel together, as a caller's allocator might give them.
  auto* copy = new tagPixelArray{source->width, source->height, source->stride,
                                 new unsigned char[source->bytes.size()]};
  std::memcpy(copy->bits, source->bytes.data(), source->bytes.size());
  *image = copy;
  t->live_.insert(copy);
  ++t->loads_;
  t->mostLive_ = std::max(t->mostLive_, static_cast<int>(t->live_.size()));
  return 0;
}

void TestLoader::onRelease(tagPixelArray** image, void* self) {
  auto* t = static_cast<TestLoader*>(self);
  ++t->releases_;
  t->note("release");
  if (image == nullptr || t->live_.erase(*image) == 0) {
    t->badRelease_ = true;
    return;
  }
  delete[](*image)->bits;
  delete *image;
  *image = nullptr;
}

}  // namespace tessaly::stitch::test
