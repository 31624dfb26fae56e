#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <QWidget>
#include <vector>

#include "host_fixture.h"
#include "tessaly/host/widgets.h"

namespace {

using namespace tessaly::host;
using host_test::child;
using host_test::text;

struct Seen {
  ZanObject* control;
  int event;
  intptr_t data;
};

intptr_t record(ZanObject* control, int event, intptr_t data, void* context) {
  static_cast<std::vector<Seen>*>(context)->push_back({control, event, data});
  return 0;
}

class HostEvents : public testing::Test {
 protected:
  void SetUp() override {
    ZanObject* loader = host_test::fixtureLoader();
    root_ = reinterpret_cast<ZanObject*>(Zan0Inter(loader, op::kLoaderLoad, text("panel.pui")));
    Zan0Release(loader);
    ASSERT_NE(root_, nullptr);
  }
  void TearDown() override {
    delete widgetOf(root_);
    Zan0Release(root_);
  }
  void click(const char* name) {
    qobject_cast<QAbstractButton*>(widgetOf(child(root_, name)))->click();
  }
  ZanObject* root_ = nullptr;
  std::vector<Seen> seen_;
};

TEST_F(HostEvents, AHandlerTableBindsByNameAndCanBeRemoved) {
  const HandlerEntry table[] = {{"butn_go", record, &seen_},
                                {"chck_option", record, &seen_},
                                {"butn_absent", record, &seen_}};
  EXPECT_EQ(Zan0Inter(root_, op::kHandlerTable, reinterpret_cast<intptr_t>(table), 3), 2);
  click("butn_go");
  click("chck_option");
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].control, child(root_, "butn_go"));
  EXPECT_EQ(seen_[0].event, kEventClick);
  EXPECT_EQ(seen_[1].control, child(root_, "chck_option"));
  EXPECT_EQ(seen_[1].data, 1);  // now checked

  EXPECT_EQ(Zan0Inter(root_, op::kHandlerTable, reinterpret_cast<intptr_t>(table), -3), 2);
  click("butn_go");
  EXPECT_EQ(seen_.size(), 2u);
}

TEST_F(HostEvents, TheEventCallbackSeesPointerEnterLeaveAndScrolling) {
  ZanObject* button = child(root_, "butn_go");
  Zan0Inter(button, op::kEventCallback, reinterpret_cast<intptr_t>(record),
            reinterpret_cast<intptr_t>(&seen_));
  QEvent enter(QEvent::Enter), leave(QEvent::Leave);
  QCoreApplication::sendEvent(widgetOf(button), &enter);
  QCoreApplication::sendEvent(widgetOf(button), &leave);
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].event, kEventPointerEnter);
  EXPECT_EQ(seen_[1].event, kEventPointerLeave);

  ZanObject* bar = child(root_, "hscrl_slide");
  Zan0Inter(bar, op::kEventCallback, reinterpret_cast<intptr_t>(record),
            reinterpret_cast<intptr_t>(&seen_));
  qobject_cast<QScrollBar*>(widgetOf(bar))->setValue(30);
  ASSERT_EQ(seen_.size(), 3u);
  EXPECT_EQ(seen_[2].event, kEventSelect);
  EXPECT_EQ(seen_[2].data, 30);
}

// A handler that removes its own table while the event is being delivered.
intptr_t removeTable(ZanObject* control, int, intptr_t, void* context) {
  auto* table = static_cast<const HandlerEntry*>(context);
  QWidget* root = widgetOf(control)->window();
  Zan0Inter(controlOf(root), op::kHandlerTable, reinterpret_cast<intptr_t>(table), -1);
  return 0;
}

TEST_F(HostEvents, AHandlerMayRemoveItselfWhileItRuns) {
  static HandlerEntry table[1];
  table[0] = {"butn_go", removeTable, table};
  Zan0Inter(root_, op::kHandlerTable, reinterpret_cast<intptr_t>(table), 1);
  click("butn_go");
  click("butn_go");  // nothing bound any more
  EXPECT_TRUE(child(root_, "butn_go"));
}

}  // namespace
