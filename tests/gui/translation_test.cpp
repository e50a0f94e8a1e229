// SPDX-License-Identifier: GPL-3.0-or-later
// The program under a translator: every text it asks for comes back marked
// with its context, so a text that reaches the user untranslated, or under
// a context the catalogue does not file it in, shows.
#include <gtest/gtest.h>

#include <functional>

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>

#include "tests/gui/main_form_fixture.h"

namespace {

class TMarkingTranslator : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (!source || !*source) return {};
    return QString("[%1]%2").arg(QString::fromUtf8(context), QString::fromUtf8(source));
  }
};

class TranslationTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    ASSERT_TRUE(QCoreApplication::installTranslator(&Translator));
  }
  void TearDown() override {
    QCoreApplication::removeTranslator(&Translator);
    MainFormTest::TearDown();
  }

  // The modal window `grab` reads while the next call runs, closed after.
  template <typename TWindow>
  void ReadModal(std::function<void(TWindow*)> grab) {
    QTimer::singleShot(0, [grab] {
      if (auto* w = qobject_cast<TWindow*>(QApplication::activeModalWidget())) {
        grab(w);
        w->close();
      }
    });
  }

  TMarkingTranslator Translator;
};

}  // namespace

TEST_F(TranslationTest, EveryMenuItemIsTranslated) {
  Start();
  std::vector<std::pair<QString, QAction*>> all;
  for (QAction* top : Form->menuBar()->actions()) {
    all.emplace_back(top->text(), top);
    if (top->menu()) CollectActions(top->menu(), top->text(), all);
  }
  ASSERT_GT(all.size(), 40u);
  // The sizes of "Fractal size" are numbers, which no language changes.
  const QRegularExpression size("^\\d+ x \\d+$");
  for (const auto& [path, action] : all)
    EXPECT_TRUE(action->text().startsWith("[TMainForm]") || size.match(action->text()).hasMatch())
        << path.toStdString();
  EXPECT_NE(Item("[TMainForm]&File/[TMainForm]&Load spot..."), nullptr);
}

// Qt-free code hands over marked texts; the message box and the file dialog
// translate them.
TEST_F(TranslationTest, MessageBoxesAndFileDialogsTranslateWhatTheyAreGiven) {
  InstallQtMessageHandler();
  QString message;
  ReadModal<QMessageBox>([&](QMessageBox* box) { message = box->text(); });
  ShowMessage("No DLL !!!");
  EXPECT_EQ(message, "[Message]No DLL !!!");

  FileDialogHooks() = {};
  TFileDialog dialog;
  dialog.Title = "Open fractal spot";
  dialog.Filter = "Fractal spots (*.frs)|*.frs|All files (*.*)|*.*";
  QString title;
  QStringList types;
  ReadModal<QFileDialog>([&](QFileDialog* d) {
    title = d->windowTitle();
    types = d->nameFilters();
  });
  EXPECT_FALSE(RunOpenDialog(dialog, nullptr));
  EXPECT_EQ(title, "[FileDialog]Open fractal spot");
  EXPECT_EQ(types, QStringList({"[FileDialog]Fractal spots (*.frs)", "All files (*)"}));
}
