// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// pelmorix-render's drawing of single-IFS files (".fri").

#include <cstdint>
#include <string>

class TFractal;

// True when the file name ends in ".fri" (any case).
bool IsIFSFilePath(const std::string& path);

// Makes `doc` draw the IFS of a ".fri" file as the IFS constructor shows it:
// the file's set becomes the working set and the document takes formula 1001
// on IFS number 10000 with the file's window, palette and MaxIter (`maxIter`
// instead when above 0; the iteration limit no longer follows the zoom).
// The render starts. Throws TConvertError for a value that is not a number
// (or a window with no picture) and std::runtime_error for a file that
// cannot be read or is not an IFS file, with nothing changed. Returns a note
// for the user ("" when none), such as transforms left out beyond 30.
std::string LoadIFSForRender(const std::string& path, TFractal& doc, int32_t maxIter);

// Loads the IFS library "px.ifs" of the data folder, as the program does at
// start-up; returns what went wrong reading it (empty when nothing did).
std::string LoadProgramIFSLibrary();
