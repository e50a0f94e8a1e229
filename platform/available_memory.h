// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How much memory this process can still take: the system's available
// memory (what it can give without swapping out others), within the
// process's address-space limit and its control group's limit, whichever
// is smallest.

#include <cstdint>

uint64_t AvailableMemoryBytes();
