// The PDF carrier: the description in the PDF's document information, read with poppler.
#include "design_file.h"

#ifdef FLARIMOND_HAVE_PDF_READER
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>

#include <climits>
#include <memory>
#endif

namespace fltools {

flhost::PdfInfo designPdfInfo(const DesignRecord& design) {
  return {"Flarimond design", designJson(design), std::string(kDesignPdfKeywords), "flarimond"};
}

#ifdef FLARIMOND_HAVE_PDF_READER

namespace {

std::string utf8(const poppler::ustring& text) {
  poppler::byte_array bytes = text.to_utf8();
  return std::string(bytes.begin(), bytes.end());
}

void quiet(const std::string&, void*) {}

}  // namespace

std::vector<CarriedText> pdfDescriptions(const std::string& bytes, std::string_view name) {
  if (bytes.compare(0, 5, "%PDF-") != 0) throw ToolError(std::string(name) + ": not a PDF file");
  if (bytes.size() > INT_MAX) throw ToolError(std::string(name) + ": too large a PDF");
  poppler::set_debug_error_function(quiet, nullptr);  // its complaints are not the user's concern
  std::unique_ptr<poppler::document> pdf(
      poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
  if (!pdf) throw ToolError(std::string(name) + ": the PDF cannot be read");
  if (pdf->is_locked()) throw ToolError(std::string(name) + ": the PDF is encrypted");
  std::vector<CarriedText> found;
  if (utf8(pdf->info_key("Keywords")) == kDesignPdfKeywords) {
    CarriedText t;
    t.text = utf8(pdf->info_key("Subject"));
    found.push_back(std::move(t));
  }
  return found;
}

#else

std::vector<CarriedText> pdfDescriptions(const std::string&, std::string_view name) {
  throw ToolError(std::string(name) + ": reading PDF files is not available in this build");
}

#endif

}  // namespace fltools
