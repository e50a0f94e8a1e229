// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The program's version and licence, as "--version" and the About box give them.
const char* ProgramVersion();

// The copyright and licence lines that follow the version.
std::string LicenceNotice();
