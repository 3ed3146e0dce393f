/* The current document: its setup, colour model and redraw. */
#ifndef FLARIMOND_DOCUMENT_SUITE_H
#define FLARIMOND_DOCUMENT_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kDocumentSuiteName "AI Document Suite"
#define kDocumentSuiteVersion 7

/* Document colour models. */
#define kDocumentGreyModel 0
#define kDocumentRGBModel 1
#define kDocumentCMYKModel 2

typedef struct HostDocumentSetup {
  HostReal width;  /* page width in points */
  HostReal height; /* page height in points */
  HostBool showPlacedImages;
  int32_t pageTileMode;
} HostDocumentSetup;

typedef struct DocumentSuite {
  /* Copies the document setup; its first two reals are the page width and height. Fails:
   * kHostBadParameterErr for a null setup. [any time] */
  HostErr (*getDocumentSetup)(HostDocumentSetup *setup);
  /* Repaints the document's windows now, also while a modal dialog is open. It has no failure of
   * its own. [any time] */
  HostErr (*redrawDocument)(void);
  /* The document colour model (kDocumentGreyModel, kDocumentRGBModel or kDocumentCMYKModel).
   * Fails: kHostBadParameterErr for a null model. [any time] */
  HostErr (*getDocumentColorModel)(int16_t *model);
} DocumentSuite;

#ifdef __cplusplus
}
#endif

#endif
