// The window in which the user confirms which stale contacts an import may
// delete. Only this folder knows Qt; tovask reaches it through the
// tovask-confirm program (confirm_program.h).
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "import/delete_confirmation.h"

class QListView;

namespace tovask {

// frmDeleteDialog: a fixed-size modal dialog with a title bar whose only
// control is the close control, caption "Deleting Outlook Contacts".
// Children, by object name:
// - Label1: the explanation, wrapped;
// - list_Contacts: one entry per display text, in the given order (never
//   sorted), each with its own check box, all checked at the start;
// - OKButton "Delete": the default button, with the focus at the start;
// - CancelButton "Cancel": Escape presses it.
// Tab order: OKButton, CancelButton, list_Contacts. The layout is given in
// pixels at 96 dots per inch and scaled by dotsPerInch / 96; the text is
// 8 points high.
class frmDeleteDialog : public QDialog {
 public:
  frmDeleteDialog(const std::vector<std::string>& displayTexts, double dotsPerInch,
                  QWidget* parent = nullptr);

  // After the dialog has closed: "Delete" pressed gives not cancelled and
  // one flag per text, true where the entry was left checked; any other way
  // of closing it ("Cancel", Escape, the close control) gives cancelled.
  DeleteDecision Decision() const;

 private:
  QListView* list_Contacts_;
};

// Shows frmDeleteDialog for `displayTexts` centred on the primary screen,
// scaled to its DPI, waits until it is closed and returns Decision(). An
// empty list shows no window and answers "delete nothing" (not cancelled).
// Needs a QApplication.
DeleteDecision AskInDeleteDialog(const std::vector<std::string>& displayTexts);

}  // namespace tovask
