#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include "host_fixture.h"
#include "tessaly/host/widgets.h"

namespace {

using namespace tessaly::host;
using host_test::child;
using host_test::out;
using host_test::text;

class UiLoading : public testing::Test {
 protected:
  void SetUp() override { loader_ = host_test::fixtureLoader(); }
  void TearDown() override { Zan0Release(loader_); }
  ZanObject* load(const char* file, ZanObject* parent = nullptr) {
    return reinterpret_cast<ZanObject*>(
        Zan0Inter(loader_, op::kLoaderLoad, text(file), reinterpret_cast<intptr_t>(parent)));
  }
  std::string error() {
    std::string message;
    Zan0Inter(loader_, op::kLoaderError, out(&message));
    return message;
  }
  ZanObject* loader_ = nullptr;
};

TEST_F(UiLoading, ControlsAreFoundByNameWithTheirKinds) {
  QWidget window;
  ZanObject* root = load("panel.pui", controlOf(&window));
  ASSERT_NE(root, nullptr) << error();
  EXPECT_EQ(widgetOf(root)->parentWidget(), &window);
  EXPECT_EQ(child(controlOf(&window), "panel"), root);
  EXPECT_EQ(Zan0GetType(child(root, "butn_go")), kButton);
  EXPECT_EQ(Zan0GetType(child(root, "chck_option")), kCheckBox);
  EXPECT_EQ(Zan0GetType(child(root, "view_text1")), kTextView);
  EXPECT_EQ(Zan0GetType(child(root, "comb_scaner")), kComboBox);
  EXPECT_EQ(Zan0GetType(child(root, "hscrl_slide")), kScrollBar);
  EXPECT_EQ(child(root, "butn_go"), child(root, "butn_go"));  // one object per control
  EXPECT_EQ(child(root, "butn_absent"), nullptr);
  Zan0Release(root);
}

TEST_F(UiLoading, AMissingOrBrokenFileFailsWithAMessage) {
  EXPECT_EQ(load("absent.pui"), nullptr);
  EXPECT_NE(error().find("cannot open"), std::string::npos) << error();
  EXPECT_NE(error().find("absent.pui"), std::string::npos) << error();
  EXPECT_EQ(load("broken.pui"), nullptr);
  EXPECT_NE(error().find("broken.pui"), std::string::npos) << error();
}

TEST_F(UiLoading, TextTablesGiveTheirNumberedTexts) {
  auto* table =
      reinterpret_cast<ZanObject*>(Zan0Inter(loader_, op::kLoaderTextTable, text("texts.pui")));
  ASSERT_NE(table, nullptr) << error();
  std::string value;
  EXPECT_EQ(Zan0Inter(table, op::kTableText, 21, out(&value)), 1);
  EXPECT_EQ(value, "Tessaly");
  EXPECT_EQ(Zan0Inter(table, op::kTableText, 7, out(&value)), 1);
  EXPECT_EQ(value, "%d pieces — loaded");
  EXPECT_EQ(Zan0Inter(table, op::kTableText, 8, out(&value)), 0);
  EXPECT_EQ(Zan0Inter(table, op::kTableCount), 2);  // the row without a number is left out
  Zan0Release(table);
  EXPECT_EQ(Zan0Inter(loader_, op::kLoaderTextTable, text("panel.pui")), 0);
}

TEST_F(UiLoading, ControlOperationsReachTheirWidgets) {
  ZanObject* root = load("panel.pui");
  ASSERT_NE(root, nullptr);
  ZanObject* label = child(root, "view_text1");
  std::string value;
  EXPECT_EQ(Zan0Inter(label, op::kGetText, out(&value)), 5);
  EXPECT_EQ(value, "Ready");
  Zan0Inter(label, op::kSetText, text("Zwei Stücke"));
  EXPECT_EQ(qobject_cast<QLabel*>(widgetOf(label))->text(), QString("Zwei Stücke"));

  const Rect newRect{10, 20, 410, 320};
  Zan0Inter(root, op::kSetRect, reinterpret_cast<intptr_t>(&newRect));
  Rect rect{};
  Zan0Inter(root, op::kGetRect, reinterpret_cast<intptr_t>(&rect));
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 300);

  ZanObject* combo = child(root, "comb_scaner");
  Zan0Inter(combo, op::kComboAdd, text("first"));
  Zan0Inter(combo, op::kComboAdd, text("second"));
  Zan0Inter(combo, op::kComboSetCurrent, 1);
  EXPECT_EQ(Zan0Inter(combo, op::kComboCount), 2);
  EXPECT_EQ(Zan0Inter(combo, op::kComboCurrent), 1);
  EXPECT_EQ(Zan0Inter(combo, op::kComboItemText, 0, out(&value)), 1);
  EXPECT_EQ(value, "first");
  EXPECT_EQ(Zan0Inter(combo, op::kComboItemText, 5, out(&value)), 0);

  ZanObject* bar = child(root, "hscrl_slide");
  Zan0Inter(bar, op::kScrollSetRange, 0, 50);
  Zan0Inter(bar, op::kScrollSetValue, 70);
  EXPECT_EQ(Zan0Inter(bar, op::kScrollValue), 50);

  ZanObject* check = child(root, "chck_option");
  Zan0Inter(check, op::kSetChecked, 1);
  EXPECT_EQ(Zan0Inter(check, op::kGetChecked), 1);
  Zan0Inter(check, op::kEnable, 0);
  EXPECT_EQ(Zan0Inter(check, op::kIsEnabled), 0);
  delete widgetOf(root);
  Zan0Release(root);
}

TEST_F(UiLoading, AControlOutlivingItsWidgetAnswersNothing) {
  ZanObject* root = load("panel.pui");
  ZanObject* button = child(root, "butn_go");
  Zan0Retain(button);
  delete widgetOf(root);
  EXPECT_EQ(widgetOf(button), nullptr);
  EXPECT_EQ(Zan0Inter(button, op::kShow, 1), 0);
  EXPECT_EQ(Zan0RefCount(button), 1);  // only ours is left
  Zan0Release(button);
  Zan0Release(root);
}

}  // namespace
