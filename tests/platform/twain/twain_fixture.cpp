#include "twain_fixture.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace twain_test {
namespace {

// SANE reads the configuration folder's name once per process, so every test shares one folder
// and rewrites its files.
const tessaly::test::TempFolder& configFolder() {
  static const tessaly::test::TempFolder folder("tessaly-twain-");
  return folder;
}

}  // namespace

// SANE unloads its backends when it exits; the backends are kept loaded for the whole run so
// that what they leave behind (their own buffers) still has a name the leak check can be told
// about.
static void keepTestBackendLoaded() {
  static void* const backend =
      dlopen(SANE_BACKENDS "/libsane-test.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  static void* const fileBackend =
      dlopen(SANE_BACKENDS "/libsane-pnm.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  (void)backend;
  (void)fileBackend;
}

void TwainTest::SetUp() {
  keepTestBackendLoaded();
  library_ = dlopen(TWAIN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library_, nullptr) << dlerror();
  entry_ = reinterpret_cast<DSMENTRYPROC>(dlsym(library_, "DSM_Entry"));
  ASSERT_NE(entry_, nullptr);
  std::strcpy(application_.ProductName, "Tessaly tests");
  configure({});
}

void TwainTest::TearDown() {
  // Whatever a test left open is closed, so the next one starts from nothing.
  closeAll();
}

void TwainTest::configure(const BackendSettings& settings, bool fileDevices) {
  // The backend stays loaded and keeps a setting until a configuration names it again, so every
  // setting a test changes is named here with its usual value.
  BackendSettings all{{"number_of_devices", "2"},
                      {"mode", "Gray"},
                      {"depth", "8"},
                      {"resolution", "50.0"},
                      {"test-picture", "\"Solid white\""},
                      {"hand-scanner", "false"},
                      {"read-status-code", "\"Default\""},
                      {"geometry_quant", "1.0"},
                      {"br_x", "40.0"},
                      {"br_y", "30.0"}};
  for (const auto& [key, value] : settings) all[key] = value;
  std::ofstream(configFolder().file("dll.conf")) << (fileDevices ? "test\npnm\n" : "test\n");
  std::ofstream conf(configFolder().file("test.conf"));
  for (const auto& [key, value] : all) conf << key << ' ' << value << '\n';
  conf.close();
  // No trailing colon: SANE then reads this folder only, never the system's.
  setenv("SANE_CONFIG_DIR", configFolder().path().c_str(), 1);
}

TW_UINT16 TwainTest::call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat,
                          TW_UINT16 message, TW_MEMREF data) {
  return entry_(&application_, destination, group, dat, message, data);
}

TW_UINT16 TwainTest::condition(bool ofSource) {
  TW_STATUS status{};
  call(ofSource ? &source_ : nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return status.ConditionCode;
}

void TwainTest::openSource(const std::string& name) {
  void* parent = nullptr;
  ASSERT_EQ(manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  source_ = TW_IDENTITY{};
  std::strncpy(source_.ProductName, name.c_str(), sizeof source_.ProductName - 1);
  ASSERT_EQ(manager(DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
  ASSERT_EQ(setCapability(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
}

TW_UINT16 TwainTest::setCapability(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item) {
  TW_ONEVALUE value{type, item};
  TW_CAPABILITY capability{cap, TWON_ONEVALUE, &value};
  return source(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
}

void TwainTest::enableAndWaitForTransfer() {
  TW_USERINTERFACE ui{0, 0, nullptr};
  ASSERT_EQ(source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  TW_EVENT event{nullptr, MSG_NULL};
  ASSERT_EQ(source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
  ASSERT_EQ(event.TWMessage, MSG_XFERREADY);
}

TwainTest::Image TwainTest::transferImage(TW_UINT32 blockRows) {
  Image image;
  EXPECT_EQ(source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &image.info), TWRC_SUCCESS);
  TW_SETUPMEMXFER setup{};
  EXPECT_EQ(source(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
  image.rowBytes = setup.MinBufSize;
  std::vector<unsigned char> block(size_t{blockRows} * setup.MinBufSize);
  for (;;) {
    TW_IMAGEMEMXFER transfer{};
    transfer.Memory =
        TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(block.size()), block.data()};
    const TW_UINT16 code = source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer);
    if (code != TWRC_SUCCESS && code != TWRC_XFERDONE) {
      ADD_FAILURE() << "transfer answered " << code;
      break;
    }
    EXPECT_EQ(transfer.YOffset * setup.MinBufSize, image.bytes.size());
    image.bytes.insert(image.bytes.end(), block.begin(), block.begin() + transfer.BytesWritten);
    ++image.blocks;
    if (code == TWRC_XFERDONE) break;
  }
  TW_PENDINGXFERS pending{};
  EXPECT_EQ(source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
  return image;
}

void TwainTest::closeAll() {
  TW_USERINTERFACE ui{0, 0, nullptr};
  source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
  manager(DAT_IDENTITY, MSG_CLOSEDS, &source_);
  manager(DAT_PARENT, MSG_CLOSEDSM, nullptr);
}

}  // namespace twain_test
