// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Qt side of the user-facing services: message boxes behind ShowMessage
// and the open/save file dialogs. File dialogs take the program's filter
// strings ("Fractal spots (*.frs)|*.frs|All files (*.*)|*.*") and default
// extensions, and run through replaceable hooks so that tests can answer them
// without a modal window.

#include <functional>
#include <string>
#include <vector>

#include <QString>

class QWidget;

// Makes ShowMessage show a message box captioned with the application's
// name. Calls from other threads are carried out on the main thread.
void InstallQtMessageHandler();

// A message of Qt-free code as a Qt label shows it: translated under
// "Message", its "\r\n" line breaks as "\n".
QString MessageText(const std::string& text);

// The window a message box opens centred on: the modal dialog in use, else
// the active window, else any window of the program on the screen.
QWidget* MessageOwner();

// One file dialog's settings and, after a successful run, its answer.
struct TFileDialog {
  std::string Title;
  std::string Filter;      // "Text|patterns|Text|patterns..."; patterns separated by ';'
  int FilterIndex = 1;     // 1-based: the type offered first; after a run, the type chosen
  std::string DefaultExt;  // without the dot; added to a name typed without an extension
  bool ExtFollowsFilter = false;  // the default extension follows the chosen type ("*.bmp" -> "bmp")
  std::string InitialDir;
  std::string FileName;  // offered name; after a run, the chosen full path
  bool OverwritePrompt = false;
  bool FileMustExist = false;  // open dialogs only
};

// The dialogs the program runs. Each returns false when the user cancels;
// otherwise the dialog's FileName holds the chosen path (default extension
// applied) and FilterIndex the chosen type. A save dialog's type is the one
// the typed name's extension stands for when the dialog offers it
// (SavedTypeIndex), so "att1.fr3" is an attractor file whichever type the
// selector showed; only a name without an extension takes the selector's.
using TFileDialogHook = std::function<bool(TFileDialog& dialog, QWidget* parent)>;
struct TFileDialogHooks {
  TFileDialogHook Open;
  TFileDialogHook Save;
};
// The hooks in use; they start as QtOpenDialog and QtSaveDialog.
TFileDialogHooks& FileDialogHooks();

bool RunOpenDialog(TFileDialog& dialog, QWidget* parent);
bool RunSaveDialog(TFileDialog& dialog, QWidget* parent);

// The QFileDialog implementations.
bool QtOpenDialog(TFileDialog& dialog, QWidget* parent);
bool QtSaveDialog(TFileDialog& dialog, QWidget* parent);

// One type of a filter string: its text and its patterns.
struct TFileFilter {
  std::string Text;
  std::vector<std::string> Patterns;
};
// Splits "A|*.a|B|*.b;*.c" into its entries; a trailing text without
// patterns becomes an entry matching everything.
std::vector<TFileFilter> ParseFilter(const std::string& filter);
// The Qt filter list, "A (*.a);;B (*.b *.c)"; a text that already ends with
// its own patterns in parentheses is kept as it is.
QStringList QtFilters(const std::string& filter);
// The extension of a type's first pattern when it names one ("*.bmp" ->
// "bmp"), else "".
std::string FilterExtension(const std::string& filter, int index);
// The type (1-based) a save dialog's answer stands for: the first type that
// offers the extension of the path's file name (case ignored), the chosen
// type itself when it offers it too; a name without an extension, or with
// one no type offers, keeps the chosen type.
int SavedTypeIndex(const std::string& filter, int chosenIndex, const std::string& path);
// `path` with "." + ext appended when its file name has no extension (and
// ext is not empty).
std::string WithDefaultExt(const std::string& path, const std::string& ext);
// The folder part of a path ("" when it has none).
std::string FolderOf(const std::string& path);
// The file name part of a path.
std::string FileNameOf(const std::string& path);
