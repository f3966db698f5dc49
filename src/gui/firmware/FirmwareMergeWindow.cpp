#include "gui/firmware/FirmwareMergeWindow.h"

#include "core/firmware/FirmwareMerge.h"
#include "core/firmware/FirmwarePage.h"
#include "gui/ui/Icons.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/KeySwallower.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quorvane {

namespace {
// The row's open button is named for what it opens; a row label that already says "Open ..."
// ("Open Slave MCU1 FW") is that name as it stands.
QString openButtonName(const QString& rowLabel) {
    if (rowLabel.startsWith(QStringLiteral("Open "), Qt::CaseInsensitive))
        return rowLabel;
    return QStringLiteral("Open ") + rowLabel;
}
} // namespace

FirmwareMergeWindow::FirmwareMergeWindow(FirmwarePage& page, QWidget* parent)
    : QDialog(parent), page_(page) {
    setObjectName(QStringLiteral("FirmwareMergeWindow"));
    setWindowTitle(QStringLiteral("Merge FW"));
    setAccessibleName(QStringLiteral("Merge FW"));
    auto* grid = new QGridLayout(this);
    for (int r = 0; r < firmware::MergeRowCount; ++r) {
        const auto& info = firmware::MergeRows.at(static_cast<std::size_t>(r));
        Row& row = rows_.at(static_cast<std::size_t>(r));
        auto* label = new QLabel(QString::fromLatin1(info.label), this);
        row.path = new QLineEdit(this);
        row.path->setReadOnly(true);
        row.path->setAccessibleName(QString::fromLatin1(info.label) + QStringLiteral(" path"));
        label->setBuddy(row.path);
        row.open = new ImageButton(this);
        row.open->setObjectName(QStringLiteral("OpenImage%1").arg(r));
        row.open->setIcons(iconPixmap(IconId::Open, QSize(16, 16), devicePixelRatioF()));
        row.open->setTooltipText(QStringLiteral("Open"));
        row.open->setAccessibleName(openButtonName(QString::fromLatin1(info.label)));
        auto* v1Label = new QLabel(QString::fromLatin1(info.version1), this);
        auto* v2Label = new QLabel(QString::fromLatin1(info.version2), this);
        row.version1 = new QLineEdit(this);
        row.version2 = new QLineEdit(this);
        row.version1->setAccessibleName(QString::fromLatin1(info.version1));
        row.version2->setAccessibleName(QString::fromLatin1(info.version2));
        v1Label->setBuddy(row.version1);
        v2Label->setBuddy(row.version2);
        for (QLineEdit* box : {row.version1, row.version2})
            box->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
        grid->addWidget(label, r, 0);
        grid->addWidget(row.path, r, 1);
        grid->addWidget(row.open, r, 2);
        grid->addWidget(v1Label, r, 3);
        grid->addWidget(row.version1, r, 4);
        grid->addWidget(v2Label, r, 5);
        grid->addWidget(row.version2, r, 6);
        connect(row.open, &ImageButton::clicked, this, [this, r] { openImage(r); });
    }
    merge_ = new QPushButton(QStringLiteral("Merge"), this);
    grid->addWidget(merge_, firmware::MergeRowCount, 6);
    connect(merge_, &QPushButton::clicked, this, [this] { page_.merge(); });
    KeySwallower::installOn(this, KeySwallower::Scope::WhileBoxShows);
    render();
}

void FirmwareMergeWindow::openImage(int row) {
    const QString caption = QStringLiteral("Open image");
    const QString filter = QStringLiteral("Binary file(*.bin)");
    auto load = [this, row](const QString& path) {
        page_.openMergeImage(row, path.toStdString());
        render();
    };
    if (chooser_)
        chooser_(caption, filter, load);
    else
        askForFileToOpen(this, caption, filter, load);
}

void FirmwareMergeWindow::render() {
    for (int r = 0; r < firmware::MergeRowCount; ++r) {
        const auto& state = page_.mergeTool().row(r);
        const Row& row = rows_.at(static_cast<std::size_t>(r));
        row.path->setText(QString::fromStdString(state.path));
        if (!state.version1.empty())
            row.version1->setText(QString::fromStdString(state.version1));
        if (!state.version2.empty())
            row.version2->setText(QString::fromStdString(state.version2));
    }
}

} // namespace quorvane
