// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows that stand for the whole program when minimised: minimising one
// minimises every other top-level window, restoring it restores them.

class QEvent;
class QWidget;

// Call from the window's changeEvent with the event it got.
void MinimizeWithApplication(QWidget* window, QEvent* event);
