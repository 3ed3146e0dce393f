// The artwork side of the host interface: every "SP" and "AI" suite over the current Session and
// its Document. Each function counts itself and honours injected faults before it does anything.
#include "ai_suites.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <optional>
#include <span>
#include <string>

#include "document.h"
#include "faults.h"
#include "geometry.h"
#include "handles.h"
#include "host_memory.h"
#include "host_context.h"
#include "session.h"
#include "color.h"
#include "suites.h"

namespace flhost {
namespace {

#define HOST_OP(name) \
  if (HostErr fault_ = hostFaults().enter(name)) return fault_
#define HOST_VALUE_OP(name, failure) \
  if (hostFaults().enter(name)) return failure

Session& session() { return *Session::current(); }

// ---- SP Blocks, SP Access, MdMemory -------------------------------------------------------

HostErr allocateBlock(int32_t size, const char*, void** block) {
  HOST_OP("blocks.allocateBlock");
  return guarded([&] { return hostMemory().allocateBlock(size, block); });
}
HostErr freeBlock(void* block) {
  HOST_OP("blocks.freeBlock");
  return guarded([&] { return hostMemory().freeBlock(block); });
}
const BlocksSuite kBlocks = {allocateBlock, freeBlock};

HostErr getModulePath(HostPluginRef plugin, char* buffer, int32_t size) {
  HOST_OP("access.getModulePath");
  if (plugin != hostPluginRef()) return kHostBadHandleErr;
  if (!buffer || size <= 0) return kHostBadParameterErr;
  return guarded([&] {
    std::string path = session().modulePath().string();
    std::snprintf(buffer, static_cast<size_t>(size), "%s", path.c_str());
    return kHostNoErr;
  });
}
const AccessSuite kAccess = {getModulePath};

HostErr newHandle(int32_t size, HostMemHandle* handle) {
  HOST_OP("memory.newHandle");
  return guarded([&] { return hostMemory().newHandle(size, handle); });
}
HostErr disposeHandle(HostMemHandle handle) {
  HOST_OP("memory.disposeHandle");
  return guarded([&] { return hostMemory().disposeHandle(handle); });
}
HostErr getHandleSize(HostMemHandle handle, int32_t* size) {
  HOST_OP("memory.getHandleSize");
  return guarded([&] { return hostMemory().handleSize(handle, size); });
}
const MemorySuite kMemory = {newHandle, disposeHandle, getHandleSize};

// ---- Real maths ------------------------------------------------------------------------------

HostReal divide(HostReal a, HostReal b) {
  HOST_VALUE_OP("math.divide", 0.0f);
  return b == 0.0f ? 0.0f : a / b;
}
HostReal degreeToRadian(HostReal degrees) {
  HOST_VALUE_OP("math.degreeToRadian", 0.0f);
  return degrees * (3.14159265358979323846f / 180.0f);
}
HostReal radianToDegree(HostReal radians) {
  HOST_VALUE_OP("math.radianToDegree", 0.0f);
  return radians * (180.0f / 3.14159265358979323846f);
}
HostReal pointAngle(const HostRealPoint* a, const HostRealPoint* b) {
  HOST_VALUE_OP("math.pointAngle", 0.0f);
  if (!a || !b) return 0.0f;
  return std::atan2(a->v - b->v, a->h - b->h);
}
void matrixSetIdentity(HostMatrix* m) {
  if (hostFaults().enter("math.matrixSetIdentity") || !m) return;
  *m = identityMatrix();
}
void matrixSetTranslate(HostMatrix* m, HostReal tx, HostReal ty) {
  if (hostFaults().enter("math.matrixSetTranslate") || !m) return;
  *m = translation(tx, ty);
}
void matrixConcatTranslate(HostMatrix* m, HostReal tx, HostReal ty) {
  if (hostFaults().enter("math.matrixConcatTranslate") || !m) return;
  *m = concat(*m, translation(tx, ty));
}
void matrixConcatScale(HostMatrix* m, HostReal sx, HostReal sy) {
  if (hostFaults().enter("math.matrixConcatScale") || !m) return;
  *m = concat(*m, scaling(sx, sy));
}
void matrixConcatRotate(HostMatrix* m, HostReal angle) {
  if (hostFaults().enter("math.matrixConcatRotate") || !m) return;
  *m = concat(*m, rotation(angle));
}
void matrixTransformPoint(const HostMatrix* m, const HostRealPoint* p, HostRealPoint* out) {
  if (hostFaults().enter("math.matrixTransformPoint") || !m || !p || !out) return;
  *out = apply(*m, *p);
}
const RealMathSuite kRealMath = {divide,
                                 degreeToRadian,
                                 radianToDegree,
                                 pointAngle,
                                 matrixSetIdentity,
                                 matrixSetTranslate,
                                 matrixConcatTranslate,
                                 matrixConcatScale,
                                 matrixConcatRotate,
                                 matrixTransformPoint};

// ---- Art -------------------------------------------------------------------------------------

// Art can only change inside a plug-in call: that is what the undo journal covers.
HostErr needCall() { return hostDocument().inCall() ? kHostNoErr : kHostNotInCallErr; }

HostErr newArt(int16_t kind, int16_t paintOrder, HostArt reference, HostArt* art) {
  HOST_OP("art.newArt");
  if (HostErr e = needCall()) return e;
  return guarded([&] { return hostDocument().newArt(kind, paintOrder, reference, art); });
}
HostErr duplicateArt(HostArt art, int16_t paintOrder, HostArt reference, HostArt* copy) {
  HOST_OP("art.duplicateArt");
  if (HostErr e = needCall()) return e;
  return guarded([&] { return hostDocument().duplicateArt(art, paintOrder, reference, copy); });
}
HostErr disposeArt(HostArt art) {
  HOST_OP("art.disposeArt");
  if (HostErr e = needCall()) return e;
  return guarded([&] { return hostDocument().disposeArt(art); });
}
HostErr getArtType(HostArt art, int16_t* kind) {
  HOST_OP("art.getArtType");
  if (!kind) return kHostBadParameterErr;
  if (!hostDocument().segments(art)) return kHostBadHandleErr;
  *kind = kHostArtPath;
  return kHostNoErr;
}
HostErr getArtBounds(HostArt art, HostRealRect* bounds) {
  HOST_OP("art.getArtBounds");
  if (!bounds) return kHostBadParameterErr;
  auto b = hostDocument().bounds(art);
  if (!b) return kHostBadHandleErr;
  *bounds = *b;
  return kHostNoErr;
}
const ArtSuite kArt = {newArt, duplicateArt, disposeArt, getArtType, getArtBounds};

// ---- User (text and numbers) -----------------------------------------------------------------

HostErr textToReal(const unsigned char* text, HostReal* value) {
  HOST_OP("user.textToReal");
  if (!text || !value) return kHostBadParameterErr;
  char buffer[256];
  std::memcpy(buffer, text + 1, text[0]);
  buffer[text[0]] = 0;
  char* end = nullptr;
  double v = std::strtod(buffer, &end);
  if (end == buffer) return kHostBadParameterErr;
  *value = static_cast<HostReal>(v);
  return kHostNoErr;
}
HostErr realToText(HostReal value, int16_t precision, unsigned char* text) {
  HOST_OP("user.realToText");
  if (!text || precision < 0 || precision > 20) return kHostBadParameterErr;
  char buffer[512];
  int n = std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(precision), static_cast<double>(value));
  if (n < 0 || n > 255) return kHostBadParameterErr;
  text[0] = static_cast<unsigned char>(n);
  std::memcpy(text + 1, buffer, static_cast<size_t>(n));
  return kHostNoErr;
}
const UserSuite kUser = {textToReal, realToText};

// ---- Document, views, undo -------------------------------------------------------------------

HostErr getDocumentSetup(HostDocumentSetup* setup) {
  HOST_OP("document.getDocumentSetup");
  if (!setup) return kHostBadParameterErr;
  *setup = HostDocumentSetup{hostDocument().pageWidth(), hostDocument().pageHeight(), 1, 0};
  return kHostNoErr;
}
HostErr redrawDocument() {
  HOST_OP("document.redrawDocument");
  hostDocument().redraw();
  return kHostNoErr;
}
HostErr getDocumentColorModel(int16_t* model) {
  HOST_OP("document.getDocumentColorModel");
  if (!model) return kHostBadParameterErr;
  *model = hostDocument().colorModel();
  return kHostNoErr;
}
const DocumentSuite kDocumentSuite = {getDocumentSetup, redrawDocument, getDocumentColorModel};

// The document has one view, the front one.
HostView frontView() { return encodeHandle<HostView>(0, 0, kSaltView); }
bool isFrontView(HostView view) {
  auto bits = decodeHandle(view, kSaltView);
  return bits && bits->index == 0 && bits->generation == 0;
}

HostErr countViews(int32_t* count) {
  HOST_OP("view.countViews");
  if (!count) return kHostBadParameterErr;
  *count = 1;
  return kHostNoErr;
}
HostErr getNthView(int32_t n, HostView* view) {
  HOST_OP("view.getNthView");
  if (!view) return kHostBadParameterErr;
  if (n != 0) return kHostNotFoundErr;
  *view = frontView();
  return kHostNoErr;
}
HostErr getViewCenter(HostView view, HostRealPoint* centre) {
  HOST_OP("view.getViewCenter");
  if (!isFrontView(view)) return kHostBadHandleErr;
  if (!centre) return kHostBadParameterErr;
  *centre = hostDocument().viewCentre();
  return kHostNoErr;
}
HostErr getViewZoom(HostView view, HostReal* zoom) {
  HOST_OP("view.getViewZoom");
  if (!isFrontView(view)) return kHostBadHandleErr;
  if (!zoom) return kHostBadParameterErr;
  *zoom = hostDocument().viewZoom();
  return kHostNoErr;
}
HostErr setViewZoom(HostView view, HostReal zoom) {
  HOST_OP("view.setViewZoom");
  if (!isFrontView(view)) return kHostBadHandleErr;
  return hostDocument().setViewZoom(zoom);
}
HostErr viewPointToArtworkPoint(HostView view, const HostViewPoint* point, HostRealPoint* artwork) {
  HOST_OP("view.viewPointToArtworkPoint");
  if (!isFrontView(view)) return kHostBadHandleErr;
  if (!point || !artwork) return kHostBadParameterErr;
  *artwork = hostDocument().viewToArtwork(*point);
  return kHostNoErr;
}
HostErr artworkPointToViewPoint(HostView view, const HostRealPoint* artwork, HostViewPoint* point) {
  HOST_OP("view.artworkPointToViewPoint");
  if (!isFrontView(view)) return kHostBadHandleErr;
  if (!point || !artwork || !isFinite(*artwork)) return kHostBadParameterErr;
  *point = hostDocument().artworkToView(*artwork);
  return kHostNoErr;
}
const DocumentViewSuite kView = {
    countViews, getNthView, getViewCenter, getViewZoom, setViewZoom, viewPointToArtworkPoint, artworkPointToViewPoint};

HostErr undoChanges() {
  HOST_OP("undo.undoChanges");
  return guarded([&] {
    HostErr e = hostDocument().undoCall();
    if (e == 0) session().random().markDrawingStart();
    return e;
  });
}
const UndoSuite kUndo = {undoChanges};

// ---- Paths -----------------------------------------------------------------------------------

HostErr getPathSegmentCount(HostArt art, int16_t* count) {
  HOST_OP("path.getPathSegmentCount");
  if (!count) return kHostBadParameterErr;
  auto a = hostDocument().segments(art);
  if (!a) return kHostBadHandleErr;
  *count = static_cast<int16_t>(a->size());
  return kHostNoErr;
}
HostErr setPathSegmentCount(HostArt art, int16_t count) {
  HOST_OP("path.setPathSegmentCount");
  if (count < 0) return kHostBadParameterErr;
  if (count > kHostMaxPathSegments) return kHostTooManyPointsErr;
  if (HostErr e = needCall()) return e;
  return guarded([&] { return hostDocument().setSegmentCount(art, static_cast<size_t>(count)); });
}
HostErr getPathSegments(HostArt art, int16_t index, int16_t count, HostPathSegment* segments) {
  HOST_OP("path.getPathSegments");
  auto a = hostDocument().segments(art);
  if (!a) return kHostBadHandleErr;
  if (!segments || index < 0 || count < 0 || static_cast<size_t>(index) + count > a->size())
    return kHostBadParameterErr;
  std::memcpy(segments, a->data() + index, sizeof(HostPathSegment) * static_cast<size_t>(count));
  return kHostNoErr;
}
HostErr setPathSegments(HostArt art, int16_t index, int16_t count, const HostPathSegment* segments) {
  HOST_OP("path.setPathSegments");
  if (HostErr e = needCall()) return e;
  auto current = hostDocument().segments(art);
  if (!current) return kHostBadHandleErr;
  if (!segments || index < 0 || count < 0 || static_cast<size_t>(index) > current->size()) return kHostBadParameterErr;
  if (static_cast<int32_t>(index) + count > kHostMaxPathSegments) return kHostTooManyPointsErr;
  if (!isFinite(std::span(segments, static_cast<size_t>(count)))) return kHostBadParameterErr;
  return guarded([&] {
    return hostDocument().setSegments(art, static_cast<size_t>(index), {segments, static_cast<size_t>(count)});
  });
}
HostErr getPathClosed(HostArt art, HostBool* closed) {
  HOST_OP("path.getPathClosed");
  if (!closed) return kHostBadParameterErr;
  auto a = hostDocument().find(art);
  if (!a) return kHostBadHandleErr;
  *closed = a->closed ? 1 : 0;
  return kHostNoErr;
}
HostErr setPathClosed(HostArt art, HostBool closed) {
  HOST_OP("path.setPathClosed");
  if (HostErr e = needCall()) return e;
  return guarded([&] { return hostDocument().setClosed(art, closed != 0); });
}
const PathSuite kPath = {getPathSegmentCount, setPathSegmentCount, getPathSegments,
                         setPathSegments,     getPathClosed,       setPathClosed};

// ---- Path styles, opacity --------------------------------------------------------------------

HostErr getPathStyle(HostArt art, HostPathStyle* style) {
  HOST_OP("pathStyle.getPathStyle");
  if (!style) return kHostBadParameterErr;
  auto a = hostDocument().find(art);
  if (!a) return kHostBadHandleErr;
  *style = a->style;
  return kHostNoErr;
}
HostErr setPathStyle(HostArt art, const HostPathStyle* style) {
  HOST_OP("pathStyle.setPathStyle");
  if (!style || !isFinite(*style)) return kHostBadParameterErr;
  if (HostErr e = needCall()) return e;
  return guarded([&] { return hostDocument().setStyle(art, *style); });
}
HostErr interpolatePathStyle(const HostPathStyle* first, const HostPathStyle* second, HostPathStyle* result,
                             HostReal fraction) {
  HOST_OP("pathStyle.interpolatePathStyle");
  if (!first || !second || !result) return kHostBadParameterErr;
  HostPathStyle blend = blendPathStyles(*first, *second, fraction);
  if (!isFinite(blend)) return kHostBadParameterErr;
  *result = blend;
  return kHostNoErr;
}
const PathStyleSuite kPathStyle = {getPathStyle, setPathStyle, interpolatePathStyle};

HostReal getOpacity(HostArt art) {
  HOST_VALUE_OP("blend.getOpacity", 1.0f);
  auto a = hostDocument().find(art);
  return a ? a->opacity : 1.0f;
}
HostErr setOpacity(HostArt art, HostReal opacity) {
  HOST_OP("blend.setOpacity");
  if (std::isnan(opacity)) return kHostBadParameterErr;
  if (HostErr e = needCall()) return e;
  return guarded([&] { return hostDocument().setOpacity(art, std::fmin(1.0f, std::fmax(0.0f, opacity))); });
}
const BlendStyleSuite kBlend = {getOpacity, setOpacity};

HostReal floatRandom() {
  HOST_VALUE_OP("random.floatRandom", 0.0f);
  return session().random().next();
}
const RandomSuite kRandom = {floatRandom};

// ---- Swatches, art styles, transforms --------------------------------------------------------

int32_t countSwatches(void* list) {
  HOST_VALUE_OP("swatches.countSwatches", 0);
  if (list) return 0;
  return static_cast<int32_t>(hostDocument().swatches().size());
}
HostSwatch getNthSwatch(void* list, int32_t n) {
  HOST_VALUE_OP("swatches.getNthSwatch", nullptr);
  if (list || n < 0 || static_cast<size_t>(n) >= hostDocument().swatches().size()) return nullptr;
  return encodeHandle<HostSwatch>(static_cast<uint32_t>(n), 0, kSaltSwatch);
}
const Swatch* findSwatch(HostSwatch swatch) {
  auto bits = decodeHandle(swatch, kSaltSwatch);
  if (!bits || bits->generation != 0 || bits->index >= hostDocument().swatches().size()) return nullptr;
  return &hostDocument().swatches()[bits->index];
}
HostErr getSwatchColor(HostSwatch swatch, HostColor* color) {
  HOST_OP("swatches.getSwatchColor");
  const Swatch* s = findSwatch(swatch);
  if (!s) return kHostBadHandleErr;
  if (!color) return kHostBadParameterErr;
  *color = s->color;
  return kHostNoErr;
}
HostErr getSwatchName(HostSwatch swatch, char* buffer, int32_t size) {
  HOST_OP("swatches.getSwatchName");
  const Swatch* s = findSwatch(swatch);
  if (!s) return kHostBadHandleErr;
  if (!buffer || size <= 0) return kHostBadParameterErr;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", s->name.c_str());
  return kHostNoErr;
}
const SwatchListSuite kSwatches = {countSwatches, getNthSwatch, getSwatchColor, getSwatchName};

HostErr transformArt(HostArt art, const HostMatrix* matrix, HostReal lineScale, int32_t flags) {
  HOST_OP("transform.transformArt");
  if (!matrix || !isFinite(*matrix)) return kHostBadParameterErr;
  if (HostErr e = needCall()) return e;
  // The document refuses a move that carries a point past the largest float, or a stroke width
  // scaled past it, and leaves the art as it was.
  std::optional<float> scaleLines;
  if (flags & kTransformScaleLines) scaleLines = lineScale;
  return guarded([&] { return hostDocument().transform(art, *matrix, (flags & kTransformObjects) != 0, scaleLines); });
}

const TransformArtSuite kTransform = {transformArt};

const NamedArtStyle* findArtStyle(HostArtStyle style, int32_t* index) {
  auto bits = decodeHandle(style, kSaltArtStyle);
  if (!bits || bits->generation != 0 || bits->index >= hostDocument().artStyles().size()) return nullptr;
  if (index) *index = static_cast<int32_t>(bits->index);
  return &hostDocument().artStyles()[bits->index];
}
HostErr countNamedArtStyles(int32_t* count) {
  HOST_OP("artStyle.countNamedArtStyles");
  if (!count) return kHostBadParameterErr;
  *count = static_cast<int32_t>(hostDocument().artStyles().size());
  return kHostNoErr;
}
HostErr getNthNamedArtStyle(int32_t n, HostArtStyle* style) {
  HOST_OP("artStyle.getNthNamedArtStyle");
  if (!style) return kHostBadParameterErr;
  if (n < 0 || static_cast<size_t>(n) >= hostDocument().artStyles().size()) return kHostNotFoundErr;
  *style = encodeHandle<HostArtStyle>(static_cast<uint32_t>(n), 0, kSaltArtStyle);
  return kHostNoErr;
}
HostErr applyArtStyle(HostArt art, HostArtStyle style) {
  HOST_OP("artStyle.applyArtStyle");
  int32_t index = -1;
  const NamedArtStyle* s = findArtStyle(style, &index);
  if (!s) return kHostBadHandleErr;
  if (HostErr e = needCall()) return e;
  return guarded([&] { return hostDocument().applyArtStyle(art, index); });
}
HostErr getArtStyleName(HostArtStyle style, char* buffer, int32_t size) {
  HOST_OP("artStyle.getArtStyleName");
  const NamedArtStyle* s = findArtStyle(style, nullptr);
  if (!s) return kHostBadHandleErr;
  if (!buffer || size <= 0) return kHostBadParameterErr;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", s->name.c_str());
  return kHostNoErr;
}
const ArtStyleSuite kArtStyle = {countNamedArtStyles, getNthNamedArtStyle, applyArtStyle, getArtStyleName};

// ---- Menus and filters -----------------------------------------------------------------------

HostErr updateMenuItemAutomatically(HostMenuItem item, int32_t action, int32_t artIncluded, int32_t artExcluded,
                                    int32_t selectedIncluded, int32_t selectedExcluded, int32_t documentIncluded,
                                    int32_t documentExcluded) {
  HOST_OP("menu.updateMenuItemAutomatically");
  return guarded([&] {
    return session().updateMenuItem(item, {action, artIncluded, artExcluded, selectedIncluded, selectedExcluded,
                                           documentIncluded, documentExcluded});
  });
}
const MenuSuite kMenu = {updateMenuItemAutomatically};

HostErr addFilter(HostPluginRef plugin, const char* name, const HostFilterTitle* title, int32_t options,
                  HostFilter* filter) {
  HOST_OP("filter.addFilter");
  if (!name || !title || !title->category || !title->title || !filter) return kHostBadParameterErr;
  return guarded([&] { return session().addFilter(plugin, name, title->category, title->title, options, filter); });
}
HostErr getFilterMenuItem(HostFilter filter, HostMenuItem* item) {
  HOST_OP("filter.getFilterMenuItem");
  if (!item) return kHostBadParameterErr;
  return session().filterMenuItem(filter, item);
}
const FilterSuite kFilter = {addFilter, getFilterMenuItem};

struct SuiteEntry {
  const char* name;
  int32_t version;
  const void* table;
};

const SuiteEntry kSuites[] = {
    {kBlocksSuiteName, kBlocksSuiteVersion, &kBlocks},
    {kAccessSuiteName, kAccessSuiteVersion, &kAccess},
    {kMemorySuiteName, kMemorySuiteVersion, &kMemory},
    {kRealMathSuiteName, kRealMathSuiteVersion, &kRealMath},
    {kArtSuiteName, kArtSuiteVersion, &kArt},
    {kUserSuiteName, kUserSuiteVersion, &kUser},
    {kDocumentSuiteName, kDocumentSuiteVersion, &kDocumentSuite},
    {kDocumentViewSuiteName, kDocumentViewSuiteVersion, &kView},
    {kUndoSuiteName, kUndoSuiteVersion, &kUndo},
    {kPathSuiteName, kPathSuiteVersion, &kPath},
    {kPathStyleSuiteName, kPathStyleSuiteVersion, &kPathStyle},
    {kRandomSuiteName, kRandomSuiteVersion, &kRandom},
    {kBlendStyleSuiteName, kBlendStyleSuiteVersion, &kBlend},
    {kSwatchListSuiteName, kSwatchListSuiteVersion, &kSwatches},
    {kTransformArtSuiteName, kTransformArtSuiteVersion, &kTransform},
    {kArtStyleSuiteName, kArtStyleSuiteVersion, &kArtStyle},
    {kMenuSuiteName, kMenuSuiteVersion, &kMenu},
    {kFilterSuiteName, kFilterSuiteVersion, &kFilter},
};

}  // namespace

const void* findAiSuite(std::string_view name, int32_t version) {
  for (const SuiteEntry& s : kSuites)
    if (name == s.name && version == s.version) return s.table;
  return nullptr;
}

}  // namespace flhost
