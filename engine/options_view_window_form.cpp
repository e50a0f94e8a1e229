// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_view_window_form.h"

#include <array>

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "engine/options_shared_form.h"
#include "platform/dialogs.h"
#include "platform/profile.h"

void TViewWindowEdits::Build(QWidget* page, QGridLayout* grid) {
  const char* captions[3] = {QT_TRANSLATE_NOOP("TViewWindowEdits", " &X ="),
                             QT_TRANSLATE_NOOP("TViewWindowEdits", " &Y ="),
                             QT_TRANSLATE_NOOP("TViewWindowEdits", " &W =")};
  const char* names[3] = {"XEdit", "YEdit", "WEdit"};
  for (int k = 0; k < 3; ++k) {
    FCoord[k] = new QLineEdit(page);
    FCoord[k]->setObjectName(names[k]);
    FCoord[k]->setMinimumWidth(240);
    QLineEdit* edit = FCoord[k];
    const auto left = [this, edit, k] { EditLeft(edit, k); };
    Shared.Edits.Watch(edit, krReal, {.Entered = left, .Left = left});
    auto* label = new QLabel(QCoreApplication::translate("TViewWindowEdits", captions[k]), page);
    label->setBuddy(FCoord[k]);
    grid->addWidget(label, k, 0);
    grid->addWidget(FCoord[k], k, 1, 1, 2);
  }
}

void TViewWindowEdits::Fill() {
  const std::array<std::string, 3> texts = FCoordinates.Shown(*Shared.Doc);
  for (int k = 0; k < 3; ++k) FCoord[k]->setText(Text(texts[k]));
}

void TViewWindowEdits::EditLeft(QLineEdit* edit, int which) {
  if (!Shared.Live || !Shared.Doc) return;
  const QString text = edit->text().trimmed();
  if (text.isEmpty()) return;
  const std::string typed = text.toStdString();
  Extended v;
  try {
    v = ParseReal(typed);
  } catch (const TConvertError&) {
    ShowMessage(QT_TRANSLATE_NOOP("Message", "Error in numeric !"));
    QTimer::singleShot(0, edit, [edit] { edit->setFocus(); });
    return;
  }
  // The field still shows the document's own value: setting it back would
  // only restart the render.
  if (typed == FCoordinates.Shown(*Shared.Doc)[which]) return;
  Shared.Doc->SetWindow(FCoordinates.Typed(*Shared.Doc, which, typed, v));
}
