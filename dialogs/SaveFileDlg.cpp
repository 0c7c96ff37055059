#include "dialogs/SaveFileDlg.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

QString CommandTitle(const LocalText& caption, int language)
{
    return QString::fromUtf8(caption[language]).remove(QChar(0x2026));
}

std::optional<QString> AskSavePath(QWidget* parent, const LocalText& caption, const LocalText& filter, int language,
                    const QString& suffix, const QString& name, std::string& folder)
{
    QFileDialog dialog(parent, CommandTitle(caption, language));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromUtf8(filter[language]));
    dialog.setDefaultSuffix(suffix);
    const QString last = QString::fromStdString(folder);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    dialog.setDirectory(!last.isEmpty() && QDir(last).exists() ? last
                        : QDir(documents).exists()            ? documents
                                                              : QDir::homePath());
    dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().front();
    folder = QFileInfo(path).absolutePath().toStdString();
    return path;
}

std::string NativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdString();
}
