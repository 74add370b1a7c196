#include "import/dialog/delete_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tovask {
namespace {

struct Key {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

QListView* List(QWidget& dialog) { return dialog.findChild<QListView*>("list_Contacts"); }
QPushButton* Button(QWidget& dialog, const char* name) {
  return dialog.findChild<QPushButton*>(name);
}

// Each key goes where the keyboard focus is at that moment, as a user's.
void Type(const std::vector<Key>& keys) {
  for (const Key& key : keys) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    QTest::keyClick(target, key.key, key.modifiers);
  }
}

// Runs AskInDeleteDialog for `texts`; once its window is up and active,
// `act` plays the user. A dialog that `act` leaves open fails the test and
// is cancelled, so a broken key binding cannot hang the run.
DeleteDecision AskAndAct(const std::vector<std::string>& texts,
                         const std::function<void(QDialog&)>& act) {
  bool acted = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no modal dialog is open";
      return;
    }
    acted = true;
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    act(*dialog);
    if (dialog->isVisible()) {
      ADD_FAILURE() << "the dialog is still open";
      dialog->reject();
    }
  });
  DeleteDecision decision = AskInDeleteDialog(texts);
  EXPECT_TRUE(acted);
  return decision;
}

DeleteDecision Deleting(std::vector<bool> selected) {
  DeleteDecision decision;
  decision.cancelled = false;
  decision.selected = std::move(selected);
  return decision;
}

void ExpectDecision(const DeleteDecision& actual, const DeleteDecision& expected) {
  EXPECT_EQ(actual.cancelled, expected.cancelled);
  EXPECT_EQ(actual.selected, expected.selected);
  EXPECT_EQ(actual.notAskedBecause, "");
}

const std::vector<std::string> kThree = {"Zimmer, Anna", "Adams, Bob", "Unnamed"};

TEST(DeleteDialogTest, EmptyListShowsNoWindowAndDeletesNothing) {
  DeleteDecision decision = AskInDeleteDialog({});
  ExpectDecision(decision, Deleting({}));
  for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible());
}

