// SPDX-License-Identifier: GPL-3.0-or-later
#include "ifs/transform_list_form.h"

#include <QFontMetrics>
#include <QHeaderView>

#include "ifs/ifs_form.h"

TTransformList::TTransformList(QWidget* parent) : QTreeWidget(parent) {
  setFont(IFSListFont());
  setColumnCount(kTransformFieldCount);
  setHeaderLabels({"A", "B", "C", "D", "E", "F", "p"});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  header()->setSectionsMovable(false);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // An empty list, or one of small values, keeps columns of the usual width.
  header()->setMinimumSectionSize(fontMetrics().horizontalAdvance("00.00000"));
  connect(this, &QTreeWidget::currentItemChanged, this, [this] { emit currentRowChanged(currentRow()); });
}

int TTransformList::currentRow() const {
  QTreeWidgetItem* item = currentItem();
  return item ? indexOfTopLevelItem(item) : -1;
}

void TTransformList::setCurrentRow(int row) {
  setCurrentItem(row >= 0 && row < count() ? topLevelItem(row) : nullptr);
}

void TTransformList::AddRow(const TIFSTransform& t) {
  auto* item = new QTreeWidgetItem;
  for (int f = 0; f < kTransformFieldCount; ++f) item->setTextAlignment(f, Qt::AlignRight | Qt::AlignVCenter);
  addTopLevelItem(item);
  SetRow(count() - 1, t);
}

void TTransformList::SetRow(int row, const TIFSTransform& t) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item) return;
  const TTransformFields fields = TransformListFields(t);
  for (int f = 0; f < kTransformFieldCount; ++f)
    item->setText(f, QString::fromStdString(fields[size_t(f)]).trimmed());
}
