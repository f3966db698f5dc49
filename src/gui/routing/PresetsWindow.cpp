#include "gui/routing/PresetsWindow.h"

#include "core/routing/MatrixPage.h"
#include "gui/routing/PresetEditorDialog.h"
#include "gui/ui/KeySwallower.h"
#include "gui/ui/WindowAccessible.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorvane {

namespace {
constexpr int NameColumnWidth = 80;
constexpr int OutputColumnWidth = 70;
} // namespace

PresetsWindow::PresetsWindow(MatrixPage& page, QWidget* owner)
    : QWidget(owner, Qt::Window), page_(page), list_(new QTableWidget(this)),
      edit_(new QPushButton(QStringLiteral("Edit"), this)),
      set_(new QPushButton(QStringLiteral("Set"), this)), selectOutput_(new QComboBox(this)),
      offPage_(new QLabel(QStringLiteral("These controls work while the Matrix page is on show."),
                          this)) {
    setObjectName(QStringLiteral("PresetsWindow"));
    setWindowTitle(QStringLiteral("Presets"));
    setAccessibleName(QStringLiteral("Presets"));
    installWindowAccessible();
    buildList();

    connect(edit_, &QPushButton::clicked, this, &PresetsWindow::openEditor);
    connect(set_, &QPushButton::clicked, this, [this] { page_.sendPreset(); });
    auto* presetButtons = new QHBoxLayout;
    presetButtons->addStretch();
    presetButtons->addWidget(edit_);
    presetButtons->addWidget(set_);

    auto* configBox = new QGroupBox(QStringLiteral("Output configuration"), this);
    configBox_ = configBox;
    configBox->setAccessibleName(QStringLiteral("Output configuration"));
    auto* selectLabel = new QLabel(QStringLiteral("Select Output"), configBox);
    for (int output = 1; output <= 8; ++output)
        selectOutput_->addItem(QStringLiteral("Output%1").arg(output));
    selectOutput_->addItem(QStringLiteral("All Output"));
    selectOutput_->addItem(QStringLiteral("Port to Port"));
    selectOutput_->setAccessibleName(QStringLiteral("Select Output"));
    selectOutput_->setParent(configBox);
    selectLabel->setBuddy(selectOutput_);
    connect(selectOutput_, &QComboBox::activated, this,
            [this](int index) { page_.selectOutput(index); });
    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(selectLabel);
    selectRow->addWidget(selectOutput_);
    selectRow->addStretch();
    auto* inputRow = new QHBoxLayout;
    for (int input = 1; input <= 8; ++input) {
        auto* button = new QPushButton(QString::number(input), configBox);
        button->setAccessibleName(QStringLiteral("Output configuration input %1").arg(input));
        connect(button, &QPushButton::clicked, this,
                [this, input] { page_.configureOutput(input); });
        inputRow->addWidget(button);
        config_.at(input - 1) = button;
    }
    auto* configColumn = new QVBoxLayout(configBox);
    configColumn->addLayout(selectRow);
    configColumn->addLayout(inputRow);

    offPage_->setWordWrap(true);
    offPage_->setAccessibleName(offPage_->text());

    // The list's label, which a screen reader finds through the label relation.
    auto* listLabel = new QLabel(QStringLiteral("Presets"), this);
    listLabel->setBuddy(list_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(listLabel);
    column->addWidget(list_);
    column->addLayout(presetButtons);
    column->addWidget(configBox);
    column->addWidget(offPage_);
    KeySwallower::installOn(this, KeySwallower::Scope::WhileBoxShows);
    render();
    adjustSize();
}

void PresetsWindow::buildList() {
    list_->setAccessibleName(QStringLiteral("Presets list"));
    list_->setRowCount(8);
    list_->setColumnCount(9);
    QStringList headers{QString()};
    for (int output = 1; output <= 8; ++output)
        headers << QStringLiteral("Output%1").arg(output);
    list_->setHorizontalHeaderLabels(headers);
    list_->verticalHeader()->hide();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setColumnWidth(0, NameColumnWidth);
    for (int column = 1; column <= 8; ++column)
        list_->setColumnWidth(column, OutputColumnWidth);
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 9; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            list_->setItem(row, column, item);
        }
    }
    int width = list_->frameWidth() * 2 + NameColumnWidth + 8 * OutputColumnWidth;
    list_->setMinimumWidth(width);
    list_->setMinimumHeight(list_->horizontalHeader()->sizeHint().height() +
                            8 * list_->verticalHeader()->defaultSectionSize() +
                            list_->frameWidth() * 2);
    // A click, or moving the selection with the arrow keys, picks the row.
    connect(list_, &QTableWidget::cellClicked, this,
            [this](int row, int) { page_.pickPreset(row); });
    connect(list_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow, int) {
                if (row != previousRow && row >= 0)
                    page_.pickPreset(row);
            });
}

void PresetsWindow::render() {
    const auto& table = page_.presetTable();
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 9; ++column) {
            const QString text = QString::fromStdString(table.cell(row, column));
            QTableWidgetItem* item = list_->item(row, column);
            if (item->text() != text)
                item->setText(text);
        }
    }
    const QSignalBlocker blocker(selectOutput_);
    selectOutput_->setCurrentIndex(page_.selectedOutput());

    const bool usable = page_.presetControlsUsable();
    set_->setEnabled(usable);
    configBox_->setEnabled(usable);
    offPage_->setVisible(!usable);
}

QWidget* PresetsWindow::editor() const {
    return findChild<PresetEditorDialog*>();
}

void PresetsWindow::openEditor() {
    if (editor())
        return;
    auto* dialog = new PresetEditorDialog(page_, this);
    dialog->open();
}

} // namespace quorvane
