// The image view and thumbnail album controls, and window events in the host's terms.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
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
  HostEvent copy;  // of a translated event, while it is valid
};

intptr_t record(ZanObject* control, int event, intptr_t data, void* context) {
  Seen seen{control, event, data, {}};
  if (event >= kEventPointerMove && event <= kEventWheel && event != kEventPointerEnter &&
      event != kEventPointerLeave) {
    seen.copy = *reinterpret_cast<const HostEvent*>(data);
  }
  static_cast<std::vector<Seen>*>(context)->push_back(seen);
  return 0;
}

class HostViews : public testing::Test {
 protected:
  void SetUp() override {
    loader_ = host_test::fixtureLoader();
    root_ = load("views.pui");
    ASSERT_NE(root_, nullptr);
    widgetOf(root_)->show();
  }
  void TearDown() override {
    delete widgetOf(root_);
    Zan0Release(root_);
    Zan0Release(loader_);
  }
  ZanObject* load(const char* file) {
    return reinterpret_cast<ZanObject*>(Zan0Inter(loader_, op::kLoaderLoad, text(file)));
  }
  intptr_t ptr(const void* value) { return reinterpret_cast<intptr_t>(value); }

  ZanObject* loader_ = nullptr;
  ZanObject* root_ = nullptr;
};

TEST_F(HostViews, TheHostsOwnWidgetsComeFromUiFilesAsTheirClasses) {
  EXPECT_EQ(Zan0GetType(child(root_, "imgc_view")), kImageView);
  EXPECT_EQ(Zan0GetType(child(root_, "album1")), kAlbum);
  // They keep the panel's operations.
  Zan0Inter(child(root_, "album1"), op::kShow, 0);
  EXPECT_FALSE(widgetOf(child(root_, "album1"))->isVisible());
}

TEST_F(HostViews, AnImageViewFitsItsPictureOrShowsItAtAZoom) {
  ZanObject* view = child(root_, "imgc_view");
  QImage image(400, 100, QImage::Format_RGB32);
  image.fill(Qt::blue);
  ZanObject* picture = Zan0CreateObj(kPicture);
  Zan0Inter(picture, op::kPictureSetImage, ptr(&image));
  ASSERT_EQ(Zan0Inter(view, op::kViewSetPicture, ptr(picture)), 1);
  Zan0Release(picture);  // the view keeps its own copy

  int32_t width = 0, height = 0;
  Zan0Inter(view, op::kViewImageSize, ptr(&width), ptr(&height));
  EXPECT_EQ(QSize(width, height), QSize(400, 100));
  EXPECT_EQ(Zan0Inter(view, op::kViewIsFit), 1);
  EXPECT_EQ(Zan0Inter(view, op::kViewZoom), 50);  // 400 x 100 in 200 x 100
  const QImage shown = widgetOf(view)->grab().toImage();
  EXPECT_EQ(shown.pixel(100, 50), qRgb(0, 0, 255));
  EXPECT_NE(shown.pixel(100, 5), qRgb(0, 0, 255));  // above the fitted picture: background

  EXPECT_EQ(Zan0Inter(view, op::kViewSetZoom, 250), 1);
  EXPECT_EQ(Zan0Inter(view, op::kViewIsFit), 0);
  EXPECT_EQ(Zan0Inter(view, op::kViewZoom), 250);
  EXPECT_EQ(widgetOf(view)->grab().toImage().pixel(100, 5), qRgb(0, 0, 255));
  EXPECT_EQ(Zan0Inter(view, op::kViewSetZoom, 0), 0);
  EXPECT_EQ(Zan0Inter(view, op::kViewZoom), 250);

  Zan0Inter(view, op::kViewSetImage, 0);  // nothing shown
  Zan0Inter(view, op::kViewImageSize, ptr(&width), ptr(&height));
  EXPECT_EQ(width, 0);
}

TEST_F(HostViews, AnImageViewScrollsAScaledPictureWithinItsEdges) {
  ZanObject* view = child(root_, "imgc_view");
  QImage image(400, 100, QImage::Format_RGB32);
  image.fill(Qt::blue);
  for (int x = 200; x < 400; ++x) {
    for (int y = 0; y < 100; ++y) image.setPixel(x, y, qRgb(255, 0, 0));
  }
  Zan0Inter(view, op::kViewSetImage, ptr(&image));
  EXPECT_EQ(Zan0Inter(view, op::kViewScale), 5000);  // fitted into 200 x 100
  ASSERT_EQ(Zan0Inter(view, op::kViewSetScale, 15000), 1);
  EXPECT_EQ(Zan0Inter(view, op::kViewScale), 15000);
  EXPECT_EQ(Zan0Inter(view, op::kViewIsFit), 0);
  EXPECT_EQ(Zan0Inter(view, op::kViewSetScale, 0), 0);

  // 600 x 150 shown in 200 x 100: the position stays within 0 ... 400 and 0 ... 50.
  int32_t x = -1, y = -1;
  Zan0Inter(view, op::kViewSetScrollPosition, 1000, -7);
  Zan0Inter(view, op::kViewScrollPosition, ptr(&x), ptr(&y));
  EXPECT_EQ(QPoint(x, y), QPoint(400, 0));
  EXPECT_EQ(widgetOf(view)->grab().toImage().pixel(100, 50), qRgb(255, 0, 0));
  Zan0Inter(view, op::kViewSetScrollPosition, 0, 50);
  Zan0Inter(view, op::kViewScrollPosition, ptr(&x), ptr(&y));
  EXPECT_EQ(QPoint(x, y), QPoint(0, 50));
  EXPECT_EQ(widgetOf(view)->grab().toImage().pixel(100, 50), qRgb(0, 0, 255));
  // Back in fit mode there is nothing to scroll.
  Zan0Inter(view, op::kViewSetFit, 1);
  Zan0Inter(view, op::kViewScrollPosition, ptr(&x), ptr(&y));
  EXPECT_EQ(QPoint(x, y), QPoint(0, 0));
}

