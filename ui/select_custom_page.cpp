// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_custom_page.h"

#include <QGroupBox>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "formulas/catalogue.h"

namespace {

constexpr int kRowHeight = 16;  // list rows: the separator lines sit at 7..9

// Formula list rows: the name 4 pixels from the left, separators as three
// lines (grey, black, silver) 7, 8 and 9 pixels below the row's top.
class TFormulaRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    const QRect r = option.rect;
    p->save();
    p->fillRect(r, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
    const TFormulaEntry* row = FormulaRow(index.row());
    if (row && IsSeparatorRow(*row)) {
      const QColor colours[3] = {QColor(0x80, 0x80, 0x80), QColor(Qt::black), QColor(0xC0, 0xC0, 0xC0)};
      for (int k = 0; k < 3; ++k) {
        p->setPen(colours[k]);
        p->drawLine(r.left(), r.top() + 7 + k, r.right(), r.top() + 7 + k);
      }
    } else {
      p->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
      p->setFont(option.font);
      p->drawText(r.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    }
    p->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight);
  }
};

// The list is built before the parameter group, which takes the tab order
// after it.
TChoiceList* BuildFormulaList(QWidget* page) {
  auto* list = new TChoiceList(page);
  list->setItemDelegate(new TFormulaRowDelegate(list));
  list->setUniformItemSizes(true);
  for (const TFormulaEntry& row : FormulaCatalogue) list->addItem(Text1252(row.Name));
  list->setMinimumHeight(12 * kRowHeight);
  return list;
}

}  // namespace

TSelectCustomPage::TSelectCustomPage(TSelectEdits& edits) : FList(BuildFormulaList(this)), FParams(edits, this) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FList, 1);
  // The list takes the room of the parameter rows a formula does not have.
  layout->addWidget(FParams.Group());
}

void TSelectCustomPage::ShowParameterRows(int32_t count) {
  FParams.Group()->setVisible(count > 0);
  for (int k = 2; k <= 3; ++k)
    for (QWidget* w : FParams.Row(k)) w->setVisible(count > k - 1);
}

bool TSelectCustomPage::ParameterRowShown(int k) const {
  if (k < 1 || k > 3 || FParams.Group()->isHidden()) return false;
  return !FParams.Row(k)[1]->isHidden();
}
