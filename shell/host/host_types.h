/* Records and handles shared by every suite of the host interface.
 *
 * Plain C, usable from the plug-in and the host alike. Every operation that can fail returns a
 * HostErr: 0 for success, otherwise a host code or a four-character code packed big-endian.
 * Reals are single precision; artwork lengths are in points with y growing upwards.
 *
 * The contract of every suite function is in its comment: what it does, how it fails and, as the
 * comment's last word, when it may be called:
 *   [in call]  only while the host is inside a call of the plug-in's entry point; outside one it
 *              fails with kHostNotInCallErr and changes nothing.
 *   [in modal] only while a modal dialog is running (its init procedure included): the handles of
 *              dialogs, items, lists and entries are valid only then, and those of notifiers and
 *              trackers only inside the procedure that received them. Afterwards they are stale.
 *   [any time] whenever the plug-in's code runs.
 * A function that returns a HostErr fails with the codes its comment names and, whatever the
 * comment says, with kHostOutOfMemoryErr when the host runs short of memory; on failure it writes
 * none of its out-arguments unless its comment says otherwise. A function that returns a value
 * cannot report a code: on failure it gives the failure value its comment names.
 */
#ifndef FLARIMOND_HOST_TYPES_H
#define FLARIMOND_HOST_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t HostErr;
typedef int32_t HostBool; /* 0 false, anything else true */
typedef float HostReal;

/* Four characters packed big-endian: the first character in the most significant byte. */
#define HOST_FOURCC(a, b, c, d)                                                                                \
  ((int32_t)(((uint32_t)(uint8_t)(a) << 24) | ((uint32_t)(uint8_t)(b) << 16) | ((uint32_t)(uint8_t)(c) << 8) | \
             (uint32_t)(uint8_t)(d)))

/* Codes the host itself returns. */
#define kHostNoErr 0
#define kHostSuiteNotFoundErr HOST_FOURCC('S', '!', 'F', 'd') /* no suite of that name and version */
#define kHostOutOfMemoryErr (-108)
#define kHostBadParameterErr HOST_FOURCC('P', 'A', 'R', 'M')  /* argument null or out of range */
#define kHostBadHandleErr HOST_FOURCC('H', 'N', 'D', 'L')     /* stale, foreign or null handle */
#define kHostNotFoundErr HOST_FOURCC('N', 'F', 'n', 'd')      /* index or resource that does not exist */
#define kHostTooManyPointsErr HOST_FOURCC('N', 'E', 'S', 'S') /* a path past the host's segment limit */
#define kHostLockedLayerErr HOST_FOURCC('S', 'E', 'G', 'M')   /* art cannot be placed in the document */
#define kHostNotInCallErr HOST_FOURCC('C', 'A', 'L', 'L')     /* needs a document call in progress */

/* Opaque handles. The host checks each one: a stale or foreign handle yields kHostBadHandleErr. */
typedef struct HostPluginOpaque *HostPluginRef;
typedef struct HostArtOpaque *HostArt;
typedef struct HostSwatchOpaque *HostSwatch;
typedef struct HostArtStyleOpaque *HostArtStyle;
typedef struct HostViewOpaque *HostView;
typedef struct HostFilterOpaque *HostFilter;
typedef struct HostMenuItemOpaque *HostMenuItem;
typedef struct HostDialogOpaque *HostDialog;
typedef struct HostItemOpaque *HostItem;
typedef struct HostListOpaque *HostList;
typedef struct HostEntryOpaque *HostEntry;
typedef struct HostNotifierOpaque *HostNotifier;
typedef struct HostTrackerOpaque *HostTracker;

/* A memory handle points at the block's address, so the block is reached as *handle. */
typedef void **HostMemHandle;

/* Artwork rectangle; top >= bottom since y grows upwards. */
typedef struct HostRealRect {
  HostReal left, top, right, bottom;
} HostRealRect;

/* Dialog rectangle in dialog units (pixels), origin at the top left, y growing downwards. */
typedef struct HostIntRect {
  int32_t left, top, right, bottom;
} HostIntRect;

typedef struct HostRealPoint {
  HostReal h, v;
} HostRealPoint;

/* A point in view (window) coordinates. */
typedef struct HostViewPoint {
  int32_t h, v;
} HostViewPoint;

/* One anchor of a path with its two handles. A segment's out-handle and the next anchor's
 * in-handle are the control points of the cubic between them; a closed path adds the cubic
 * from the last anchor back to the first. */
typedef struct HostPathSegment {
  HostRealPoint p;
  HostRealPoint in;
  HostRealPoint out;
  HostBool corner;
} HostPathSegment;

/* Colour kinds. */
#define kHostColorGrey 0  /* one component, ink: 0 white, 1 black */
#define kHostColorFour 1  /* cyan, magenta, yellow, black, each 0..1 */
#define kHostColorSpot 2  /* a named ink at a tint: not a process colour */
#define kHostColorThree 5 /* red, green, blue, each 0..1 */

typedef struct HostSpotColor {
  HostReal tint;       /* 0..1 */
  HostReal c, m, y, k; /* the ink's own process appearance at full tint */
  char name[44];
} HostSpotColor;

/* Colour record: a kind and its components, 68 bytes in all, copied whole. */
typedef struct HostColor {
  int32_t kind;
  union {
    HostReal grey;
    struct {
      HostReal cyan, magenta, yellow, black;
    } four;
    struct {
      HostReal red, green, blue;
    } three;
    HostSpotColor spot;
    uint8_t raw[64];
  } c;
} HostColor;

/* Stroke details that the plug-in copies without reading. */
typedef struct HostStrokeDetails {
  HostReal miterLimit;
  int32_t cap;  /* 0 butt, 1 round, 2 projecting */
  int32_t join; /* 0 miter, 1 round, 2 bevel */
  int32_t dashCount;
  HostReal dashOffset;
  HostReal dash[6];
} HostStrokeDetails;

typedef struct HostPathStyle {
  HostBool fillPaint;
  HostBool strokePaint;
  HostColor fillColor;
  HostColor strokeColor;
  HostReal strokeWidth;
  HostStrokeDetails stroke;
  HostBool evenOddFill;
} HostPathStyle;

/* 2-D affine matrix: (x, y) goes to (a x + c y + tx, b x + d y + ty). Matrices are built by
 * appending operations; a point is moved by the earliest operation first. */
typedef struct HostMatrix {
  HostReal a, b, c, d, tx, ty;
} HostMatrix;

/* Length-prefixed string: byte 0 holds the length (at most 255), no terminator follows. */
typedef unsigned char HostPStr[256];

#ifdef __cplusplus
}
#endif

#if defined(__cplusplus)
static_assert(sizeof(HostColor) == 68, "colour record is 68 bytes");
#else
_Static_assert(sizeof(HostColor) == 68, "colour record is 68 bytes");
#endif

#endif