TEST_F(HostViews, AnAlbumHoldsCellsAndReportsEverySelectionChange) {
  ZanObject* album = child(root_, "album1");
  std::vector<Seen> seen;
  Zan0Inter(album, op::kEventCallback, reinterpret_cast<intptr_t>(record), ptr(&seen));
  Zan0Inter(album, op::kAlbumSetCell, 90, 80);
  std::vector<QPointer<QWidget>> cells;
  for (int i = 0; i < 3; ++i) {
    ZanObject* cell = load("panel.pui");
    cells.emplace_back(widgetOf(cell));
    EXPECT_EQ(Zan0Inter(album, op::kAlbumAdd, ptr(cell)), i);
    Zan0Release(cell);  // the album owns the cell's widget now
  }
  EXPECT_EQ(Zan0Inter(album, op::kAlbumAdd, 0), 3);  // an item without a cell
  EXPECT_EQ(Zan0Inter(album, op::kAlbumCount), 4);
  EXPECT_EQ(widgetOf(reinterpret_cast<ZanObject*>(Zan0Inter(album, op::kAlbumCell, 1))),
            cells[1].data());
  EXPECT_EQ(Zan0Inter(album, op::kAlbumCell, 3), 0);
  EXPECT_EQ(cells[0]->size(), QSize(90, 80));
  Zan0Inter(album, op::kAlbumSetCell, 120, 100);
  EXPECT_EQ(cells[2]->size(), QSize(120, 100));

  Zan0Inter(album, op::kAlbumSelect, 2, 1);
  Zan0Inter(album, op::kAlbumSelect, 0, 1);
  Zan0Inter(album, op::kAlbumSelect, 2, 0);
  EXPECT_EQ(Zan0Inter(album, op::kAlbumIsSelected, 0), 1);
  EXPECT_EQ(Zan0Inter(album, op::kAlbumIsSelected, 2), 0);
  EXPECT_EQ(Zan0Inter(album, op::kAlbumIsSelected, 9), 0);
  std::vector<intptr_t> changed;
  for (const Seen& s : seen) {
    if (s.event == kEventAlbumSelection) changed.push_back(s.data);
  }
  EXPECT_EQ(changed, (std::vector<intptr_t>{2, 0, 2}));

  EXPECT_EQ(Zan0Inter(album, op::kAlbumSetFocused, 1), 1);
  EXPECT_EQ(Zan0Inter(album, op::kAlbumFocused), 1);
  EXPECT_EQ(Zan0Inter(album, op::kAlbumIsSelected, 1), 0);  // focus does not select

  EXPECT_EQ(Zan0Inter(album, op::kAlbumRemove, 0), 1);
  EXPECT_EQ(Zan0Inter(album, op::kAlbumRemove, 7), 0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(cells[0].isNull());  // the cell went with its item
  EXPECT_EQ(Zan0Inter(album, op::kAlbumCount), 3);
  Zan0Inter(album, op::kAlbumClear);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Zan0Inter(album, op::kAlbumCount), 0);
  EXPECT_TRUE(cells[1].isNull() && cells[2].isNull());
}

TEST_F(HostViews, WindowEventsGoToTheControlTheyConcern) {
  QWidget* window = widgetOf(root_);
  ZanObject* button = child(root_, "butn_go");
  std::vector<Seen> seen;
  Zan0Inter(button, op::kEventCallback, reinterpret_cast<intptr_t>(record), ptr(&seen));
  const int referencesBefore = Zan0RefCount(button);

  // A press inside the button, given in window terms.
  const QPoint inWindow(220, 25);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(inWindow),
                    QPointF(window->mapToGlobal(inWindow)), Qt::LeftButton, Qt::LeftButton,
                    Qt::ShiftModifier);
  HostEvent event{};
  ASSERT_EQ(Zan0EventKind(window, &press, &event), 1);
  EXPECT_EQ(event.target, button);
  EXPECT_EQ(event.kind, kEventPointerPress);
  EXPECT_EQ(QPoint(event.x, event.y), QPoint(10, 15));
  EXPECT_EQ(event.modifiers, uint32_t(Qt::ShiftModifier));
  EXPECT_EQ(Zan0RefCount(button), referencesBefore + 1);  // held while in use
  EXPECT_EQ(Zan0DispatchEvent(&event), 1);
  Zan0EndUseEvent(&event);
  EXPECT_EQ(Zan0RefCount(button), referencesBefore);
  EXPECT_EQ(event.target, nullptr);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].event, kEventPointerPress);
  EXPECT_EQ(seen[0].copy.x, 10);

  // Keys go to the focused control.
  widgetOf(button)->setFocus();
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
  ASSERT_EQ(Zan0EventKind(window, &key, &event), 1);
  EXPECT_EQ(event.kind, kEventKeyDown);
  EXPECT_EQ(event.key, Qt::Key_Space);
  Zan0DispatchEvent(&event);
  Zan0EndUseEvent(&event);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].copy.key, Qt::Key_Space);

  // Events the host does not know are not translated; ending their use is harmless.
  QEvent other(QEvent::FontChange);
  EXPECT_EQ(Zan0EventKind(window, &other, &event), 0);
  EXPECT_EQ(Zan0DispatchEvent(&event), 0);
  Zan0EndUseEvent(&event);
  Zan0EndUseEvent(nullptr);
  EXPECT_EQ(Zan0EventKind(nullptr, &key, &event), 0);
}

}  // namespace
