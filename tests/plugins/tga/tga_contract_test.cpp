// The Targa plug-in as the loader sees it: its description, its table, the save list, and the
// size words of the records it copies out.
#include <cstring>
#include <string>

#include "tga_test_support.h"

namespace tessaly::test {
namespace {

using TgaContract = TgaTest;

TEST_F(TgaContract, DescriptionAndItsShortCopy) {
  PlugInfo info{};
  info.size = sizeof info;
  ASSERT_EQ(GetPlugInfo(&info), 1);
  EXPECT_EQ(info.version, 1);
  EXPECT_EQ(info.formatId, 7);
  EXPECT_EQ(info.flagA, 0);
  EXPECT_EQ(info.canRead, 1);
  EXPECT_EQ(info.canWrite, 1);
  EXPECT_EQ(info.flagC, 1);
  EXPECT_EQ(info.flagD, 1);
  EXPECT_EQ(info.valueE, 0);
  EXPECT_EQ(info.valueF, 0);
  EXPECT_EQ(std::u16string(info.description), u"Targa(*.TGA)");
  EXPECT_EQ(std::u16string(info.extensions), u"*.TGA");

  PlugInfo prefix;
  std::memset(&prefix, 0xAB, sizeof prefix);
  prefix.size = 12;
  ASSERT_EQ(GetPlugInfo(&prefix), 1);
  EXPECT_EQ(prefix.formatId, 7);
  EXPECT_EQ(prefix.flagA, int32_t(0xABABABAB)) << "nothing beyond the caller's 12 bytes";
}

TEST_F(TgaContract, ForeignFormatIdsAreRefusedWithoutTouchingTheStream) {
  tessaly::plugin::MemoryStream stream(file({}, {{1, 2, 3}}));
  for (const int32_t id : {PLUG_FORMAT_PCX, PLUG_FORMAT_BMP, -1})
    for (const int32_t forWriting : {0, 1})
      EXPECT_EQ(GetPlugStruct(stream.stream(), forWriting, id), nullptr) << id;
  EXPECT_EQ(stream.calls(), 0);
  for (const int32_t id : {PLUG_FORMAT_ANY, PLUG_FORMAT_TGA}) {
    PlugInstance* r = GetPlugStruct(stream.stream(), 0, id);
    ASSERT_NE(r, nullptr) << id;
    r->table.CloseImage(r);
  }
  EXPECT_EQ(stream.position(), 0u) << "the signature test puts the stream back";
}

TEST_F(TgaContract, SaveListAnswersItsCountAndCopiesNoMoreThanAsked) {
  tessaly::plugin::MemoryStream stream;
  PlugInstance* w = GetPlugStruct(stream.stream(), 1, PLUG_FORMAT_TGA);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->table.GetSaveList(0, nullptr), 3);
  SaveListEntry entries[5];
  std::memset(entries, 0xFF, sizeof entries);
  EXPECT_EQ(w->table.GetSaveList(2, entries), 3);
  EXPECT_EQ(entries[2].colorModel, -1);
  EXPECT_EQ(w->table.GetSaveList(5, entries), 3);
  const int32_t expected[] = {2, 24, 8, 8, 16, 8, -1, -1};
  EXPECT_EQ(std::memcmp(entries, expected, sizeof expected), 0);
  w->table.CloseImage(w);
}

// The table holds exactly the slots the plug-in supplies, for readers and writers alike; the
// slots that only fill the table answer as the loader expects.
TEST_F(TgaContract, TableSlots) {
  tessaly::plugin::MemoryStream stream(file({}, {{1, 2, 3}}));
  for (const int32_t forWriting : {0, 1}) {
    PlugInstance* p = GetPlugStruct(stream.stream(), forWriting, PLUG_FORMAT_TGA);
    ASSERT_NE(p, nullptr);
    void* const* slots = reinterpret_cast<void* const*>(&p->table);
    for (int slot = 0; slot < 19; ++slot) {
      const bool supplied = slot != 1 && slot != 3 && slot != 7 && slot != 13 && slot != 15;
      EXPECT_EQ(slots[slot] != nullptr, supplied) << "slot " << slot;
    }
    EXPECT_EQ(p->table.GetError(p), PLUG_ERR_BAD_DATA);
    EXPECT_EQ(p->table.CreateLayer(p, nullptr, nullptr), 1);
    EXPECT_EQ(p->table.AddImageInfo(p, PLUG_TAG_XRESOLUTION, "abcd", 4), 1);
    EXPECT_EQ(p->table.AddLayerInfo(p, 1, nullptr, 0), 1);
    int calls = 0;
    p->table.EnumImageInfo(
        p, [](int32_t, int32_t, const void*, void* n) { ++*static_cast<int*>(n); }, &calls);
    EXPECT_EQ(calls, 0);
    p->table.CloseImage(p);
  }
}

// A reader never writes and a writer never reads: the other direction's operations refuse.
TEST_F(TgaContract, EachInstanceWorksInOneDirection) {
  tessaly::plugin::MemoryStream stream(file({}, {{1, 2, 3}}));
  PlugInstance* r = GetPlugStruct(stream.stream(), 0, PLUG_FORMAT_TGA);
  ASSERT_NE(r, nullptr);
  CreateRequest request{};
  request.size = sizeof request;
  request.bits = 24;
  request.width = request.height = 1;
  EXPECT_EQ(r->table.CreateImage(r, &request, nullptr), 0);
  EXPECT_EQ(r->table.StartWriteImage(r), 0);
  r->table.CloseImage(r);
  EXPECT_EQ(stream.bytes().size(), 21u);

  PlugInstance* w = GetPlugStruct(stream.stream(), 1, PLUG_FORMAT_TGA);
  ASSERT_NE(w, nullptr);
  ImageInfo info{};
  info.size = sizeof info;
  EXPECT_EQ(w->table.OpenImage(w, &info), 0);
  LayerInfo layer{};
  layer.size = sizeof layer;
  EXPECT_EQ(w->table.StartReadImage(w, &layer), 0);
  w->table.CloseImage(w);
}

TEST_F(TgaContract, ShortRecordsReceiveOnlyTheirPrefix) {
  Reader r(file({.width = 5, .height = 4}, {Bytes(60, 1)}));
  ASSERT_NE(r.instance(), nullptr);
  std::memset(&r.info, 0x5A, sizeof r.info);
  r.info.size = 24;
  std::memset(&r.layer, 0x5A, sizeof r.layer);
  r.layer.size = 1060;
  ASSERT_TRUE(r.open());
  EXPECT_EQ(r.info.size, 24);
  EXPECT_EQ(r.info.colorModel, PLUG_COLOR_BGR);
  EXPECT_EQ(r.info.bits, 0x5A5A5A5A) << "offset 24 lies beyond the caller's record";
  EXPECT_EQ(r.info.width, 0x5A5A5A5A);
  EXPECT_EQ(r.layer.top, 0);
  EXPECT_EQ(r.layer.right, 0x5A5A5A5A);
}

// A request shorter than the options pointer does not lend the writer a half-copied pointer.
TEST_F(TgaContract, AShortCreateRequestIsReadOnlyAsFarAsItGoes) {
  tessaly::plugin::MemoryStream out;
  PlugInstance* w = GetPlugStruct(out.stream(), 1, PLUG_FORMAT_TGA);
  ASSERT_NE(w, nullptr);
  CreateRequest request;
  std::memset(&request, 0xFF, sizeof request);
  request.size = offsetof(CreateRequest, channels) + 4;
  request.colorModel = PLUG_COLOR_BGR;
  request.bits = 24;
  request.hasPalette = 0;
  request.width = 1;
  request.height = 1;
  RowLayout layout{};
  layout.size = sizeof layout;
  ASSERT_EQ(w->table.CreateImage(w, &request, &layout), 1);
  ASSERT_EQ(w->table.StartWriteImage(w), 1);
  w->table.CloseImage(w);
  EXPECT_EQ(out.bytes()[2], 2) << "no options: uncompressed";
  EXPECT_EQ(out.bytes()[16], 24);
}

}  // namespace
}  // namespace tessaly::test
