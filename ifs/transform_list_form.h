// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The constructor's list of transforms: one row a transform, one column a
// field (A to F and p) under its title. Each column takes the width of its
// widest value, so the titles stay over their values whatever they hold.

#include <QTreeWidget>

#include "ifs/ifs_model.h"

class TTransformList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TTransformList(QWidget* parent);

  int count() const { return topLevelItemCount(); }
  int currentRow() const;
  void setCurrentRow(int row);

  void AddRow(const TIFSTransform& t);
  // The row shows the transform's fields, each in the format of its column
  // (TransformListFields).
  void SetRow(int row, const TIFSTransform& t);

 signals:
  void currentRowChanged(int row);
};
