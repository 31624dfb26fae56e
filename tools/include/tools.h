/*
 * tools.h: the image tools. Every mat... operation reads an engine layer, never changes it, and
 * returns a new layer that the caller owns and destroys with zanDestroyLayer, or 0 with the
 * reason in the caller's error cell (which may be null).
 *
 * Pixel layouts are those of the engine: rows top to bottom, each row's stride rounded up to a
 * multiple of 4 bytes, 24-bit pixels stored blue, green, red. 16-bit samples are little-endian:
 * the second byte of a sample is its high byte.
 *
 * This header is valid C and C++.
 */
#ifndef TESSALY_TOOLS_H
#define TESSALY_TOOLS_H

#include "zanEngDefs.h"
#include "zanTypes.h"

ZAN_EXTERN_C_BEGIN

/* Reasons written to an operation's error cell. */
#define MAT_OK 0
#define MAT_ERR_FAILED 1        /* memory, a block or layer not made, a filter failed, cancelled */
#define MAT_ERR_ARG 2           /* null layer, null parameters, a parameter out of its range */
#define MAT_ERR_LAYOUT 3        /* the layer's pixel layout is not supported by the operation */
#define MAT_ERR_CANCELLED (-30) /* an arbitrary-angle rotation was cancelled */

/* ---- Progress and cancel ------------------------------------------------------------------- */

typedef void (*ToolProgressProc)(int32_t value, void* user);
/* Non-zero asks the operation to stop. */
typedef int32_t (*ToolCancelProc)(void* user);

/* Progress runs from rangeStart to rangeEnd; the value rangeEnd is reported once, when the
 * operation has finished its work. Either callback may be null. */
typedef struct ToolProgress {
  int32_t rangeStart;
  int32_t rangeEnd;
  void* user;
  ToolProgressProc progress;
  ToolCancelProc cancel;
} ToolProgress;

/* ---- Frames ---------------------------------------------------------------------------------- */

/* A per-pixel operation: fills the destination block from the source block of the same tile
 * (both blocks locked, each with its own stride). Returns 1, or 0 for a failure. */
typedef int32_t (*ToolPixelProc)(BlockHeader* destination, BlockHeader* source,
                                 int32_t bitsPerPixel, void* data);

/* What an operation hands to the per-pixel frame. done counts tiles across the passes of one
 * operation; total 0 lets the frame use the layer's own tile count. */
typedef struct ToolCall {
  const ToolProgress* progress;
  int32_t done;
  int32_t total;
  void* data;
} ToolCall;

/* A neighbourhood filter. source holds srcRect (the tile widened by the margins, clipped to the
 * layer, layer coordinates); destination has the same geometry; both rows are
 * (srcRect width x bytes per pixel) rounded up to 4 bytes apart. The filter writes the pixels of
 * dstRect (the tile) into source (leaving *inPlace 1) or into destination (setting *inPlace 0).
 * Returns 1, or 0 for a failure. */
typedef int32_t (*ToolFilterProc)(unsigned char* destination, unsigned char* source,
                                  const RECT* srcRect, const RECT* dstRect, int32_t bitsPerPixel,
                                  int32_t* inPlace, void* user);

typedef struct TileFilter {
  const ToolProgress* progress;
  int32_t keepMask;
  int32_t marginBefore; /* context needed left of and above a tile */
  int32_t marginAfter;  /* right of and below */
  ToolFilterProc filter;
  void* user;
} TileFilter;

/* Runs operation on every tile of the layer into a new layer. The layer's mask is copied, or with
 * processMask non-zero put through the operation too, as 8-bit tiles. */
ZAN_API zanHandle MatProc_PixelUnCorrelation_Layer(zanHandle layer, ToolPixelProc operation,
                                                   ToolCall* toolCall, int32_t processMask);
/* Runs the filter on every tile of the layer, with margins of context, into a new layer. */
ZAN_API zanHandle MatProc_PixelCorrelation_Layer(zanHandle layer, const TileFilter* tileFilter);

/* ---- Geometry -------------------------------------------------------------------------------- */

/* Positive angles turn the picture counter-clockwise on screen. */
typedef struct RotateParams {
  int32_t angle; /* whole degrees, any value; normalised into 0 ... 359 */
  int32_t sourceWidth;
  int32_t sourceHeight;
  int32_t resultWidth; /* written by the operation: the result's real size */
  int32_t resultHeight;
  int32_t centreX;
  int32_t centreY;
  int32_t useCentre; /* non-zero: the result turns about (centreX, centreY) */
} RotateParams;

