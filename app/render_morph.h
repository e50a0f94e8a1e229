// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// pelmorix-render --morph: the IFS morph of two ".fri" files or the
// attractor morph of two ".fr3" files, rendered without windows into a clip
// with the frame loops of the movie windows.

#include <string>
#include <vector>

bool IsMorphCommand(const std::vector<std::string>& args);
std::string MorphUsage();

// Parses, renders and writes; returns the exit status (0 written, 1 failed,
// 130 interrupted: the clip then holds the frames written before).
int RunMorphCommand(const std::vector<std::string>& args);
