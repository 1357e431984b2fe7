#pragma once
// Small helpers shared by the window and the dialogs.

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QString>

namespace tavik {

// The texts in the source are UTF-8.
inline QString U(const char* text) {
  return QString::fromUtf8(text);
}

inline QLabel* Label(const char* text, QWidget* parent) {
  return new QLabel(U(text), parent);
}

// "确定" (and "取消") wired to accept and reject the dialog.
inline QDialogButtonBox* DialogButtons(QDialog* dialog, bool withCancel) {
  auto* buttons = new QDialogButtonBox(
      withCancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::Ok, dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(U("确定"));
  if (withCancel) buttons->button(QDialogButtonBox::Cancel)->setText(U("取消"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace tavik
