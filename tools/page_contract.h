// What the browser page and `serve` must agree on, declared here once: the headers the page sends,
// the host's item kinds and the page's word for each, the emphasised font, and the geometry's
// layout (document_geometry.h). The page does not repeat them: it loads them as the script
// /contract.js, which the server makes from these declarations (pageContractScript), and its
// drawing workers load the same script.
#pragma once

#include <string>

namespace fltools {

// The claim's token, sent with every request of the tab that drives the dialog.
inline constexpr const char* kTokenHeader = "X-Flarimond-Token";
// The document revision the page holds: answers carry only the change since.
inline constexpr const char* kRevisionHeader = "X-Flarimond-Revision";
// The newest variant of the history the page holds: answers list only the newer ones.
inline constexpr const char* kHistoryHeader = "X-Flarimond-History";

// The answers a page reads as geometry (documentGeometryBytes, the state in its header): asked for
// with this type in Accept, sent with it as Content-Type.
inline constexpr const char* kGeometryType = "application/vnd.flarimond.geometry";

// The script: `self.FlarimondContract = {...}`, frozen, for the page and for its workers.
std::string pageContractScript();

}  // namespace fltools
