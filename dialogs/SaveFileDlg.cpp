#include "dialogs/SaveFileDlg.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

QString CommandTitle(const LocalText& caption, int language)
{
    return QString::fromUtf8(caption[language]).remove(QChar(0x2026));
}

std::optional<QString> AskSavePath(QWidget* parent, const LocalText& caption, const LocalText& filter, int language,
                    const QString& suffix, const QString& name)
{
    QFileDialog dialog(parent, CommandTitle(caption, language));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromUtf8(filter[language]));
    dialog.setDefaultSuffix(suffix);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    dialog.setDirectory(QDir(documents).exists() ? documents : QDir::homePath());
    dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}
