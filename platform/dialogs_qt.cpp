// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dialogs_qt.h"

#include <cctype>

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QWidget>

#include "platform/dialogs.h"
#include "platform/messages.h"

namespace {

QString FromStd(const std::string& s) { return QString::fromStdString(s); }

// The texts of message boxes and file dialogs come from Qt-free code, which
// only marks them (platform/translatable.h): they are translated here.
QString Translated(const char* context, const std::string& text) {
  return QCoreApplication::translate(context, text.c_str());
}

void ShowBox(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), MessageText(text), QMessageBox::Ok,
                  MessageOwner());
  box.exec();
}

// The extension a name without one gets: the chosen type's where it follows
// the type and the type names one, else the dialog's default.
std::string DialogExtension(const TFileDialog& d) {
  if (d.ExtFollowsFilter)
    if (std::string e = FilterExtension(d.Filter, d.FilterIndex); !e.empty()) return e;
  return d.DefaultExt;
}

}  // namespace

QWidget* MessageOwner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  // While the desktop has given no window the focus, a window of the
  // program that is on the screen stands in.
  QWidget* owner = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && !w->isMinimized() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog))
      owner = w;
  return owner;
}

QString MessageText(const std::string& text) {
  QString t = Translated("Message", text);
  t.replace("\r\n", "\n");
  return t;
}

void InstallQtMessageHandler() {
  SetMessageHandler([](const std::string& text) {
    if (MainQueue().IsMainThread())
      ShowBox(text);
    else
      Synchronize([&] { ShowBox(text); });
  });
}

TFileDialogHooks& FileDialogHooks() {
  static TFileDialogHooks hooks{QtOpenDialog, QtSaveDialog};
  return hooks;
}

bool RunOpenDialog(TFileDialog& dialog, QWidget* parent) {
  const TFileDialogHook& hook = FileDialogHooks().Open;
  return hook ? hook(dialog, parent) : QtOpenDialog(dialog, parent);
}

bool RunSaveDialog(TFileDialog& dialog, QWidget* parent) {
  const TFileDialogHook& hook = FileDialogHooks().Save;
  if (!(hook ? hook(dialog, parent) : QtSaveDialog(dialog, parent))) return false;
  dialog.FilterIndex = SavedTypeIndex(dialog.Filter, dialog.FilterIndex, dialog.FileName);
  dialog.FileName = WithDefaultExt(dialog.FileName, DialogExtension(dialog));
  return true;
}

