// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window under test: a fresh program folder and settings, file
// dialogs that answer from a list, messages collected instead of shown.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "engine/fractal.h"
#include "platform/dialogs.h"
#include "platform/dialogs_qt.h"
#include "platform/program_folder.h"
#include "ui/image_area_form.h"
#include "ui/main_form.h"
#include "ui/settings.h"

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Every action of a menu and its submenus, with the path of captions.
inline void CollectActions(QMenu* menu, const QString& path, std::vector<std::pair<QString, QAction*>>& out) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    out.emplace_back(path + "/" + a->text(), a);
    if (a->menu()) CollectActions(a->menu(), path + "/" + a->text(), out);
  }
}

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/px_main_form_XXXXXX";
    Folder = mkdtemp(tmpl);
    SetProgramFolder(Folder);
    Settings() = TSettings{};
    OldHandler = SetMessageHandler([this](const std::string& text) {
      Messages.push_back(text);
      CaptionAtMessage.push_back(Form ? Form->Caption().toStdString() : "");
    });
    OldHooks = FileDialogHooks();
    auto answer = [this](TFileDialog& d, QWidget*) {
      Dialogs.push_back(d);
      if (Answers.empty()) return false;
      d.FileName = Answers.front();
      Answers.erase(Answers.begin());
      return true;
    };
    FileDialogHooks() = {answer, answer};
  }

  void TearDown() override {
    delete Form;
    Form = nullptr;
    FileDialogHooks() = OldHooks;
    SetMessageHandler(OldHandler);
    SetProgramFolder("");
    Settings() = TSettings{};
    std::error_code ec;
    std::filesystem::remove_all(Folder, ec);
  }

  // Creates the window, shows it and waits for its first render.
  void Start(const std::string& argument = {}) {
    Form = new TMainForm(argument);
    Form->ShowAsSaved();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form));
    Form->activateWindow();
    (void)QTest::qWaitForWindowActive(Form);
    WaitForRender();
  }

  // Processes events until the render has ended and its end was reported.
  void WaitForRender() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (Doc().RenderFinished() && Form->ApplicationTitle() == "Pelmorix") {
        // Serve what the thread posted last.
        QCoreApplication::processEvents();
        return;
      }
      QTest::qWait(2);
    }
    FAIL() << "render did not finish";
  }

  TFractal& Doc() { return *Form->Document(); }
  TPaintSurface* Surface() { return Form->Surface(); }

  QAction* Item(const QString& path) {
    std::vector<std::pair<QString, QAction*>> all;
    for (QAction* top : Form->menuBar()->actions()) {
      if (!top->menu()) continue;
      all.emplace_back(top->text(), top);
      CollectActions(top->menu(), top->text(), all);
    }
    for (auto& [p, a] : all)
      if (p == path) return a;
    ADD_FAILURE() << "no menu item " << path.toStdString();
    return nullptr;
  }

  // The step of the document's window, as the mapping of pixels uses it.
  Extended Step() { return Doc().W / (Doc().Width - 1); }

  std::string Path(const std::string& name) { return Folder + "/" + name; }

  std::string Folder;
  TMainForm* Form = nullptr;
  std::vector<std::string> Messages, CaptionAtMessage;
  std::vector<TFileDialog> Dialogs;
  std::vector<std::string> Answers;
  TMessageHandler OldHandler;
  TFileDialogHooks OldHooks;
};
