// The interface and method numbers of the operations the built-in classes answer, the events
// controls send and the records some operations take. Text goes in as UTF-8 (const char*) and
// comes out through a std::string*, so no length is ever fixed.
#pragma once

#include <cstdint>

#include "tessaly/host/object.h"

namespace tessaly::host {

struct Operation {
  int interface;
  int method;
};

namespace op {
// Controls (every class derived from the panel).
constexpr Operation kChildByName{4, 12};  // a = name: the control in the subtree, borrowed
constexpr Operation kHandlerTable{4, 9};  // a = HandlerEntry[], b = count (negative: remove)
constexpr Operation kShow{3, 8};          // a = 0 or 1
constexpr Operation kIsVisible{3, 9};
constexpr Operation kEnable{3, 10};  // a = 0 or 1
constexpr Operation kIsEnabled{3, 11};
constexpr Operation kEventCallback{3, 18};  // a = EventHandler, b = context (void*)
constexpr Operation kRepaint{3, 20};        // paints at once
constexpr Operation kGetChecked{3, 30};
constexpr Operation kSetChecked{3, 31};     // a = 0 or 1
constexpr Operation kGetRect{3, 33};        // a = Rect* (in the parent; screen for windows)
constexpr Operation kSetRect{3, 34};        // a = const Rect*
constexpr Operation kSetToolTip{3, 35};     // a = text
constexpr Operation kSetHandCursor{3, 36};  // a = 0 or 1
// Sent by the host to panels of classes that modules register (a widget naming its class):
// a layout pass when the panel is shown or resized, and the pointer over it or captured by it.
constexpr Operation kLayoutPass{3, int(0x80000000u)};
constexpr Operation kPointer{3, 1};   // a = kPointer... kind, b = const Point* in the panel
constexpr Operation kGetText{21, 1};  // a = std::string*; result: its length
constexpr Operation kSetText{21, 2};  // a = text
// Text tables.
constexpr Operation kTableText{6, 2};  // a = number, b = std::string*; 1 when present
constexpr Operation kTableCount{6, 3};
// UI-file loaders (type 120).
constexpr Operation kLoaderFolder{26, 2};     // a = folder for relative file names
constexpr Operation kLoaderLoad{26, 5};       // a = file, b = parent control or 0: a new control
constexpr Operation kLoaderError{26, 6};      // a = std::string*: why the last load failed
constexpr Operation kLoaderTextTable{26, 7};  // a = file: a new text table or 0
// Combo boxes.
constexpr Operation kComboAdd{29, 1};  // a = text
constexpr Operation kComboCount{29, 2};
constexpr Operation kComboCurrent{29, 3};
constexpr Operation kComboSetCurrent{29, 4};  // a = index
constexpr Operation kComboClear{29, 5};
constexpr Operation kComboItemText{29, 6};  // a = index, b = std::string*; 1 when present
// Scroll bars.
constexpr Operation kScrollValue{23, 1};
constexpr Operation kScrollSetValue{23, 2};  // a = value
constexpr Operation kScrollSetRange{23, 3};  // a = minimum, b = maximum
constexpr Operation kScrollMaximum{23, 4};
// Pictures.
constexpr Operation kPictureLoad{104, 1};           // a = path; 1 on success
constexpr Operation kPictureSave{104, 2};           // a = path, b = format ("TIF", "JPG", ...) or 0
constexpr Operation kPictureSize{104, 3};           // a = int32_t* width, b = int32_t* height
constexpr Operation kPictureSetImage{104, 4};       // a = const QImage*: a copy is kept
constexpr Operation kPictureImage{104, 5};          // a = QImage*: a copy of the picture
constexpr Operation kPictureSetResolution{104, 6};  // a, b = pixels per inch across, down
constexpr Operation kPictureResolution{104, 7};     // a, b = int32_t* across, down
constexpr Operation kPictureSetSaveOption{104, 14};  // a = option (kSaveOption...), b = value
constexpr Operation kPictureSaveOption{104, 15};     // a = option: its value, 0 when unset
constexpr Operation kPictureReadRows{104, 35};       // a = RowRequest*: the rows read
constexpr Operation kPictureFromRaster{104, 36};     // a = raster: the picture becomes a copy
// Rasters ("iclr"): 24-bit pixel rows in blue, green, red order, each row padded to four
// bytes and row 0 at the bottom, as a device-independent bitmap keeps them.
constexpr Operation kRasterCreate{105, 1};  // a = width, b = height: white; 1 on success
constexpr Operation kRasterSize{105, 2};    // a = int32_t* width, b = int32_t* height
constexpr Operation kRasterBytesPerLine{105, 3};
constexpr Operation kRasterRow{105, 4};  // a = row from the bottom: its bytes, or 0 outside
// Image views ("imgc"): a control showing a picture scaled to fit or at a zoom.
constexpr Operation kViewSetPicture{100, 1};  // a = picture object or 0 to show nothing
constexpr Operation kViewSetImage{100, 2};    // a = const QImage* (copied) or 0
constexpr Operation kViewSetFit{100, 3};      // a = 0 or 1: fit the picture into the view
constexpr Operation kViewIsFit{100, 4};
constexpr Operation kViewSetZoom{100, 5};    // a = percent (1 to 6400); leaves fit mode
constexpr Operation kViewZoom{100, 6};       // the percent shown (in fit mode: the fitted one)
constexpr Operation kViewImageSize{100, 7};  // a = int32_t* width, b = int32_t* height
constexpr Operation kViewSetScale{100, 8};   // a = scale in 10000ths (positive); leaves fit mode
constexpr Operation kViewScale{100, 9};  // the scale shown in 10000ths (fit mode: the fitted one)
constexpr Operation kViewScrollPosition{100, 10};  // a = int32_t* x, b = int32_t* y
// a = x, b = y: the top-left view pixel of the scaled picture, held within the picture.
constexpr Operation kViewSetScrollPosition{100, 11};
constexpr Operation kViewImageRect{100, 16};  // a = Rect*: where the picture lies in the view
// Thumbnail albums ("albm"): a scrolling grid of cells, one per item, each cell a control.
constexpr Operation kAlbumAdd{36, 1};  // a = the cell's root control or 0: the new index
constexpr Operation kAlbumCount{36, 2};
constexpr Operation kAlbumRemove{36, 3};  // a = index; its cell goes with it
constexpr Operation kAlbumClear{36, 4};
constexpr Operation kAlbumSetCell{36, 5};     // a = width, b = height of every cell
constexpr Operation kAlbumIsSelected{36, 6};  // a = index
constexpr Operation kAlbumSelect{36, 7};      // a = index, b = 0 or 1
constexpr Operation kAlbumFocused{36, 8};     // the focused index, -1 when none
constexpr Operation kAlbumSetFocused{36, 9};  // a = index
constexpr Operation kAlbumCell{36, 10};       // a = index: its cell control (borrowed) or 0
}  // namespace op

// Save options of pictures.
constexpr int kSaveOptionBitsPerPixel = 104;  // 8: a palette of at most 256 colours; 24: true
                                              // colour; 0: as the picture is

// Rows a picture delivers (kPictureReadRows): `count` rows from row `first`, counted from the
// bottom, as 24-bit pixels in blue, green, red order, `bytesPerLine` apart in `pixels`.
struct RowRequest {
  int32_t first;
  int32_t count;
  int32_t bytesPerLine;
  int32_t bitsPerPixel;  // 24
  void* pixels;
};

// Events a control sends to its handlers.
constexpr int kEventClick = 1000;
constexpr int kEventSelect = 1001;  // combo box choice, scroll bar move: data = the new value
// A radio group (a control whose own children are radio buttons): one of them was chosen by
// the user; data = its place among the group's radio buttons, from 0.
constexpr int kEventRadioChoice = 1002;
// A menu control's item was chosen: data = the item's name (const char*, valid for the call).
// A menu control is a widget holding named actions, such as a tool button that pops them up.
constexpr int kEventMenuItem = 0x4000;
constexpr int kEventAlbumSelection = 2054;  // an album item's selection changed: data = index
// Pointer and key events, sent by the controls' own widgets (enter, leave) and by the event
// translation of windows (Zan0EventKind): data = const HostEvent*.
constexpr int kEventPointerMove = 0x40000001;
constexpr int kEventPointerPress = 0x40000002;
constexpr int kEventPointerRelease = 0x40000003;
constexpr int kEventPointerDouble = 0x40000004;
constexpr int kEventKeyDown = 0x40000005;
constexpr int kEventKeyUp = 0x40000006;
constexpr int kEventPointerEnter = 0x40000007;
constexpr int kEventPointerLeave = 0x40000008;
constexpr int kEventWheel = 0x40000009;

// A handler gets the control, the event, its data and the context it was registered with; it
// returns 0.
using EventHandler = intptr_t (*)(ZanObject* control, int event, intptr_t data, void* context);

// One line of a handler table: the control's name, its handler and the handler's context.
struct HandlerEntry {
  const char* control;
  EventHandler handler;
  void* context;
};

// A window event in the host's terms (Zan0EventKind): the control it is for (one reference,
// dropped by Zan0EndUseEvent), the point in that control, the key or buttons, the modifiers.
struct HostEvent {
  int32_t kind;  // kEventPointerMove ... kEventWheel
  int32_t x, y;
  int32_t key;       // Qt::Key for key events, the wheel's angle for wheel events
  uint32_t buttons;  // Qt::MouseButtons
  uint32_t modifiers;
  ZanObject* target;
};

// Kinds of kPointer calls: a move (with or without a button), the left button pressed, the
// left button released, another button released.
constexpr int kPointerMove = 1;
constexpr int kPointerPress = 2;
constexpr int kPointerRelease = 3;
constexpr int kPointerOtherRelease = 13;

struct Point {
  int32_t x, y;
};

// Left, top, right, bottom; right and bottom exclusive.
struct Rect {
  int32_t left, top, right, bottom;
};

}  // namespace tessaly::host

// Runs an operation by its number pair.
inline intptr_t Zan0Inter(ZanObject* object, tessaly::host::Operation operation, intptr_t a = 0,
                          intptr_t b = 0) {
  return Zan0Inter(object, operation.interface, operation.method, a, b);
}