std::vector<TFileFilter> ParseFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t bar = filter.find('|', start);
    const size_t end = bar == std::string::npos ? filter.size() : bar;
    parts.push_back(filter.substr(start, end - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<TFileFilter> entries;
  for (size_t i = 0; i < parts.size(); i += 2) {
    if (parts[i].empty() && i + 1 >= parts.size()) break;  // "" or a trailing "|"
    TFileFilter e;
    e.Text = parts[i];
    if (i + 1 < parts.size()) {
      const std::string& list = parts[i + 1];
      size_t s = 0;
      while (s <= list.size()) {
        const size_t semi = list.find(';', s);
        const size_t end = semi == std::string::npos ? list.size() : semi;
        std::string p = list.substr(s, end - s);
        while (!p.empty() && p.front() == ' ') p.erase(p.begin());
        while (!p.empty() && p.back() == ' ') p.pop_back();
        if (!p.empty()) e.Patterns.push_back(p);
        if (semi == std::string::npos) break;
        s = semi + 1;
      }
    }
    if (e.Patterns.empty()) e.Patterns.push_back("*");
    entries.push_back(std::move(e));
  }
  return entries;
}

QStringList QtFilters(const std::string& filter) {
  QStringList out;
  for (const TFileFilter& e : ParseFilter(filter)) {
    QStringList patterns;
    for (const std::string& p : e.Patterns) patterns << FromStd(p == "*.*" ? "*" : p);
    QString text = FromStd(e.Text).trimmed();
    // Qt takes the patterns from the parentheses at the end of the text: a
    // text that shows its own patterns there keeps them (in Qt's spelling,
    // "*.*" is "*"), any other text gets them added.
    const QString own = "(" + patterns.join(' ') + ")";
    const qsizetype open = text.lastIndexOf('(');
    if (text.endsWith(')') && open >= 0) {
      QStringList shown = text.mid(open + 1, text.size() - open - 2).split(QRegularExpression("[ ;]+"), Qt::SkipEmptyParts);
      for (QString& p : shown)
        if (p == "*.*") p = "*";
      if (shown == patterns) text = text.left(open).trimmed();
    }
    text += (text.isEmpty() ? "" : " ") + own;
    out << text;
  }
  return out;
}

std::string FilterExtension(const std::string& filter, int index) {
  const std::vector<TFileFilter> entries = ParseFilter(filter);
  if (index < 1 || index > int(entries.size())) return "";
  const std::string& p = entries[size_t(index - 1)].Patterns.front();
  if (p.size() < 3 || p.compare(0, 2, "*.") != 0) return "";
  const std::string ext = p.substr(2);
  if (ext.find_first_of("*?[") != std::string::npos) return "";
  return ext;
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool OffersExtension(const TFileFilter& type, const std::string& ext) {
  for (const std::string& p : type.Patterns)
    if (Lower(p) == "*." + ext) return true;
  return false;
}

}  // namespace

int SavedTypeIndex(const std::string& filter, int chosenIndex, const std::string& path) {
  const std::string name = FileNameOf(path);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return chosenIndex;
  const std::string ext = Lower(name.substr(dot + 1));
  const std::vector<TFileFilter> types = ParseFilter(filter);
  if (chosenIndex >= 1 && chosenIndex <= int(types.size()) && OffersExtension(types[size_t(chosenIndex - 1)], ext))
    return chosenIndex;
  for (size_t i = 0; i < types.size(); ++i)
    if (OffersExtension(types[i], ext)) return int(i) + 1;
  return chosenIndex;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithDefaultExt(const std::string& path, const std::string& ext) {
  if (ext.empty()) return path;
  const std::string name = FileNameOf(path);
  if (name.empty() || name.find('.') != std::string::npos) return path;
  return path + "." + ext;
}

namespace {

bool RunQtDialog(TFileDialog& d, QWidget* parent, bool save) {
  QFileDialog dlg(parent, Translated("FileDialog", d.Title));
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (save) {
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !d.OverwritePrompt);
  } else {
    dlg.setFileMode(d.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  }
  // A translated type list keeps the types in their order, so an index
  // into it is an index into d.Filter.
  const QStringList filters = QtFilters(Translated("FileDialog", d.Filter).toStdString());
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    const int index = d.FilterIndex >= 1 && d.FilterIndex <= filters.size() ? d.FilterIndex : 1;
    dlg.selectNameFilter(filters[index - 1]);
  }
  dlg.setDefaultSuffix(FromStd(DialogExtension(d)));
  if (d.ExtFollowsFilter) {
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& f) {
      const std::string e = FilterExtension(d.Filter, int(filters.indexOf(f)) + 1);
      if (!e.empty()) dlg.setDefaultSuffix(FromStd(e));
    });
  }
  if (!d.InitialDir.empty()) dlg.setDirectory(FromStd(d.InitialDir));
  if (!d.FileName.empty()) dlg.selectFile(FromStd(d.FileName));
  if (dlg.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dlg.selectedFiles();
  if (chosen.isEmpty()) return false;
  const int index = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
  d.FilterIndex = index > 0 ? index : 1;
  d.FileName = WithDefaultExt(chosen.front().toStdString(), DialogExtension(d));
  return true;
}

}  // namespace

bool QtOpenDialog(TFileDialog& dialog, QWidget* parent) { return RunQtDialog(dialog, parent, false); }

bool QtSaveDialog(TFileDialog& dialog, QWidget* parent) { return RunQtDialog(dialog, parent, true); }