TEST(DeleteDialogTest, KeyboardAnswers) {
  const Key tab{Qt::Key_Tab}, backtab{Qt::Key_Tab, Qt::ShiftModifier}, down{Qt::Key_Down},
      space{Qt::Key_Space}, enter{Qt::Key_Return}, escape{Qt::Key_Escape};
  struct Row {
    const char* name;
    std::vector<std::string> texts;
    std::vector<Key> keys;
    DeleteDecision expected;
  };
  const DeleteDecision cancelled;
  const std::vector<Row> rows = {
      {"Enter with the initial focus deletes all", kThree, {enter}, Deleting({true, true, true})},
      {"Escape cancels", kThree, {escape}, cancelled},
      {"second deselected, then Delete pressed with the space bar",
       kThree,
       {tab, tab, down, space, tab, space},
       Deleting({true, false, true})},
      {"Enter in the list presses Delete",
       kThree,
       {tab, tab, space, enter},
       Deleting({false, true, true})},
      {"all deselected, then Delete",
       kThree,
       {tab, tab, space, down, space, down, space, enter},
       Deleting({false, false, false})},
      {"Cancel pressed after deselecting",
       kThree,
       {tab, tab, down, space, backtab, space},
       cancelled},
      {"Enter while Cancel has the focus cancels", kThree, {tab, enter}, cancelled},
      {"two entries of the same text are handled apart",
       {"Smith", "Smith"},
       {tab, tab, down, space, enter},
       Deleting({true, false})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectDecision(AskAndAct(row.texts, [&](QDialog&) { Type(row.keys); }), row.expected);
  }
}

TEST(DeleteDialogTest, MouseClicksOnTheBoxesThenDelete) {
  // The check box of an entry, where the list's style draws it.
  auto clickBox = [](QListView& list, int row) {
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.rect = list.visualRect(list.model()->index(row, 0));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    QRect box = list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
  };
  ExpectDecision(AskAndAct(kThree,
                           [&](QDialog& dialog) {
                             clickBox(*List(dialog), 0);
                             clickBox(*List(dialog), 2);
                             QTest::mouseClick(Button(dialog, "OKButton"), Qt::LeftButton);
                           }),
                 Deleting({false, true, false}));
}

TEST(DeleteDialogTest, TheCloseControlCancelsWhateverIsSelected) {
  ExpectDecision(AskAndAct(kThree,
                           [](QDialog& dialog) {
                             Type({{Qt::Key_Tab}, {Qt::Key_Tab}, {Qt::Key_Space}});
                             dialog.close();
                           }),
                 DeleteDecision());
}

TEST(DeleteDialogTest, ListsTheTextsInTheirOrderAllSelected) {
  const std::vector<std::string> texts = {
      "Zimmer, Anna", "Adams, Bob", "Unnamed", "M\xC3\xBCller, J\xC3\xBCrgen", "Adams, Bob", " "};
  frmDeleteDialog dialog(texts, 96);
  QAbstractItemModel* model = List(dialog)->model();
  ASSERT_EQ(model->rowCount(), 6);
  for (int row = 0; row < 6; ++row) {
    SCOPED_TRACE(row);
    QModelIndex index = model->index(row, 0);
    EXPECT_EQ(index.data(Qt::DisplayRole).toString().toStdString(), texts[row]);
    EXPECT_EQ(index.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(model->flags(index) & Qt::ItemIsUserCheckable);
  }
}

TEST(DeleteDialogTest, LayoutNamesAndSettings) {
  struct Row {
    double dpi;
    const char* name;
    QRect expected;
  };
  const Row rows[] = {
      {96, "Label1", {8, 16, 289, 49}},     {96, "list_Contacts", {8, 56, 225, 184}},
      {96, "OKButton", {240, 64, 57, 25}},  {96, "CancelButton", {240, 96, 57, 25}},
      {144, "Label1", {12, 24, 434, 74}},   {144, "list_Contacts", {12, 84, 338, 276}},
      {144, "OKButton", {360, 96, 86, 38}}, {144, "CancelButton", {360, 144, 86, 38}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " at " + std::to_string(row.dpi));
    frmDeleteDialog dialog(kThree, row.dpi);
    QWidget* child = dialog.findChild<QWidget*>(row.name);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->geometry(), row.expected);
  }
  for (auto [dpi, size] : {std::pair{96.0, QSize(310, 252)}, std::pair{144.0, QSize(465, 378)}}) {
    SCOPED_TRACE(dpi);
    frmDeleteDialog dialog(kThree, dpi);
    EXPECT_EQ(dialog.size(), size);
    EXPECT_EQ(dialog.minimumSize(), size);
    EXPECT_EQ(dialog.maximumSize(), size);
  }

  frmDeleteDialog dialog(kThree, 96);
  EXPECT_EQ(dialog.objectName(), "frmDeleteDialog");
  EXPECT_EQ(dialog.windowTitle(), "Deleting Outlook Contacts");
  EXPECT_TRUE(dialog.isModal());
  const Qt::WindowFlags flags = dialog.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);

  auto* label = dialog.findChild<QLabel*>("Label1");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(),
            "Talvo is about to delete the following contacts from Outlook. Please deselect the "
            "contacts you want to keep.");
  EXPECT_TRUE(label->wordWrap());
  const int roomAboveTheList = List(dialog)->y() - label->y();
  EXPECT_LE(label->heightForWidth(label->width()), roomAboveTheList)
      << "the explanation runs into the list";
  EXPECT_EQ(Button(dialog, "OKButton")->text(), "Delete");
  EXPECT_TRUE(Button(dialog, "OKButton")->isDefault());
  EXPECT_EQ(Button(dialog, "CancelButton")->text(), "Cancel");

  // Tab order: Delete, Cancel, the list, and round again.
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  std::vector<std::string> visited;
  for (int step = 0; step < 4; ++step) {
    visited.push_back(QApplication::focusWidget()->objectName().toStdString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(visited,
            (std::vector<std::string>{"OKButton", "CancelButton", "list_Contacts", "OKButton"}));
}

TEST(DeleteDialogTest, ShownCentredOnTheScreenWithDeleteFocused) {
  AskAndAct(kThree, [](QDialog& dialog) {
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((dialog.geometry().center() - screen.center()).manhattanLength(), 2)
        << "dialog centre " << dialog.geometry().center().x() << ","
        << dialog.geometry().center().y();
    EXPECT_EQ(QApplication::focusWidget(), Button(dialog, "OKButton"));
    dialog.reject();
  });
}

TEST(DeleteDialogTest, MoreEntriesThanA16BitListPositionHolds) {
  std::vector<std::string> texts(40000, "Contact");
  texts.back() = "Last";
  DeleteDecision decision = AskAndAct(texts, [](QDialog&) {
    Type({{Qt::Key_Tab}, {Qt::Key_Tab}, {Qt::Key_End}, {Qt::Key_Space}, {Qt::Key_Return}});
  });
  ASSERT_FALSE(decision.cancelled);
  ASSERT_EQ(decision.selected.size(), 40000u);
  EXPECT_FALSE(decision.selected[39999]);
  EXPECT_TRUE(decision.selected[32767]);
  EXPECT_EQ(std::count(decision.selected.begin(), decision.selected.end(), true), 39999);
}

}  // namespace
}  // namespace tovask

// The dialog's tests never open a window on the developer's display.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
