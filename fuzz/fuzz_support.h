// Scratch files for fuzz targets whose code under test reads from disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "text/text.h"

// A per-process scratch folder (created once, kept between inputs).
const WString& ScratchFolder();
// Writes the bytes to ScratchFolder()/name and returns the path.
WString WriteScratchFile(const char16_t* name, const uint8_t* data, size_t size);
// Removes everything inside the scratch folder.
void ClearScratch();
// Removes the scratch folder itself, at the end of a run over inputs.
void RemoveScratch();
