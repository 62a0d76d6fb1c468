// Loading the macro file named on the command line.
#pragma once

#include <cstdio>
#include <string>

enum TLoadResult { lrLoaded, lrNoFileName, lrCannotOpen };

// Fills `text` with the file named by the only argument, or, when that name
// cannot be opened, with the file of that name plus ".qrn". A directory counts
// as a file that cannot be opened, and a file that fails while it is read is
// not run half-loaded: both report lrCannotOpen.
TLoadResult LoadScript(int argc, char** argv, std::string& text);

// Appends everything `file` holds to `text`, every byte value included, with
// each CR LF pair turned into a single LF; a CR not followed by LF is kept.
// Returns false when reading fails.
bool ReadScript(std::FILE* file, std::string& text);
