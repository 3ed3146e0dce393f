// The files the program reads (parameter records, swatch lists, dialog scripts): small regular
// files, read whole, every problem named with the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace fltools {

// The largest input file read: a parameter record is 336 bytes (about 3 KiB as JSON), a swatch
// list of the 10,000 swatches allowed or a script of 50,000 actions fits well within it.
inline constexpr std::uintmax_t kMaxInputBytes = 1024 * 1024;

// The whole content of an input file. It is opened without waiting for a writer (so a FIFO does
// not hang the program) and then refused unless it is a regular file of at most maxBytes.
// ToolError "NAME: REASON" with the file as given: "no such file", "is a FIFO, not a regular
// file", "is larger than 1 MiB (N bytes)", "cannot read: " and the system's reason.
std::string readInputFile(const std::filesystem::path& path, std::uintmax_t maxBytes = kMaxInputBytes);

// What a file that is not a regular file is, for messages: "a directory", "a FIFO", ...
std::string notRegularFileText(std::filesystem::file_type type);

}  // namespace fltools
