#include "gui/routing/PresetsWindow.h"

#include "core/routing/MatrixPage.h"
#include "core/site/SiteKeeper.h"
#include "gui/routing/PresetEditorDialog.h"
#include "gui/ui/FileDialogs.h"
#include "gui/ui/KeySwallower.h"
#include "gui/ui/WindowAccessible.h"
#include "platform/site/SiteStore.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorvane {

namespace {
constexpr int NameColumnWidth = 80;
constexpr int OutputColumnWidth = 70;
} // namespace

PresetsWindow::PresetsWindow(MatrixPage& page, site::SiteKeeper& keeper, QWidget* owner)
    : QWidget(owner, Qt::Window), page_(page), list_(new QTableWidget(this)),
      edit_(new QPushButton(QStringLiteral("Edit"), this)),
      set_(new QPushButton(QStringLiteral("Set"), this)), selectOutput_(new QComboBox(this)),
      offPage_(new QLabel(QStringLiteral("These controls work while the Matrix page is on show."),
                          this)),
      keeper_(keeper), export_(new QPushButton(QStringLiteral("Export..."), this)),
      import_(new QPushButton(QStringLiteral("Import..."), this)), active_(new QLabel(this)),
      file_(new QLabel(this)) {
    setObjectName(QStringLiteral("PresetsWindow"));
    setWindowTitle(QStringLiteral("Presets"));
    setAccessibleName(QStringLiteral("Presets"));
    installWindowAccessible();
    buildList();

    connect(edit_, &QPushButton::clicked, this, &PresetsWindow::openEditor);
    connect(set_, &QPushButton::clicked, this, [this] { page_.sendPreset(); });
    connect(export_, &QPushButton::clicked, this, &PresetsWindow::exportPresets);
    connect(import_, &QPushButton::clicked, this, &PresetsWindow::importPresets);
    auto* presetButtons = new QHBoxLayout;
    presetButtons->addWidget(export_);
    presetButtons->addWidget(import_);
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
    active_->hide();
    file_->setWordWrap(true);
    file_->hide();
    column->addWidget(active_);
    column->addLayout(presetButtons);
    column->addWidget(file_);
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
    const auto active = keeper_.activePreset();
    for (int row = 0; row < 8; ++row) {
        const bool isActive = active && *active == row;
        for (int column = 0; column < 9; ++column) {
            const QString text = QString::fromStdString(table.cell(row, column));
            QTableWidgetItem* item = list_->item(row, column);
            if (item->text() != text)
                item->setText(text);
            if (item->font().bold() != isActive) {
                QFont font = item->font();
                font.setBold(isActive);
                item->setFont(font);
            }
        }
        // The name cell says "active" to a screen reader; the cells keep their text.
        QTableWidgetItem* name = list_->item(row, 0);
        const QString spoken = isActive ? name->text() + QStringLiteral(" (active)") : QString();
        if (name->data(Qt::AccessibleTextRole).toString() != spoken)
            name->setData(Qt::AccessibleTextRole, spoken.isEmpty() ? QVariant() : QVariant(spoken));
    }
    // The outputs' names under the headers, the inputs' names in the cells' tool tips.
    const site::MatrixNames& names = keeper_.names();
    bool headerChanged = false;
    for (int output = 1; output <= 8; ++output) {
        const std::string name = names.name(site::Side::Output, output);
        QString header = QStringLiteral("Output%1").arg(output);
        if (!name.empty())
            header += QLatin1Char('\n') + QString::fromStdString(name);
        QTableWidgetItem* headerItem = list_->horizontalHeaderItem(output);
        if (headerItem && headerItem->text() != header) {
            headerItem->setText(header);
            headerChanged = true;
        }
        for (int row = 0; row < 8; ++row) {
            QTableWidgetItem* item = list_->item(row, output);
            bool isNumber = false;
            const int input = item->text().toInt(&isNumber);
            const std::string inputName =
                isNumber ? names.name(site::Side::Input, input) : std::string();
            const QString tip = inputName.empty() ? QString()
                                                  : item->text() + QLatin1Char(' ') +
                                                        QString::fromStdString(inputName);
            if (item->toolTip() != tip)
                item->setToolTip(tip);
        }
    }
    if (headerChanged) {
        // A name makes the header two lines high: every row stays in sight.
        list_->setMinimumHeight(list_->horizontalHeader()->sizeHint().height() +
                                8 * list_->verticalHeader()->defaultSectionSize() +
                                list_->frameWidth() * 2);
    }
    const QString activeText =
        active ? QStringLiteral("Active preset: ") + QString::fromStdString(table.cell(*active, 0))
               : QString();
    if (active_->text() != activeText) {
        active_->setText(activeText);
        active_->setAccessibleName(activeText);
    }
    active_->setVisible(active.has_value());
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

QWidget* PresetsWindow::fileDialog() const {
    return fileDialog_.data();
}

void PresetsWindow::exportPresets() {
    if (fileDialog_ && fileDialog_->isVisible())
        return;
    QPointer<PresetsWindow> self(this);
    auto* dialog = askForFileToSave(
        this, QStringLiteral("Export presets"), QStringLiteral("presets.json"),
        QStringLiteral("Presets (*.json)"), [self](const QString& path) {
            if (!self)
                return;
            const std::string error =
                site::exportPresets(path.toStdString(), self->keeper_.presets());
            self->showFileResult(error.empty() ? QStringLiteral("Presets exported to ") + path
                                               : QString::fromStdString(error));
        });
    fileDialog_ = dialog;
}

void PresetsWindow::importPresets() {
    if (fileDialog_ && fileDialog_->isVisible())
        return;
    QPointer<PresetsWindow> self(this);
    auto* dialog = askForFileToOpen(
        this, QStringLiteral("Import presets"), QStringLiteral("Presets (*.json)"),
        [self](const QString& path) {
            if (!self)
                return;
            site::PresetList presets;
            std::string error = site::importPresets(path.toStdString(), presets);
            if (error.empty())
                error = self->keeper_.importPresets(presets);
            self->showFileResult(error.empty() ? QStringLiteral("Presets imported from ") + path
                                               : QString::fromStdString(error));
            self->render();
        });
    fileDialog_ = dialog;
}

void PresetsWindow::showFileResult(const QString& text) {
    file_->setText(text);
    file_->setAccessibleName(text);
    file_->setVisible(!text.isEmpty());
    // The line wraps: the window grows to show all of it.
    if (layout() && layout()->hasHeightForWidth()) {
        const int needed = layout()->totalHeightForWidth(width());
        if (needed > height())
            resize(width(), needed);
    }
}

void PresetsWindow::openEditor() {
    if (editor())
        return;
    auto* dialog = new PresetEditorDialog(page_, this);
    dialog->open();
}

} // namespace quorvane
