/* The callback panel: a host panel (class "plcb", derived from "cata") each of whose operations
 * can be taken over by a function the program attaches at run time through interface 500:
 *   method 0 (function, user value): attach, replacing any earlier function; the function is
 *            called at once with this very call;
 *   method 1 (out function, out user value; either may be null): report them; 1, or 0 for an
 *            object that is not a callback panel.
 * The attached function decides whether the panel's own behaviour runs, by calling the parent
 * handler it is given. */
#ifndef ZANCALLBACKCTRL_H
#define ZANCALLBACKCTRL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct ZanObject;

typedef intptr_t (*ZanParentOperation)(struct ZanObject* object, int interface, int method,
                                       intptr_t a, intptr_t b);
typedef intptr_t (*ZanPanelCallback)(struct ZanObject* object, int interface, int method,
                                     intptr_t a, intptr_t b, int32_t user,
                                     ZanParentOperation parent);

#define ZAN_CALLBACK_PANEL_TYPE 0x62636C70u /* "plcb" in memory order */
#define ZAN_CALLBACK_INTERFACE 500

/* Register the class (value is kept by the object system); 1 when registered, else 0. */
__attribute__((visibility("default"))) int32_t Zan0Init(int32_t value);
__attribute__((visibility("default"))) int32_t ZanCallBackCtrlInit(void);
/* Remove the class; the object system's answer (1 when it was registered). */
__attribute__((visibility("default"))) int32_t Zan0Uninit(void);
__attribute__((visibility("default"))) int32_t ZanCallBackCtrlUninit(void);

#ifdef __cplusplus
}
#endif

#endif /* ZANCALLBACKCTRL_H */
