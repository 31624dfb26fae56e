#include <gtest/gtest.h>

#include <QImage>

#include "host_fixture.h"

namespace {

using namespace tessaly::host;

TEST(HostObjects, TypeCodesAreTheCharactersInMemoryOrder) {
  EXPECT_EQ(typeCode("cata"), 0x61746163u);
  EXPECT_EQ(typeCode("plcb"), 0x62636C70u);
}

TEST(HostObjects, ReferencesKeepAnObjectUntilTheLastRelease) {
  ZanObject* picture = Zan0CreateObj(kPicture);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(Zan0GetType(picture), kPicture);
  EXPECT_EQ(Zan0RefCount(picture), 1);
  Zan0Retain(picture);
  EXPECT_EQ(Zan0RefCount(picture), 2);
  Zan0Release(picture);
  EXPECT_EQ(Zan0RefCount(picture), 1);
  Zan0Release(picture);
  Zan0Release(nullptr);
  EXPECT_EQ(Zan0Inter(nullptr, 3, 8, 1, 0), 0);
  EXPECT_EQ(Zan0CreateObj(typeCode("none")), nullptr);
}

TEST(HostObjects, PicturesLoadSaveAndCopy) {
  ZanObject* picture = Zan0CreateObj(kPicture);
  const std::string path = std::string(testing::TempDir()) + "/host_picture.png";
  QImage image(7, 5, QImage::Format_RGB32);
  image.fill(Qt::red);
  ASSERT_TRUE(image.save(QString::fromStdString(path)));
  ASSERT_EQ(Zan0Inter(picture, op::kPictureLoad, host_test::text(path.c_str())), 1);

  ZanObject* copy = Zan0CopyObject(picture);
  Zan0Release(picture);
  int32_t width = 0, height = 0;
  ASSERT_EQ(Zan0Inter(copy, op::kPictureSize, reinterpret_cast<intptr_t>(&width),
                      reinterpret_cast<intptr_t>(&height)),
            1);
  EXPECT_EQ(width, 7);
  EXPECT_EQ(height, 5);
  EXPECT_EQ(Zan0Inter(copy, op::kPictureLoad, host_test::text("/no/such/file.png")), 0);
  Zan0Release(copy);
}

TEST(HostObjects, GlobalValuesHoldWhatIsSetAndIgnoreUnknownSlots) {
  Zan0SetGValue(2, 1234);
  EXPECT_EQ(Zan0GetGValue(2), 1234);
  EXPECT_EQ(Zan0GetGValue(1), 0);
  Zan0SetGValue(99, 5);
  EXPECT_EQ(Zan0GetGValue(99), 0);
  Zan0SetGValue(2, 0);
}

}  // namespace