/* Quarter turns are exact; other angles resample bilinearly (24-bit and 8-bit grey only). A
 * cancel stores MAT_ERR_CANCELLED. */
ZAN_API zanHandle matRotateLayer(zanHandle layer, RotateParams* params,
                                 const ToolProgress* progress, int32_t* error);

/* angleAndCentre: angle in degrees, centre x, centre y (picture coordinates). */
/* Renders the layer turned about the centre into a new layer covering target. */
ZAN_API zanHandle matRotateLayerEx(const RECT* target, zanHandle layer,
                                   const double* angleAndCentre, const ToolProgress* progress,
                                   int32_t* error);
/* An empty layer with the layer's bits per pixel covering the turned layer's bounding box. */
ZAN_API zanHandle matCreateRotateLayer(zanHandle layer, const double* angleAndCentre);
/* The bounding box of rect turned about the centre. Returns 1, or 0 for a null argument. */
ZAN_API int32_t _matRotateRect(RECT* result, const RECT* rect, const double* angleAndCentre);

/* direction: non-zero mirrors left to right, zero top to bottom. */
typedef struct FlipParams {
  int32_t direction;
} FlipParams;
ZAN_API zanHandle matFlipLayer(zanHandle layer, const FlipParams* params,
                               const ToolProgress* progress, int32_t* error);

/* Every layer of the picture turned (as matRotateLayer turns it, about the canvas's centre) or
 * mirrored within the canvas, and the canvas turned with them; the progress range is shared out
 * evenly between the layers. 1 when done; 0 with the reason in *error, the picture unchanged. */
ZAN_API int32_t _matRotatePicture(zanHandle picture, const RotateParams* params,
                                  const ToolProgress* progress, int32_t* error);
ZAN_API int32_t _matFlipPicture(zanHandle picture, const FlipParams* params,
                                const ToolProgress* progress, int32_t* error);

/* The part of the layer inside the rectangle of cropShape (an 8-bit layer); a null shape gives a
 * copy. A shape that does not overlap the layer gives 0 without an error. */
ZAN_API zanHandle matCropLayer(zanHandle layer, zanHandle cropShape, int32_t* error);

/* Horizontal and vertical ratios; method 2 (or 1 when both shrink) averages areas, any other
 * case repeats pixels. */
typedef struct ResizeRatio {
  int32_t xNumerator;
  int32_t xDenominator;
  int32_t yNumerator;
  int32_t yDenominator;
  int32_t method;
} ResizeRatio;
ZAN_API zanHandle matResize(zanHandle layer, const ResizeRatio* ratio, const ToolProgress* progress,
                            int32_t* error);
/* rect with each coordinate scaled by its ratio (quotients truncated toward zero). Returns 1, or
 * 0 for a null argument or a zero denominator. */
ZAN_API int32_t _matCalcResizeRect(RECT* result, const RECT* rect, const int32_t* xRatio,
                                   const int32_t* yRatio);

/* crop in picture coordinates, then the ratio applied to the cropped part. */
typedef struct CropResizeParams {
  RECT crop;
  ResizeRatio ratio;
} CropResizeParams;
ZAN_API zanHandle matCropResizeLayer(zanHandle layer, const CropResizeParams* params,
                                     const ToolProgress* progress, int32_t* error);
/* The same with the crop (picture coordinates) and the ratio as separate arguments. */
ZAN_API zanHandle _matCropResizeLayerEx(zanHandle layer, const RECT* crop, const ResizeRatio* ratio,
                                        const ToolProgress* progress, int32_t* error);

/* A 3 x 3 matrix stored row by row, applied to row vectors: (x, y) goes to
 * ((m0 x + m3 y + m6) / w, (m1 x + m4 y + m7) / w) with w = m2 x + m5 y + m8, from the source's
 * picture coordinates to the result's. mode 0 samples the nearest pixel, any other bilinearly. */
typedef struct ToolTransform {
  double m[9];
  int32_t mode;
} ToolTransform;
ZAN_API zanHandle matTransform(zanHandle layer, const ToolTransform* transform);
/* The bounding rectangle of the four mapped corners. Returns 1, or 0 for a null argument or a
 * corner mapped to infinity. */
