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
constexpr Operation kGetText{21, 1};        // a = std::string*; result: its length
constexpr Operation kSetText{21, 2};        // a = text
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
constexpr Operation kPictureLoad{104, 1};  // a = path; 1 on success
constexpr Operation kPictureSave{104, 2};  // a = path, b = format ("TIF", "JPG", ...) or 0
constexpr Operation kPictureSize{104, 3};  // a = int32_t* width, b = int32_t* height
}  // namespace op

// Events a control sends to its handlers.
constexpr int kEventClick = 1000;
constexpr int kEventSelect = 1001;  // combo box choice, scroll bar move: data = the new value
constexpr int kEventPointerEnter = 0x40000007;
constexpr int kEventPointerLeave = 0x40000008;

// A handler gets the control, the event, its data and the context it was registered with; it
// returns 0.
using EventHandler = intptr_t (*)(ZanObject* control, int event, intptr_t data, void* context);

// One line of a handler table: the control's name, its handler and the handler's context.
struct HandlerEntry {
  const char* control;
  EventHandler handler;
  void* context;
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
