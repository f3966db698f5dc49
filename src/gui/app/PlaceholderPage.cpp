#include "gui/app/PlaceholderPage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quorvane {

PlaceholderPage::PlaceholderPage(const QString& pageName, QWidget* parent)
    : QWidget(parent), message_(QStringLiteral("The %1 page is not yet available.").arg(pageName)) {
    setAccessibleName(pageName);
    auto* label = new QLabel(message_, this);
    label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
}

} // namespace quorvane
