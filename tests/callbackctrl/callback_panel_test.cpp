// The callback panel: a plain panel until a function is attached, then that function sees every
// operation first and chooses whether the panel's own handler runs.
#include <gtest/gtest.h>

#include <QWidget>
#include <vector>

#include "ZanCallbackCtrl.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"

namespace {

using namespace tessaly::host;

struct Call {
  int interface;
  int method;
  intptr_t a;
  int32_t user;
};
std::vector<Call> calls;

// Records every call; rectangle reads go to the panel itself, rectangle writes are swallowed.
intptr_t recorder(ZanObject* object, int interface, int method, intptr_t a, intptr_t b,
                  int32_t user, ZanParentOperation parent) {
  calls.push_back(Call{interface, method, a, user});
  if (interface == op::kSetRect.interface && method == op::kSetRect.method) return 42;
  return parent(object, interface, method, a, b);
}

// A small UI file with a callback panel "cata_mask" and a plain panel "cata_plain", as the crop
// mask's file has them.
class CallbackPanel : public testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    ASSERT_EQ(Zan0Init(3), 1);
    loader_ = Zan0CreateObj(kUiLoader);
    Zan0Inter(loader_, op::kLoaderFolder, reinterpret_cast<intptr_t>(CALLBACK_UI_FIXTURES));
    root_ = reinterpret_cast<ZanObject*>(
        Zan0Inter(loader_, op::kLoaderLoad, reinterpret_cast<intptr_t>("mask.pui")));
    ASSERT_NE(root_, nullptr);
  }
  void TearDown() override {
    delete widgetOf(root_);
    Zan0Release(root_);
    Zan0Release(loader_);
    Zan0Uninit();
  }
  ZanObject* control(const char* name) {
    return reinterpret_cast<ZanObject*>(
        Zan0Inter(root_, op::kChildByName, reinterpret_cast<intptr_t>(name)));
  }

 private:
  ZanObject* loader_ = nullptr;
  ZanObject* root_ = nullptr;
};

Rect rectOf(ZanObject* panel) {
  Rect rect{};
  Zan0Inter(panel, op::kGetRect, reinterpret_cast<intptr_t>(&rect));
  return rect;
}

intptr_t setRect(ZanObject* panel, Rect rect) {
  return Zan0Inter(panel, op::kSetRect, reinterpret_cast<intptr_t>(&rect));
}

TEST(CallbackPanelModule, RegistrationReportsWhatTheObjectSystemDid) {
  EXPECT_EQ(ZanCallBackCtrlInit(), 1);
  EXPECT_EQ(Zan0Init(0), 0) << "the type is already taken: no false success";
  EXPECT_EQ(ZanCallBackCtrlUninit(), 1);
  EXPECT_EQ(Zan0Uninit(), 0) << "nothing left to remove";
  EXPECT_EQ(Zan0CreateObj(ZAN_CALLBACK_PANEL_TYPE), nullptr);
}

TEST_F(CallbackPanel, WithNothingAttachedItIsAPlainPanel) {
  ZanObject* panel = control("cata_mask");
  ASSERT_EQ(Zan0GetType(panel), ZAN_CALLBACK_PANEL_TYPE);
  ZanPanelCallback function = &recorder;
  int32_t user = -1;
  EXPECT_EQ(Zan0Inter(panel, ZAN_CALLBACK_INTERFACE, 1, reinterpret_cast<intptr_t>(&function),
                      reinterpret_cast<intptr_t>(&user)),
            1);
  EXPECT_EQ(function, nullptr);
  EXPECT_EQ(user, 0);
  EXPECT_EQ(Zan0Inter(panel, ZAN_CALLBACK_INTERFACE, 1, 0, 0), 1) << "null outputs are allowed";
  ZanObject* plain = control("cata_plain");
  for (ZanObject* object : {panel, plain}) {
    setRect(object, Rect{3, 4, 53, 44});
    EXPECT_EQ(rectOf(object).right, 53);
    Zan0Inter(object, op::kEnable, 0);
    EXPECT_EQ(Zan0Inter(object, op::kIsEnabled), 0);
  }
  EXPECT_EQ(Zan0Inter(plain, ZAN_CALLBACK_INTERFACE, 1, 0, 0), 0) << "not a callback panel";
}

TEST_F(CallbackPanel, AnAttachedFunctionSeesEveryCallFirstStartingWithItsOwnAttachment) {
  ZanObject* panel = control("cata_mask");
  setRect(panel, Rect{1, 2, 31, 22});
  Zan0Inter(panel, ZAN_CALLBACK_INTERFACE, 0, reinterpret_cast<intptr_t>(&recorder), 77);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].interface, ZAN_CALLBACK_INTERFACE);
  EXPECT_EQ(calls[0].method, 0);
  EXPECT_EQ(calls[0].user, 77);

  EXPECT_EQ(setRect(panel, Rect{0, 0, 99, 99}), 42);
  EXPECT_EQ(rectOf(panel).right, 31) << "the function swallowed the write, passed the read on";
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].method, op::kGetRect.method);

  ZanPanelCallback function = nullptr;
  int32_t user = 0;
  EXPECT_EQ(Zan0Inter(panel, ZAN_CALLBACK_INTERFACE, 1, reinterpret_cast<intptr_t>(&function),
                      reinterpret_cast<intptr_t>(&user)),
            1);
  EXPECT_EQ(function, &recorder);
  EXPECT_EQ(user, 77);
  EXPECT_EQ(calls.size(), 3u) << "reporting is answered by the panel, not passed to the function";

  // A copy starts without the function.
  ZanObject* copy = Zan0CopyObject(panel);
  ASSERT_NE(copy, nullptr);
  Zan0Inter(copy, ZAN_CALLBACK_INTERFACE, 1, reinterpret_cast<intptr_t>(&function),
            reinterpret_cast<intptr_t>(&user));
  EXPECT_EQ(function, nullptr);
  EXPECT_EQ(user, 0);

  // Detaching: attaching null hands everything back to the panel.
  Zan0Inter(panel, ZAN_CALLBACK_INTERFACE, 0, 0, 0);
  setRect(panel, Rect{5, 5, 15, 15});
  EXPECT_EQ(rectOf(panel).right, 15);
  EXPECT_EQ(calls.size(), 3u);
  Zan0Release(copy);
}

}  // namespace
