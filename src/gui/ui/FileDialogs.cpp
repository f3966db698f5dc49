#include "gui/ui/FileDialogs.h"

#include <QFileDialog>

namespace quorvane {

namespace {

QFileDialog* ask(QFileDialog* dialog, PathChosen chosen) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [chosen = std::move(chosen)](const QString& path) {
                         if (!path.isEmpty() && chosen)
                             chosen(path);
                     });
    dialog->open();
    return dialog;
}

} // namespace

QFileDialog* askForFileToOpen(QWidget* parent, const QString& caption, const QString& filter,
                              PathChosen chosen) {
    auto* dialog = new QFileDialog(parent, caption, QString(), filter);
    dialog->setObjectName(QStringLiteral("OpenFileDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return ask(dialog, std::move(chosen));
}

QFileDialog* askForFileToSave(QWidget* parent, const QString& caption, const QString& suggestedName,
                              const QString& filter, PathChosen chosen) {
    auto* dialog = new QFileDialog(parent, caption, QString(), filter);
    dialog->setObjectName(QStringLiteral("SaveFileDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(suggestedName);
    return ask(dialog, std::move(chosen));
}

} // namespace quorvane
