// Where a press on the frameless main window goes.
#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "window_frame.h"

namespace {

using namespace tessaly::app;

class HitTest : public testing::Test {
 protected:
  void SetUp() override {
    window_.setGeometry(0, 0, 800, 600);
    caption_ = new QWidget(&window_);
    caption_->setGeometry(0, 0, 800, 40);
    title_ = new QLabel("Tessaly", caption_);
    title_->setGeometry(20, 10, 100, 20);
    close_ = new QPushButton("x", caption_);
    close_->setGeometry(740, 6, 40, 28);
    grip_ = new QWidget(&window_);
    grip_->setGeometry(770, 570, 20, 20);
    window_.show();
  }
  FrameArea at(int x, int y) { return mainWindowHitTest(&window_, {x, y}, grip_, caption_); }

  QWidget window_;
  QWidget* caption_;
  QLabel* title_;
  QPushButton* close_;
  QWidget* grip_;
};

TEST_F(HitTest, CornersThenEdgesThenTheInside) {
  EXPECT_EQ(at(795, 595), FrameArea::BottomRight);  // 5 pixels inside the corner
  EXPECT_EQ(at(3, 3), FrameArea::TopLeft);
  EXPECT_EQ(at(790, 11), FrameArea::TopRight);
  EXPECT_EQ(at(11, 590), FrameArea::BottomLeft);
  EXPECT_EQ(at(795, 300), FrameArea::Right);
  EXPECT_EQ(at(790, 300), FrameArea::Client);  // 10 pixels inside the right edge
  EXPECT_EQ(at(2, 300), FrameArea::Left);
  EXPECT_EQ(at(400, 599), FrameArea::Bottom);
  EXPECT_EQ(at(400, 300), FrameArea::Client);
}

TEST_F(HitTest, TheCaptionDragsExceptOverItsControls) {
  EXPECT_EQ(at(400, 4), FrameArea::Top);  // the edge comes first
  EXPECT_EQ(at(400, 20), FrameArea::Caption);
  EXPECT_EQ(at(50, 20), FrameArea::Caption);  // the title text
  EXPECT_EQ(at(760, 20), FrameArea::Client);  // the close button
}

TEST_F(HitTest, TheGripResizesAndAMaximisedWindowHasNoEdges) {
  EXPECT_EQ(at(775, 575), FrameArea::BottomRight);
  grip_->hide();
  EXPECT_EQ(at(775, 575), FrameArea::Client);
  window_.setWindowState(Qt::WindowMaximized);
  EXPECT_EQ(at(400, 3), FrameArea::Caption);
  EXPECT_EQ(at(795, 300), FrameArea::Client);
}

}  // namespace
