#include "gui/routing/PresetEditorDialog.h"

#include "core/routing/MatrixPage.h"
#include "gui/ui/KeySwallower.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorvane {

PresetEditorDialog::PresetEditorDialog(MatrixPage& page, QWidget* parent)
    : QDialog(parent), page_(page), editor_(page.presetSources(), page.presetName()),
      allFrom_(new QComboBox(this)), name_(new QLineEdit(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(QStringLiteral("Edit preset"));
    setAccessibleName(QStringLiteral("Preset editor"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* form = new QFormLayout;
    QStringList inputs;
    for (int input = 1; input <= 8; ++input)
        inputs << QStringLiteral("In%1").arg(input);
    for (int output = 1; output <= 8; ++output) {
        auto* list = new QComboBox(this);
        list->addItems(inputs);
        const QString label = QStringLiteral("Out%1 from").arg(output);
        list->setAccessibleName(label);
        form->addRow(label, list);
        connect(list, &QComboBox::activated, this,
                [this, output](int index) { editor_.setOutFrom(output, index); });
        outFrom_.at(output - 1) = list;
    }
    allFrom_->addItem(QStringLiteral("Select Input"));
    allFrom_->addItems(inputs);
    allFrom_->addItem(QStringLiteral("Port to Port"));
    allFrom_->setAccessibleName(QStringLiteral("All Outputs from"));
    form->addRow(QStringLiteral("All Outputs from"), allFrom_);
    connect(allFrom_, &QComboBox::activated, this, [this](int index) {
        editor_.chooseAllFrom(index);
        renderChoices();
    });
    name_->setText(QString::fromStdString(editor_.name()));
    name_->setAccessibleName(QStringLiteral("Setting name"));
    form->addRow(QStringLiteral("Setting name"), name_);

    connect(ok_, &QPushButton::clicked, this, &PresetEditorDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &PresetEditorDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addLayout(buttons);
    KeySwallower::installOn(this);
    renderChoices();
}

void PresetEditorDialog::renderChoices() {
    for (int output = 1; output <= 8; ++output) {
        const QSignalBlocker blocker(outFrom_.at(output - 1));
        // A working preset outside "In1".."In8" shows an empty choice.
        outFrom_.at(output - 1)->setCurrentIndex(editor_.outFrom(output));
    }
    const QSignalBlocker blocker(allFrom_);
    allFrom_->setCurrentIndex(editor_.allFrom());
}

void PresetEditorDialog::accept() {
    editor_.setName(name_->text().toStdString());
    page_.applyEditedPreset(editor_.sources(), editor_.name());
    QDialog::accept();
}

} // namespace quorvane
