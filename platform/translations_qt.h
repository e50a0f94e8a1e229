// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program in the user's language: the program's own catalogue
// (pelmorix_<language>.qm in the data folder's "translations") and Qt's (the
// texts of standard buttons and dialogs), where they exist.

class QCoreApplication;

void InstallTranslations(QCoreApplication& app);
