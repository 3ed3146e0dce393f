// PDF export: the SVG's picture drawn by cairo onto its PDF surface, one page.
#include <cairo-pdf.h>
#include <cairo.h>

#include <ostream>

#include "export.h"
#include "export_cairo.h"

namespace flhost {

namespace {

cairo_status_t toStream(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::ostream*>(closure);
  out->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
  return out->good() ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

}  // namespace

bool writeDocumentPdf(const Document& doc, std::ostream& out, std::string* error, Frame frame, const PdfInfo& info) {
  const HostRealRect area = exportArea(doc, frame);
  const double width = static_cast<double>(area.right) - area.left;
  const double height = static_cast<double>(area.top) - area.bottom;
  if (!(width > 0) || !(height > 0)) {
    if (error) *error = "nothing to draw at that size";
    return false;
  }
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(toStream, &out, width, height);
  const std::pair<cairo_pdf_metadata_t, const std::string*> fields[] = {{CAIRO_PDF_METADATA_TITLE, &info.title},
                                                                        {CAIRO_PDF_METADATA_SUBJECT, &info.subject},
                                                                        {CAIRO_PDF_METADATA_KEYWORDS, &info.keywords},
                                                                        {CAIRO_PDF_METADATA_CREATOR, &info.creator}};
  for (const auto& [field, text] : fields)
    if (!text->empty()) cairo_pdf_surface_set_metadata(surface, field, text->c_str());
  cairo_t* cr = cairo_create(surface);
  // Artwork y grows upwards: flip it so the page looks as the host shows it.
  cairo_scale(cr, 1, -1);
  cairo_translate(cr, -area.left, -area.top);
  if (frame == Frame::All) {
    cairo_rectangle(cr, 0, 0, doc.pageWidth(), doc.pageHeight());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 160 / 255.0, 160 / 255.0, 160 / 255.0);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
  }
  doc.forEachSlot([&](uint32_t, const ArtView& art) {
    if (!art.segments.empty() && drawable(art)) drawArt(cr, art, 1.0, false, nullptr);
  });
  cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    if (error) *error = status == CAIRO_STATUS_WRITE_ERROR ? "cannot write the PDF" : cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace flhost