ZAN_API int32_t _matTransformRect(RECT* result, const RECT* rect, const ToolTransform* transform);
/* The transformed layer rendered into a new layer covering target. */
ZAN_API zanHandle matTransformEx(zanHandle layer, const RECT* target,
                                 const ToolTransform* transform);

/* ---- Tone and colour ------------------------------------------------------------------------ */

/* channel: 0 all, 1 red, 2 green, 3 blue. Values out of range are clamped. */
typedef struct BriContParams {
  int16_t brightness;
  int16_t contrast;
  int32_t channel;
} BriContParams;
typedef struct HueSatParams {
  int32_t hue;
  int32_t saturation;
} HueSatParams;
typedef struct ThresholdParams {
  int32_t threshold;
} ThresholdParams;
typedef struct ColorToneParams {
  unsigned char red;
  unsigned char green;
  unsigned char blue;
} ColorToneParams;
typedef struct ColorBalanceParams {
  int32_t red;   /* cyan (-100) to red (100) */
  int32_t green; /* magenta to green */
  int32_t blue;  /* yellow to blue */
  int32_t range; /* 0 shadows, 1 midtones, 2 highlights */
} ColorBalanceParams;
typedef struct ToneAdjustParams {
  int32_t highlight;
  int32_t midtone;
  int32_t shadow;
  int32_t channel;
} ToneAdjustParams;
typedef struct ColorReductionParams {
  int32_t levels;
  int32_t channel;
} ColorReductionParams;
ZAN_API zanHandle matBriAndCont(zanHandle layer, const BriContParams* params,
                                const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matHueAndSaturation(zanHandle layer, const HueSatParams* params,
                                      const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matAutoLevel(zanHandle layer, const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matAutoContrast(zanHandle layer, const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matAutoColor(zanHandle layer, const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matEqualization(zanHandle layer, const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matThreshold(zanHandle layer, const ThresholdParams* params,
                               const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matNegative(zanHandle layer, const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matSepia(zanHandle layer, const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matColorTone(zanHandle layer, const ColorToneParams* params,
                               const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matColorBalance(zanHandle layer, const ColorBalanceParams* params,
                                  const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matToneAdjustment(zanHandle layer, const ToneAdjustParams* params,
                                    const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matColorReduction(zanHandle layer, const ColorReductionParams* params,
                                    const ToolProgress* progress, int32_t* error);
ZAN_API zanHandle matConvertLayer24ToGray(zanHandle layer, int32_t* error);
/* target: 0 8-bit grey, 1 16-bit grey, 2 24-bit, 3 48-bit. */
ZAN_API zanHandle matConvertLayer(zanHandle layer, int32_t target, const ToolProgress* progress,
                                  int32_t* error);

/* colour as the engine's fill values read it (zanSetLayerBits with no data), low 24 bits only:
 * the three bytes from the highest go to a 24-bit pixel's bytes in order (each byte twice at 48
 * bits); 8- and 16-bit pixels take the lowest byte in every byte. */
typedef struct FillParams {
  int32_t colour;
} FillParams;
/* A layer of the source's rectangle, depth and mask with every pixel the colour. */
ZAN_API zanHandle _matFillColor(zanHandle layer, const FillParams* params,
                                const ToolProgress* progress, int32_t* error);

/* ---- Views ----------------------------------------------------------------------------------- */

/* Sets the view's zoom (numerator, denominator; both positive) and returns 1, 0 for bad
 * arguments. With an anchor (view pixels) the scroll position moves so that the anchor stays over
 * the same picture point. Nothing changes when the zoom is the view's already. */
ZAN_API int32_t matZoomView(zanHandle view, const int32_t* zoom, const POINT* anchor);
/* A pointer hook for panning the view with the left button (message 0x201 down, 0x200 move,
 * 0x202 up; lParam holds x in its low and y in its high 16 bits, signed). A move during a drag
 * pans and returns 1; the button going up pans once more when the drag moved and returns whether
 * it panned; everything else returns 0. The scroll stays within the zoomed picture. The caller
 * repaints the view's window when the hook returns 1. One drag at a time, process-wide. */
ZAN_API int32_t matPanProc(zanHandle view, uint32_t message, uintptr_t wParam, intptr_t lParam);

ZAN_EXTERN_C_END

#endif /* TESSALY_TOOLS_H */
