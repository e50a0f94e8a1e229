// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/translations_qt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>

#include "platform/program_folder.h"

namespace {

void Install(QCoreApplication& app, const QString& name, const QString& folder) {
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale(), name, "_", folder))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

}  // namespace

void InstallTranslations(QCoreApplication& app) {
  Install(app, "qtbase", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  Install(app, "pelmorix", QString::fromStdString(DataFile("translations")));
}
