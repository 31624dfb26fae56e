// The manager's session: sources listed and opened by name, triplets refused out of order with
// the condition saying why, capabilities set and read.
#include <cstdlib>
#include <cstring>
#include <string>

#include "twain_fixture.h"

namespace twain_test {
namespace {

using Session = TwainTest;

TEST_F(Session, ListsTheSaneDevicesAndOpensOneByItsName) {
  void* parent = nullptr;
  ASSERT_EQ(manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  std::vector<std::string> names;
  TW_IDENTITY identity{};
  for (TW_UINT16 code = manager(DAT_IDENTITY, MSG_GETFIRST, &identity); code == TWRC_SUCCESS;
       code = manager(DAT_IDENTITY, MSG_GETNEXT, &identity))
    names.emplace_back(identity.ProductName);
  EXPECT_EQ(names, (std::vector<std::string>{"test:0", "test:1"}));
  EXPECT_EQ(manager(DAT_IDENTITY, MSG_GETNEXT, &identity), TWRC_ENDOFLIST);
  ASSERT_EQ(manager(DAT_IDENTITY, MSG_GETDEFAULT, &identity), TWRC_SUCCESS);
  EXPECT_STREQ(identity.ProductName, "test:0");

  source_ = TW_IDENTITY{};
  std::strcpy(source_.ProductName, "TEST:1");  // names compare without case
  ASSERT_EQ(manager(DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
  EXPECT_STREQ(source_.ProductName, "test:1");
  EXPECT_EQ(source_.Id, 2u);
  TW_IDENTITY missing{};
  std::strcpy(missing.ProductName, "nowhere:0");
  EXPECT_EQ(manager(DAT_IDENTITY, MSG_CLOSEDS, &missing), TWRC_SUCCESS)
      << "closing goes to the open source";
  EXPECT_EQ(manager(DAT_IDENTITY, MSG_OPENDS, &missing), TWRC_FAILURE);
  EXPECT_EQ(condition(false), TWCC_NODS);
}

TEST_F(Session, OutOfOrderTripletsFailWithASequenceError) {
  void* parent = nullptr;
  ASSERT_EQ(manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  EXPECT_EQ(manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_FAILURE) << "already open";
  EXPECT_EQ(condition(false), TWCC_SEQERROR);
  source_ = TW_IDENTITY{};
  ASSERT_EQ(manager(DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
  EXPECT_EQ(manager(DAT_PARENT, MSG_CLOSEDSM, nullptr), TWRC_FAILURE) << "a source is open";
  TW_IMAGEINFO info{};
  EXPECT_EQ(source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE) << "no transfer ready";
  EXPECT_EQ(condition(true), TWCC_SEQERROR);
  TW_IDENTITY other = source_;
  other.Id = 99;
  EXPECT_EQ(call(&other, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
  EXPECT_EQ(condition(false), TWCC_BADDEST);
  TW_EVENT event{nullptr, 77};
  EXPECT_EQ(source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
  EXPECT_EQ(event.TWMessage, MSG_NULL);
}

TEST_F(Session, CapabilitiesSetTheDeviceAndReadBack) {
  openSource();
  EXPECT_EQ(setCapability(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE), TWRC_FAILURE)
      << "only buffered memory transfers";
  EXPECT_EQ(condition(true), TWCC_BADVALUE);
  EXPECT_EQ(setCapability(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_SUCCESS);
  const TW_FIX32 dpi{150, 0};
  TW_UINT32 item = 0;
  std::memcpy(&item, &dpi, sizeof dpi);
  EXPECT_EQ(setCapability(ICAP_XRESOLUTION, TWTY_FIX32, item), TWRC_SUCCESS);
  auto current = [&](TW_UINT16 cap) {
    TW_CAPABILITY capability{cap, 0, nullptr};
    EXPECT_EQ(source(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability), TWRC_SUCCESS);
    auto* value = static_cast<TW_ONEVALUE*>(capability.hContainer);
    const TW_UINT32 result = value != nullptr ? value->Item : 0xFFFFFFFFu;
    std::free(value);
    return result;
  };
  EXPECT_EQ(current(ICAP_PIXELTYPE), TWPT_RGB);
  EXPECT_EQ(current(ICAP_UNITS), TWUN_INCHES);
  EXPECT_EQ(current(ICAP_PIXELFLAVOR), TWPF_VANILLA);
  const TW_UINT32 resolution = current(ICAP_XRESOLUTION);
  TW_FIX32 read{};
  std::memcpy(&read, &resolution, sizeof read);
  EXPECT_EQ(read.Whole, 150);
  TW_CAPABILITY unknown{0x7777, 0, nullptr};
  EXPECT_EQ(source(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &unknown), TWRC_FAILURE);
  EXPECT_EQ(condition(true), TWCC_BADCAP);
}

}  // namespace
}  // namespace twain_test
