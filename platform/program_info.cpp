// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_info.h"

const char* ProgramVersion() { return PX_VERSION; }

std::string LicenceNotice() {
  return "Copyright (C) 2026 The Pelmorix developers\n"
         "License GPL-3.0-or-later: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.\n";
}
