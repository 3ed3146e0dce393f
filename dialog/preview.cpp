// The live preview: the design drawn into the document from the values being edited.
#include "burst/generate.h"
#include "dialog/dialog_procs.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

// Everything the current call has drawn goes: previews, and any half design a failed one left.
void takeBackPreview() {
  sUndo->undoChanges();
  sDocument->redrawDocument();
}

}  // namespace

HostErr previewDesign(BurstParams* params) {
  if (!params->preview) {
    // The art of an earlier preview would otherwise stay in the document, and a confirm would
    // add the final design on top of it.
    params->previewValid = 0;
    takeBackPreview();
    return 0;
  }
  params->previewValid = 1;
  const HostErr e = generate(params);
  if (e != 0) {
    // Half a design is no preview of these values: Go must draw the design afresh.
    params->previewValid = 0;
    takeBackPreview();
  }
  return e;
}

}  // namespace fl
