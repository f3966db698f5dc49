#include "gui/routing/NamesWindow.h"

#include "core/site/SiteKeeper.h"
#include "gui/ui/WindowAccessible.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

namespace {

QString outputLetter(int output) {
    return QString(QChar('A' + output - 1));
}

} // namespace

NamesWindow::NamesWindow(site::SiteKeeper& keeper, QWidget* owner)
    : QWidget(owner, Qt::Window), keeper_(keeper), matrix_(new QLabel(this)),
      result_(new QLabel(this)), save_(new QPushButton(QStringLiteral("Save"), this)) {
    setObjectName(QStringLiteral("NamesWindow"));
    setWindowTitle(QStringLiteral("Names"));
    setAccessibleName(QStringLiteral("Names"));
    installWindowAccessible();

    auto* grid = new QGridLayout;
    for (int n = 1; n <= 8; ++n) {
        auto* inputLabel = new QLabel(QStringLiteral("Input %1").arg(n), this);
        auto* input = new QLineEdit(this);
        input->setAccessibleName(inputLabel->text());
        input->setMaxLength(static_cast<int>(site::NameLimit));
        inputLabel->setBuddy(input);
        auto* outputLabel = new QLabel(QStringLiteral("Output %1").arg(outputLetter(n)), this);
        auto* output = new QLineEdit(this);
        output->setAccessibleName(outputLabel->text());
        output->setMaxLength(static_cast<int>(site::NameLimit));
        outputLabel->setBuddy(output);
        grid->addWidget(inputLabel, n - 1, 0);
        grid->addWidget(input, n - 1, 1);
        grid->addWidget(outputLabel, n - 1, 2);
        grid->addWidget(output, n - 1, 3);
        inputs_.at(n - 1) = input;
        outputs_.at(n - 1) = output;
    }
    matrix_->setWordWrap(true);
    result_->setWordWrap(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(save_, &QPushButton::clicked, this, &NamesWindow::saveNames);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(close);

    auto* column = new QVBoxLayout(this);
    column->addWidget(matrix_);
    column->addLayout(grid);
    column->addWidget(result_);
    column->addLayout(buttons);
    load();
    adjustSize();
}

void NamesWindow::load() {
    const site::MatrixNames& names = keeper_.names();
    for (int n = 1; n <= 8; ++n) {
        inputs_.at(n - 1)->setText(QString::fromStdString(names.name(site::Side::Input, n)));
        outputs_.at(n - 1)->setText(QString::fromStdString(names.name(site::Side::Output, n)));
    }
    const bool known = !keeper_.key().empty();
    const QString matrix =
        known ? QStringLiteral("Names of the matrix %1").arg(QString::fromStdString(keeper_.key()))
              : QStringLiteral("Choose the matrix's link on the General page first: names "
                               "belong to a matrix.");
    matrix_->setText(matrix);
    matrix_->setAccessibleName(matrix);
    save_->setEnabled(known);
    showResult(QString::fromStdString(keeper_.problem()));
}

void NamesWindow::saveNames() {
    site::MatrixNames names;
    for (const site::Side side : {site::Side::Input, site::Side::Output}) {
        for (int n = 1; n <= 8; ++n) {
            QLineEdit* field = side == site::Side::Input ? inputs_.at(n - 1) : outputs_.at(n - 1);
            const std::string problem = site::setName(names, side, n, field->text().toStdString());
            if (!problem.empty()) {
                const QString where = side == site::Side::Input
                                          ? QStringLiteral("Input %1").arg(n)
                                          : QStringLiteral("Output %1").arg(outputLetter(n));
                showResult(where + QStringLiteral(": ") + QString::fromStdString(problem));
                field->setFocus();
                return;
            }
        }
    }
    const std::string error = keeper_.setNames(names);
    if (!error.empty()) {
        showResult(QString::fromStdString(error));
        return;
    }
    showResult(QStringLiteral("Names saved."));
    emit saved();
}

void NamesWindow::showResult(const QString& text) {
    result_->setText(text);
    result_->setAccessibleName(text);
    result_->setVisible(!text.isEmpty());
    // The line wraps: the window grows to show all of it.
    if (layout() && layout()->hasHeightForWidth()) {
        const int needed = layout()->totalHeightForWidth(width());
        if (needed > height())
            resize(width(), needed);
    }
}

} // namespace quorvane
