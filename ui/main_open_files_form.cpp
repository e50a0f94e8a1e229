// SPDX-License-Identifier: GPL-3.0-or-later
// Files the main window opens from outside: the file named on the command
// line and files dropped on the window, each opened by the kinds its name
// shows (spot, attractor, palette, IFS).

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "attractors/attractor_form.h"
#include "engine/fractal.h"
#include "ifs/ifs_constructor.h"
#include "ifs/ifs_form.h"
#include "platform/dialogs.h"
#include "ui/main_form.h"

void TMainForm::OpenFileArgument(const std::string& name) {
  std::string path = name;
  if (path.find('/') == std::string::npos) path = QDir::currentPath().toStdString() + "/" + path;
  const TFileKinds kind = ClassifyFileName(path);
  if (kind.Spot && FileThere(path)) {
    try {
      Doc->StopThread();
      Doc->LoadSpot(path);
      SetFileCaption(path);
      AddRecentFile(path);
    } catch (const std::exception& e) {
      ShowMessage(e.what());
    }
  }
  if (kind.Attractor) {
    PendingAttractorFile = path;
    PostMessage(FHandle, MSG_OPEN_ATTRACTOR_FILE, 0, 0);
  }
  if (kind.Palette) LoadPaletteFile(path, false);
  if (kind.IFS) {
    PendingIFSFile = path;
    PostMessage(FHandle, MSG_OPEN_IFS_FILE, 0, 0);
  }
}

void TMainForm::OpenDroppedFile(const std::string& path) {
  const TFileKinds kind = ClassifyFileName(path);
  if (kind.Spot) LoadSpotFrom(path, false);
  if (kind.Attractor) OpenAttractorFile(path);
  if (kind.Palette) LoadPaletteFile(path, true);
  if (kind.IFS) OpenIFSFile(path);
  PostJuliaRefresh();
}

void TMainForm::OpenIFSFile(const std::string& path) {
  if (path.empty()) return;
  // A file the constructor cannot read leaves the window as it is.
  if (const std::string problem = IFSFileProblem(path); !problem.empty()) {
    ShowMessage(problem);
    return;
  }
  ShowIFSConstructor();
  IFSForm->LoadFormula(path);
  AddRecentFile(path);
}

void TMainForm::OpenAttractorFile(const std::string& path) {
  if (path.empty()) return;
  ShowAttractors();
  if (!Attract) return;
  Attract->LoadFile(path);
  AddRecentFile(path);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  OpenDroppedFile(urls.front().toLocalFile().toStdString());
}
