#pragma once
#include <QString>

#include <optional>

#include "data/TextCatalogue.h"

class QWidget;

// A command's caption ("Save as PDF…") as a window title: without its
// closing ellipsis.
QString CommandTitle(const LocalText& caption, int language);

// Asks where a command saves its file: the save-file dialog titled by the
// command's caption, listing the files of filter, adding suffix to a name
// typed without one, open on folder (the one used last; where that is empty
// or gone, the user's documents folder, else home) with name suggested. The
// chosen path, its folder then kept in folder; none when it was cancelled.
std::optional<QString> AskSavePath(QWidget* parent, const LocalText& caption, const LocalText& filter, int language,
                    const QString& suffix, const QString& name, std::string& folder);

// A path as the platform functions and the messages take it: UTF-8, the
// system's separators.
std::string NativePath(const QString& path);
