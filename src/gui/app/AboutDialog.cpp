#include "gui/app/AboutDialog.h"

#include "gui/ui/Icons.h"
#include "gui/ui/KeySwallower.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace quorvane {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Quorvane"));
    setAccessibleName(QStringLiteral("About Quorvane"));

    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(32, 32));
    icon->setAccessibleName(QStringLiteral("Quorvane icon"));
    auto* name = new QLabel(QStringLiteral("Quorvane"), this);
    auto* version = new QLabel(QStringLiteral("Version 1.0"), this);
    ok_ = new QPushButton(QStringLiteral("确定"), this);
    ok_->setAccessibleName(QStringLiteral("确定 (OK)"));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(ok_, 2, 1, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    KeySwallower::installOn(this);
}

} // namespace quorvane
