#include "import/dialog/delete_dialog.h"

#include <QAbstractListModel>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace tovask {

namespace {

constexpr const char* kCaption = "Deleting Outlook Contacts";
constexpr const char* kExplanation =
    "Talvo is about to delete the following contacts from Outlook. Please deselect the contacts "
    "you want to keep.";

// The stale contacts' display texts with one check mark each. A model of
// its own rather than one list item object per entry keeps a list of tens
// of thousands of contacts quick to fill and to show.
class StaleContactsModel : public QAbstractListModel {
 public:
  explicit StaleContactsModel(const std::vector<std::string>& displayTexts, QObject* parent)
      : QAbstractListModel(parent), checked_(displayTexts.size(), true) {
    texts_.reserve(static_cast<qsizetype>(displayTexts.size()));
    for (const std::string& text : displayTexts) {
      texts_.push_back(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
  }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(texts_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    std::size_t row = static_cast<std::size_t>(index.row());
    if (role == Qt::DisplayRole) return texts_[index.row()];
    if (role == Qt::CheckStateRole) return checked_[row] ? Qt::Checked : Qt::Unchecked;
    return {};
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!index.isValid() || role != Qt::CheckStateRole) return false;
    checked_[static_cast<std::size_t>(index.row())] = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
  }

  const std::vector<bool>& checked() const { return checked_; }

 private:
  QStringList texts_;
  std::vector<bool> checked_;
};

}  // namespace

frmDeleteDialog::frmDeleteDialog(const std::vector<std::string>& displayTexts, double dotsPerInch,
                                 QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  const double scale = dotsPerInch / 96.0;
  auto scaled = [scale](int x, int y, int width, int height) {
    return QRect(qRound(x * scale), qRound(y * scale), qRound(width * scale),
                 qRound(height * scale));
  };

  setObjectName("frmDeleteDialog");
  setWindowTitle(kCaption);
  setModal(true);
  setSizeGripEnabled(false);
  // The layout is fixed, so the text size is too: at 8 points the
  // explanation takes three lines and ends above the list.
  QFont font = this->font();
  font.setPointSizeF(8);
  setFont(font);
  setFixedSize(scaled(0, 0, 310, 252).size());

  auto* label = new QLabel(kExplanation, this);
  label->setObjectName("Label1");
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(scaled(8, 16, 289, 49));

  auto* model = new StaleContactsModel(displayTexts, this);
  list_Contacts_ = new QListView(this);
  list_Contacts_->setObjectName("list_Contacts");
  list_Contacts_->setUniformItemSizes(true);
  list_Contacts_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_Contacts_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_Contacts_->setModel(model);
  list_Contacts_->setGeometry(scaled(8, 56, 225, 184));

  auto* okButton = new QPushButton("Delete", this);
  okButton->setObjectName("OKButton");
  okButton->setDefault(true);
  okButton->setGeometry(scaled(240, 64, 57, 25));
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* cancelButton = new QPushButton("Cancel", this);
  cancelButton->setObjectName("CancelButton");
  cancelButton->setGeometry(scaled(240, 96, 57, 25));
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  setTabOrder(okButton, cancelButton);
  setTabOrder(cancelButton, list_Contacts_);
  setTabOrder(list_Contacts_, label);
  okButton->setFocus(Qt::OtherFocusReason);
}

DeleteDecision frmDeleteDialog::Decision() const {
  DeleteDecision decision;
  if (result() != QDialog::Accepted) return decision;
  decision.cancelled = false;
  decision.selected = static_cast<const StaleContactsModel*>(list_Contacts_->model())->checked();
  return decision;
}

DeleteDecision AskInDeleteDialog(const std::vector<std::string>& displayTexts) {
  if (displayTexts.empty()) {
    DeleteDecision nothingToAsk;
    nothingToAsk.cancelled = false;
    return nothingToAsk;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  frmDeleteDialog dialog(displayTexts, screen->logicalDotsPerInch());
  dialog.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, dialog.size(),
                                         screen->availableGeometry()));
  dialog.exec();
  return dialog.Decision();
}

}  // namespace tovask
